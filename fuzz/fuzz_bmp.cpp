// Drives the BMP reader with arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imageio/formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orva::DecodedImage img;
    img.memory_budget = uint64_t{64} << 20;
    (void)orva::DecodeImage(std::span<const uint8_t>(data, size), orva::kFormatBmp, img);
    return 0;
}
