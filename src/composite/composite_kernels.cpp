#include "composite/composite_kernels.h"

#include <algorithm>
#include <vector>

#include "composite/align.h"
#include "composite/canvas_combine.h"
#include "composite/composite_settings.h"
#include "composite/point_align.h"

namespace orva {

namespace {

const ImageRecord* UsableSlot(const Workspace& ws, int slot) {
    if (!Workspace::Valid(slot)) return nullptr;
    const ImageRecord& r = ws.at(slot);
    return UsableSource(r) ? &r : nullptr;
}

// Code 3. P0/P1 ranges, P2 method, P3 packed flags, P4..P7 slots, P8..P11 weights, P15 noise,
// P16/P17 extra shift.
bool CompositeAuto(ImageRecord& rec, ParamBlock& block, Workspace& ws) {
    const auto& f = kCompositeFields;
    block[0] = f.compare_range.Clamp(block[0]);
    block[1] = f.compare_range.Clamp(block[1]);
    block[2] = f.method.Clamp(block[2]);
    const CompareFlags flags = CompareFlagsOf(block[3]);

    std::vector<StackSource> sources;
    for (int i = 0; i < 4; ++i) {
        const int weight = f.weight.Clamp(block[8 + i]);
        const ImageRecord* r = UsableSlot(ws, block[4 + i]);
        if (r == nullptr || block[4 + i] < 0 || weight < 1) continue;
        sources.push_back(SourceOf(*r, weight));
    }
    if (sources.size() < 2) return true;

    const auto offsets =
        AlignSources(sources, flags.compare_method, block[0], block[1], flags.shift_one_pixel);
    for (std::size_t i = 0; i < sources.size(); ++i) {
        sources[i].x = offsets[i].dx;
        sources[i].y = offsets[i].dy;
    }
    int width = 0, height = 0;
    PlaceOnCanvas(sources, width, height);
    AddExtraShift(sources, block[16], block[17]);
    // Shifted pictures no longer lie on each other, so outliers cannot be judged.
    const int noise_word = block[16] != 0 || block[17] != 0 ? -1 : block[15];
    return CombineSources(block[2], sources, width, height, NoiseFromWord(noise_word),
                          flags.normalise, rec);
}

// Code 8. P0 method, P2 noise, P3 3 x normalisation, image k in P(4+4k)..P(7+4k): slot,
// weight, A, B; P20/P21 extra shift.
bool CompositePoints(ImageRecord& rec, ParamBlock& block, Workspace& ws) {
    const auto& f = kCompositeFields;
    block[0] = f.method.Clamp(block[0]);
    std::vector<PointImage> images;
    for (int k = 0; k < 4; ++k) {
        const int weight = f.weight.Clamp(block[5 + 4 * k]);
        const ImageRecord* r = UsableSlot(ws, block[4 + 4 * k]);
        if (r == nullptr || weight < 1) continue;
        images.push_back({r, weight, block[6 + 4 * k], block[7 + 4 * k]});
    }
    if (images.size() < 2) return true;
    std::vector<ImageRecord> copies;
    std::vector<StackSource> sources;
    if (!AlignByPoints(images, copies, sources)) return false;
    int width = 0, height = 0;
    PlaceOnCanvas(sources, width, height);
    AddExtraShift(sources, block[20], block[21]);
    const int noise_word = block[20] != 0 || block[21] != 0 ? -1 : block[2];
    return CombineSources(block[0], sources, width, height, NoiseFromWord(noise_word),
                          PointNormaliseOf(block[3]), rec);
}

// Code 9. P0..P3 luminance slot, weight, A, B; P4..P7 red source, P8..P11 green, P12..P15
// blue. With a luminance weight below 1 the red source is the reference.
bool CompositeLrgb(ImageRecord& rec, ParamBlock& block, Workspace& ws) {
    const auto& f = kCompositeFields;
    const bool with_luminance = block[1] >= 1;
    std::vector<PointImage> images;
    for (int k = with_luminance ? 0 : 1; k < 4; ++k) {
        const ImageRecord* r = UsableSlot(ws, block[4 * k]);
        if (r == nullptr) return true;
        images.push_back({r, f.weight.Clamp(block[4 * k + 1]), block[4 * k + 2], block[4 * k + 3]});
    }
    std::vector<ImageRecord> copies;
    std::vector<StackSource> sources;
    if (!AlignByPoints(images, copies, sources)) return false;
    int width = 0, height = 0;
    PlaceOnCanvas(sources, width, height);
    return CombineLrgb(sources, with_luminance, width, height, rec);
}

}  // namespace

void AddCompositeKernels(OpKernels& kernels) {
    kernels.composite = CompositeAuto;
    kernels.composite_points = CompositePoints;
    kernels.composite_lrgb = CompositeLrgb;
}

}  // namespace orva
