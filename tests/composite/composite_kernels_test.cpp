#include "composite/composite_kernels.h"

#include <gtest/gtest.h>

#include "composite/stack_fixtures.h"

namespace orva {
namespace {

using testing::Flat;
using testing::Sample;
using testing::StarField;

struct StackRun {
    Workspace ws;
    ParamBlock block;
    OpKernels kernels;
    StackRun() { AddCompositeKernels(kernels); }
    bool Run(uint32_t code, int slot) { return Dispatch(code, ws.at(slot), block, ws, kernels); }
};

// Automatic compositing words: ranges, method, flags, four slots and weights, noise, shift.
void AutoWords(ParamBlock& b, int range, int method, int flags, std::array<int, 4> slots,
               int noise) {
    b[0] = b[1] = range;
    b[2] = method;
    b[3] = flags;
    for (int i = 0; i < 4; ++i) {
        b[4 + i] = slots[static_cast<std::size_t>(i)];
        b[8 + i] = slots[static_cast<std::size_t>(i)] >= 0 ? 100 : 0;
    }
    b[15] = noise;
    b[16] = b[17] = 0;
}

TEST(CompositeKernels, AutomaticStackFindsOffsetsAndSizesTheCanvas) {
    StackRun r;
    const StarField field(500, 400, 3);
    r.ws.at(0) = field.Crop(400, 300, 40, 40);
    r.ws.at(1) = field.Crop(400, 300, 52, 33);  // found at (12, -7)
    r.ws.at(2) = field.Crop(400, 300, 40, 40);
    // Shift flag, centre-only method, normalisation; noise removal at level 5.
    AutoWords(r.block, 20, 0, 256 + 1 + 3, {0, -1, 1, -1}, 5);
    ASSERT_TRUE(r.Run(kOpComposite, 5));
    const ImageRecord& out = r.ws.at(5);
    ASSERT_EQ(std::pair(out.width, out.height), std::pair(412, 307));
    // The reference sits at (0, 7): its pixels come back where only it covers them.
    EXPECT_EQ(Sample(out, 1, 3, 10), Sample(r.ws.at(0), 1, 3, 3));
    // Where both cover, identical sky gives the same value again.
    EXPECT_EQ(Sample(out, 1, 200, 150), Sample(r.ws.at(0), 1, 200, 143));
}

TEST(CompositeKernels, FewerThanTwoPicturesLeaveTheResultEmpty) {
    StackRun r;
    r.ws.at(0) = Flat(10, 10, 100);
    AutoWords(r.block, 4, 0, 1, {0, -1, 3, -1}, -1);  // slot 3 holds nothing
    ASSERT_TRUE(r.Run(kOpComposite, 5));
    EXPECT_FALSE(r.ws.at(5).occupied());
    AutoWords(r.block, 4, 0, 1, {0, 0, -1, -1}, -1);
    r.block[9] = 0;  // a weight of 0 leaves the second out
    ASSERT_TRUE(r.Run(kOpComposite, 5));
    EXPECT_FALSE(r.ws.at(5).occupied());
}

TEST(CompositeKernels, AnExtraShiftSwitchesNoiseRemovalOff) {
    StackRun r;
    r.ws.at(0) = Flat(5, 5, 1000);
    r.ws.at(1) = Flat(5, 5, 1000);
    r.ws.at(1).red[12] = 9000;
    r.ws.at(2) = Flat(5, 5, 1000);
    AutoWords(r.block, 0, 0, 1, {0, 1, 2, -1}, 5);
    ASSERT_TRUE(r.Run(kOpComposite, 5));
    EXPECT_EQ(Sample(r.ws.at(5), 0, 2, 2), 1000);
    r.block[16] = 1;
    ASSERT_TRUE(r.Run(kOpComposite, 5));
    // Picture 2 moved one column right: its spot now lies at (3, 2) among two others.
    EXPECT_EQ(Sample(r.ws.at(5), 0, 3, 2), (1000 + 9000 + 1000) / 3);
}

TEST(CompositeKernels, GreySourcesServeTheirRedPlane) {
    StackRun r;
    r.ws.at(0) = Flat(6, 6, 2000);
    r.ws.at(1) = Flat(6, 6, 2000);
    r.ws.at(1).single_plane = 1;
    r.ws.at(1).green.Release();
    r.ws.at(1).blue.Release();
    AutoWords(r.block, 0, 1, 0, {0, 1, -1, -1}, -1);
    ASSERT_TRUE(r.Run(kOpComposite, 2));
    EXPECT_EQ(Sample(r.ws.at(2), 2, 3, 3), 4000);
}

TEST(CompositeKernels, LrgbWithoutLuminanceUsesTheColourSources) {
    StackRun r;
    r.ws.at(0) = Flat(4, 4, 1000);
    r.ws.at(1) = Flat(4, 4, 2000);
    r.ws.at(2) = Flat(4, 4, 3000);
    r.block = {{{-1, 0, 0, 0, 0, 100, 0, 0, 1, 100, 0, 0, 2, 50, 0, 0}}};
    ASSERT_TRUE(r.Run(kOpCompositeLrgb, 3));
    EXPECT_EQ(Sample(r.ws.at(3), 2, 1, 1), 1500);  // blue from slot 2 at half weight
    r.block[12] = 9;                               // a missing colour source: nothing is made
    ClearRecord(r.ws.at(3));
    ASSERT_TRUE(r.Run(kOpCompositeLrgb, 3));
    EXPECT_FALSE(r.ws.at(3).occupied());
}

}  // namespace
}  // namespace orva
