// Drives the camera raw decoder with arbitrary bytes (DNG and whatever else the decoder
// recognises): the fast development, the decoder's own development, and dark frames.
#include <cstddef>
#include <cstdint>
#include <span>

#include "raw/decoders/libraw_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    // A small budget keeps each run fast and lets larger pictures reach the refusal path.
    const uint64_t budget = uint64_t{32} << 20;
    orva::RawDecodeRequest request;
    request.memory_budget = budget;
    // The last byte picks the development: 0 fast, 1..4 the decoder's qualities.
    request.mode = size > 0 ? data[size - 1] % 5 : 0;
    orva::RawDark dark;
    if (orva::ReadRawDarkBytes(bytes, budget, dark).ok()) {
        request.dark = &dark;
        request.dark_control = orva::kDefectAverage + 256 * 16;
    }
    orva::DecodedImage img;
    (void)orva::DecodeRawBytes(bytes, request, img);
    return 0;
}
