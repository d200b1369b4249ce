// Colour operations, noise reduction and line separation on a 6000 x 4000 16-bit RGB picture.
#include <benchmark/benchmark.h>

#include <random>

#include "bench_support.h"
#include "ops/colour.h"
#include "ops/dispatcher.h"
#include "ops/noise_lines.h"

namespace orva {
namespace {

using namespace bench;  // the picture size and helpers all benchmarks share

// A colour gradient with noise, so that the colour changes and the range factor of the noise
// filter see a spread of values. Operations in place run on this one picture over and over.
ImageRecord& Picture() {
    static ImageRecord rec = [] {
        ImageRecord r;
        r.width = kWidth;
        r.height = kHeight;
        std::mt19937 rng(5);
        for (int c = 0; c < 3; ++c) {
            r.plane(c).Allocate(kPixels);
            for (std::size_t i = 0; i < kPixels; ++i) {
                const std::size_t x = i % kWidth, y = i / kWidth;
                const std::size_t ramp = c == 0 ? x * 10 : c == 1 ? y * 15 : (x + y) * 6;
                r.plane(c)[i] = static_cast<uint16_t>((ramp + (rng() & 2047)) & 0xFFFF);
            }
        }
        return r;
    }();
    return rec;
}

std::array<uint16_t*, 3> Planes(ImageRecord& rec) {
    return {rec.red.data(), rec.green.data(), rec.blue.data()};
}

void BM_Grey(benchmark::State& state) {
    ImageRecord& rec = Picture();
    for (auto _ : state) {
        // Gray writes its result into all three planes; run it on a colour picture each time.
        state.PauseTiming();
        static ImageRecord work;
        CopyImageRecord(work, rec);
        state.ResumeTiming();
        GreyPlanes(Planes(work).data(), kWidth, kHeight, false, GreyParams{});
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}

void BM_SaturationHue(benchmark::State& state) {
    ImageRecord& rec = Picture();
    const int hue = static_cast<int>(state.range(0));
    for (auto _ : state) {
        SaturationHuePlanes(Planes(rec).data(), kWidth, kHeight, SaturationParams{0, hue});
        benchmark::ClobberMemory();
    }
    state.SetLabel("hue " + std::to_string(hue));
    SetBytes(state);
}

void BM_ColourChangeRgb(benchmark::State& state) {
    ImageRecord& rec = Picture();
    const RgbChange change{{120, 60, 90}, {120, 62, 90}, 40};
    for (auto _ : state) {
        ColourChangeRgb(Planes(rec).data(), kWidth, kHeight, change);
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}

void BM_ColourChangeHsv(benchmark::State& state) {
    ImageRecord& rec = Picture();
    // Every pixel converted there and back: source and target the same hue, all matching.
    const HsvChange change{{30, 128, 128}, {30, 128, 128}, 255};
    for (auto _ : state) {
        ColourChangeHsv(Planes(rec).data(), kWidth, kHeight, change);
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}

void BM_Noise(benchmark::State& state) {
    ImageRecord& rec = Picture();
    static Plane out;
    if (out.empty()) out.Allocate(kPixels);
    const NoiseParams params{3, static_cast<int>(state.range(0)), 10};  // default strength 3
    for (auto _ : state) {
        for (int c = 0; c < 3; ++c)
            ReduceNoisePlane(rec.plane(c).data(), out.data(), kWidth, kHeight, params);
        benchmark::ClobberMemory();
    }
    state.SetLabel("area " + std::to_string(state.range(0)));
    SetBytes(state);
}

void BM_LineSeparation(benchmark::State& state) {
    ImageRecord& rec = Picture();
    ImageRecord out;
    for (auto _ : state) {
        SeparateLines(rec, out, 1);
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}

BENCHMARK(BM_Grey)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaturationHue)->Arg(0)->Arg(30)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ColourChangeRgb)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ColourChangeHsv)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Noise)->Arg(3)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LineSeparation)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace orva
