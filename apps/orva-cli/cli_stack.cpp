#include "cli_stack.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "cli_args.h"
#include "cli_load.h"
#include "cli_ops.h"
#include "common/parallel.h"
#include "common/text.h"
#include "composite/multi_file.h"
#include "imageio/formats.h"
#include "shell/commands.h"
#include "shell/composite_commands.h"
#include "shell/context.h"
#include "shell/messages.h"
#include "shell/settings.h"

namespace orva {

namespace {

constexpr const char* kCompositeUsage =
    "  orva-cli composite OUT IN1 IN2 ... [--points] [--settings F] [--set K=V]... [--dark F]...\n"
    "                 composite 2 to 16 pictures: 2 to 4 in one stack, aligned automatically\n"
    "                 (keywords composite, VER264, VER560, composite_weight) or by points\n"
    "                 (--points, keyword composite_points); 5 to 16 in groups (keyword\n"
    "                 compfile). For more frames use the calibrated 'orva-cli stack'\n";
constexpr const char* kLrgbUsage =
    "  orva-cli lrgb OUT --l L --rgb RGB | [--l L] --r R --g G --b B [...]\n"
    "                 L+RGB compositing aligned by composite_points\n";
constexpr const char* kStarfieldUsage =
    "  orva-cli starfield OUT WIDTH HEIGHT DX DY [SEED]\n"
    "                 write a synthetic star exposure cut DX, DY further along the sky\n";

}  // namespace

namespace {

int Fail(const std::string& message) {
    return CliFail(message);
}

int Usage(const std::string& problem, const char* usage) {
    return CliUsage(problem, (std::string("usage:\n") + usage).c_str());
}

// The parsed command line: positional arguments, named values and settings.
struct Args {
    std::vector<std::string> positional;
    LoadOptions load;
    std::string l, rgb, r, g, b;
    bool points = false;
};

bool Parse(int argc, char** argv, Args& a, std::string* error) {
    const bool numbers = std::string(argv[1]) == "starfield";  // its shifts may be negative
    for (int i = 2; i < argc; ++i) {
        const std::string s = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) {
                *error = s + " needs a value";
                return false;
            }
            into = argv[++i];
            return true;
        };
        if (const auto load = ParseLoadOption(argc, argv, i, a.load, error)) {
            if (!*load) return false;
        } else if (s == "--points") {
            a.points = true;
        } else if (s == "--l" || s == "--rgb" || s == "--r" || s == "--g" || s == "--b") {
            std::string& into = s == "--l"     ? a.l
                                : s == "--rgb" ? a.rgb
                                : s == "--r"   ? a.r
                                : s == "--g"   ? a.g
                                               : a.b;
            if (!value(into)) return false;
        } else if (LooksLikeOption(s) && !(numbers && LooksLikeNegativeNumber(s))) {
            *error = UnknownOption(s);
            return false;
        } else {
            a.positional.push_back(s);
        }
    }
    return true;
}

// The first error the shell reported, as one line.
std::string ShellError(const QuietUi& ui) {
    for (const auto& m : ui.messages)
        if (m.title == msg::kTitleError) return m.text;
    return ui.messages.empty() ? std::string() : ui.messages.front().text;
}

int Setup(AppContext& ctx, const Args& a) {
    std::string error;
    return ApplyLoadOptions(ctx, a.load, &error) ? 0 : Fail(error);
}

// Loads a file into the next free slot; -1 after printing why not.
int Load(AppContext& ctx, QuietUi& ui, const std::string& path) {
    if (DetectFormat(path) == kFormatUnknown) {
        Fail(path + ": not a supported image format");
        return -1;
    }
    const int slot = FindFreeSlot(ctx.ws);
    if (slot < 0 || !LoadIntoSlot(ctx, path, slot)) {
        const std::string why = ShellError(ui);
        Fail(why.find(path) != std::string::npos ? why : path + ": " + why);
        return -1;
    }
    MarkLoaded(ctx.ws, slot);
    return slot;
}

int WriteResult(AppContext& ctx, QuietUi& ui, int before, const std::string& out) {
    ImageRecord* rec = ctx.ws.Current();
    if (rec == nullptr || ctx.ws.current == before) {
        const std::string why = ShellError(ui);
        return Fail(why.empty()
                        ? "no picture was made (fewer than two pictures with a weight above 0)"
                        : why);
    }
    SpreadSinglePlane(*rec);
    const int code = DetectFormat(out);
    if (code == kFormatUnknown) return Fail(out + ": unknown output format (use its extension)");
    WriteOptions options;
    options.ppm_ascii = false;
    const IoResult r = WriteImageFile(out, code, *rec, options);
    if (!r.ok())
        return Fail(out + ": " + IoStatusName(r.status) +
                    (r.detail.empty() ? "" : ": " + r.detail));
    return 0;
}

