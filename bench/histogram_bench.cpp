// What the histogram window and printing cost on a 6000 x 4000 16-bit RGB picture: the
// histogram after an image change, the drawing lists made on every mouse move, and the
// conversion of all print bands.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_support.h"
#include "view/histogram.h"
#include "view/print_layout.h"

namespace orva {
namespace {

using namespace bench;  // the picture size and helpers all benchmarks share

ImageRecord& Picture() {
    static ImageRecord rec = [] {
        ImageRecord r = bench::MakeGradient(kWidth, kHeight, 5);
        r.max_level = {65535, 65535, 65535};
        return r;
    }();
    return rec;
}

void BM_ComputeHistogram(benchmark::State& state) {
    ImageRecord& rec = Picture();
    for (auto _ : state) {
        ComputeHistogram(rec);
        benchmark::DoNotOptimize(rec.histogram_peak);
    }
}
BENCHMARK(BM_ComputeHistogram)->Unit(benchmark::kMicrosecond);

// One mouse move: the drawing list of the view (0 histogram, 1 cross-sections).
void BM_InspectionPlot(benchmark::State& state) {
    ImageRecord& rec = Picture();
    ComputeHistogram(rec);
    const int mode = static_cast<int>(state.range(0));
    int x = 0;
    for (auto _ : state) {
        const Plot plot = InspectionPlot(rec, mode, x, 300, 256);
        benchmark::DoNotOptimize(plot.polylines.size());
        x = (x + 37) % 800;
    }
}
BENCHMARK(BM_InspectionPlot)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Every band of the picture converted to 8-bit colour, as a print does.
void BM_PrintBands(benchmark::State& state) {
    ImageRecord& rec = Picture();
    const auto bands = PrintBands(kWidth, kHeight, FitToPage(kWidth, kHeight, 4960, 7016));
    const std::size_t stride = std::size_t{kWidth} * 3;
    std::vector<uint8_t> bitmap(stride * kPrintBandRows);
    for (auto _ : state) {
        for (const auto& b : bands) FillPrintBand(rec, b, bitmap.data(), stride);
        benchmark::DoNotOptimize(bitmap.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(kPixels * 3 * sizeof(uint16_t)));
}
BENCHMARK(BM_PrintBands)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orva
