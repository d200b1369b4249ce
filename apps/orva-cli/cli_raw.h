// 'orva-cli sample-raw': a synthetic camera RAW (DNG) picture for trying the RAW development
// and for the benchmarks.
#pragma once

namespace orva {

inline constexpr const char* kSampleRawUsage =
    "  orva-cli sample-raw OUT.dng [WIDTH HEIGHT]   write a synthetic RGGB camera RAW (DNG)\n";

int SampleRawCommand(int argc, char** argv);

}  // namespace orva
