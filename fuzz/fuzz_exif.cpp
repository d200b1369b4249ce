// Drives the EXIF reader alone with arbitrary bytes. Half of the inputs (those whose first
// byte is even) are wrapped in the SOI, APP1 and "Exif" header the reader looks for, so that
// the fuzzer spends its time inside the TIFF structure rather than on the signature.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "imageio/formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orva::DecodedImage img;
    if (size > 0 && (data[0] & 1) == 0) {
        // The APP1 length covers the rest of the input when it fits in 16 bits, else it
        // says less than there is (the bytes after it then look like a second segment).
        const std::size_t rest = size - 1;
        const std::size_t length = std::min<std::size_t>(8 + rest, 0xFFFF);
        std::vector<uint8_t> file = {0xFF, 0xD8, 0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
        file[4] = static_cast<uint8_t>(length >> 8);
        file[5] = static_cast<uint8_t>(length);
        file.insert(file.end(), data + 1, data + size);
        orva::ReadExif(file, img);
    } else {
        orva::ReadExif(std::span<const uint8_t>(data, size), img);
    }
    return 0;
}
