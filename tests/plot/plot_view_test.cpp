// The explorable plot in user coordinates: zoom about a point, zoom to a rectangle, pan, reset,
// hidden curves; the legend and colours by curve kind; the axis captions that follow the plotted
// quantity.
#include "plot/plot_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "app/workbench.h"
#include "core/codes.h"
#include "plot/display.h"
#include "plot/form_option.h"
#include "plot/form_plot.h"
#include "plot/plot_curves.h"
#include "plot/plot_labels.h"
#include "plot/plot_readout.h"
#include "plot/plot_renderer.h"
#include "support/fake_platform.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using Kind = PlotPrimitive::Kind;
using V = std::vector<double>;

class PlotViewTest : public ::testing::Test {
  protected:
    // Curve `column` of the given kind over the potentials 0.3 .. -0.3 V (61 points).
    void Curve(int column, int kind, double height, const std::string& name = "") {
        m.NData = 61;
        m.IFirst = 1;
        m.ILast = 61;
        for (int k = 1; k <= 61; ++k) {
            m.Xdata(k) = 0.3 - 0.01 * (k - 1);
            m.Yplot(k, column) = height * (k - 1) / 60.0;
        }
        m.CurveKind(column) = static_cast<std::int16_t>(kind);
        m.CurveLabels(column) = {name, 0, 1.0};
        if (m.NCurves < column) m.NCurves = column;
        m.NCurvesSaved = m.NCurves.value();
        m.CurCurve = column;
    }
    // The frame of the last drawing: the first box after a scale.
    struct Frame {
        double xmin, xmax, ymin, ymax;
    };
    Frame Drawn() const {
        const PlotView& v = wb.formPlot.view;
        EXPECT_TRUE(v.framed);
        return {v.frameXmin, v.frameXmax, v.frameYmin, v.frameYmax};
    }
    const PlotPrimitive* Legend() const {
        for (const PlotPrimitive& p : wb.formPlot.drawing())
            if (p.kind == Kind::Legend) return &p;
        return nullptr;
    }
    std::string YCaption() const {
        for (const PlotPrimitive& p : wb.formPlot.drawing())
            if (p.kind == Kind::Text) return p.text;  // the first text is the Y caption
        return "";
    }
    std::string XCaption() const {
        std::string last;
        for (const PlotPrimitive& p : wb.formPlot.drawing())
            if (p.kind == Kind::Text && p.group == 0) last = p.text;
        return last;
    }

    testing::FakePlatform platform;
    Workbench wb{platform};
    Model& m = wb.model;
    Display& display = wb.display;
};

// Zooming about a point keeps that point where it is and scales the range; panning moves it;
// a rubber band shows its rectangle (either corner first); Reset brings back the automatic
// ranges, which a zoom never changed; nothing is zoomed before there is a drawing.
TEST_F(PlotViewTest, ZoomPanAndReset) {
    EXPECT_FALSE(ZoomAbout(display, 0, 0, 0.5, 0.5));
    Curve(1, curve::Simulated, 6e-6);
    RenderPlot(display);
    const Frame full = Drawn();
    EXPECT_EQ(full.xmin, -0.3);
    EXPECT_EQ(full.xmax, 0.3);
    EXPECT_EQ(full.ymax, 7e-6);

    ASSERT_TRUE(ZoomAbout(display, 0.1, 2e-6, 0.5, 0.25));
    Frame f = Drawn();
    EXPECT_DOUBLE_EQ(f.xmin, 0.1 + (-0.3 - 0.1) * 0.5);
    EXPECT_DOUBLE_EQ(f.xmax, 0.1 + (0.3 - 0.1) * 0.5);
    EXPECT_DOUBLE_EQ(f.ymin, 2e-6 + (full.ymin - 2e-6) * 0.25);
    EXPECT_DOUBLE_EQ(f.ymax, 2e-6 + (full.ymax - 2e-6) * 0.25);
    EXPECT_EQ(m.PlotXmin, f.xmin);  // the model says what is shown

    ASSERT_TRUE(Pan(display, 0.05, -1e-6));
    const Frame panned = Drawn();
    EXPECT_DOUBLE_EQ(panned.xmin, f.xmin + 0.05);
    EXPECT_DOUBLE_EQ(panned.ymax, f.ymax - 1e-6);

    ASSERT_TRUE(ZoomTo(display, 0.2, 5e-6, -0.1, 1e-6));
    f = Drawn();
    EXPECT_EQ(f.xmin, -0.1);
    EXPECT_EQ(f.xmax, 0.2);
    EXPECT_EQ(f.ymin, 1e-6);
    EXPECT_EQ(f.ymax, 5e-6);

    // A range too narrow for the numbers, or not finite, is refused and changes nothing.
    EXPECT_FALSE(ZoomTo(display, 0.1, 1e-6, 0.1 + 1e-14, 2e-6));
    EXPECT_FALSE(ZoomAbout(display, 0, 0, HUGE_VAL, 1));
    EXPECT_EQ(Drawn().xmin, -0.1);

    ASSERT_TRUE(ResetView(display));
    f = Drawn();
    EXPECT_EQ(f.xmin, full.xmin);
    EXPECT_EQ(f.ymax, full.ymax);
    EXPECT_FALSE(ResetView(display));  // nothing left to reset
}

