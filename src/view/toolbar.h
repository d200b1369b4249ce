// The toolbar strip across the top of the main window: 17 picture cells of 24 x 24 pixels,
// the all-images mode label, and in batch mode the batch prompt instead of the cells.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "view/plot.h"

namespace orva {

inline constexpr int kToolbarCells = 17;
inline constexpr int kToolbarCellSize = 24;
inline constexpr int kToolbarHeight = 24;
// Where the main window writes the pixel read-out, white on black.
inline constexpr int kToolbarReadoutX = 480;

enum class ToolbarIcon {
    Load,
    Save,
    Printer,
    Blank,
    Undo,
    Redo,
    Sharpen,
    Edge,
    Resize,
    Rotate,
    Composite,
    Gamma,
    Grey,
    Histogram,
    Select,
    UpDown,
};

// Resource-style name of a picture ("LOAD", "BLACK", ...).
const char* ToolbarIconName(ToolbarIcon icon);

struct ToolbarCell {
    int x = 0, y = 0;  // top-left; every cell is kToolbarCellSize square
    ToolbarIcon icon = ToolbarIcon::Blank;
    bool inverted = false;  // a pressed cell is drawn with its colours inverted
};

// A filled rectangle [left, right) x [top, bottom) with a one-pixel outline.
struct ToolbarFill {
    int left = 0, top = 0, right = 0, bottom = 0;
    Rgb fill = kBlack;
    Rgb outline = kBlack;
};

struct ToolbarInput {
    bool clear = true;  // blank the label and read-out area first
    std::array<int, kToolbarCells> pressed{};
    int all_images = 0;
    int batch_mode = 0;
    // In batch mode: what the strip says instead of the drop prompt (the running notice).
    std::string batch_text;
};

// Drawn in order: fills, cells, texts.
struct ToolbarLayout {
    std::vector<ToolbarFill> fills;
    std::vector<ToolbarCell> cells;
    std::vector<PlotText> texts;
};

ToolbarLayout LayoutToolbarStrip(const ToolbarInput& in);

// What a cell does, for its tooltip: the menu label of its command without the access key,
// or what the image switch and the mode label do; empty for the blank cells. Cells are
// counted from 0 at x = 0, 24 pixels each.
std::string ToolbarCellTip(int cell);

}  // namespace orva
