#include "ops/dispatcher.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace orva {
namespace {

// A record of w x h whose planes hold recognisable values: red 1000 + i, green 2000 + i,
// blue 3000 + i.
void Fill(ImageRecord& rec, int w, int h) {
    rec.width = w;
    rec.height = h;
    const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    for (int c = 0; c < 3; ++c) {
        ASSERT_TRUE(rec.plane(c).Allocate(n));
        for (std::size_t i = 0; i < n; ++i) {
            rec.plane(c)[i] = static_cast<uint16_t>(1000 * (c + 1) + static_cast<int>(i));
        }
    }
}

std::vector<uint16_t> Samples(const Plane& p) {
    return {p.data(), p.data() + p.size()};
}

struct PlaneCall {
    std::string kernel;
    int channel;
    uint16_t* plane;
    uint16_t* scratch;
    int width, height;
    ParamBlock block;
};

// Every kernel is a fake that logs what it was handed.
class DispatcherTest : public ::testing::Test {
protected:
    std::unique_ptr<Workspace> ws = std::make_unique<Workspace>();
    ImageRecord& rec = ws->at(0);
    ParamBlock block;
    OpKernels k;
    std::vector<PlaneCall> planes;     // plane kernels, in call order
    std::vector<std::string> records;  // record kernels, in call order
    std::vector<ParamBlock> record_blocks;
    std::vector<RgbArgs> rgb_calls;
    std::vector<int> line_rows;
    // Green and blue as the gamma kernel first saw them.
    std::vector<uint16_t> gamma_green, gamma_blue;

    // Logs the block as the kernel finds it, clamped words written back.
    auto LogPlane(const std::string& name) {
        return [this, name](const PlaneArgs& a, const auto&) {
            planes.push_back({name, a.channel, a.plane, a.scratch, a.width, a.height, block});
            return true;
        };
    }
    // Any record kernel: logs its name and the block as the dispatcher left it.
    auto LogRecord(const std::string& name) {
        return [this, name](auto&&...) {
            records.push_back(name);
            record_blocks.push_back(block);
            return true;
        };
    }

    void SetUp() override {
        Fill(rec, 3, 2);
        k.sharpen = LogPlane("sharpen");
        k.gamma = [this](const PlaneArgs& a, const GammaParams&) {
            if (planes.empty()) {
                gamma_green = Samples(rec.green);
                gamma_blue = Samples(rec.blue);
            }
            planes.push_back({"gamma", a.channel, a.plane, a.scratch, a.width, a.height, block});
            return true;
        };
        k.edge = LogPlane("edge");
        k.edge_rgb = [this](const RgbArgs& a, const EdgeParams&) { rgb_calls.push_back(a); };
        k.wavelet = LogPlane("wavelet");
        k.restore = LogPlane("restore");
        k.composite = LogRecord("composite");
        k.resize = LogRecord("resize");
        k.background = LogRecord("background");
        k.composite_points = LogRecord("composite_points");
        k.composite_lrgb = LogRecord("composite_lrgb");
        k.rotate = LogRecord("rotate");
        k.quarter_turn = LogRecord("quarter_turn");
        k.flip = LogRecord("flip");
        k.grey = LogRecord("gray");
        k.saturation = LogRecord("saturation");
        k.lines = [this](const ImageRecord&, ImageRecord&, int first_row) {
            line_rows.push_back(first_row);
            return true;
        };
        k.make_background = LogRecord("make_background");
        k.distortion = LogRecord("distortion");
        // Twofold nearest-neighbour stand-in for the wavelet enlargement.
        k.wavelet_enlarge = [](const uint16_t* in, int w, int h, Plane& out, const WaveletParams&) {
            if (!out.Allocate(static_cast<std::size_t>(4 * w * h))) return false;
            for (int y = 0; y < 2 * h; ++y) {
                for (int x = 0; x < 2 * w; ++x) out[y * 2 * w + x] = in[(y / 2) * w + x / 2];
            }
            return true;
        };
    }

    bool Run(uint32_t code) { return Dispatch(code, rec, block, *ws, k); }

