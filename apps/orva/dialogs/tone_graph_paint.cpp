#include "dialogs/tone_graph_paint.h"

#include <QPainter>

namespace orva::gui {

void PaintToneGrid(QPainter& p) {
    const PlotPoint top_left = ToneGraphPoint(0, 256);
    p.fillRect(top_left.x, top_left.y, 256, 256, Qt::white);
    p.setPen(QColor(200, 200, 200));
    for (int level = 0; level <= 256; level += kToneGridStep) {
        const PlotPoint a = ToneGraphPoint(level, 0), b = ToneGraphPoint(level, 256);
        p.drawLine(a.x, a.y, b.x, b.y);
        const PlotPoint c = ToneGraphPoint(0, level), d = ToneGraphPoint(256, level);
        p.drawLine(c.x, c.y, d.x, d.y);
    }
}

void PaintToneTraces(QPainter& p, const std::vector<ToneTrace>& traces) {
    for (const ToneTrace& t : traces) {
        p.setPen(ToQColor(t.colour));
        for (int i = 0; i < 256; ++i) {
            const PlotPoint at = ToneGraphPoint(i, t.level[static_cast<std::size_t>(i)]);
            p.drawPoint(at.x, at.y);
        }
    }
}

void PaintPreviewHistogram(QPainter& p, const PreviewHistogram& h) {
    // On a black field with the channels added, overlapping bins mix (red and green show
    // yellow, all three white) instead of the last channel hiding the others.
    p.fillRect(kPreviewLeft, kPreviewBase - kPreviewMaxHeight, 256, kPreviewMaxHeight, Qt::black);
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Plus);
    for (int c = 0; c < h.channels; ++c) {
        const QColor colour = ToQColor(h.colours[static_cast<std::size_t>(c)]);
        const auto& heights = h.heights[static_cast<std::size_t>(c)];
        for (int b = 0; b < 256; ++b) {
            const int height = heights[static_cast<std::size_t>(b)];
            if (height > 0) p.fillRect(kPreviewLeft + b, kPreviewBase - height, 1, height, colour);
        }
    }
    p.restore();
}

void PaintSwatches(QPainter& p, Rgb source, Rgb target) {
    p.fillRect(QRect(QPoint(kSourceSwatchTopLeft.x, kSourceSwatchTopLeft.y),
                     QPoint(kSourceSwatchBottomRight.x, kSourceSwatchBottomRight.y)),
               ToQColor(source));
    p.fillRect(QRect(QPoint(kTargetSwatchTopLeft.x, kTargetSwatchTopLeft.y),
                     QPoint(kTargetSwatchBottomRight.x, kTargetSwatchBottomRight.y)),
               ToQColor(target));
}

}  // namespace orva::gui
