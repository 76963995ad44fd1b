#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "core/curve_slot.h"
#include "core/workbench.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "plot/axis_commands.h"
#include "plot/form_option.h"
#include "plot/form_plot.h"
#include "plot/plot_quantity.h"
#include "plot/plot_renderer.h"
#include "simulation/simulation_driver.h"
#include "support/experiments.h"
#include "support/fake_platform.h"
#include "support/golden.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using Kind = PlotPrimitive::Kind;
using Strings = std::vector<std::string>;
using V = std::vector<double>;
using testing::Near;

// A fresh workbench with helpers to put curves into the store and read back what was drawn.
class PlotTest : public ::testing::Test {
  protected:
    // Points 1..n of the potential axis and of curve `column`; the store's range becomes 1..n.
    void SetCurve(int column, const V& x, const V& y) {
        const int n = static_cast<int>(x.size());
        for (int i = 1; i <= n; ++i) {
            m.Xdata(i) = x[static_cast<std::size_t>(i - 1)];
            m.Yplot(i, column) = y[static_cast<std::size_t>(i - 1)];
        }
        m.NData = n;
        m.IFirst = 1;
        m.ILast = n;
        if (m.NCurves < column) m.NCurves = column;
        m.CurCurve = column;
        m.NCurvesSaved = m.NCurves.value();
    }
    // Typed ranges for the axes given one; the other axis automatic.
    void TypeRange(const char* xmin, const char* xmax, const char* ymin, const char* ymax) {
        opt.Xauto.SetChecked(xmin == nullptr);
        opt.Yauto.SetChecked(ymin == nullptr);
        for (auto [box, text] : {std::pair{&opt.XminText, xmin},
                                 {&opt.XmaxText, xmax},
                                 {&opt.YminText, ymin},
                                 {&opt.YmaxText, ymax}})
            if (text != nullptr) box->Type(text);
    }
    // Points 1..NData of the potentials (j = 0), of curve j, or with `store` of the store's j.
    V Column(int j, bool store = false) const {
        V v;
        for (int k = 1; k <= m.NData; ++k)
            v.push_back(store ? m.Ystore(k, j) : j == 0 ? m.Xdata(k) : m.Yplot(k, j));
        return v;
    }

    const std::vector<PlotPrimitive>& Drawing() const { return wb.formPlot.drawing(); }
    int Count(const std::function<bool(const PlotPrimitive&)>& which) const {
        return static_cast<int>(std::count_if(Drawing().begin(), Drawing().end(), which));
    }
    int Count(Kind kind) const {
        return Count([=](const PlotPrimitive& p) { return p.kind == kind; });
    }
    // The texts drawn, in order; with `where`, those whose top-left corner (x, y) passes it.
    Strings Texts(const std::function<bool(double, double)>& where = {}) const {
        Strings out;
        for (const PlotPrimitive& p : Drawing())
            if (p.kind == Kind::Text && (!where || where(p.x1, p.y1))) out.push_back(p.text);
        return out;
    }
    // Positions are sums of steps: equal within 1e-9 of their magnitude.
    static bool Same(double a, double b) {
        return std::abs(a - b) <= 1e-9 * std::max(std::abs(a), std::abs(b)) + 1e-300;
    }
    // The recordings are described, with the way to regenerate them, in tests/data/plot.
    ::testing::AssertionResult RendersAsGolden(const std::string& name) {
        RenderPlot(wb);
        return testing::MatchesGolden("plot/" + name, wb.formPlot.canvas().Text());
    }

    testing::FakePlatform platform;
    Workbench wb{platform};
    Model& m = wb.model;
    FormOption& opt = wb.formOption;
    const V xs{0.3, 0.2, 0.1, 0.0, -0.1, -0.2, -0.3};
};

using RenderTest = PlotTest;

// The default sweep as the program first draws it: automatic ranges, squares, X mirrored (the
// caption and the zero line are placed on the first scale, the rest on the mirrored second one).
TEST_F(RenderTest, DefaultSweepGolden) {
    testing::DefaultExperiment(m);
    RunSimulation(wb);
    EXPECT_TRUE(RendersAsGolden("default_sweep.txt"));
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_TRUE(wb.formPlot.visible);
}

