#include "imageio/exif.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imageio/formats.h"

namespace orva {
namespace {

using Bytes = std::vector<uint8_t>;

class Tiff {
public:
    explicit Tiff(bool big_endian) : big_(big_endian) {
        b_ = big_ ? Bytes{'M', 'M', 0, 42} : Bytes{'I', 'I', 42, 0};
        Append(8, 4);
    }

    Bytes U16(uint32_t v) const { return Number(v, 2); }
    Bytes U32(uint32_t v) const { return Number(v, 4); }
    Bytes Rational(uint32_t n, uint32_t d) const { return Cat(U32(n), U32(d)); }
    static Bytes Ascii(const std::string& s) { return Cat({s.begin(), s.end()}, {0}); }
    static Bytes Cat(Bytes a, const Bytes& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    struct Field {
        uint16_t tag, type;
        uint32_t count;
        Bytes data;  // the values in file order: inline when at most 4 bytes, else after the IFD
    };

    // Writes an IFD at the end of the structure; returns its offset.
    uint32_t Ifd(const std::vector<Field>& fields) {
        const auto at = static_cast<uint32_t>(b_.size());
        Append(static_cast<uint32_t>(fields.size()), 2);
        for (const Field& f : fields)
            Append(f.tag, 2), Append(f.type, 2), Append(f.count, 4), Append(0, 4);
        Append(0, 4);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const std::size_t value = ValueField(at, static_cast<int>(i));
            const Bytes& d = fields[i].data;
            if (d.size() <= 4) {
                std::copy(d.begin(), d.end(), b_.begin() + static_cast<std::ptrdiff_t>(value));
            } else {
                Set32(value, static_cast<uint32_t>(b_.size()));
                b_.insert(b_.end(), d.begin(), d.end());
            }
        }
        return at;
    }
    // Value field of entry i of the IFD at `ifd`.
    static std::size_t ValueField(uint32_t ifd, int i) { return ifd + 2 + 12 * std::size_t(i) + 8; }

    void Set32(std::size_t at, uint32_t v) { Put(b_.data() + at, v, 4); }
    void Pad(std::size_t n) { b_.resize(b_.size() + n, 0xEE); }

    // SOI, the APP1 "Exif" segment holding the structure, and `after`.
    Bytes Jpeg(const Bytes& after = {0xFF, 0xDB, 0x00, 0x02}) const {
        const std::size_t length = 2 + 6 + b_.size();
        const auto hi = static_cast<uint8_t>(length >> 8), lo = static_cast<uint8_t>(length);
        return Cat(Cat({0xFF, 0xD8, 0xFF, 0xE1, hi, lo, 'E', 'x', 'i', 'f', 0, 0}, b_), after);
    }

private:
    void Put(uint8_t* p, uint32_t v, int n) const {
        for (int i = 0; i < n; ++i) p[big_ ? n - 1 - i : i] = static_cast<uint8_t>(v >> (8 * i));
    }
    Bytes Number(uint32_t v, int n) const {
        Bytes o(static_cast<std::size_t>(n));
        Put(o.data(), v, n);
        return o;
    }
    void Append(uint32_t v, int n) {
        b_.resize(b_.size() + static_cast<std::size_t>(n));
        Put(b_.data() + b_.size() - n, v, n);
    }

