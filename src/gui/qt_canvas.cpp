#include "gui/qt_canvas.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <algorithm>

#include "gui/qt_text.h"

namespace talvex::gui {
namespace {

// The proportions of the SVG export (800 x 600 picture): a 1-unit pen, points of radius 1.2,
// dashes of 6 on and 4 off, text of 1/1.2 of a line.
constexpr double kReferenceHeight = 600.0;
constexpr double kPointRadius = 1.2;
constexpr double kFontShareOfLine = 1 / 1.2;

}  // namespace

QtCanvas::QtCanvas(QPainter& painter, const QRectF& target) : painter_(painter), target_(target) {
    // A screen keeps hairlines of one pixel; a printed page, many times taller, scales them up.
    const double scale = std::max(1.0, target_.height() / kReferenceHeight);
    penWidth_ = scale;
    pointRadius_ = kPointRadius * scale;
    font_ = QFont(QStringLiteral("DejaVu Sans"));
    font_.setStyleHint(QFont::SansSerif);
    font_.setPixelSize(std::max(1, static_cast<int>(target_.height() * kTextLineShare * kFontShareOfLine + 0.5)));
}

QPointF QtCanvas::Map(double x, double y) const {
    return {target_.left() + (x - ScaleLeft()) / (ScaleRight() - ScaleLeft()) * target_.width(),
            target_.top() + (y - ScaleTop()) / (ScaleBottom() - ScaleTop()) * target_.height()};
}

void QtCanvas::Emit(const PlotPrimitive& p) {
    using Kind = PlotPrimitive::Kind;
    QPen pen(Qt::black);
    pen.setWidthF(penWidth_);
    if (p.dashed) {
        pen.setStyle(Qt::CustomDashLine);
        pen.setDashPattern({6.0, 4.0});  // in pen widths
    }
    switch (p.kind) {
        case Kind::Clear:
            painter_.fillRect(target_, Qt::white);
            break;
        case Kind::Scale:
            break;
        case Kind::Line:
            painter_.setPen(pen);
            painter_.drawLine(Map(p.x1, p.y1), Map(p.x2, p.y2));
            break;
        case Kind::Box:
            painter_.setPen(pen);
            painter_.setBrush(Qt::NoBrush);
            painter_.drawRect(QRectF(Map(p.x1, p.y1), Map(p.x2, p.y2)).normalized());
            break;
        case Kind::Point:
            painter_.setPen(Qt::NoPen);
            painter_.setBrush(Qt::black);
            painter_.drawEllipse(Map(p.x1, p.y1), pointRadius_, pointRadius_);
            painter_.setBrush(Qt::NoBrush);
            break;
        case Kind::Text: {
            // The position is the text's top-left corner; QPainter places the baseline.
            painter_.setPen(Qt::black);
            painter_.setFont(font_);
            const QPointF at = Map(p.x1, p.y1);
            painter_.drawText(QPointF(at.x(), at.y() + QFontMetricsF(font_).ascent()), Q(p.text));
            break;
        }
    }
}

}  // namespace talvex::gui
