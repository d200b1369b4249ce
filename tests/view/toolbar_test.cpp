#include "view/toolbar.h"

#include <gtest/gtest.h>

#include <string>

#include "shell/messages.h"

namespace orva {
namespace {

std::string Icons(const ToolbarLayout& l) {
    std::string s;
    for (const auto& c : l.cells) s += std::string(ToolbarIconName(c.icon)) + " ";
    return s;
}

// Undo and redo keep their pictures whether or not they can run; the strip draws them faint.
TEST(ToolbarStrip, SeventeenCellsWithUndoAndRedoAlwaysShown) {
    const ToolbarLayout l = LayoutToolbarStrip({});
    ASSERT_EQ(l.cells.size(), 17u);
    EXPECT_EQ(Icons(l),
              "LOAD SAVE PRINTER BLACK UNDO REDO BLACK SANDS EDGE SIZE ROUND COMP GAMMA BW "
              "HIST SELECT UPDOWN ");
    EXPECT_EQ(l.cells[16].x, 24 * 16);
    ToolbarInput in;
    in.pressed[2] = 1;
    EXPECT_TRUE(LayoutToolbarStrip(in).cells[2].inverted);
}

TEST(ToolbarStrip, BatchModeShowsOnlyThePromptOrTheRunningNotice) {
    ToolbarInput in;
    in.batch_mode = 2;
    const ToolbarLayout l = LayoutToolbarStrip(in);
    EXPECT_TRUE(l.cells.empty());
    ASSERT_EQ(l.fills.size(), 1u);
    EXPECT_EQ(l.fills[0].left, 0);
    ASSERT_EQ(l.texts.size(), 1u);
    EXPECT_EQ(l.texts[0].text, "バッチモード：ファイルをドラッグアンドドロップして下さい！");
    EXPECT_EQ(l.texts[0].colour, kWhite);
    // While dropped files run, the notice stands where the prompt was.
    in.batch_text = "running";
    EXPECT_EQ(LayoutToolbarStrip(in).texts[0].text, "running");
}

}  // namespace
}  // namespace orva