// Zoomed in, every curve primitive lies inside the frame: nothing is drawn over labels or margins.
TEST_F(PlotViewTest, ZoomedCurvesStayInsideTheFrame) {
    Curve(1, curve::Simulated, 6e-6);
    Curve(2, curve::Measured, -4e-6);
    RenderPlot(display);
    ASSERT_TRUE(ZoomTo(display, -0.05, -2e-6, 0.12, 2.5e-6));
    const Frame f = Drawn();
    int curveParts = 0;
    for (const PlotPrimitive& p : wb.formPlot.drawing()) {
        if (p.color != CurveColor(1) && p.color != CurveColor(2)) continue;
        if (p.kind == Kind::Legend) continue;
        ++curveParts;
        const double cx = p.kind == Kind::Box ? (p.x1 + p.x2) / 2 : p.x1,
                     cy = p.kind == Kind::Box ? (p.y1 + p.y2) / 2 : p.y1;
        EXPECT_GE(cx, f.xmin - 1e-12);
        EXPECT_LE(cx, f.xmax + 1e-12);
        EXPECT_GE(cy, f.ymin - 1e-18);
        EXPECT_LE(cy, f.ymax + 1e-18);
        if (p.kind == Kind::Line) {
            EXPECT_GE(p.x2, f.xmin - 1e-12);
            EXPECT_LE(p.x2, f.xmax + 1e-12);
            EXPECT_GE(p.y2, f.ymin - 1e-18);
            EXPECT_LE(p.y2, f.ymax + 1e-18);
        }
    }
    EXPECT_GT(curveParts, 10);
}

// The typed ranges of the Option dialog, confirmed, are what the plot shows: they end a zoom.
TEST_F(PlotViewTest, TypedRangesSetTheView) {
    Curve(1, curve::Simulated, 6e-6);
    RenderPlot(display);
    ASSERT_TRUE(ZoomAbout(display, 0, 0, 0.1, 0.1));
    FormOption& opt = wb.formOption;
    opt.Xauto.SetChecked(false);
    opt.XminText.Type("-0.2");
    opt.XmaxText.Type("0.25");
    opt.cmdOK.Click();
    const Frame f = Drawn();
    EXPECT_EQ(f.xmin, -0.2);
    EXPECT_EQ(f.xmax, 0.25);
    EXPECT_FALSE(wb.formPlot.view.zoomed);
}

// Each curve in its own colour of the palette; a measured curve as markers, a simulated or fitted
// one as a line; the legend names a measured curve by its file, a fitted one "fit", a simulated one
// by technique and mechanism; a hidden curve leaves the drawing and the legend.
TEST_F(PlotViewTest, LegendAndColoursByKind) {
    Curve(1, curve::Measured, 5e-6, "cv_measured.csv");
    Curve(2, curve::Fitted, 4e-6, "fit");
    Curve(3, curve::Simulated, 3e-6, "CV: A +1e=B");
    m.CurCurve = 1;
    RenderPlot(display);
    std::map<Rgb, std::set<Kind>> drawnAs;
    for (const PlotPrimitive& p : wb.formPlot.drawing())
        if (p.kind != Kind::Legend && p.kind != Kind::Text) drawnAs[p.color].insert(p.kind);
    EXPECT_EQ(drawnAs[CurveColor(1)], (std::set<Kind>{Kind::Box}));
    EXPECT_EQ(drawnAs[CurveColor(2)], (std::set<Kind>{Kind::Line}));
    EXPECT_EQ(drawnAs[CurveColor(3)], (std::set<Kind>{Kind::Line}));
    const std::set<Rgb> colours{CurveColor(1), CurveColor(2), CurveColor(3),
                                CurveColor(4), CurveColor(5), CurveColor(6)};
    EXPECT_EQ(colours.size(), 6u);
    EXPECT_EQ(colours.count(kBlack), 0u);

    const PlotPrimitive* legend = Legend();
    ASSERT_NE(legend, nullptr);
    EXPECT_EQ(legend->entries, (std::vector<LegendEntry>{{"cv_measured.csv", CurveColor(1), 2},
                                                         {"fit", CurveColor(2), 3},
                                                         {"CV: A +1e=B", CurveColor(3), 3}}));

    // A style chosen in the Option dialog still applies to its curve number.
    wb.formOption.linestyle1(0).Select();
    ASSERT_TRUE(ShowCurve(display, 2, false));
    legend = Legend();
    ASSERT_NE(legend, nullptr);
    EXPECT_EQ(legend->entries,
              (std::vector<LegendEntry>{{"cv_measured.csv", CurveColor(1), 1}, {"CV: A +1e=B", CurveColor(3), 3}}));
    for (const PlotPrimitive& p : wb.formPlot.drawing()) EXPECT_NE(p.color, CurveColor(2));
    EXPECT_FALSE(ShowCurve(display, 2, false));
    EXPECT_TRUE(ShowCurve(display, 2, true));
}

