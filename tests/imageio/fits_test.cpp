#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/parallel.h"
#include "imageio/formats.h"
#include "support/files.h"
#include "support/images.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using namespace testing;

// A card in the fixed format: the value right-justified to column 30.
std::string Card(const std::string& keyword, const std::string& value) {
    std::string card = keyword;
    card.resize(8, ' ');
    card += "= ";
    card += std::string(value.size() < 20 ? 20 - value.size() : 0, ' ') + value;
    return card;
}

struct FitsFile {
    std::vector<std::string> cards;
    Bytes data;
    bool pad_header = true;
    bool pad_data = true;

    FitsFile& Add(const std::string& card) {
        cards.push_back(card);
        return *this;
    }
    Bytes Build() const {
        Bytes b;
        for (std::string card : cards) {
            card.resize(80, ' ');
            b.insert(b.end(), card.begin(), card.end());
        }
        std::string end = "END";
        end.resize(80, ' ');
        b.insert(b.end(), end.begin(), end.end());
        if (pad_header) b.resize((b.size() + 2879) / 2880 * 2880, ' ');
        b.insert(b.end(), data.begin(), data.end());
        if (pad_data) b.resize((b.size() + 2879) / 2880 * 2880, 0);
        return b;
    }
};

// The mandatory cards of an image; planes 0 gives NAXIS 2.
FitsFile Image(int bitpix, int w, int h, int planes = 0) {
    FitsFile f;
    f.Add(Card("SIMPLE", "T")).Add(Card("BITPIX", std::to_string(bitpix)));
    f.Add(Card("NAXIS", planes ? "3" : "2"));
    f.Add(Card("NAXIS1", std::to_string(w))).Add(Card("NAXIS2", std::to_string(h)));
    if (planes) f.Add(Card("NAXIS3", std::to_string(planes)));
    return f;
}

