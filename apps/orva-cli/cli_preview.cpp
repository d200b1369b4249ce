#include "cli_preview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "cli_args.h"
#include "cli_load.h"
#include "cli_ops.h"
#include "imageio/formats.h"
#include "shell/commands.h"
#include "view/render.h"
#include "view/stretch.h"

namespace orva {

namespace {

constexpr const char* kPreviewUsage =
    "usage: orva-cli preview IN OUT [--stretch auto|none] [--zoom PERCENT] [load options]\n"
    "      renders IN as the image window shows it at the zoom (1 to 1600, default 100),\n"
    "      with the display-only auto stretch when asked, and writes OUT by its ending\n";

int Usage(const std::string& problem) {
    return CliUsage(problem, kPreviewUsage);
}

}  // namespace

namespace {

// Renders `rec` as the image window shows it at `zoom` and writes `out` by its ending.
std::string WriteRendered(ImageRecord& rec, const std::string& in, const std::string& out,
                          bool stretch, int zoom) {
    rec.zoom = zoom;
    rec.scroll_x = rec.scroll_y = 0;
    // A window just large enough for the whole picture at this zoom.
    const long long wide = zoom >= 100 ? (static_cast<long long>(rec.width) * zoom + 99) / 100
                                       : static_cast<long long>(rec.width) * zoom / 100;
    const long long high = zoom >= 100 ? (static_cast<long long>(rec.height) * zoom + 99) / 100
                                       : static_cast<long long>(rec.height) * zoom / 100;
    if (wide < 1 || high < 1) return "the picture is too small for that zoom";
    if (wide > 30000 || high > 30000) return "the rendered picture would be too large";
    const int cw = static_cast<int>(wide), ch = static_cast<int>(high);
    std::vector<uint32_t> pixels(static_cast<std::size_t>(cw) * static_cast<std::size_t>(ch),
                                 0xffffffffu);
    Surface surface{pixels.data(), cw, ch, static_cast<std::size_t>(cw)};
    RenderScratch scratch;
    UpdateStretch(stretch, rec, scratch.stretch);
    if (!RenderImage(rec, cw, ch, scratch, [&](const Band& b) { CopyBandToSurface(b, surface); }))
        return in + ": nothing to render";

    // The screen levels into a picture of its own (rows from the bottom, as records keep them).
    DecodedImage img;
    if (!img.Allocate(cw, ch)) return "out of memory";
    for (int y = 0; y < ch; ++y) {
        const uint32_t* row = pixels.data() + static_cast<std::size_t>(ch - 1 - y) * cw;
        for (int x = 0; x < cw; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * cw + x;
            img.red[i] = static_cast<uint16_t>(((row[x] >> 16) & 0xff) * 257);
            img.green[i] = static_cast<uint16_t>(((row[x] >> 8) & 0xff) * 257);
            img.blue[i] = static_cast<uint16_t>((row[x] & 0xff) * 257);
        }
    }
    ImageRecord shot;
    StoreDecoded(shot, std::move(img), out);
    const IoResult r = WriteImageFile(out, DetectFormat(out), shot, WriteOptions{});
    if (!r.ok()) return out + ": cannot write: " + IoStatusName(r.status);
    return {};
}

// One plane binned k x k (the mean of the values that are numbers), then from its own minimum
// to its own maximum into 0..65535 as a floating-point FITS file reads; blank places 0.
void BinPlane(const LinearImage& img, int c, int k, int bw, int bh, Plane& dst) {
    const float* p = img.plane(c);
    std::vector<float> v(static_cast<std::size_t>(bw) * bh);
    float lo = std::numeric_limits<float>::infinity(), hi = -lo;
    for (int y = 0; y < bh; ++y)
        for (int x = 0; x < bw; ++x) {
            double sum = 0;
            int n = 0;
            for (int j = 0; j < k; ++j) {
                const float* row = p + static_cast<std::size_t>(y * k + j) * img.width + x * k;
                for (int i = 0; i < k; ++i)
                    if (std::isfinite(row[i])) sum += row[i], ++n;
            }
            const float m = n > 0 ? static_cast<float>(sum / n) : std::nanf("");
            v[static_cast<std::size_t>(y) * bw + x] = m;
            if (n > 0) lo = std::min(lo, m), hi = std::max(hi, m);
        }
    const float scale = hi > lo ? 65535.0f / (hi - lo) : 0.0f;
    for (std::size_t i = 0; i < v.size(); ++i)
        dst[i] = std::isfinite(v[i]) ? static_cast<uint16_t>(std::lround((v[i] - lo) * scale)) : 0;
}

}  // namespace

std::string WritePreview(const std::string& in, const std::string& out, bool stretch, int zoom,
                         const LoadOptions& load) {
    QuietUi ui;
    AppContext ctx(ui);
    if (std::string error; !ApplyLoadOptions(ctx, load, &error)) return error;
    if (!LoadIntoSlot(ctx, in, 0))
        return ui.messages.empty() ? in + ": cannot read" : ui.messages.back().text;
    return WriteRendered(ctx.ws.at(0), in, out, stretch, zoom);
}

std::string WriteStackPreview(const LinearImage& img, const std::string& out, int max_width) {
    const int k = std::max(1, (img.width + max_width - 1) / max_width);
    const int bw = std::max(1, img.width / k), bh = std::max(1, img.height / k);
    DecodedImage d;
    if (img.data.empty() || !d.Allocate(bw, bh)) return out + ": nothing to render";
    for (int c = 0; c < 3; ++c)
        BinPlane(img, img.planes == 1 ? 0 : c, k, bw, bh,
                 c == 0   ? d.red
                 : c == 1 ? d.green
                          : d.blue);
    ImageRecord rec;
    StoreDecoded(rec, std::move(d), out);
    rec.single_plane = img.planes == 1 ? 1 : 0;
    return WriteRendered(rec, out, out, true, 100);
}

int PreviewMain(int argc, char** argv) {
    std::vector<std::string> files;
    bool stretch = false;
    int zoom = 100;
    LoadOptions load;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        std::string error;
        if (const auto parsed = ParseLoadOption(argc, argv, i, load, &error)) {
            if (!*parsed) return Usage(error);
            continue;
        }
        if (a == "--stretch" || a == "--zoom") {
            if (i + 1 >= argc) return Usage(a + " needs a value");
            const std::string v = argv[++i];
            if (a == "--stretch") {
                if (v != "auto" && v != "none") return Usage("--stretch takes auto or none");
                stretch = v == "auto";
            } else {
                if (!ParseWhole(v, 1, 1600, zoom)) return Usage("--zoom needs 1 to 1600");
            }
        } else if (a == "--help" || a == "-h") {
            std::fputs(kPreviewUsage, stdout);
            return 0;
        } else if (LooksLikeOption(a)) {
            return Usage(UnknownOption(a));
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2) return Usage("preview needs IN and OUT");
    const int out_code = DetectFormat(files[1]);
    if (out_code == kFormatUnknown) return CliFail(files[1] + ": unknown output format");
    if (const std::string e = CheckOutputs(LoadInputs(load, {files[0]}), {files[1]}, true);
        !e.empty())
        return CliFail(e);

    if (const std::string e = WritePreview(files[0], files[1], stretch, zoom, load); !e.empty())
        return CliFail(e);
    return 0;
}

}  // namespace orva
