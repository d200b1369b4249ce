// Drives the FITS reader with arbitrary bytes, with and without a dark of the picture's size.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imageio/formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A small dark: pictures of its size take the subtraction path.
    static const orva::FitsDark dark = [] {
        orva::FitsDark d;
        d.width = 4;
        d.height = 3;
        d.red.assign(12, 7);
        d.green.assign(12, -100000);
        d.blue.assign(12, 2147483647);
        return d;
    }();
    orva::ReadOptions options;
    options.fits_dark = &dark;
    orva::DecodedImage img;
    // A small budget keeps each run fast and lets larger pictures reach the out-of-memory path.
    img.memory_budget = uint64_t{8} << 20;
    (void)orva::DecodeImage(std::span<const uint8_t>(data, size), orva::kFormatFits, img, options);
    return 0;
}
