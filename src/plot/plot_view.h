#pragma once

#include <array>

namespace talvex {

class Display;

// What the user made of the plot window's view: a zoomed or panned range shown in place of the
// automatic or typed one, and the curves hidden from it. The renderer draws by it and notes the
// frame it drew, which the zoom and pan steps start from.
struct PlotView {
    bool zoomed = false;
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;  // the range shown while zoomed
    std::array<bool, 7> hidden{};                   // by curve column 1..6

    // The frame of the last drawing, in user coordinates; `framed` is false until a drawing has
    // drawn one (nothing to zoom before that).
    bool framed = false;
    double frameXmin = 0, frameXmax = 0, frameYmin = 0, frameYmax = 0;

    bool Shown(int column) const { return column < 1 || column >= static_cast<int>(hidden.size()) || !hidden[column]; }
};

// Each step changes the view and redraws; false (nothing changed) when there is no drawing yet or
// the range asked for cannot be drawn (not finite, or too narrow for the numbers to tell apart).
//
// Zooms about (x, y) by the factors (below 1 in, above 1 out), keeping (x, y) where it is.
bool ZoomAbout(Display& display, double x, double y, double factorX, double factorY);
// Shows the rectangle of two corners (a rubber band).
bool ZoomTo(Display& display, double x1, double y1, double x2, double y2);
// Moves the range shown by (dx, dy).
bool Pan(Display& display, double dx, double dy);
// Back to the automatic or typed ranges; false when the view was not zoomed.
bool ResetView(Display& display);
// Shows or hides curve `column`: the store's column 1..6, or while the plot shows an overlay, its
// curve 1..n.
bool ShowCurve(Display& display, int column, bool shown);

}  // namespace talvex
