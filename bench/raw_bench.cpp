// The four stages of the fast RAW development on a 6000 x 4000 RGGB mosaic, one thread and
// all threads.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_support.h"
#include "common/parallel.h"
#include "raw/develop.h"

namespace orva {
namespace {

using namespace bench;

struct RawPicture {
    std::vector<uint16_t> base;  // the mosaic as the decoder delivers it
    std::vector<uint16_t> mosaic;
    Plane r, g, b, y, ys;
    RawPicture() : base(kPixels * 4, 0) {
        std::mt19937 rng(7);
        for (int yy = 0; yy < kHeight; ++yy)
            for (int x = 0; x < kWidth; ++x) {
                const int cell = (yy % 2) * 2 + (x % 2);
                const int c = cell == 0 ? 0 : cell == 3 ? 2 : 1;
                base[(std::size_t(yy) * kWidth + x) * 4 + c] =
                    static_cast<uint16_t>(2000 + x * 5 + (rng() & 4095));
            }
        mosaic = base;
        r.Allocate(kPixels), g.Allocate(kPixels), b.Allocate(kPixels);
        y.Allocate(kPixels), ys.Allocate(kPixels);
    }
    MosaicView view() {
        return {reinterpret_cast<uint16_t(*)[4]>(mosaic.data()), kWidth, kHeight, kPatternBayer};
    }
};

RawPicture& Picture() {
    static RawPicture p;
    return p;
}

void Threads(benchmark::State& state) {
    SetThreadCount(static_cast<int>(state.range(0)));
}

void BM_RawToneCurve(benchmark::State& state) {
    Threads(state);
    RawPicture& p = Picture();
    for (auto _ : state) {
        state.PauseTiming();
        p.mosaic = p.base;
        state.ResumeTiming();
        DevelopToneCurve(p.view(), {5, 3, 0}, {180, 160, 130}, {1 / 2.2, 1 / 2.2, 1 / 2.2});
    }
}

void BM_RawDemosaic(benchmark::State& state) {
    Threads(state);
    RawPicture& p = Picture();
    for (auto _ : state)
        DevelopDemosaic(p.view(), p.r.view(kWidth, kHeight), p.g.view(kWidth, kHeight),
                        p.b.view(kWidth, kHeight));
}

void BM_RawSharpen(benchmark::State& state) {
    Threads(state);
    RawPicture& p = Picture();
    DevelopDemosaic(p.view(), p.r.view(kWidth, kHeight), p.g.view(kWidth, kHeight),
                    p.b.view(kWidth, kHeight));
    for (auto _ : state)
        DevelopSharpen(p.r.view(kWidth, kHeight), p.g.view(kWidth, kHeight),
                       p.b.view(kWidth, kHeight), p.y.view(kWidth, kHeight),
                       p.ys.view(kWidth, kHeight), 0, 4);
}

void BM_RawColour(benchmark::State& state) {
    Threads(state);
    RawPicture& p = Picture();
    DevelopDemosaic(p.view(), p.r.view(kWidth, kHeight), p.g.view(kWidth, kHeight),
                    p.b.view(kWidth, kHeight));
    DevelopSharpen(p.r.view(kWidth, kHeight), p.g.view(kWidth, kHeight), p.b.view(kWidth, kHeight),
                   p.y.view(kWidth, kHeight), p.ys.view(kWidth, kHeight), 0, 4);
    for (auto _ : state)
        DevelopColour(p.r.view(kWidth, kHeight), p.g.view(kWidth, kHeight),
                      p.b.view(kWidth, kHeight), p.y.view(kWidth, kHeight),
                      p.ys.view(kWidth, kHeight), 2, 3, 0);
}

BENCHMARK(BM_RawToneCurve)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawDemosaic)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawSharpen)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawColour)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace orva
