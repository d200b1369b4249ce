// What the TIFF reader, its libtiff route and the writer share.
#pragma once

#include <cstdint>
#include <span>

#include "imageio/io_status.h"
#include "workspace/image_record.h"

namespace orva::tiff {

// Field types of directory entries.
constexpr uint16_t kTypeByte = 1;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;

enum Tag : uint16_t {
    kImageWidth = 256,
    kImageLength = 257,
    kBitsPerSample = 258,
    kCompression = 259,
    kPhotometric = 262,
    kFillOrder = 266,
    kStripOffsets = 273,
    kSamplesPerPixel = 277,
    kStripByteCounts = 279,
    kRowsPerStrip = 278,
    kPlanarConfig = 284,
    kTileWidth = 322,
    kTileOffsets = 324,
    kSampleFormat = 339,
};

// Any TIFF libtiff can read, decoded through it from the bytes in memory: grey (1 to 16
// bits), palette and RGB at full precision block by block, grey and RGB of 32 or 64-bit
// floats or 32-bit integers stretched as FITS data is, the other colour kinds through its
// RGBA reader at 8 bits. Every strip and tile is checked against the file first.
IoResult DecodeWithLibTiff(std::span<const uint8_t> file, DecodedImage& out);

}  // namespace orva::tiff
