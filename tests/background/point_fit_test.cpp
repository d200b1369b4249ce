// The point fit: the fast search against the plain one, recovery of a known model, and the
// correction by clicked places through the image window.
#include "background/point_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>

#include "shell/commands.h"
#include "support/scripted_ui.h"
#include "support/threads.h"
#include "view/interaction.h"

namespace orva {
namespace {

using testing::Harness;
using testing::MakeImage;
using testing::Sample;

std::vector<FitPoint> RandomPoints(unsigned seed, int n, int w, int h) {
    std::mt19937 rng(seed);
    std::vector<FitPoint> pts;
    for (int i = 0; i < n; ++i) {
        FitPoint p;
        p.x = static_cast<int>(rng() % static_cast<unsigned>(w));
        p.y = static_cast<int>(rng() % static_cast<unsigned>(h));
        for (auto& v : p.v) v = static_cast<double>(1000 + rng() % 30000);
        pts.push_back(p);
    }
    return pts;
}

TEST(PointFit, EqualUGivesSlopeZero) {
    // Two places at the same spot: no pair counts, k = 0 and o is the mean.
    const std::vector<FitPoint> pts = {{5, 5, {100, 0, 0}}, {5, 5, {300, 0, 0}}};
    const RadialModel m = EvaluateModel(pts, 0, 3, 3, 0.5, 0.5, 1.0);
    EXPECT_EQ(std::tuple(m.k, m.o, m.error), std::tuple(0.0, 200.0, 2 * 100.0 * 100.0));
}

// A coarser grid of the same kind, so that the plain search stays quick; 13 tilts leave
// lanes of the vector groups unused.
FitGrid SmallGrid(int w, int h) {
    FitGrid g = MakeFitGrid(w, h);
    g.cx = {g.cx[1], g.cx[4], g.cx[5], g.cx[8]};
    g.cy = {g.cy[0], g.cy[5], g.cy[10]};
    g.a.resize(13);
    for (std::size_t i = 0; i < 13; ++i) g.a[i] = MakeFitGrid(w, h).a[i * 3];
    g.c = {g.c[0], g.c[9], g.c[20], g.c[31], g.c[39]};
    return g;
}

// The fast search must pick exactly the combination of the plain one, including on
// degenerate sets: repeated places and places symmetric about a grid centre.
TEST(PointFit, FastSearchChoosesWhatThePlainSearchChooses) {
    struct Case {
        unsigned seed;
        int n, w, h;
    };
    const Case cases[] = {{1, 2, 40, 30}, {3, 9, 23, 61}, {6, 3, 2000, 90}, {8, 100, 6000, 4000}};
    for (const Case& c : cases) {
        const auto pts = RandomPoints(c.seed, c.n, c.w, c.h);
        const FitGrid g = SmallGrid(c.w, c.h);
        const auto fast = FitRadialModels(pts, 3, g);
        for (int ch = 0; ch < 3; ++ch)
            EXPECT_EQ(fast[static_cast<std::size_t>(ch)], FitRadialModelPlain(pts, ch, g))
                << "seed " << c.seed << " channel " << ch;
    }
    // The full grid once.
    const auto pts = RandomPoints(2, 5, 40, 30);
    const FitGrid full = MakeFitGrid(40, 30);
    EXPECT_EQ(FitRadialModels(pts, 1, full)[0], FitRadialModelPlain(pts, 0, full));
    std::vector<FitPoint> odd = {{10, 15, {500, 500, 9}}, {30, 15, {500, 700, 9}},
                                 {10, 15, {520, 100, 9}}, {20, 5, {800, 300, 9}},
                                 {20, 25, {800, 300, 9}}, {20, 15, {1000, 50, 9}}};
    const FitGrid g = SmallGrid(40, 30);
    const auto fast = FitRadialModels(odd, 3, g);
    for (int ch = 0; ch < 3; ++ch)
        EXPECT_EQ(fast[static_cast<std::size_t>(ch)], FitRadialModelPlain(odd, ch, g)) << ch;
}

TEST(PointFit, RecoversAKnownModelAndIgnoresTheThreadCount) {
    // Values made by a model on the grid: that combination has no error left.
    const int w = 400, h = 300;
    const FitGrid g = MakeFitGrid(w, h);
    const double cx = g.cx[6], cy = g.cy[3], a = g.a[25], c = g.c[12], q = 1.2;
    std::vector<FitPoint> pts;
    std::mt19937 rng(9);
    for (int i = 0; i < 30; ++i) {
        FitPoint p;
        p.x = static_cast<int>(rng() % w);
        p.y = static_cast<int>(rng() % h);
        const double dx = p.x - cx, dy = p.y - cy;
        const double u = std::pow(dx * dx + dy * dy, q) + a * dx + c * dy;
        p.v = {20000 - 0.05 * u, 15000 - 0.02 * u, 9000 + 0.01 * u};
        pts.push_back(p);
    }
    const auto one =
        testing::ExpectSameForAnyThreadCount([&] { return FitRadialModels(pts, 3, g); });
    for (const RadialModel& m : one)
        EXPECT_EQ(std::tuple(m.cx, m.cy, m.a, m.c, m.q), std::tuple(cx, cy, a, c, q));
    EXPECT_NEAR(one[0].k, -0.05, 1e-9);
    EXPECT_NEAR(one[0].o, 20000, 1e-3);
}

TEST(PointFit, CorrectionFormulas) {
    Plane p;
    ASSERT_TRUE(p.Allocate(4));
    for (std::size_t i = 0; i < 4; ++i) p[i] = 1000;
    RadialModel m;  // b = 2 * (d^2 + 0) + 500 around (0, 0) with q = 1
    m.k = 2;
    m.o = 500;
    PointBackgroundCorrect(p.view(2, 2), m, 4, 30);
    EXPECT_EQ(std::tuple(p[0], p[3]), std::tuple(1000 - 500 + 7680, 1000 - (2 * 2 + 500) + 7680));
    m.k = -1000;  // the model goes below zero away from the centre: left alone there
    for (std::size_t i = 0; i < 4; ++i) p[i] = 1000;
    PointBackgroundCorrect(p.view(2, 2), m, 3, 0);
    EXPECT_EQ(std::tuple(p[0], p[3]), std::tuple(1000, 1000));
}

TEST(PointFit, CorrectionFollowsTheModelAtEveryPixel) {
    // Rows above and below the centre share their powers; every pixel still gets its own b.
    const int w = 9, h = 7;
    for (const double cy : {2.0, 2.5, 6.0}) {
        const RadialModel m{3, cy, 0.3, -0.7, 1.4, -40, 30000, 0};
        Plane p;
        ASSERT_TRUE(p.Allocate(w * h));
        for (std::size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint16_t>(20000 + 37 * i);
        PointBackgroundCorrect(p.view(w, h), m, 3, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const double dx = x - m.cx, dy = y - m.cy;
                const double b =
                    m.k * (std::pow(dx * dx + dy * dy, m.q) + m.a * dx + m.c * dy) + m.o;
                const double v = 20000 + 37 * (y * w + x);
                ASSERT_EQ(p.view(w, h).at(x, y), static_cast<uint16_t>(std::trunc(m.o * v / b)))
                    << cy << ": " << x << "," << y;
            }
    }
}

TEST(PointFit, WholePictureCorrectionEqualsEachPlaneWithItsOwnModel) {
    // Green follows another centre than red and blue, so the channels are fitted apart.
    const int w = 60, h = 40;
    Workspace ws;
    auto f = [](int ch, int x, int y) {
        const double cx = ch == 1 ? 20 : 36, dx = x - cx, dy = y - 20;
        return static_cast<uint16_t>(30000 - 6 * (dx * dx + dy * dy) + 500 * ch);
    };
    ImageRecord& rec = MakeImage(ws, 0, w, h, f);
    std::vector<FitPoint> pts;
    for (int i = 0; i < 10; ++i) {
        FitPoint p;
        p.x = (i * 17) % w;
        p.y = (i * 11) % h;
        for (int c = 0; c < 3; ++c) p.v[static_cast<std::size_t>(c)] = f(c, p.x, p.y);
        pts.push_back(p);
    }
    pts.push_back(FitPoint{w, 0, {1, 1, 1}});  // outside the picture: left out
    const std::vector<FitPoint> inside(pts.begin(), pts.end() - 1);
    const auto models = FitRadialModels(inside, 3, MakeFitGrid(w, h));
    ASSERT_NE(models[1].cx, models[0].cx);
    ImageRecord& expected = MakeImage(ws, 1, w, h, f);
    for (int c = 0; c < 3; ++c) {
        PointBackgroundCorrect(expected.plane(c).view(w, h), models[static_cast<std::size_t>(c)], 4,
                               30);
    }
    CorrectByPoints(rec, pts, 4, 30);
    for (int c = 0; c < 3; ++c)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(Sample(rec, c, x, y), Sample(expected, c, x, y)) << c << " " << x;
}

TEST(PointFit, ClickedPlacesFlattenARadialSky) {
    // A sky brightening towards (120, 80) in the model's own form: after clicking places and
    // ending with the right button, the picture is flat to within a few levels.
    Harness hs;
    AppContext& ctx = *hs.ctx;
    const int w = 240, h = 160;
    const FitGrid g = MakeFitGrid(w, h);
    auto sky = [&](int ch, int x, int y) {
        const double dx = x - g.cx[5], dy = y - g.cy[5];
        return static_cast<uint16_t>(30000 - 0.4 * (dx * dx + dy * dy) + 1000 * ch);
    };
    ImageRecord& rec = MakeImage(ctx.ws, 0, w, h, sky);
    ctx.ws.current = 0;
    ctx.settings.background.image_mode = 4;
    ctx.settings.background.image_shift = 30;
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdBackgroundPoints));
    EXPECT_EQ(ctx.view.sampling_mode, kSamplePoints);
    for (int i = 0; i < 12; ++i) {
        ImageLeftButtonDown(ctx, 10 + (i % 4) * 70, 10 + (i / 4) * 65);
    }
    EXPECT_EQ(ctx.view.sampling_mode, kSamplePoints + 12);
    ImageRightButtonDown(ctx, 0, 0);
    EXPECT_EQ(ctx.view.sampling_mode, kSampleNone);
    EXPECT_EQ(rec.undo_available, 1);
    int lo = 65535, hi = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            lo = std::min<int>(lo, Sample(rec, 1, x, y));
            hi = std::max<int>(hi, Sample(rec, 1, x, y));
        }
    EXPECT_NEAR(lo, 30 * 256, 300);
    EXPECT_LT(hi - lo, 600);
}

}  // namespace
}  // namespace orva
