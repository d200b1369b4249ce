#include "composite/composite_params.h"

namespace orva {

namespace {

// The settings' comparison and noise choices, as their words would carry them.
CompareFlags CompareOf(int shift_one_pixel, int compare_method, int normalise) {
    return CompareFlagsOf(CompareFlagsWord(shift_one_pixel, compare_method, normalise));
}

NoiseOptions NoiseOf(int noise_mode, int noise_level) {
    return NoiseFromWord(NoiseWord(noise_mode, noise_level));
}

}  // namespace

CompositeParams AutoCompositeParams(const CompositeSettings& co) {
    CompositeParams p;
    p.range_x = p.range_y = co.compare_range;
    p.method = co.method;
    p.compare = CompareOf(co.shift_one_pixel, co.compare_method, co.normalise);
    p.noise = NoiseOf(co.noise_mode, co.noise_level);
    p.shift_x = co.extra_shift_x;
    p.shift_y = co.extra_shift_y;
    return p;
}

PointCompositeParams PointCompositeParamsOf(const CompositeSettings& co) {
    PointCompositeParams p;
    p.method = co.method;
    p.noise = NoiseOf(co.noise_mode, co.noise_level);
    p.normalise = PointNormaliseOf(PointNormaliseWord(co.normalise));
    p.shift_x = co.extra_shift_x;
    p.shift_y = co.extra_shift_y;
    return p;
}

CompositeParams MultiFileParams(const MultiFileCompositeSettings& m,
                                const std::vector<int>& slots) {
    CompositeParams p;
    p.range_x = p.range_y = m.compare_range;
    p.method = m.method;
    p.compare = CompareOf(m.shift_one_pixel, m.compare_method, m.normalise);
    p.noise = NoiseOf(m.noise_mode, m.noise_level);
    for (std::size_t i = 0; i < p.images.size() && i < slots.size(); ++i)
        p.images[i] = StackImage{slots[i], 100};
    return p;
}

}  // namespace orva
