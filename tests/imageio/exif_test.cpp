#include "imageio/exif.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imageio/formats.h"

namespace orva {
namespace {

using Bytes = std::vector<uint8_t>;

// ---- a TIFF structure inside an EXIF APP1 segment, built by hand ----

class Tiff {
public:
    explicit Tiff(bool big_endian) : big_(big_endian) {
        b_ = big_ ? Bytes{'M', 'M', 0, 42} : Bytes{'I', 'I', 42, 0};
        Append32(8);
    }

    Bytes U16(uint32_t v) const {
        Bytes o(2);
        Put16(o.data(), v);
        return o;
    }
    Bytes U32(uint32_t v) const {
        Bytes o(4);
        Put32(o.data(), v);
        return o;
    }
    Bytes Rational(uint32_t n, uint32_t d) const {
        Bytes o = U32(n);
        const Bytes dd = U32(d);
        o.insert(o.end(), dd.begin(), dd.end());
        return o;
    }
    static Bytes Ascii(const std::string& s) {
        Bytes o(s.begin(), s.end());
        o.push_back(0);
        return o;
    }

    struct Field {
        uint16_t tag, type;
        uint32_t count;
        Bytes data;  // the values in file order: inline when at most 4 bytes, else after the IFD
    };

    // Writes an IFD at the end of the structure; returns its offset.
    uint32_t Ifd(const std::vector<Field>& fields) {
        const auto at = static_cast<uint32_t>(b_.size());
        Append16(static_cast<uint32_t>(fields.size()));
        for (const Field& f : fields) {
            Append16(f.tag);
            Append16(f.type);
            Append32(f.count);
            Append32(0);
        }
        Append32(0);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const std::size_t value = at + 2 + 12 * i + 8;
            const Bytes& d = fields[i].data;
            if (d.size() <= 4) {
                std::copy(d.begin(), d.end(), b_.begin() + static_cast<std::ptrdiff_t>(value));
            } else {
                Put32(b_.data() + value, static_cast<uint32_t>(b_.size()));
                b_.insert(b_.end(), d.begin(), d.end());
            }
        }
        return at;
    }
    // Value field of entry i of the IFD at `ifd`.
    static std::size_t ValueField(uint32_t ifd, int i) { return ifd + 2 + 12 * std::size_t(i) + 8; }

    void Set32(std::size_t at, uint32_t v) { Put32(b_.data() + at, v); }
    void Set16(std::size_t at, uint32_t v) { Put16(b_.data() + at, v); }
    void Pad(std::size_t n) { b_.resize(b_.size() + n, 0xEE); }
    Bytes& bytes() { return b_; }

