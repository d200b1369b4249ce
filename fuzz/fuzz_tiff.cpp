// Drives the TIFF reader with arbitrary bytes: our own parser of plain RGB files and, for
// everything else, the libtiff path (strips, tiles, planes, codecs, the RGBA reader).
#include <cstddef>
#include <cstdint>
#include <span>

#include "imageio/formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orva::DecodedImage img;
    // A small budget keeps each run fast and lets larger pictures reach the out-of-memory path.
    img.memory_budget = uint64_t{8} << 20;
    (void)orva::DecodeImage(std::span<const uint8_t>(data, size), orva::kFormatTiff, img);
    return 0;
}
