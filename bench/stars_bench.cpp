// Registration by stars: detection on a 4000 x 3000 linear frame with some 2000 stars on a
// sloping, noisy sky (on one and on two threads), and matching two lists of 200 stars that
// differ by a rotation of 37 degrees and a shift.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "common/parallel.h"
#include "stack/stars.h"

namespace orva {
namespace {

constexpr int kW = 4000, kH = 3000;

const std::vector<float>& Frame() {
    static const std::vector<float> frame = [] {
        std::vector<float> f(std::size_t(kW) * kH);
        std::mt19937 rng(1);
        std::normal_distribution<float> noise(0, 12);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                f[std::size_t(y) * kW + std::size_t(x)] =
                    static_cast<float>(800 + 0.05 * x + 0.03 * y) + noise(rng);
        std::uniform_real_distribution<double> ux(0, kW), uy(0, kH), us(1.0, 2.2);
        std::uniform_real_distribution<double> lf(std::log(500.0), std::log(500000.0));
        for (int s = 0; s < 2000; ++s) {
            const double cx = ux(rng), cy = uy(rng), sd = us(rng), flux = std::exp(lf(rng));
            const double peak = flux / (2 * std::numbers::pi * sd * sd);
            const int r = static_cast<int>(5 * sd) + 1;
            for (int y = std::max(0, int(cy) - r); y <= std::min(kH - 1, int(cy) + r); ++y)
                for (int x = std::max(0, int(cx) - r); x <= std::min(kW - 1, int(cx) + r); ++x)
                    f[std::size_t(y) * kW + std::size_t(x)] += static_cast<float>(
                        peak *
                        std::exp(-((x - cx) * (x - cx) + (y - cy) * (y - cy)) / (2 * sd * sd)));
        }
        return f;
    }();
    return frame;
}

void BM_DetectStars(benchmark::State& state) {
    SetThreadCount(static_cast<int>(state.range(0)));
    const auto& f = Frame();
    for (auto _ : state) benchmark::DoNotOptimize(DetectStars(f.data(), kW, kH));
    SetThreadCount(0);
}
BENCHMARK(BM_DetectStars)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MatchStars200(benchmark::State& state) {
    const std::vector<Star> ref = DetectStars(Frame().data(), kW, kH, 200);
    const double r = 37 * std::numbers::pi / 180;
    const Similarity t{std::cos(r), std::sin(r), 150, -420};
    std::vector<Star> moving;
    for (const Star& s : ref) {
        Star m = s;
        t.Map(s.x, s.y, m.x, m.y);
        moving.push_back(m);
    }
    StarMatch out;
    for (auto _ : state) benchmark::DoNotOptimize(MatchStars(ref, moving, out, nullptr));
    if (out.matched < 150) state.SkipWithError("the lists did not match");
}
BENCHMARK(BM_MatchStars200)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace orva
