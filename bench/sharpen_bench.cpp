// Sharpen/smooth and edge enhancement on a 6000 x 4000 16-bit RGB picture.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_support.h"
#include "ops/default_kernels.h"
#include "ops/dispatcher.h"
#include "workspace/workspace.h"

namespace orva {
namespace {

using namespace bench;  // the picture size and helpers all benchmarks share

ImageRecord& Picture() {
    static ImageRecord rec = bench::MakeGradient(kWidth, kHeight, 13);
    return rec;
}

// All three channels with the default settings apart from the radius (blunting 5.0).
void BM_Sharpen(benchmark::State& state) {
    ImageRecord& rec = Picture();
    Workspace ws;
    ParamBlock block;
    for (auto _ : state) {
        block[0] = static_cast<int32_t>(state.range(0));
        block[1] = 2560;
        block[2] = 10;
        block[3] = 10;
        block[4] = static_cast<int32_t>(state.range(1));
        block[5] = 7;
        Dispatch(kOpSharpen, rec, block, ws, DefaultKernels());
        benchmark::ClobberMemory();
    }
    state.SetLabel("radius " + std::to_string(state.range(0)) + ", blunting " +
                   std::to_string(state.range(1)));
    SetBytes(state);
}

// Mask 7 takes the three-plane filter, mask 6 two planes one at a time.
void BM_Edge(benchmark::State& state) {
    ImageRecord& rec = Picture();
    Workspace ws;
    ParamBlock block;
    for (auto _ : state) {
        block[1] = 2560;
        block[2] = 10;
        block[3] = 50;
        block[4] = 10;
        block[5] = static_cast<int32_t>(state.range(0));
        Dispatch(kOpEdge, rec, block, ws, DefaultKernels());
        benchmark::ClobberMemory();
    }
    state.SetLabel(state.range(0) == 7 ? "colour" : "two planes");
    SetBytes(state);
}

BENCHMARK(BM_Sharpen)
    ->Args({1, 50})
    ->Args({3, 50})
    ->Args({3, 10})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Edge)->Arg(7)->Arg(6)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace orva