// An overlay (a global fit's series) is drawn in place of the store's curves, each curve on its own
// potentials, named and coloured by its pair, hidden and read like any curve, for as long as the
// store holds what it held when the overlay was set; then the plot is the store's again.
TEST_F(PlotViewTest, OverlayShowsEveryCurveUntilTheStoreChanges) {
    Curve(1, curve::Measured, 2e-6, "a.csv");
    Curve(2, curve::Fitted, 2e-6, "fit");
    const char* const kNames[] = {"c1.csv", "c2.csv", "c3.csv", "c4.csv"};
    auto fitOf = [](const std::string& name) {
        std::string text = "fit of ";
        return text.append(name);
    };
    std::vector<OverlayCurve> series;
    for (int pair = 1; pair <= 4; ++pair) {
        // Pair p runs over +-0.1 p V with peaks of p uA, 41 points.
        V x, y;
        for (int k = 0; k <= 40; ++k) {
            x.push_back(0.1 * pair * (1 - k / 20.0));
            y.push_back(1e-6 * pair * std::sin(k / 40.0 * 3.14159));
        }
        const std::string name = kNames[pair - 1];
        series.push_back({name, x, y, pair, true});
        for (double& v : y) v *= 1.01;
        series.push_back({fitOf(name), x, y, pair, false});
    }
    SetOverlay(display, series);
    RenderPlot(display);
    ASSERT_NE(Legend(), nullptr);
    std::vector<LegendEntry> expected;
    for (int pair = 1; pair <= 4; ++pair) {
        const std::string name = kNames[pair - 1];
        expected.push_back({name, CurveColor(pair), 2});
        expected.push_back({fitOf(name), CurveColor(pair), 3});
    }
    EXPECT_EQ(Legend()->entries, expected);
    // The automatic ranges take in the widest curve (0.4 .. -0.4 V, 4 uA).
    EXPECT_LE(Drawn().xmin, -0.4);
    EXPECT_GE(Drawn().xmax, 0.4);
    EXPECT_GE(Drawn().ymax, 4.04e-6);
    EXPECT_EQ(YCaption(), "I /A  1E-6");

    // Nearest to a point of the fourth fit: its name and its own point number.
    const std::optional<NearestPoint> near = FindNearestPoint(display, 0.0, 1.0101e-6 * 4, 1000, 1e8, 10);
    ASSERT_TRUE(near);
    EXPECT_EQ(near->column, 8);
    EXPECT_EQ(near->point, 21);
    EXPECT_EQ(PointReadout(display, *near), "fit of c4.csv, point 21: E = 0.0000 V, I = 4.040E-06 A");

    // Hidden like a store column, by its number on the plot.
    ASSERT_TRUE(ShowCurve(display, 7, false));
    EXPECT_EQ(Legend()->entries.size(), 7u);
    EXPECT_EQ(Legend()->entries[6].text, "fit of c4.csv");
    EXPECT_FALSE(ShowCurve(display, 9, false));

    // A change of the store ends it: the store's two curves again.
    m.Yplot(5, 2) *= 2;
    RenderPlot(display);
    ASSERT_NE(Legend(), nullptr);
    EXPECT_EQ(Legend()->entries.size(), 2u);
    EXPECT_EQ(Legend()->entries[0].text, "a.csv");
    EXPECT_FALSE(FindNearestPoint(display, 0.0, 1.0101e-6 * 4, 1000, 1e8, 10));
}

// The legend goes into the corner of the frame that the data leave free: a curve rising to the
// right (as it appears; X runs from + to -) leaves the top left free.
TEST_F(PlotViewTest, LegendTakesTheFreeCorner) {
    Curve(1, curve::Simulated, 6.9e-6);
    RenderPlot(display);
    ASSERT_NE(Legend(), nullptr);
    EXPECT_EQ(Legend()->corner, LegendCorner::TopLeft);
    wb.formOption.CheckXdir.SetChecked(false);  // now it rises to the left
    RenderPlot(display);
    EXPECT_EQ(Legend()->corner, LegendCorner::TopRight);
}

