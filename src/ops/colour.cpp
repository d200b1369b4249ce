#include "ops/colour.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

#include "common/parallel.h"
#include "ops/op_settings.h"

namespace orva {

namespace {

uint16_t ToSample(int64_t v) {
    return static_cast<uint16_t>(std::clamp<int64_t>(v, 0, 65535));
}

// Runs fn(i) for every pixel index, rows spread over the parallel row helper.
template <class Fn>
void ForEachPixel(int width, int height, const Fn& fn) {
    if (width < 1 || height < 1) return;
    const std::size_t w = static_cast<std::size_t>(width);
    ForEachRowBand(height, [&](int y0, int y1) {
        const std::size_t end = static_cast<std::size_t>(y1) * w;
        for (std::size_t i = static_cast<std::size_t>(y0) * w; i < end; ++i) fn(i);
    });
}

// A record whose planes are shorter than its size says is left alone, never overrun.
bool HoldsPicture(const ImageRecord& rec) {
    const std::size_t n = rec.pixels();
    return n > 0 && rec.red.size() >= n && rec.green.size() >= n && rec.blue.size() >= n;
}

int WrapHue(int64_t h) {
    h %= kHueRange;
    return static_cast<int>(h < 0 ? h + kHueRange : h);
}

}  // namespace

Hsv RgbToHsv(int r, int g, int b) {
    r = std::clamp(r, 0, 65535) >> 1;
    g = std::clamp(g, 0, 65535) >> 1;
    b = std::clamp(b, 0, 65535) >> 1;
    const int hi = std::max({r, g, b});
    const int lo = std::min({r, g, b});
    Hsv out;
    out.v = 2 * hi;
    if (hi == lo) return out;
    // Halves keep every product within 32 bits: 32767 x 8192 for the hue, 32767 x 65535
    // (unsigned) for the saturation.
    const int d = hi - lo;
    int h;
    if (hi == r) {
        h = (g - b) * kHueSector / d;
        if (h < 0) h += kHueRange;
    } else if (hi == g) {
        h = 2 * kHueSector + (b - r) * kHueSector / d;
    } else {
        h = 4 * kHueSector + (r - g) * kHueSector / d;
    }
    out.h = h;
    out.s = static_cast<int>(static_cast<uint32_t>(d) * 65535u / static_cast<uint32_t>(hi));
    return out;
}

std::array<uint16_t, 3> HsvToRgb(int h, int s, int v) {
    h = WrapHue(h);
    const int64_t S = std::clamp(s, 0, 65535);
    const int64_t V = std::clamp(v, 0, 65535);
    const int sector = h / kHueSector;
    const int64_t f = h % kHueSector;
    // V x (65535 - ...) reaches 65535^2, past 32 bits.
    const auto p = static_cast<uint16_t>(V * (65535 - S) / 65535);
    const auto q = static_cast<uint16_t>(V * (65535 - f * S / kHueSector) / 65535);
    const auto t = static_cast<uint16_t>(V * (65535 - (kHueSector - f) * S / kHueSector) / 65535);
    const auto vv = static_cast<uint16_t>(V);
    switch (sector) {
        case 0: return {vv, t, p};
        case 1: return {q, vv, p};
        case 2: return {p, vv, t};
        case 3: return {p, q, vv};
        case 4: return {t, p, vv};
        default: return {vv, p, q};
    }
}

void GreyPlanes(uint16_t* const planes[3], int width, int height, bool single_plane,
                const GreyParams& params) {
    const int mode = params.mode;
    const int64_t wr = params.weight_r, wg = params.weight_g, wb = params.weight_b;
    const int64_t sum = std::max<int64_t>(wr + wg + wb, 1);
    uint16_t* const r = planes[0];
    uint16_t* const g = planes[single_plane ? 0 : 1];
    uint16_t* const b = planes[single_plane ? 0 : 2];
    uint16_t* const out_g = planes[1];
    uint16_t* const out_b = planes[2];
    ForEachPixel(width, height, [&](std::size_t i) {
        const int R = r[i], G = g[i], B = b[i];
        uint16_t v;
        if (mode == 0) {
            v = static_cast<uint16_t>(std::max({R, G, B}));
        } else if (mode == 1) {
            v = static_cast<uint16_t>(std::min({R, G, B}));
        } else {
            v = ToSample((((R >> 3) * wr + (G >> 3) * wg + (B >> 3) * wb) / sum) * 8);
        }
        r[i] = out_g[i] = out_b[i] = v;
    });
}

int AdjustedSaturation(int saturation_delta, int hue_delta) {
    const int s = saturation_delta;
    const int a = std::abs(hue_delta);
    if (a < 60) return s + a * 100 / 60;
    if (a < 120) return s - a * 100 / 60 + 200;
    return s + a * 100 / 60 - 200;
}

void SaturationHuePlanes(uint16_t* const planes[3], int width, int height,
                         const SaturationParams& params) {
    const int h = params.hue_delta;
    const int64_t s = AdjustedSaturation(params.saturation_delta, h);
    uint16_t* const pr = planes[0];
    uint16_t* const pg = planes[1];
    uint16_t* const pb = planes[2];
    ForEachPixel(width, height, [&](std::size_t i) {
        const int R = pr[i], G = pg[i], B = pb[i];
        int r = R, g = G, b = B;
        // The mixing is a rotation of the colour cube's diagonal in steps of 120 degrees:
        // at +-120 the channels are exactly permuted, in between they are blended.
        if (h >= 1 && h <= 119) {
            r = (h * B + (120 - h) * R) / 120;
            g = (h * R + (120 - h) * G) / 120;
            b = (h * G + (120 - h) * B) / 120;
        } else if (h >= 120) {
            r = ((240 - h) * B + (h - 120) * G) / 120;
            g = ((240 - h) * R + (h - 120) * B) / 120;
            b = ((240 - h) * G + (h - 120) * R) / 120;
        } else if (h <= -1 && h >= -119) {
            const int k = h + 120;
            r = (k * R - h * G) / 120;
            g = (k * G - h * B) / 120;
            b = (k * B - h * R) / 120;
        } else if (h <= -120) {
            const int k = h + 240, q = h + 120;
            r = (k * G - q * B) / 120;
            g = (k * B - q * R) / 120;
            b = (k * R - q * G) / 120;
        }
        const int64_t mean = (r + g + b) / 3;
        pr[i] = ToSample(r + (r - mean) * s / 100);
        pg[i] = ToSample(g + (g - mean) * s / 100);
        pb[i] = ToSample(b + (b - mean) * s / 100);
    });
}

void ColourChangeRgb(uint16_t* const planes[3], int width, int height, const RgbChange& change) {
    std::array<int, 3> src{}, target{};
    for (std::size_t c = 0; c < 3; ++c) {
        src[c] = kColourFields.level.Clamp(change.source[c]);
        target[c] = kColourFields.level.Clamp(change.target[c]) * 256;
    }
    const int tol = kColourFields.rgb_tolerance.Clamp(change.tolerance);
    ForEachPixel(width, height, [&](std::size_t i) {
        int sum = 0;
        for (std::size_t c = 0; c < 3; ++c) sum += std::abs((planes[c][i] >> 8) - src[c]);
        // The mean difference is whole levels: with no tolerance a pixel one level off in
        // two channels would still count as "exact", so an exact match is asked for then.
        if (tol == 0) {
            if (sum != 0) return;
            for (std::size_t c = 0; c < 3; ++c) planes[c][i] = static_cast<uint16_t>(target[c]);
            return;
        }
        const int d = sum / 3;
        if (d > tol) return;
        for (std::size_t c = 0; c < 3; ++c) {
            planes[c][i] = static_cast<uint16_t>((planes[c][i] * d + (tol - d) * target[c]) / tol);
        }
    });
}

void ColourChangeHsv(uint16_t* const planes[3], int width, int height, const HsvChange& change) {
    const auto& f = kColourFields;
    int hs = f.hue_degrees.Clamp(change.source[0]) * kHueSector / 60;
    int ht = f.hue_degrees.Clamp(change.target[0]) * kHueSector / 60;
    const int64_t ss = f.level.Clamp(change.source[1]) * 256;
    const int64_t vs = f.level.Clamp(change.source[2]) * 256;
    const int64_t st = f.level.Clamp(change.target[1]) * 256;
    const int64_t vt = f.level.Clamp(change.target[2]) * 256;
    const int tol = f.hsv_tolerance.Clamp(change.tolerance);
    // Take the shorter way round: 350 -> 10 degrees is +20, not -340.
    if (ht > hs + kHueRange / 2) ht -= kHueRange;
    if (hs > ht + kHueRange / 2) hs -= kHueRange;
    const int shift = ht - hs;
    ForEachPixel(width, height, [&](std::size_t i) {
        const Hsv p = RgbToHsv(planes[0][i], planes[1][i], planes[2][i]);
        // The source hue may sit below zero after the shift above; the distance is taken
        // round the circle so that it never comes out negative.
        const int diff = std::abs(p.h - hs) % kHueRange;
        int d = diff * 60 / 2048;  // quarter degrees
        if (d > 720) d = 1440 - d;
        if (d > tol) return;
        std::array<uint16_t, 3> rgb;
        if (tol > 0) {
            const int64_t s = ss > 256 ? (st / 2) * p.s / ss * 2 : st;
            const int64_t v = vs > 256 ? (vt / 2) * p.v / vs * 2 : vt;
            rgb = HsvToRgb(WrapHue(int64_t{p.h} + shift), ToSample(s), ToSample(v));
        } else {
            rgb = HsvToRgb(ht, static_cast<int>(st), static_cast<int>(vt));
        }
        for (std::size_t c = 0; c < 3; ++c) planes[c][i] = rgb[c];
    });
}

void GreyRecord(ImageRecord& rec, const GreyParams& params) {
    if (!HoldsPicture(rec)) return;
    uint16_t* const planes[3] = {rec.red.data(), rec.green.data(), rec.blue.data()};
    GreyPlanes(planes, rec.width, rec.height, rec.single_plane == 1, params);
}

void SaturationHueRecord(ImageRecord& rec, const SaturationParams& params) {
    if (rec.single_plane == 1 || !HoldsPicture(rec)) return;
    uint16_t* const planes[3] = {rec.red.data(), rec.green.data(), rec.blue.data()};
    SaturationHuePlanes(planes, rec.width, rec.height, params);
}

std::array<int, 3> HsvDialogUnits(int r, int g, int b) {
    const Hsv p = RgbToHsv(r, g, b);
    return {p.h * 60 / kHueSector, p.s / 256, p.v / 256};
}

}  // namespace orva
