#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/parallel.h"
#include "imageio/formats.h"
#include "support/files.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::HaveTool;
using testing::ReadAll;
using testing::Shell;

using testing::TempDir;
using Bytes = std::vector<uint8_t>;
using Rgb = std::array<uint16_t, 3>;

// ---- building files ----

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
Bytes Be16s(std::initializer_list<int> values) {
    Bytes b;
    for (const int v : values) PutBe(b, static_cast<uint16_t>(v), 2);
    return b;
}
Bytes Be32s(std::initializer_list<int64_t> values) {
    Bytes b;
    for (const int64_t v : values) PutBe(b, static_cast<uint32_t>(v), 4);
    return b;
}
Bytes Be64s(std::initializer_list<int64_t> values) {
    Bytes b;
    for (const int64_t v : values) PutBe(b, static_cast<uint64_t>(v), 8);
    return b;
}
Bytes Floats(std::initializer_list<float> values) {
    Bytes b;
    for (const float v : values) PutBe(b, std::bit_cast<uint32_t>(v), 4);
    return b;
}
Bytes Doubles(std::initializer_list<double> values) {
    Bytes b;
    for (const double v : values) PutBe(b, std::bit_cast<uint64_t>(v), 8);
    return b;
}
Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// ---- reading back ----

Rgb At(const DecodedImage& img, int x, int y) {
    const auto i = static_cast<std::size_t>(y) * static_cast<std::size_t>(img.width) +
                   static_cast<std::size_t>(x);
    return {img.red[i], img.green[i], img.blue[i]};
}
Rgb Grey(uint16_t v) {
    return {v, v, v};
}

// Row 0 of a picture as one channel.
std::vector<uint16_t> Row0(const DecodedImage& img, int c) {
    const Plane& p = c == 0 ? img.red : c == 1 ? img.green : img.blue;
    return {p.data(), p.data() + img.width};
}
using Values = std::vector<uint16_t>;

IoResult Decode(const Bytes& b, DecodedImage& img, const FitsDark* dark = nullptr) {
    ReadOptions options;
    options.fits_dark = dark;
    return DecodeImage(b, kFormatFits, img, options);
}

DecodedImage Read(const FitsFile& f, const FitsDark* dark = nullptr) {
    DecodedImage img;
    const IoResult r = Decode(f.Build(), img, dark);
    EXPECT_TRUE(r.ok()) << r.detail;
    return img;
}

TEST(FitsRead, SixteenBitOffsetIsStretchedAway) {
    FitsFile with = Image(16, 3, 1).Add(Card("BZERO", "32768"));
    with.data = Be16s({-32768, 0, 32767});
    DecodedImage img = Read(with);
    ASSERT_EQ(img.width, 3);
    ASSERT_EQ(img.height, 1);
    EXPECT_EQ(At(img, 0, 0), Grey(0));
    EXPECT_EQ(At(img, 1, 0), Grey(32768));
    EXPECT_EQ(At(img, 2, 0), Grey(65535));

    FitsFile without = Image(16, 3, 1);
    without.data = with.data;
    img = Read(without);
    EXPECT_EQ(Row0(img, 0), (Values{0, 32768, 65535}));
    EXPECT_EQ(Row0(img, 2), (Values{0, 32768, 65535}));

    // A narrow range is stretched, truncating: 100 * 65535 / 200 = 32767.5.
    without.data = Be16s({100, 300, 200});
    img = Read(without);
    EXPECT_EQ(Row0(img, 1), (Values{0, 65535, 32767}));
}

TEST(FitsRead, FlatImageGivesZero) {
    FitsFile f = Image(16, 2, 2);
    f.data = Be16s({1234, 1234, 1234, 1234});
    const DecodedImage img = Read(f);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) EXPECT_EQ(At(img, x, y), Grey(0));
}

TEST(FitsRead, RowsRunBottomRowFirst) {
    FitsFile f = Image(16, 2, 2);
    f.data = Be16s({1, 2, 3, 4});
    const DecodedImage img = Read(f);
    EXPECT_EQ(At(img, 0, 0), Grey(0));  // the file's first row is memory row 0
    EXPECT_EQ(At(img, 1, 0), Grey(21845));
    EXPECT_EQ(At(img, 0, 1), Grey(43690));
    EXPECT_EQ(At(img, 1, 1), Grey(65535));
}

