#include <gtest/gtest.h>

#include "plot/golden.h"
#include "plot/plot_fixture.h"
#include "plot/plot_quantity.h"
#include "plot/plot_renderer.h"
#include "simulation/simulation_driver.h"
#include "support/experiments.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using Kind = PlotPrimitive::Kind;
using testing::MatchesGolden;
using testing::Near;
using Strings = std::vector<std::string>;

class RenderTest : public testing::PlotTest {};

// The default experiment's sweep, 0.3 -> -0.3 V, as the program first draws it: automatic ranges,
// X mirrored, curve 1 as small squares.
TEST_F(RenderTest, DefaultSweepGolden) {
    testing::DefaultExperiment(m);
    RunSimulation(wb);
    ASSERT_TRUE(platform.messages.empty());
    RenderPlot(wb);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_TRUE(wb.formPlot.visible);
    EXPECT_TRUE(MatchesGolden("default_sweep.txt", Recording()));

    // The caption and the zero line are placed before X is mirrored: the second scale's left edge
    // lies at the positive end.
    std::vector<PlotPrimitive> scales;
    for (const PlotPrimitive& p : Drawing())
        if (p.kind == Kind::Scale) scales.push_back(p);
    ASSERT_EQ(scales.size(), 2u);
    EXPECT_LT(scales[0].x1, scales[0].x2);
    EXPECT_GT(scales[1].x1, scales[1].x2);
    EXPECT_EQ(scales[1].y1, scales[0].y1);
    EXPECT_EQ(m.PlotXmax, 0.3);
    EXPECT_NEAR(m.PlotXmin, -0.3, 1e-15);
    EXPECT_EQ(Count(Kind::Box), 1 + m.NData);  // frame + one square per point
}

// Typed ranges, X not mirrored: the Y caption's multiplier comes from the larger magnitude of the
// typed limits (1e-3), although the data are far smaller.
TEST_F(RenderTest, ManualRangeGolden) {
    SetCurve(1, {-0.2, -0.05, 0.1, 0.25, 0.4}, {0, 2e-4, 5e-4, 3e-4, -1e-4});
    opt.CheckXdir.SetChecked(false);
    opt.Xauto.SetChecked(false);
    opt.Yauto.SetChecked(false);
    opt.XminText.Type("-0.2");
    opt.XmaxText.Type("0.4 V");  // leading number
    opt.YminText.Type("-1e-3");
    opt.YmaxText.Type("1e-3");
    RenderPlot(wb);
    EXPECT_TRUE(MatchesGolden("manual_range.txt", Recording()));
    EXPECT_EQ(m.PlotXmax, 0.4);
    EXPECT_EQ(AllTexts().front(), "I /A  1E-3");
    EXPECT_EQ(TextsAtX(-0.2 - 0.04 * 0.6), (Strings{"-1", "0", "1"}));
    EXPECT_EQ(XLabels(), (Strings{"-0.2", "-0.1", "0.", "0.1", "0.2", "0.3", "0.4"}));
}

// Three curves in the default styles (1: squares, 2: solid, 3: points) with the grid.
TEST_F(RenderTest, GridAndThreeLineStylesGolden) {
    const std::vector<double> xs{0.3, 0.2, 0.1, 0.0, -0.1, -0.2, -0.3};
    SetCurve(1, xs, {0, 1e-5, 3e-5, 6e-5, 4e-5, 2e-5, 1e-5});
    SetCurve(2, xs, {0, 5e-6, 2e-5, 4e-5, 3e-5, 1e-5, 5e-6});
    SetCurve(3, xs, {-1e-5, -5e-6, 0, 5e-6, 1e-5, 1.5e-5, 2e-5});
    opt.CheckGrid.SetChecked(true);
    RenderPlot(wb);
    EXPECT_TRUE(m.ShowGrid);
    EXPECT_TRUE(MatchesGolden("grid_three_styles.txt", Recording()));
    EXPECT_EQ(Count(Kind::Point), 1 + 7);  // curve 2 starts with a point, curve 3 is points
    EXPECT_EQ(Count(Kind::Box), 1 + 7);
}

