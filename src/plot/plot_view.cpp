#include "plot/plot_view.h"

#include <algorithm>
#include <cmath>

#include "plot/display.h"
#include "plot/form_plot.h"
#include "plot/plot_curves.h"
#include "plot/plot_renderer.h"

namespace talvex {
namespace {

// A range narrower than this share of its magnitude leaves too few digits to tell its ticks apart.
constexpr double kNarrowest = 1e-10;
constexpr double kWidest = 1e100;

bool Drawable(double lo, double hi) {
    if (!std::isfinite(lo) || !std::isfinite(hi) || !(hi > lo)) return false;
    const double magnitude = std::max(std::fabs(lo), std::fabs(hi));
    return hi - lo > kNarrowest * magnitude && hi - lo > 1e-300 && hi - lo < kWidest;
}

bool Show(Display& display, double xmin, double xmax, double ymin, double ymax) {
    if (xmin > xmax) std::swap(xmin, xmax);
    if (ymin > ymax) std::swap(ymin, ymax);
    if (!Drawable(xmin, xmax) || !Drawable(ymin, ymax)) return false;
    PlotView& v = display.formPlot.view;
    v.zoomed = true;
    v.xmin = xmin;
    v.xmax = xmax;
    v.ymin = ymin;
    v.ymax = ymax;
    RenderPlot(display);
    return true;
}

}  // namespace

bool ZoomAbout(Display& display, double x, double y, double factorX, double factorY) {
    const PlotView& v = display.formPlot.view;
    if (!v.framed || !(factorX > 0) || !(factorY > 0)) return false;
    return Show(display, x + (v.frameXmin - x) * factorX, x + (v.frameXmax - x) * factorX,
                y + (v.frameYmin - y) * factorY, y + (v.frameYmax - y) * factorY);
}

bool ZoomTo(Display& display, double x1, double y1, double x2, double y2) {
    if (!display.formPlot.view.framed) return false;
    return Show(display, x1, x2, y1, y2);
}

bool Pan(Display& display, double dx, double dy) {
    const PlotView& v = display.formPlot.view;
    if (!v.framed) return false;
    return Show(display, v.frameXmin + dx, v.frameXmax + dx, v.frameYmin + dy, v.frameYmax + dy);
}

bool ResetView(Display& display) {
    PlotView& v = display.formPlot.view;
    if (!v.zoomed) return false;
    v.zoomed = false;
    RenderPlot(display);
    return true;
}

bool ShowCurve(Display& display, int column, bool shown) {
    if (OverlayActive(display)) {
        std::vector<OverlayCurve>& curves = display.overlay.curves;
        if (column < 1 || column > static_cast<int>(curves.size())) return false;
        OverlayCurve& c = curves[static_cast<std::size_t>(column - 1)];
        if (c.hidden == !shown) return false;
        c.hidden = !shown;
        RenderPlot(display);
        return true;
    }
    PlotView& v = display.formPlot.view;
    if (column < 1 || column >= static_cast<int>(v.hidden.size()) || v.hidden[column] == !shown) return false;
    v.hidden[column] = !shown;
    RenderPlot(display);
    return true;
}

}  // namespace talvex
