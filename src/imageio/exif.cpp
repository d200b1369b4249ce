// EXIF camera data of JPEG files.
//
// Reading: the program recognises EXIF only where cameras put it, in an APP1 segment right
// after SOI. That segment (and an APP1 directly following it, usually XMP) is kept byte for
// byte so that a saved EXIF JPEG carries the camera's data unchanged; make, model, date,
// exposure time, F-number and ISO are taken out of IFD0 and the Exif IFD. Every offset and
// count comes from the file and is checked against the segment before it is followed; a
// damaged structure gives empty or partial fields, never a read outside the segment.
//
// Writing: images without such a segment get a fixed 768-byte block laid out at fixed
// offsets, filled with the record's camera fields.
#include "imageio/exif.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

#include "imageio/file_io.h"
#include "imageio/formats.h"

namespace orva {

namespace {

// SOI, APP1 marker, APP1 length, "Exif\0\0": the TIFF structure starts here.
constexpr std::size_t kTiffStart = 12;

constexpr uint16_t kTagMake = 271;
constexpr uint16_t kTagModel = 272;
constexpr uint16_t kTagDateTime = 306;
constexpr uint16_t kTagExifIfd = 34665;
constexpr uint16_t kTagExposureTime = 33434;
constexpr uint16_t kTagFNumber = 33437;
constexpr uint16_t kTagIso = 34855;

constexpr uint16_t kTypeByte = 1, kTypeAscii = 2, kTypeShort = 3, kTypeLong = 4, kTypeRational = 5,
                   kTypeUndefined = 7, kTypeIfd = 13;

// The TIFF structure inside the APP1 segment, read in its own byte order.
class TiffView {
public:
    TiffView(const uint8_t* data, std::size_t size, bool big_endian)
        : data_(data), size_(size), big_(big_endian) {}

