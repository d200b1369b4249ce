// Resize, rotation and distortion of a 6000 x 4000 16-bit RGB picture. Each run works on a
// fresh copy (copied outside the timing), as every operation replaces the planes.
#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "ops/geometry.h"

namespace orva {
namespace {

using namespace bench;  // the picture size and helpers all benchmarks share

const ImageRecord& Source() {
    static const ImageRecord rec = bench::MakeGradient(kWidth, kHeight, 7);
    return rec;
}

template <class Op>
void Run(benchmark::State& state, const Op& op) {
    ImageRecord r;
    for (auto _ : state) {
        state.PauseTiming();
        bench::CopyPicture(r, Source());
        state.ResumeTiming();
        op(r);
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::to_string(r.width) + "x" + std::to_string(r.height));
}

void BM_LanczosHalf(benchmark::State& state) {
    Run(state, [](ImageRecord& r) { ResizeLanczos(r, 50, 100, 50, 100); });
}
void BM_LanczosDouble(benchmark::State& state) {
    Run(state, [](ImageRecord& r) { ResizeLanczos(r, 200, 100, 200, 100); });
}
void BM_BilinearHalf(benchmark::State& state) {
    Run(state, [](ImageRecord& r) { ResizeBilinear(r, 50, 100, 50, 100); });
}
void BM_BilinearDouble(benchmark::State& state) {
    Run(state, [](ImageRecord& r) { ResizeBilinear(r, 200, 100, 200, 100); });
}
void BM_Rotate33(benchmark::State& state) {
    Run(state, [](ImageRecord& r) { RotateArbitrary(r, 33000); });
}
void BM_QuarterTurn(benchmark::State& state) {
    Run(state, [](ImageRecord& r) { QuarterTurn(r, 90000); });
}
void BM_Distortion(benchmark::State& state) {
    Run(state, [](ImageRecord& r) { CorrectDistortion(r, 50); });
}

BENCHMARK(BM_LanczosHalf)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LanczosDouble)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BilinearHalf)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BilinearDouble)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rotate33)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QuarterTurn)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Distortion)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace orva
