#include "gui/plot_widget.h"

#include <QPainter>

#include "gui/plot_image.h"

namespace talvex::gui {

PlotWidget::PlotWidget(const FormPlot& plot, QWidget* parent) : QWidget(parent), plot_(plot) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 120);
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

void PlotWidget::paintEvent(QPaintEvent*) {
    {
        QPainter painter(this);
        Paint(painter, QRectF(rect()));
    }
    if (onPainted) onPainted();
}

}  // namespace talvex::gui
