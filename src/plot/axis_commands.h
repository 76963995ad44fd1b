#pragma once

namespace talvex {

class Workbench;

// The "&X Data" and "&Y Data" commands of the Analyze menu and "Reverse": they rescale the
// shared potentials Xdata(1..NData) or the current curve Yplot(1..NData, CurCurve), or reverse
// the point order, then redraw with RenderPlot (no quantity transform, so what is plotted is
// exactly what was scaled or reversed). A product that would overflow raises "Overflow" before
// any value is written.
void mnu1000X(Workbench& wb);
void mnu10X(Workbench& wb);
void mnu01X(Workbench& wb);
void mnu0001X(Workbench& wb);
void mnu1000Y(Workbench& wb);
void mnu10Y(Workbench& wb);
void mnu01Y(Workbench& wb);
void mnu0001Y(Workbench& wb);
void mnuMinusY(Workbench& wb);
void mnuMinusX(Workbench& wb);  // "Reverse"

}  // namespace talvex
