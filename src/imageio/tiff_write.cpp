// TIFF writing: 48-bit uncompressed RGB, little-endian, one strip, with the fixed 128-byte
// header below: the directory at 18, the pixels at 128, rows from the top of the picture
// down. Linear images (stacking results) may instead be written as 32-bit floats.
#include <algorithm>
#include <bit>
#include <vector>

#include "common/parallel.h"
#include "imageio/file_io.h"
#include "imageio/formats.h"
#include "imageio/reader_support.h"
#include "imageio/tiff_internal.h"

namespace orva {

namespace {

using namespace tiff;

constexpr std::size_t kHeaderSize = 128;
constexpr uint32_t kDirectoryAt = 18;

// A sample in the file's byte order (the bytes of the returned value, as stored in memory).
inline uint16_t LittleEndian(uint16_t v) {
    if constexpr (std::endian::native == std::endian::little) return v;
    return static_cast<uint16_t>(v >> 8 | v << 8);
}

void PutEntry(uint8_t* at, uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    PutLe16(at, tag);
    PutLe16(at + 2, type);
    PutLe32(at + 4, count);
    PutLe32(at + 8, value);
}

}  // namespace

// The header: "II", 42, the directory at 18; the bits-per-sample table (16, 16, 16) at 8; a
// copy of the strip offset (128) at 14; eight directory entries from 18; the next-directory
// offset 0 and zeros up to the pixels at 128. The entries are ImageWidth, ImageLength,
// BitsPerSample, Compression (none), PhotometricInterpretation (RGB), StripOffsets,
// SamplesPerPixel and StripByteCounts. Without the byte count ImageMagick falls back to its
// 8-bit reader and cuts every sample to its high byte; it takes the place of an Orientation
// entry that only repeated the default (top row first), so that the pixels stay at 128.
IoResult WriteTiff(const std::string& path, const ImageRecord& rec) {
    const std::size_t pixels = rec.pixels();
    if (pixels == 0 || rec.red.size() < pixels ||
        (!rec.single_plane && (rec.green.size() < pixels || rec.blue.size() < pixels)))
        return Fail(IoStatus::Unsupported, "no image to write");
    const uint64_t data_bytes = uint64_t{6} * pixels;
    if (kHeaderSize + data_bytes > UINT32_MAX)
        return Fail(IoStatus::TooLarge, "image too large for a TIFF file");

    uint8_t header[kHeaderSize] = {'I', 'I', 42, 0};
    PutLe32(header + 4, kDirectoryAt);
    PutLe16(header + 8, 16);
    PutLe16(header + 10, 16);
    PutLe16(header + 12, 16);
    PutLe32(header + 14, kHeaderSize);
    PutLe16(header + 18, 8);
    const auto w = static_cast<uint32_t>(rec.width), h = static_cast<uint32_t>(rec.height);
    // Sizes that do not fit a SHORT are written as LONG, which every reader accepts.
    uint8_t* e = header + 20;
    PutEntry(e, kImageWidth, w > 0xFFFF ? kTypeLong : kTypeShort, 1, w);
    PutEntry(e + 12, kImageLength, h > 0xFFFF ? kTypeLong : kTypeShort, 1, h);
    PutEntry(e + 24, kBitsPerSample, kTypeShort, 3, 8);
    PutEntry(e + 36, kCompression, kTypeShort, 1, 1);
    PutEntry(e + 48, kPhotometric, kTypeShort, 1, 2);
    PutEntry(e + 60, kStripOffsets, kTypeLong, 1, kHeaderSize);
    PutEntry(e + 72, kSamplesPerPixel, kTypeShort, 1, 3);
    PutEntry(e + 84, kStripByteCounts, kTypeLong, 1, static_cast<uint32_t>(data_bytes));

    FileSink sink;
    if (IoResult r = sink.Open(path); !r.ok()) return r;
    sink.Write(header, sizeof header);

    // Rows are formatted in blocks of a few MiB, the rows of a block in parallel.
    const std::size_t row_samples = std::size_t{3} * w;
    const int block_rows =
        static_cast<int>(std::max<std::size_t>(1, (std::size_t{2} << 20) / row_samples));
    std::vector<uint16_t> block(std::min<std::size_t>(block_rows, h) * row_samples);
    const int height = rec.height;
    const ConstPlaneView red = rec.red.view(rec.width, height);
    const ConstPlaneView green = rec.single_plane ? red : rec.green.view(rec.width, height);
    const ConstPlaneView blue = rec.single_plane ? red : rec.blue.view(rec.width, height);
    for (int first = 0; first < height; first += block_rows) {
        const int rows = std::min(block_rows, height - first);
        ForEachRowBand(rows, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                // File rows run from the top of the picture.
                const uint16_t* r = red.row_from_top(first + y);
                const uint16_t* g = green.row_from_top(first + y);
                const uint16_t* b = blue.row_from_top(first + y);
                uint16_t* o = block.data() + static_cast<std::size_t>(y) * row_samples;
                for (std::size_t x = 0; x < w; ++x, o += 3) {
                    o[0] = LittleEndian(r[x]);
                    o[1] = LittleEndian(g[x]);
                    o[2] = LittleEndian(b[x]);
                }
            }
        });
        sink.Write(block.data(), static_cast<std::size_t>(rows) * row_samples * 2);
    }
    return sink.Commit();
}

