#include "workspace/workspace.h"

#include <gtest/gtest.h>

#include "support/scripted_ui.h"
#include "workspace/undo.h"

namespace orva {
namespace {

using testing::MakeImage;
using testing::Sample;

// Samples that encode their own position, so copies can be checked pixel by pixel.
uint16_t Pos(int c, int x, int y) {
    return static_cast<uint16_t>(c * 10000 + y * 100 + x);
}

struct WorkspaceTest : ::testing::Test {
    std::unique_ptr<Workspace> ws = std::make_unique<Workspace>();
    uint64_t available = uint64_t{1} << 40;
    void SetUp() override {
        ws->available_memory = [this] { return available; };
    }
};

TEST_F(WorkspaceTest, MemoryCheckWeighsPixelsCountAndWhatIsFree) {
    MakeImage(*ws, 0, 10, 10, Pos);
    constexpr uint64_t kBlock = 6ull * 2097152;
    // free memory, width, height, slot, count, whether it fits
    using Case = std::tuple<uint64_t, int, int, int, int, bool>;
    // clang-format off
    for (const auto& [free, w, h, slot, n, fits] : {
             // With only small images open the check still asks for n blocks of 6 x 2,097,152.
             Case{kBlock * 3, 0, 0, -1, 3, true}, Case{kBlock * 3, 0, 0, -1, 4, false},
             // A count outside 1..8 counts as 8.
             Case{kBlock * 8, 0, 0, -1, 0, true}, Case{kBlock * 8 - 1, 0, 0, -1, 9, false},
             // Against a slot: its own size; an empty slot has nothing to check.
             Case{600 * 2, 0, 0, 0, 2, true}, Case{600 * 2, 0, 0, 0, 3, false}, Case{600 * 2, 0, 0, 5, 8, true},
             Case{600 * 2, 10, 20, -1, 1, true}, Case{600 * 2, 10, 21, -1, 1, false}}) {
        // clang-format on
        available = free;
        EXPECT_EQ(CheckImageMemory(*ws, w, h, slot, n), fits) << free << " " << slot << " " << n;
    }
}

TEST_F(WorkspaceTest, FreeSlotIsTheLowestNextOccupiedSlotWrapsAndNoneWhenFull) {
    for (int s : {0, 2, 7, 200}) MakeImage(*ws, s, 1, 1, Pos);
    EXPECT_EQ(FindFreeSlot(*ws), 1);
    // current slot, direction, next
    for (const auto& [current, up, next] : {std::tuple{7, true, 200},
                                            {200, true, 0},
                                            {200, false, 7},
                                            {0, false, 200},
                                            {-1, true, 0}}) {
        ws->current = current;
        EXPECT_EQ(NextOccupiedSlot(*ws, up ? SlotDirection::Up : SlotDirection::Down), next)
            << current;
    }
    EXPECT_EQ(HighestOccupiedSlot(*ws), 200);
    available = 1000;  // short of memory
    EXPECT_EQ(FindFreeSlot(*ws), -1);
    available = uint64_t{1} << 40;
    for (int s = 0; s < kSlotCount; ++s) MakeImage(*ws, s, 1, 1, Pos);
    EXPECT_EQ(FindFreeSlot(*ws), -1);
}

TEST_F(WorkspaceTest, ClearSlotResetsTheRecord) {
    ImageRecord& r = MakeImage(*ws, 3, 4, 4, Pos, "/x/a.bmp");
    r.changed = r.single_plane = r.undo_available = 1;
    r.camera_make = "Maker";
    r.iso = 800;
    r.exif = {1, 2, 3};
    ASSERT_TRUE(SaveUndoCopy(r));
    ClearSlot(*ws, 3);
    EXPECT_FALSE(r.occupied());
    EXPECT_TRUE(r.name.empty() && r.red.empty() && r.undo_red.empty() && r.exif.empty());
    EXPECT_EQ(r.changed + r.single_plane + r.undo_available, 0);
    EXPECT_TRUE(r.camera_make.empty() && r.iso == 0);
}

TEST_F(WorkspaceTest, CopyAreaExcludesTheFarEdgeAndClipsToTheSource) {
    const ImageRecord& src = MakeImage(*ws, 0, 30, 20, Pos);
    ImageRecord& dst = ws->at(1);
    ASSERT_TRUE(CopyArea(src, dst, 20, 15, 10, 5));  // corners in any order
    EXPECT_EQ(std::pair(dst.width, dst.height), std::pair(10, 10));
    EXPECT_EQ(Sample(dst, 0, 0, 0), Pos(0, 10, 5));
    EXPECT_EQ(Sample(dst, 2, 9, 9), Pos(2, 19, 14));
    // A negative start shortens the extent.
    ASSERT_TRUE(CopyArea(src, dst, -4, 0, 6, 3));
    EXPECT_EQ(dst.width, 6);
    EXPECT_EQ(Sample(dst, 1, 0, 0), Pos(1, 0, 0));
    // A corner past the far edge never reads outside the source.
    ASSERT_TRUE(CopyArea(src, dst, 25, 18, 40, 30));
    EXPECT_EQ(std::pair(dst.width, dst.height), std::pair(5, 2));
    // An empty rectangle copies nothing and leaves the destination alone.
    EXPECT_FALSE(CopyArea(src, dst, 5, 5, 5, 9));
    EXPECT_EQ(dst.width, 5);
}

TEST_F(WorkspaceTest, CutCanvasAnchors) {
    const ImageRecord& src = MakeImage(*ws, 0, 10, 8, Pos);
    ImageRecord& dst = ws->at(1);
    // Anchor 4, wider than the source but lower: whole width, middle rows.
    ASSERT_TRUE(CutCanvas(src, dst, 20, 4, 4));
    EXPECT_EQ(std::pair(dst.width, dst.height), std::pair(10, 4));
    EXPECT_EQ(Sample(dst, 0, 0, 0), Pos(0, 0, 2));
    // Anchor 8 is the bottom right (the top left is the crop command's test).
    ASSERT_TRUE(CutCanvas(src, dst, 3, 2, 8));
    EXPECT_EQ(Sample(dst, 1, 0, 0), Pos(1, 7, 0));
    // Anchor 5: right column block, middle rows.
    ASSERT_TRUE(CutCanvas(src, dst, 4, 4, 5));
    EXPECT_EQ(Sample(dst, 2, 0, 0), Pos(2, 6, 2));
}

TEST_F(WorkspaceTest, SpreadCopyAndWindowMapping) {
    ImageRecord& r = MakeImage(*ws, 0, 4, 3, Pos);
    r.single_plane = 1;
    SpreadSinglePlane(r);
    EXPECT_EQ(Sample(r, 1, 3, 2), Pos(0, 3, 2));
    EXPECT_EQ(Sample(r, 2, 0, 0), Pos(0, 0, 0));
    ImageRecord& c = ws->at(1);
    ASSERT_TRUE(CopyImageRecord(c, r));
    EXPECT_EQ(c.single_plane, 1);
    EXPECT_TRUE(c.name.empty());

    ImageRecord& big = MakeImage(*ws, 2, 1000, 800, [](int, int, int) { return uint16_t{0}; });
    int col = -5, row = -5;
    big.zoom = 50;
    big.scroll_x = 10;
    big.scroll_y = 20;
    WindowToImage(big, 100, 30, col, row);
    // 100 * 100 / 50 + 10; the window's rows run down, memory rows up.
    EXPECT_EQ(std::pair(col, row), std::pair(210, 800 - 60 - 20 - 1));
    big.zoom = 300;
    WindowToImage(big, 7, 5000, col, row);
    EXPECT_EQ(std::pair(col, row), std::pair(12, 0));  // 7 * 100 / 300 = 2, + 10; clamped
    ImageRecord empty;
    col = row = 77;
    WindowToImage(empty, 1, 1, col, row);
    EXPECT_EQ(col, 77);
}

TEST_F(WorkspaceTest, UndoRedoExchangeStatesWithSizeAndFlags) {
    ImageRecord& r = MakeImage(*ws, 0, 4, 4, Pos);
    ASSERT_TRUE(SaveUndoCopy(r));
    // An operation that changes size and turns the picture grey.
    DecodedImage small;
    ASSERT_TRUE(small.Allocate(2, 2, true));
    r.red = std::move(small.red);
    r.green = std::move(small.green);
    r.blue = std::move(small.blue);
    r.width = r.height = 2;
    r.single_plane = 1;
    MarkOperationDone(r);
    EXPECT_EQ(std::pair(r.changed, r.saved_changed), std::pair(1, 0));
    ASSERT_TRUE(UndoRecord(r));
    EXPECT_EQ(std::tuple(r.width, r.single_plane, r.changed), std::tuple(4, 0, 0));
    EXPECT_EQ(Sample(r, 2, 3, 3), Pos(2, 3, 3));
    EXPECT_FALSE(UndoRecord(r));
    ASSERT_TRUE(RedoRecord(r));
    EXPECT_EQ(std::tuple(r.width, r.single_plane, r.changed), std::tuple(2, 1, 1));
    EXPECT_FALSE(RedoRecord(r));
}

}  // namespace
}  // namespace orva
