#include "gui/plot_widget.h"

#include <QPainter>

#include "core/run_error.h"
#include "gui/qt_canvas.h"
#include "plot/form_plot.h"

namespace talvex::gui {

PlotWidget::PlotWidget(const FormPlot& plot, QWidget* parent) : QWidget(parent), plot_(plot) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 120);
}

void PlotWidget::Paint(QPainter& painter, const QRectF& target) const {
    painter.save();
    painter.setClipRect(target);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    // With nothing drawn yet the window shows the empty plot area.
    painter.fillRect(target, Qt::white);
    QtCanvas canvas(painter, target);
    try {
        plot_.Replay(canvas);
    } catch (const RunError&) {
        // The recorded primitives were checked when they were drawn; a failure here leaves what
        // was painted, as a failing drawing does.
    }
    painter.restore();
}

QImage PlotWidget::Image() const {
    QImage image(size(), QImage::Format_RGB32);
    QPainter painter(&image);
    Paint(painter, QRectF(image.rect()));
    return image;
}

void PlotWidget::paintEvent(QPaintEvent*) {
    {
        QPainter painter(this);
        Paint(painter, QRectF(rect()));
    }
    if (onPainted) onPainted();
}

}  // namespace talvex::gui
