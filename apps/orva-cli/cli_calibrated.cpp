#include "cli_calibrated.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "cli_args.h"
#include "cli_ops.h"
#include "common/text.h"
#include "imageio/formats.h"
#include "shell/settings.h"
#include "stack/pipeline.h"
#include "stack/stack_settings.h"
#include "workspace/workspace.h"

namespace orva {

namespace {

constexpr const char* kUsage =
    "usage: orva-cli stack OUT LIGHT... [--bias FILE...] [--dark FILE...] [--flat FILE...]\n"
    "                 [--register stars|shift] [--reference FILE] [--range N]\n"
    "                 [--normalise none|additive|multiplicative|additive-scale]\n"
    "                 [--reject none|sigma|winsor|minmax|median] [--kappa LOW,HIGH]\n"
    "                 [--iterations N] [--weight noise|none] [--master median|mean]\n"
    "                 [--keep-best PERCENT] [--max-fwhm PX] [--report FILE.csv] [--float]\n"
    "                 [--max-pixels N]\n"
    "      calibrated stacking of any number of FITS or camera RAW frames: masters from\n"
    "      the bias, dark and flat frames, (light - dark) / normalised flat (RAW on the\n"
    "      sensor mosaic, then demosaiced); each light measured, registered on the\n"
    "      reference light (--reference, default the first light), normalised to its sky,\n"
    "      then combined with rejection.\n"
    "  --register   stars (default): rotation, scale and shift fitted to matched stars;\n"
    "               when the reference has fewer than 6 stars, the shift search is used\n"
    "               instead and a warning says so. shift: a shift to a fraction of a\n"
    "               pixel within --range pixels (default 32). Lights that move are\n"
    "               resampled (Lanczos-2); a light already in place is used as it is.\n"
    "  --normalise  before rejection, each light's sky brought to the reference's:\n"
    "               additive-scale (default): level and spread; additive: level;\n"
    "               multiplicative: level by a factor; none. The result keeps the\n"
    "               reference light's level.\n"
    "  --reject     default sigma; --kappa LOW,HIGH (or one value for both) 0.1 to 10,\n"
    "               default 3,3; --iterations 1 to 20, default 3\n"
    "  --keep-best  keeps that percentage of the lights, the smallest FWHM first (ties:\n"
    "               more stars first); --max-fwhm leaves out lights of a larger FWHM\n"
    "  --report     a CSV file: one row per light (file, stars, fwhm_px, roundness, sky,\n"
    "               noise, dx_px, dy_px, rotation_deg, weight, status, reason); dx, dy\n"
    "               are where the light's centre lands on the reference, less the centre\n"
    "  --max-pixels frames of more pixels are refused before any work (default 1073741824)\n"
    "      OUT as FITS keeps the reference light's header keys (EXPTIME stays the single\n"
    "      exposure) and adds NCOMBINE and STACKCNT (lights used), LIVETIME (the sum of\n"
    "      their EXPTIME), DATE-OBS and DATE-END (first start, last end) when the lights\n"
    "      carry DATE-OBS, and HISTORY cards of what was done; --float writes 32-bit floats\n"
    "      (FITS or TIFF). A dark of another exposure than the lights' (by more than 1 %)\n"
    "      is warned of. OUT may not be one of the frames.\n"
    "      (The desktop's compositing of up to 16 files is 'orva-cli composite'.)\n";

int Usage(const std::string& problem) {
    return CliUsage(problem, kUsage);
}

bool IsFits(const std::string& path) {
    return DetectFormat(path) == kFormatFits;
}

bool Number(const char* text, double& out) {
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(out);
}

// What the options ask for: the stacking settings the desktop dialog edits, in their fields'
// units, and the values orva-cli takes finer than those units, laid over the settings' job.
struct Parsed {
    CalibratedStackSettings settings;
    std::optional<double> kappa_low, kappa_high, keep_best, max_fwhm;
    uint64_t max_pixels = kMaxReadPixels;
    std::string out, reference;
    bool float32 = false;

