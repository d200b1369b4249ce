// Drives the FITS dark-frame reader with arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imageio/formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orva::FitsDark dark;
    (void)orva::DecodeFitsDark(std::span<const uint8_t>(data, size), dark, uint64_t{32} << 20);
    return 0;
}
