#include <gtest/gtest.h>

#include "shell/commands.h"
#include "shell/histogram_print_commands.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::MakeImage;

// Records what the commands ask of the print and histogram windows.
class InspectUi : public testing::ScriptedUi {
public:
    std::vector<int> printed_slots, views_shown;
    int busy_while_printing = 0;
    bool print_result = true;

    bool PrintImage(AppContext&, int slot) override {
        printed_slots.push_back(slot);
        busy_while_printing = busy_depth;
        return print_result;
    }
    void ShowInspectionWindow(int view_mode) override { views_shown.push_back(view_mode); }
};

using InspectHarness = testing::BasicHarness<InspectUi>;

uint16_t Ramp(int c, int x, int y) {
    return static_cast<uint16_t>((c * 60 + x * 5 + y * 3) << 8);
}

// Without an image the histogram and the cross section open the window in their view; print
// needs an image and repaints even when cancelled.
TEST(InspectCommands, HistogramWindowWithoutAnImagePrintWithOne) {
    InspectHarness h;
    EXPECT_TRUE(ExecuteCommand(*h.ctx, 413));
    EXPECT_EQ(h.ctx->view.histogram_open, 1);
    EXPECT_EQ(h.ctx->view.inspection_mode, 1);
    EXPECT_TRUE(ExecuteCommand(*h.ctx, 411));
    EXPECT_EQ(h.ctx->view.inspection_mode, 0);
    EXPECT_EQ(h.ui.views_shown, (std::vector<int>{1, 0}));
    // The histogram cell of the toolbar runs 411.
    ExecuteCommand(*h.ctx, 413);
    HandleToolbarClick(*h.ctx, 14 * 24 + 3, 5);
    EXPECT_EQ(h.ctx->view.inspection_mode, 0);

    EXPECT_FALSE(ExecuteCommand(*h.ctx, 111));
    EXPECT_TRUE(h.ui.printed_slots.empty());
    MakeImage(h.ctx->ws, 3, 4, 4, Ramp);
    h.ui.print_result = false;
    const int repaints = h.ui.repaints;
    EXPECT_TRUE(ExecuteCommand(*h.ctx, 111));
    EXPECT_EQ(h.ui.printed_slots, std::vector<int>{3});
    EXPECT_EQ(h.ui.busy_while_printing, 1);
    EXPECT_EQ(h.ui.busy_depth, 0);
    EXPECT_EQ(h.ui.repaints, repaints + 1);
}

}  // namespace
}  // namespace orva
