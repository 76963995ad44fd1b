#include "gui/qt_canvas.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <QVarLengthArray>
#include <algorithm>
#include <cmath>

#include "gui/qt_text.h"

namespace talvex::gui {
namespace {

// The proportions of the SVG export (800 x 600 picture): a 1-unit pen, points of radius 1.2,
// dashes of 6 on and 4 off.
constexpr double kReferenceHeight = 600.0;
constexpr double kPointRadius = 1.2;

QColor Ink(Rgb color) {
    return QColor::fromRgb(static_cast<QRgb>(color | 0xff000000u));
}

}  // namespace

QtCanvas::QtCanvas(QPainter& painter, const QRectF& target)
    : painter_(painter), target_(target), toDevice_(painter.deviceTransform()) {
    // The device's pixel grid runs along the axes unless the painter rotates or shears.
    bool invertible = false;
    fromDevice_ = toDevice_.inverted(&invertible);
    gridAligned_ = invertible && toDevice_.type() <= QTransform::TxScale;
    ratio_ = std::sqrt(std::abs(toDevice_.determinant()));
    // A screen keeps hairlines of one logical pixel; a printed page, many times taller, scales them
    // up. Either way a line covers whole device pixels: 1.25 device pixels would smear over two.
    scale_ = std::max(1.0, target_.height() / kReferenceHeight);
    pointRadius_ = kPointRadius * scale_;
    font_ = QFont(QStringLiteral("DejaVu Sans"));
    font_.setStyleHint(QFont::SansSerif);
    font_.setPixelSize(std::max(1, static_cast<int>(target_.height() * kTextLineShare * kFontShareOfLine + 0.5)));
}

QtCanvas::~QtCanvas() {
    Flush();
}

QPointF QtCanvas::Map(double x, double y) const {
    return {target_.left() + (x - ScaleLeft()) / (ScaleRight() - ScaleLeft()) * target_.width(),
            target_.top() + (y - ScaleTop()) / (ScaleBottom() - ScaleTop()) * target_.height()};
}

double QtCanvas::DevicePen(double width) const {
    return std::max(1.0, std::round(scale_ * width * ratio_));
}

double QtCanvas::Snap(double device, double pen) const {
    // An odd width centred on a pixel's middle, an even one on a pixel boundary.
    return static_cast<long>(pen) % 2 == 1 ? std::floor(device) + 0.5 : std::round(device);
}

QPointF QtCanvas::OnGrid(QPointF at, double pen) const {
    if (!gridAligned_) return at;
    const QPointF d = toDevice_.map(at);
    return fromDevice_.map(QPointF(Snap(d.x(), pen), Snap(d.y(), pen)));
}

QRectF QtCanvas::OnGrid(const QRectF& box, double pen) const {
    if (!gridAligned_) return box;
    // The corner on the grid and the size in whole pixels: markers of one size stay one size
    // wherever they fall.
    const QRectF d = toDevice_.mapRect(box);
    return fromDevice_.mapRect(
        QRectF(Snap(d.left(), pen), Snap(d.top(), pen), std::round(d.width()), std::round(d.height())));
}

QPointF QtCanvas::OnPixel(QPointF at) const {
    if (!gridAligned_) return at;
    const QPointF d = toDevice_.map(at);
    return fromDevice_.map(QPointF(std::round(d.x()), std::round(d.y())));
}

QPen QtCanvas::Pen(const PlotPrimitive& p) const {
    QPen pen(Ink(p.color));
    pen.setWidthF(ratio_ > 0 ? DevicePen(p.width) / ratio_ : scale_ * p.width);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::RoundJoin);
    if (p.dashed) {
        pen.setStyle(Qt::CustomDashLine);
        pen.setDashPattern({6.0 / p.width, 4.0 / p.width});  // in pen widths
    }
    return pen;
}

void QtCanvas::Flush() {
    if (chain_.isEmpty()) return;
    const QPolygonF points = chain_;
    chain_.clear();
    DrawLine(chainStyle_, points);
}

