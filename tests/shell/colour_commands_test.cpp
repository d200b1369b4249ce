// The colour and line-separation commands through the command table.
#include <gtest/gtest.h>

#include "shell/commands.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::Harness;
using testing::MakeImage;
using testing::Sample;

uint16_t Colour(int c, int, int) {
    return static_cast<uint16_t>(8000 * (c + 1));  // 8000, 16000, 24000
}

// Undo and all-images mode are the processing pattern's; here: the dialog's choice is used
// even when it is cancelled later, and the picture becomes a grey one that undo makes colour.
TEST(GreyCommand, MakesAGreyPictureThatUndoBringsBack) {
    Harness h;
    ImageRecord& r = MakeImage(h.ctx->ws, 0, 2, 2, Colour);
    h.ctx->settings.grey = {3, 0, 1, 0};  // manual weights: green alone
    h.ui.dialog_handlers["GRAY"] = [](AppContext& ctx) {
        ctx.settings.grey.mode = 0;
        return false;
    };
    ExecuteCommand(*h.ctx, 312);
    EXPECT_EQ(Sample(r, 0, 1, 1), 8000);
    h.ui.dialog_handlers.clear();
    h.ctx->settings.grey = {3, 0, 1, 0};
    ExecuteCommand(*h.ctx, 312);
    EXPECT_EQ(Sample(r, 2, 1, 1), 16000);
    EXPECT_EQ(r.single_plane, 1);
    ExecuteCommand(*h.ctx, 201);
    EXPECT_EQ(Sample(r, 2, 1, 1), 24000);
    EXPECT_EQ(r.single_plane, 0);
}

// The source colour is point A's; without a point (or one outside the picture) a hint, and
// the last colour is used.
TEST(ColourChangeCommand, SourceColourFromPointAOrTheLastOne) {
    Harness h;
    ImageRecord& r = MakeImage(h.ctx->ws, 0, 3, 2, [](int c, int x, int y) {
        return static_cast<uint16_t>(x == 2 && y == 1 ? 256 * (10 * c + 10) + 7 : 0);
    });
    ColourSettings& s = h.ctx->settings.colour;
    s.rgb_source = {10, 20, 30};
    s.rgb_target = {0, 0, 255};
    s.rgb_tolerance = 0;
    ExecuteCommand(*h.ctx, 331);
    EXPECT_EQ(h.ui.Texts("Message !"),
              std::vector<std::string>{
                  "Aキーで色を変更する場所を指定してから\nこのメニューを選ぶ事も可能です"});
    EXPECT_EQ(Sample(r, 2, 2, 1), 65280);
    ExecuteCommand(*h.ctx, 201);
    r.point_a_x = 5;  // outside the picture: counts as not set
    r.point_a_y = 0;
    ExecuteCommand(*h.ctx, 332);
    EXPECT_EQ(h.ui.Texts("Message !").size(), 2u);
    ExecuteCommand(*h.ctx, 201);

    s.rgb_source = {1, 1, 1};
    s.rgb_target = {255, 0, 0};
    r.point_a_x = 2;
    r.point_a_y = 1;  // memory row
    ExecuteCommand(*h.ctx, 331);
    EXPECT_EQ(h.ui.boxes.size(), 2u);
    EXPECT_EQ(s.rgb_source, (std::array<int, 3>{10, 20, 30}));
    EXPECT_EQ(Sample(r, 0, 2, 1), 65280);
    EXPECT_EQ(Sample(r, 0, 0, 0), 0);  // black is not the source colour
    ExecuteCommand(*h.ctx, 201);
    EXPECT_EQ(Sample(r, 0, 2, 1), 256 * 10 + 7);
}

TEST(ColourChangeCommand, CurrentImageOnlyAndGreyPicturesBecomeColour) {
    Harness h;
    MakeImage(h.ctx->ws, 0, 1, 1, Colour);
    ImageRecord& grey = MakeImage(h.ctx->ws, 1, 1, 1, Colour);
    grey.single_plane = 1;  // the picture is red = 8000 alone
    grey.point_a_x = grey.point_a_y = 0;
    h.ctx->shell.all_images = 1;
    h.ctx->settings.colour.rgb_target = {0, 255, 0};
    ExecuteCommand(*h.ctx, 331);
    EXPECT_EQ(h.ctx->settings.colour.rgb_source, (std::array<int, 3>{31, 31, 31}));
    EXPECT_EQ(grey.single_plane, 0);
    EXPECT_EQ(Sample(grey, 1, 0, 0), 65280);
    EXPECT_EQ(Sample(h.ctx->ws.at(0), 1, 0, 0), 16000);  // not the current image
    ExecuteCommand(*h.ctx, 201);
    EXPECT_EQ(grey.single_plane, 1);
    EXPECT_EQ(Sample(grey, 0, 0, 0), 8000);
}

TEST(LineSeparationCommand, TwoNewImagesAndTheOddOneCurrentOrAMessageWithoutASlot) {
    Harness h;
    ImageRecord& src =
        MakeImage(h.ctx->ws, 0, 2, 4, [](int, int, int y) { return static_cast<uint16_t>(y); });
    src.single_plane = 1;
    MakeImage(h.ctx->ws, 1, 1, 1, Colour);
    h.ctx->ws.current = 0;
    ExecuteCommand(*h.ctx, 320);
    EXPECT_TRUE(h.ui.dialogs_run.empty());
    const ImageRecord& even = h.ctx->ws.at(2);
    const ImageRecord& odd = h.ctx->ws.at(3);
    EXPECT_EQ(h.ctx->ws.current, 3);
    EXPECT_EQ(Sample(even, 0, 1, 3), 2);
    EXPECT_EQ(Sample(odd, 0, 1, 3), 3);
    EXPECT_EQ(odd.single_plane, 1);
    EXPECT_EQ(odd.changed, 1);
    EXPECT_EQ(Sample(src, 0, 0, 3), 3);

    // No free slot for the second image.
    for (int s = 4; s < kSlotCount - 1; ++s) MakeImage(h.ctx->ws, s, 1, 3, Colour);
    h.ctx->ws.current = 7;
    ExecuteCommand(*h.ctx, 320);
    EXPECT_EQ(h.ui.Texts("Error !"),
              std::vector<std::string>{"これ以上、新たな画像を作れません！"});
    EXPECT_TRUE(h.ctx->ws.at(255).occupied());  // the even image stays
    EXPECT_EQ(h.ctx->ws.current, 255);
    // A 3-row picture: rows 0, 0 and then the last written row again.
    EXPECT_EQ(Sample(h.ctx->ws.at(255), 0, 0, 2), 8000);
    ExecuteCommand(*h.ctx, 320);
    EXPECT_EQ(h.ui.Texts("Error !").size(), 2u);
}

}  // namespace
}  // namespace orva
