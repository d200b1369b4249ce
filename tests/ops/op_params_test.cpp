#include "ops/op_params.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

namespace orva {
namespace {

auto Tie(const SharpenParams& p) {
    return std::tuple(p.radius, p.smooth_range, p.smooth_strength, p.emphasis, p.blunting);
}
auto Tie(const EdgeParams& p) {
    return std::tuple(p.range, p.emphasis, p.threshold, p.smooth_strength);
}
auto Tie(const RestoreParams& p) {
    return std::tuple(p.spread, p.blunting, p.iterations, p.emphasis);
}
auto Tie(const ResizeParams& p) {
    return std::tuple(p.target_width, p.source_width, p.target_height, p.source_height, p.method);
}
auto Tie(const GreyParams& p) {
    return std::tuple(p.mode, p.weight_r, p.weight_g, p.weight_b);
}

// Settings within their fields reach the kernel as they are; a settings file is loaded
// without range checks, so values outside them reach it clamped into the declared ranges.
TEST(OpParams, SettingsReachTheKernelClampedOnce) {
    ParamBlock b;
    PutSharpenWords(SharpenSettings{3, 25, 1280, 7, 22, {0, 1, 1}}, b);
    EXPECT_EQ(Tie(TakeSharpenWords(b)), std::tuple(3, 1280, 7, 22, 25));
    EXPECT_EQ(b[5], kMaskGreen | kMaskBlue);
    PutSharpenWords(SharpenSettings{0, 90, 70000, -1, 51, {1, 0, 0}}, b);
    EXPECT_EQ(Tie(TakeSharpenWords(b)), std::tuple(1, 65535, 0, 50, 50));

    PutEdgeWords(EdgeSettings{5120, 11, 12, 60, 2, {1, 0, 0}}, b);
    EXPECT_EQ(Tie(TakeEdgeWords(b)), std::tuple(5120, 12, 60, 11));
    PutEdgeWords(EdgeSettings{-3, 99, 51, 101, 9, {0, 0, 0}}, b);
    EXPECT_EQ(Tie(TakeEdgeWords(b)), std::tuple(0, 50, 100, 50));
    EXPECT_EQ(std::pair(b[0], b[5]), std::pair(9, 0));  // the area travels as it is

    PutRestoreWords(RestoreSettings{15, 30, 5, 2}, b);
    EXPECT_EQ(Tie(RestoreParamsOf(b)), std::tuple(15, 30, 5, 2));
    PutRestoreWords(RestoreSettings{0, 5, 0, -1}, b);
    EXPECT_EQ(Tie(RestoreParamsOf(b)), std::tuple(1, 10, 1, 0));
    PutRestoreWords(RestoreSettings{500, 90, 9, 9}, b);
    EXPECT_EQ(Tie(RestoreParamsOf(b)), std::tuple(100, 50, 5, 3));

    PutGreyWords(GreySettings{3, 1, 2, 3}, b);
    EXPECT_EQ(Tie(GreyParamsOf(b)), std::tuple(3, 1, 2, 3));
    PutGreyWords(GreySettings{9, -5, 70000, 0}, b);
    EXPECT_EQ(Tie(GreyParamsOf(b)), std::tuple(3, 0, 65535, 0));

    // Wavelet gains travel in tenths as they are; the filter order is held to its tables.
    WaveletSettings w;
    w.gains = {0, 5, 10, 15, 500, 900};
    w.filter_order = 11;
    b[6] = 20;  // a gain word the settings do not fill keeps what was there
    PutWaveletWords(w, b);
    const WaveletParams wp = WaveletParamsOf(b);
    EXPECT_EQ(wp.gains, (WaveletGains{0, 0.5, 1, 1.5, 50, 90, 2, 0}));
    EXPECT_EQ(wp.filter_order, 10);

    // Saturation and hue travel as changes from 100 and 180, held to -100..100, -180..180.
    ColourSettings c;
    c.saturation = 150;
    c.hue = 60;
    PutSaturationWords(c, b);
    auto sp = TakeSaturationWords(b);
    EXPECT_EQ(std::pair(sp.saturation_delta, sp.hue_delta), std::pair(50, -120));
    c.saturation = INT32_MIN;
    c.hue = 900;
    PutSaturationWords(c, b);
    sp = TakeSaturationWords(b);
    EXPECT_EQ(std::pair(sp.saturation_delta, sp.hue_delta), std::pair(-100, 180));
    EXPECT_EQ(std::pair(b[0], b[1]), std::pair(-100, 180));  // what the operation ran with

    // Resize lengths are held at 1 or more (no upper bound: a crop may be larger); filter
    // words other than nearest (0) and Lanczos (2) are bilinear.
    PutResizeWords(ResizeParams{300, 200, 150, 100, ResizeMethod::Lanczos}, b);
    EXPECT_EQ(Tie(TakeResizeWords(b)), std::tuple(300, 200, 150, 100, ResizeMethod::Lanczos));
    PutResizeWords(ResizeParams{0, -5, 20000, 1, ResizeMethod::Nearest}, b);
    b[4] = 7;
    EXPECT_EQ(Tie(TakeResizeWords(b)), std::tuple(1, 1, 20000, 1, ResizeMethod::Bilinear));
    EXPECT_EQ(std::pair(b[0], b[1]), std::pair(1, 1));

    // Rotation: quarter-turn modes stand for their angles, mirrors for theirs; the angle
    // reaches the kernel (and stays in P0) in thousandths, held within +-360 degrees.
    struct RotateRow {
        RotateSettings s;
        int mirror, thousandths;
    };
    for (const RotateRow& r :
         {RotateRow{{0, 500}, 0, 90000}, RotateRow{{1, 500}, 0, -90000},
          RotateRow{{2, 500}, 0, 180000}, RotateRow{{3, 3300}, 0, 33000},
          RotateRow{{4, 500}, 1, 5000}, RotateRow{{5, 500}, 2, 5000}, RotateRow{{9, 500}, 2, 5000},
          RotateRow{{-2, 7}, 0, 90000}, RotateRow{{3, 300000000}, 0, 360000},
          RotateRow{{3, INT32_MIN}, 0, -360000}}) {
        PutRotateWords(r.s, b);
        const RotateParams p = TakeRotateWords(b);
        EXPECT_EQ(std::tuple(p.mirror, p.thousandths, b[0]),
                  std::tuple(r.mirror, r.thousandths, r.thousandths))
            << r.s.mode << " " << r.s.angle;
    }

    // Gamma points are packed as input x 1000 + output within 0..255; words from elsewhere
    // are unpacked into the same range, and a mode past 1 is the smooth curve.
    GammaSettings g;
    g.channel_set = 2;
    g.points[3] = {-9, 300, 100, 50, 255, 255};
    PutGammaWords(g, b);
    EXPECT_EQ(std::tuple(b[6], b[7], b[9]), std::tuple(255, 100050, 1));
    EXPECT_TRUE(GammaParamsOf(b).per_channel);
    b[0] = -5;
    b[2] = 999999;  // input 999, output 999: (255, 255)
    b[10] = 7;
    const ToneCurve k = GammaParamsOf(b).curves[0];
    // -5 unpacks to (0, 0); the fit then moves the first input to 1.
    EXPECT_EQ(std::tuple(k.x[0], k.y[0], k.x[2], k.y[2]), std::tuple(1, 0, 65280, 65280));
    EXPECT_EQ(EvaluateToneCurve(k, 65535), 65535);  // smooth: the last segment keeps rising

    PutDistortionWords(DistortionSettings{-250}, b);
    EXPECT_EQ(DistortionParamsOf(b).amount, -250);
    PutDistortionWords(DistortionSettings{2000000000}, b);
    EXPECT_EQ(DistortionParamsOf(b).amount, 10000);
}

}  // namespace
}  // namespace orva
