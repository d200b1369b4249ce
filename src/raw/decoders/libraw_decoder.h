// The camera raw decoder: LibRaw, driven step by step so that our dark subtraction and our
// fast development sit between its own steps.
//
// Order: open and identify; check the declared sizes against the file and the memory
// budget; unpack; the decoder's clean-up of zero pixels and its black handling; scaling to
// 16 bits with the camera's white balance; our RAW dark subtraction; pre-interpolation; then
// either our fast development or the decoder's own interpolation (bilinear, VNG, PPG, AHD),
// green mixing, median, highlights, rotation of rotated photosites, conversion to RGB and
// stretching, followed by the 0.45 power.
//
// Every decoder failure comes back as a status; nothing here prints, exits or jumps across
// our frames. The orientation recorded in the file is not applied.
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>

#include "imageio/io_status.h"
#include "raw/dark.h"
#include "raw/develop.h"
#include "workspace/image_record.h"

namespace orva {

struct RawDecodeRequest {
    // 0 fast development; 1..4 the decoder's development with quality mode - 1 (bilinear,
    // VNG, PPG, AHD).
    int mode = 0;
    DevelopParams develop;
    const RawDark* dark = nullptr;  // subtracted when its size equals the mosaic's
    int dark_control = 0;           // defect handling + 256 * defect judgement level
    uint64_t memory_budget = UINT64_MAX;
    uint64_t max_pixels = kDefaultMaxPixels;  // larger pictures are refused as too large
    // Size and camera data only: the file is opened and checked but not unpacked (where
    // the size after development is known without it).
    bool header_only = false;
};

// Decodes and develops a RAW file held in memory. On failure `out` holds nothing.
IoResult DecodeRawBytes(std::span<const uint8_t> bytes, const RawDecodeRequest& request,
                        DecodedImage& out);

// Reads a RAW file as a dark frame: the mosaic after clean-up, black handling and scaling.
IoResult ReadRawDarkBytes(std::span<const uint8_t> bytes, uint64_t memory_budget, RawDark& out);
IoResult ReadRawDark(const std::string& path, uint64_t memory_budget, RawDark& out);

// Camera data as the record keeps it. Exposure: for t >= 1 s numerator trunc(10 t) over 10,
// below 1 s 10 over trunc(10 / t); values too large for 16 bits are expressed with a smaller
// numerator (1/8000 s is 1 over 8000) or held at 65535. 0 when unknown.
uint32_t PackExposure(double seconds);
uint32_t PackAperture(double f_number);  // trunc(10 F) over 10
// "%04d:%02d:%02d %02d:%02d:%02d" in local time; empty for an unknown (zero) time.
std::string CaptureTime(std::time_t t);

}  // namespace orva
