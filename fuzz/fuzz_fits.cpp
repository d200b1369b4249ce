// Drives the FITS readers with arbitrary bytes: the stretching one with and without a dark of
// the picture's size, and the linear one.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

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
    orva::LinearImage linear;
    (void)orva::DecodeFitsLinear(std::span<const uint8_t>(data, size), linear, uint64_t{16} << 20);
    for (const std::string& card : linear.cards)
        for (const char c : card)
            if (c < 32 || c > 126) __builtin_trap();
    return 0;
}