void PutBe(Bytes& b, uint64_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
// Values stored as big-endian `Stored` (every value used here is exact as a double).
template <typename Stored>
Bytes Be(std::initializer_list<double> values) {
    using Bits = std::conditional_t<sizeof(Stored) == 8, uint64_t,
                                    std::conditional_t<sizeof(Stored) == 4, uint32_t, uint16_t>>;
    Bytes b;
    for (const double v : values)
        PutBe(b, std::bit_cast<Bits>(static_cast<Stored>(v)), sizeof(Stored));
    return b;
}
constexpr auto Be16s = Be<int16_t>;

// Row 0 of a picture as one channel.
using Values = std::vector<uint16_t>;
Values Row0(const DecodedImage& img, int c) {
    const Plane& p = c == 0 ? img.red : c == 1 ? img.green : img.blue;
    return {p.data(), p.data() + img.width};
}

DecodedImage Read(const FitsFile& f, const FitsDark* dark = nullptr) {
    DecodedImage img;
    ReadOptions options;
    options.fits_dark = dark;
    const IoResult r = DecodeImage(f.Build(), kFormatFits, img, options);
    EXPECT_TRUE(r.ok()) << r.detail;
    return img;
}

FitsFile With(FitsFile f, Bytes data) {
    f.data = std::move(data);
    return f;
}

// Each case: the file, an optional dark, and the first row of each channel it must give
// (one row for all three when only one is given).
TEST(FitsRead, HandWorkedFiles) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
    const FitsDark dark{2, 1, {0, 10}, {5, 0}, {0, 0}}, dark3{2, 1, {0, 10}, {0, 0}, {0, 30}};
    // Another size, or planes that do not hold the picture: not used, without complaint.
    const FitsDark other{1, 2, {0, 10}, {5, 0}, {0, 0}};
    const FitsDark signed_dark{3, 1, {0, 1, 0}, {0, 0, 0}, {2, 0, 0}};
    FitsFile spelled = Image(8, 3, 1);
    spelled.Add("bscale = 5.0D-01 / half");
    spelled.Add("BZERO   =        -1.0E+03 / offset");
    spelled.Add("COMMENT BSCALE = 9");
    FitsFile tight = Image(16, 2, 1);
    tight.pad_header = false;
    FitsFile bare = Image(16, 2, 1);
    bare.pad_data = false;
    const Bytes planes3 = Be16s({10, 20, 15, /**/ 7, 7, 7, /**/ 1000, 0, 250});
    // A padded header: the data begins at the next block even when its first bytes are
    // blanks (40 samples 0x2020, then one of 0x2021).
    FitsFile blanks = With(Image(16, 41, 1), Bytes(80, ' '));
    blanks.data.insert(blanks.data.end(), {0x20, 0x21});
    Values blanks_row(41, 0);
    blanks_row.back() = 65535;
    const struct {
        const char* name;
        FitsFile file;
        const FitsDark* dark;
        std::vector<Values> rows;
    } cases[] = {
        // clang-format off
        // Negative samples index the look-up table too.
        {"16 bit with the usual offset",
         With(Image(16, 3, 1).Add(Card("BZERO", "32768")), Be16s({-32768, 0, 32767})), nullptr,
         {{0, 32768, 65535}}},
        // A narrow range is stretched, truncating: 100 * 65535 / 200 = 32767.5.
        {"narrow range stretched", With(Image(16, 3, 1), Be16s({100, 300, 200})), nullptr,
         {{0, 65535, 32767}}},
        {"flat gives zero", With(Image(16, 2, 1), Be16s({1234, 1234})), nullptr, {{0, 0}}},
        {"three planes, separate stretches", With(Image(16, 3, 1, 3), planes3), nullptr,
         {{0, 65535, 32767}, {0, 0, 0}, {65535, 0, 16383}}},
        {"a fourth plane is ignored", With(Image(16, 3, 1, 4), Be16s({10, 20, 15, 7, 7, 7, 1000, 0, 250, 5, 6, 7})),
         nullptr, {{0, 65535, 32767}, {0, 0, 0}, {65535, 0, 16383}}},
        {"two planes leave blue at 0", With(Image(16, 3, 1, 2), Be16s({10, 20, 15, /**/ 0, 2, 1})),
         nullptr, {{0, 65535, 32767}, {0, 65535, 32767}, {0, 0, 0}}},
        // NAXIS 2 makes a stray NAXIS3 card meaningless: one plane for all channels.
        {"stray NAXIS3", With(Image(16, 3, 1).Add(Card("NAXIS3", "3")), Be16s({10, 20, 15})),
         nullptr, {{0, 65535, 32767}}},
        // Unsigned: 51 * 65535 / 255 = 13107.
        {"8 bit", With(Image(8, 3, 1), {0, 255, 51}), nullptr, {{0, 65535, 13107}}},
        // The usual unsigned offset; in 32-bit integer arithmetic it would overflow.
        {"32 bit unsigned offset",
         With(Image(32, 3, 1).Add(Card("BZERO", "2147483648")), Be<int32_t>({INT32_MIN, INT32_MAX, 0})),
         nullptr, {{0, 65535, 32767}}},
        {"64 bit", With(Image(64, 3, 1), Be<int64_t>({-(int64_t{1} << 40), int64_t{1} << 40, 0})),
         nullptr, {{0, 65535, 32767}}},
        // Not-a-number and infinities stay out of the range.
        {"float", With(Image(-32, 6, 1), Be<float>({1.5f, kNan, -0.5f, 3.5f, kInf, -kInf})), nullptr,
         {{32767, 0, 0, 65535, 0, 0}}},
        // Finite values far apart: the range itself would overflow.
        {"range beyond double", With(Image(-64, 3, 1), Be<double>({-1.5e308, 1.5e308, 0.0})), nullptr,
         {{0, 65535, 32767}}},
        // The dark is subtracted before the stretch: 10 - 0, 20 - 10 is flat.
        {"dark", With(Image(16, 2, 1), Be16s({10, 20})), &dark, {{0, 0}, {0, 65535}, {0, 65535}}},
        {"dark per plane", With(Image(16, 2, 1, 3), Be16s({10, 20, 10, 20, 10, 20})), &dark3,
         {{0, 0}, {0, 65535}, {65535, 0}}},
        {"dark of another size", With(Image(16, 2, 1), Be16s({10, 20})), &other, {{0, 65535}}},
        // Values 0, 1, 2 (BSCALE 0.5) less 1000, then less the dark: a BSCALE read as 0 or 1
        // would give other pictures. -1000, -1000, -998 / -1000, -999, -998 / -1002, -999, -998.
        {"signed real header values",
         With(Image(8, 3, 1).Add(Card("BSCALE", "0.5")).Add(Card("BZERO", "-1000")), {0, 2, 4}),
         &signed_dark, {{0, 0, 65535}, {0, 32767, 65535}, {0, 49151, 65535}}},
        // Free format, exponents with E or D, lower-case keywords, comments, and string
        // values, which leave the keyword as it was.
        {"other spellings", With(spelled, {0, 2, 4}), &signed_dark,
         {{0, 0, 65535}, {0, 32767, 65535}, {0, 49151, 65535}}},
        // The last card of a keyword wins; a negative scale turns the picture over.
        {"last card wins",
         With(Image(16, 3, 1).Add(Card("BSCALE", "2")).Add(Card("BSCALE", "-1.0")),
              Be16s({0, 10, 5})),
         nullptr, {{65535, 0, 32767}}},
        // Unpadded header: the data follows the END card, after any blank records.
        {"unpadded header", With(tight, Be16s({1, 2})), nullptr, {{0, 65535}}},
        {"data without padding", With(bare, Be16s({5, 3})), nullptr, {{65535, 0}}},
        // The file's first row is memory row 0.
        {"two rows", With(Image(16, 2, 2), Be16s({1, 2, 3, 4})), nullptr, {{0, 21845}}},
        {"data starting with blanks", blanks, nullptr, {blanks_row}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedImage img = Read(c.file, c.dark);
        for (int ch = 0; ch < 3; ++ch)
            EXPECT_EQ(Row0(img, ch), c.rows[c.rows.size() == 1 ? 0 : static_cast<std::size_t>(ch)])
                << ch;
    }
}

// The table look-up of 8 and 16-bit files agrees with the general path (taken with an
// all-zero dark) for any scale and any thread count.
TEST(FitsRead, TableAndGeneralPathsAgree) {
    const int w = 257, h = 131;
    std::mt19937 rng(7);
    for (const int bitpix : {8, 16}) {
        FitsFile f = Image(bitpix, w, h, 3);
        f.Add(Card("BSCALE", "-0.37")).Add(Card("BZERO", "-123.25"));
        for (int i = 0; i < w * h * 3; ++i) {
            const auto v = static_cast<uint32_t>(rng() >> (rng() % 24));  // uneven spread of values
            PutBe(f.data, v, bitpix / 8);
        }
        const std::vector<int32_t> zero(static_cast<std::size_t>(w) * h, 0);
        const FitsDark dark{w, h, zero, zero, zero};
        for (const int threads : {1, 3}) {
            SetThreadCount(threads);
            const DecodedImage fast = Read(f);
            const DecodedImage general = Read(f, &dark);
            EXPECT_EQ(fast.red.size(), general.red.size());
            for (Plane DecodedImage::*p :
                 {&DecodedImage::red, &DecodedImage::green, &DecodedImage::blue})
                ASSERT_EQ(0,
                          std::memcmp((fast.*p).data(), (general.*p).data(), (fast.*p).size() * 2))
                    << bitpix << " with " << threads << " threads";
        }
    }
    SetThreadCount(0);
}

TEST(FitsRefuse, DamagedAndAbsurdFiles) {
    auto sized = [](const std::string& w, const std::string& h, const std::string& planes) {
        FitsFile f = Image(16, 1, 1, 3);
        f.Add(Card("NAXIS1", w)).Add(Card("NAXIS2", h)).Add(Card("NAXIS3", planes));
        f.data.assign(2880, 0);
        return f.Build();
    };
    Bytes no_end = With(Image(16, 2, 1), Be16s({1, 2})).Build();
    no_end.resize(5 * 80);
    // A layout or scaling card of the wrong type, added after the good ones.
    const auto with_card = [](const std::string& keyword, const std::string& value) {
        return With(Image(16, 2, 1).Add(Card(keyword, value)), Be16s({1, 2})).Build();
    };
    const Refusal cases[] = {
        // clang-format off
        {"not FITS", Bytes(4000, 'x'), IoStatus::NotThisFormat, ""},
        {"no END card", no_end, IoStatus::Damaged, "the header has no END card"},
        {"width 1E30", sized("1E30", "1", "1"), IoStatus::TooLarge, ""},
        // Within the limits, but many gigabytes more than the file holds.
        {"far beyond the file", sized("30000", "30000", "1"), IoStatus::Damaged,
         "pixel data runs past the end of the file"},
        {"NAXIS 3.5", with_card("NAXIS", "3.5"), IoStatus::Damaged,
         "the NAXIS card does not hold a whole number"},
        {"NAXIS T", with_card("NAXIS", "T"), IoStatus::Damaged,
         "the NAXIS card does not hold a number"},
        {"NAXIS 999", with_card("NAXIS", "999"), IoStatus::Damaged,
         "NAXIS is 999 but the header has no NAXIS3 card"},
        {"NAXIS2 with letters", with_card("NAXIS2", "1abc"), IoStatus::Damaged,
         "the NAXIS2 card does not hold a number"},
        {"BZERO a string", with_card("BZERO", "'x'"), IoStatus::Damaged,
         "the BZERO card does not hold a number"},
        {"BSCALE empty", with_card("BSCALE", ""), IoStatus::Damaged,
         "the BSCALE card does not hold a number"},
        // clang-format on
    };
    for (const Refusal& c : cases) ExpectRefusal(kFormatFits, c);
}

std::string CardAt(const Bytes& f, std::size_t k) {
    return std::string(f.begin() + static_cast<std::ptrdiff_t>(80 * k),
                       f.begin() + static_cast<std::ptrdiff_t>(80 * k + 80));
}

TEST(FitsWrite, HeaderCardsDataAndBlocks) {
    TempDir dir;
    ImageRecord rec = MakeRecord(2, 1, 1);
    const uint16_t values[3][2] = {{0, 65535}, {32768, 1}, {256, 12345}};
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 2; ++i) rec.plane(c)[static_cast<std::size_t>(i)] = values[c][i];
    ASSERT_TRUE(WriteImageFile(dir.Path("a.fits"), kFormatFits, rec).ok());
    const Bytes f = ReadAll(dir.Path("a.fits"));
    ASSERT_EQ(f.size(), 2u * 2880);
    // Fixed format: the value of every card ends in column 30.
    const char* expected[] = {
        "SIMPLE  =                    T", "BITPIX  =                   16",
        "NAXIS   =                    3", "NAXIS1  =                    2",
        "NAXIS2  =                    1", "NAXIS3  =                    3",
        "BZERO   =                32768", "BSCALE  =                    1",
    };
    for (std::size_t k = 0; k < std::size(expected); ++k)
        EXPECT_EQ(CardAt(f, k).substr(0, 30), expected[k]) << k;
    EXPECT_EQ(CardAt(f, 8).substr(0, 20), "ORIGIN  = 'ORVA    '");
    EXPECT_EQ(CardAt(f, 9), "END" + std::string(77, ' '));
    for (std::size_t i = 80 * 10; i < 2880; ++i) ASSERT_EQ(f[i], ' ') << i;
    // Samples less 32768, signed big-endian, red, green and blue planes.
    const Bytes data{0x80, 0x00, 0x7F, 0xFF, 0x00, 0x00, 0x80, 0x01, 0x81, 0x00, 0xB0, 0x39};
    EXPECT_TRUE(std::equal(data.begin(), data.end(), f.begin() + 2880));
    for (std::size_t i = 2880 + data.size(); i < f.size(); ++i) ASSERT_EQ(f[i], 0) << i;
}

