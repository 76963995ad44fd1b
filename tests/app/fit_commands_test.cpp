#include "app/fit_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/workbench.h"
#include "core/codes.h"
#include "core/constants.h"
#include "core/text_number.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "plot/form_option.h"
#include "plot/form_plot.h"
#include "plot/plot_labels.h"
#include "support/fake_platform.h"
#include "support/golden.h"
#include "support/model_values.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using testing::Near;

// The program as a user drives it: tests/data/fitting/measured_sweep.csv is a closed-form linear
// sweep of the default couple that Talvex made at E0 = 0.08 V and D(A) = 1.5e-5 cm2/s with noise 2
// (0.5 % of the peak), exported with Export Data.
class FitCommandsTest : public ::testing::Test {
  protected:
    FitCommandsTest() { platform.times = {100.0f, 100.5f}; }

    void Import(const std::string& file = "fitting/measured_sweep.csv") {
        platform.fileAnswers.push_back(testing::DataPath(file));
        ASSERT_TRUE(wb.RunCommand("mnuImport"));
        ASSERT_TRUE(platform.messages.empty()) << platform.messages.front();
    }
    void Analytical() { wb.Click(wb.formMech.CheckDigital); }
    void Type(TextBox& box, const std::string& text) { ASSERT_TRUE(wb.Type(box, text)); }
    void Tick(int index, const std::string& lower, const std::string& upper) {
        wb.Click(wb.formExpr.CheckFitted(index));
        Type(wb.formExpr.TextCmin(index), lower);
        Type(wb.formExpr.TextCmax(index), upper);
    }
    // E0(1) alone free in -0.2..0.2 V, from `e0`, with the D(A) that made the data.
    void FreeE0From(const std::string& e0) {
        Type(wb.formExpr.Eze(1), e0);
        Type(wb.formExpr.D(1), "1.5e-5");
        Tick(fit::E0 + 1, "-0.2", "0.2");
    }
    std::vector<double> Curve(int column) const { return testing::Curve(wb.model, column); }
    // The result window after the import's lines, the captions of the fit boxes that have one and
    // the messages: what the user reads after the fit.
    std::string Transcript() const {
        std::ostringstream out;
        out << testing::ResultText(wb.formResult) << "--- captions\n";
        for (int i = 1; i <= fit::kCount; ++i) {
            const CheckBox& box = wb.formExpr.CheckFitted(i);
            if (!box.caption.get().empty()) out << "CheckFitted(" << i << ") = " << box.caption.get() << "\n";
        }
        out << "--- messages\n";
        for (const std::string& m : platform.messages) out << m << "\n";
        return out.str();
    }

    testing::FakePlatform platform;
    Workbench wb{platform};
};

// E0 and D(A) of the closed-form data fitted with the digital simulation (the default), D from a
// factor 2 away and E0 from 0.1 V, above its upper bound: the fit starts from 0.09 V, the report
// shows 0.1. The report is compared line by line: the iterations, the labels and zones, the
// standard errors.
TEST_F(FitCommandsTest, AutoFitReport) {
    Import();
    Type(wb.formExpr.Eze(1), "0.1");
    Type(wb.formExpr.D(1), "3e-5");
    Tick(fit::E0 + 1, "-0.2", "0.09");
    Tick(fit::D + 1, "1e-6", "1e-4");
    ASSERT_TRUE(wb.RunCommand("mnuAutoFit"));
    EXPECT_TRUE(testing::MatchesGolden("fitting/auto_fit_report.txt", Transcript()));
    // Noise of 0.5 % of the peak, the other way of computing, and the baseline the import proposed
    // (the first current, 0.6 % of the peak): E0 within 2 mV (found: 1.4 mV) and D within 5 % of
    // the values that made the data.
    EXPECT_TRUE(Near(wb.model.E0(1), 0.08, 0, 2e-3));
    EXPECT_TRUE(Near(wb.model.D(1), 1.5e-5, 0.05));
}

