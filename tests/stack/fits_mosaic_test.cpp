// Calibrated stacking of FITS frames from a colour sensor (BAYERPAT): calibrated on the mosaic
// with each colour of the flat normalised on its own, demosaiced into three planes that stand
// the right way up, and frames that do not fit the lights' mosaic (or mix RAW with FITS)
// refused by name.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "raw/raw_fixtures.h"
#include "stack/pipeline.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

constexpr int kW = 24, kH = 16;  // an even height: turning the rows moves the pattern
constexpr double kScene[3] = {100, 200, 50}, kLamp[3] = {3000, 9000, 5000};
constexpr double kBias = 500, kDark = 30;

int ColourOf(char letter) {
    return letter == 'R' ? 0 : letter == 'G' ? 1 : 2;
}

struct Header {
    std::string bayer;  // BAYERPAT, none when empty
    int x_offset = 0, y_offset = 0;
    std::string row_order;  // ROWORDER, none when empty
};

// A one-plane frame whose stored sample (x, s) (s counted as stored) has the colour of
// `stored` (the 2x2 pattern from the first sample stored) and the value value(colour, x, s).
std::string WriteMosaic(const testing::TempDir& dir, const std::string& name, const Header& h,
                        const std::string& stored,
                        const std::function<double(int colour, int x, int s)>& value) {
    LinearImage img;
    img.width = kW;
    img.height = kH;
    img.planes = 1;
    for (int s = 0; s < kH; ++s)
        for (int x = 0; x < kW; ++x)
            img.data.push_back(static_cast<float>(
                value(ColourOf(stored[static_cast<std::size_t>((s % 2) * 2 + x % 2)]), x, s)));
    img.cards = {"OBJECT  = 'mosaic'"};
    if (!h.bayer.empty()) img.cards.push_back("BAYERPAT= '" + h.bayer + "'");
    if (h.x_offset != 0) img.cards.push_back("XBAYROFF= " + std::to_string(h.x_offset));
    if (h.y_offset != 0) img.cards.push_back("YBAYROFF= " + std::to_string(h.y_offset));
    if (!h.row_order.empty()) img.cards.push_back("ROWORDER= '" + h.row_order + "'");
    const std::string path = dir.Path(name);
    EXPECT_TRUE(WriteFitsLinear(path, img, false, {}).ok());
    return path;
}

// Vignetting of the optics: the left quarter dimmed, so that the flat's median is 1.
double Vignette(int x) {
    return x < kW / 4 ? 0.7 : 1.0;
}