void QtCanvas::DrawLine(const PlotPrimitive& p, const QPolygonF& points) {
    painter_.setPen(Pen(p));
    if (points.size() == 2) {
        QPointF from = points[0], to = points[1];
        // Frame-like lines (zero line, ticks, grid) on the pixel grid; a curve's slanting
        // segments where the data put them.
        if (from.x() == to.x() || from.y() == to.y()) {
            const double pen = DevicePen(p.width);
            from = OnGrid(from, pen);
            to = OnGrid(to, pen);
        }
        painter_.drawLine(from, to);
        return;
    }
    // A curve as its segments, each stroked alone (square caps close the joins): a wide
    // antialiased polyline of thousands of points costs a whole frame to stroke. Points closer to
    // the last one kept than half a device pixel add nothing that can be seen.
    QVarLengthArray<QLineF, 1024> segments;
    QPointF kept = points.front();
    QPointF keptDevice = toDevice_.map(kept);
    for (qsizetype i = 1; i < points.size(); ++i) {
        const QPointF device = toDevice_.map(points[i]);
        const bool last = i + 1 == points.size();
        if (!last && std::abs(device.x() - keptDevice.x()) < 0.5 && std::abs(device.y() - keptDevice.y()) < 0.5)
            continue;
        segments.append(QLineF(kept, points[i]));
        kept = points[i];
        keptDevice = device;
    }
    painter_.drawLines(segments.constData(), static_cast<int>(segments.size()));
}

void QtCanvas::Emit(const PlotPrimitive& p) {
    using Kind = PlotPrimitive::Kind;
    if (p.kind == Kind::Line) {
        // A segment that goes on from the last one in the same style extends the curve.
        const bool continues = !chain_.isEmpty() && chainStyle_.x2 == p.x1 && chainStyle_.y2 == p.y1 &&
                               chainStyle_.color == p.color && chainStyle_.width == p.width &&
                               chainStyle_.dashed == p.dashed;
        if (!continues) {
            Flush();
            chainStyle_ = p;
            chain_ << Map(p.x1, p.y1);
        }
        chain_ << Map(p.x2, p.y2);
        chainStyle_.x2 = p.x2;
        chainStyle_.y2 = p.y2;
        return;
    }
    Flush();
    switch (p.kind) {
        case Kind::Clear:
            painter_.fillRect(target_, Qt::white);
            lastLabel_.clear();
            break;
        case Kind::Scale:
        case Kind::Line:
            break;
        case Kind::Box: {
            const double pen = DevicePen(p.width);
            const QRectF box = OnGrid(QRectF(Map(p.x1, p.y1), Map(p.x2, p.y2)).normalized(), pen);
            if (gridAligned_ && !p.dashed) {
                // On the pixel grid the outline is four bands of whole device pixels: filled, not
                // stroked, it costs next to nothing (thousands of markers at a high ratio).
                const QRectF d = toDevice_.mapRect(box);
                const double h = pen / 2;
                const QColor ink = Ink(p.color);
                auto band = [&](double left, double top, double right, double bottom) {
                    painter_.fillRect(fromDevice_.mapRect(QRectF(QPointF(left, top), QPointF(right, bottom))), ink);
                };
                band(d.left() - h, d.top() - h, d.right() + h, d.top() + h);
                band(d.left() - h, d.bottom() - h, d.right() + h, d.bottom() + h);
                band(d.left() - h, d.top() + h, d.left() + h, d.bottom() - h);
                band(d.right() - h, d.top() + h, d.right() + h, d.bottom() - h);
                break;
            }
            painter_.setPen(Pen(p));
            painter_.setBrush(Qt::NoBrush);
            painter_.drawRect(box);
            break;
        }
        case Kind::Point:
            painter_.setPen(Qt::NoPen);
            painter_.setBrush(Ink(p.color));
            painter_.drawEllipse(Map(p.x1, p.y1), pointRadius_, pointRadius_);
            painter_.setBrush(Qt::NoBrush);
            break;
        case Kind::Text:
            DrawText(p);
            break;
        case Kind::Legend:
            DrawLegend(p);
            break;
    }
}