TEST(FitsRead, PlanesFeedChannelsWithSeparateStretches) {
    FitsFile three = Image(16, 3, 1, 3);
    three.data = Be16s({10, 20, 15, /**/ 7, 7, 7, /**/ 1000, 0, 250});
    DecodedImage img = Read(three);
    EXPECT_EQ(Row0(img, 0), (Values{0, 65535, 32767}));
    EXPECT_EQ(Row0(img, 1), (Values{0, 0, 0}));
    EXPECT_EQ(Row0(img, 2), (Values{65535, 0, 16383}));

    // A fourth plane is ignored but must be in the file.
    FitsFile four = Image(16, 3, 1, 4);
    four.data = Cat(three.data, Be16s({5, 6, 7}));
    img = Read(four);
    EXPECT_EQ(Row0(img, 2), (Values{65535, 0, 16383}));
    four.data.resize(four.data.size() - 1);
    four.pad_data = false;
    EXPECT_EQ(Decode(four.Build(), img).status, IoStatus::Damaged);

    // Two planes leave blue at 0.
    FitsFile two = Image(16, 3, 1, 2);
    two.data = Be16s({10, 20, 15, /**/ 0, 2, 1});
    img = Read(two);
    EXPECT_EQ(Row0(img, 0), (Values{0, 65535, 32767}));
    EXPECT_EQ(Row0(img, 1), (Values{0, 65535, 32767}));
    EXPECT_EQ(Row0(img, 2), (Values{0, 0, 0}));

    // NAXIS 2 makes a stray NAXIS3 card meaningless: one plane for all channels.
    FitsFile stray = Image(16, 3, 1).Add(Card("NAXIS3", "3"));
    stray.data = Be16s({10, 20, 15});
    img = Read(stray);
    EXPECT_EQ(At(img, 1, 0), Grey(65535));
}

TEST(FitsRead, IntegerSampleSizes) {
    FitsFile f8 = Image(8, 3, 1);
    f8.data = {0, 255, 51};  // unsigned: 51 * 65535 / 255 = 13107
    EXPECT_EQ(Row0(Read(f8), 0), (Values{0, 65535, 13107}));

    // The usual unsigned 32-bit offset; in 32-bit integer arithmetic it would overflow.
    FitsFile f32 = Image(32, 3, 1).Add(Card("BZERO", "2147483648"));
    f32.data = Be32s({INT32_MIN, INT32_MAX, 0});
    EXPECT_EQ(Row0(Read(f32), 0), (Values{0, 65535, 32767}));
    FitsFile scaled = Image(32, 3, 1).Add(Card("BSCALE", "1000"));
    scaled.data = Be32s({2000000, -2000000, 0});
    EXPECT_EQ(Row0(Read(scaled), 0), (Values{65535, 0, 32767}));

    FitsFile f64 = Image(64, 3, 1);
    f64.data = Be64s({-(int64_t{1} << 40), int64_t{1} << 40, 0});
    EXPECT_EQ(Row0(Read(f64), 0), (Values{0, 65535, 32767}));
}

TEST(FitsRead, FloatingPointSamplesLeaveNanAndInfinityOutOfTheRange) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
    const Values expected{32767, 0, 0, 65535, 0, 0};
    FitsFile f32 = Image(-32, 6, 1);
    f32.data = Floats({1.5f, kNan, -0.5f, 3.5f, kInf, -kInf});
    EXPECT_EQ(Row0(Read(f32), 0), expected);
    FitsFile f64 = Image(-64, 6, 1);
    f64.data = Doubles({1.5, kNan, -0.5, 3.5, kInf, -kInf});
    EXPECT_EQ(Row0(Read(f64), 0), expected);

    FitsFile blank = Image(-32, 2, 1);
    blank.data = Floats({kNan, kNan});
    EXPECT_EQ(Row0(Read(blank), 0), (Values{0, 0}));
    // Finite values far apart: the range itself would overflow.
    FitsFile wide = Image(-64, 3, 1);
    wide.data = Doubles({-1.5e308, 1.5e308, 0.0});
    EXPECT_EQ(Row0(Read(wide), 0), (Values{0, 65535, 32767}));
}