    StackJob Job() const {
        StackJob job = JobFromSettings(settings);
        if (kappa_low) job.combine.kappa_low = *kappa_low;
        if (kappa_high) job.combine.kappa_high = *kappa_high;
        if (keep_best) job.keep_best = *keep_best;
        if (max_fwhm) job.max_fwhm = *max_fwhm;
        job.max_pixels = max_pixels;
        return job;
    }
};

// How an option's value is read against its field.
enum class Reads {
    Word,       // one of the field's words
    Whole,      // a whole number in the field's range
    Above0,     // a number above 0, at most the field's maximum (in the value's own unit)
    KappaPair,  // LOW,HIGH or one value, each within the field's range
    Text,       // a file name
};

struct StackOption {
    const char* name;
    Reads reads;
    const FieldDecl* field;  // range and scale; null for text
    const char* expected;    // what the message says is expected ("a whole number")
    std::span<const FieldWord> words;
    void (*store)(Parsed&, double value, const std::string& text);
};

const auto& F = kCalibratedStackFields;

// Every option that takes a value, with the field it is checked against.
const StackOption kStackOptions[] = {
    {"--reject", Reads::Word, &F.rejection, "", kRejectionWords,
     [](Parsed& p, double v, const std::string&) { p.settings.rejection = int(v); }},
    {"--kappa", Reads::KappaPair, &F.kappa, "LOW,HIGH (or one value), each", {}, nullptr},
    {"--iterations",
     Reads::Whole,
     &F.iterations,
     "a whole number",
     {},
     [](Parsed& p, double v, const std::string&) { p.settings.iterations = int(v); }},
    {"--weight", Reads::Word, &F.weight_noise, "", kWeightWords,
     [](Parsed& p, double v, const std::string&) { p.settings.weight_noise = int(v); }},
    {"--master", Reads::Word, &F.master_median, "", kMasterWords,
     [](Parsed& p, double v, const std::string&) { p.settings.master_median = int(v); }},
    {"--range",
     Reads::Whole,
     &F.search_range,
     "a whole number of pixels",
     {},
     [](Parsed& p, double v, const std::string&) { p.settings.search_range = int(v); }},
    {"--register", Reads::Word, &F.register_stars, "", kRegistrationWords,
     [](Parsed& p, double v, const std::string&) { p.settings.register_stars = int(v); }},
    {"--normalise", Reads::Word, &F.normalisation, "", kNormalisationWords,
     [](Parsed& p, double v, const std::string&) { p.settings.normalisation = int(v); }},
    {"--keep-best",
     Reads::Above0,
     &F.keep_best,
     "a percentage",
     {},
     [](Parsed& p, double v, const std::string&) { p.keep_best = v; }},
    {"--max-fwhm",
     Reads::Above0,
     &F.max_fwhm,
     "pixels",
     {},
     [](Parsed& p, double v, const std::string&) { p.max_fwhm = v; }},
    {"--reference",
     Reads::Text,
     nullptr,
     "",
     {},
     [](Parsed& p, double, const std::string& v) { p.reference = v; }},
    {"--report",
     Reads::Text,
     nullptr,
     "",
     {},
     [](Parsed& p, double, const std::string& v) { p.settings.report = v; }},
    {"--max-pixels",
     Reads::Whole,
     &kReadingFields.max_pixels,
     "a whole number",
     {},
     [](Parsed& p, double v, const std::string&) { p.max_pixels = static_cast<uint64_t>(v); }},
};

const StackOption* FindOption(const std::string& name) {
    for (const StackOption& o : kStackOptions)
        if (name == o.name) return &o;
    return nullptr;
}

// A field's value in the unit the option is typed in: tenths become whole units.
double Shown(const FieldDecl& f, int v) {
    return f.unit == FieldUnit::Tenths ? v / 10.0 : v;
}

// "none, sigma or median"
std::string WordList(std::span<const FieldWord> words) {
    std::string list;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) list += i + 1 == words.size() ? " or " : ", ";
        list += words[i].word;
    }
    return list;
}

