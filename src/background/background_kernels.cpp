#include "background/background_kernels.h"

#include <algorithm>
#include <cstring>

#include "background/background_settings.h"
#include "background/correction.h"
#include "background/generator.h"

namespace orva {

namespace {

int Channels(const ImageRecord& rec) {
    return rec.single_plane == 1 ? 1 : 3;
}

// Modes 0 and 1: the radial background. Words P2/P3, P4/P5, P6/P7 are the centre and edge
// levels of red, green and blue (0..255 units, already adjusted for subtract), P8 the curve.
bool RadialMode(ImageRecord& rec, ParamBlock& block) {
    ClampWord(block, kBackgroundFields.pseudo_curve);
    const int mode = block[0];
    const int curve = block[kBackgroundFields.pseudo_curve.word];
    for (int ch = 0; ch < Channels(rec); ++ch) {
        int centre = std::clamp(block[2 + 2 * ch], -1024, 1024);
        int edge = std::clamp(block[3 + 2 * ch], -1024, 1024);
        if (mode == 0) {
            // Dividing by a background that falls below the edge level would blow the picture
            // up or divide by zero; the multiply correction keeps the centre above the edge,
            // as the dialog does.
            edge = std::clamp(edge, 0, 255);
            centre = std::max(std::clamp(centre, 0, 255), edge + 1);
        }
        const int diff = (centre - edge) * 256;
        Plane background;
        if (!RadialBackground(background, rec.width, rec.height, diff, curve)) return false;
        RadialCorrect(rec.plane(ch).view(rec.width, rec.height), background.data(), mode, diff,
                      centre);
    }
    return true;
}

// Modes 3 to 5: the picture of slot P8 is the background; P2, P4, P6 the shifts.
bool ImageMode(ImageRecord& rec, ParamBlock& block, Workspace& ws) {
    const int slot = block[kBackgroundFields.image_slot.word];
    if (!Workspace::Valid(slot) || !ws.at(slot).occupied()) return true;
    const ImageRecord& bg = ws.at(slot);
    for (int ch = 0; ch < Channels(rec); ++ch) {
        const Plane& b = bg.single_plane == 1 ? bg.red : bg.plane(ch);
        if (b.size() < bg.pixels()) return true;
        ImageBackgroundCorrect(rec.plane(ch).view(rec.width, rec.height),
                               b.view(bg.width, bg.height), block[0], block[2 + 2 * ch]);
    }
    return true;
}

bool Background(ImageRecord& rec, ParamBlock& block, Workspace& ws) {
    for (int ch = 0; ch < Channels(rec); ++ch)
        if (rec.plane(ch).size() < rec.pixels()) return true;
    switch (block[0]) {
        case 0:
        case 1: return RadialMode(rec, block);
        case 3:
        case 4:
        case 5: return ImageMode(rec, block, ws);
        default: return true;
    }
}

bool MakeBackground(ImageRecord& rec, ParamBlock& block, Workspace& ws) {
    const auto& f = kBackgroundFields;
    ClampWord(block, f.detect_area);
    ClampWord(block, f.average_area);
    ClampWord(block, f.exclude_zero);
    const ImageRecord& src = ws.at(block[0]);
    const bool single = src.single_plane == 1 || rec.single_plane == 1;
    GeneratorParams params;
    params.detect_area = block[f.detect_area.word];
    params.average_area = block[f.average_area.word];
    params.threshold = block[f.exclude_zero.word] - 1;
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