// The stacks of 2 to 4 pictures loaded into slots.
int CompositeFew(const Args& a) {
    const auto& p = a.positional;
    QuietUi ui;
    AppContext ctx(ui);
    if (const int s = Setup(ctx, a); s != 0) return s;
    auto& images = ctx.settings.composite.images;
    images = {-1, -1, -1, -1};
    for (std::size_t i = 1; i < p.size(); ++i) {
        const int slot = Load(ctx, ui, p[i]);
        if (slot < 0) return 1;
        images[i - 1] = slot;
    }
    const int before = ctx.ws.current;
    ExecuteCommand(ctx, a.points ? kCmdCompositePoints : kCmdCompositeAuto);
    return WriteResult(ctx, ui, before, p[0]);
}

// The grouped stack of 5 to 16 files, read one group at a time.
int CompositeGrouped(const Args& a) {
    const auto& p = a.positional;
    QuietUi ui;
    AppContext ctx(ui);
    if (const int s = Setup(ctx, a); s != 0) return s;
    ctx.settings.multi_file.files.assign(p.begin() + 1, p.end());
    const auto start = std::chrono::steady_clock::now();
    auto seconds = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    // Progress only once the stack has taken more than a second.
    auto progress = [&](const std::string& line) {
        if (seconds() >= 1.0)
            std::fprintf(stderr, "orva-cli: %.1f s: %s\n", seconds(), line.c_str());
    };
    const int slot = StackFiles(ctx, progress);
    if (slot < 0) {
        const std::string why = ShellError(ui);
        return Fail(why.empty() ? "no picture was made" : why);
    }
    ctx.ws.current = slot;
    const int status = WriteResult(ctx, ui, -2, p[0]);
    if (status == 0 && seconds() >= 1.0)
        std::fprintf(stderr, "orva-cli: %.1f s: done\n", seconds());
    return status;
}

int Composite(const Args& a) {
    const auto& p = a.positional;
    const std::size_t inputs = p.empty() ? 0 : p.size() - 1;
    if (inputs > static_cast<std::size_t>(kMultiFileMax))
        return Usage(Format("composite takes at most %d pictures (%zu given); stack more frames "
                            "with the calibrated 'orva-cli stack OUT LIGHT...'",
                            kMultiFileMax, inputs),
                     kCompositeUsage);
    if (inputs < 2) return Usage("composite needs OUT and 2 to 16 pictures", kCompositeUsage);
    if (a.points && inputs > 4)
        return Usage("--points aligns 2 to 4 pictures, not " + std::to_string(inputs),
                     kCompositeUsage);
    const std::vector<std::string> files(p.begin() + 1, p.end());
    if (const std::string e = CheckOutputs(LoadInputs(a.load, files), {p[0]}); !e.empty())
        return Fail(e);
    for (const auto& f : files)
        if (DetectFormat(f) == kFormatUnknown) return Fail(f + ": not a supported image format");
    return inputs <= 4 ? CompositeFew(a) : CompositeGrouped(a);
}

int Lrgb(const Args& a) {
    if (a.positional.size() != 1) return Usage("lrgb needs OUT", kLrgbUsage);
    const bool pair = !a.rgb.empty();
    if (pair && (a.l.empty() || !a.r.empty() || !a.g.empty() || !a.b.empty()))
        return Usage("lrgb takes --l L --rgb RGB, or [--l L] --r R --g G --b B", kLrgbUsage);
    if (!pair && (a.r.empty() || a.g.empty() || a.b.empty()))
        return Usage("lrgb needs --rgb, or all of --r, --g and --b", kLrgbUsage);
    if (const std::string e =
            CheckOutputs(LoadInputs(a.load, {a.l, a.rgb, a.r, a.g, a.b}), {a.positional[0]});
        !e.empty())
        return Fail(e);
    QuietUi ui;
    AppContext ctx(ui);
    if (const int s = Setup(ctx, a); s != 0) return s;
    auto& images = ctx.settings.composite.images;
    images = {-1, -1, -1, -1};
    const std::vector<std::string> files =
        pair ? std::vector<std::string>{a.l, a.rgb} : std::vector<std::string>{a.l, a.r, a.g, a.b};
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i].empty()) continue;
        const int slot = Load(ctx, ui, files[i]);
        if (slot < 0) return 1;
        images[i] = slot;
    }
    const int before = ctx.ws.current;
    ExecuteCommand(ctx, pair ? kCmdLrgb : kCmdLrgbFourImages);
    return WriteResult(ctx, ui, before, a.positional[0]);
}