void QtCanvas::DrawText(const PlotPrimitive& p) {
    const QFontMetricsF metrics(font_);
    const QString text = Q(p.text);
    const double w = metrics.horizontalAdvance(text), h = metrics.height();
    QPointF at = Map(p.x1, p.y1);
    if (p.align == TextAlign::Center) at.rx() -= w / 2;
    if (p.align == TextAlign::Right) at.rx() -= w;
    if (p.valign == TextVAlign::Middle) at.ry() -= h / 2;
    if (p.group != 0) {
        // A label that would overlap the last one drawn of its group is left out.
        const QRectF box(at, QSizeF(w, h));
        const auto last = lastLabel_.find(p.group);
        const double gap = 0.5 * font_.pixelSize();
        if (last != lastLabel_.end() && last->second.adjusted(-gap, 0, gap, 0).intersects(box)) return;
        lastLabel_[p.group] = box;
    }
    // The position is the text's top-left corner; QPainter places the baseline.
    painter_.setPen(Ink(p.color));
    painter_.setFont(font_);
    painter_.drawText(OnPixel(QPointF(at.x(), at.y() + metrics.ascent())), text);
}

void QtCanvas::DrawLegend(const PlotPrimitive& p) {
    if (p.entries.empty()) return;
    const QFontMetricsF metrics(font_);
    const double line = target_.height() * kTextLineShare;
    const QRectF frame = QRectF(Map(p.x1, p.y1), Map(p.x2, p.y2)).normalized();
    const LegendLayout l =
        LayOutLegend(p.entries, p.corner, frame.left(), frame.top(), frame.right(), frame.bottom(), line,
                     [&metrics](const std::string& t) { return metrics.horizontalAdvance(Q(t)); });
    PlotPrimitive border;
    border.color = 0xb0b0b0;
    painter_.setPen(Pen(border));
    painter_.setBrush(QColor(255, 255, 255, 230));
    painter_.drawRect(OnGrid(QRectF(l.left, l.top, l.width, l.height), DevicePen(1)));
    painter_.setBrush(Qt::NoBrush);
    painter_.setFont(font_);
    for (std::size_t i = 0; i < p.entries.size(); ++i) {
        const LegendEntry& e = p.entries[i];
        const double top = l.top + l.pad + line * static_cast<double>(i), mid = top + line / 2;
        const double x0 = l.left + l.pad, x1 = x0 + l.sampleWidth;
        PlotPrimitive sample;
        sample.color = e.color;
        if (e.style == 3) {
            sample.width = 1.5;
            painter_.setPen(Pen(sample));
            painter_.drawLine(QPointF(x0, mid), QPointF(x1, mid));
        } else {
            const double half = 0.12 * line;
            for (int k = 0; k < 3; ++k) {
                const QPointF c(x0 + l.sampleWidth * (0.2 + 0.3 * k), mid);
                if (e.style == 2) {
                    painter_.setPen(Pen(sample));
                    painter_.drawRect(OnGrid(QRectF(c.x() - half, c.y() - half, 2 * half, 2 * half), DevicePen(1)));
                } else {
                    painter_.setPen(Qt::NoPen);
                    painter_.setBrush(Ink(e.color));
                    painter_.drawEllipse(c, pointRadius_, pointRadius_);
                    painter_.setBrush(Qt::NoBrush);
                }
            }
        }
        painter_.setPen(Qt::black);
        const double textTop = mid - metrics.height() / 2;
        painter_.drawText(OnPixel(QPointF(x1 + l.pad, textTop + metrics.ascent())), Q(e.text));
    }
}

}  // namespace talvex::gui