    std::vector<int> Channels(const std::string& kernel) const {
        std::vector<int> out;
        for (const auto& c : planes) {
            if (c.kernel == kernel) out.push_back(c.channel);
        }
        return out;
    }
};

using Ch = std::vector<int>;

// Which planes a plane kernel sees: the channel mask (P5) for sharpen and edge, all three
// otherwise, and the red plane alone for a grey picture. Every plane is handed its own
// samples and the picture's size; codes that get scratch share one plane of their own.
TEST_F(DispatcherTest, PlaneKernelsSeeTheSelectedPlanes) {
    struct Case {
        uint32_t code;
        int single_plane;
        int32_t mask;
        const char* kernel;
        Ch channels;
        bool scratch;
    };
    const Case cases[] = {
        {kOpSharpen, 0, 6, "sharpen", {0, 1}, true},
        {kOpSharpen, 0, 8 + 7, "sharpen", {0, 1, 2}, true},  // bits above the mask ignored
        {kOpSharpen, 1, 1, "sharpen", {0}, true},            // blue alone still means grey
        {kOpEdge, 0, 5, "edge", {0, 2}, true},
        {kOpGamma, 0, 0, "gamma", {0, 1, 2}, false},
        {kOpRestore, 1, 0, "restore", {0}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.kernel << " grey " << c.single_plane << " mask " << c.mask);
        planes.clear();
        rec.single_plane = c.single_plane;
        block = ParamBlock{};
        block[5] = c.mask;
        ASSERT_TRUE(Run(c.code));
        EXPECT_EQ(Channels(c.kernel), c.channels);
        EXPECT_TRUE(rgb_calls.empty());
        for (const PlaneCall& p : planes) {
            EXPECT_EQ(p.plane, rec.plane(p.channel).data());
            EXPECT_EQ(p.width, 3);
            EXPECT_EQ(p.height, 2);
            EXPECT_EQ(p.scratch != nullptr, c.scratch);
            EXPECT_EQ(p.scratch, planes[0].scratch);
            if (p.scratch != nullptr) {
                EXPECT_NE(p.scratch, rec.red.data());
            }
        }
    }
}

// A grey picture gets one curve unless P9 is exactly 1; then every channel starts from grey
// (missing planes get full buffers) and the picture becomes colour.
TEST_F(DispatcherTest, GammaOnAGreyPicture) {
    rec.single_plane = 1;
    const auto red = Samples(rec.red), green = Samples(rec.green);
    for (int flag : {0, 2}) {
        planes.clear();
        block[9] = flag;
        ASSERT_TRUE(Run(kOpGamma));
        EXPECT_EQ(Channels("gamma"), (Ch{0})) << flag;
        EXPECT_EQ(Samples(rec.green), green);
        EXPECT_EQ(rec.single_plane, 1);
    }
    planes.clear();
    rec.green.Release();
    ASSERT_TRUE(rec.blue.Allocate(2));
    block[9] = 1;
    ASSERT_TRUE(Run(kOpGamma));
    EXPECT_EQ(Channels("gamma"), (Ch{0, 1, 2}));
    EXPECT_EQ(gamma_green, red);
    EXPECT_EQ(gamma_blue, red);
    EXPECT_EQ(rec.blue.size(), 6u);
    EXPECT_EQ(rec.single_plane, 0);
}

TEST_F(DispatcherTest, EdgeUsesTheColourFilterOnlyForAllThreePlanes) {
    block[5] = 7;
    ASSERT_TRUE(Run(kOpEdge));
    EXPECT_TRUE(planes.empty());
    ASSERT_EQ(rgb_calls.size(), 1u);
    const RgbArgs& a = rgb_calls[0];
    EXPECT_EQ(a.planes[2], rec.blue.data());
    EXPECT_EQ(std::pair(a.width, a.height), std::pair(3, 2));
    for (int c = 0; c < 3; ++c) ASSERT_NE(a.scratch[c], nullptr);
    EXPECT_NE(a.scratch[0], a.scratch[1]);
    EXPECT_NE(a.scratch[1], a.scratch[2]);
}

TEST_F(DispatcherTest, RotationPicksFlipQuarterTurnOrGeneralAngle) {
    struct Case {
        int32_t angle, mode;
        const char* kernel;
        int32_t seen;
    };
    const Case cases[] = {
        {9000, 3, "quarter_turn", 90000},
        {27000, 3, "rotate", 270000},
        {9001, 3, "rotate", 90010},
        {9000, 4, "flip", 90000},
    };
    for (const Case& c : cases) {
        records.clear();
        record_blocks.clear();
        block[0] = c.angle;
        block[1] = c.mode;
        ASSERT_TRUE(Run(kOpRotate));
        ASSERT_EQ(records.size(), 1u) << c.angle;
        EXPECT_EQ(records[0], c.kernel) << c.angle << " mode " << c.mode;
        EXPECT_EQ(record_blocks[0][0], c.seen) << c.angle;
        EXPECT_EQ(block[0], c.seen) << c.angle;  // the scaled angle stays in the block
    }
}

TEST_F(DispatcherTest, KernelFailureIsReported) {
    k.grey = [](ImageRecord&, const GreyParams&) { return false; };
    EXPECT_FALSE(Run(kOpGrey));
    k.restore = [](const PlaneArgs& a, const RestoreParams&) { return a.channel != 1; };
    EXPECT_FALSE(Run(kOpRestore));
}

// Codes that read the picture in slot P0 run nothing when P0 is outside the workspace or
// names an empty slot.
TEST_F(DispatcherTest, ASourceSlotOutsideOrEmptyRunsNothing) {
    for (int32_t slot : {-1, 256, 7}) {
        block[0] = slot;
        ASSERT_TRUE(Run(kOpLinesEven)) << slot;
        ASSERT_TRUE(Run(kOpMakeBackground)) << slot;
    }
    EXPECT_TRUE(line_rows.empty());
    EXPECT_TRUE(records.empty());
}

// Unknown codes, empty pictures and planes shorter than the picture: nothing is touched, not
// even the block (no clamping).
TEST_F(DispatcherTest, CodesWithNothingToWorkOnDoNothing) {
    const auto red = Samples(rec.red);
    for (uint32_t code : {4u, 103u, 0xFFFFFFFFu}) {
        block[1] = 70000;
        EXPECT_TRUE(Run(code)) << code;
        EXPECT_EQ(block[1], 70000) << code;
    }
    EXPECT_TRUE(records.empty());
    EXPECT_TRUE(line_rows.empty());
    EXPECT_EQ(Samples(rec.red), red);
    block[5] = 7;
    rec.width = 0;
    for (uint32_t code : {kOpSharpen, kOpGamma, kOpEdge, kOpWavelet, kOpRestore}) {
        block[0] = 0;
        EXPECT_TRUE(Run(code));
        EXPECT_EQ(block[0], 0) << code;
    }
    rec.width = 3;
    rec.height = 2;
    ASSERT_TRUE(rec.blue.Allocate(5));  // one sample short of 3 x 2
    for (uint32_t code : {kOpSharpen, kOpGamma, kOpEdge, kOpWavelet, kOpRestore}) {
        EXPECT_TRUE(Run(code)) << code;
    }
    EXPECT_TRUE(planes.empty());
    EXPECT_TRUE(rgb_calls.empty());
    // Red alone is still fine for a grey picture.
    rec.single_plane = 1;
    ASSERT_TRUE(Run(kOpRestore));
    EXPECT_EQ(Channels("restore"), (Ch{0}));
}

TEST_F(DispatcherTest, WaveletEnlargementDoublesEveryPlane) {
    const auto red = Samples(rec.red), green = Samples(rec.green), blue = Samples(rec.blue);
    const uint16_t* red_data = rec.red.data();
    auto enlarge = k.wavelet_enlarge;
    int calls = 0;
    // Blue runs short, then a kernel hands back too small a plane: the record stays as it was.
    k.wavelet_enlarge = [&](const uint16_t* in, int w, int h, Plane& out, const WaveletParams& b) {
        return ++calls < 3 && enlarge(in, w, h, out, b);
    };
    block[14] = 1;
    EXPECT_FALSE(Run(kOpWavelet));
    k.wavelet_enlarge = [](const uint16_t*, int, int, Plane& out, const WaveletParams&) {
        return out.Allocate(4);
    };
    EXPECT_FALSE(Run(kOpWavelet));
    EXPECT_EQ(rec.width, 3);
    EXPECT_EQ(rec.red.data(), red_data);
    EXPECT_EQ(Samples(rec.red), red);
    EXPECT_EQ(Samples(rec.green), green);
    EXPECT_EQ(Samples(rec.blue), blue);

    k.wavelet_enlarge = enlarge;
    ASSERT_TRUE(Run(kOpWavelet));
    ASSERT_EQ(rec.width, 6);
    ASSERT_EQ(rec.height, 4);
    // Source pixel (x, y) of the 3 x 2 plane now covers (2x..2x+1, 2y..2y+1).
    const auto doubled = Samples(rec.red);
    EXPECT_EQ(std::vector<uint16_t>(doubled.begin() + 6, doubled.begin() + 14),
              (std::vector<uint16_t>{1000, 1000, 1001, 1001, 1002, 1002, 1003, 1003}));
    EXPECT_EQ(rec.green[23], 2005);
    EXPECT_TRUE(planes.empty());  // the in-place transform did not run

    // A grey picture is enlarged once and keeps every plane full size.
    Fill(rec, 3, 2);
    rec.single_plane = 1;
    calls = 0;
    k.wavelet_enlarge = [&](const uint16_t* in, int w, int h, Plane& out, const WaveletParams& b) {
        ++calls;
        return enlarge(in, w, h, out, b);
    };
    ASSERT_TRUE(Run(kOpWavelet));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Samples(rec.green), doubled);
    EXPECT_EQ(Samples(rec.blue), doubled);
    EXPECT_EQ(rec.single_plane, 1);
}

}  // namespace
}  // namespace orva