// The float header: "II", 42, the directory at 8 with eleven entries (ImageWidth,
// ImageLength, BitsPerSample, Compression none, PhotometricInterpretation grey or RGB,
// StripOffsets, SamplesPerPixel, RowsPerStrip, StripByteCounts, PlanarConfiguration chunky,
// SampleFormat IEEE float), the next-directory offset 0, the per-sample tables of
// BitsPerSample (at 146) and SampleFormat (at 152) for three samples, zeros up to the pixels
// at 160. Samples are little-endian floats, rows from the top of the picture down.
IoResult WriteTiffFloat(const std::string& path, const LinearImage& img) {
    constexpr std::size_t kFloatHeader = 160;
    constexpr uint32_t kBitsAt = 146, kFormatAt = 152;
    const std::size_t pixels = img.pixels();
    if (pixels == 0 || img.planes < 1 || img.data.size() < pixels * img.planes)
        return Fail(IoStatus::Unsupported, "no image to write");
    const uint32_t samples = img.planes == 1 ? 1 : 3;
    const uint64_t data_bytes = uint64_t{4} * samples * pixels;
    if (kFloatHeader + data_bytes > UINT32_MAX)
        return Fail(IoStatus::TooLarge, "image too large for a TIFF file");

    uint8_t header[kFloatHeader] = {'I', 'I', 42, 0, 8, 0, 0, 0, 11, 0};
    const auto w = static_cast<uint32_t>(img.width), h = static_cast<uint32_t>(img.height);
    const bool one = samples == 1;
    uint8_t* e = header + 10;
    PutEntry(e, kImageWidth, kTypeLong, 1, w);
    PutEntry(e + 12, kImageLength, kTypeLong, 1, h);
    PutEntry(e + 24, kBitsPerSample, kTypeShort, samples, one ? 32 : kBitsAt);
    PutEntry(e + 36, kCompression, kTypeShort, 1, 1);
    PutEntry(e + 48, kPhotometric, kTypeShort, 1, one ? 1 : 2);
    PutEntry(e + 60, kStripOffsets, kTypeLong, 1, kFloatHeader);
    PutEntry(e + 72, kSamplesPerPixel, kTypeShort, 1, samples);
    PutEntry(e + 84, kRowsPerStrip, kTypeLong, 1, h);
    PutEntry(e + 96, kStripByteCounts, kTypeLong, 1, static_cast<uint32_t>(data_bytes));
    PutEntry(e + 108, kPlanarConfig, kTypeShort, 1, 1);
    PutEntry(e + 120, kSampleFormat, kTypeShort, samples, one ? 3 : kFormatAt);
    for (uint32_t k = 0; k < 3; ++k) {
        PutLe16(header + kBitsAt + 2 * k, 32);
        PutLe16(header + kFormatAt + 2 * k, 3);
    }

    FileSink sink;
    if (IoResult r = sink.Open(path); !r.ok()) return r;
    sink.Write(header, sizeof header);
    // One row at a time; a missing third plane is written as zeros.
    std::vector<uint8_t> row(std::size_t{4} * samples * w);
    for (uint32_t y = 0; y < h; ++y) {
        const std::size_t at = std::size_t{h - 1 - y} * w;  // planes run from the bottom
        for (uint32_t c = 0; c < samples; ++c) {
            const float* src =
                static_cast<int>(c) < img.planes ? img.plane(static_cast<int>(c)) : nullptr;
            for (uint32_t x = 0; x < w; ++x) {
                const uint32_t bits = src == nullptr ? 0 : std::bit_cast<uint32_t>(src[at + x]);
                PutLe32(row.data() + 4 * (std::size_t{x} * samples + c), bits);
            }
        }
        sink.Write(row.data(), row.size());
    }
    return sink.Commit();
}

}  // namespace orva
