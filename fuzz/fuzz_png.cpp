// Drives the PNG reader with arbitrary bytes.
//
// Each input is read twice: as it is, and with every chunk's CRC recomputed, so that
// mutations reach the chunk parsers and the image data instead of stopping at the first
// checksum.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "imageio/formats.h"

namespace {

uint32_t Be32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

void Decode(std::span<const uint8_t> bytes) {
    orva::DecodedImage img;
    // A small budget keeps each run fast: a tiny file may describe a huge picture.
    img.memory_budget = uint64_t{8} << 20;
    (void)orva::DecodeImage(bytes, orva::kFormatPng, img);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Decode({data, size});
    std::vector<uint8_t> fixed(data, data + size);
    for (std::size_t at = 8; at + 12 <= size;) {
        const uint32_t length = Be32(data + at);
        if (length > size - at - 12) break;
        const uLong crc = crc32(0, data + at + 4, length + 4);
        for (int i = 0; i < 4; ++i)
            fixed[at + 8 + length + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
        at += 12 + length;
    }
    Decode(fixed);
    return 0;
}