    bool Has(uint64_t offset, uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    uint16_t U16(std::size_t at) const { return big_ ? Be16(data_ + at) : Le16(data_ + at); }
    uint32_t U32(std::size_t at) const { return big_ ? Be32(data_ + at) : Le32(data_ + at); }
    const uint8_t* At(std::size_t at) const { return data_ + at; }

private:
    const uint8_t* data_;
    std::size_t size_;
    bool big_;
};

struct IfdEntry {
    uint16_t tag, type;
    uint32_t count;
    std::size_t field;  // offset of the 4-byte value field
};

// Calls fn for each entry of the IFD at `offset` that lies wholly inside the structure.
template <typename Fn>
void ForEachEntry(const TiffView& tiff, uint32_t offset, Fn fn) {
    if (!tiff.Has(offset, 2)) return;
    const uint32_t count = tiff.U16(offset);
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t at = uint64_t{offset} + 2 + 12 * uint64_t{i};
        if (!tiff.Has(at, 12)) return;
        const auto a = static_cast<std::size_t>(at);
        fn(IfdEntry{tiff.U16(a), tiff.U16(a + 2), tiff.U32(a + 4), a + 8});
    }
}

// Where an entry's values lie: in the value field itself when they fit in its four bytes,
// else at the offset it holds. False when they do not lie inside the structure.
bool ValuePlace(const TiffView& tiff, const IfdEntry& e, uint32_t unit, std::size_t& at,
                std::size_t& length) {
    const uint64_t bytes = uint64_t{e.count} * unit;
    const uint64_t offset = bytes <= 4 ? e.field : tiff.U32(e.field);
    if (!tiff.Has(offset, bytes)) return false;
    at = static_cast<std::size_t>(offset);
    length = static_cast<std::size_t>(bytes);
    return true;
}

void ReadText(const TiffView& tiff, const IfdEntry& e, std::string& field) {
    if (e.type != kTypeAscii && e.type != kTypeByte && e.type != kTypeUndefined) return;
    std::size_t at = 0, length = 0;
    if (!ValuePlace(tiff, e, 1, at, length)) return;
    SetCameraText(field, {reinterpret_cast<const char*>(tiff.At(at)), length});
}

bool ReadRational(const TiffView& tiff, const IfdEntry& e, uint32_t& packed) {
    if (e.type != kTypeRational || e.count < 1) return false;
    const uint32_t offset = tiff.U32(e.field);
    if (!tiff.Has(offset, 8)) return false;
    packed = PackRational(tiff.U32(offset), tiff.U32(offset + 4));
    return true;
}

bool ReadIso(const TiffView& tiff, const IfdEntry& e, uint32_t& iso) {
    if (e.count < 1) return false;
    // Some cameras list two values; the first is the one in use.
    std::size_t at = 0, length = 0;
    if (e.type == kTypeShort && ValuePlace(tiff, e, 2, at, length)) {
        iso = tiff.U16(at);
        return true;
    }
    if (e.type == kTypeLong && ValuePlace(tiff, e, 4, at, length)) {
        iso = tiff.U32(at);
        return true;
    }
    return false;
}

void ClearCamera(DecodedImage& out) {
    out.exif.clear();
    out.camera_make.clear();
    out.camera_model.clear();
    out.date_time.clear();
    out.exposure_time = out.f_number = out.iso = 0;
}

// Best approximation p/q of n/d (0 < n < d) with q <= limit, from the continued fraction
// of n/d: the last convergent within the limit or the semiconvergent after it, whichever is
// closer.
void Approximate(uint64_t n, uint64_t d, uint64_t limit, uint64_t& p, uint64_t& q) {
    uint64_t p0 = 0, q0 = 1, p1 = 1, q1 = 0;
    uint64_t a_n = n, a_d = d;
    while (a_d != 0) {
        const uint64_t a = a_n / a_d;
        const uint64_t q2 = q0 + a * q1;
        if (q2 > limit) break;
        const uint64_t p2 = p0 + a * p1;
        p0 = p1;
        q0 = q1;
        p1 = p2;
        q1 = q2;
        const uint64_t r = a_n - a * a_d;
        a_n = a_d;
        a_d = r;
    }
    const uint64_t k = (limit - q0) / q1;
    const uint64_t pb = p0 + k * p1, qb = q0 + k * q1;
    const long double x = static_cast<long double>(n) / static_cast<long double>(d);
    const long double e1 =
        std::fabs(static_cast<long double>(p1) / static_cast<long double>(q1) - x);
    const long double e2 =
        std::fabs(static_cast<long double>(pb) / static_cast<long double>(qb) - x);
    if (e1 <= e2) {
        p = p1;
        q = q1;
    } else {
        p = pb;
        q = qb;
    }
}

// ---- the written block ----

constexpr std::size_t kIfd0 = 8;    // TIFF offsets from here on
constexpr std::size_t kIfd1 = 256;  // empty
constexpr std::size_t kExifIfd = 360;
constexpr std::size_t kMakeAt = 158, kMakeRoom = 22;
constexpr std::size_t kModelAt = 180, kModelRoom = 16;
constexpr std::size_t kXResAt = 196, kYResAt = 204;
constexpr std::size_t kDateAt = 212, kDateRoom = 20;
constexpr std::size_t kExposureAt = 566, kFNumberAt = 574;
constexpr std::size_t kDateOriginalAt = 582, kDateDigitizedAt = 602;
// The GPS IFD pointer points at zero bytes just after the date: an empty IFD. (A pointer
// beyond the block would make EXIF readers report a damaged GPS directory.)
constexpr uint32_t kGpsIfd = 232;

class TemplateWriter {
public:
    explicit TemplateWriter(std::array<uint8_t, kExifTemplateSize>& b) : b_(b) {}

    uint8_t* T(std::size_t at) { return b_.data() + kTiffStart + at; }

    void Entry(std::size_t entry_at, uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        uint8_t* e = T(entry_at);
        PutLe16(e, tag);
        PutLe16(e + 2, type);
        PutLe32(e + 4, count);
        PutLe32(e + 8, value);
    }