TEST(FitsWrite, EqualPlanesAreWrittenAsOnePlane) {
    TempDir dir;
    const auto size = [&](const char* name) { return std::filesystem::file_size(dir.Path(name)); };
    ImageRecord rec = MakeRecord(301, 77, 3);
    ASSERT_TRUE(WriteFits(dir.Path("r.fit"), rec).ok());
    rec.single_plane = 1;
    ASSERT_TRUE(WriteFits(dir.Path("s.fts"), rec).ok());
    // Three equal planes without the flag (a one-plane file opened and saved back) are
    // written as one plane too, and come back the same.
    ImageRecord grey = MakeRecord(301, 77, 3);
    for (Plane* p : {&grey.green, &grey.blue})
        std::memcpy(p->data(), grey.red.data(), grey.red.size() * 2);
    ASSERT_TRUE(WriteFits(dir.Path("g.fits"), grey).ok());
    EXPECT_EQ(size("g.fits"), size("s.fts"));
    DecodedImage img;
    ASSERT_TRUE(ReadImageFile(dir.Path("g.fits"), kFormatFits, img).ok());
    ExpectSamePlanes(img, grey);
    // One sample apart is colour: three planes.
    grey.blue[5] ^= 1;
    ASSERT_TRUE(WriteFits(dir.Path("c.fits"), grey).ok());
    EXPECT_EQ(size("c.fits"), size("r.fit"));
}