// Nothing ticked: one message that says what to do, and nothing runs (no simulation, no report,
// the curves and the pointer as they were).
TEST_F(FitCommandsTest, NothingTickedRunsNothing) {
    Import();
    const std::vector<std::string> lines = wb.formResult.lines();
    const std::vector<double> measured = Curve(1);
    platform.pointers.clear();
    ASSERT_TRUE(wb.RunCommand("mnuAutoFit"));
    EXPECT_EQ(platform.messages, std::vector<std::string>{kNothingToFit});
    EXPECT_EQ(wb.formResult.lines(), lines);
    EXPECT_TRUE(platform.pointers.empty());
    EXPECT_EQ(wb.model.NCurves, 1);
    EXPECT_EQ(Curve(1), measured);
}

// E0 of a second reaction is ticked, but mechanism 1 has no second reaction: its row is hidden and
// only E0(1) is fitted; the hidden box keeps its caption.
TEST_F(FitCommandsTest, HiddenBoxIsNotFitted) {
    Import();
    wb.formExpr.CheckFitted(fit::E0 + 2).SetChecked(true);
    FreeE0From("0.1");
    ASSERT_TRUE(wb.RunCommand("mnuAutoFit"));
    EXPECT_FALSE(wb.formExpr.CheckFitted(fit::E0 + 2).visible);
    EXPECT_TRUE(testing::MatchesGolden("fitting/hidden_box.txt", Transcript()));
}

// The order of Auto Fit as a user sees it: hourglass then default pointer, curve 1 (measured)
// untouched, curve 2 the fit, fitting mode over, run time recorded.
TEST_F(FitCommandsTest, AutoFitKeepsTheMeasuredCurveAndDrawsTheFit) {
    Analytical();
    Import();
    const std::vector<double> measured = Curve(1);
    FreeE0From("0.1");
    platform.pointers.clear();
    ASSERT_TRUE(wb.RunCommand("mnuAutoFit"));
    EXPECT_EQ(platform.pointers, (std::vector<int>{kPointerHourglass, kPointerDefault}));
    EXPECT_FALSE(wb.formOption.overlap.checked());
    EXPECT_FALSE(wb.model.Fitting);
    EXPECT_EQ(wb.model.NCurves, 2);
    EXPECT_EQ(Curve(1), measured);
    EXPECT_EQ(wb.model.CurveKind(1), curve::Measured);
    EXPECT_EQ(wb.model.CurveKind(2), curve::Fitted);
    const std::string caption = wb.formExpr.CheckFitted(fit::E0 + 1).caption.get();
    EXPECT_EQ(caption.substr(0, 3), "8.0") << caption;  // 0.08 V to 1 mV in the "0.###e-#" pattern
    EXPECT_EQ(caption.substr(5), "e-2") << caption;
    EXPECT_FLOAT_EQ(wb.model.RunTime, 0.5f);
    EXPECT_TRUE(wb.formResult.visible());
    EXPECT_TRUE(wb.formPlot.visible);
}