// Typed ranges ("0.4 V" read as its leading number), X not mirrored: the Y caption's multiplier
// comes from the larger typed limit (1E-3), although the data are far smaller.
TEST_F(RenderTest, ManualRangeGolden) {
    SetCurve(1, {-0.2, -0.05, 0.1, 0.25, 0.4}, {0, 2e-4, 5e-4, 3e-4, -1e-4});
    opt.CheckXdir.SetChecked(false);
    TypeRange("-0.2", "0.4 V", "-1e-3", "1e-3");
    EXPECT_TRUE(RendersAsGolden("manual_range.txt"));
}

// Three curves in the default styles (1: squares, 2: solid, 3: points) with the grid.
TEST_F(RenderTest, GridAndThreeLineStylesGolden) {
    SetCurve(1, xs, {0, 1e-5, 3e-5, 6e-5, 4e-5, 2e-5, 1e-5});
    SetCurve(2, xs, {0, 5e-6, 2e-5, 4e-5, 3e-5, 1e-5, 5e-6});
    SetCurve(3, xs, {-1e-5, -5e-6, 0, 5e-6, 1e-5, 1.5e-5, 2e-5});
    opt.CheckGrid.SetChecked(true);
    EXPECT_TRUE(RendersAsGolden("grid_three_styles.txt"));
}

// Surface concentrations of three species through the quantity transform, caption "C /M".
TEST_F(RenderTest, SurfaceConcentrationGolden) {
    SetCurve(1, {0.3, 0.15, 0.0, -0.15, -0.3}, {0, 1e-6, 2e-6, 1e-6, 0});
    m.NSpecies = 3;
    const double c1[] = {1e-3, 9e-4, 5e-4, 1e-4, 0};
    for (int k = 1; k <= 5; ++k) {
        m.Csurf(k, 1) = c1[k - 1];
        m.Csurf(k, 2) = 1e-3 - c1[k - 1];
        m.Csurf(k, 3) = 5e-4;
    }
    opt.ComboY.SelectText("surface concentration C");
    FillPlotQuantity(wb);
    EXPECT_TRUE(RendersAsGolden("surface_three_species.txt"));
}

// RenderPlot's ranges, decades and ticks, by the texts drawn (Y caption, X caption, X labels, Y
// labels) and the message:
// - automatic Y over 0..2.5 uA: M = 2.5e-6 lies in the decade L = 1e-6; the limits move outward to
//   3e-6 and -1e-6 (a whole unit even below 0); labels count units of L, from the top down as X is
//   mirrored. 0.6 V gives six X intervals: seven labels, the last at the limit although the step's
//   rounding puts it a hair beyond;
// - a zero range (all values 0: no decade; one point: X range 0) cannot be drawn: "Error: No
//   data!", the window cleared and nothing else drawn;
// - a tick count of 0 ends the drawing without a message, leaving what was drawn: X range 0.03 V
//   (CInt(0.3) = 0 intervals) after captions, frame and curve; a typed lower Y limit of 0 (X
//   mirrored) after the X labels; typed limits so far apart that the tick loop would not end.
TEST_F(RenderTest, RangesTicksAndLabels) {
    struct Case {
        V x, y;
        const char *ymin, *ymax;
        std::string texts, message;
    };
    const std::string six = "|-0.3|-0.2|-0.1|0.|0.1|0.2|0.3";
    const V microamperes{0, 0.5e-6, 1e-6, 2.5e-6, 2e-6, 1e-6, 0.2e-6}, y3{1e-6, 2e-6, 1e-6};
    const Case cases[] = {
        {xs, microamperes, nullptr, nullptr, "I /A  1E-6|E /V" + six + "|3|2|1|0|-1", ""},
        {{0.3, 0.2, 0.1}, {0, 0, 0}, nullptr, nullptr, "", "Error: No data!"},
        {{0.1}, {2e-6}, nullptr, nullptr, "", "Error: No data!"},
        {{0.02, 0.01, -0.01}, y3, nullptr, nullptr, "I /A  1E-6|E /V", ""},
        {{0.3, 0.0, -0.3}, y3, "0", "3e-6", "I /A  1E-6|E /V" + six, ""},
        {{0.3, 0.0, -0.3}, y3, "-1e300", "1e7", "I /A  1E6|E /V" + six, ""},
    };
    for (const Case& c : cases) {
        SetCurve(1, c.x, c.y);
        TypeRange(nullptr, nullptr, c.ymin, c.ymax);
        platform.messages.clear();
        RenderPlot(wb);
        std::string texts;
        for (const std::string& t : Texts()) texts.append(texts.empty() ? "" : "|").append(t);
        const std::string which = "case " + std::to_string(&c - cases);
        EXPECT_EQ(texts, c.texts) << which;
        EXPECT_EQ(platform.messages.empty() ? "" : platform.messages.back(), c.message) << which;
        EXPECT_EQ(platform.messages.size(), c.message.empty() ? 0u : 1u) << which;
        EXPECT_EQ(Count(Kind::Box), c.message.empty() ? 1 + static_cast<int>(c.x.size()) : 0)
            << which;
    }
    testing::FakePlatform fresh;  // an empty store
    Workbench empty(fresh);
    RenderPlot(empty);
    EXPECT_EQ(fresh.messages, (Strings{"Error: No data!"}));
}