TEST(FitsWrite, HeaderKeysOfTheFileReadGoBackOut) {
    FitsFile f = With(Image(16, 2, 1), Be16s({5, 9}));
    f.Add(Card("OBJECT", "'M 42    '")).Add(Card("DATE-OBS", "'2026-01-02T03:04:05'"));
    f.Add(Card("ORIGIN", "'camera  '")).Add("COMMENT from the camera");
    DecodedImage img = Read(f);
    ASSERT_EQ(img.fits_cards.size(), 4u);
    ImageRecord rec;
    StoreDecoded(rec, std::move(img), "m42.fits");
    TempDir dir;
    ASSERT_TRUE(WriteFits(dir.Path("out.fits"), rec).ok());
    const Bytes out = ReadAll(dir.Path("out.fits"));
    const std::string header(out.begin(), out.begin() + 2880);
    for (const char* key : {"OBJECT  =", "DATE-OBS=", "COMMENT from the camera", "'camera  '"})
        EXPECT_NE(header.find(key), std::string::npos) << key;
    EXPECT_EQ(header.find("'ORVA    '"), std::string::npos);   // the file's own origin stays
    EXPECT_EQ(header.find("BITPIX", 100), std::string::npos);  // layout cards written once
    ClearRecord(rec);
    EXPECT_TRUE(rec.fits_cards.empty());
}

