// Drives the PBM/PGM/PPM reader with arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imageio/formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orva::DecodedImage img;
    // A small budget keeps each run fast and lets larger pictures reach the out-of-memory path.
    img.memory_budget = uint64_t{2} << 20;
    (void)orva::DecodeImage(std::span<const uint8_t>(data, size), orva::kFormatPnm, img);
    return 0;
}
