// Gamma, level and dynamic range on a 6000 x 4000 16-bit RGB picture, next to one plain
// read-and-write pass over the same three planes for scale.
#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "common/parallel.h"
#include "ops/default_kernels.h"
#include "ops/dispatcher.h"
#include "ops/tone.h"

namespace orva {
namespace {

using namespace bench;  // the picture size and helpers all benchmarks share

ImageRecord& Picture() {
    static ImageRecord rec = bench::MakeGradient(kWidth, kHeight, 11);
    return rec;
}

// The floor: every sample read and written once, split like the operations.
void BM_MemoryPass(benchmark::State& state) {
    ImageRecord& rec = Picture();
    for (auto _ : state) {
        for (int c = 0; c < 3; ++c) {
            uint16_t* p = rec.plane(c).data();
            ForEachRowBand(kHeight, [&](int y0, int y1) {
                for (std::size_t i = std::size_t(y0) * kWidth; i < std::size_t(y1) * kWidth; ++i)
                    p[i] = static_cast<uint16_t>(p[i] ^ 1);
            });
        }
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}

void BM_Gamma(benchmark::State& state) {
    ImageRecord& rec = Picture();
    Workspace ws;
    ParamBlock block;
    for (int c = 0; c < 3; ++c) {
        block[c * 3] = 0;
        block[c * 3 + 1] = 100140;  // a brightening curve
        block[c * 3 + 2] = 255255;
    }
    block[9] = 0;
    block[10] = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        Dispatch(kOpGamma, rec, block, ws, DefaultKernels());
        benchmark::ClobberMemory();
    }
    state.SetLabel(state.range(0) == 0 ? "straight" : "curve");
    SetBytes(state);
}

void BM_Level(benchmark::State& state) {
    ImageRecord& rec = Picture();
    LevelParams p;
    p.input_min = 10;
    p.input_max = 240;
    p.gamma = 120;
    for (auto _ : state) {
        for (int c = 0; c < 3; ++c) ApplyLevel(rec.plane(c).data(), kWidth, kHeight, p);
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}

void BM_DynamicRange(benchmark::State& state) {
    ImageRecord& rec = Picture();
    static Plane out[3];
    for (Plane& p : out)
        if (p.empty()) p.Allocate(kPixels);
    const uint16_t* in[3] = {rec.red.data(), rec.green.data(), rec.blue.data()};
    uint16_t* const dst[3] = {out[0].data(), out[1].data(), out[2].data()};
    const DynamicRangeParams params{static_cast<int>(state.range(0)), 32, 5};
    for (auto _ : state) {
        DynamicRangePlanes(in, dst, kWidth, kHeight, false, params);
        benchmark::ClobberMemory();
    }
    state.SetLabel("radius " + std::to_string(state.range(0)));
    SetBytes(state);
}

BENCHMARK(BM_MemoryPass)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Gamma)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Level)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DynamicRange)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace orva