TEST(FitsLinear, PhysicalValuesAndKeptCardsRoundTrip) {
    FitsFile f = With(Image(16, 3, 1, 3), Be16s({-32768, 0, 100, 1, 2, 3, -5, -6, 32767}));
    f.Add(Card("BZERO", "32768")).Add(Card("BSCALE", "0.5"));
    f.Add(Card("OBJECT", "'M 42    '")).Add(Card("EXPTIME", "120.0"));
    f.Add("HISTORY taken at the club site\x01");
    LinearImage img;
    ASSERT_TRUE(DecodeFitsLinear(f.Build(), img).ok());
    ASSERT_EQ(img.planes, 3);
    // raw x 0.5 + 32768: not stretched, not clipped.
    EXPECT_EQ(std::vector<float>(img.data.begin(), img.data.end()),
              (std::vector<float>{16384, 32768, 32818, 32768.5, 32769, 32769.5, 32765.5, 32765,
                                  49151.5}));
    ASSERT_EQ(img.cards.size(), 3u);  // the layout cards stay behind
    EXPECT_EQ(img.cards[0].substr(0, 8), "OBJECT  ");
    EXPECT_EQ(img.cards[2], std::string("HISTORY taken at the club site ").append(49, ' '));

    TempDir dir;
    img.data[4] = std::nanf("");
    for (const bool float32 : {true, false}) {
        SCOPED_TRACE(float32);
        const std::string path = dir.Path(float32 ? "f.fits" : "i.fits");
        ASSERT_TRUE(
            WriteFitsLinear(path, img, float32, {"stacked 20 frames", std::string(100, 'x')}).ok());
        const Bytes bytes = ReadAll(path);
        EXPECT_EQ(bytes.size() % 2880, 0u);
        const std::string header(bytes.begin(), bytes.begin() + 2880);
        EXPECT_NE(header.find(float32 ? "BITPIX  =                  -32"
                                      : "BITPIX  =                   16"),
                  std::string::npos);
        EXPECT_NE(header.find("OBJECT  =           'M 42    '"), std::string::npos);
        EXPECT_NE(header.find("HISTORY stacked 20 frames"), std::string::npos);
        EXPECT_NE(header.find("HISTORY " + std::string(72, 'x')), std::string::npos);
        EXPECT_EQ(header.find("BSCALE  =                  0.5"), std::string::npos);
        LinearImage back;
        ASSERT_TRUE(DecodeFitsLinear(bytes, back).ok());
        ASSERT_EQ(back.data.size(), img.data.size());
        // The blank place (4) comes back as NaN from floats, as 0 from 16-bit samples.
        for (std::size_t i = 0; i < img.data.size(); ++i) {
            const float want = i == 4 ? 0.0f : float32 ? img.data[i] : std::round(img.data[i]);
            EXPECT_TRUE(i == 4 && float32 ? std::isnan(back.data[i]) : back.data[i] == want) << i;
        }
        EXPECT_EQ(back.cards.size(), 3u + 3u);  // OBJECT, EXPTIME, HISTORY and three new
    }
    // A standard reader (astropy, from scripts/install-deps) agrees on values and keys.
    const std::string out = Capture(
        "/usr/bin/python3 -c \"from astropy.io import fits; h = fits.open('" + dir.Path("f.fits") +
        "'); print(h[0].data.shape, h[0].data[0, 0, 2], h[0].data[2, 0, 2], "
        "h[0].header['OBJECT'], h[0].header['EXPTIME'], len(h[0].header['HISTORY']))\" 2>&1");
    EXPECT_EQ(out, "(3, 1, 3) 32818.0 49151.5 M 42 120.0 4\n");

    // Too large for the budget: refused before anything is taken.
    EXPECT_EQ(DecodeFitsLinear(f.Build(), img, 20).status, IoStatus::TooLarge);
    EXPECT_EQ(img.planes, 0);
}

}  // namespace
}  // namespace orva