// With overlap on, a measured curve imported beside an earlier simulation (it lands in curve 2) is
// the one fitted, and stays bit for bit: the fit's curve is added as curve 3, and the next fit and a
// Manual Fit replace it rather than adding more or writing over the data. Before, the fit took the
// simulation in curve 1 for the data, wrote over the imported curve and reported a near-perfect fit.
TEST_F(FitCommandsTest, WithOverlapTheImportedCurveIsFittedAndNeverWrittenOver) {
    Analytical();
    wb.Click(wb.formOption.overlap);
    ASSERT_TRUE(wb.RunCommand("mnuSimulate"));
    Import();
    ASSERT_EQ(wb.model.CurCurve, 2);
    const std::vector<double> simulated = Curve(1), measured = Curve(2);
    Type(wb.formIns.TxtI0, "0");
    FreeE0From("0.1");
    for (const char* command : {"mnuAutoFit", "mnuAutoFit", "mnuManualFit"}) {
        ASSERT_TRUE(wb.RunCommand(command));
        ASSERT_TRUE(platform.messages.empty()) << platform.messages.front();
        EXPECT_TRUE(wb.formOption.overlap.checked());
        EXPECT_EQ(wb.model.NCurves, 3) << command;
        EXPECT_EQ(wb.model.CurCurve, 3) << command;
        EXPECT_EQ(Curve(2), measured) << command;
        EXPECT_EQ(Curve(1), simulated) << command;
        EXPECT_EQ(wb.model.CurveKind(2), curve::Measured);
        EXPECT_EQ(wb.model.CurveKind(3), curve::Fitted);
        if (std::string(command) == "mnuAutoFit") {
            EXPECT_TRUE(Near(wb.model.E0(1), 0.08, 0, 1e-3));
        }
    }
    // Manual Fit reports how far its curve is from the data, in Auto Fit's own measure.
    double ssq = 0;
    for (int k = 1; k <= wb.model.NData; ++k) ssq += std::pow(wb.model.Yplot(k, 3) - wb.model.Yplot(k, 2), 2);
    const std::string last = wb.formResult.lines().back();
    EXPECT_EQ(last.rfind("Least square = ", 0), 0u) << last;
    EXPECT_TRUE(Near(StrictNumber(last.substr(15)), ssq, 1e-14)) << last;
    // Simulations with overlap on take the next columns; with all five full, the last curve that is
    // not measured is replaced instead of starting over at curve 1 (a measured one in the last column
    // stays).
    for (int run = 0; run < 4; ++run) ASSERT_TRUE(wb.RunCommand("mnuSimulate"));
    EXPECT_EQ(wb.model.NCurves, 5);
    EXPECT_EQ(wb.model.CurCurve, 5);
    EXPECT_EQ(Curve(2), measured);
    wb.model.CurveKind(5) = curve::Measured;
    const std::vector<double> fifth = Curve(5);
    ASSERT_TRUE(wb.RunCommand("mnuSimulate"));
    EXPECT_EQ(wb.model.CurCurve, 4);
    EXPECT_EQ(Curve(5), fifth);
}

// A global fit of four scan rates draws every measured curve with its fit, each pair in its own
// colour, though the store holds two pairs; the next simulation draws the store again, and Undo of
// it brings the series' plot back.
TEST_F(FitCommandsTest, GlobalFitDrawsEveryCurveWithItsFit) {
    wb.Click(wb.formOption.overlap);
    wb.Choose(wb.formIns.ComboScan, "cycle");
    const char* const rates[] = {"10", "100", "1000", "10000"};
    for (const char* rate : rates) {
        Type(wb.formIns.V, std::to_string(std::atof(rate) / 1000));
        Import(std::string("../../examples/global_fit_") + rate + ".csv");
    }
    Type(wb.formExpr.Eze(1), "0.125");
    Type(wb.formExpr.ks(1), "0.05");
    Tick(fit::E0 + 1, "-0.2", "0.4");
    ASSERT_TRUE(wb.RunCommand("mnuGlobalFit"));
    ASSERT_TRUE(platform.messages.empty()) << platform.messages.front();
    EXPECT_TRUE(Near(wb.model.E0(1), 0.12, 0, 1e-3));
    EXPECT_EQ(wb.model.NCurves, 4);

    auto legend = [&] {
        std::vector<LegendEntry> entries;
        for (const PlotPrimitive& p : wb.formPlot.drawing())
            if (p.kind == PlotPrimitive::Kind::Legend) entries = p.entries;
        return entries;
    };
    std::vector<LegendEntry> series;
    for (int pair = 1; pair <= 4; ++pair) {
        std::string file = "global_fit_";
        file.append(rates[pair - 1]).append(".csv");
        series.push_back({file, CurveColor(pair), 2});
        series.push_back({std::string("fit of ").append(file), CurveColor(pair), 3});
    }
    EXPECT_EQ(legend(), series);
    // The fastest scan's fit is drawn: lines in the fourth colour reach its largest current.
    double highest = 0;
    for (const PlotPrimitive& p : wb.formPlot.drawing())
        if (p.kind == PlotPrimitive::Kind::Line && p.color == CurveColor(4)) highest = std::max({highest, p.y1, p.y2});
    const std::vector<double>& fastest = wb.measured.records[3].current;
    EXPECT_TRUE(Near(highest, *std::max_element(fastest.begin(), fastest.end()), 0.02));

    ASSERT_TRUE(wb.RunCommand("mnuSimulate"));
    EXPECT_EQ(legend().size(), 5u);
    ASSERT_TRUE(wb.Undo());
    EXPECT_EQ(legend(), series);
}

