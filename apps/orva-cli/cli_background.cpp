#include "cli_background.h"

#include <charconv>

#include "imageio/formats.h"
#include "shell/commands.h"
#include "view/interaction.h"
#include "workspace/workspace.h"

namespace orva {

namespace {

// "X,Y" with two whole numbers.
bool ParsePoint(const std::string& text, std::pair<int, int>& out) {
    const auto comma = text.find(',');
    if (comma == std::string::npos) return false;
    const char* end = text.data() + text.size();
    const auto rx = std::from_chars(text.data(), text.data() + comma, out.first);
    const auto ry = std::from_chars(text.data() + comma + 1, end, out.second);
    return rx.ec == std::errc() && rx.ptr == text.data() + comma && ry.ec == std::errc() &&
           ry.ptr == end;
}

bool LoadExtra(AppContext& ctx, const std::string& path, std::string* error) {
    const int code = DetectFormat(path);
    if (code == kFormatUnknown) {
        *error = path + ": not a supported image format";
        return false;
    }
    ReadOptions options;
    options.memory_budget = ctx.ws.available_memory();
    DecodedImage img;
    const IoResult r = ReadImageFile(path, code, img, options);
    if (!r.ok()) {
        *error = path + ": " + IoStatusName(r.status);
        return false;
    }
    StoreDecoded(ctx.ws.at(1), std::move(img), path);
    MarkLoaded(ctx.ws, 1);
    ctx.ws.current = 0;
    return true;
}

}  // namespace

bool ParseBackgroundOption(int argc, char** argv, int& i, BackgroundCliArgs& args,
                           std::string* error) {
    const std::string opt = argv[i];
    if (opt != "--background" && opt != "--with" && opt != "--points") return false;
    if (i + 1 >= argc) {
        *error = opt + " needs a value";
        return true;
    }
    if (opt == "--background") {
        args.background = argv[++i];
    } else if (opt == "--with") {
        args.with = argv[++i];
    } else {
        // Every following X,Y belongs to the list.
        std::pair<int, int> p;
        while (i + 1 < argc && ParsePoint(argv[i + 1], p)) {
            args.points.push_back(p);
            ++i;
        }
        if (args.points.empty()) *error = "--points needs X,Y values";
    }
    return true;
}

bool PrepareBackgroundCli(AppContext& ctx, const std::string& op, const BackgroundCliArgs& args,
                          std::string* error) {
    const bool wants_background = op == "background-image", wants_with = op == "compare",
               wants_points = op == "background-points";
    if (!args.background.empty() != wants_background || !args.with.empty() != wants_with ||
        !args.points.empty() != wants_points) {
        *error = wants_background ? "needs --background FILE (and nothing else of its kind)"
                 : wants_with     ? "needs --with FILE (and nothing else of its kind)"
                 : wants_points   ? "needs --points X,Y ... (and nothing else of its kind)"
                                  : "--background, --with and --points are not for this operation";
        return false;
    }
    if (wants_background) {
        if (!LoadExtra(ctx, args.background, error)) return false;
        ctx.settings.background.image_slot = 1;
    }
    if (wants_with) {
        if (!LoadExtra(ctx, args.with, error)) return false;
        ctx.shell.selected_slot = 1;
    }
    if (wants_points) {
        const ImageRecord& rec = ctx.ws.at(0);
        if (args.points.size() < 2) {
            *error = "--points needs at least two places";
            return false;
        }
        if (args.points.size() > kMaxBackgroundPoints) {
            *error = "--points takes at most 100 places";
            return false;
        }
        for (const auto& [x, y] : args.points) {
            if (x < 0 || y < 0 || x >= rec.width || y >= rec.height) {
                *error = "point " + std::to_string(x) + "," + std::to_string(y) +
                         " is outside the picture";
                return false;
            }
        }
    }
    return true;
}

bool FinishBackgroundCli(AppContext& ctx, const std::string& op, const BackgroundCliArgs& args,
                         std::string* error) {
    if (op == "background" && ctx.view.sampling_mode == kSampleCentre) {
        ctx.view.sampling_mode = kSampleNone;
        *error = "the edge levels are all 0 (set them with --set back2=...)";
        return false;
    }
    if (op != "background-points") return true;
    // The clicks of the image window at 100 % with the picture's top-left corner at the
    // window's origin: window x is the column, window y the row from the top.
    ImageRecord& rec = ctx.ws.at(ctx.ws.current);
    rec.zoom = 100;
    rec.scroll_x = rec.scroll_y = 0;
    for (const auto& [x, y] : args.points) {
        if (ctx.view.sampling_mode < kSamplePoints) break;
        ImageLeftButtonDown(ctx, x, y);
    }
    if (ctx.view.sampling_mode >= kSamplePoints) ImageRightButtonDown(ctx, 0, 0);
    return true;
}

}  // namespace orva
