// DNG fixtures written by our own code for the decoder tests.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "raw/dng_write.h"

namespace orva::testing {

// Colour 0 red, 1 green, 2 blue of each 2x2 cell (top-left, top-right, bottom-left,
// bottom-right).
inline constexpr std::array<uint8_t, 4> kRggb = {0, 1, 1, 2}, kBggr = {2, 1, 1, 0},
                                        kGrbg = {1, 0, 2, 1}, kGbrg = {1, 2, 0, 1};

// A mosaic whose photosite (x, y) (from the top) holds scene(colour, x, y).
inline DngMosaic MakeMosaic(int w, int h, std::array<uint8_t, 4> pattern,
                            const std::function<uint16_t(int, int, int)>& scene) {
    DngMosaic m;
    m.width = w;
    m.height = h;
    m.pattern = pattern;
    m.samples.resize(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int colour = pattern[static_cast<std::size_t>((y % 2) * 2 + (x % 2))];
            m.samples[static_cast<std::size_t>(y) * w + x] = scene(colour, x, y);
        }
    return m;
}

inline std::string WriteFixture(const std::string& path, const DngMosaic& m) {
    const IoResult r = WriteDng(path, m);
    EXPECT_TRUE(r.ok()) << r.detail;
    return path;
}

// The file with the single-valued SHORT or LONG entry `tag` of its first directory set to v
// (a little-endian TIFF such as WriteFixture writes).
inline std::vector<uint8_t> WithTag(std::vector<uint8_t> f, uint16_t tag, uint32_t v) {
    const auto u16 = [&](std::size_t at) { return static_cast<unsigned>(f[at] | f[at + 1] << 8); };
    const std::size_t ifd = f[4] | f[5] << 8 | f[6] << 16 | std::size_t{f[7]} << 24;
    for (unsigned e = 0; e < u16(ifd); ++e) {
        const std::size_t at = ifd + 2 + 12 * std::size_t{e};
        if (u16(at) != tag) continue;
        for (int i = 0; i < (u16(at + 2) == 3 ? 2 : 4); ++i)
            f[at + 8 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
        return f;
    }
    ADD_FAILURE() << "no tag " << tag;
    return f;
}

}  // namespace orva::testing
