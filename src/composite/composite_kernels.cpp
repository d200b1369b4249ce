#include "composite/composite_kernels.h"

#include <vector>

#include "composite/align.h"
#include "composite/canvas_combine.h"
#include "composite/point_align.h"

namespace orva {

namespace {

const ImageRecord* UsableSlot(const Workspace& ws, int slot) {
    if (!Workspace::Valid(slot)) return nullptr;
    const ImageRecord& r = ws.at(slot);
    return UsableSource(r) ? &r : nullptr;
}

// Code 3: the pictures with a weight of 1 or more are aligned by comparison and combined.
bool CompositeAuto(ImageRecord& rec, const CompositeParams& p, const Workspace& ws) {
    std::vector<StackSource> sources;
    for (const StackImage& image : p.images) {
        const ImageRecord* r = UsableSlot(ws, image.slot);
        if (r == nullptr || image.slot < 0 || image.weight < 1) continue;
        sources.push_back(SourceOf(*r, image.weight));
    }
    if (sources.size() < 2) return true;

    const auto offsets = AlignSources(sources, p.compare.compare_method, p.range_x, p.range_y,
                                      p.compare.shift_one_pixel);
    for (std::size_t i = 0; i < sources.size(); ++i) {
        sources[i].x = offsets[i].dx;
        sources[i].y = offsets[i].dy;
    }
    int width = 0, height = 0;
    PlaceOnCanvas(sources, width, height);
    AddExtraShift(sources, p.shift_x, p.shift_y);
    return CombineSources(p.method, sources, width, height, p.noise, p.compare.normalise, rec);
}

// Code 8: the pictures with a weight of 1 or more are aligned by their points and combined.
bool CompositePoints(ImageRecord& rec, const PointCompositeParams& p, const Workspace& ws) {
    std::vector<PointImage> images;
    for (const StackImage& image : p.images) {
        const ImageRecord* r = UsableSlot(ws, image.slot);
        if (r == nullptr || image.weight < 1) continue;
        images.push_back({r, image.weight, image.a, image.b});
    }
    if (images.size() < 2) return true;
    std::vector<ImageRecord> copies;
    std::vector<StackSource> sources;
    if (!AlignByPoints(images, copies, sources)) return false;
    int width = 0, height = 0;
    PlaceOnCanvas(sources, width, height);
    AddExtraShift(sources, p.shift_x, p.shift_y);
    return CombineSources(p.method, sources, width, height, p.noise, p.normalise, rec);
}

// Code 9: every picture used must be there; without luminance the red source is the
// reference.
bool CompositeLrgb(ImageRecord& rec, const LrgbParams& p, const Workspace& ws) {
    const bool with_luminance = p.with_luminance();
    std::vector<PointImage> images;
    for (std::size_t k = with_luminance ? 0 : 1; k < 4; ++k) {
        const ImageRecord* r = UsableSlot(ws, p.images[k].slot);
        if (r == nullptr) return true;
        images.push_back({r, p.images[k].weight, p.images[k].a, p.images[k].b});
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
