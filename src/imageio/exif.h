// EXIF camera data of JPEG files: the EXIF block written for images that carry none, and
// the packing of EXIF rationals into the record's 32-bit fields. ReadExif (formats.h) reads.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orva {

inline constexpr std::size_t kExifTemplateSize = 768;

// The fixed EXIF block: SOI, then one APP1 segment holding a little-endian TIFF structure
// with IFD0 (make, model, date) and an Exif IFD (exposure, F-number, dates, ISO). Texts
// longer than their room are cut (make 21, model 15, dates 19 characters).
std::array<uint8_t, kExifTemplateSize> BuildExifTemplate(std::string_view make,
                                                         std::string_view model,
                                                         std::string_view date_time,
                                                         uint32_t exposure_time, uint32_t f_number,
                                                         uint32_t iso);

// numerator << 16 | denominator. A fraction whose parts do not fit in 16 bits is first
// reduced, then replaced by the nearest fraction whose parts do.
uint32_t PackRational(uint32_t numerator, uint32_t denominator);

}  // namespace orva