    // SOI, the APP1 "Exif" segment holding the structure, and `after`.
    Bytes Jpeg(const Bytes& after = {0xFF, 0xDB, 0x00, 0x02}) const {
        const std::size_t length = 2 + 6 + b_.size();
        uint8_t head[12] = {0xFF, 0xD8, 0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
        head[4] = static_cast<uint8_t>(length >> 8);
        head[5] = static_cast<uint8_t>(length);
        Bytes o(sizeof head + b_.size() + after.size());
        std::memcpy(o.data(), head, sizeof head);
        std::copy(b_.begin(), b_.end(), o.begin() + sizeof head);
        std::copy(after.begin(), after.end(),
                  o.begin() + static_cast<long>(sizeof head + b_.size()));
        return o;
    }

private:
    void Put16(uint8_t* p, uint32_t v) const {
        if (big_) {
            p[0] = static_cast<uint8_t>(v >> 8);
            p[1] = static_cast<uint8_t>(v);
        } else {
            p[0] = static_cast<uint8_t>(v);
            p[1] = static_cast<uint8_t>(v >> 8);
        }
    }
    void Put32(uint8_t* p, uint32_t v) const {
        if (big_) {
            Put16(p, v >> 16);
            Put16(p + 2, v);
        } else {
            Put16(p, v);
            Put16(p + 2, v >> 16);
        }
    }
    void Append16(uint32_t v) {
        b_.resize(b_.size() + 2);
        Put16(b_.data() + b_.size() - 2, v);
    }
    void Append32(uint32_t v) {
        b_.resize(b_.size() + 4);
        Put32(b_.data() + b_.size() - 4, v);
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

void ExpectCamera(const DecodedImage& img) {
    EXPECT_EQ(img.camera_make, "Canon");
    EXPECT_EQ(img.camera_model, "Canon EOS 5D");
    EXPECT_EQ(img.date_time, "2024:01:02 03:04:05");
    EXPECT_EQ(img.exposure_time, 1u << 16 | 250);
    EXPECT_EQ(img.f_number, 56u << 16 | 10);
    EXPECT_EQ(img.iso, 800u);
}

void ExpectNothing(const DecodedImage& img) {
    EXPECT_TRUE(img.exif.empty());
    EXPECT_EQ(img.camera_make, "");
    EXPECT_EQ(img.camera_model, "");
    EXPECT_EQ(img.date_time, "");
    EXPECT_EQ(img.exposure_time, 0u);
    EXPECT_EQ(img.f_number, 0u);
    EXPECT_EQ(img.iso, 0u);
}

// ---- reading ----

TEST(ExifRead, IntelAndMotorolaByteOrdersGiveTheSameFields) {
    for (bool big : {false, true}) {
        SCOPED_TRACE(big ? "MM" : "II");
        const Bytes file = CameraTiff(big).Jpeg();
        const DecodedImage img = Read(file);
        ExpectCamera(img);
        // The block is SOI and the APP1 segment, not the tables after it.
        EXPECT_EQ(img.exif, Bytes(file.begin(), file.end() - 4));
    }
}

TEST(ExifRead, IfdZeroIsFoundThroughTheHeaderWhereverItLies) {
    // Exif IFD first, then some padding, then IFD0 with more than 255 entries (the count's
    // high byte is not zero).
    Tiff t(true);
    const uint32_t exif = t.Ifd({{34855, kShort, 1, t.U16(3200)}});
    t.Pad(13);
    std::vector<Tiff::Field> fields;
    fields.push_back({271, kAscii, 5, Tiff::Ascii("SONY")});
    for (uint16_t tag = 300; tag < 560; ++tag) fields.push_back({tag, kShort, 1, t.U16(7)});
    fields.push_back({34665, kLong, 1, t.U32(exif)});
    const uint32_t ifd0 = t.Ifd(fields);
    t.Set32(4, ifd0);
    const DecodedImage img = Read(t.Jpeg());
    EXPECT_EQ(img.camera_make, "SONY");
    EXPECT_EQ(img.iso, 3200u);
}

TEST(ExifRead, TextsInlineCutAtTheirNulAndAtThirtyOneCharacters) {
    Tiff t(false);
    const std::string long_model(40, 'M');
    t.Ifd({{271, kAscii, 3, Tiff::Ascii("LG")},  // three bytes: inside the value field
           {272, kAscii, 41, Tiff::Ascii(long_model)},
           {306, kAscii, 20, Tiff::Ascii(std::string("2020:02:02\0garbage!", 19))}});
    const DecodedImage img = Read(t.Jpeg());
    EXPECT_EQ(img.camera_make, "LG");
    EXPECT_EQ(img.camera_model, std::string(31, 'M'));
    EXPECT_EQ(img.date_time, "2020:02:02");
    EXPECT_EQ(img.exposure_time, 0u);  // no Exif IFD
}

TEST(ExifRead, IsoAsTwoShortsOrAsLong) {
    for (bool big : {false, true}) {
        Tiff a(big);
        Bytes two = a.U16(400);
        const Bytes second = a.U16(1600);
        two.insert(two.end(), second.begin(), second.end());
        const uint32_t exif_a = a.Ifd({{34855, kShort, 2, two}});
        a.Set32(4, a.Ifd({{34665, kLong, 1, a.U32(exif_a)}}));
        EXPECT_EQ(Read(a.Jpeg()).iso, 400u);

        Tiff b(big);
        const uint32_t exif_b = b.Ifd({{34855, kLong, 1, b.U32(102400)}});
        b.Set32(4, b.Ifd({{34665, kLong, 1, b.U32(exif_b)}}));
        EXPECT_EQ(Read(b.Jpeg()).iso, 102400u);
    }
}

TEST(ExifRead, RationalsAreReducedToFitSixteenBits) {
    EXPECT_EQ(PackRational(1, 8000), 1u << 16 | 8000);
    EXPECT_EQ(PackRational(10, 1), 10u << 16 | 1);
    EXPECT_EQ(PackRational(0, 0), 0u);
    EXPECT_EQ(PackRational(280000, 100000), 14u << 16 | 5);  // f/2.8 with a large denominator
    EXPECT_EQ(PackRational(1, 100000), 1u << 16 | 65535);    // nearest that fits
    EXPECT_EQ(PackRational(100000, 1), 65535u << 16 | 1);
    EXPECT_EQ(PackRational(0, 1000000), 0u << 16 | 1);
    // 1389/250000 after reduction: the nearest fraction with 16-bit parts is 139/25018
    // (scaling both parts down instead would give 364/65535, further off).
    EXPECT_EQ(PackRational(5556, 1000000), 139u << 16 | 25018);
    EXPECT_EQ(PackRational(5555, 999900), 1u << 16 | 180);  // reduces exactly
    // 10/3 s written in microseconds.
    EXPECT_EQ(PackRational(3333333, 1000000), 10u << 16 | 3);

    // Read from the file the same way.
    Tiff t(true);
    const uint32_t exif = t.Ifd({{33434, kRational, 1, t.Rational(5555, 999900)},
                                 {33437, kRational, 1, t.Rational(280000, 100000)}});
    t.Set32(4, t.Ifd({{34665, kLong, 1, t.U32(exif)}}));
    const DecodedImage img = Read(t.Jpeg());
    EXPECT_EQ(img.exposure_time, 1u << 16 | 180);
    EXPECT_EQ(img.f_number, 14u << 16 | 5);
}

TEST(ExifRead, BlockTakesADirectlyFollowingApp1ButNothingElse) {
    const Tiff t = CameraTiff(false);
    const Bytes xmp = {0xFF, 0xE1, 0x00, 0x06, 'x', 'm', 'p', '!'};
    Bytes after = xmp;
    after.insert(after.end(), {0xFF, 0xDB, 0x00, 0x02});
    Bytes file = t.Jpeg(after);
    DecodedImage img = Read(file);
    EXPECT_EQ(img.exif, Bytes(file.begin(), file.end() - 4));
    ExpectCamera(img);

    // An APP2 after the EXIF segment is not part of the block.
    Bytes app2 = xmp;
    app2[1] = 0xE2;
    file = t.Jpeg(app2);
    EXPECT_EQ(Read(file).exif.size(), file.size() - app2.size());

    // A second APP1 whose length runs past the end of the file, or is too short to cover
    // its own two bytes, is left out.
    for (uint8_t length : {uint8_t{0x40}, uint8_t{0x01}}) {
        Bytes cut = xmp;
        cut[3] = length;
        file = t.Jpeg(cut);
        img = Read(file);
        EXPECT_EQ(img.exif.size(), file.size() - cut.size());
        ExpectCamera(img);
    }
}

TEST(ExifRead, AJfifSegmentBeforeTheExifSegmentIsKeptWithIt) {
    // What editors and phones write: SOI, JFIF APP0, then the EXIF APP1.
    const Bytes camera = CameraTiff(true).Jpeg();
    const Bytes app0 = {0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
    Bytes file = {0xFF, 0xD8};
    file.insert(file.end(), app0.begin(), app0.end());
    file.insert(file.end(), camera.begin() + 2, camera.end());
    const DecodedImage img = Read(file);
    ExpectCamera(img);
    // The block runs from SOI through the EXIF segment: the following marker is not in it.
    ASSERT_EQ(img.exif.size(), file.size() - 4);
    EXPECT_TRUE(std::equal(img.exif.begin(), img.exif.end(), file.begin()));
    // A broken JFIF length finds no EXIF segment.
    file[5] = 1;
    ExpectNothing(Read(file));
}

TEST(ExifRead, FilesWithoutAnExifSegmentRightAfterSoiClearEverything) {
    Bytes jfif = CameraTiff(false).Jpeg();
    jfif[3] = 0xE0;
    ExpectNothing(Read(jfif));

    Bytes misspelt = CameraTiff(false).Jpeg();
    misspelt[8] = 'I';
    ExpectNothing(Read(misspelt));

    // APP1 length beyond the end of the file.
    Bytes overlong = CameraTiff(false).Jpeg({});
    overlong.pop_back();
    ExpectNothing(Read(overlong));

    ExpectNothing(Read({}));
    ExpectNothing(Read({0xFF, 0xD8, 0xFF, 0xE1, 0x00}));
}

TEST(ExifRead, AStructureThatIsNotTiffKeepsTheBlockButNoFields) {
    Tiff t(false);
    t.Ifd({{271, kAscii, 6, Tiff::Ascii("Canon")}});
    t.bytes()[0] = 'X';
    const Bytes file = t.Jpeg();
    const DecodedImage img = Read(file);
    EXPECT_EQ(img.exif.size(), file.size() - 4);
    EXPECT_EQ(img.camera_make, "");
}

// ---- hostile structures ----

TEST(ExifHostile, OffsetsAndCountsOutsideTheSegmentAreIgnored) {
    {
        Tiff t(false);  // IFD0 beyond the end
        t.Ifd({{271, kAscii, 6, Tiff::Ascii("Canon")}});
        t.Set32(4, 0xFFFFFFF0);
        EXPECT_EQ(Read(t.Jpeg()).camera_make, "");
    }
    {
        Tiff t(true);  // texts pointing past the end or with absurd counts; one good text
        const uint32_t ifd0 = t.Ifd({{271, kAscii, 6, Tiff::Ascii("Canon")},
                                     {272, kAscii, 0xFFFFFFFF, Tiff::Ascii("Model")},
                                     {306, kAscii, 20, Tiff::Ascii("2024:01:02 03:04:05")}});
        t.Set32(Tiff::ValueField(ifd0, 0), 0x7FFFFFFF);
        const DecodedImage img = Read(t.Jpeg());
        EXPECT_EQ(img.camera_make, "");
        EXPECT_EQ(img.camera_model, "");
        EXPECT_EQ(img.date_time, "2024:01:02 03:04:05");
    }
    {
        Tiff t(false);  // an entry count far larger than the entries there
        const uint32_t ifd0 = t.Ifd({{271, kAscii, 4, Tiff::Ascii("Abc")}});
        t.Set16(ifd0, 65535);
        EXPECT_EQ(Read(t.Jpeg()).camera_make, "Abc");
    }
    {
        Tiff t(false);  // rationals and ISO out of reach, Exif IFD half outside
        const uint32_t exif = t.Ifd({{34855, kShort, 3, t.Rational(1, 2)},
                                     {33434, kRational, 1, t.Rational(1, 2)},
                                     {33437, kRational, 1, t.Rational(3, 4)}});
        t.Set32(Tiff::ValueField(exif, 0), 0xFFFFFFFE);
        t.Set32(4, t.Ifd({{34665, kLong, 1, t.U32(exif)}}));
        // The exposure's eight bytes straddle the end of the segment.
        t.Set32(Tiff::ValueField(exif, 1), static_cast<uint32_t>(t.bytes().size()) - 4);
        const DecodedImage img = Read(t.Jpeg());
        EXPECT_EQ(img.iso, 0u);
        EXPECT_EQ(img.exposure_time, 0u);
        EXPECT_EQ(img.f_number, 3u << 16 | 4);
    }
    {
        Tiff t(true);  // the Exif IFD pointer leads back to IFD0: read once, no loop
        const uint32_t ifd0 = t.Ifd({{271, kAscii, 4, Tiff::Ascii("Abc")},
                                     {34665, kLong, 1, t.U32(8)},
                                     {34855, kShort, 1, t.U16(200)}});
        ASSERT_EQ(ifd0, 8u);
        const DecodedImage img = Read(t.Jpeg());
        EXPECT_EQ(img.camera_make, "Abc");
        EXPECT_EQ(img.iso, 200u);
    }
}

TEST(ExifHostile, EveryTruncationAndEveryByteChangeIsSafe) {
    const Bytes good = CameraTiff(true).Jpeg();
    for (std::size_t n = 0; n < good.size(); ++n) {
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        const DecodedImage img = Read(cut);
        EXPECT_LE(img.exif.size(), n);
    }
    for (std::size_t i = 0; i < good.size(); ++i) {
        for (uint8_t v : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0xFF}}) {
            Bytes bad = good;
            bad[i] = v;
            const DecodedImage img = Read(bad);
            EXPECT_LE(img.camera_make.size(), 31u);
            EXPECT_LE(img.exif.size(), bad.size());
        }
    }
}

// ---- the written block ----

uint32_t Le32At(const std::array<uint8_t, kExifTemplateSize>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t Le16At(const std::array<uint8_t, kExifTemplateSize>& b, std::size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

TEST(ExifTemplate, FieldsSitAtTheirFixedOffsets) {
    const auto b = BuildExifTemplate("NIKON CORPORATION", "NIKON D850", "2023:07:08 21:30:00",
                                     1u << 16 | 8000, 28u << 16 | 10, 6400);
    const uint8_t head[] = {0xFF, 0xD8, 0xFF, 0xE1, 0x02, 0xFC, 'E', 'x', 'i',
                            'f',  0,    0,    'I',  'I',  42,   0,   8,   0};
    EXPECT_EQ(0, std::memcmp(b.data(), head, sizeof head));
    constexpr std::size_t T = 12;  // TIFF offsets count from here
    EXPECT_EQ(Le16At(b, T + 8), 12);
    // Make: tag, ASCII, length + 1, at 158.
    EXPECT_EQ(Le16At(b, T + 10), 271);
    EXPECT_EQ(Le16At(b, T + 12), 2);
    EXPECT_EQ(Le32At(b, T + 14), 18u);
    EXPECT_EQ(Le32At(b, T + 18), 158u);
    EXPECT_STREQ(reinterpret_cast<const char*>(&b[T + 158]), "NIKON CORPORATION");
    EXPECT_STREQ(reinterpret_cast<const char*>(&b[T + 180]), "NIKON D850");
    EXPECT_EQ(Le32At(b, T + 196), 72u);
    EXPECT_EQ(Le32At(b, T + 200), 1u);
    EXPECT_EQ(Le32At(b, T + 204), 72u);
    EXPECT_STREQ(reinterpret_cast<const char*>(&b[T + 212]), "2023:07:08 21:30:00");
    EXPECT_EQ(Le32At(b, T + 8 + 2 + 12 * 12), 256u);  // next IFD
    EXPECT_EQ(Le16At(b, T + 256), 0);                 // ... with no entries
    EXPECT_EQ(Le16At(b, T + 360), 9);
    EXPECT_EQ(Le32At(b, T + 566), 1u);
    EXPECT_EQ(Le32At(b, T + 570), 8000u);
    EXPECT_EQ(Le32At(b, T + 574), 28u);
    EXPECT_EQ(Le32At(b, T + 578), 10u);
    EXPECT_STREQ(reinterpret_cast<const char*>(&b[T + 582]), "2023:07:08 21:30:00");
    EXPECT_STREQ(reinterpret_cast<const char*>(&b[T + 602]), "2023:07:08 21:30:00");
    // ISO in the fourth Exif entry's value field.
    EXPECT_EQ(Le16At(b, T + 362 + 36), 34855);
    EXPECT_EQ(Le32At(b, T + 362 + 36 + 8), 6400u);
    // The GPS pointer leads to an empty IFD inside the block.
    EXPECT_EQ(Le16At(b, T + 10 + 11 * 12), 34853);
    const uint32_t gps = Le32At(b, T + 10 + 11 * 12 + 8);
    ASSERT_LT(T + gps + 6, kExifTemplateSize);
    EXPECT_EQ(Le16At(b, T + gps), 0);
    EXPECT_EQ(Le32At(b, T + gps + 2), 0u);

    DecodedImage img;
    ReadExif(b, img);
    EXPECT_EQ(img.camera_make, "NIKON CORPORATION");
    EXPECT_EQ(img.camera_model, "NIKON D850");
    EXPECT_EQ(img.date_time, "2023:07:08 21:30:00");
    EXPECT_EQ(img.exposure_time, 1u << 16 | 8000);
    EXPECT_EQ(img.f_number, 28u << 16 | 10);
    EXPECT_EQ(img.iso, 6400u);
}

TEST(ExifTemplate, TextsAreCutToTheirRoomAndShortOnesLieInTheValueField) {
    const auto b = BuildExifTemplate(std::string(30, 'A'), std::string(20, 'B'),
                                     "2023:07:08 21:30:00 extra", 0, 0, 100000);
    DecodedImage img;
    ReadExif(b, img);
    EXPECT_EQ(img.camera_make, std::string(21, 'A'));
    EXPECT_EQ(img.camera_model, std::string(15, 'B'));
    EXPECT_EQ(img.date_time, "2023:07:08 21:30:00");
    EXPECT_EQ(img.iso, 65535u);  // the most a SHORT holds
    EXPECT_EQ(b[12 + 180 + 15], 0);
    EXPECT_EQ(b[12 + 196], 72);  // the model did not run into the resolution

    // Without camera data: empty texts (count 1, nothing to point at), 0/0 rationals.
    const auto e = BuildExifTemplate("", "", "", 0, 0, 0);
    DecodedImage none;
    none.camera_make = "x";
    ReadExif(e, none);
    EXPECT_EQ(none.camera_make, "");
    EXPECT_EQ(none.camera_model, "");
    EXPECT_EQ(none.date_time, "");
    EXPECT_EQ(none.exposure_time, 0u);
    EXPECT_EQ(Le32At(e, 12 + 14), 1u);  // make count

    const auto s = BuildExifTemplate("LG", "X", "", 0, 0, 0);
    EXPECT_EQ(Le32At(s, 12 + 14), 3u);
    EXPECT_EQ(s[12 + 18], 'L');
    EXPECT_EQ(s[12 + 19], 'G');
    EXPECT_EQ(s[12 + 158], 0);
}

}  // namespace
}  // namespace orva