TEST(FitsMosaicStack, EachPatternCalibratesDemosaicsAndStandsUp) {
    // Lights of a flat-coloured scene, twice as bright in the first six rows stored, with
    // bias, dark current and vignetting; flats lit by a coloured lamp. `stored` is the pattern
    // from the first sample stored, worked out by hand from the keys.
    struct Row {
        Header header;
        std::string stored;
    };
    const Row rows[] = {
        {{"RGGB", 0, 0, ""}, "RGGB"},          {{"BGGR", 0, 0, ""}, "BGGR"},
        {{"GRBG", 0, 0, ""}, "GRBG"},          {{"GBRG", 0, 0, ""}, "GBRG"},
        {{"RGGB", 1, 0, ""}, "GRBG"},           // one column in: the pattern's second
        {{"rggb", 0, 1, ""}, "GBRG"},           // one row in; the name in any case
        {{"BGGR", 1, 1, "BOTTOM-UP"}, "RGGB"},  // both
        {{"GRBG", 0, 0, "TOP-DOWN"}, "GRBG"},   // the first row stored is the top
        {{"GBRG", 0, 3, "top-down"}, "RGGB"},   // an odd offset is one row
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.header.bayer + " " + std::to_string(row.header.x_offset) + "," +
                     std::to_string(row.header.y_offset) + " " + row.header.row_order);
        testing::TempDir dir;
        const Header& h = row.header;
        StackJob job;
        // One light: the masters' combination is what is checked, not registration.
        job.lights.push_back(WriteMosaic(dir, "light.fits", h, row.stored, [](int c, int x, int s) {
            return kBias + kDark + kScene[c] * (s < 6 ? 2 : 1) * Vignette(x);
        }));
        for (int i = 0; i < 3; ++i) {
            const std::string n = std::to_string(i) + ".fits";
            job.bias.push_back(
                WriteMosaic(dir, "bias" + n, h, row.stored, [](int, int, int) { return kBias; }));
            job.darks.push_back(WriteMosaic(dir, "dark" + n, h, row.stored,
                                            [](int, int, int) { return kBias + kDark; }));
            job.flats.push_back(WriteMosaic(dir, "flat" + n, h, row.stored, [](int c, int x, int) {
                return kBias + kLamp[c] * Vignette(x);
            }));
        }
        StackOutcome out;
        std::string error;
        ASSERT_TRUE(RunCalibratedStack(job, out, &error)) << error;
        ASSERT_EQ(out.image.planes, 3);
        // Output rows run from the bottom: stored row s is row s of a bottom-up file and row
        // kH - 1 - s of a top-down one.
        const bool top_down = h.row_order == "TOP-DOWN" || h.row_order == "top-down";
        for (const auto& [s, brightness] : {std::pair{2, 2.0}, std::pair{10, 1.0}}) {
            const int y = top_down ? kH - 1 - s : s;
            for (int c = 0; c < 3; ++c)
                for (int x = 0; x < kW; ++x)
                    ASSERT_NEAR(out.image.plane(c)[static_cast<std::size_t>(y) * kW + x],
                                kScene[c] * brightness, 1e-3)
                        << "colour " << c << " at " << x << "," << y;
        }
        // The keys of the mosaic describe the frames, not the demosaiced result.
        ASSERT_FALSE(out.image.cards.empty());
        EXPECT_EQ(out.image.cards[0], "OBJECT  = 'mosaic'" + std::string(62, ' '));
        for (const std::string& card : out.image.cards)
            for (const char* key : {"BAYERPAT", "XBAYROFF", "YBAYROFF", "ROWORDER"})
                EXPECT_NE(card.rfind(key, 0), 0u) << card;
        EXPECT_TRUE(std::any_of(
            out.history.begin(), out.history.end(),
            [](const std::string& line) { return line.find("Bayer FITS") != std::string::npos; }));
    }
}

TEST(FitsMosaicStack, FramesThatDoNotFitTheLightsMosaicAreRefusedByName) {
    testing::TempDir dir;
    auto frame = [&](const std::string& name, const std::string& bayer) {
        return WriteMosaic(dir, name, {bayer, 0, 0, ""}, bayer.empty() ? "RGGB" : bayer,
                           [](int c, int, int) { return 1000 + kScene[c]; });
    };
    const std::string light = frame("light.fits", "RGGB"), light2 = frame("light2.fits", "RGGB");
    const std::string mono = frame("mono.fits", ""), other = frame("bggr.fits", "BGGR");
    const std::string raw = testing::WriteFixture(
        dir.Path("raw.dng"),
        testing::MakeMosaic(kW, kH, testing::kRggb, [](int, int, int) { return uint16_t{1000}; }));
    struct Row {
        std::vector<std::string> lights, darks, flats;
        std::string named, reason;
    };
    const Row rows[] = {
        {{light, light2}, {}, {mono}, "mono.fits", "without a colour mosaic"},
        {{light, light2}, {mono}, {}, "mono.fits", "without a colour mosaic"},
        {{light, mono}, {}, {}, "mono.fits", "without a colour mosaic"},
        {{mono, light}, {}, {}, "light.fits", "cannot join lights without one"},
        {{mono}, {light}, {}, "light.fits", "cannot join lights without one"},
        {{light, other}, {}, {}, "bggr.fits", "another colour pattern"},
        {{light}, {}, {other}, "bggr.fits", "another colour pattern"},
        {{frame("xtrans.fits", "GRBGBR")}, {}, {}, "xtrans.fits", "is not a Bayer pattern"},
        {{light}, {raw}, {}, "raw.dng", "RAW and FITS frames cannot be stacked together"},
    };
    for (const Row& row : rows) {
        StackJob job;
        job.lights = row.lights;
        job.darks = row.darks;
        job.flats = row.flats;
        StackOutcome out;
        std::string error;
        EXPECT_FALSE(RunCalibratedStack(job, out, &error)) << row.named;
        EXPECT_NE(error.find(row.named + ": "), std::string::npos) << error;
        EXPECT_NE(error.find(row.reason), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace orva
