// Wavelet sub-band processing, wavelet enlargement and blur restoration on a 6000 x 4000
// 16-bit RGB picture (enlargement on a 2400 x 1600 one: the command refuses sides of 5000
// or more). Every iteration starts from the same picture; restoring it is not timed.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_support.h"
#include "ops/default_kernels.h"
#include "ops/dispatcher.h"

namespace orva {
namespace {

const ImageRecord& Large() {
    static const ImageRecord rec = bench::MakeGradient(bench::kWidth, bench::kHeight, 11);
    return rec;
}

const ImageRecord& Small() {
    static const ImageRecord rec = bench::MakeGradient(2400, 1600, 11);
    return rec;
}

void Run(benchmark::State& state, uint32_t code, const ParamBlock& params,
         const ImageRecord& from) {
    ImageRecord rec;
    Workspace ws;
    for (auto _ : state) {
        state.PauseTiming();
        bench::CopyPicture(rec, from);
        ParamBlock block = params;
        state.ResumeTiming();
        Dispatch(code, rec, block, ws, DefaultKernels());
        benchmark::ClobberMemory();
    }
    bench::SetBytes(state, from.pixels());
}

// The "中" preset: 1.2, 1.5, 2.0, 3.0, 5.0 from the coarsest band to the finest.
ParamBlock MediumPreset() {
    ParamBlock b;
    const int gains[6] = {10, 12, 15, 20, 30, 50};
    for (int i = 0; i < 6; ++i) b[i] = gains[i];
    b[14] = 0;
    b[15] = 2;
    return b;
}

void BM_WaveletSubband(benchmark::State& state) {
    Run(state, kOpWavelet, MediumPreset(), Large());
}

void BM_WaveletEnlarge(benchmark::State& state) {
    ParamBlock b = MediumPreset();
    b[14] = 1;
    b[15] = static_cast<int32_t>(state.range(0));
    Run(state, kOpWavelet, b, Small());
    state.SetLabel("order " + std::to_string(state.range(0)));
}

// The default settings: spread 1.0, blunting 2.0, 3 iterations, emphasis 1.
void BM_Restore(benchmark::State& state) {
    ParamBlock b;
    b[0] = 10;
    b[1] = 20;
    b[2] = static_cast<int32_t>(state.range(0));
    b[3] = 1;
    Run(state, kOpRestore, b, Large());
    state.SetLabel(std::to_string(state.range(0)) + " iterations");
}

BENCHMARK(BM_WaveletSubband)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WaveletEnlarge)->Arg(2)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Restore)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace orva
