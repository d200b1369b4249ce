// The background commands through the command table: what each hands to the operations,
// their refusals, sampling, undo and all-images mode.
#include "shell/background_commands.h"

#include <gtest/gtest.h>

#include "shell/commands.h"
#include "shell/messages.h"
#include "support/scripted_ui.h"
#include "view/interaction.h"

namespace orva {
namespace {

using testing::Harness;
using testing::MakeImage;
using testing::Sample;

uint16_t Ramp(int c, int x, int y) {
    return static_cast<uint16_t>(5000 + 300 * x + 200 * y + 1000 * c);
}

TEST(BackgroundCommands, RadialWithoutEdgeLevelsArmsCentreSampling) {
    Harness h;
    AppContext& ctx = *h.ctx;
    ImageRecord& rec = MakeImage(ctx.ws, 0, 9, 9, Ramp);
    ctx.ws.current = 0;
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdBackground));
    EXPECT_EQ(h.ui.dialogs_run, std::vector<std::string>{"BACKG"});
    EXPECT_EQ(ctx.view.sampling_mode, kSampleCentre);
    EXPECT_EQ(rec.undo_available, 0);
    // The next click takes the centre levels into the settings the dialog edits.
    ImageLeftButtonDown(ctx, 4, 4);
    EXPECT_EQ(ctx.view.sampling_mode, kSampleNone);
    EXPECT_EQ(ctx.settings.background.centre[2], ctx.view.centre_level.b);
    EXPECT_GT(ctx.settings.background.centre[2], 0);
    // Edge levels picked through 3062 make the next run correct the picture.
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdSampleEdge));
    EXPECT_EQ(h.ui.Texts(msg::kTitleMessage).back(), msg::kSampleEdgePrompt);
    ImageLeftButtonDown(ctx, 0, 0);
    EXPECT_GT(ctx.settings.background.edge[0], 0);
    ctx.settings.background.centre = {200, 200, 200};
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdBackground));
    EXPECT_EQ(rec.undo_available, 1);
    EXPECT_EQ(rec.changed, 1);
}

TEST(BackgroundCommands, ImageBackgroundNeedsAChosenPictureAndLeavesItAloneInAllImagesMode) {
    Harness h;
    AppContext& ctx = *h.ctx;
    for (int s = 0; s < 3; ++s) MakeImage(ctx.ws, s, 6, 4, Ramp);
    ctx.ws.current = 0;
    ctx.settings.background.image_slot = 100;  // the default names no picture
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdBackgroundImage));
    EXPECT_EQ(h.ui.Texts(msg::kTitleError), std::vector<std::string>{msg::kNoImageChosen});
    EXPECT_EQ(ctx.ws.at(0).undo_available, 0);
    ctx.shell.all_images = 1;
    ctx.settings.background.image_mode = 4;
    ctx.settings.background.image_shift = 30;
    ctx.settings.background.image_slot = 1;
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdBackgroundImage));
    EXPECT_EQ(Sample(ctx.ws.at(0), 2, 5, 3), 7679);
    EXPECT_EQ(Sample(ctx.ws.at(2), 0, 0, 0), 7679);
    EXPECT_EQ(Sample(ctx.ws.at(1), 0, 0, 0), Ramp(0, 0, 0));
    EXPECT_EQ(ctx.ws.at(1).undo_available, 0);
    EXPECT_EQ(ctx.ws.at(1).changed, 0);
    // Undo takes every image back.
    ExecuteCommand(ctx, kCmdUndo);
    EXPECT_EQ(Sample(ctx.ws.at(2), 0, 0, 0), Ramp(0, 0, 0));
}

TEST(BackgroundCommands, CompareAroundTheReferenceLevel) {
    Harness h;
    AppContext& ctx = *h.ctx;
    ImageRecord& rec = MakeImage(ctx.ws, 0, 6, 4, Ramp);
    MakeImage(ctx.ws, 3, 6, 4, Ramp);
    ctx.ws.current = 0;
    // Compares the current picture with the one in `slot`, as chosen in the dialog.
    const auto compare_with = [&](int slot) {
        h.ui.dialog_handlers["DIFF"] = [slot](AppContext& c) {
            c.shell.selected_slot = slot;
            return true;
        };
        return ExecuteCommand(ctx, kCmdCompareImages);
    };
    ASSERT_TRUE(compare_with(3));
    for (int c = 0; c < 3; ++c) EXPECT_EQ(Sample(rec, c, 2, 1), 32767);
    EXPECT_EQ(rec.undo_available, 1);
    ASSERT_TRUE(compare_with(9));  // empty
    EXPECT_EQ(h.ui.Texts(msg::kTitleError).back(), msg::kNoImageChosen);
    // A reference of another size: asked first; Cancel leaves the picture as it was.
    MakeImage(ctx.ws, 5, 7, 4, Ramp);
    ctx.ws.current = 0;
    ctx.ws.at(0).undo_available = 0;
    h.ui.answers = {Answer::Cancel};
    ASSERT_TRUE(compare_with(5));
    ASSERT_EQ(h.ui.Texts(msg::kTitleCaution).size(), 1u);
    EXPECT_EQ(h.ui.Texts(msg::kTitleCaution)[0],
              "２つの画像のサイズが異なります！（6x4 と 7x4）\nこのまま比較しますか？");
    EXPECT_EQ(rec.undo_available, 0);
    h.ui.answers = {Answer::Ok};
    ASSERT_TRUE(compare_with(5));
    EXPECT_EQ(rec.undo_available, 1);
}

TEST(BackgroundCommands, GeneratedBackgroundAsANewImageOrUsedAtOnce) {
    Harness h;
    AppContext& ctx = *h.ctx;
    auto flat = [](int, int, int) { return uint16_t{3000}; };
    ImageRecord& rec = MakeImage(ctx.ws, 0, 24, 20, flat);
    ctx.ws.current = 0;
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdMakeBackground));  // use 0: kept as a new image
    EXPECT_EQ(ctx.ws.current, 1);
    EXPECT_EQ(Sample(ctx.ws.at(1), 1, 10, 10), 3000);
    EXPECT_EQ(ctx.ws.at(1).changed, 1);

    ctx.ws.current = 0;
    ctx.settings.background.generated_use = 2;
    ctx.settings.background.generated_shift = 30;
    ctx.settings.background.two_part = 1;
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdMakeBackground));
    EXPECT_EQ(ctx.ws.current, 0);
    EXPECT_EQ(Sample(rec, 0, 3, 3), 7679);  // flat picture minus its own background + 1
    EXPECT_EQ(rec.undo_available, 1);
    // The background and the two-part temporary are gone again.
    EXPECT_FALSE(ctx.ws.at(2).occupied());
    EXPECT_FALSE(ctx.ws.at(3).occupied());
}

}  // namespace
}  // namespace orva