// In millivolts the X step follows the range (n = 6000, 0.1 mV).
TEST_F(RenderTest, MillivoltLabels) {
    SetCurve(1, {300, 100, -100, -300}, {1e-6, 2e-6, 1e-6, 0});
    RenderPlot(wb);
    const Strings labels = Texts(
        [&](double x, double y) { return Same(y, m.PlotYmin) && std::abs(x) <= 300 * (1 + 1e-9); });
    ASSERT_EQ(labels.size(), 6001u);
    EXPECT_EQ(labels[0] + " " + labels[1] + " " + labels.back(), "-300. -299.9 300.");
}

// A sixth curve (six species' surface concentrations) has no line style of its own and is drawn
// solid (a point, then three sloping segments); the five others keep theirs, here all points.
TEST_F(RenderTest, SixthCurveIsSolid) {
    SetCurve(1, {0.3, 0.1, -0.1, -0.3}, {0, 0, 0, 0});
    m.NSpecies = 6;
    for (int k = 1; k <= 4; ++k)
        for (int j = 1; j <= 6; ++j) m.Csurf(k, j) = 1e-4 * j + 1e-5 * k;
    for (int i = 0; i <= 4; ++i) opt.linestyle1(i).Click();
    opt.ComboY.SelectText("surface concentration C");
    FillPlotQuantity(wb);
    RenderPlot(wb);
    EXPECT_EQ(Count(Kind::Point), 5 * 4 + 1);
    EXPECT_EQ(Count([](const PlotPrimitive& p) {
                  return p.kind == Kind::Line && p.x1 != p.x2 && p.y1 != p.y2;
              }),
              3);
}

// The axis commands act on the shared potentials or on the current curve (2 here; curve 1 must
// not change) and redraw. -Y twice is exact; a factor and its inverse come back within the
// roundings of the products (5e-16: a few half-ulps). An overflowing product changes nothing.
TEST_F(RenderTest, AxisScalingAndBack) {
    const V y2{1.1e-6, -3.3e-7, 0.0, 7.7e-6, 2.9e-6, 1e-6, 0}, ones{1, 2, 3, 4, 5, 6, 7};
    SetCurve(1, xs, ones);
    SetCurve(2, xs, y2);
    mnuMinusY(wb);
    EXPECT_EQ(m.Yplot(1, 2), -1.1e-6);
    mnuMinusY(wb);
    EXPECT_EQ(Column(2), y2);
    mnu1000X(wb);
    EXPECT_EQ(Column(0), (V{300, 200, 100, 0, -100, -200, -300}));
    EXPECT_EQ(Column(2), y2);
    EXPECT_EQ(m.PlotXmax, 300);  // redrawn
    mnu10Y(wb);
    EXPECT_EQ(m.Yplot(4, 2), 10 * 7.7e-6);
    for (auto* command : {mnu01Y, mnu1000Y, mnu0001Y, mnu0001X, mnu10X, mnu01X}) command(wb);
    EXPECT_EQ(Column(1), ones);
    for (std::size_t k = 0; k < xs.size(); ++k) {
        EXPECT_TRUE(Near(Column(0)[k], xs[k], 5e-16));
        EXPECT_TRUE(Near(Column(2)[k], y2[k], 5e-16));
    }
    m.Xdata(7) = 1e306;
    const V before = Column(0);
    EXPECT_THROW(mnu1000X(wb), RunError);
    EXPECT_EQ(Column(0), before);
}