// Three planes of a dark frame for a one-row picture.
FitsDark Dark(const std::vector<int32_t>& r, const std::vector<int32_t>& g,
              const std::vector<int32_t>& b, int height = 1) {
    FitsDark d;
    d.width = static_cast<int>(r.size()) / height;
    d.height = height;
    d.red = r;
    d.green = g;
    d.blue = b;
    return d;
}

TEST(FitsRead, DarkOfTheSameSizeIsSubtractedBeforeTheStretch) {
    FitsFile f = Image(16, 2, 1);
    f.data = Be16s({10, 20});
    const FitsDark dark = Dark({0, 10}, {5, 0}, {0, 0});
    DecodedImage img = Read(f, &dark);
    EXPECT_EQ(Row0(img, 0), (Values{0, 0}));  // 10, 10: flat
    EXPECT_EQ(Row0(img, 1), (Values{0, 65535}));
    EXPECT_EQ(Row0(img, 2), (Values{0, 65535}));

    // Each plane of a colour file meets its own dark plane.
    FitsFile colour = Image(16, 2, 1, 3);
    colour.data = Be16s({10, 20, /**/ 10, 20, /**/ 10, 20});
    const FitsDark dark3 = Dark({0, 10}, {0, 0}, {0, 30});
    img = Read(colour, &dark3);
    EXPECT_EQ(Row0(img, 0), (Values{0, 0}));
    EXPECT_EQ(Row0(img, 1), (Values{0, 65535}));
    EXPECT_EQ(Row0(img, 2), (Values{65535, 0}));

    // Another size, or planes that do not hold the picture: not used, without complaint.
    const FitsDark other = Dark({0, 10}, {5, 0}, {0, 0}, 2);
    const FitsDark hollow = Dark({0}, {5}, {0});
    const FitsDark hollow_sized = [&] {
        FitsDark d = hollow;
        d.width = 2;
        return d;
    }();
    for (const FitsDark* d : std::array{&other, &hollow_sized}) {
        img = Read(f, d);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(Row0(img, c), (Values{0, 65535}));
    }
}

TEST(FitsRead, HeaderValuesAreSignedRealNumbers) {
    // Values 0, 1, 2 (BSCALE 0.5) less 1000, then less the dark: a BSCALE read as 0 or 1
    // would give other pictures.
    FitsFile f = Image(8, 3, 1).Add(Card("BSCALE", "0.5")).Add(Card("BZERO", "-1000"));
    f.data = {0, 2, 4};
    const FitsDark dark = Dark({0, 1, 0}, {0, 0, 0}, {2, 0, 0});
    DecodedImage img = Read(f, &dark);
    EXPECT_EQ(Row0(img, 0), (Values{0, 0, 65535}));  // -1000, -1000, -998
    EXPECT_EQ(Row0(img, 1), (Values{0, 32767, 65535}));
    EXPECT_EQ(Row0(img, 2), (Values{0, 49151, 65535}));  // -1002, -999, -998

    // The same in other spellings: free format, exponents with E or D, lower-case keywords,
    // comments, and string values, which leave the keyword as it was.
    FitsFile g = Image(8, 3, 1);
    g.Add("bscale = 5.0D-01 / half");
    g.Add("BZERO   =        -1.0E+03 / offset");
    g.Add("BSCALE  = 'fast'");
    g.Add("COMMENT BSCALE = 9");
    g.data = f.data;
    EXPECT_EQ(Row0(Read(g, &dark), 2), (Values{0, 49151, 65535}));

    // The last card of a keyword wins; a negative scale turns the picture over.
    FitsFile h = Image(16, 3, 1).Add(Card("BSCALE", "2")).Add(Card("BSCALE", "-1.0"));
    h.data = Be16s({0, 10, 5});
    EXPECT_EQ(Row0(Read(h), 0), (Values{65535, 0, 32767}));
}

