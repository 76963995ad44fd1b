#pragma once

#include <QFont>
#include <QRectF>

#include "plot/canvas.h"

class QPainter;

namespace talvex::gui {

// The plot's drawing surface on a QPainter: the user scale is mapped onto a target rectangle of
// the paint device (the plot widget, an image, a printed page) exactly as the SVG export maps it
// onto its picture, so both show the same primitives in the same places. One text line takes the
// canvas' line share of the target's height.
class QtCanvas : public Canvas {
  public:
    QtCanvas(QPainter& painter, const QRectF& target);

    // Device coordinates of a user point under the current scale.
    QPointF Map(double x, double y) const;

  protected:
    void Emit(const PlotPrimitive& p) override;

  private:
    QPainter& painter_;
    QRectF target_;
    QFont font_;
    double penWidth_;
    double pointRadius_;
};

}  // namespace talvex::gui
