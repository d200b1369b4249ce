// orva-cli: the same core as the desktop application, headless.
//
//   orva-cli info FILE... [load options]
//   orva-cli convert IN OUT [--jpeg jfif|exif] [--ppm binary|ascii] [load options]
//   orva-cli apply OP IN OUT [--settings FILE.ovg] [--set KEYWORD=N,N,...]... [output options]
//   orva-cli apply lines IN OUT --even EVEN_OUT [...]
//   orva-cli batch FILE.ovb IN... [--out DIR] [--jobs N] [--overwrite]
//   orva-cli preview IN OUT [--stretch auto|none] [--zoom PERCENT]
//   orva-cli sample OUT|DIR [WIDTH HEIGHT]
//   orva-cli sample-raw OUT.dng [WIDTH HEIGHT]
//   orva-cli ops | keywords
//   orva-cli stack OUT LIGHT... [options]   calibrated stacking: see cli_calibrated.h
//   compositing of files: see cli_stack.h
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli_args.h"
#include "cli_background.h"
#include "cli_batch.h"
#include "cli_calibrated.h"
#include "cli_live.h"
#include "cli_load.h"
#include "cli_ops.h"
#include "cli_preview.h"
#include "cli_raw.h"
#include "cli_session.h"
#include "cli_stack.h"
#include "common/text.h"
#include "imageio/file_io.h"
#include "imageio/formats.h"
#include "sample.h"
#include "shell/commands.h"
#include "shell/context.h"
#include "shell/raw_commands.h"
#include "shell/settings.h"
#include "workspace/workspace.h"

