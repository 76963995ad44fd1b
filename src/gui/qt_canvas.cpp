#include "gui/qt_canvas.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

#include "gui/qt_text.h"

namespace talvex::gui {
namespace {

// The proportions of the SVG export (800 x 600 picture): a 1-unit pen, points of radius 1.2,
// dashes of 6 on and 4 off, text of 1/1.2 of a line.
constexpr double kReferenceHeight = 600.0;
constexpr double kPointRadius = 1.2;
constexpr double kFontShareOfLine = 1 / 1.2;

}  // namespace

QtCanvas::QtCanvas(QPainter& painter, const QRectF& target)
    : painter_(painter), target_(target), toDevice_(painter.deviceTransform()) {
    // The device's pixel grid runs along the axes unless the painter rotates or shears.
    bool invertible = false;
    fromDevice_ = toDevice_.inverted(&invertible);
    gridAligned_ = invertible && toDevice_.type() <= QTransform::TxScale;
    const double ratio = std::sqrt(std::abs(toDevice_.determinant()));
    // A screen keeps hairlines of one logical pixel; a printed page, many times taller, scales them
    // up. Either way a line covers whole device pixels: 1.25 device pixels would smear over two.
    const double scale = std::max(1.0, target_.height() / kReferenceHeight);
    devicePen_ = std::max(1.0, std::round(scale * ratio));
    penWidth_ = ratio > 0 ? devicePen_ / ratio : scale;
    pointRadius_ = kPointRadius * scale;
    font_ = QFont(QStringLiteral("DejaVu Sans"));
    font_.setStyleHint(QFont::SansSerif);
    font_.setPixelSize(std::max(1, static_cast<int>(target_.height() * kTextLineShare * kFontShareOfLine + 0.5)));
}

QPointF QtCanvas::Map(double x, double y) const {
    return {target_.left() + (x - ScaleLeft()) / (ScaleRight() - ScaleLeft()) * target_.width(),
            target_.top() + (y - ScaleTop()) / (ScaleBottom() - ScaleTop()) * target_.height()};
}

double QtCanvas::Snap(double device) const {
    // An odd width centred on a pixel's middle, an even one on a pixel boundary.
    return static_cast<long>(devicePen_) % 2 == 1 ? std::floor(device) + 0.5 : std::round(device);
}

QPointF QtCanvas::OnGrid(QPointF at) const {
    if (!gridAligned_) return at;
    const QPointF d = toDevice_.map(at);
    return fromDevice_.map(QPointF(Snap(d.x()), Snap(d.y())));
}

QRectF QtCanvas::OnGrid(const QRectF& box) const {
    if (!gridAligned_) return box;
    // The corner on the grid and the size in whole pixels: markers of one size stay one size
    // wherever they fall.
    const QRectF d = toDevice_.mapRect(box);
    return fromDevice_.mapRect(QRectF(Snap(d.left()), Snap(d.top()), std::round(d.width()), std::round(d.height())));
}

QPointF QtCanvas::OnPixel(QPointF at) const {
    if (!gridAligned_) return at;
    const QPointF d = toDevice_.map(at);
    return fromDevice_.map(QPointF(std::round(d.x()), std::round(d.y())));
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
        case Kind::Line: {
            QPointF from = Map(p.x1, p.y1), to = Map(p.x2, p.y2);
            // Frame-like lines (zero line, ticks, grid) on the pixel grid; a curve's slanting
            // segments where the data put them.
            if (from.x() == to.x() || from.y() == to.y()) {
                from = OnGrid(from);
                to = OnGrid(to);
            }
            painter_.setPen(pen);
            painter_.drawLine(from, to);
            break;
        }
        case Kind::Box:
            painter_.setPen(pen);
            painter_.setBrush(Qt::NoBrush);
            painter_.drawRect(OnGrid(QRectF(Map(p.x1, p.y1), Map(p.x2, p.y2)).normalized()));
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
            painter_.drawText(OnPixel(QPointF(at.x(), at.y() + QFontMetricsF(font_).ascent())), Q(p.text));
            break;
        }
    }
}

}  // namespace talvex::gui