    bool big_;
    Bytes b_;
};

constexpr uint16_t kAscii = 2, kShort = 3, kLong = 4, kRational = 5;

// A typical camera structure: IFD0 at 8 with make, model, date and the Exif IFD pointer; the
// Exif IFD with exposure 1/250, F5.6 (56/10) and ISO 800.
Tiff CameraTiff(bool big) {
    Tiff t(big);
    const uint32_t ifd0 = t.Ifd({{271, kAscii, 6, Tiff::Ascii("Canon")},
                                 {272, kAscii, 13, Tiff::Ascii("Canon EOS 5D")},
                                 {282, kRational, 1, t.Rational(72, 1)},
                                 {306, kAscii, 20, Tiff::Ascii("2024:01:02 03:04:05")},
                                 {34665, kLong, 1, t.U32(0)}});
    const uint32_t exif = t.Ifd({{33434, kRational, 1, t.Rational(1, 250)},
                                 {33437, kRational, 1, t.Rational(56, 10)},
                                 {34855, kShort, 1, t.U16(800)}});
    t.Set32(Tiff::ValueField(ifd0, 4), exif);
    return t;
}

DecodedImage Read(const Bytes& file) {
    DecodedImage img;
    img.camera_make = "stale";
    img.exposure_time = 1;
    img.exif = {1, 2, 3};
    ReadExif(file, img);
    return img;
}

struct Fields {
    std::string make, model, date;
    uint32_t exposure = 0, f_number = 0, iso = 0;
};
const Fields kCamera{"Canon",        "Canon EOS 5D", "2024:01:02 03:04:05",
                     1u << 16 | 250, 56u << 16 | 10, 800};

void ExpectFields(const DecodedImage& img, const Fields& want) {
    EXPECT_EQ(img.camera_make, want.make);
    EXPECT_EQ(img.camera_model, want.model);
    EXPECT_EQ(img.date_time, want.date);
    EXPECT_EQ(img.exposure_time, want.exposure);
    EXPECT_EQ(img.f_number, want.f_number);
    EXPECT_EQ(img.iso, want.iso);
}

// IFD0 holding only the Exif IFD pointer, set to the given Exif IFD.
Bytes WithExifIfd(Tiff& t, uint32_t exif) {
    t.Set32(4, t.Ifd({{34665, kLong, 1, t.U32(exif)}}));
    return t.Jpeg();
}

// A camera structure followed by a segment with the given marker and length.
Bytes CameraThen(uint8_t marker, uint8_t length) {
    return CameraTiff(false).Jpeg({0xFF, marker, 0x00, length, 'x', 'm', 'p', '!'});
}

// SOI, a JFIF APP0 whose length is `length`, then the camera's EXIF APP1 and the tables.
Bytes JfifFirst(uint8_t length) {
    Bytes file = CameraTiff(true).Jpeg();
    const uint8_t app0[] = {0xFF, 0xE0, 0x00, length, 'J', 'F', 'I', 'F', 0,
                            1,    1,    0,    0,      1,   0,   1,   0,   0};
    file.resize(file.size() + sizeof app0);
    std::copy_backward(file.begin() + 2, file.end() - sizeof app0, file.end());
    std::copy(std::begin(app0), std::end(app0), file.begin() + 2);
    return file;
}

Bytes Patched(Bytes b, std::size_t at, uint8_t v) {
    b[at] = v;
    return b;
}

TEST(ExifRead, Structures) {
    constexpr int kNoBlock = -1;
    struct Case {
        const char* name;
        Bytes file;
        int tail;  // bytes at the end of the file outside the kept block
        Fields want;
    };
    // IFD0 after the Exif IFD and some padding, with more than 255 entries (the count's high
    // byte is not zero).
    Tiff far(true);
    {
        const uint32_t exif = far.Ifd({{34855, kShort, 1, far.U16(3200)}});
        far.Pad(13);
        std::vector<Tiff::Field> fields{{271, kAscii, 5, Tiff::Ascii("SONY")}};
        for (uint16_t tag = 300; tag < 560; ++tag) fields.push_back({tag, kShort, 1, far.U16(7)});
        fields.push_back({34665, kLong, 1, far.U32(exif)});
        far.Set32(4, far.Ifd(fields));
    }
    // A make inside the value field, a model longer than 31 characters, a date with a NUL.
    Tiff texts(false);
    texts.Ifd({{271, kAscii, 3, Tiff::Ascii("LG")},
               {272, kAscii, 41, Tiff::Ascii(std::string(40, 'M'))},
               {306, kAscii, 20, Tiff::Ascii(std::string("2020:02:02\0garbage!", 19))}});
    Tiff two_shorts(false), iso_long(true), rationals(true);
    Bytes shorts = two_shorts.U16(400);
    const Bytes second = two_shorts.U16(1600);
    shorts.insert(shorts.end(), second.begin(), second.end());
    const Bytes iso_shorts = WithExifIfd(two_shorts, two_shorts.Ifd({{34855, kShort, 2, shorts}}));
    const Bytes iso_as_long =
        WithExifIfd(iso_long, iso_long.Ifd({{34855, kLong, 1, iso_long.U32(102400)}}));
    const Bytes large_rationals = WithExifIfd(
        rationals, rationals.Ifd({{33434, kRational, 1, rationals.Rational(5555, 999900)},
                                  {33437, kRational, 1, rationals.Rational(280000, 100000)}}));

    // clang-format off
    const Case cases[] = {
        {"Intel",                       CameraTiff(false).Jpeg(), 4, kCamera},
        {"Motorola",                    CameraTiff(true).Jpeg(),  4, kCamera},
        {"IFD0 anywhere, 260 entries",  far.Jpeg(),               4, {"SONY", "", "", 0, 0, 3200}},
        {"texts cut at NUL and 31",     texts.Jpeg(),             4, {"LG", std::string(31, 'M'), "2020:02:02", 0, 0, 0}},
        {"ISO as two shorts",           iso_shorts,               4, {"", "", "", 0, 0, 400}},
        {"ISO as long",                 iso_as_long,              4, {"", "", "", 0, 0, 102400}},
        {"rationals reduced",           large_rationals,          4, {"", "", "", 1u << 16 | 180, 14u << 16 | 5, 0}},
        {"following APP1 kept",         CameraThen(0xE1, 6),      0, kCamera},
        {"following APP2 left",         CameraThen(0xE2, 6),      8, kCamera},
        {"JFIF before EXIF",            JfifFirst(0x10),          4, kCamera},
        {"APP0 instead of APP1",        Patched(CameraTiff(false).Jpeg(), 3, 0xE0), kNoBlock, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedImage img = Read(c.file);
        ExpectFields(img, c.want);
        if (c.tail == kNoBlock) {
            EXPECT_TRUE(img.exif.empty());
        } else {
            // The block runs from SOI through the EXIF segment (and a following APP1).
            ASSERT_EQ(img.exif.size(), c.file.size() - static_cast<std::size_t>(c.tail));
            EXPECT_TRUE(std::equal(img.exif.begin(), img.exif.end(), c.file.begin()));
        }
    }
}

TEST(ExifRead, RationalsAreReducedToFitSixteenBits) {
    struct Case {
        uint32_t n, d, packed;
    };
    // clang-format off
    const Case cases[] = {
        {1, 8000, 1u << 16 | 8000},
        {0, 0, 0},
        {1, 100000, 1u << 16 | 65535},    // nearest that fits
        {100000, 1, 65535u << 16 | 1},
        // 1389/250000 after reduction: the nearest fraction with 16-bit parts is 139/25018
        // (scaling both parts down instead would give 364/65535, further off).
        {5556, 1000000, 139u << 16 | 25018},
    };
    // clang-format on
    for (const Case& c : cases) EXPECT_EQ(PackRational(c.n, c.d), c.packed) << c.n << "/" << c.d;
}

constexpr std::size_t T = 12;  // TIFF offsets count from here

uint32_t LeAt(const std::array<uint8_t, kExifTemplateSize>& b, std::size_t at, int width) {
    uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = v << 8 | b[T + at + static_cast<std::size_t>(i)];
    return v;
}

TEST(ExifTemplate, ReadsBackWithTextsCutToTheirRoom) {
    struct Case {
        std::string make, model, date;
        uint32_t exposure, f_number, iso;
        Fields want;
        uint32_t make_count;
    };
    // clang-format off
    const Case cases[] = {
        // Cut to their room; the ISO to the most a SHORT holds.
        {std::string(30, 'A'), std::string(20, 'B'), "2023:07:08 21:30:00 extra", 0, 0, 100000,
         {std::string(21, 'A'), std::string(15, 'B'), "2023:07:08 21:30:00", 0, 0, 65535}, 22},
        // Without camera data: empty texts (count 1, nothing to point at), 0/0 rationals.
        {"", "", "", 0, 0, 0, {}, 1},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.make);
        const auto b = BuildExifTemplate(c.make, c.model, c.date, c.exposure, c.f_number, c.iso);
        DecodedImage img;
        img.camera_make = "x";
        ReadExif(b, img);
        ExpectFields(img, c.want);
        EXPECT_EQ(LeAt(b, 14, 4), c.make_count);
        EXPECT_EQ(b[T + 196], 72);  // the model did not run into the resolution
    }
    // A short make lies in the value field.
    const auto s = BuildExifTemplate("LG", "X", "", 0, 0, 0);
    EXPECT_EQ(s[T + 18], 'L');
    EXPECT_EQ(s[T + 19], 'G');
    EXPECT_EQ(s[T + 158], 0);
}

}  // namespace
}  // namespace orva
