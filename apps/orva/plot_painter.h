// Draws the plain drawing lists of the display logic with a QPainter, item for item.
#pragma once

#include <QColor>
#include <QPainter>

#include "view/plot.h"

namespace orva::gui {

inline QColor ToQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

// Text at its top-left corner in the painter's current font, on its background when set.
void DrawPlotText(QPainter& painter, const PlotText& text);
// Lines, then polylines, then texts, in list order.
void DrawPlot(QPainter& painter, const Plot& plot);

}  // namespace orva::gui
