#include <gtest/gtest.h>

#include "app/simulate_command.h"
#include "app/workbench.h"
#include "core/curve_slot.h"
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
#include "support/simulation_fixture.h"

namespace talvex {
namespace {

using Kind = PlotPrimitive::Kind;

using V = std::vector<double>;
using testing::Near;

class PlotTest : public ::testing::Test {
  protected:
    // Points 1..n of the potential axis and of curve `column`; the store's range becomes 1..n.
    void SetCurve(int column, const V& x, const V& y) {
        m.NData = m.ILast = static_cast<int>(x.size());
        for (int i = 1; i <= m.NData; ++i) {
            m.Xdata(i) = x[static_cast<std::size_t>(i - 1)];
            m.Yplot(i, column) = y[static_cast<std::size_t>(i - 1)];
        }
        m.IFirst = 1;
        if (m.NCurves < column) m.NCurves = column;
        m.CurCurve = column;
        m.NCurvesSaved = m.NCurves.value();
    }
    // Typed ranges for the axes given one (null: automatic).
    void TypeRange(const char* xmin, const char* xmax, const char* ymin, const char* ymax) {
        opt.Xauto.SetChecked(xmin == nullptr);
        opt.Yauto.SetChecked(ymin == nullptr);
        for (auto [box, text] :
             {std::pair{&opt.XminText, xmin}, {&opt.XmaxText, xmax}, {&opt.YminText, ymin}, {&opt.YmaxText, ymax}})
            if (text != nullptr) box->Type(text);
    }
    // Points 1..NData of the potentials (j = 0), of curve j, or with `store` of the store's j.
    V Column(int j, bool store = false) const {
        V v;
        for (int k = 1; k <= m.NData; ++k) v.push_back(store ? m.Ystore(k, j) : j == 0 ? m.Xdata(k) : m.Yplot(k, j));
        return v;
    }
    // The recordings, and how to regenerate them, are described in tests/data/plot.
    ::testing::AssertionResult RendersAsGolden(const std::string& name) {
        RenderPlot(wb.display);
        return testing::MatchesGolden("plot/" + name, wb.formPlot.canvas().Text());
    }

