// Samples read as real numbers (FITS data, 32 and 64-bit TIFF samples) onto 0..65535.
//
// Every channel is stretched from its own minimum to its own maximum:
// stored = trunc((value - min) * 65535 / (max - min)), a flat channel giving 0. NaN and
// infinite values (blank pixels of floating-point images) take no part in the range and are
// stored as 0. The values are worked out in double precision so that 32-bit samples with a
// large scale neither overflow nor lose their order.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "common/parallel.h"

namespace orva {

// The stretch of one channel. Ranges too wide for the products to stay finite are worked
// out at a power-of-two scale, which changes no result.
struct Stretch {
    double k = 1.0, lo = 0.0, range = 1.0;

    static Stretch Of(double min, double max, bool any) {
        Stretch s;
        if (!any) return s;  // no finite value: every sample becomes 0
        if (!(max - min <= 1e300)) s.k = 0x1p-64;
        s.lo = min * s.k;
        s.range = max * s.k - s.lo;
        if (!(s.range > 0.0)) s.range = 1.0;
        return s;
    }

    uint16_t operator()(double v) const {
        if (!std::isfinite(v)) return 0;
        const double d = (v * k - lo) * 65535.0 / range;
        // Within 0..65535 by construction; the tests only guard rounding.
        if (!(d > 0.0)) return 0;
        if (d >= 65535.0) return 65535;
        return static_cast<uint16_t>(d);
    }
};

// The finite values' extremes of one channel.
struct ValueRange {
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();
    bool any = false;

    void Add(double v) {
        if (!std::isfinite(v)) return;
        min = std::min(min, v);
        max = std::max(max, v);
        any = true;
    }
    void Add(const ValueRange& r) {
        if (!r.any) return;
        min = std::min(min, r.min);
        max = std::max(max, r.max);
        any = true;
    }
};

// What happens to a picture whose finite values all lie within 0..1 (the usual scale of
// floating-point image files): kept to the per-channel stretch, or scaled as a whole,
// round(value * 65535), so that a 16-bit picture saved as value / 65535 reads back exactly
// and the channels keep their balance.
enum class UnitRange { Stretch, Scale };

// Stores `count` channels (1 to 3) of width x height values each into out[0..count):
// value(c, i) gives sample i of channel c, i counted from the first stored row. The values
// are worked out twice (range, then result), band by band on every core.
template <class Value>
void StretchChannels(int width, int height, int count, const Value& value,
                     const std::array<uint16_t*, 3>& out, UnitRange unit = UnitRange::Stretch) {
    const auto w = static_cast<std::size_t>(width);
    const int bands = RowBandCount(height);
    std::vector<std::array<ValueRange, 3>> partials(static_cast<std::size_t>(bands));
    auto band_samples = [&](int band, std::size_t& i0, std::size_t& i1) {
        i0 = static_cast<std::size_t>(BandStart(height, band, bands)) * w;
        i1 = static_cast<std::size_t>(BandStart(height, band + 1, bands)) * w;
    };
    RunBands(bands, [&](int band) {
        std::size_t i0, i1;
        band_samples(band, i0, i1);
        for (int c = 0; c < count; ++c) {
            ValueRange r;
            for (std::size_t i = i0; i < i1; ++i) r.Add(value(c, i));
            partials[static_cast<std::size_t>(band)][static_cast<std::size_t>(c)] = r;
        }
    });
    // Per channel, combined in band order.
    std::array<ValueRange, 3> ranges{};
    bool unit_values = unit == UnitRange::Scale;
    for (int c = 0; c < count; ++c) {
        auto& all = ranges[static_cast<std::size_t>(c)];
        for (const auto& band : partials) all.Add(band[static_cast<std::size_t>(c)]);
        if (all.any && (all.min < 0.0 || all.max > 1.0)) unit_values = false;
    }
    std::array<Stretch, 3> stretch{};
    for (int c = 0; c < count; ++c) {
        const ValueRange& r = ranges[static_cast<std::size_t>(c)];
        stretch[static_cast<std::size_t>(c)] = Stretch::Of(r.min, r.max, r.any);
    }
    RunBands(bands, [&](int band) {
        std::size_t i0, i1;
        band_samples(band, i0, i1);
        for (int c = 0; c < count; ++c) {
            uint16_t* o = out[static_cast<std::size_t>(c)];
            if (unit_values) {
                for (std::size_t i = i0; i < i1; ++i) {
                    const double v = value(c, i);
                    o[i] = std::isfinite(v) ? static_cast<uint16_t>(std::lround(v * 65535.0)) : 0;
                }
            } else {
                const Stretch s = stretch[static_cast<std::size_t>(c)];
                for (std::size_t i = i0; i < i1; ++i) o[i] = s(value(c, i));
            }
        }
    });
}

}  // namespace orva
