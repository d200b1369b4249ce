// Reading and writing a 6000 x 4000 16-bit RGB picture as 24-bit BMP, 16-bit binary PPM
// and 16-bit ASCII PPM, through a file on tmpfs.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "imageio/file_io.h"
#include "imageio/formats.h"

namespace orva {
namespace {

using namespace bench;  // the picture size and helpers all benchmarks share

// A smooth gradient with noise: values of all decimal lengths, like a real frame.
const ImageRecord& Picture() {
    static const ImageRecord rec = bench::MakeGradient(kWidth, kHeight, 7, 1023);
    return rec;
}

std::string TempPath(const char* name) {
    const std::filesystem::path dir =
        std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    return (dir / ("orva_io_bench_" + std::to_string(::getpid()) + "_" + name)).string();
}

IoResult Write(const std::string& path, int kind) {
    if (kind == 0) return WriteBmp(path, Picture());
    return WritePnm(path, Picture(), kind == 2);
}

const char* kNames[] = {"bmp24", "p6_16", "p3_16"};

void BM_Write(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const std::string path = TempPath(kNames[kind]);
    Picture();
    for (auto _ : state) {
        if (!Write(path, kind).ok()) state.SkipWithError("write failed");
    }
    state.SetLabel(kNames[kind]);
    std::remove(path.c_str());
}

void BM_Decode(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const std::string path = TempPath(kNames[kind]);
    if (!Write(path, kind).ok()) {
        state.SkipWithError("write failed");
        return;
    }
    MappedFile file;
    if (!file.Open(path).ok()) {
        state.SkipWithError("open failed");
        return;
    }
    const int code = kind == 0 ? kFormatBmp : kFormatPnm;
    for (auto _ : state) {
        DecodedImage img;
        if (!DecodeImage(file.bytes(), code, img).ok()) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(img.red.data());
    }
    state.SetLabel(kNames[kind]);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(file.bytes().size()));
    std::remove(path.c_str());
}

BENCHMARK(BM_Write)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Decode)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace orva