// Use Fitted Values types the fitted values (and a fitted baseline) into their fields: Simulate
// then draws the fitted curve again (to rounding: the fields hold 15 digits).
TEST_F(FitCommandsTest, UseFittedValuesMakesSimulateReproduceTheFit) {
    Analytical();
    ASSERT_TRUE(wb.RunCommand("mnuUseFitted"));
    EXPECT_EQ(platform.messages, std::vector<std::string>{"There are no fitted values yet: run Auto Fit first."});
    platform.messages.clear();
    Import();
    FreeE0From("0.1");
    Tick(fit::D + 1, "1e-6", "1e-4");
    wb.Click(wb.formIns.CheckFitBaseline);
    ASSERT_TRUE(wb.RunCommand("mnuAutoFit"));
    const std::vector<double> fitted = Curve(2);
    ASSERT_TRUE(wb.RunCommand("mnuUseFitted"));
    EXPECT_TRUE(Near(StrictNumber(wb.formExpr.Eze(1).text()), wb.model.E0(1), 1e-14));
    EXPECT_TRUE(Near(StrictNumber(wb.formIns.TxtI1.text()), wb.model.BackgroundI1, 1e-14));
    EXPECT_NE(wb.model.BackgroundI1, 0.0);
    ASSERT_TRUE(wb.RunCommand("mnuSimulate"));
    ASSERT_TRUE(platform.messages.empty()) << platform.messages.front();
    const std::vector<double> again = Curve(1);
    ASSERT_EQ(again.size(), fitted.size());
    for (std::size_t k = 0; k < fitted.size(); ++k) EXPECT_TRUE(Near(again[k], fitted[k], 1e-9, 1e-15)) << k;
}

// Manual Fit is enabled by a data set; it simulates once at the measured potentials (the
// Instrument dialog's range is not rebuilt) into curve 2, without the noise the dialog asks for.
TEST_F(FitCommandsTest, ManualFitSimulatesAtTheMeasuredPotentials) {
    Analytical();
    EXPECT_FALSE(wb.RunCommand("mnuManualFit"));
    Import();
    const std::vector<double> measured = Curve(1);
    Type(wb.formIns.TxtI0, "0");  // the data have no baseline; the import proposed their first current
    Type(wb.formIns.Eend, "-0.5");
    Type(wb.formIns.Noise, "5");
    Type(wb.formExpr.Eze(1), "0.08");
    Type(wb.formExpr.D(1), "1.5e-5");
    ASSERT_TRUE(wb.RunCommand("mnuManualFit"));
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_FALSE(wb.model.Fitting);
    EXPECT_EQ(wb.model.NData, 121);
    EXPECT_EQ(wb.model.Xdata(121), -0.3);
    EXPECT_EQ(wb.model.NCurves, 2);
    EXPECT_EQ(Curve(1), measured);
    // The data carry noise of 0.5 % of the peak (4.3e-7 A); the simulation at the values that made
    // them stays within 4 standard deviations of every point.
    for (int k = 1; k <= 121; ++k)
        EXPECT_TRUE(Near(wb.model.Yplot(k, 2), wb.model.Yplot(k, 1), 0, 1.7e-6)) << "point " << k;
}

// Auto Fit before any data: said plainly, and fitting mode is over.
TEST_F(FitCommandsTest, AutoFitWithoutDataSaysSo) {
    Tick(fit::E0 + 1, "-0.2", "0.2");
    ASSERT_TRUE(wb.RunCommand("mnuAutoFit"));
    EXPECT_EQ(platform.messages, std::vector<std::string>{"Fit Error: No measured curve to fit: import one first"});
    EXPECT_FALSE(wb.model.Fitting);
}