// Surface concentrations of three species, plotted as concentration with the "C /M" caption.
TEST_F(RenderTest, SurfaceConcentrationGolden) {
    const std::vector<double> xs{0.3, 0.15, 0.0, -0.15, -0.3};
    SetCurve(1, xs, {0, 1e-6, 2e-6, 1e-6, 0});
    m.NSpecies = 3;
    const double c1[] = {1e-3, 9e-4, 5e-4, 1e-4, 0};
    for (int k = 1; k <= 5; ++k) {
        m.Csurf(k, 1) = c1[k - 1];
        m.Csurf(k, 2) = 1e-3 - c1[k - 1];
        m.Csurf(k, 3) = 5e-4;
    }
    opt.ComboY.SelectText("surface concentration C");
    FillPlotQuantity(wb);
    RenderPlot(wb);
    EXPECT_EQ(m.NCurves, 3);
    EXPECT_EQ(AllTexts().front(), "C /M  1E-3");
    EXPECT_TRUE(MatchesGolden("surface_three_species.txt", Recording()));
}

// Automatic Y over 0..2.5 uA: M = 2.5e-6 lies in the decade L = 1e-6; the limits move outward to
// 3e-6 and -1e-6 (a whole unit even below 0), labels count units of L.
TEST_F(RenderTest, MicroampereDecadeLimitsAndLabels) {
    const std::vector<double> xs{0.3, 0.2, 0.1, 0.0, -0.1, -0.2, -0.3};
    SetCurve(1, xs, {0, 0.5e-6, 1e-6, 2.5e-6, 2e-6, 1e-6, 0.2e-6});
    RenderPlot(wb);
    EXPECT_TRUE(Near(m.PlotYmax, 3e-6, 1e-15));
    EXPECT_TRUE(Near(m.PlotYmin, -1e-6, 1e-15));
    EXPECT_EQ(AllTexts().front(), "I /A  1E-6");
    // Mirrored: Y labels stand beside the positive end of X, from the top down.
    EXPECT_EQ(TextsAtX(0.3 + 0.04 * 0.6), (Strings{"3", "2", "1", "0", "-1"}));

    opt.CheckXdir.SetChecked(false);
    RenderPlot(wb);
    EXPECT_EQ(TextsAtX(-0.3 - 0.04 * 0.6), (Strings{"-1", "0", "1", "2", "3"}));
    // The dashed zero line spans the data range only.
    int dashed = 0;
    for (const PlotPrimitive& p : Drawing())
        if (p.kind == Kind::Line && p.dashed) {
            ++dashed;
            EXPECT_EQ(p.y1, 0.0);
            EXPECT_EQ(p.x1, -0.3 + 0.0);
        }
    EXPECT_EQ(dashed, 1);
}

// A zero range cannot be drawn: all values 0 (no decade, Y range 0), or one point (X range 0).
// The window is cleared first and nothing else is drawn.
TEST_F(RenderTest, ZeroRangeReportsNoData) {
    SetCurve(1, {0.3, 0.2, 0.1}, {0, 0, 0});
    RenderPlot(wb);
    ASSERT_EQ(platform.messages, (Strings{"Error: No data!"}));
    ASSERT_EQ(Drawing().size(), 1u);
    EXPECT_EQ(Drawing()[0].kind, Kind::Clear);

    SetCurve(1, {0.1}, {2e-6});
    RenderPlot(wb);
    EXPECT_EQ(platform.messages.size(), 2u);
    EXPECT_EQ(Drawing().size(), 1u);

    // Before any data set the store's range is empty: the same message, no crash.
    testing::FakePlatform fresh;
    Workbench empty(fresh);
    RenderPlot(empty);
    EXPECT_EQ(fresh.messages, (Strings{"Error: No data!"}));
}