// A synthetic exposure: sky with noise and stars, the same sky for every cut, so that cuts
// at different positions are the same scene shifted by whole pixels.
int Starfield(const Args& a) {
    const auto& p = a.positional;
    if (p.size() != 5 && p.size() != 6)
        return Usage("starfield needs OUT WIDTH HEIGHT DX DY [SEED]", kStarfieldUsage);
    if (LooksLikeOption(p[0])) return Usage(UnknownOption(p[0]), kStarfieldUsage);
    int w = 0, h = 0, dx = 0, dy = 0;
    long long seed = 1;
    if (!ParseWhole(p[1], 1, 20000, w) || !ParseWhole(p[2], 1, 20000, h))
        return Usage("starfield needs WIDTH and HEIGHT from 1 to 20000", kStarfieldUsage);
    if (!ParseWhole(p[3], -1000, 1000, dx) || !ParseWhole(p[4], -1000, 1000, dy))
        return Usage("starfield needs DX and DY from -1000 to 1000", kStarfieldUsage);
    if (p.size() == 6 && !ParseWhole(p[5], 0, UINT32_MAX, seed))
        return Usage("starfield needs a SEED from 0 to 4294967295", kStarfieldUsage);
    ImageRecord rec;
    rec.width = w;
    rec.height = h;
    const std::size_t n = rec.pixels();
    if (!rec.red.Allocate(n)) return Fail("not enough memory");
    // Sky noise from a hash of the sky position, so every cut sees the same noise there.
    auto noise = [seed = static_cast<uint32_t>(seed)](int x, int y) {
        uint32_t v =
            static_cast<uint32_t>(x) * 0x9E3779B1u ^ static_cast<uint32_t>(y) * 0x85EBCA77u ^ seed;
        v ^= v >> 15;
        v *= 0x2C1B3C6Du;
        v ^= v >> 12;
        return static_cast<int>(v % 600u);
    };
    ForEachRowBand(h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < w; ++x)
                rec.red[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                        static_cast<std::size_t>(x)] =
                    static_cast<uint16_t>(1800 + noise(x + dx, y + dy));
    });
    // Stars placed on the sky (not on the cut), about one per 2,000 sky pixels.
    std::mt19937 rng(static_cast<uint32_t>(seed));
    const int margin = 1000;
    const long long stars = static_cast<long long>(w + 2 * margin) * (h + 2 * margin) / 2000;
    for (long long i = 0; i < stars; ++i) {
        const int sx = static_cast<int>(rng() % static_cast<uint32_t>(w + 2 * margin)) - margin;
        const int sy = static_cast<int>(rng() % static_cast<uint32_t>(h + 2 * margin)) - margin;
        const double sigma = 0.7 + static_cast<double>(rng() % 20) / 10.0;
        const double peak = 2000.0 + static_cast<double>(rng() % 60000);
        const int cx = sx - dx, cy = sy - dy;  // in the cut
        if (cx < -8 || cy < -8 || cx >= w + 8 || cy >= h + 8) continue;
        for (int y = std::max(0, cy - 7); y <= std::min(h - 1, cy + 7); ++y)
            for (int x = std::max(0, cx - 7); x <= std::min(w - 1, cx + 7); ++x) {
                const double r2 = static_cast<double>((x - cx) * (x - cx) + (y - cy) * (y - cy));
                uint16_t& v = rec.red[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                                      static_cast<std::size_t>(x)];
                v = static_cast<uint16_t>(
                    std::min(65535.0, v + peak * std::exp(-r2 / (2 * sigma * sigma))));
            }
    }
    rec.single_plane = 1;
    const int code = DetectFormat(p[0]);
    if (code == kFormatUnknown) return Fail(p[0] + ": unknown output format (use its extension)");
    if (code != kFormatFits) {
        for (Plane* pl : {&rec.green, &rec.blue})
            if (!pl->Allocate(n)) return Fail("not enough memory");
        SpreadSinglePlane(rec);
    }
    const IoResult r = WriteImageFile(p[0], code, rec, WriteOptions{true, false});
    if (!r.ok()) return Fail(p[0] + ": " + IoStatusName(r.status));
    return 0;
}

}  // namespace

bool IsStackCommand(const std::string& command) {
    return StackCommandUsage(command) != nullptr;
}

const char* StackCommandUsage(const std::string& command) {
    return command == "composite"   ? kCompositeUsage
           : command == "lrgb"      ? kLrgbUsage
           : command == "starfield" ? kStarfieldUsage
                                    : nullptr;
}

std::string StackUsage() {
    return std::string(kCompositeUsage) + kLrgbUsage + kStarfieldUsage;
}

int RunStackCommand(int argc, char** argv) {
    Args a;
    std::string error;
    const std::string cmd = argv[1];
    if (!Parse(argc, argv, a, &error)) return Usage(error, StackCommandUsage(cmd));
    if (cmd == "composite") return Composite(a);
    if (cmd == "lrgb") return Lrgb(a);
    return Starfield(a);
}

}  // namespace orva