TEST(FitsRead, DataBeginsAtTheFirstRecordAfterTheHeaderThatIsNotBlank) {
    // Unpadded header: the data follows the END card (after any blank records).
    FitsFile tight = Image(16, 2, 1);
    tight.pad_header = false;
    tight.data = Be16s({1, 2});
    EXPECT_EQ(Row0(Read(tight), 0), (Values{0, 65535}));
    tight.data = Cat(Bytes(160, ' '), Be16s({2, 1}));
    EXPECT_EQ(Row0(Read(tight), 0), (Values{65535, 0}));

    // A padded header: the data begins at the next block even when its first bytes are
    // blanks (40 samples 0x2020, then 40 of 0x2021).
    FitsFile blanks = Image(16, 40, 2);
    blanks.data.assign(80, ' ');
    for (int i = 0; i < 40; ++i) blanks.data.insert(blanks.data.end(), {0x20, 0x21});
    const DecodedImage img = Read(blanks);
    EXPECT_EQ(At(img, 39, 0), Grey(0));
    EXPECT_EQ(At(img, 0, 1), Grey(65535));

    // The data may end without its padding.
    FitsFile bare = Image(16, 2, 1);
    bare.pad_data = false;
    bare.data = Be16s({5, 3});
    EXPECT_EQ(Row0(Read(bare), 0), (Values{65535, 0}));
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
            if (bitpix == 8) {
                f.data.push_back(static_cast<uint8_t>(v));
            } else {
                PutBe(f.data, static_cast<uint16_t>(v), 2);
            }
        }
        const std::vector<int32_t> zero(static_cast<std::size_t>(w) * h, 0);
        FitsDark dark;
        dark.width = w;
        dark.height = h;
        dark.red = dark.green = dark.blue = zero;
        for (const int threads : {1, 3}) {
            SetThreadCount(threads);
            const DecodedImage fast = Read(f);
            const DecodedImage general = Read(f, &dark);
            EXPECT_EQ(fast.red.size(), general.red.size());
            for (int c = 0; c < 3; ++c) {
                const Plane& a = c == 0 ? fast.red : c == 1 ? fast.green : fast.blue;
                const Plane& b = c == 0 ? general.red : c == 1 ? general.green : general.blue;
                ASSERT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * 2))
                    << bitpix << " channel " << c;
            }
        }
    }
    SetThreadCount(0);
}

// ---- refusals ----

IoStatus StatusOf(const Bytes& file, std::string* detail = nullptr) {
    return testing::RefusalStatus(kFormatFits, file, detail);
}

TEST(FitsRefuse, HeaderFaults) {
    std::string why;
    EXPECT_EQ(StatusOf({}), IoStatus::NotThisFormat);
    EXPECT_EQ(StatusOf(Bytes(4000, 'x')), IoStatus::NotThisFormat);
    // No END card: the header runs out.
    FitsFile f = Image(16, 2, 1);
    f.data = Be16s({1, 2});
    Bytes b = f.Build();
    b.resize(5 * 80);
    EXPECT_EQ(StatusOf(b, &why), IoStatus::Damaged);
    EXPECT_EQ(why, "the header has no END card");

    auto with = [](FitsFile g) {
        g.data.assign(64, 1);
        return g.Build();
    };
    EXPECT_EQ(StatusOf(with(Image(12, 2, 1))), IoStatus::Damaged);
    EXPECT_EQ(StatusOf(with(Image(0, 2, 1))), IoStatus::Damaged);
    FitsFile no_bitpix;
    no_bitpix.Add(Card("SIMPLE", "T")).Add(Card("NAXIS1", "2")).Add(Card("NAXIS2", "1"));
    EXPECT_EQ(StatusOf(with(no_bitpix)), IoStatus::Damaged);
    EXPECT_EQ(StatusOf(with(Image(16, 2, 1).Add(Card("NAXIS", "1")))), IoStatus::Damaged);
    EXPECT_EQ(StatusOf(with(Image(16, 2, 1).Add(Card("NAXIS", "0")))), IoStatus::Damaged);
    FitsFile no_height;
    no_height.Add(Card("SIMPLE", "T")).Add(Card("BITPIX", "8")).Add(Card("NAXIS1", "2"));
    EXPECT_EQ(StatusOf(with(no_height), &why), IoStatus::Damaged);
    EXPECT_EQ(why, "the image width or height is missing");
    EXPECT_EQ(StatusOf(with(Image(16, 0, 1))), IoStatus::Damaged);
    EXPECT_EQ(StatusOf(with(Image(16, 2, 1).Add(Card("NAXIS1", "2.5")))), IoStatus::Damaged);
    EXPECT_EQ(StatusOf(with(Image(16, 2, 1).Add(Card("NAXIS1", "-2")))), IoStatus::Damaged);
    EXPECT_EQ(StatusOf(with(Image(16, 2, 1, 0).Add(Card("NAXIS", "3")).Add(Card("NAXIS3", "0")))),
              IoStatus::Damaged);
    EXPECT_EQ(StatusOf(with(Image(16, 2, 1).Add(Card("BSCALE", "1E999")))), IoStatus::Damaged);
}