    testing::FakePlatform platform;
    Workbench wb{platform};
    Model& m = wb.model;
    FormOption& opt = wb.formOption;
    const V xs{0.3, 0.2, 0.1, 0.0, -0.1, -0.2, -0.3};
};

using RenderTest = PlotTest;

// The default sweep as first drawn: automatic ranges, squares, X mirrored.
TEST_F(RenderTest, DefaultSweepGolden) {
    testing::DefaultExperiment(m);
    testing::RunEngine(wb);
    EXPECT_TRUE(RendersAsGolden("default_sweep.txt"));
}

// Typed ranges ("0.4 V" read as 0.4), X not mirrored: the Y multiplier comes from the typed 1E-3.
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
    for (int k = 1; const double c1 : {1e-3, 9e-4, 5e-4, 1e-4, 0.0}) {
        m.Csurf(k, 2) = 1e-3 - (m.Csurf(k, 1) = c1);
        m.Csurf(k++, 3) = 5e-4;
    }
    opt.ComboY.SelectText("surface concentration C");
    FillPlotQuantity(wb.display);
    EXPECT_TRUE(RendersAsGolden("surface_three_solutes.txt"));
}

// A zero range (all 0, one point, none) gives "Error: No data!"; any other range gets ticks at round
// steps (1, 2 or 5 times a power of ten) with labels of as many decimals as the step needs, an
// X range of 0.03 V too; labels of huge numbers take an exponent.
TEST_F(RenderTest, RangesTicksAndLabels) {
    const std::string six = "-0.3|-0.2|-0.1|0|0.1|0.2|0.3", none = " /  /  / Error: No data!";
    const V y3{1e-6, 2e-6, 1e-6}, x3{0.3, 0.0, -0.3};
    const struct {
        V x, y;
        const char *ymin, *ymax;
        std::string drawn;  // caption / X labels / Y labels / messages
    } cases[] = {
        {{0.3, 0.2, 0.1}, {0, 0, 0}, nullptr, nullptr, none},
        {{0.1}, {2e-6}, nullptr, nullptr, none},
        {{}, {}, nullptr, nullptr, none},
        {{0.02, 0.01, -0.01},
         y3,
         nullptr,
         nullptr,
         "I /A  1E-6 / -0.01|-0.005|0|0.005|0.01|0.015|0.02 / -1|-0.5|0|0.5|1|1.5|2|2.5|3 / "},
        {x3, y3, "0", "3e-6", "I /A  1E-6 / " + six + " / 0|0.5|1|1.5|2|2.5|3 / "},
        {x3, y3, "-1e300", "1e7", "I /A  1E6 / " + six + " / -1E+294|-8E+293|-6E+293|-4E+293|-2E+293|0 / "},
        {x3, y3, "3e-6", "0", "I /A  1E-6 / " + six + " / 0|0.5|1|1.5|2|2.5|3 / "},  // typed the wrong way round
    };
    for (const auto& c : cases) {
        SetCurve(1, c.x, c.y);
        TypeRange(nullptr, nullptr, c.ymin, c.ymax);
        platform.messages.clear();
        RenderPlot(wb.display);
        std::string caption, xLabels, yLabels, messages;
        for (const PlotPrimitive& p : wb.formPlot.drawing()) {
            if (p.kind != Kind::Text) continue;
            std::string& to = p.group == 1 ? xLabels : p.group == 2 ? yLabels : caption;
            if (p.group == 0 && p.text == "E /V") continue;
            to.append(to.empty() ? "" : "|").append(p.text);
        }
        for (const std::string& text : platform.messages) messages.append(text);
        EXPECT_EQ(caption + " / " + xLabels + " / " + yLabels + " / " + messages, c.drawn);
    }
}

// Typed limits far from 0 and close together have more multiples of a step than a whole number
// counts: the frame is drawn, the ticks are not, and nothing is said.
TEST_F(RenderTest, TicksBeyondCountingEndTheDrawing) {
    SetCurve(1, xs, {0, 1e-5, 3e-5, 6e-5, 4e-5, 2e-5, 1e-5});
    TypeRange("1e18", "1.000000000000001e18", nullptr, nullptr);
    platform.messages.clear();
    RenderPlot(wb.display);
    EXPECT_TRUE(platform.messages.empty());
    int boxes = 0, labels = 0;
    for (const PlotPrimitive& p : wb.formPlot.drawing()) {
        boxes += p.kind == Kind::Box;
        labels += p.kind == Kind::Text && p.group != 0;
    }
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(labels, 0);
}

// Every label's text stands where its tick is: an X label's middle on its tick below the frame, a Y
// label's middle on its tick left of the frame as it appears (right of xmax when X is mirrored).
TEST_F(RenderTest, TickLabelsStandOnTheirTicks) {
    for (bool mirrored : {true, false}) {
        SCOPED_TRACE(mirrored);
        SetCurve(1, xs, {0, 1e-5, 3e-5, 6e-5, 4e-5, 2e-5, 1e-5});
        opt.CheckXdir.SetChecked(mirrored);
        RenderPlot(wb.display);
        const std::vector<PlotPrimitive>& d = wb.formPlot.drawing();
        int labels = 0;
        for (std::size_t i = 1; i < d.size(); ++i) {
            const PlotPrimitive& label = d[i];
            if (label.kind != Kind::Text || label.group == 0) continue;
            const PlotPrimitive& tick = d[i - 1];
            ASSERT_EQ(tick.kind, Kind::Line);
            if (label.group == 1) {
                EXPECT_EQ(label.x1, tick.x1);
                EXPECT_EQ(label.align, TextAlign::Center);
                EXPECT_LT(label.y1, m.PlotYmin);
            } else {
                EXPECT_EQ(label.y1, tick.y1);
                EXPECT_EQ(label.align, TextAlign::Right);
                EXPECT_EQ(label.valign, TextVAlign::Middle);
                EXPECT_TRUE(mirrored ? label.x1 > m.PlotXmax : label.x1 < m.PlotXmin);
            }
            ++labels;
        }
        EXPECT_GT(labels, 10);
    }
}

// A factor and its inverse come back within a few half-ulps, -Y twice exactly; an overflow changes
// nothing; Reverse twice restores the order (odd and even counts).
TEST_F(RenderTest, AxisCommandsAndTheirInverses) {
    const V y2{1.1e-6, -3.3e-7, 0.0, 7.7e-6, 2.9e-6, 1e-6, 0}, ones{1, 2, 3, 4, 5, 6, 7};
    SetCurve(1, xs, ones);
    SetCurve(2, xs, y2);
    for (auto* command : {mnu1000X, mnu10Y, mnuMinusY}) command(wb.display);
    EXPECT_EQ(Column(0), (V{300, 200, 100, 0, -100, -200, -300}));
    EXPECT_EQ(m.Yplot(4, 2), -10 * 7.7e-6);
    for (auto* command : {mnuMinusY, mnu01Y, mnu1000Y, mnu0001Y, mnu0001X, mnu10X, mnu01X}) command(wb.display);
    for (std::size_t k = 0; k < xs.size(); ++k) {
        EXPECT_TRUE(Near(Column(0)[k], xs[k], 5e-16)) << k;
        EXPECT_TRUE(Near(Column(2)[k], y2[k], 5e-16)) << k;
    }

    m.Xdata(7) = 1e306;
    const V x = Column(0), y = Column(2);
    EXPECT_THROW(mnu1000X(wb.display), RunError);
    EXPECT_EQ(Column(0), x);
    mnuMinusX(wb.display);
    EXPECT_EQ(Column(0), V(x.rbegin(), x.rend()));
    EXPECT_EQ(Column(2), V(y.rbegin(), y.rend()));
    EXPECT_EQ(Column(1), ones);
    mnuMinusX(wb.display);
    m.NData = 6;
    mnuMinusX(wb.display);
    EXPECT_EQ(Column(0), V(x.rbegin() + 1, x.rend()));
}

class QuantityTest : public PlotTest {
  protected:
    QuantityTest() { testing::DefaultExperiment(m); }
    // The dialog's quantity chosen (unless null) and confirmed.
    void Confirm(const char* quantity = nullptr) {
        if (quantity != nullptr) opt.ComboY.SelectText(quantity);
        opt.cmdOK.Click();
    }
    // The editor gets as many species as the model (the transfer of the dialogs recounts them).
    void SurfaceConcentrations(int nSpecies) {
        wb.formMech.chem(1).Type(nSpecies > 2 ? "Fe2+" : "");
        wb.formMech.chem(2).Type(nSpecies > 2 ? "X" : "");
        m.NSpecies = static_cast<std::int16_t>(nSpecies);
        for (int k = 1; k <= m.NData; ++k)
            for (int j = 1; j <= nSpecies; ++j) m.Csurf(k, j) = 1e-3 * j / (1.0 + k);
    }
};

// Confirming the options must not put the last simulation back over an imported measured curve.
TEST_F(QuantityTest, MeasuredCurvesSurviveRefillAndOtherQuantities) {
    testing::RunEngine(wb);
    OpenCurveSlot(m, wb.formOption.overlap.checked());  // an import; overlap off: replaces curve 1
    for (int k = 1; k <= m.NData; ++k) m.Yplot(k, m.NCurvesSaved) = 2.5e-6 * k / m.NData;
    const V measured = Column(1);
    Confirm();
    EXPECT_EQ(Column(1), measured);
    opt.overlap.SetChecked(true);
    testing::RunEngine(wb);
    m.CurCurve = 1;  // Next Curve
    Confirm();
    EXPECT_EQ(Column(1), measured);
    m.CurCurve = 2;

    const V simulated = Column(2), third = Column(3);
    SurfaceConcentrations(3);
    Confirm("surface concentration C");
    Confirm();  // confirming again keeps the first saved curves, not the concentrations
    Confirm("current I");
    EXPECT_EQ(Column(1), measured);
    EXPECT_EQ(Column(2), simulated);
    EXPECT_EQ(Column(3), third);
}

// A rescaled simulated curve, or one a failed run left behind the store, is kept by the transform.
TEST_F(QuantityTest, CurvesNotMatchingTheStoreAreKept) {
    testing::RunEngine(wb);
    mnu10Y(wb.display);
    const V scaled = Column(1);
    Confirm();
    EXPECT_EQ(Column(1), scaled);
    testing::RunEngine(wb);
    const V good = Column(1);
    m.Estep = 0;  // "Division by zero" while building the staircase, after the store's column moved
    m.NCharge = 2;
    testing::RunEngine(wb);
    ASSERT_EQ(platform.messages.size(), 1u);
    TransformPlotQuantity(wb.display);
    EXPECT_EQ(Column(1), good);
}

// A newer simulation is not replaced by the saved older curve; during a fit nothing is written.
TEST_F(QuantityTest, NewerCurveWinsAndFitsAreLeftAlone) {
    testing::RunEngine(wb);
    SurfaceConcentrations(3);
    Confirm("surface concentration C");
    m.E0(1) = 0.0;
    opt.ComboY.SelectText("current I");
    testing::RunEngine(wb);
    Confirm();
    EXPECT_EQ(Column(1), Column(m.StoreCol, true));
    opt.ComboY.SelectText("surface concentration C");
    m.Fitting = true;
    const V fitted = Column(1);
    TransformAndRender(wb.display);
    EXPECT_EQ(Column(1), fitted);
    EXPECT_EQ(m.NCurves, 1);
    EXPECT_FALSE(wb.formPlot.drawing().empty());
}

// Resistance d / ((s + k0) Area), s = sum of Cond(j) Csurf(k, j), k0 = 0.1 x 10 (a few roundings).
TEST_F(QuantityTest, ResistanceAndConductance) {
    testing::RunEngine(wb);
    opt.ComboY.list.push_back("resistance R");
    SurfaceConcentrations(2);
    m.Area = 2;
    m.Cond(1) = 50;
    m.Cond(2) = 70;
    m.ElectrolyteC = 0.1;
    m.ElectrolyteCond = 10;
    m.ElectrodeDistance = 0.5;
    opt.ComboY.SelectText("resistance R");
    FillPlotQuantity(wb.display);
    for (int k = 1; k <= m.NData; k += 20) {
        const double s = 50 * m.Csurf(k, 1) + 70 * m.Csurf(k, 2) + 1.0;
        EXPECT_TRUE(Near(m.Yplot(k, 1), 0.25 / s, 1e-14)) << k;
    }
}

}  // namespace
}  // namespace talvex