// Reverse swaps the order of the potentials and of the current curve only; twice restores it. An
// even count swaps every pair, the middle one included.
TEST_F(RenderTest, ReverseTwiceRestoresOrder) {
    const V x5{0.3, 0.1, -0.05, -0.2, -0.3}, y5{1.1e-6, -3.3e-7, 0.0, 7.7e-6, 2.9e-6};
    SetCurve(1, x5, {1, 2, 3, 4, 5});
    SetCurve(2, x5, y5);
    mnuMinusX(wb);
    EXPECT_EQ(Column(0), (V{-0.3, -0.2, -0.05, 0.1, 0.3}));
    EXPECT_EQ(Column(2), (V{2.9e-6, 7.7e-6, 0.0, -3.3e-7, 1.1e-6}));
    EXPECT_EQ(Column(1), (V{1, 2, 3, 4, 5}));
    mnuMinusX(wb);
    EXPECT_EQ(Column(0), x5);
    EXPECT_EQ(Column(2), y5);
    m.NData = 4;
    mnuMinusX(wb);
    EXPECT_EQ(Column(0), (V{-0.2, -0.05, 0.1, 0.3}));
}

using FormOptionTest = PlotTest;

// The dialog as it first opens: captions, tooltips and defaults, no typed range shown.
TEST_F(FormOptionTest, CaptionsTooltipsAndDefaults) {
    std::string shown = opt.caption + "|" + opt.FrameAxis.caption + "|" +
                        opt.FrameLineStyle.caption + "|" + opt.cmdOK.caption + "\n";
    for (const CheckBox* b : {&opt.CheckGrid, &opt.overlap, &opt.CheckXdir, &opt.Yauto, &opt.Xauto})
        shown += b->caption + "|" + b->tooltip + "|" + (b->checked() ? "on\n" : "off\n");
    for (const auto& [label, box] : {std::pair{&opt.LabelYmax, &opt.YmaxText},
                                     {&opt.LabelYmin, &opt.YminText},
                                     {&opt.LabelXmax, &opt.XmaxText},
                                     {&opt.LabelXmin, &opt.XminText}})
        shown += label->caption() + "|" + label->tooltip + "|" + box->text() +
                 (label->visible || box->visible ? "|shown\n" : "\n");
    for (int i = 0; i <= 4; ++i)
        shown += opt.FrameCurve(i).caption + "|" + opt.linestyle1(i).caption + "|" +
                 opt.linestyle2(i).caption + "|" + opt.linestyle3(i).caption + "\n";
    EXPECT_EQ(shown,
              "Option|Axis|Line style|OK\n"
              "Grid||off\nOverlap|overlap plot|off\n"
              "X direction: + -> -|X axis Direction from positive to negative|on\n"
              "Y auto|auto scale of Y axis |on\nX auto|auto scale of X axis |on\n"
              "Y max|maxinum Y value|1e-3\nY min|mininum Y value|-1e-3\n"
              "X max|maxinum X value|0.3\nX min|mininum X value|-0.3\n"
              "Curve 1|...........|oooooo|______\nCurve 2|...........|oooooo|______\n"
              "Curve 3|...........|oooooo|______\nCurve 4|...........|oooooo|______\n"
              "Curve 5|...........|oooooo|______\n");
    EXPECT_EQ(opt.ComboY.list, (Strings{"current I", "surface concentration C"}));
    EXPECT_EQ(opt.ComboY.text(), "current I");
}

