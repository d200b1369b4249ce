// Background flattening on a 6000 x 4000 16-bit RGB picture: the point correction with 100
// clicked places (fit and correction), its screening search alone, and the radial and
// generated backgrounds.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "background/generator.h"
#include "background/point_fit.h"
#include "bench_support.h"
#include "ops/dispatcher.h"
#include "shell/app_kernels.h"

namespace orva {
namespace {

using namespace bench;

// A sky that brightens towards (3500, 1800) with noise, and 100 places spread over it.
ImageRecord& Sky() {
    static ImageRecord rec = [] {
        ImageRecord r = MakeGradient(kWidth, kHeight, 5, 1023);
        for (int c = 0; c < 3; ++c) {
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const double d = (x - 3500.0) * (x - 3500.0) + (y - 1800.0) * (y - 1800.0);
                    r.plane(c)[std::size_t(y) * kWidth + x] =
                        static_cast<uint16_t>(20000 - d / 3000 + (x % 7) * 100 + c * 1000);
                }
        }
        return r;
    }();
    return rec;
}

std::vector<FitPoint> Points(const ImageRecord& rec) {
    std::mt19937 rng(3);
    std::vector<FitPoint> pts;
    for (int i = 0; i < 100; ++i) {
        FitPoint p;
        p.x = static_cast<int>(rng() % kWidth);
        p.y = static_cast<int>(rng() % kHeight);
        const std::size_t at = std::size_t(p.y) * kWidth + p.x;
        for (int c = 0; c < 3; ++c) p.v[std::size_t(c)] = rec.plane(c)[at];
        pts.push_back(p);
    }
    return pts;
}

void BM_PointCorrection100(benchmark::State& state) {
    ImageRecord rec;
    const auto pts = Points(Sky());
    for (auto _ : state) {
        state.PauseTiming();
        CopyPicture(rec, Sky());
        state.ResumeTiming();
        CorrectByPoints(rec, pts, 3, 30);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PointCorrection100)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PointFitOnly100(benchmark::State& state) {
    const auto pts = Points(Sky());
    const FitGrid grid = MakeFitGrid(kWidth, kHeight);
    for (auto _ : state) benchmark::DoNotOptimize(FitRadialModels(pts, 3, grid));
}
BENCHMARK(BM_PointFitOnly100)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RadialBackground(benchmark::State& state) {
    ImageRecord rec;
    Workspace ws;
    BackgroundParams radial;  // multiply, centre 100 and edge 50 on every channel
    radial.centre = {100, 100, 100};
    radial.edge = {50, 50, 50};
    radial.curve = 200;
    ParamBlock block;
    PutBackgroundWords(radial, block);
    for (auto _ : state) {
        state.PauseTiming();
        CopyPicture(rec, Sky());
        state.ResumeTiming();
        Dispatch(kOpBackground, rec, block, ws, AppKernels());
    }
    SetBytes(state);
}
BENCHMARK(BM_RadialBackground)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GenerateBackground(benchmark::State& state) {
    const ImageRecord& sky = Sky();
    Plane out;
    for (auto _ : state) {
        GenerateBackground(sky.red.view(kWidth, kHeight), GeneratorParams{}, out);
        benchmark::ClobberMemory();
    }
    SetBytes(state, kPixels / 3);
}
BENCHMARK(BM_GenerateBackground)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace orva