int ParseKappa(const StackOption& o, const char* v, Parsed& p) {
    const double lo_limit = Shown(*o.field, o.field->min), hi_limit = Shown(*o.field, o.field->max);
    const std::string s = v;
    const std::size_t comma = s.find(',');
    double lo = 0, hi = 0;
    const bool ok = comma == std::string::npos ? Number(v, lo) && ((hi = lo), true)
                                               : Number(s.substr(0, comma).c_str(), lo) &&
                                                     Number(s.substr(comma + 1).c_str(), hi);
    if (!ok || lo < lo_limit || lo > hi_limit || hi < lo_limit || hi > hi_limit)
        return Usage(
            Format("%s %s: expected %s %g to %g", o.name, v, o.expected, lo_limit, hi_limit));
    p.kappa_low = lo;
    p.kappa_high = hi;
    return 0;
}

// One option with its value; 0, or the usage error's status.
int ParseOption(const StackOption& o, const char* v, Parsed& p) {
    const std::string s = v;
    double x = 0;
    switch (o.reads) {
        case Reads::Word:
            for (const FieldWord& w : o.words)
                if (s == w.word) {
                    o.store(p, w.value, s);
                    return 0;
                }
            return Usage(Format("%s %s: expected %s", o.name, v, WordList(o.words).c_str()));
        case Reads::Whole:
            if (!Number(v, x) || x != std::floor(x) || x < o.field->min || x > o.field->max)
                return Usage(Format("%s %s: expected %s %d to %d", o.name, v, o.expected,
                                    o.field->min, o.field->max));
            break;
        case Reads::Above0:
            if (!Number(v, x) || !(x > 0) || x > Shown(*o.field, o.field->max))
                return Usage(Format("%s %s: expected %s above 0, at most %g", o.name, v, o.expected,
                                    Shown(*o.field, o.field->max)));
            break;
        case Reads::KappaPair: return ParseKappa(o, v, p);
        case Reads::Text: break;
    }
    o.store(p, x, s);
    return 0;
}

// -1 when the arguments parse, else the status to end with (0 after --help).
int ParseArguments(int argc, char** argv, Parsed& p) {
    std::vector<std::string>* list = &p.settings.lights;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        const bool next_is_file = i + 1 < argc && argv[i + 1][0] != '-';
        if (a == "--bias" || a == "--dark" || a == "--flat") {
            if (!next_is_file) return Usage(a + " needs at least one FILE after it");
            list = a == "--bias"   ? &p.settings.bias
                   : a == "--dark" ? &p.settings.darks
                                   : &p.settings.flats;
        } else if (a == "--float") {
            p.float32 = true;
        } else if (const StackOption* o = FindOption(a)) {
            if (i + 1 >= argc) return Usage(a + " needs a value");
            if (const int status = ParseOption(*o, argv[++i], p); status != 0) return status;
            // "--kappa 3 3": the second value would otherwise be taken for a light.
            double x = 0;
            std::error_code ec;
            if (a == "--kappa" && i + 1 < argc && Number(argv[i + 1], x) &&
                !std::filesystem::exists(argv[i + 1], ec))
                return Usage(
                    Format("--kappa %s %s: expected LOW,HIGH as one word, as in "
                           "--kappa %s,%s",
                           argv[i], argv[i + 1], argv[i], argv[i + 1]));
        } else if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (LooksLikeOption(a)) {
            return Usage(UnknownOption(a));
        } else if (p.out.empty()) {
            p.out = a;
        } else {
            list->push_back(a);
        }
    }
    return -1;
}

