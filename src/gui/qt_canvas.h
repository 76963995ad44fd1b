#pragma once

#include <QFont>
#include <QPolygonF>
#include <QRectF>
#include <QTransform>
#include <map>

#include "plot/canvas.h"

class QPainter;

namespace talvex::gui {

// The plot's drawing surface on a QPainter: the user scale is mapped onto a target rectangle of
// the paint device (the plot widget, an image, a printed page) exactly as the SVG export maps it
// onto its picture, so both show the same primitives in the same places. One text line takes the
// canvas' line share of the target's height.
//
// The target is in the painter's logical units; the painter's device may have more pixels per
// unit (a high-resolution screen, a picture taken at a higher ratio, a printer). Pens are a whole
// number of device pixels wide and straight edges, ticks and text origins sit on the device's
// pixel grid, so that frame, markers and labels stay sharp at any ratio (1, 1.25, 1.5, 2, 3...).
// A curve's connected segments are drawn as one polyline, antialiased where the data put them.
class QtCanvas : public Canvas {
  public:
    QtCanvas(QPainter& painter, const QRectF& target);
    ~QtCanvas() override;

    // Logical coordinates of a user point under the current scale.
    QPointF Map(double x, double y) const;

    void Flush() override;

  protected:
    void Emit(const PlotPrimitive& p) override;

  private:
    // A device coordinate moved to where a line of the pen's width covers whole pixels.
    double Snap(double device, double pen) const;
    // A point of an axis-parallel edge, or a rectangle, moved onto that pixel grid; unchanged when
    // the device is rotated or sheared.
    QPointF OnGrid(QPointF at, double pen) const;
    QRectF OnGrid(const QRectF& box, double pen) const;
    // A point moved to the nearest device pixel corner (where text starts).
    QPointF OnPixel(QPointF at) const;
    QPen Pen(const PlotPrimitive& p) const;
    // The device pen of a primitive: whole device pixels, never fewer than one.
    double DevicePen(double width) const;
    void DrawLine(const PlotPrimitive& p, const QPolygonF& points);
    void DrawText(const PlotPrimitive& p);
    void DrawLegend(const PlotPrimitive& p);

    QPainter& painter_;
    QRectF target_;
    QTransform toDevice_;
    QTransform fromDevice_;
    bool gridAligned_ = false;
    QFont font_;
    double ratio_ = 1;
    double scale_ = 1;
    double pointRadius_ = 1;
    // The curve being collected: its first segment's style and the points so far.
    PlotPrimitive chainStyle_;
    QPolygonF chain_;
    // The last label drawn of each group, in logical coordinates.
    std::map<int, QRectF> lastLabel_;
};

}  // namespace talvex::gui
