#include "imageio/formats.h"

#include "common/text.h"
#include "imageio/file_io.h"

namespace orva {

namespace {

struct Ending {
    const char* letters;
    int code;
};

constexpr Ending kEndings[] = {
    {"BMP", kFormatBmp},  {"TIF", kFormatTiff},  {"TIFF", kFormatTiff}, {"PPM", kFormatPnm},
    {"PGM", kFormatPnm},  {"JPG", kFormatJpeg},  {"JPEG", kFormatJpeg}, {"FTS", kFormatFits},
    {"FIT", kFormatFits}, {"FITS", kFormatFits}, {"GIF", kFormatGif},   {"PNG", kFormatPng},
    {"CRW", kFormatRaw},  {"CR2", kFormatRaw},   {"CR3", kFormatRaw},   {"NEF", kFormatRaw},
    {"NRW", kFormatRaw},  {"PEF", kFormatRaw},   {"RAF", kFormatRaw},   {"ORF", kFormatRaw},
    {"MRW", kFormatRaw},  {"RAW", kFormatRaw},   {"RW2", kFormatRaw},   {"RWL", kFormatRaw},
    {"SRF", kFormatRaw},  {"SR2", kFormatRaw},   {"ARW", kFormatRaw},   {"DNG", kFormatRaw},
    {"ERF", kFormatRaw},  {"KDC", kFormatRaw},   {"MEF", kFormatRaw},   {"SRW", kFormatRaw},
};

}  // namespace

int DetectFormat(std::string_view name) {
    for (const auto& e : kEndings) {
        if (EndsWithNoCase(name, e.letters)) return e.code;
    }
    return kFormatUnknown;
}

IoResult DecodeImage(std::span<const uint8_t> bytes, int code, DecodedImage& out,
                     const ReadOptions& options) {
    switch (code) {
        case kFormatBmp: return DecodeBmp(bytes, out);
        case kFormatPnm: return DecodePnm(bytes, out);
        case kFormatTiff: return DecodeTiff(bytes, out);
        case kFormatFits: return DecodeFits(bytes, out, options.fits_dark);
        case kFormatGif: return DecodeGif(bytes, out);
        case kFormatPng: return DecodePng(bytes, out);
        case kFormatJpeg: {
            IoResult r = DecodeJpeg(bytes, out);
            if (r.ok()) ReadExif(bytes, out);
            return r;
        }
        case kFormatRaw:
            return IoResult::Fail(IoStatus::Unsupported,
                                  "this build does not read this format yet");
        default: return IoResult::Fail(IoStatus::Unsupported, "unknown format");
    }
}

IoResult ReadImageFile(const std::string& path, int code, DecodedImage& out,
                       const ReadOptions& options) {
    MappedFile file;
    if (auto r = file.Open(path); !r.ok()) return r;
    DecodedImage img;
    img.memory_budget = options.memory_budget;
    img.max_pixels = options.max_pixels;
    img.header_only = options.header_only;
    IoResult r = DecodeImage(file.bytes(), code, img, options);
    if (r.ok()) out = std::move(img);
    return r;
}

IoResult WriteImageFile(const std::string& path, int code, const ImageRecord& rec,
                        const WriteOptions& options) {
    if (!rec.occupied()) return IoResult::Fail(IoStatus::Unsupported, "no image to write");
    switch (code) {
        case kFormatBmp: return WriteBmp(path, rec);
        case kFormatPnm: return WritePnm(path, rec, options.ppm_ascii);
        case kFormatTiff: return WriteTiff(path, rec);
        case kFormatPng: return WritePng(path, rec);
        case kFormatFits: return WriteFits(path, rec);
        case kFormatJpeg:
            return options.jpeg_exif ? WriteJpegExif(path, rec) : WriteJpegJfif(path, rec);
        default: return IoResult::Fail(IoStatus::Unsupported, "no writer for this format");
    }
}

}  // namespace orva
