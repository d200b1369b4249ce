#include "shell/composite_commands.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "imageio/formats.h"
#include "shell/commands.h"
#include "shell/messages.h"
#include "support/files.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::Harness;
using testing::MakeImage;

uint16_t Level(int, int, int) {
    return 1000;
}

// A picture that matches itself only in place: every shift changes most samples a lot.
uint16_t Texture(int c, int x, int y) {
    uint32_t v = static_cast<uint32_t>(x) * 0x9E3779B1u ^ static_cast<uint32_t>(y) * 0x85EBCA77u;
    v ^= v >> 13;
    v *= 0x2C1B3C6Du;
    return static_cast<uint16_t>((v >> 16) / 2 + 1000 * static_cast<uint32_t>(c));
}

int Occupied(const Workspace& ws) {
    int n = 0;
    for (const auto& r : ws.slots) n += r.occupied() ? 1 : 0;
    return n;
}

TEST(CompositeCommands, AutomaticAndPointStacksMakeANewCurrentImage) {
    Harness h;
    auto& ctx = *h.ctx;
    MakeImage(ctx.ws, 0, 20, 20, Texture);
    MakeImage(ctx.ws, 1, 20, 20, Texture);
    ctx.settings.composite.images = {0, 1, -1, -1};
    ctx.settings.composite.shift_one_pixel = 0;
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdCompositeAuto));
    EXPECT_EQ(ctx.ws.current, 2);
    EXPECT_EQ(ctx.ws.at(2).changed, 1);
    // Results are named after what made them from what, so that pickers tell them apart.
    EXPECT_EQ(ctx.ws.at(2).name, "画像合成-自動 00+01");
    EXPECT_EQ(CompositeSlotLine(ctx, 2), "02(画像合成-自動 00+01)");
    EXPECT_TRUE(h.ui.boxes.empty());
    EXPECT_EQ(h.ui.busy_depth, 0);
    // Points near the limit are completed the other way: B = A + (-100, 100) for both, same
    // direction and distance, so only a move of 2.
    ctx.settings.composite.points[0] = {16300, 5, 0, 0};
    ctx.settings.composite.points[1] = {16302, 5, 0, 0};
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdCompositePoints));
    EXPECT_EQ(ctx.params[7], PackPoint(16200, 105));
    EXPECT_EQ(ctx.params[11], PackPoint(16202, 105));
    EXPECT_EQ(ctx.ws.at(3).width, 22);
}

// The point stack and LRGB refuse what they lack; the point stack only moves without B points.
TEST(CompositeCommands, RefusalsAndAPointStackWithoutBPoints) {
    Harness h;
    auto& ctx = *h.ctx;
    MakeImage(ctx.ws, 0, 20, 20, Level);
    ctx.settings.composite.images = {0, -1, -1, -1};
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdCompositePoints));
    ctx.settings.composite.images = {-1, 0, -1, -1};
    ExecuteCommand(ctx, kCmdLrgb);
    ctx.settings.composite.images = {0, -1, -1, -1};
    ExecuteCommand(ctx, kCmdLrgb);  // no colour image: nothing at all
    ctx.settings.composite.images = {0, 5, -1, -1};
    ExecuteCommand(ctx, kCmdLrgb);
    ctx.settings.composite.images = {-1, 0, 0, 9};
    ExecuteCommand(ctx, kCmdLrgbFourImages);
    EXPECT_EQ(h.ui.Texts(msg::kTitleError),
              (std::vector<std::string>{msg::kNeedTwoImages, msg::kNoLuminanceImage,
                                        msg::kNoImageChosen, msg::kNoRgbImages}));
    EXPECT_EQ(Occupied(ctx.ws), 1);
    ctx.settings.composite.images = {-1, 0, 0, 0};
    ExecuteCommand(ctx, kCmdLrgbFourImages);
    EXPECT_EQ(Occupied(ctx.ws), 2);

    MakeImage(ctx.ws, 1, 20, 20, Level);  // in place of the LRGB result
    ctx.settings.composite.images = {0, 1, -1, -1};
    ctx.settings.composite.points[0] = {5, 5, 5, 5};  // B repeats A: no B
    ctx.settings.composite.points[1] = {8, 5, 0, 0};
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdCompositePoints));
    EXPECT_EQ(ctx.ws.current, 2);
    EXPECT_EQ(std::pair(ctx.ws.at(2).width, ctx.ws.at(2).height), std::pair(23, 20));
    // The completion is for this run only.
    EXPECT_EQ(ctx.settings.composite.points[0], (std::array<int, 4>{5, 5, 5, 5}));
}

