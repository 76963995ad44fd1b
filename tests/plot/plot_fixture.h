#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/workbench.h"
#include "plot/form_option.h"
#include "plot/form_plot.h"
#include "support/fake_platform.h"

namespace talvex::testing {

// A fresh workbench with helpers to put curves into the store and read back what was drawn.
class PlotTest : public ::testing::Test {
  protected:
    PlotTest() : wb(platform), m(wb.model), opt(wb.formOption) {}

    // Points 1..n of the potential axis and of curve `column`; the store's range becomes 1..n.
    void SetCurve(int column, const std::vector<double>& xs, const std::vector<double>& ys) {
        for (std::size_t i = 0; i < xs.size(); ++i) {
            m.Xdata(static_cast<int>(i) + 1) = xs[i];
            m.Yplot(static_cast<int>(i) + 1, column) = ys[i];
        }
        m.NData = static_cast<int>(xs.size());
        m.IFirst = 1;
        m.ILast = static_cast<int>(xs.size());
        if (m.NCurves < column) m.NCurves = column;
        m.CurCurve = column;
        m.NCurvesSaved = m.NCurves.value();
    }

    const std::vector<PlotPrimitive>& Drawing() const { return wb.formPlot.drawing(); }
    std::string Recording() const { return wb.formPlot.canvas().Text(); }

    // Texts printed with their top-left corner at user x, or at user y (within 1e-9 of the
    // value's magnitude, as positions are sums of steps).
    std::vector<std::string> TextsAtX(double x) const {
        return TextsWhere([&](const PlotPrimitive& p) { return Same(p.x1, x); });
    }
    std::vector<std::string> TextsAtY(double y) const {
        return TextsWhere([&](const PlotPrimitive& p) { return Same(p.y1, y); });
    }
    // The X tick labels: printed on the lower edge of the frame, within its width.
    std::vector<std::string> XLabels() const {
        const double lo = std::min(m.PlotXmin.value(), m.PlotXmax.value()),
                     hi = std::max(m.PlotXmin.value(), m.PlotXmax.value());
        return TextsWhere([&](const PlotPrimitive& p) {
            return Same(p.y1, m.PlotYmin) && p.x1 >= lo - 1e-9 * (hi - lo) &&
                   p.x1 <= hi + 1e-9 * (hi - lo);
        });
    }
    std::vector<std::string> AllTexts() const {
        return TextsWhere([](const PlotPrimitive&) { return true; });
    }
    template <typename Pred>
    std::vector<std::string> TextsWhere(Pred pred) const {
        std::vector<std::string> out;
        for (const PlotPrimitive& p : Drawing())
            if (p.kind == PlotPrimitive::Kind::Text && pred(p)) out.push_back(p.text);
        return out;
    }
    static bool Same(double a, double b) {
        return std::abs(a - b) <= 1e-9 * std::max(std::abs(a), std::abs(b)) + 1e-300;
    }
    int Count(PlotPrimitive::Kind kind) const {
        int n = 0;
        for (const PlotPrimitive& p : Drawing()) n += p.kind == kind;
        return n;
    }

    FakePlatform platform;
    Workbench wb;
    Model& m;
    FormOption& opt;
};

}  // namespace talvex::testing
