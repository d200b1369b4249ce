#include "plot_painter.h"

#include <QFontMetrics>
#include <QPen>
#include <QPolygon>
#include <QString>

namespace orva::gui {

void DrawPlotText(QPainter& painter, const PlotText& text) {
    const QString s = QString::fromStdString(text.text);
    const QFontMetrics fm(painter.font());
    if (text.background) {
        painter.fillRect(QRect(text.at.x, text.at.y, fm.horizontalAdvance(s), fm.height()),
                         ToQColor(*text.background));
    }
    painter.setPen(ToQColor(text.colour));
    painter.drawText(text.at.x, text.at.y + fm.ascent(), s);
}

void DrawPlot(QPainter& painter, const Plot& plot) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const auto& l : plot.lines) {
        QPen pen(ToQColor(l.colour));
        pen.setWidth(0);  // one device pixel
        pen.setStyle(l.style == PenStyle::Dotted ? Qt::DotLine : Qt::SolidLine);
        painter.setPen(pen);
        painter.drawLine(l.from.x, l.from.y, l.to.x, l.to.y);
    }
    for (const auto& p : plot.polylines) {
        QPen pen(ToQColor(p.colour));
        pen.setWidth(0);
        painter.setPen(pen);
        QPolygon poly;
        poly.reserve(static_cast<int>(p.points.size()));
        for (const auto& pt : p.points) poly << QPoint(pt.x, pt.y);
        painter.drawPolyline(poly);
    }
    for (const auto& t : plot.texts) DrawPlotText(painter, t);
    painter.restore();
}

}  // namespace orva::gui