TEST(FitsRefuse, SizesAreCheckedBeforeAllocating) {
    auto sized = [](const std::string& w, const std::string& h, const std::string& planes) {
        FitsFile f = Image(16, 1, 1, 3);
        f.Add(Card("NAXIS1", w)).Add(Card("NAXIS2", h)).Add(Card("NAXIS3", planes));
        f.data.assign(2880, 0);
        return f.Build();
    };
    EXPECT_EQ(StatusOf(sized("2000000", "1", "1")), IoStatus::TooLarge);
    EXPECT_EQ(StatusOf(sized("100000", "100000", "1")), IoStatus::TooLarge);
    EXPECT_EQ(StatusOf(sized("1E30", "1", "1")), IoStatus::TooLarge);
    // Within the limits, but many gigabytes more than the file holds.
    std::string why;
    EXPECT_EQ(StatusOf(sized("30000", "30000", "1"), &why), IoStatus::Damaged);
    EXPECT_EQ(why, "pixel data runs past the end of the file");
    EXPECT_EQ(StatusOf(sized("10", "10", "1E300")), IoStatus::Damaged);
    EXPECT_EQ(StatusOf(sized("10", "10", "999999999999")), IoStatus::Damaged);

    // One byte short of the data.
    FitsFile f = Image(16, 3, 1);
    f.data = Be16s({1, 2, 3});
    f.data.pop_back();
    f.pad_data = false;
    EXPECT_EQ(StatusOf(f.Build()), IoStatus::Damaged);
    // The header alone.
    f.data.clear();
    EXPECT_EQ(StatusOf(f.Build()), IoStatus::Damaged);
}

TEST(FitsRefuse, MemoryBudgetGivesOutOfMemory) {
    FitsFile f = Image(8, 2, 2);
    f.data = {1, 2, 3, 4};
    DecodedImage img;
    img.memory_budget = 6 * 4 - 1;
    EXPECT_EQ(Decode(f.Build(), img).status, IoStatus::OutOfMemory);
    img.memory_budget = 6 * 4;
    EXPECT_TRUE(Decode(f.Build(), img).ok());
}

// ---- writing ----

ImageRecord MakeRecord(int w, int h, uint32_t seed) {
    ImageRecord rec;
    rec.width = w;
    rec.height = h;
    std::mt19937 rng(seed);
    for (int c = 0; c < 3; ++c) {
        Plane& p = rec.plane(c);
        p.Allocate(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        for (std::size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint16_t>(rng());
        // Every channel spans the whole range, at places that differ by channel.
        const std::size_t at = static_cast<std::size_t>(c) % p.size();
        p[at] = 0;
        p[p.size() - 1 - at] = 65535;
    }
    return rec;
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

    // A single-plane record: the red plane alone, NAXIS 2.
    rec.single_plane = 1;
    ASSERT_TRUE(WriteImageFile(dir.Path("s.fits"), kFormatFits, rec).ok());
    const Bytes s = ReadAll(dir.Path("s.fits"));
    ASSERT_EQ(s.size(), 2u * 2880);
    EXPECT_EQ(CardAt(s, 2).substr(0, 30), "NAXIS   =                    2");
    EXPECT_EQ(CardAt(s, 5).substr(0, 8), "BZERO   ");
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 4, s.begin() + 2880));
    EXPECT_EQ(s[2880 + 4], 0);

    // Data of several blocks: 100 x 37 x 3 samples take 22200 bytes, padded to 23040.
    ASSERT_TRUE(WriteFits(dir.Path("b.fits"), MakeRecord(100, 37, 2)).ok());
    EXPECT_EQ(ReadAll(dir.Path("b.fits")).size(), 2880u + 23040u);
}