namespace {

using namespace orva;

constexpr const char* kInfoUsage = "  orva-cli info FILE... [load options]\n";
constexpr const char* kConvertUsage =
    "  orva-cli convert IN OUT [--jpeg jfif|exif] [--ppm binary|ascii] [load options]\n"
    "                 a camera RAW IN is developed with the RAW settings\n";
constexpr const char* kApplyUsage =
    "  orva-cli apply OP IN OUT [--settings FILE.ovg] [--set KEYWORD=N,N,...]...\n"
    "                 [--jpeg jfif|exif] [--ppm binary|ascii]\n"
    "  orva-cli apply lines IN OUT --even EVEN_OUT [...]\n"
    "  orva-cli apply background-image IN OUT --background BG [...]\n"
    "  orva-cli apply compare IN OUT --with OTHER [...]\n"
    "  orva-cli apply background-points IN OUT --points X,Y [X,Y...] [...]\n"
    "                 (y counted from the top of the picture)\n"
    "                 line separation: OUT gets the odd rows, EVEN_OUT the even rows\n"
    "                 (rows counted from the bottom of the picture, first row = 0)\n";
constexpr const char* kSampleUsage =
    "  orva-cli sample OUT [WIDTH HEIGHT]   write a colour test picture; when OUT is a\n"
    "                 folder, the sample set (star field, exposures, dark, colour test)\n";
constexpr const char* kOpsUsage = "  orva-cli ops        list the operations of 'apply'\n";
constexpr const char* kKeywordsUsage =
    "  orva-cli keywords   list the settings keywords of --set\n";
constexpr const char* kCommonUsage =
    "  every command: -h or --help prints its usage; a file name starting with '-' goes\n"
    "  after --; an output may not be one of the inputs (convert IN IN and apply OP IN IN\n"
    "  replace IN)\n";

const std::string kUsage =
    std::string("usage:\n") + kInfoUsage + kConvertUsage + kApplyUsage + kSampleUsage +
    "  orva-cli batch FILE.ovb IN... [--out DIR] [--jobs N] [--overwrite]\n"
    "  orva-cli batch --write FILE.ovb [--step OP]... [--save DIR TYPE]   (see batch --help)\n"
    "  orva-cli preview IN OUT [--stretch auto|none] [--zoom PERCENT]   the window's view\n"
    "  orva-cli stack OUT LIGHT... [--bias F...] [--dark F...] [--flat F...] [...]\n"
    "                 calibrated stacking of any number of FITS or RAW frames (see stack --help)\n"
    "  orva-cli live WATCH_DIR OUT.fits [...]   live stacking of lights landing in a folder\n"
    "  orva-cli sample-session DIR [...]   a synthetic session (see sample-session --help)\n" +
    kOpsUsage + kKeywordsUsage + std::string(kSampleRawUsage) + std::string(kLoadOptionsUsage) +
    kCommonUsage;

int Fail(const std::string& message) {
    return CliFail(message);
}

// A usage error: the problem on one line, then the usage of the command (all of them when
// none is given).
int Usage(const std::string& problem, const char* usage = nullptr) {
    return CliUsage(problem,
                    usage != nullptr ? (std::string("usage:\n") + usage).c_str() : kUsage.c_str());
}

const char* FormatName(int code) {
    switch (code) {
        case kFormatBmp: return "BMP";
        case kFormatTiff: return "TIFF";
        case kFormatPnm: return "PPM/PGM";
        case kFormatJpeg: return "JPEG";
        case kFormatFits: return "FITS";
        case kFormatGif: return "GIF";
        case kFormatPng: return "PNG";
        case kFormatRaw: return "camera RAW";
        default: return "unknown";
    }
}

// Reads a file the way the Open command does, with an English one-line failure.
bool ReadInto(AppContext& ctx, const std::string& path, int slot, std::string* error) {
    const int code = DetectFormat(path);
    if (code == kFormatUnknown) {
        *error = path + ": not a supported image format";
        return false;
    }
    DecodedImage img;
    const IoResult r = ReadImageForLoad(ctx, path, code, img);
    if (!r.ok()) {
        *error = path + ": " + IoStatusName(r.status) + (r.detail.empty() ? "" : ": " + r.detail);
        return false;
    }
    StoreDecoded(ctx.ws.at(slot), std::move(img), path);
    MarkLoaded(ctx.ws, slot);
    return true;
}

// `sample` writes the whole set into a folder: an existing one, a name ending in '/', or a
// name without an extension. Anything else names one picture file.
bool IsSampleDirectory(const std::string& out) {
    if (out.empty() || std::filesystem::is_directory(out) || out.back() == '/') return true;
    return std::filesystem::path(out).extension().empty();
}

struct OutputOptions {
    // PPM is binary unless --ppm ascii asks for text (the text form is three times larger).
    WriteOptions write{.jpeg_exif = true, .ppm_ascii = false};
};

// Parses --jpeg/--ppm at argv[i]; advances i. Returns false with an error for a bad value.
std::optional<bool> ParseOutputOption(int argc, char** argv, int& i, OutputOptions& out,
                                      std::string* error) {
    const std::string opt = argv[i];
    if (opt != "--jpeg" && opt != "--ppm") return std::nullopt;
    if (i + 1 >= argc) {
        *error = opt + " needs a value";
        return false;
    }
    const std::string v = argv[++i];
    if (opt == "--jpeg" && (v == "jfif" || v == "exif")) {
        out.write.jpeg_exif = v == "exif";
        return true;
    }
    if (opt == "--ppm" && (v == "binary" || v == "ascii")) {
        out.write.ppm_ascii = v == "ascii";
        return true;
    }
    *error = "bad value '" + v + "' for " + opt;
    return false;
}

int Write(const ImageRecord& rec, const std::string& path, const OutputOptions& out) {
    const int code = DetectFormat(path);
    if (code == kFormatUnknown) return Fail(path + ": unknown output format (use its extension)");
    const IoResult r = WriteImageFile(path, code, rec, out.write);
    if (!r.ok()) {
        if (r.status == IoStatus::Unsupported)
            return Fail(path + ": cannot write " + FormatName(code) + " files");
        return Fail(path + ": " + IoStatusName(r.status) +
                    (r.detail.empty() ? "" : ": " + r.detail));
    }
    return 0;
}

std::string Rational(uint32_t packed) {
    return Format("%u/%u", packed >> 16, packed & 0xFFFFu);
}

int Info(int argc, char** argv) {
    std::vector<std::string> files;
    LoadOptions load;
    for (int i = 2; i < argc; ++i) {
        std::string error;
        const auto parsed = ParseLoadOption(argc, argv, i, load, &error);
        if (parsed.has_value()) {
            if (!*parsed) return Usage(error, kInfoUsage);
            continue;
        }
        if (LooksLikeOption(argv[i])) return Usage(UnknownOption(argv[i]), kInfoUsage);
        files.emplace_back(argv[i]);
    }
    if (files.empty()) return Usage("info needs at least one file", kInfoUsage);
    QuietUi ui;
    AppContext ctx(ui);
    if (std::string error; !ApplyLoadOptions(ctx, load, &error)) return Fail(error);
    int status = 0;
    for (const std::string& file : files) {
        // The header alone (and the camera data): no pixels are decoded.
        const int code = DetectFormat(file);
        if (code == kFormatUnknown) {
            Fail(file + ": not a supported image format");
            status = 1;
            continue;
        }
        DecodedImage r;
        if (const IoResult io = ReadImageForLoad(ctx, file, code, r, true); !io.ok()) {
            Fail(file + ": " + IoStatusName(io.status) +
                 (io.detail.empty() ? "" : ": " + io.detail));
            status = 1;
            continue;
        }
        std::printf("%s: %s %dx%d", file.c_str(), FormatName(code), r.width, r.height);
        if (!r.camera_make.empty()) std::printf(" make=\"%s\"", r.camera_make.c_str());
        if (!r.camera_model.empty()) std::printf(" model=\"%s\"", r.camera_model.c_str());
        if (!r.date_time.empty()) std::printf(" date=\"%s\"", r.date_time.c_str());
        if (r.exposure_time != 0) std::printf(" exposure=%s", Rational(r.exposure_time).c_str());
        if (r.f_number != 0) std::printf(" f-number=%s", Rational(r.f_number).c_str());
        if (r.iso != 0) std::printf(" iso=%u", r.iso);
        std::printf("\n");
    }
    return status;
}

int Convert(int argc, char** argv) {
    std::vector<std::string> files;
    OutputOptions out;
    LoadOptions load;
    for (int i = 2; i < argc; ++i) {
        std::string error;
        auto parsed = ParseOutputOption(argc, argv, i, out, &error);
        if (!parsed.has_value()) parsed = ParseLoadOption(argc, argv, i, load, &error);
        if (parsed.has_value()) {
            if (!*parsed) return Usage(error, kConvertUsage);
            continue;
        }
        if (LooksLikeOption(argv[i])) return Usage(UnknownOption(argv[i]), kConvertUsage);
        files.emplace_back(argv[i]);
    }
    if (files.size() != 2) return Usage("convert needs IN and OUT", kConvertUsage);
    // One picture replaced by its conversion is allowed: it is read whole before the write.
    std::string error = CheckOutputs(LoadInputs(load, {files[0]}), {files[1]}, true);
    if (!error.empty()) return Fail(error);
    QuietUi ui;
    AppContext ctx(ui);
    if (!ApplyLoadOptions(ctx, load, &error)) return Fail(error);
    if (!ReadInto(ctx, files[0], 0, &error)) return Fail(error);
    return Write(ctx.ws.at(0), files[1], out);
}

int Apply(int argc, char** argv) {
    std::vector<std::string> args;
    LoadOptions load;
    std::string even_out;  // line separation writes two pictures
    OutputOptions out;
    BackgroundCliArgs background;
    for (int i = 2; i < argc; ++i) {
        std::string error;
        const auto parsed = ParseOutputOption(argc, argv, i, out, &error);
        if (parsed.has_value()) {
            if (!*parsed) return Usage(error, kApplyUsage);
            continue;
        }
        if (ParseBackgroundOption(argc, argv, i, background, &error)) {
            if (!error.empty()) return Usage(error, kApplyUsage);
            continue;
        }
        if (const auto load_parsed = ParseLoadOption(argc, argv, i, load, &error)) {
            if (!*load_parsed) return Usage(error, kApplyUsage);
            continue;
        }
        const std::string a = argv[i];
        if (a == "--even") {
            if (i + 1 >= argc) return Usage("--even needs a value", kApplyUsage);
            even_out = argv[++i];
            continue;
        }
        if (LooksLikeOption(a)) return Usage(UnknownOption(a), kApplyUsage);
        args.push_back(a);
    }
    if (args.size() != 3) return Usage("apply needs OP, IN and OUT", kApplyUsage);
    const CliOperation* op = FindCliOperation(args[0]);
    if (op == nullptr) return Fail("unknown operation '" + args[0] + "' (see 'orva-cli ops')");
    const bool lines = args[0] == "lines";
    if (lines && even_out.empty())
        return Usage("lines needs --even EVEN_OUT for the even rows", kApplyUsage);
    if (!lines && !even_out.empty()) return Usage("--even is only for 'lines'", kApplyUsage);
    // One picture replaced by its result is allowed; a second output or a second input
    // picture must be apart from the rest.
    std::vector<std::string> outputs = {args[2]};
    if (lines) outputs.push_back(even_out);
    std::string error = CheckOutputs(
        LoadInputs(load, {args[1], background.background, background.with}), outputs, true);
    if (!error.empty()) return Fail(error);

    QuietUi ui;
    AppContext ctx(ui);
    if (!ApplyLoadOptions(ctx, load, &error)) return Fail(error);
    if (!ReadInto(ctx, args[1], 0, &error)) return Fail(error);
    if (!PrepareBackgroundCli(ctx, args[0], background, &error))
        return Fail(args[0] + ": " + error);
    if (!RunCliOperation(ctx, *op, &error)) return Fail(args[0] + ": " + error);
    if (!FinishBackgroundCli(ctx, args[0], background, &error)) return Fail(args[0] + ": " + error);
    ImageRecord* rec = ctx.ws.Current();
    if (rec == nullptr) return Fail(args[0] + ": the operation left no image");
    SpreadSinglePlane(*rec);
    if (const int status = Write(*rec, args[2], out); status != 0 || !lines) return status;
    // The even rows went into the first new image, the odd ones (now current) into the next.
    for (int s = 1; s < kSlotCount; ++s) {
        ImageRecord& even = ctx.ws.at(s);
        if (s == ctx.ws.current || !even.occupied()) continue;
        SpreadSinglePlane(even);
        return Write(even, even_out, out);
    }
    return Fail("lines: the even rows were not made");
}

// `sample OUT [WIDTH HEIGHT]`.
int Sample(int argc, char** argv) {
    std::vector<std::string> p;
    for (int i = 2; i < argc; ++i) {
        if (LooksLikeOption(argv[i])) return Usage(UnknownOption(argv[i]), kSampleUsage);
        p.emplace_back(argv[i]);
    }
    if (p.size() != 1 && p.size() != 3)
        return Usage("sample needs OUT [WIDTH HEIGHT]", kSampleUsage);
    int w = 768, h = 512;
    if (p.size() == 3 && (!ParseWhole(p[1], 1, 20000, w) || !ParseWhole(p[2], 1, 20000, h)))
        return Usage("sample needs WIDTH and HEIGHT from 1 to 20000", kSampleUsage);
    if (IsSampleDirectory(p[0])) {
        const std::string error = WriteSampleSet(p[0], w, h);
        return error.empty() ? 0 : Fail(error);
    }
    ImageRecord rec;
    if (!MakeColourTestPicture(rec, w, h)) return Fail("out of memory");
    return Write(rec, p[0], OutputOptions{});
}

// A command that takes no arguments.
int Listing(int argc, const std::string& cmd, const char* usage) {
    if (argc > 2) return Usage(cmd + " takes no arguments", usage);
    if (cmd == "ops")
        PrintCliOperations(stdout);
    else
        PrintSettingsKeywords(stdout);
    return 0;
}

// The usage of the commands whose help this file prints.
const char* OwnUsage(const std::string& cmd) {
    if (cmd == "info") return kInfoUsage;
    if (cmd == "convert") return kConvertUsage;
    if (cmd == "apply") return kApplyUsage;
    if (cmd == "sample") return kSampleUsage;
    if (cmd == "sample-raw") return kSampleRawUsage;
    if (cmd == "ops") return kOpsUsage;
    if (cmd == "keywords") return kKeywordsUsage;
    return StackCommandUsage(cmd);
}

int Run(int argc, char** argv) {
    if (argc < 2) return Usage("no command");
    const std::string cmd = argv[1];
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        std::fputs(kUsage.c_str(), stdout);
        std::fputs(StackUsage().c_str(), stdout);
        return 0;
    }
    // Help before anything else: nothing is read or written.
    if (const char* usage = OwnUsage(cmd); usage != nullptr && WantsHelp(argc, argv)) {
        std::printf("usage:\n%s", usage);
        return 0;
    }
    if (cmd == "info") return Info(argc, argv);
    if (cmd == "convert") return Convert(argc, argv);
    if (cmd == "apply") return Apply(argc, argv);
    if (cmd == "batch") return BatchMain(argc, argv);
    if (cmd == "preview") return PreviewMain(argc, argv);
    if (cmd == "stack") return CalibratedStackMain(argc, argv);
    if (cmd == "live") return LiveMain(argc, argv);
    if (IsStackCommand(cmd)) return RunStackCommand(argc, argv);
    if (cmd == "sample") return Sample(argc, argv);
    if (cmd == "sample-raw") return SampleRawCommand(argc, argv);
    if (cmd == "sample-session") return SampleSessionMain(argc, argv);
    if (cmd == "ops" || cmd == "keywords") return Listing(argc, cmd, OwnUsage(cmd));
    return Usage("unknown command '" + cmd + "'");
}

}  // namespace

int main(int argc, char** argv) {
    InstallTempFileCleanupOnSignals();
    // Names after "--" are files whatever they start with.
    std::vector<std::string> args = ArgumentsWithEndOfOptions(argc, argv);
    std::vector<char*> pointers;
    for (std::string& a : args) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    return Run(static_cast<int>(args.size()), pointers.data());
}