// 0.6 V gives six intervals of 0.1 V: seven ticks and labels, the last one at the limit although
// the step's rounding puts it a hair beyond.
TEST_F(RenderTest, SixXIntervalsOverPointSixVolt) {
    SetCurve(1, {0.3, 0.1, -0.1, -0.3}, {1e-6, 2e-6, 1e-6, 0});
    RenderPlot(wb);
    EXPECT_EQ(XLabels(), (Strings{"-0.3", "-0.2", "-0.1", "0.", "0.1", "0.2", "0.3"}));
    int ticks = 0;
    for (const PlotPrimitive& p : Drawing())
        ticks += p.kind == Kind::Line && p.x1 == p.x2 && Near(p.y1, m.PlotYmin, 1e-12) &&
                 Near(p.y2 - p.y1, 0.02 * (m.PlotYmax - m.PlotYmin), 1e-9);
    EXPECT_EQ(ticks, 7);

    // 1000X turns the labels into millivolts; the step follows the range (n = 6000, 0.1 mV).
    SetCurve(1, {300, 100, -100, -300}, {1e-6, 2e-6, 1e-6, 0});
    RenderPlot(wb);
    const Strings labels = XLabels();
    ASSERT_EQ(labels.size(), 6001u);
    EXPECT_EQ(labels.front(), "-300.");
    EXPECT_EQ(labels[1], "-299.9");
    EXPECT_EQ(labels.back(), "300.");
}

// A tick count of 0 ends the drawing without a message; what was drawn stays.
TEST_F(RenderTest, ZeroTickCountStopsSilently) {
    // X range 0.03 V: CInt(0.3) = 0 X intervals. Frame, captions and the curve are drawn.
    SetCurve(1, {0.02, 0.01, -0.01}, {1e-6, 2e-6, 1e-6});
    RenderPlot(wb);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(AllTexts(), (Strings{"I /A  1E-6", "E /V"}));
    EXPECT_EQ(Count(Kind::Box), 1 + 3);

    // Mirrored Y with a typed lower limit of 0: the X ticks are drawn, no Y tick.
    SetCurve(1, {0.3, 0.0, -0.3}, {1e-6, 2e-6, 1e-6});
    opt.Yauto.SetChecked(false);
    opt.YminText.Type("0");
    opt.YmaxText.Type("3e-6");
    RenderPlot(wb);
    EXPECT_TRUE(platform.messages.empty());
    const Strings texts = AllTexts();
    EXPECT_EQ(texts.back(), "0.3");
    EXPECT_EQ(texts.size(), 2u + 7u);

    // Typed limits so far apart that the tick loop would not end: the drawing stops as well.
    opt.YminText.Type("-1e300");
    opt.YmaxText.Type("1e7");
    RenderPlot(wb);
    EXPECT_TRUE(platform.messages.empty());
}

// A sixth curve (six species' surface concentrations) has no line style of its own and is drawn
// as a solid line; the five others keep theirs.
TEST_F(RenderTest, SixthCurveIsSolid) {
    const std::vector<double> xs{0.3, 0.1, -0.1, -0.3};
    SetCurve(1, xs, {0, 0, 0, 0});
    m.NSpecies = 6;
    for (int k = 1; k <= 4; ++k)
        for (int j = 1; j <= 6; ++j) m.Csurf(k, j) = 1e-4 * j + 1e-5 * k;
    for (int i = 0; i <= 4; ++i) opt.linestyle1(i).Click();  // curves 1..5 as points
    opt.ComboY.SelectText("surface concentration C");
    FillPlotQuantity(wb);
    RenderPlot(wb);
    EXPECT_EQ(m.NCurves, 6);
    EXPECT_EQ(Count(Kind::Point), 5 * 4 + 1);
    for (int k = 1; k < 4; ++k) {
        bool found = false;
        for (const PlotPrimitive& p : Drawing())
            found = found || (p.kind == Kind::Line && p.x1 == xs[k - 1] && p.y1 == m.Csurf(k, 6) &&
                              p.x2 == xs[k] && p.y2 == m.Csurf(k + 1, 6));
        EXPECT_TRUE(found) << "segment " << k;
    }
}

}  // namespace
}  // namespace talvex