    // An ASCII entry: the text (cut to its room less the NUL) goes to `text_at`, or into
    // the value field itself when text and NUL fit in four bytes, as TIFF readers expect.
    void Text(std::size_t entry_at, uint16_t tag, std::size_t text_at, std::size_t room,
              std::string_view text) {
        text = text.substr(0, std::min(text.find('\0'), room - 1));
        const auto count = static_cast<uint32_t>(text.size() + 1);
        if (count <= 4) {
            Entry(entry_at, tag, kTypeAscii, count, 0);
            std::memcpy(T(entry_at + 8), text.data(), text.size());
        } else {
            Entry(entry_at, tag, kTypeAscii, count, static_cast<uint32_t>(text_at));
            std::memcpy(T(text_at), text.data(), text.size());
        }
    }

    void Rational(std::size_t at, uint32_t numerator, uint32_t denominator) {
        PutLe32(T(at), numerator);
        PutLe32(T(at + 4), denominator);
    }

private:
    std::array<uint8_t, kExifTemplateSize>& b_;
};

}  // namespace

uint32_t PackRational(uint32_t numerator, uint32_t denominator) {
    constexpr uint32_t kLimit = 0xFFFF;
    uint64_t n = numerator, d = denominator;
    if (n > kLimit || d > kLimit) {
        const uint64_t g = std::gcd(n, d);
        n /= g;
        d /= g;
    }
    if (n > kLimit || d > kLimit) {
        uint64_t p = 0, q = 0;
        if (n < d) {
            Approximate(n, d, kLimit, p, q);
        } else {
            Approximate(d, n, kLimit, q, p);  // n/d >= 1: bound the numerator instead
        }
        n = p;
        d = q;
    }
    return static_cast<uint32_t>(n << 16 | d);
}

void ReadExif(std::span<const uint8_t> file, DecodedImage& out) {
    ClearCamera(out);
    const uint8_t* d = file.data();
    const std::size_t size = file.size();
    if (size < 4 || d[0] != 0xFF || d[1] != 0xD8) return;
    // Cameras put the EXIF segment right after SOI; editors and phones often put a JFIF APP0
    // first. Both keep the leading bytes up to and including the EXIF segment.
    std::size_t app1 = 2;
    if (d[2] == 0xFF && d[3] == 0xE0) {
        if (size < 6 || Be16(d + 4) < 2) return;
        app1 = 4 + std::size_t{Be16(d + 4)};
    }
    const std::size_t tiff_start = app1 + 10;
    if (tiff_start > size || d[app1] != 0xFF || d[app1 + 1] != 0xE1 ||
        std::memcmp(d + app1 + 4, "Exif\0", 5) != 0)
        return;
    const std::size_t app1_end = app1 + 2 + std::size_t{Be16(d + app1 + 2)};
    if (app1_end < tiff_start || app1_end > size) return;
    std::size_t block_end = app1_end;
    if (app1_end + 4 <= size && d[app1_end] == 0xFF && d[app1_end + 1] == 0xE1) {
        const std::size_t second_length = Be16(d + app1_end + 2);
        if (second_length >= 2 && app1_end + 2 + second_length <= size)
            block_end = app1_end + 2 + second_length;
    }
    out.exif.assign(d, d + block_end);

    const uint8_t* t = d + tiff_start;
    const std::size_t tiff_size = app1_end - tiff_start;
    if (tiff_size < 8) return;
    bool big;
    if (t[0] == 'I' && t[1] == 'I') {
        big = false;
    } else if (t[0] == 'M' && t[1] == 'M') {
        big = true;
    } else {
        return;
    }
    const TiffView tiff(t, tiff_size, big);
    if (tiff.U16(2) != 42) return;

    uint32_t exif_ifd = 0;
    bool have_exif_ifd = false;
    ForEachEntry(tiff, tiff.U32(4), [&](const IfdEntry& e) {
        switch (e.tag) {
            case kTagMake: ReadText(tiff, e, out.camera_make); break;
            case kTagModel: ReadText(tiff, e, out.camera_model); break;
            case kTagDateTime: ReadText(tiff, e, out.date_time); break;
            case kTagExifIfd:
                if ((e.type == kTypeLong || e.type == kTypeIfd) && e.count >= 1) {
                    exif_ifd = tiff.U32(e.field);
                    have_exif_ifd = true;
                }
                break;
            default: break;
        }
    });
    if (!have_exif_ifd) return;
    ForEachEntry(tiff, exif_ifd, [&](const IfdEntry& e) {
        switch (e.tag) {
            case kTagExposureTime: ReadRational(tiff, e, out.exposure_time); break;
            case kTagFNumber: ReadRational(tiff, e, out.f_number); break;
            case kTagIso: ReadIso(tiff, e, out.iso); break;
            default: break;
        }
    });
}

std::array<uint8_t, kExifTemplateSize> BuildExifTemplate(std::string_view make,
                                                         std::string_view model,
                                                         std::string_view date_time,
                                                         uint32_t exposure_time, uint32_t f_number,
                                                         uint32_t iso) {
    std::array<uint8_t, kExifTemplateSize> b{};
    const uint8_t head[] = {0xFF, 0xD8, 0xFF, 0xE1, 0x02, 0xFC, 'E', 'x', 'i',
                            'f',  0,    0,    'I',  'I',  42,   0,   8,   0};
    std::memcpy(b.data(), head, sizeof head);
    TemplateWriter w(b);

    constexpr std::size_t kIfd0Entries = kIfd0 + 2;
    auto ifd0 = [](int i) { return kIfd0Entries + 12 * static_cast<std::size_t>(i); };
    PutLe16(w.T(kIfd0), 12);
    w.Text(ifd0(0), kTagMake, kMakeAt, kMakeRoom, make);
    w.Text(ifd0(1), kTagModel, kModelAt, kModelRoom, model);
    w.Entry(ifd0(2), 274, kTypeShort, 1, 1);  // Orientation: top left
    w.Entry(ifd0(3), 282, kTypeRational, 1, kXResAt);
    w.Entry(ifd0(4), 283, kTypeRational, 1, kYResAt);
    w.Entry(ifd0(5), 296, kTypeShort, 1, 2);  // ResolutionUnit: inch
    w.Text(ifd0(6), kTagDateTime, kDateAt, kDateRoom, date_time);
    w.Entry(ifd0(7), 315, kTypeAscii, 1, 0);    // Artist: empty
    w.Entry(ifd0(8), 531, kTypeShort, 1, 2);    // YCbCrPositioning: co-sited
    w.Entry(ifd0(9), 33432, kTypeAscii, 1, 0);  // Copyright: empty
    w.Entry(ifd0(10), kTagExifIfd, kTypeLong, 1, kExifIfd);
    w.Entry(ifd0(11), 34853, kTypeLong, 1, kGpsIfd);
    PutLe32(w.T(ifd0(12)), kIfd1);
    w.Rational(kXResAt, 72, 1);
    w.Rational(kYResAt, 72, 1);

    constexpr std::size_t kExifEntries = kExifIfd + 2;
    auto ex = [](int i) { return kExifEntries + 12 * static_cast<std::size_t>(i); };
    PutLe16(w.T(kExifIfd), 9);
    w.Entry(ex(0), kTagExposureTime, kTypeRational, 1, kExposureAt);
    w.Entry(ex(1), kTagFNumber, kTypeRational, 1, kFNumberAt);
    w.Entry(ex(2), 34850, kTypeShort, 1, 3);  // ExposureProgram: aperture priority
    // A SHORT cannot hold more; EXIF readers take 65535 as "this much or more".
    w.Entry(ex(3), kTagIso, kTypeShort, 1, std::min<uint32_t>(iso, 0xFFFF));
    w.Entry(ex(4), 34864, kTypeShort, 1, 2);      // SensitivityType
    w.Entry(ex(5), 34866, kTypeLong, 1, 100);     // RecommendedExposureIndex
    w.Entry(ex(6), 36864, kTypeUndefined, 4, 0);  // ExifVersion
    std::memcpy(w.T(ex(6) + 8), "0230", 4);
    w.Text(ex(7), 36867, kDateOriginalAt, kDateRoom, date_time);
    w.Text(ex(8), 36868, kDateDigitizedAt, kDateRoom, date_time);
    w.Rational(kExposureAt, exposure_time >> 16, exposure_time & 0xFFFF);
    w.Rational(kFNumberAt, f_number >> 16, f_number & 0xFFFF);
    return b;
}

}  // namespace orva