void ExpectSamePlanes(const ImageRecord& rec, const DecodedImage& img, bool single = false) {
    ASSERT_EQ(img.width, rec.width);
    ASSERT_EQ(img.height, rec.height);
    for (int c = 0; c < 3; ++c) {
        const Plane& back = c == 0 ? img.red : c == 1 ? img.green : img.blue;
        const Plane& want = rec.plane(single ? 0 : c);
        ASSERT_EQ(0, std::memcmp(back.data(), want.data(), back.size() * 2)) << "channel " << c;
    }
}

TEST(FitsWrite, RoundTripOfFullRangePicturesIsExact) {
    TempDir dir;
    ImageRecord rec = MakeRecord(301, 77, 3);
    ASSERT_TRUE(WriteFits(dir.Path("r.fit"), rec).ok());
    DecodedImage img;
    ASSERT_TRUE(ReadImageFile(dir.Path("r.fit"), kFormatFits, img).ok());
    ExpectSamePlanes(rec, img);

    rec.single_plane = 1;
    ASSERT_TRUE(WriteFits(dir.Path("s.fts"), rec).ok());
    ASSERT_TRUE(ReadImageFile(dir.Path("s.fts"), kFormatFits, img).ok());
    ExpectSamePlanes(rec, img, true);

    // Three equal planes without the flag (a one-plane file opened and saved back) are
    // written as one plane too, and come back the same.
    ImageRecord grey = MakeRecord(301, 77, 3);
    for (Plane* p : {&grey.green, &grey.blue})
        std::memcpy(p->data(), grey.red.data(), grey.red.size() * 2);
    ASSERT_TRUE(WriteFits(dir.Path("g.fits"), grey).ok());
    EXPECT_EQ(std::filesystem::file_size(dir.Path("g.fits")),
              std::filesystem::file_size(dir.Path("s.fts")));
    ASSERT_TRUE(ReadImageFile(dir.Path("g.fits"), kFormatFits, img).ok());
    ExpectSamePlanes(grey, img);
    // One sample apart is colour: three planes.
    grey.blue[5] ^= 1;
    ASSERT_TRUE(WriteFits(dir.Path("c.fits"), grey).ok());
    EXPECT_EQ(std::filesystem::file_size(dir.Path("c.fits")),
              std::filesystem::file_size(dir.Path("r.fit")));

    // A narrower picture comes back stretched.
    ImageRecord narrow = MakeRecord(3, 1, 4);
    for (int c = 0; c < 3; ++c) {
        narrow.plane(c)[0] = 1000;
        narrow.plane(c)[1] = 3000;
        narrow.plane(c)[2] = 2000;
    }
    ASSERT_TRUE(WriteFits(dir.Path("n.fits"), narrow).ok());
    ASSERT_TRUE(ReadImageFile(dir.Path("n.fits"), kFormatFits, img).ok());
    EXPECT_EQ(Row0(img, 1), (Values{0, 65535, 32767}));
}

TEST(FitsWrite, FailuresLeaveNothing) {
    TempDir dir;
    const ImageRecord rec = MakeRecord(2, 2, 5);
    EXPECT_EQ(WriteFits(dir.Path("no/such/folder/x.fits"), rec).status, IoStatus::CannotOpen);
    EXPECT_EQ(WriteFits(dir.Path("e.fits"), ImageRecord{}).status, IoStatus::Unsupported);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("e.fits")));
}

// ---- other programs ----

TEST(FitsPeer, ImageMagickShowsOurFilesTheSameWayUp) {
    ASSERT_TRUE(HaveTool("convert-im6.q16"))
        << "convert-im6.q16 (ImageMagick) is missing; scripts/install-deps "
           "installs it and this test needs it";
    TempDir dir;
    // Random samples: no two rows alike, so a flipped or shifted picture cannot pass.
    ImageRecord rec = MakeRecord(13, 9, 6);
    ASSERT_TRUE(WriteFits(dir.Path("ours.fits"), rec).ok());
    // ImageMagick reads the three planes as three grey frames.
    ASSERT_EQ(Shell("convert-im6.q16 '" + dir.Path("ours.fits") + "' -combine -depth 16 PPM:'" +
                    dir.Path("theirs.ppm") + "'"),
              0);
    DecodedImage theirs;
    ASSERT_TRUE(ReadImageFile(dir.Path("theirs.ppm"), kFormatPnm, theirs).ok());
    ExpectSamePlanes(rec, theirs);

    rec.single_plane = 1;
    ASSERT_TRUE(WriteFits(dir.Path("grey.fits"), rec).ok());
    ASSERT_EQ(Shell("convert-im6.q16 '" + dir.Path("grey.fits") + "' -depth 16 PGM:'" +
                    dir.Path("grey.pgm") + "'"),
              0);
    ASSERT_TRUE(ReadImageFile(dir.Path("grey.pgm"), kFormatPnm, theirs).ok());
    ExpectSamePlanes(rec, theirs, true);
}

