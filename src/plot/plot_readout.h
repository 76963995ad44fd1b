#pragma once

#include <optional>
#include <string>

#include "plot/plot_labels.h"

namespace talvex {

class Display;

// What the plot window tells about the place under the mouse pointer.

// The quantity the Y axis shows: that of the curve whose quantity the caption names (the current
// curve, else the first on view).
AxisQuantity YAxisQuantity(const Display& display);

// "E = 0.1523 V   I = 2.345E-06 A" for the user coordinates (x, y), with as many decimals of E as
// a thousandth of the X range shown needs.
std::string CursorReadout(const Display& display, double x, double y);

// The point nearest to (x, y) on the screen, over every curve on view: distances are taken in
// pixels (`pixelsPerX`, `pixelsPerY` of one user unit), and only within `within` pixels.
struct NearestPoint {
    int column = 0;  // the curve (PlotCurve::id)
    int point = 0;   // its point: IFirst..ILast of the store, 1.. of an overlay curve
    double x = 0, y = 0;
    double pixels = 0;  // how far from (x, y)
    std::string name;   // the curve's, as the legend names it
    AxisQuantity quantity;
};
std::optional<NearestPoint> FindNearestPoint(const Display& display, double x, double y, double pixelsPerX,
                                             double pixelsPerY, double within);

// "fit, point 57: E = 0.15 V, I = 2.301E-06 A"
std::string PointReadout(const Display& display, const NearestPoint& point);

}  // namespace talvex
