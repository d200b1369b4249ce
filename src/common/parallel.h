// The only way operations use more than one core.
//
// Work is cut into bands whose boundaries depend on the job size alone, never on the number
// of threads, and each band writes only its own output. Results are therefore bit-identical
// for any thread count, including 1. Reductions keep one partial result per band and combine
// them in band order after the call.
#pragma once

#include <functional>

namespace orva {

// Runs fn(band) for band = 0 .. count-1 on the worker pool and the calling thread, and
// returns when all have finished. Calls from inside a band run serially.
void RunBands(int count, const std::function<void(int band)>& fn);

// Splits rows [0, height) into fixed bands of consecutive rows and runs fn(y0, y1) on each.
void ForEachRowBand(int height, const std::function<void(int y0, int y1)>& fn);

// Number of bands ForEachRowBand uses for a height (so callers can size per-band partials).
int RowBandCount(int height);
// Rows of band `band` of `count` over `height`: [height*band/count, height*(band+1)/count).
inline int BandStart(int height, int band, int count) {
    return static_cast<int>(static_cast<long long>(height) * band / count);
}

// Thread count of the pool (at least 1). Setting it is for tests and benchmarks; it never
// changes results. 0 restores the machine's default.
void SetThreadCount(int n);
int ThreadCount();

}  // namespace orva
