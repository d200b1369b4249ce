// Sharpen/smooth and edge enhancement on a 6000 x 4000 16-bit RGB picture.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "ops/dispatcher.h"
#include "workspace/workspace.h"

namespace orva {
namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr std::size_t kPixels = std::size_t{kWidth} * kHeight;

ImageRecord& Picture() {
    static ImageRecord rec = [] {
        ImageRecord r;
        r.width = kWidth;
        r.height = kHeight;
        std::mt19937 rng(13);
        for (int c = 0; c < 3; ++c) {
            r.plane(c).Allocate(kPixels);
            for (std::size_t i = 0; i < kPixels; ++i)
                r.plane(c)[i] = static_cast<uint16_t>((i % kWidth) * 10 + (rng() & 4095));
        }
        return r;
    }();
    return rec;
}

void SetBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(kPixels * 3 * sizeof(uint16_t)));
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
