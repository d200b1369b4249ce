// File-name classification and the routing of reads and writes by format code.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "imageio/io_status.h"
#include "workspace/image_record.h"

namespace orva {

enum FormatCode : int {
    kFormatUnknown = 0,
    kFormatBmp = 1,
    kFormatTiff = 2,
    kFormatPnm = 3,
    kFormatJpeg = 4,
    kFormatFits = 5,
    kFormatGif = 6,
    kFormatPng = 7,
    kFormatRaw = 10,
};

// Code from the end of the name alone (letters compared without regard to case; no dot
// needed), first match in the order BMP, TIFF, PPM/PGM, JPEG, FITS, GIF, PNG, raw.
int DetectFormat(std::string_view name);

// Largest picture any reader accepts: beyond this a header is taken as damaged, whatever
// memory the machine has.
inline constexpr uint64_t kMaxReadPixels = uint64_t{1} << 30;
inline constexpr int kMaxReadSide = 1 << 20;

// A combined FITS dark frame, subtracted from FITS images of the same size while they are
// read (before the stretch). Planes of signed values in the order of the file's samples.
struct FitsDark {
    int width = 0, height = 0;
    std::vector<int32_t> red, green, blue;
};

struct ReadOptions {
    uint64_t memory_budget = UINT64_MAX;  // bytes the planes may take
    const FitsDark* fits_dark = nullptr;  // active FITS dark set, if any
};

// Reads a whole file of the given code. On failure `out` holds nothing of it.
IoResult ReadImageFile(const std::string& path, int code, DecodedImage& out,
                       const ReadOptions& options = {});

// Decodes file contents already in memory (what the fuzz targets drive). The memory budget
// is taken from `out.memory_budget`; the dark from options.
IoResult DecodeImage(std::span<const uint8_t> bytes, int code, DecodedImage& out,
                     const ReadOptions& options = {});

struct WriteOptions {
    bool jpeg_exif = true;  // EXIF JPEG (else JFIF)
    bool ppm_ascii = true;  // "P3" (else binary "P6")
};

// Save dialog filter indices (1-based); stored in batch files, so their meaning is fixed.
inline constexpr int kFilterBmp = 1, kFilterPng = 2, kFilterJfif = 3, kFilterExif = 4,
                     kFilterTiff = 5, kFilterPpmBinary = 6, kFilterPpmAscii = 7, kFilterFits = 8;

// Writes the record's planes under the writer of the code. Codes without a writer give
// IoStatus::Unsupported and write nothing.
IoResult WriteImageFile(const std::string& path, int code, const ImageRecord& rec,
                        const WriteOptions& options = {});

// Format family readers and writers.
IoResult DecodeBmp(std::span<const uint8_t> file, DecodedImage& out);
IoResult WriteBmp(const std::string& path, const ImageRecord& rec);
IoResult DecodePnm(std::span<const uint8_t> file, DecodedImage& out);
IoResult WritePnm(const std::string& path, const ImageRecord& rec, bool ascii);
IoResult DecodeFits(std::span<const uint8_t> file, DecodedImage& out, const FitsDark* dark);
// A FITS file as a dark frame: every sample as value * BSCALE + BZERO (truncated, held within
// the int32 range), planes in file order; a one-plane file fills all three planes.
IoResult DecodeFitsDark(std::span<const uint8_t> file, FitsDark& out,
                        uint64_t memory_budget = UINT64_MAX);
IoResult WriteFits(const std::string& path, const ImageRecord& rec);

// A FITS image as physical values (raw x BSCALE + BZERO), unstretched, for calibrating and
// stacking: one plane or three (red, green, blue), rows bottom first, plane after plane. The
// header cards worth keeping (all but those describing the data layout) come along.
struct LinearImage {
    int width = 0, height = 0, planes = 0;
    std::vector<float> data;
    std::vector<std::string> cards;  // 80 characters each
    std::size_t pixels() const { return static_cast<std::size_t>(width) * height; }
    float* plane(int c) { return data.data() + pixels() * static_cast<std::size_t>(c); }
    const float* plane(int c) const { return data.data() + pixels() * static_cast<std::size_t>(c); }
};
// A FITS image read row by row as physical values, for stacking many frames without holding
// them all: the header once, then any rows of any plane. The file's bytes must outlive it.
class FitsRows {
public:
    IoResult Open(std::span<const uint8_t> file);
    int width = 0, height = 0, planes = 0;  // 1 or 3 planes (of two, blue reads as 0)
    std::vector<std::string> cards;         // as LinearImage keeps them
    // What the header says of a colour sensor's mosaic: BAYERPAT as written (upper case,
    // trailing blanks removed; empty without the key), the parity (0 or 1) of XBAYROFF and
    // YBAYROFF (0 without them), and whether ROWORDER is 'TOP-DOWN' (the first row stored is
    // the picture's top, where FITS rows normally run from the bottom).
    std::string bayer_pattern;
    int bayer_x_offset = 0, bayer_y_offset = 0;
    bool top_down = false;
    // Rows [y0, y0 + count) of plane c into `out`, count x width values.
    void Read(int c, int y0, int count, float* out) const;
    // Where in the file those rows are stored: offset and length in bytes.
    std::pair<std::size_t, std::size_t> Bytes(int c, int y0, int count) const;

private:
    std::span<const uint8_t> file_;
    int bitpix_ = 0, stored_planes_ = 0;
    double bzero_ = 0, bscale_ = 1;
    std::size_t data_ = 0;
};

// The planes may take `memory_budget` bytes at most (a larger image is refused as too large).
IoResult DecodeFitsLinear(std::span<const uint8_t> file, LinearImage& out,
                          uint64_t memory_budget = UINT64_MAX);
// Writes 32-bit floats (BITPIX -32, blank places NaN) or, without `float32`, 16-bit samples
// (values rounded into 0..65535, blank places 0). The kept cards follow the layout cards, then
// one HISTORY card per line of `history` (long lines continue on further cards).
IoResult WriteFitsLinear(const std::string& path, const LinearImage& img, bool float32,
                         const std::vector<std::string>& history);
IoResult DecodeTiff(std::span<const uint8_t> file, DecodedImage& out);
IoResult WriteTiff(const std::string& path, const ImageRecord& rec);
// Writes the linear values as 32-bit floats (grey for one plane, else RGB), blank places NaN.
IoResult WriteTiffFloat(const std::string& path, const LinearImage& img);
IoResult DecodePng(std::span<const uint8_t> file, DecodedImage& out);
IoResult WritePng(const std::string& path, const ImageRecord& rec);
// JPEG pixels; the EXIF fields are filled by ReadExif from the same bytes.
IoResult DecodeJpeg(std::span<const uint8_t> file, DecodedImage& out);
void ReadExif(std::span<const uint8_t> file, DecodedImage& out);
IoResult WriteJpegJfif(const std::string& path, const ImageRecord& rec);
IoResult WriteJpegExif(const std::string& path, const ImageRecord& rec);
IoResult DecodeGif(std::span<const uint8_t> file, DecodedImage& out);

}  // namespace orva