// OK copies grid, overlap, line styles and, only where automatic scaling is off (which shows the
// typed fields and their labels), the typed ranges, read as leading numbers.
TEST_F(FormOptionTest, OkCopiesSettingsIntoModel) {
    m.PlotXmin = 7;
    opt.OK();
    EXPECT_EQ(m.PlotXmin, 7);
    opt.CheckGrid.Click();
    opt.overlap.Click();
    opt.Xauto.Click();
    EXPECT_TRUE(opt.XminText.visible && opt.LabelXmax.visible && !opt.YmaxText.visible);
    TypeRange("abc", " 0.25V", "-2e-6", "");
    opt.linestyle3(0).Click();
    opt.linestyle2(4).Click();
    opt.linestyle1(1).Click();
    opt.OK();
    EXPECT_TRUE(m.ShowGrid && m.OverlapPlot);
    EXPECT_EQ(m.PlotXmin, 0);
    EXPECT_EQ(m.PlotXmax, 0.25);
    EXPECT_EQ(m.PlotYmin, -2e-6);
    EXPECT_EQ(m.PlotYmax, 0);
    for (int j = 1; j <= 5; ++j) EXPECT_EQ(m.LineStyle(j), (j == 1 ? 3 : j == 5 ? 2 : 1)) << j;
    opt.Xauto.Click();
    EXPECT_FALSE(opt.XminText.visible || opt.LabelXmax.visible);
}

class QuantityTest : public PlotTest {
  protected:
    QuantityTest() { testing::DefaultExperiment(m); }
    // What an import does to the store: a new slot, then measured values into it.
    void ImportMeasured(double peak) {
        OpenCurveSlot(wb);
        for (int k = 1; k <= m.NData; ++k) m.Yplot(k, m.NCurvesSaved) = peak * k / m.NData;
    }
    // Species counts come from the reaction editor whenever the dialogs are transferred, so the
    // editor gets as many species as the model.
    void SurfaceConcentrations(int nSpecies) {
        wb.formMech.chem(1).Type(nSpecies > 2 ? "Fe2+" : "");
        wb.formMech.chem(2).Type(nSpecies > 2 ? "X" : "");
        m.NSpecies = static_cast<std::int16_t>(nSpecies);
        for (int k = 1; k <= m.NData; ++k)
            for (int j = 1; j <= nSpecies; ++j) m.Csurf(k, j) = 1e-3 * j / (1.0 + k);
    }
};

// Confirming the display options after an import must not put the last simulation back over the
// measured curve (it did when the "current I" transform refilled whatever the current curve held).
// With overlap, a simulation after the import goes to curve 2; stepping back to curve 1 and
// confirming leaves the measured curve alone, while the simulated one stays refillable.
TEST_F(QuantityTest, CurrentRefillLeavesMeasuredCurves) {
    RunSimulation(wb);
    ASSERT_TRUE(HoldsLastSimulatedCurrent(wb));
    ImportMeasured(2.5e-6);  // overlap off: replaces curve 1
    const V measured = Column(1);
    opt.cmdOK.Click();
    EXPECT_EQ(Column(1), measured);
    opt.overlap.SetChecked(true);
    RunSimulation(wb);
    EXPECT_EQ(m.CurCurve, 2);
    EXPECT_EQ(Column(2), Column(m.StoreCol, true));
    m.CurCurve = 1;  // Next Curve
    opt.cmdOK.Click();
    EXPECT_EQ(Column(1), measured);
    m.CurCurve = 2;
    EXPECT_TRUE(HoldsLastSimulatedCurrent(wb));
}

// A rescaled (or reversed) simulated curve is the user's own now, and a failed run rewrites the
// store but not the plotted curve: in each case the curve no longer matches the store and the
// transform keeps it.
TEST_F(QuantityTest, CurvesNotMatchingTheStoreAreKept) {
    RunSimulation(wb);
    mnu10Y(wb);
    const V scaled = Column(1);
    opt.cmdOK.Click();
    EXPECT_EQ(Column(1), scaled);
    RunSimulation(wb);
    const V good = Column(1);
    m.Estep = 0;  // "Division by zero" while building the staircase, after the store's column moved
    m.NCharge = 2;
    RunSimulation(wb);
    ASSERT_EQ(platform.messages.size(), 1u);
    TransformPlotQuantity(wb);
    EXPECT_EQ(Column(1), good);
}

