#include "background/background_kernels.h"

#include <cstring>

#include "background/correction.h"
#include "background/generator.h"

namespace orva {

namespace {

int Channels(const ImageRecord& rec) {
    return rec.single_plane == 1 ? 1 : 3;
}

// The radial background of each channel, made from its centre and edge levels (0..255 units)
// and divided or subtracted.
bool RadialMode(ImageRecord& rec, const BackgroundParams& p) {
    for (int ch = 0; ch < Channels(rec); ++ch) {
        const auto c = static_cast<std::size_t>(ch);
        const int diff = (p.centre[c] - p.edge[c]) * 256;
        Plane background;
        if (!RadialBackground(background, rec.width, rec.height, diff, p.curve)) return false;
        RadialCorrect(rec.plane(ch).view(rec.width, rec.height), background.data(), p.mode, diff,
                      p.centre[c]);
    }
    return true;
}

// The picture of the chosen slot is the background.
bool ImageMode(ImageRecord& rec, const BackgroundParams& p, const Workspace& ws) {
    if (!Workspace::Valid(p.slot) || !ws.at(p.slot).occupied()) return true;
    const ImageRecord& bg = ws.at(p.slot);
    for (int ch = 0; ch < Channels(rec); ++ch) {
        const Plane& b = bg.single_plane == 1 ? bg.red : bg.plane(ch);
        if (b.size() < bg.pixels()) return true;
        ImageBackgroundCorrect(rec.plane(ch).view(rec.width, rec.height),
                               b.view(bg.width, bg.height), p.mode,
                               p.shift[static_cast<std::size_t>(ch)]);
    }
    return true;
}

bool Background(ImageRecord& rec, const BackgroundParams& p, const Workspace& ws) {
    switch (p.mode) {
        case 0:
        case 1: return RadialMode(rec, p);
        case 3:
        case 4:
        case 5: return ImageMode(rec, p, ws);
        default: return true;
    }
}

bool MakeBackground(const ImageRecord& src, ImageRecord& rec, const MakeBackgroundParams& p) {
    const bool single = src.single_plane == 1 || rec.single_plane == 1;
    GeneratorParams params;
    params.detect_area = p.detect_area;
    params.average_area = p.average_area;
    params.threshold = p.exclude_zero - 1;
    const std::size_t n = src.pixels();
    Plane out[3];
    for (int ch = 0; ch < (single ? 1 : 3); ++ch) {
        if (src.plane(ch).size() < n) return true;
        if (!GenerateBackground(src.plane(ch).view(src.width, src.height), params, out[ch]))
            return false;
    }
    if (single) {
        for (int ch = 1; ch < 3; ++ch) {
            if (!out[ch].Allocate(n)) return false;
            std::memcpy(out[ch].data(), out[0].data(), n * sizeof(uint16_t));
        }
    }
    const int width = src.width, height = src.height;
    for (int ch = 0; ch < 3; ++ch) rec.plane(ch) = std::move(out[ch]);
    rec.width = width;
    rec.height = height;
    rec.single_plane = single ? 1 : 0;
    return true;
}

}  // namespace

void AddBackgroundKernels(OpKernels& kernels) {
    kernels.background = Background;
    kernels.make_background = MakeBackground;
}

}  // namespace orva
