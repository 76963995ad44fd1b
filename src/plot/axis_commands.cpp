#include "plot/axis_commands.h"

#include <cmath>
#include <utility>

#include "core/checked_math.h"
#include "core/workbench.h"
#include "plot/plot_renderer.h"

namespace talvex {
namespace {

void ScaleX(Workbench& wb, double factor) {
    Model& m = wb.model;
    const int n = m.NData;
    for (int k = 1; k <= n; ++k) Checked(factor * m.Xdata(k));
    for (int k = 1; k <= n; ++k) m.Xdata(k) = factor * m.Xdata(k);
    RenderPlot(wb);
}

void ScaleY(Workbench& wb, double factor) {
    Model& m = wb.model;
    const int n = m.NData;
    const int curve = m.CurCurve;
    for (int k = 1; k <= n; ++k) Checked(factor * m.Yplot(k, curve));
    for (int k = 1; k <= n; ++k) m.Yplot(k, curve) = factor * m.Yplot(k, curve);
    RenderPlot(wb);
}

}  // namespace

void mnu1000X(Workbench& wb) {
    ScaleX(wb, 1000);
}
void mnu10X(Workbench& wb) {
    ScaleX(wb, 10);
}
void mnu01X(Workbench& wb) {
    ScaleX(wb, 0.1);
}
void mnu0001X(Workbench& wb) {
    ScaleX(wb, 0.001);
}
void mnu1000Y(Workbench& wb) {
    ScaleY(wb, 1000);
}
void mnu10Y(Workbench& wb) {
    ScaleY(wb, 10);
}
void mnu01Y(Workbench& wb) {
    ScaleY(wb, 0.1);
}
void mnu0001Y(Workbench& wb) {
    ScaleY(wb, 0.001);
}
void mnuMinusY(Workbench& wb) {
    ScaleY(wb, -1);
}

void mnuMinusX(Workbench& wb) {
    Model& m = wb.model;
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
    RenderPlot(wb);
}

}  // namespace talvex
