#include "view/toolbar.h"

#include <cstddef>

#include "shell/commands.h"
#include "shell/messages.h"

namespace orva {

namespace {

constexpr int kStripRight = 2048;  // wider than any screen
constexpr int kLabelX = 408;
constexpr Rgb kLabelBackground{64, 64, 64};
constexpr Rgb kAllImagesColor{255, 128, 128};
constexpr Rgb kOneImageColor{128, 128, 255};

constexpr std::array<ToolbarIcon, kToolbarCells> kCellIcons = {
    ToolbarIcon::Load,   ToolbarIcon::Save,   ToolbarIcon::Printer,   ToolbarIcon::Blank,
    ToolbarIcon::Undo,   ToolbarIcon::Redo,   ToolbarIcon::Blank,     ToolbarIcon::Sharpen,
    ToolbarIcon::Edge,   ToolbarIcon::Resize, ToolbarIcon::Rotate,    ToolbarIcon::Composite,
    ToolbarIcon::Gamma,  ToolbarIcon::Grey,   ToolbarIcon::Histogram, ToolbarIcon::Select,
    ToolbarIcon::UpDown,
};

}  // namespace

const char* ToolbarIconName(ToolbarIcon icon) {
    switch (icon) {
        case ToolbarIcon::Load: return "LOAD";
        case ToolbarIcon::Save: return "SAVE";
        case ToolbarIcon::Printer: return "PRINTER";
        case ToolbarIcon::Blank: return "BLACK";
        case ToolbarIcon::Undo: return "UNDO";
        case ToolbarIcon::Redo: return "REDO";
        case ToolbarIcon::Sharpen: return "SANDS";
        case ToolbarIcon::Edge: return "EDGE";
        case ToolbarIcon::Resize: return "SIZE";
        case ToolbarIcon::Rotate: return "ROUND";
        case ToolbarIcon::Composite: return "COMP";
        case ToolbarIcon::Gamma: return "GAMMA";
        case ToolbarIcon::Grey: return "BW";
        case ToolbarIcon::Histogram: return "HIST";
        case ToolbarIcon::Select: return "SELECT";
        case ToolbarIcon::UpDown: return "UPDOWN";
    }
    return "BLACK";
}

ToolbarLayout LayoutToolbarStrip(const ToolbarInput& in) {
    ToolbarLayout out;
    if (in.batch_mode != 0) {
        // Nothing can be clicked while dropped files run through the batch.
        out.fills.push_back({0, 0, kStripRight, kToolbarHeight - 1, kBlack, kBlack});
        out.texts.push_back({{0, 0},
                             in.batch_text.empty() ? Tr(msg::kBatchPrompt) : in.batch_text,
                             kWhite,
                             kBlack});
        return out;
    }
    if (in.clear)
        out.fills.push_back({kLabelX, 0, kStripRight, kToolbarHeight - 1, kBlack, kBlack});
    for (int i = 0; i < kToolbarCells; ++i) {
        // Undo and redo keep their pictures when there is nothing to take back: the strip
        // draws a cell whose command cannot run faint, so the user still sees where it is.
        out.cells.push_back({kToolbarCellSize * i, 0, kCellIcons[static_cast<std::size_t>(i)],
                             in.pressed[static_cast<std::size_t>(i)] == 1});
    }
    if (in.all_images == 1)
        out.texts.push_back(
            {{kLabelX, 2}, msg::kAllImagesLabel, kAllImagesColor, kLabelBackground});
    else
        out.texts.push_back({{kLabelX, 2}, msg::kOneImageLabel, kOneImageColor, kLabelBackground});
    return out;
}

std::string ToolbarCellTip(int cell) {
    if (cell == 16) return Tr(ORVA_TEXT("orva", "上半分: 次の画像／下半分: 前の画像"));
    if (cell >= 17 && cell <= 19) return Tr(ORVA_TEXT("orva", "全画像モードの切り替え"));
    // The access key means nothing on a toolbar.
    return CommandName(ToolbarCommand(cell));
}

}  // namespace orva