// A refused entry stops both fits before anything runs: one message, the curves as they were.
TEST_F(FitCommandsTest, RefusedEntryStopsTheFitsBeforeTheyRun) {
    Import();
    Tick(13, "-0.2", "0.3");
    const std::vector<double> before = {wb.model.Yplot(10, 1), wb.model.Yplot(10, 2)};
    for (const char* command : {"mnuAutoFit", "mnuManualFit"}) {
        // (A refusal shows the value kept in the field again.)
        Type(wb.formExpr.D(1), "0");
        platform.messages.clear();
        ASSERT_TRUE(wb.RunCommand(command));
        ASSERT_EQ(platform.messages.size(), 1u) << command;
        EXPECT_NE(platform.messages[0].find("D"), std::string::npos) << platform.messages[0];
        EXPECT_EQ((std::vector<double>{wb.model.Yplot(10, 1), wb.model.Yplot(10, 2)}), before) << command;
        EXPECT_EQ(wb.model.NCurves, 1) << command;
        EXPECT_FALSE(wb.model.Fitting);
    }
}

// Two electron transfers (mechanism 2, closed form) with charging current and a background line:
// after Manual Separate curves 3 and 4 hold the two reactions' currents, and curve 2 is their sum
// plus the charging current (Cdl A v, sign of the sweep direction) and the background line
// (I0 + (I1 - I0)(E - Estart)/(Evertex - Estart)), computed here independently. A second run gives
// the same curves.
TEST_F(FitCommandsTest, SeparationOfTwoElectronTransfers) {
    Analytical();
    wb.Click(wb.formMech.mech(2));
    wb.Choose(wb.formIns.ComboScan, "cycle");
    Type(wb.formIns.Cdl, "2e-5");
    Type(wb.formIns.TxtI0, "1e-6");
    Type(wb.formIns.TxtI1, "3e-6");
    ASSERT_TRUE(wb.RunCommand("mnuSimulate"));
    ASSERT_TRUE(wb.RunCommand("mnuManualSeparate"));
    ASSERT_TRUE(platform.messages.empty()) << platform.messages.front();
    const Model& m = wb.model;
    ASSERT_EQ(m.NCurves, 4);
    const std::vector<double> first3 = Curve(3), first4 = Curve(4);
    const int points = m.NData;
    const int perSweep = points / 2;
    const double charging = 2e-5 * 1 * 0.01;
    double largest = 0;
    for (int k = 1; k <= points; ++k) largest = std::max(largest, std::fabs(m.Yplot(k, 3)));
    for (int k = 1; k <= points; ++k) {
        const double sweepSign = k <= perSweep ? -1 : 1;  // the forward sweep runs down
        const double background = 1e-6 + 2e-6 * (m.Xdata(k) - 0.3) / (m.Xdata(perSweep) - 0.3);
        const double expected = m.Yplot(k, 3) + m.Yplot(k, 4) - sweepSign * charging + background;
        ASSERT_TRUE(Near(m.Yplot(k, 2), expected, 1e-12, 1e-12 * largest)) << "point " << k;
    }
    EXPECT_GT(largest, 1e-5);  // the components are currents, not zeros
    ASSERT_TRUE(wb.RunCommand("mnuManualSeparate"));
    EXPECT_EQ(m.NCurves, 4);
    EXPECT_EQ(Curve(3), first3);
    EXPECT_EQ(Curve(4), first4);
}

// Auto Separate: the fit's own report, then one component per reaction of the fitted model.
TEST_F(FitCommandsTest, AutoSeparateFitsThenSeparates) {
    Analytical();
    Import();
    Type(wb.formIns.TxtI0, "0");
    FreeE0From("0.1");
    ASSERT_TRUE(wb.RunCommand("mnuAutoSeparate"));
    EXPECT_EQ(wb.model.NCurves, 3);
    EXPECT_TRUE(Near(wb.model.E0(1), 0.08, 0, 1e-3));
    // Without charging current or baseline the single reaction's current is the fitted curve.
    for (int k = 1; k <= wb.model.NData; ++k) ASSERT_EQ(wb.model.Yplot(k, 3), wb.model.Yplot(k, 2)) << k;
}

}  // namespace
}  // namespace talvex
