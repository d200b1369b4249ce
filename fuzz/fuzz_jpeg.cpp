// Drives the JPEG reader and the EXIF reader behind it with arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imageio/formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orva::DecodedImage img;
    // A small budget keeps each run fast: a tiny file may describe a huge picture.
    img.memory_budget = uint64_t{8} << 20;
    (void)orva::DecodeImage(std::span<const uint8_t>(data, size), orva::kFormatJpeg, img);
    return 0;
}
