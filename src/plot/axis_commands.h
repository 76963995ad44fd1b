#pragma once

namespace talvex {

class Display;

// The "&X Data" and "&Y Data" commands of the Analyze menu and "Reverse": they rescale the
// shared potentials Xdata(1..NData) or the current curve Yplot(1..NData, CurCurve), or reverse
// the point order, then redraw with RenderPlot (no quantity transform, so what is plotted is
// exactly what was scaled or reversed). A product that would overflow raises "Overflow" before
// any value is written.
void mnu1000X(Display& display);
void mnu10X(Display& display);
void mnu01X(Display& display);
void mnu0001X(Display& display);
void mnu1000Y(Display& display);
void mnu10Y(Display& display);
void mnu01Y(Display& display);
void mnu0001Y(Display& display);
void mnuMinusY(Display& display);
void mnuMinusX(Display& display);  // "Reverse"

}  // namespace talvex