TEST(CompositeCommands, MultiFileStackLeavesOnlyTheResultOrNothing) {
    testing::TempDir dir;
    Harness h;
    auto& ctx = *h.ctx;
    ImageRecord& pic = MakeImage(ctx.ws, 0, 40, 30, Texture);
    std::vector<std::string> files;
    for (int i = 0; i < 5; ++i) {
        files.push_back(dir.Path(Format("p%d.ppm", i)));
        ASSERT_TRUE(WriteImageFile(files.back(), kFormatPnm, pic).ok());
    }
    ClearSlot(ctx.ws, 0);
    ctx.settings.multi_file.normalise = 0;
    ctx.settings.multi_file.shift_one_pixel = 0;
    h.ui.dialog_handlers["COMPOMUL"] = [&](AppContext& c) {
        AddMultiFiles(c, files);
        return true;
    };
    // An image kept open in slot 3: the inputs go to 0-2 and 4-5, the result comes back to
    // the lowest free slot, named after the command and its first file.
    MakeImage(ctx.ws, 3, 4, 4, Level);
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdCompositeFiles));
    EXPECT_EQ(Occupied(ctx.ws), 2);
    EXPECT_EQ(ctx.ws.current, 0);
    ASSERT_NE(ctx.ws.Current(), nullptr);
    EXPECT_EQ(ctx.ws.Current()->name, "画像合成-複数ファイル p0 ほか4枚");
    ClearSlot(ctx.ws, 3);
    EXPECT_EQ(ctx.ws.Current()->width, 40);
    EXPECT_EQ(ctx.ws.Current()->height, 30);
    EXPECT_EQ(ctx.ws.Current()->green[5], Texture(1, 5, 0));
    // A missing third file breaks both groups of five: nothing is left behind.
    ClearSlot(ctx.ws, ctx.ws.current);
    files[2] = dir.Path("missing.ppm");
    ExecuteCommand(ctx, kCmdCompositeFiles);
    EXPECT_EQ(Occupied(ctx.ws), 0);
    EXPECT_FALSE(h.ui.Texts(msg::kTitleError).empty());
    // One file is opened as it is: named and unchanged.
    files = {files[0]};
    ctx.settings.multi_file.files.clear();
    ASSERT_TRUE(ExecuteCommand(ctx, kCmdCompositeFiles));
    ASSERT_NE(ctx.ws.Current(), nullptr);
    EXPECT_EQ(ctx.ws.Current()->name, files[0]);
    EXPECT_EQ(ctx.ws.Current()->changed, 0);
}

// Dropped files stop at sixteen with one message; deleting takes the highlighted rows, or
// everything when none is.
TEST(CompositeCommands, TheFileListStopsAtSixteenAndDeletesTheHighlightedRowsOrEverything) {
    Harness h;
    std::vector<std::string> ten;
    for (int i = 0; i < 10; ++i) ten.push_back(Format("f%d.fits", i));
    AddMultiFiles(*h.ctx, ten);
    EXPECT_TRUE(h.ui.boxes.empty());
    AddMultiFiles(*h.ctx, ten);
    EXPECT_EQ(h.ctx->settings.multi_file.files.size(), 16u);
    EXPECT_EQ(h.ctx->settings.multi_file.files[15], "f5.fits");
    EXPECT_EQ(h.ui.Texts(msg::kTitleError), std::vector<std::string>{msg::kTooManyFiles});
    struct Case {
        std::vector<int> rows;
        std::vector<std::string> left;
    };
    const Case cases[] = {
        {{1}, {"a", "c", "d"}},
        {{3, 0}, {"b", "c"}},
        {{2, 2, 9, -1}, {"a", "b", "d"}},  // repeated and impossible rows do no harm
        {{}, {}},                          // nothing highlighted: the whole list
    };
    for (const Case& c : cases) {
        std::vector<std::string> files = {"a", "b", "c", "d"};
        RemoveMultiFiles(files, c.rows);
        EXPECT_EQ(files, c.left) << c.rows.size();
    }
}

}  // namespace
}  // namespace orva
