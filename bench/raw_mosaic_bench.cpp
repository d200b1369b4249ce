// The calibration mosaic of a 6000 x 4000 frame: reading a DNG into black-subtracted floats,
// and the linear demosaic of a Bayer and an X-Trans mosaic, one thread and all threads.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "common/parallel.h"
#include "raw/decoders/raw_mosaic.h"
#include "raw/dng_write.h"

namespace orva {
namespace {

using namespace bench;

// The common X-Trans layout, row by row.
constexpr uint8_t kXTrans[36] = {1, 1, 0, 1, 1, 2, 1, 1, 2, 1, 1, 0, 2, 0, 1, 0, 2, 1,
                                 1, 1, 2, 1, 1, 0, 1, 1, 0, 1, 1, 2, 0, 2, 1, 2, 0, 1};

RawMosaic Noisy(int period) {
    RawMosaic m;
    m.width = kWidth;
    m.height = kHeight;
    m.white = 16000;
    m.period = period;
    for (int i = 0; i < 36; ++i)
        m.cfa[static_cast<std::size_t>(i)] = period == 6 ? kXTrans[i]
                                                         : static_cast<uint8_t>(i == 0   ? 0
                                                                                : i == 7 ? 2
                                                                                         : 1);
    m.samples.resize(kPixels);
    std::mt19937 rng(7);
    for (std::size_t i = 0; i < kPixels; ++i)
        m.samples[i] =
            static_cast<float>(i % kWidth) * 0.5f + static_cast<float>(rng() & 4095) - 20;
    return m;
}

struct Out {
    std::vector<float> r, g, b;
    Out() : r(kPixels), g(kPixels), b(kPixels) {}
};

void BM_DemosaicLinear(benchmark::State& state) {
    SetThreadCount(static_cast<int>(state.range(0)));
    static const RawMosaic bayer = Noisy(2), xtrans = Noisy(6);
    static Out out;
    const RawMosaic& m = state.range(1) == 6 ? xtrans : bayer;
    for (auto _ : state) DemosaicLinear(m, true, out.r.data(), out.g.data(), out.b.data());
    SetThreadCount(0);
}

// The DNG is held in memory: the time is the decoding, not the disk.
void BM_ReadRawMosaic(benchmark::State& state) {
    SetThreadCount(static_cast<int>(state.range(0)));
    static const std::vector<uint8_t> bytes = [] {
        const std::string p = "/tmp/orva_bench_mosaic_" + std::to_string(::getpid()) + ".dng";
        std::vector<uint8_t> b;
        if (WriteDng(p, SampleMosaic(kWidth, kHeight)).ok()) {
            if (std::FILE* f = std::fopen(p.c_str(), "rb")) {
                uint8_t buf[1 << 16];
                for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
                    b.insert(b.end(), buf, buf + n);
                std::fclose(f);
            }
        }
        std::remove(p.c_str());
        return b;
    }();
    RawMosaic m;
    for (auto _ : state) {
        if (!ReadRawMosaicBytes(bytes, UINT64_MAX, m).ok()) {
            state.SkipWithError("cannot read the DNG");
            break;
        }
    }
    SetThreadCount(0);
}

BENCHMARK(BM_DemosaicLinear)
    ->Args({1, 2})
    ->Args({0, 2})
    ->Args({1, 6})
    ->Args({0, 6})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ReadRawMosaic)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace orva
