// Test pictures and small helpers shared by the benchmarks.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>

#include "workspace/image_record.h"

namespace orva::bench {

// The size of the pictures the benchmarks time, a common camera frame.
inline constexpr int kWidth = 6000;
inline constexpr int kHeight = 4000;
inline constexpr std::size_t kPixels = std::size_t{kWidth} * kHeight;

// A horizontal ramp (ten levels a column) with random noise below noise_mask + 1 on all three
// planes: values of every size, like a real frame, and the same picture for the same seed.
inline ImageRecord MakeGradient(int width, int height, unsigned seed, unsigned noise_mask = 4095) {
    ImageRecord r;
    r.width = width;
    r.height = height;
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t n = w * static_cast<std::size_t>(height);
    std::mt19937 rng(seed);
    for (int c = 0; c < 3; ++c) {
        r.plane(c).Allocate(n);
        for (std::size_t i = 0; i < n; ++i)
            r.plane(c)[i] = static_cast<uint16_t>((i % w) * 10 + (rng() & noise_mask));
    }
    return r;
}

// Makes rec a copy of from (size and planes), reusing rec's planes when they are large enough.
inline void CopyPicture(ImageRecord& rec, const ImageRecord& from) {
    const std::size_t n = from.pixels();
    rec.width = from.width;
    rec.height = from.height;
    for (int c = 0; c < 3; ++c) {
        if (rec.plane(c).size() != n) rec.plane(c).Allocate(n);
        std::memcpy(rec.plane(c).data(), from.plane(c).data(), n * sizeof(uint16_t));
    }
}

// Reports the bytes of three planes of `pixels` samples per iteration.
inline void SetBytes(benchmark::State& state, std::size_t pixels = kPixels) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(pixels * 3 * sizeof(uint16_t)));
}

}  // namespace orva::bench
