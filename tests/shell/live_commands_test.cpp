#include "shell/live_commands.h"

#include <gtest/gtest.h>

#include <string>

#include "support/scripted_ui.h"

namespace orva {
namespace {

LinearImage Stack(float level) {
    LinearImage img;
    img.width = 6;
    img.height = 4;
    img.planes = 1;
    img.data.assign(img.pixels(), level);
    return img;
}

// The window stays open while the user works: the stack keeps its slot only while the slot
// holds what was put there, and takes the view only while the user looks at it.
TEST(LiveStackSlot, TheUsersWorkIsNeverOverwrittenNorTheirViewTaken) {
    testing::Harness h;
    AppContext& ctx = *h.ctx;
    LiveSlot shown;
    ASSERT_TRUE(ShowLiveStack(ctx, Stack(100), 1, shown));
    EXPECT_EQ(shown.slot, 0);
    EXPECT_EQ(ctx.ws.current, 0);
    EXPECT_EQ(ctx.ws.at(0).name, "ライブスタック 1枚");
    EXPECT_EQ(ctx.view.auto_stretch, 1);

    // The user turns the stretch off and looks at another picture: the stack follows in its
    // own slot, and neither the view nor the stretch changes.
    ctx.view.auto_stretch = 0;
    testing::MakeImage(ctx.ws, 1, 3, 3, [](int, int, int) { return 7; });
    ctx.ws.current = 1;
    ASSERT_TRUE(ShowLiveStack(ctx, Stack(200), 2, shown));
    EXPECT_EQ(shown.slot, 0);
    EXPECT_EQ(ctx.ws.current, 1);
    EXPECT_EQ(ctx.ws.at(0).name, "ライブスタック 2枚");
    EXPECT_EQ(ctx.view.auto_stretch, 0);
    // Looking at the stack again, it stays in view.
    ctx.ws.current = 0;
    ASSERT_TRUE(ShowLiveStack(ctx, Stack(200), 3, shown));
    EXPECT_EQ(ctx.ws.current, 0);

    // Worked on, saved under a name or replaced: the slot is the user's, the stack moves on.
    struct Case {
        const char* what;
        void (*take)(ImageRecord&);
    };
    const Case cases[] = {
        {"worked on", [](ImageRecord& r) { r.undo_available = 1; }},
        {"saved", [](ImageRecord& r) { r.name = "/data/m42.fits"; }},
        {"closed", [](ImageRecord& r) { r = ImageRecord{}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int before = shown.slot;
        ImageRecord& mine = ctx.ws.at(before);
        c.take(mine);
        const std::string kept_name = mine.name;
        const int kept_undo = mine.undo_available;
        const bool kept = mine.occupied();
        ASSERT_TRUE(ShowLiveStack(ctx, Stack(300), 4, shown));
        EXPECT_EQ(ctx.ws.current, shown.slot);
        EXPECT_EQ(ctx.ws.at(shown.slot).name, "ライブスタック 4枚");
        if (!kept) continue;
        EXPECT_NE(shown.slot, before);
        EXPECT_EQ(ctx.ws.at(before).name, kept_name);
        EXPECT_EQ(ctx.ws.at(before).undo_available, kept_undo);
    }
}

}  // namespace
}  // namespace orva
