// Painting shared by the operation dialogs, in dialog client coordinates: for gamma and level
// the level grid, the tone curves and the histograms of the image as it would come out; for the
// two colour changes the swatches of the colour replaced and the colour put in its place.
#pragma once

#include <QColor>
#include <QPoint>
#include <vector>

#include "plot_painter.h"
#include "view/tone_graph.h"

class QPainter;

namespace orva::gui {

// The graph area of both dialogs shows client x 0..279 and y 56..405: the 256 x 256 level
// graph and the histograms beneath it.
inline constexpr int kToneAreaLeft = 0, kToneAreaTop = 56;

// A white 256 x 256 field with grid lines every 16 levels.
void PaintToneGrid(QPainter& p);
// Each curve point by point.
void PaintToneTraces(QPainter& p, const std::vector<ToneTrace>& traces);
// One-pixel columns standing on the histogram base line, on a black field.
void PaintPreviewHistogram(QPainter& p, const PreviewHistogram& h);

// The colour-change swatches are drawn where x runs 180..240 and y 140..340; this is the
// origin of the area that holds them.
inline constexpr QPoint kSwatchOrigin(170, 130);
// The colour to replace above, the colour put in its place below.
void PaintSwatches(QPainter& p, Rgb source, Rgb target);

}  // namespace orva::gui