// Surface concentration of three species replaces curves 1..3 and sets NCurves = 3; back to the
// current, NCurves comes from NCurvesSaved and every replaced curve returns as it was (the
// measured curve 1 too, which the bare refill of the current curve would have lost).
TEST_F(QuantityTest, SurfaceConcentrationRoundTrip) {
    RunSimulation(wb);
    ImportMeasured(3e-6);
    opt.overlap.SetChecked(true);
    RunSimulation(wb);
    ASSERT_EQ(m.NCurvesSaved, 2);
    const V measured = Column(1), simulated = Column(2), third = Column(3);
    SurfaceConcentrations(3);
    opt.ComboY.SelectText("surface concentration C");
    opt.cmdOK.Click();
    EXPECT_EQ(m.NCurves, 3);
    for (int j = 1; j <= 3; ++j)
        for (int k = 1; k <= m.NData; ++k) ASSERT_EQ(m.Yplot(k, j), m.Csurf(k, j));
    opt.cmdOK.Click();  // confirming again keeps the first saved curves, not the concentrations
    opt.ComboY.SelectText("current I");
    opt.cmdOK.Click();
    EXPECT_EQ(m.NCurves, 2);
    EXPECT_EQ(Column(1), measured);
    EXPECT_EQ(Column(2), simulated);
    EXPECT_EQ(Column(3), third);
}

// A curve written over a plotted concentration (a new simulation into curve 1, overlap off) is not
// replaced by the saved older curve when the current is chosen again. During a fit the transform
// writes nothing, whatever quantity is chosen, and the drawing still happens.
TEST_F(QuantityTest, NewerCurveWinsAndFitsAreLeftAlone) {
    RunSimulation(wb);
    SurfaceConcentrations(3);
    opt.ComboY.SelectText("surface concentration C");
    opt.cmdOK.Click();
    m.E0(1) = 0.0;
    opt.ComboY.SelectText("current I");
    RunSimulation(wb);
    opt.cmdOK.Click();
    EXPECT_EQ(Column(1), Column(m.StoreCol, true));
    opt.ComboY.SelectText("surface concentration C");
    m.Fitting = true;
    const V fitted = Column(1);
    TransformAndRender(wb);
    EXPECT_EQ(Column(1), fitted);
    EXPECT_EQ(m.NCurves, 1);
    EXPECT_FALSE(Drawing().empty());
}

// Conductance (s + k0) Area / d and resistance d / (Area (s + k0)), s = sum of Cond(j) Csurf(k, j),
// k0 = ElectrolyteC ElectrolyteCond; the values below give exact fractions (tolerance: a few
// roundings). A distance of 0 reports "Division by zero" and touches no curve.
TEST_F(QuantityTest, ResistanceAndConductance) {
    RunSimulation(wb);
    const V current = Column(1);
    opt.ComboY.list.insert(opt.ComboY.list.end(), {"conductance Cond", "resistance R"});
    wb.formIns.TextDis.SetText("0");
    opt.ComboY.SelectText("conductance Cond");
    TransformAndRender(wb);
    EXPECT_EQ(platform.messages, (Strings{"Division by zero"}));
    EXPECT_EQ(Column(1), current);

    SurfaceConcentrations(2);  // after the transfer of the dialogs above
    m.Area = 2;
    m.Cond(1) = 50;
    m.Cond(2) = 70;
    m.ElectrolyteC = 0.1;
    m.ElectrolyteCond = 10;
    wb.formIns.TextDis.SetText("0.5");
    for (const char* quantity : {"conductance Cond", "resistance R"}) {
        opt.ComboY.SelectText(quantity);
        FillPlotQuantity(wb);
        for (int k = 1; k <= m.NData; k += 20) {
            const double s = 50 * m.Csurf(k, 1) + 70 * m.Csurf(k, 2) + 1.0;
            EXPECT_TRUE(Near(m.Yplot(k, 1), *quantity == 'c' ? s * 4 : 0.25 / s, 1e-14)) << k;
        }
    }
    opt.ComboY.SelectText("current I");
    FillPlotQuantity(wb);
    EXPECT_EQ(Column(1), current);
}

}  // namespace
}  // namespace talvex