// The captions say what is plotted: the current, its derivatives and integrals of any order, the
// unit after a factor of 1000 (A to mA, V to mV), the sign after -Y, a plain factor otherwise;
// the quantities of the Option dialog keep their own captions.
TEST(PlotLabels, CaptionsFollowTheQuantity) {
    Model m;
    const struct {
        int order;
        double factor;
        const char* caption;
    } cases[] = {
        {0, 1, "I /A"},
        {2, 1, "dI/dE /(A/V)"},
        {4, 1, "d²I/dE² /(A/V²)"},
        {1, 1, "d½I/dE½ /(A/V½)"},
        {-2, 1, "∫I dE /(A·V)"},
        {-1, 1, "∫½I dE½ /(A·V½)"},
        {0, 1000, "I /mA"},
        {0, 1e6 * (1 + 1e-15), "I /µA"},
        {0, -1, "-I /A"},
        {0, 10, "10·I /A"},
        {2, -1000, "-dI/dE /(mA/V)"},
    };
    for (const auto& c : cases) {
        m.CurveLabels(2) = {"", c.order, c.factor};
        EXPECT_EQ(CurveQuantity(m, "current I", 2).caption, c.caption) << c.order << " " << c.factor;
    }
    EXPECT_EQ(CurveQuantity(m, "surface concentration C", 2).caption, "C /M");
    EXPECT_EQ(CurveQuantity(m, "resistance R", 2).caption, "R /Ohm");
    EXPECT_EQ(CurveQuantity(m, "conductance Cond", 2).caption, "Cond *Ohm");
    EXPECT_EQ(CurveQuantity(m, "something else", 2).caption, "");
    for (const auto& [factor, caption] : std::vector<std::pair<double, std::string>>{
             {1, "E /V"}, {1000, "E /mV"}, {1e-3, "E /kV"}, {0.1, "0.1·E /V"}, {-1000, "-E /mV"}}) {
        m.XFactor = factor;
        EXPECT_EQ(XQuantity(m).caption, caption);
    }
}

// Through the menus: Differentiate and Integrate name the new quantity on the Y axis (the
// integral of the derivative is the current again), 1000Y and 1000X change the units, and a curve
// whose quantity differs from the axis' says its own in the legend; a new simulation is a plain
// current in volts again.
TEST_F(PlotViewTest, CommandsChangeTheCaptions) {
    ASSERT_TRUE(wb.RunCommand("mnuSimulate"));
    EXPECT_EQ(YCaption(), "I /A  1E-5");
    EXPECT_EQ(Legend()->entries.at(0).text, "LSV: Fe3+ +1e=Fe2+");
    ASSERT_TRUE(wb.RunCommand("mnuDerivative"));
    EXPECT_EQ(YCaption().substr(0, 13), "dI/dE /(A/V) ");
    ASSERT_TRUE(wb.RunCommand("mnuIntegral"));
    EXPECT_EQ(YCaption().substr(0, 5), "I /A ");
    ASSERT_TRUE(wb.RunCommand("mnu1000Y"));
    EXPECT_EQ(YCaption().substr(0, 6), "I /mA ");
    ASSERT_TRUE(wb.RunCommand("mnu1000X"));
    EXPECT_EQ(XCaption(), "E /mV");
    wb.Click(wb.formOption.overlap);
    ASSERT_TRUE(wb.RunCommand("mnuSimulate"));
    EXPECT_EQ(YCaption(), "I /A  1E-2");  // the axis follows the new current curve
    EXPECT_EQ(XCaption(), "E /V");
    ASSERT_EQ(Legend()->entries.size(), 2u);
    EXPECT_EQ(Legend()->entries[0].text, "LSV: Fe3+ +1e=Fe2+ (I /mA)");
    EXPECT_EQ(Legend()->entries[1].text, "LSV: Fe3+ +1e=Fe2+");
}

// The plot window's caption names an imported file while its curve is there: a simulation beside
// it (overlap) keeps the name, one that replaces it gives the window its own caption back.
TEST_F(PlotViewTest, CaptionNamesTheFileWhileItsCurveIsThere) {
    platform.fileAnswers.push_back(testing::DataPath("files/default_sweep.csv"));
    ASSERT_TRUE(wb.RunCommand("mnuImport"));
    const std::string file = wb.formPlot.caption;
    EXPECT_TRUE(file.ends_with("default_sweep.csv")) << file;
    wb.Click(wb.formOption.overlap);
    ASSERT_TRUE(wb.RunCommand("mnuSimulate"));
    EXPECT_EQ(wb.formPlot.caption, file);
    wb.Click(wb.formOption.overlap);
    ASSERT_TRUE(wb.RunCommand("mnuSimulate"));
    EXPECT_EQ(wb.formPlot.caption, "Plot");
    EXPECT_TRUE(platform.messages.empty()) << platform.messages.front();
}

}  // namespace
}  // namespace talvex
