#include "plot/axis_commands.h"

#include <utility>

#include "core/checked_math.h"
#include "plot/display.h"
#include "plot/plot_renderer.h"

namespace talvex {
namespace {

void ScaleX(Display& display, double factor) {
    Model& m = display.model;
    const int n = m.NData;
    for (int k = 1; k <= n; ++k) Checked(factor * m.Xdata(k));
    for (int k = 1; k <= n; ++k) m.Xdata(k) = factor * m.Xdata(k);
    m.XFactor = m.XFactor * factor;
    RenderPlot(display);
}

void ScaleY(Display& display, double factor) {
    Model& m = display.model;
    const int n = m.NData;
    const int curve = m.CurCurve;
    for (int k = 1; k <= n; ++k) Checked(factor * m.Yplot(k, curve));
    for (int k = 1; k <= n; ++k) m.Yplot(k, curve) = factor * m.Yplot(k, curve);
    if (m.CurveLabels.InRange(curve)) m.CurveLabels(curve).factor *= factor;
    RenderPlot(display);
}

}  // namespace

void mnu1000X(Display& display) {
    ScaleX(display, 1000);
}
void mnu10X(Display& display) {
    ScaleX(display, 10);
}
void mnu01X(Display& display) {
    ScaleX(display, 0.1);
}
void mnu0001X(Display& display) {
    ScaleX(display, 0.001);
}
void mnu1000Y(Display& display) {
    ScaleY(display, 1000);
}
void mnu10Y(Display& display) {
    ScaleY(display, 10);
}
void mnu01Y(Display& display) {
    ScaleY(display, 0.1);
}
void mnu0001Y(Display& display) {
    ScaleY(display, 0.001);
}
void mnuMinusY(Display& display) {
    ScaleY(display, -1);
}

void mnuMinusX(Display& display) {
    Model& m = display.model;
    const int n = m.NData;
    const int curve = m.CurCurve;
    // Validate the whole range first, so that a bad count changes nothing.
    if (n > 0) {
        m.Xdata(n);
        m.Yplot(n, curve);
    }
    for (int k = 1; k <= n / 2; ++k) {
        std::swap(m.Xdata(k), m.Xdata(n - k + 1));
        std::swap(m.Yplot(k, curve), m.Yplot(n - k + 1, curve));
    }
    RenderPlot(display);
}

}  // namespace talvex
