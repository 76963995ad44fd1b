#include "plot/plot_readout.h"

#include <algorithm>
#include <cmath>

#include "core/text_number.h"
#include "plot/display.h"
#include "plot/form_option.h"
#include "plot/form_plot.h"
#include "plot/plot_curves.h"
#include "plot/plot_labels.h"

namespace talvex {
namespace {

std::string Potential(const Display& display, double x) {
    const PlotView& v = display.formPlot.view;
    const double range = v.framed ? v.frameXmax - v.frameXmin : 1.0;
    const int decimals =
        range > 0 ? std::clamp(static_cast<int>(std::ceil(-std::log10(range / 1000) - 1e-9)), 0, 12) : 4;
    std::string pattern = "0";
    if (decimals > 0) pattern.append(".").append(static_cast<std::size_t>(decimals), '0');
    std::string text = FormatNumber(x, pattern);
    if (text.starts_with("-") && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

std::string Value(double y) {
    return y == 0 ? std::string("0") : FormatNumber(y, "0.000E+00");
}

std::string Reading(const Display& display, const AxisQuantity& yq, double x, double y, const char* between) {
    const AxisQuantity xq = XQuantity(display.model);
    std::string text = xq.symbol + " = " + Potential(display, x) + " " + xq.unit;
    text += between;
    text += (yq.symbol.empty() ? std::string("Y") : yq.symbol) + " = " + Value(y);
    if (!yq.unit.empty()) text += " " + yq.unit;
    return text;
}

}  // namespace

AxisQuantity YAxisQuantity(const Display& display) {
    return YAxisQuantity(display, CurvesOnPlot(display));
}

std::string CursorReadout(const Display& display, double x, double y) {
    return Reading(display, YAxisQuantity(display), x, y, "   ");
}

std::optional<NearestPoint> FindNearestPoint(const Display& display, double x, double y, double pixelsPerX,
                                             double pixelsPerY, double within) {
    std::optional<NearestPoint> best;
    const double px = std::fabs(pixelsPerX), py = std::fabs(pixelsPerY);
    for (const PlotCurve& c : CurvesOnPlot(display)) {
        if (!c.shown) continue;
        for (std::size_t k = 0; k < c.x.size(); ++k) {
            const double dx = (c.x[k] - x) * px, dy = (c.y[k] - y) * py;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (!(d <= within) || (best && d >= best->pixels)) continue;
            best = NearestPoint{c.id, c.firstPoint + static_cast<int>(k), c.x[k], c.y[k], d, c.name, c.quantity};
        }
    }
    return best;
}

std::string PointReadout(const Display& display, const NearestPoint& p) {
    return p.name + ", point " + GeneralFormat(p.point) + ": " + Reading(display, p.quantity, p.x, p.y, ", ");
}

}  // namespace talvex
