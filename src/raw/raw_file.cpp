#include "raw/raw_file.h"

#include <algorithm>

#include "imageio/file_io.h"

namespace orva {

int RawDevelopmentMode(const RawSettings& raw) {
    const int algorithm = kRawFields.algorithm.Clamp(raw.algorithm);
    const int quality = kRawFields.quality.Clamp(raw.quality);
    return (quality + 1) * algorithm;
}

int DarkControl(const DarkSettings& dark) {
    return kRawFields.defect_handling.Clamp(dark.defect_handling) +
           256 * kRawFields.defect_level.Clamp(dark.defect_level);
}

DevelopParams RawDevelopParams(const RawSettings& raw) {
    const RawFields& f = kRawFields;
    DevelopParams p;
    for (std::size_t c = 0; c < 3; ++c) {
        p.black[c] = f.black.Clamp(raw.black[c]);
        p.white[c] = f.white.Clamp(raw.white[c]);
        const double g = raw.gamma[c];
        // A gamma outside the dialog's range (or not a number) from an edited file is held
        // within it.
        p.gamma[c] = g >= f.gamma.min && g <= f.gamma.max ? g
                     : g > f.gamma.max                    ? f.gamma.max
                                                          : f.gamma.min;
    }
    p.sharpness = f.sharpness.Clamp(raw.sharpness);
    p.radius = f.sharp_radius.Clamp(raw.sharp_radius);
    p.false_colour = f.false_colour.Clamp(raw.false_colour);
    p.saturation = f.saturation.Clamp(raw.saturation);
    p.hue = 2 * f.hue.Clamp(raw.hue) - 36;
    return p;
}

RawDecodeRequest MakeRawRequest(const RawSettings& raw, const DarkSettings& dark,
                                const DarkStore& store, uint64_t memory_budget) {
    RawDecodeRequest r;
    r.mode = RawDevelopmentMode(raw);
    r.develop = RawDevelopParams(raw);
    r.dark = store.has_raw() ? &store.raw_master : nullptr;
    r.dark_control = DarkControl(dark);
    r.memory_budget = memory_budget;
    return r;
}

IoResult DecodeRawFile(const std::string& path, const RawDecodeRequest& request,
                       DecodedImage& out) {
    MappedFile file;
    if (IoResult r = file.Open(path); !r.ok()) return r;
    return DecodeRawBytes(file.bytes(), request, out);
}

}  // namespace orva