// The frames and places named are usable, before any work; 0 or the status to end with.
int CheckInputs(const Parsed& p, StackJob& job) {
    if (p.out.empty() || job.lights.empty()) return Usage("stack needs OUT and at least one LIGHT");
    if (DetectFormat(p.out) == kFormatUnknown)
        return Usage(p.out + ": unknown output format (by its extension)");
    std::vector<std::string> inputs = job.lights;
    for (const auto* files : {&job.bias, &job.darks, &job.flats})
        inputs.insert(inputs.end(), files->begin(), files->end());
    std::vector<std::string> outputs = {p.out};
    if (!p.settings.report.empty()) outputs.push_back(p.settings.report);
    if (const std::string e = CheckOutputs(inputs, outputs); !e.empty()) return CliFail(e);
    for (const std::string& file : {p.out, p.settings.report})
        if (!file.empty())
            if (const std::string why = FolderProblem(file); !why.empty()) return CliFail(why);
    for (const auto* files : {&job.lights, &job.bias, &job.darks, &job.flats})
        for (const std::string& f : *files)
            if (!IsFits(f) && DetectFormat(f) != kFormatRaw)
                return CliFail(f + ": calibrated stacking reads FITS or RAW frames");
    if (!p.reference.empty()) {
        std::error_code ec;
        auto at = std::find_if(job.lights.begin(), job.lights.end(), [&](const std::string& l) {
            return l == p.reference || std::filesystem::equivalent(l, p.reference, ec);
        });
        if (at == job.lights.end())
            return Usage("--reference " + p.reference + ": not one of the lights");
        job.reference = static_cast<std::size_t>(at - job.lights.begin());
    }
    return 0;
}

IoResult WriteResult(const std::string& out, const StackOutcome& result, bool float32) {
    if (IsFits(out)) return WriteFitsLinear(out, result.image, float32, result.history);
    if (float32 && DetectFormat(out) == kFormatTiff) return WriteTiffFloat(out, result.image);
    // Other formats hold 16-bit samples: the values rounded into 0..65535.
    const LinearImage& img = result.image;
    DecodedImage d;
    if (!d.Allocate(img.width, img.height)) return {IoStatus::OutOfMemory, "out of memory"};
    for (int c = 0; c < 3; ++c) {
        const float* p = img.plane(img.planes == 1 ? 0 : c);
        Plane& dst = c == 0 ? d.red : c == 1 ? d.green : d.blue;
        for (std::size_t i = 0; i < img.pixels(); ++i)
            dst[i] =
                std::isnan(p[i])
                    ? 0
                    : static_cast<uint16_t>(std::lround(std::clamp(double{p[i]}, 0.0, 65535.0)));
    }
    ImageRecord rec;
    StoreDecoded(rec, std::move(d), out);
    return WriteImageFile(out, DetectFormat(out), rec, WriteOptions{});
}

}  // namespace

int CalibratedStackMain(int argc, char** argv) {
    Parsed p;
    if (const int status = ParseArguments(argc, argv, p); status >= 0) return status;
    StackJob job = p.Job();
    if (const int status = CheckInputs(p, job); status != 0) return status;

    const auto start = std::chrono::steady_clock::now();
    job.progress = [&](const std::string& line, int) {
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (s >= 1.0) std::fprintf(stderr, "orva-cli: %6.1f s  %s\n", s, line.c_str());
    };
    job.warn = [](const std::string& line) {
        std::fprintf(stderr, "orva-cli: warning: %s\n", line.c_str());
    };
    StackOutcome result;
    std::string error;
    const bool stacked = RunCalibratedStack(job, result, &error);
    for (const std::string& why : result.left_out)
        std::fprintf(stderr, "orva-cli: left out %s\n", why.c_str());
    // The report also when every light was left out: it says why.
    if (!result.lights.empty()) {
        std::fprintf(stderr, "orva-cli: %s\n", ReportSummary(result.lights).c_str());
        if (const std::string& report = p.settings.report; !report.empty()) {
            const IoResult r = WriteReport(report, result.lights);
            if (!r.ok())
                return CliFail(report + ": cannot write the report: " + IoStatusName(r.status));
        }
    }
    if (!stacked) return CliFail(error);
    const IoResult r = WriteResult(p.out, result, p.float32);
    if (!r.ok()) return CliFail(p.out + ": cannot write: " + IoStatusName(r.status));
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::size_t used = 0;
    for (const LightQuality& q : result.lights) used += q.used ? 1 : 0;
    std::fprintf(stderr, "orva-cli: %zu light frame(s) stacked in %.2f s\n", used, s);
    return 0;
}

}  // namespace orva