struct PeerKind {
    const char* name;
    const char* options;
    int bitpix;
    int naxis;
    bool floating;  // ImageMagick misreads its own float files; compare with the source
};

int CardValue(const Bytes& f, const std::string& keyword) {
    for (std::size_t k = 0; 80 * k + 80 <= f.size() && k < 36; ++k) {
        const std::string card = CardAt(f, k);
        if (card.compare(0, keyword.size() + 1, keyword + " ") == 0)
            return std::atoi(card.c_str() + 10);
    }
    return 0;
}

TEST(FitsPeer, FilesWrittenByImageMagickReadTheRightWayUp) {
    ASSERT_TRUE(HaveTool("convert-im6.q16"))
        << "convert-im6.q16 (ImageMagick) is missing; scripts/install-deps "
           "installs it and this test needs it";
    TempDir dir;
    const ImageRecord rec = MakeRecord(13, 9, 7);  // every channel spans 0..65535
    const std::string source = dir.Path("source.ppm");
    ASSERT_TRUE(WritePnm(source, rec, false).ok());
    const PeerKind kinds[] = {
        {"i16", "-depth 16", 16, 3, false},
        {"i8", "-depth 8", 8, 3, false},
        {"i32", "-depth 32", 32, 3, false},
        {"f32", "-define quantum:format=floating-point -depth 32", -32, 3, true},
        {"f64", "-define quantum:format=floating-point -depth 64", -64, 3, true},
        {"grey", "-channel R -separate -depth 16", 16, 2, false},
    };
    for (const PeerKind& k : kinds) {
        SCOPED_TRACE(k.name);
        const std::string fits = dir.Path(std::string(k.name) + ".fits");
        const std::string ppm = dir.Path(std::string(k.name) + ".ppm");
        ASSERT_EQ(Shell("convert-im6.q16 '" + source + "' " + k.options + " '" + fits + "'"), 0);
        const Bytes f = ReadAll(fits);
        ASSERT_EQ(CardValue(f, "BITPIX"), k.bitpix);
        ASSERT_EQ(CardValue(f, "NAXIS"), k.naxis);

        DecodedImage ours, theirs;
        ASSERT_TRUE(ReadImageFile(fits, kFormatFits, ours).ok());
        ASSERT_EQ(ours.width, 13);
        ASSERT_EQ(ours.height, 9);
        if (k.floating) {
            // Floats of v / 65535 stretched back: v, or v - 1 where the product falls short.
            for (int c = 0; c < 3; ++c) {
                const Plane& p = c == 0 ? ours.red : c == 1 ? ours.green : ours.blue;
                for (std::size_t i = 0; i < p.size(); ++i) {
                    const int want = rec.plane(c)[i];
                    ASSERT_LE(p[i], want) << c << " " << i;
                    ASSERT_GE(p[i], want - 1) << c << " " << i;
                }
            }
            continue;
        }
        // ImageMagick's own reading of the same file, as a 16-bit PPM.
        ASSERT_EQ(Shell("convert-im6.q16 '" + fits + "' " + (k.naxis == 3 ? "-combine " : "") +
                        "-depth 16 PPM:'" + ppm + "'"),
                  0);
        ASSERT_TRUE(ReadImageFile(ppm, kFormatPnm, theirs).ok());
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(At(ours, x, y), At(theirs, x, y)) << x << "," << y;
        if (k.bitpix != 8) ExpectSamePlanes(rec, ours, k.naxis == 2);
    }
}

}  // namespace
}  // namespace orva
