#include "gui/plot_widget.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>
#include <vector>

#include "gui/plot_image.h"
#include "gui/qt_text.h"
#include "plot/display.h"
#include "plot/form_option.h"
#include "plot/form_plot.h"
#include "plot/plot_curves.h"
#include "plot/plot_labels.h"
#include "plot/plot_view.h"

namespace talvex::gui {
namespace {

// One notch of the wheel shows 80 % of the range (or 125 % backwards).
constexpr double kWheelStep = 0.8;
// A press that moves less than this is a click, not a drag.
constexpr double kDragStart = 3.0;
// The marked point is the nearest within this many pixels of the pointer.
constexpr double kMarkWithin = 24.0;

const PlotPrimitive* LastScale(const FormPlot& plot) {
    const PlotPrimitive* scale = nullptr;
    for (const PlotPrimitive& p : plot.drawing())
        if (p.kind == PlotPrimitive::Kind::Scale) scale = &p;
    return scale;
}

}  // namespace

PlotWidget::PlotWidget(Display& display, PlotActions* actions, QWidget* parent)
    : QWidget(parent), display_(display), plot_(display.formPlot), actions_(actions) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 120);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
}

void PlotWidget::Paint(QPainter& painter, const QRectF& target) const {
    PaintPlot(plot_, painter, target);
}

QImage PlotWidget::Image() const {
    return Image(devicePixelRatioF());
}

QImage PlotWidget::Image(double ratio) const {
    return PlotPicture(plot_, size(), ratio, logicalDpiX());
}

std::optional<QPointF> PlotWidget::ToUser(QPointF pixel) const {
    const PlotPrimitive* s = LastScale(plot_);
    if (!s || width() <= 0 || height() <= 0) return std::nullopt;
    return QPointF(s->x1 + pixel.x() / width() * (s->x2 - s->x1), s->y1 + pixel.y() / height() * (s->y2 - s->y1));
}

std::optional<QPointF> PlotWidget::ToPixel(double x, double y) const {
    const PlotPrimitive* s = LastScale(plot_);
    if (!s) return std::nullopt;
    return QPointF((x - s->x1) / (s->x2 - s->x1) * width(), (y - s->y1) / (s->y2 - s->y1) * height());
}

std::optional<QPointF> PlotWidget::UnitsPerPixel() const {
    const PlotPrimitive* s = LastScale(plot_);
    if (!s || width() <= 0 || height() <= 0) return std::nullopt;
    return QPointF((s->x2 - s->x1) / width(), (s->y2 - s->y1) / height());
}

void PlotWidget::paintEvent(QPaintEvent*) {
    {
        QPainter painter(this);
        Paint(painter, QRectF(rect()));
        painter.setRenderHint(QPainter::Antialiasing, true);
        if (marked_) {
            if (const auto at = ToPixel(marked_->x, marked_->y)) {
                QPen pen(QColor::fromRgb(static_cast<QRgb>(CurveColor(marked_->column) | 0xff000000u)));
                pen.setWidthF(2);
                painter.setPen(pen);
                painter.setBrush(Qt::NoBrush);
                painter.drawEllipse(*at, 5.0, 5.0);
            }
        }
        if (drag_ == Drag::Frame) {
            QPen pen(QColor(0x40, 0x40, 0x40));
            pen.setStyle(Qt::DashLine);
            painter.setPen(pen);
            painter.setBrush(QColor(0x00, 0x72, 0xb2, 30));
            painter.drawRect(QRectF(pressAt_, lastAt_).normalized());
        }
    }
    if (onPainted) onPainted();
}

void PlotWidget::ChangeView(const std::function<bool(Display&)>& step) {
    if (actions_)
        actions_->ChangeView(step);
    else
        step(display_);
    update();
}

void PlotWidget::ReadOut(QPointF at) {
    const auto user = ToUser(at);
    const auto perPixel = UnitsPerPixel();
    std::optional<NearestPoint> nearest;
    QString text;
    if (user && perPixel && plot_.view.framed) {
        text = Q(CursorReadout(display_, user->x(), user->y()));
        nearest = FindNearestPoint(display_, user->x(), user->y(), 1 / perPixel->x(), 1 / perPixel->y(), kMarkWithin);
        if (nearest) text += QStringLiteral("      nearest: ") + Q(PointReadout(display_, *nearest));
    }
    const bool moved = nearest.has_value() != marked_.has_value() ||
                       (nearest && (nearest->column != marked_->column || nearest->point != marked_->point));
    marked_ = nearest;
    if (moved) update();
    if (actions_) actions_->ShowStatus(text);
}

void PlotWidget::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / 120.0;
    const auto at = ToUser(event->position());
    if (steps == 0 || !at) {
        event->ignore();
        return;
    }
    const double factor = std::pow(kWheelStep, steps);
    const bool onlyX = event->modifiers() & Qt::ShiftModifier, onlyY = event->modifiers() & Qt::ControlModifier;
    const double fx = onlyY ? 1 : factor, fy = onlyX ? 1 : factor;
    const QPointF user = *at;
    ChangeView([user, fx, fy](Display& d) { return ZoomAbout(d, user.x(), user.y(), fx, fy); });
    ReadOut(event->position());
    event->accept();
}

void PlotWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    drag_ = Drag::Pressed;
    frameDrag_ = zoomFrameMode_ || (event->modifiers() & Qt::ShiftModifier);
    pressAt_ = lastAt_ = event->position();
    event->accept();
}

void PlotWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (drag_ == Drag::Pressed && (event->buttons() & Qt::LeftButton)) {
        const QPointF moved = at - pressAt_;
        if (std::hypot(moved.x(), moved.y()) >= kDragStart) drag_ = frameDrag_ ? Drag::Frame : Drag::Pan;
    }
    if (drag_ == Drag::Pan) {
        if (const auto perPixel = UnitsPerPixel()) {
            // The plot follows the pointer: the range moves against the drag.
            const double dx = -(at.x() - lastAt_.x()) * perPixel->x(), dy = -(at.y() - lastAt_.y()) * perPixel->y();
            ChangeView([dx, dy](Display& d) { return Pan(d, dx, dy); });
        }
        lastAt_ = at;
        setCursor(Qt::ClosedHandCursor);
    } else if (drag_ == Drag::Frame) {
        lastAt_ = at;
        update();
    }
    ReadOut(at);
}

void PlotWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (drag_ == Drag::Frame) {
        const QRectF frame = QRectF(pressAt_, event->position()).normalized();
        const auto a = ToUser(frame.topLeft()), b = ToUser(frame.bottomRight());
        // A frame of a few pixels is a slip of the hand, not a range to show.
        if (a && b && frame.width() >= 4 && frame.height() >= 4) {
            const QPointF p = *a, q = *b;
            ChangeView([p, q](Display& d) { return ZoomTo(d, p.x(), p.y(), q.x(), q.y()); });
        }
    }
    drag_ = Drag::None;
    unsetCursor();
    update();
    ReadOut(event->position());
    event->accept();
}

void PlotWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    drag_ = Drag::None;
    ChangeView([](Display& d) { return ResetView(d); });
    ReadOut(event->position());
    event->accept();
}

void PlotWidget::leaveEvent(QEvent* event) {
    if (marked_) {
        marked_.reset();
        update();
    }
    if (actions_) actions_->ShowStatus(QString());
    QWidget::leaveEvent(event);
}

QMenu* PlotWidget::BuildContextMenu() {
    auto* menu = new QMenu(this);
    auto command = [this](const char* name) {
        return [this, name] {
            if (actions_) actions_->RunCommand(name);
        };
    };
    menu->addAction(QStringLiteral("&Copy"), this, command("mnuCopyto"))->setObjectName(QStringLiteral("plotCopy"));
    menu->addAction(QStringLiteral("&Export Picture..."), this, command("mnuExportPlot"))
        ->setObjectName(QStringLiteral("plotExport"));
    QAction* reset = menu->addAction(QStringLiteral("&Reset View"), this,
                                     [this] { ChangeView([](Display& d) { return ResetView(d); }); });
    reset->setObjectName(QStringLiteral("plotReset"));
    reset->setEnabled(plot_.view.zoomed);
    const std::vector<PlotCurve> curves = CurvesOnPlot(display_);
    if (!curves.empty()) menu->addSeparator();
    for (const PlotCurve& c : curves) {
        const int j = c.id;
        QAction* show = menu->addAction(QStringLiteral("Curve %1: %2").arg(j).arg(Q(c.name)));
        show->setObjectName(QStringLiteral("plotCurve%1").arg(j));
        show->setCheckable(true);
        show->setChecked(c.shown);
        connect(show, &QAction::toggled, this,
                [this, j](bool on) { ChangeView([j, on](Display& d) { return ShowCurve(d, j, on); }); });
    }
    return menu;
}

void PlotWidget::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = BuildContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

void PlotWidget::keyPressEvent(QKeyEvent* event) {
    const PlotView& v = plot_.view;
    if (!v.framed) {
        QWidget::keyPressEvent(event);
        return;
    }
    // The arrows move the range a tenth of the way; + and - zoom about the middle.
    const double w = v.frameXmax - v.frameXmin, h = v.frameYmax - v.frameYmin;
    const bool mirrored = display_.formOption.CheckXdir.checked();
    const double right = mirrored ? -0.1 * w : 0.1 * w;
    switch (event->key()) {
        case Qt::Key_Left:
            ChangeView([right](Display& d) { return Pan(d, -right, 0); });
            break;
        case Qt::Key_Right:
            ChangeView([right](Display& d) { return Pan(d, right, 0); });
            break;
        case Qt::Key_Up:
            ChangeView([h](Display& d) { return Pan(d, 0, 0.1 * h); });
            break;
        case Qt::Key_Down:
            ChangeView([h](Display& d) { return Pan(d, 0, -0.1 * h); });
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

}  // namespace talvex::gui
