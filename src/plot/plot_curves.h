#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/model.h"
#include "plot/canvas.h"
#include "plot/plot_labels.h"

namespace talvex {

class Display;

// A curve the plot shows beside the store's, on potentials of its own: a global fit's measured
// curves and their fits (a series has more curves than the store's columns, each on its own axis).
struct OverlayCurve {
    std::string name;
    std::vector<double> x, y;
    int pair = 1;           // curves of one pair (a measured curve and its fit) share a colour
    bool measured = false;  // drawn as markers; a fit as a line
    bool hidden = false;
};

// The overlay is drawn in place of the store's curves for as long as the store holds what it held
// when the overlay was set: any command that changes the curves (a simulation, an import, a
// transform, Undo) leaves the plot to the store again, and nothing else has to remember to end it.
struct PlotOverlay {
    std::vector<OverlayCurve> curves;
    std::uint64_t stamp = 0;
};

// A fingerprint of what the plot reads from the curve store: points, curves, their kinds and
// values.
std::uint64_t StoreStamp(const Model& m);

// Makes `curves` the plot's overlay for the store as it is now (every curve shown).
void SetOverlay(Display& display, std::vector<OverlayCurve> curves);
// Whether the overlay is what the plot shows.
bool OverlayActive(const Display& display);

// One curve as the plot draws it, whether from the store or the overlay.
struct PlotCurve {
    int id = 0;      // what ShowCurve calls it: the store's column, or the overlay's curve 1..n
    int column = 0;  // the store's column; 0 for a curve of the overlay
    std::string name;
    AxisQuantity quantity;
    Rgb color = kBlack;
    int style = 3;       // 1 points, 2 squares, 3 line, another code: not drawn
    bool shown = true;   // not hidden by the user
    int firstPoint = 1;  // the number the first of `x` goes by in a readout
    std::vector<double> x, y;
};

// The curves on the plot under the display options' quantity (the text of ComboY): the overlay's
// when it is active, else the store's columns 1..NCurves over the points IFirst..ILast.
std::vector<PlotCurve> CurvesOnPlot(const Display& display);

// The quantity the Y axis names, of `curves` (CurvesOnPlot's): the current curve's, else that of
// the first on view.
AxisQuantity YAxisQuantity(const Display& display, const std::vector<PlotCurve>& curves);

}  // namespace talvex
