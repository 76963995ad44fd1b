#include "simulation/simulation_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "dialogs/form_tech.h"
#include "plot/form_option.h"
#include "simulation/corrections.h"
#include "simulation/simulate_command.h"
#include "support/simulation_fixture.h"

namespace talvex {
namespace {

using testing::Near;
using Messages = std::vector<std::string>;

class DriverTest : public testing::SimulationTest {
protected:
    std::vector<double> Curve() {  // runs; the current curve from index 1
        RunSimulation(wb);
        EXPECT_TRUE(platform.messages.empty());
        std::vector<double> y(static_cast<std::size_t>(m.NData) + 1);
        for (int i = 1; i <= m.NData; ++i) y[static_cast<std::size_t>(i)] = I(i);
        return y;
    }
};

// round(|Eend - Estart| / Estep) + 1 points per sweep, halves to even; equal potentials sweep
// downward with one point; a cycle returns along the same staircase with the vertex twice.
TEST_F(DriverTest, PotentialStaircase) {
    struct Case { double end, step, cycles, vertex; int perSweep, nData, dir; };
    const Case cases[] = {
        {-0.3, 0.005, 0.5, -0.3, 61, 61, -1},
        {-0.3, 0.005, 1, -0.3, 61, 122, -1},
        {-0.3, 0.005, 2, -0.3, 61, 244, -1},
        {-0.625, 0.25, 0.5, -0.5, 3, 3, -1},  // 2.5 steps
        {-0.875, 0.25, 0.5, -1.0, 5, 5, -1},  // 3.5 steps
        {0, 0.25, 0.5, 0, 1, 1, -1},
        {0.5, 0.1, 0.5, 0.5, 6, 6, 1},
    };
    for (const Case& c : cases) {
        m.Estart = 0, m.Eend = c.end, m.Estep = c.step, m.ScanCycles = c.cycles;
        RunSimulation(wb);
        EXPECT_EQ(m.PointsPerSweep, c.perSweep) << c.end;
        EXPECT_EQ(m.NData, c.nData) << c.end;
        EXPECT_EQ(m.ScanDir, c.dir) << c.end;
        EXPECT_NEAR(m.Xdata(c.perSweep), c.vertex, 1e-15) << c.end;
        if (c.cycles < 1) continue;
        EXPECT_EQ(m.Xdata(c.perSweep + 1), m.Xdata(c.perSweep));
        EXPECT_EQ(m.Xdata(2 * c.perSweep), 0.0);
        for (int i = 2 * c.perSweep + 1; i <= c.nData; ++i) ASSERT_EQ(m.Xdata(i), m.Xdata(i - 2 * c.perSweep));
    }
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(DriverTest, MoreThan4000PointsIsRejectedBeforeAnythingIsOverwritten) {
    m.ScanCycles = 1;
    RunSimulation(wb);
    const double x200 = m.Xdata(200), y10 = I(10);
    m.ScanCycles = 2;
    m.Estep = 0.6 / 1000;  // 1001 points per sweep, 4004 in two cycles
    RunSimulation(wb);
    EXPECT_EQ(platform.messages, Messages{"Analytical simulation Error: Subscript out of range! "
                                          "Please try again by other initial values."});
    EXPECT_EQ(m.NData, 242);
    EXPECT_EQ(m.ILast, 242);
    EXPECT_EQ(m.Xdata(200), x200);
    EXPECT_EQ(I(10), y10);
    platform.messages.clear();
    m.Estep = 0.6 / 999;  // exactly 4000 points is allowed
    RunSimulation(wb);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(m.NData, 4000);
}

// With overlap each run takes the next of five curves, then starts again; without, curve 1.
TEST_F(DriverTest, OverlapFillsFiveCurvesThenStartsAgain) {
    const int expected[] = {1, 2, 3, 4, 5, 1, 2, 1};
    for (int run = 0; run < 8; ++run) {
        wb.formOption.overlap.SetChecked(run < 7);
        RunSimulation(wb);
        EXPECT_EQ(m.CurCurve, expected[run]) << run;
        EXPECT_EQ(m.NCurves, expected[run]) << run;
        EXPECT_EQ(m.NCurvesSaved, expected[run]) << run;
    }
}

// Fitting simulates into curve 2 (overlap or not) on the measured potentials and leaves the
// measured curve 1 alone; a failure half-way through the post-processing, which borrows CurCurve
// to name the store columns, leaves CurCurve on curve 2.
TEST_F(DriverTest, FittingKeepsTheMeasuredCurve) {
    RunSimulation(wb);
    const double measured = I(20);
    m.Xdata(5) = 0.2777;  // a measured axis is not a staircase
    m.Fitting = true;
    for (bool overlap : {false, true}) {
        wb.formOption.overlap.SetChecked(overlap);
        RunSimulation(wb);
        EXPECT_EQ(m.CurCurve, 2);
        EXPECT_EQ(m.NCurves, 2);
        EXPECT_EQ(m.NCurvesSaved, 2);
    }
    EXPECT_EQ(m.Xdata(5), 0.2777);
    EXPECT_EQ(m.NData, 121);
    EXPECT_EQ(m.PointsPerSweep, 60.5);
    EXPECT_EQ(m.Yplot(20, 1), measured);
    EXPECT_NE(m.Yplot(20, 2), 0.0);
    m.Xdata(2) = m.Xdata(1);  // no point spacing: the semi-differentiation fails
    RunSimulation(wb);
    EXPECT_EQ(platform.messages, Messages{testing::RunFailure("Division by zero")});
    EXPECT_EQ(m.CurCurve, 2);
}

// Ru times the previous current shifts the potential, a quarter of it in a linear sweep: the share
// follows Technique, the kernel CaseCode (11 here).
TEST_F(DriverTest, LinearSweepAppliesAQuarterOfTheOhmicDrop) {
    m.Ru = 400;
    const auto sweep = Curve();
    m.Technique = 2, m.Ru = 100;
    EXPECT_EQ(Curve(), sweep);
    m.Ru = 0;
    EXPECT_GT(std::fabs(Curve()[50] - sweep[50]), 1e-3 * std::fabs(sweep[50]));
}

// Without charge-transfer reactions the curve holds only the corrections. A cathodic sweep charges
// the double layer positively (Cdl A v; reduction current is positive), the sign flipping at each
// reversal; pulse techniques on a single sweep charge in proportion to the distance travelled;
// a Cdl that is not positive adds nothing.
TEST_F(DriverTest, ChargingCurrentFollowsTheSweepDirection) {
    m.NCharge = 0, m.Cdl = 2e-5;
    const double Ich = 2e-5 * 1 * 0.01;
    m.ScanCycles = 2;
    auto y = Curve();
    for (std::size_t segment = 0; segment < 4; ++segment)
        for (std::size_t i : {1, 121}) EXPECT_EQ(y[segment * 121 + i], segment % 2 == 0 ? Ich : -Ich) << segment;
    m.ScanCycles = 0.5;
    EXPECT_EQ(Curve()[121], Ich);
    m.ScanCycles = 1, m.Estart = -0.3, m.Eend = 0.3;
    y = Curve();  // anodic first
    EXPECT_EQ(y[1], -Ich);
    EXPECT_EQ(y[122], Ich);
    m.Technique = 3, m.ScanCycles = 0.5;
    y = Curve();
    EXPECT_EQ(y[1], 0.0);
    EXPECT_TRUE(Near(y[121], Ich * (-0.3 - 0.3), 1e-12));
    m.Cdl = -1;
    EXPECT_EQ(Curve()[121], 0.0);
}

// The background runs from I0 at the start potential to I1 at the vertex and back along the same
// line, its texts read leniently. One point per sweep gives the line no length (0/0): skipped when
// both ends are 0, an error otherwise.
TEST_F(DriverTest, BackgroundLineRunsFromI0ToI1) {
    m.NCharge = 0, m.ScanCycles = 1;
    wb.formIns.TxtI0.SetText("1e-6 A");
    wb.formIns.TxtI1.SetText("");
    const auto y = Curve();
    EXPECT_EQ(y[1], 1e-6);
    EXPECT_TRUE(Near(y[61], 0.5e-6, 1e-12));
    EXPECT_TRUE(Near(y[121], 0, 0, 1e-20));
    EXPECT_TRUE(Near(y[182], 0.5e-6, 1e-12));
    EXPECT_EQ(y[242], 1e-6);
    m.Eend = m.Estart.value();
    RunSimulation(wb);
    EXPECT_EQ(platform.messages, Messages{testing::RunFailure("Overflow")});
    platform.messages.clear();
    wb.formIns.TxtI0.SetText("0");
    Curve();
}

// The first draw for 61 points: r1 = 122 * 24298 + 99991 = 3064347, r = 79093; the normal values
// follow the independent implementation's draws to rounding (1e-9).
TEST(NoiseSource, ReproducesTheReferenceDraws) {
    EXPECT_EQ(NoiseSource(61).Draw(), 79093.0);
    NoiseSource noise(61);
    const auto ref = testing::ReadCsv(testing::DataPath("reference/noise_z_ndata61.csv"));
    ASSERT_EQ(ref.rows(), 61u);
    for (std::size_t k = 0; k < 61; ++k) ASSERT_TRUE(Near(noise.Next(), ref["z"][k], 1e-9, 1e-12)) << k;
}

// Noise = 0.0025 * Noise * (the noise-free extreme of larger magnitude, with its sign) * z, the
// same on every run of as many points, never while fitting. It is about 1 % of the curve, so
// noisy - clean keeps 12 digits; 1e-6 is ample.
TEST_F(DriverTest, NoiseIsReproducibleAndScaledByTheDominantExtreme) {
    m.Estart = 0;  // 61 points
    const auto clean = Curve();
    m.Noise = 4;
    const auto noisy = Curve();
    EXPECT_EQ(m.PlotYmax, *std::max_element(clean.begin(), clean.end()));
    EXPECT_EQ(m.PlotYmin, 0.0);
    const auto z = testing::ReadCsv(testing::DataPath("reference/noise_z_ndata61.csv"))["z"];
    for (std::size_t i = 1; i <= 61; ++i)
        ASSERT_TRUE(Near(noisy[i] - clean[i], 0.0025 * 4 * m.PlotYmax * z[i - 1], 1e-6, 1e-20)) << i;
    EXPECT_EQ(Curve(), noisy);
    m.E0(1) = -0.5, m.C(1) = 0, m.C(2) = 1e-3, m.Noise = 0;  // oxidation only: a negative extreme
    const auto anodicClean = Curve();
    m.Noise = 4;
    EXPECT_TRUE(Near(Curve()[1] - anodicClean[1], 0.0025 * 4 * m.PlotYmin * z[0], 1e-6));
    EXPECT_LT(m.PlotYmin, 0.0);
    m.Fitting = true;
    RunSimulation(wb);
    for (int i = 1; i <= 61; ++i) ASSERT_EQ(m.Yplot(i, 2), anodicClean[static_cast<std::size_t>(i)]);
}

class SimulateTest : public ::testing::Test {  // the untouched dialogs
protected:
    testing::FakePlatform platform;
    Workbench wb{platform};
};

// Technique and electrode reach the dispatch key through the dialogs; the hourglass shows while
// the command runs; the clock restarts at midnight, so 23:59:59 to 00:00:01 took two seconds.
TEST_F(SimulateTest, ShowsTheHourglassAndRecordsTheRunTime) {
    wb.formMech.CheckDigital.Click();
    wb.formTech.optTech(2).Click();
    wb.formIns.optElectrode(4).Click();
    platform.times = {100.5f, 103.25f};
    Simulate(wb);
    EXPECT_EQ(wb.model.CaseCode, 24);
    EXPECT_EQ(wb.model.Technique, 2);
    EXPECT_EQ(platform.pointers, (std::vector<int>{11, 0}));
    EXPECT_EQ(wb.model.RunTime, 2.75f);
    platform.times = {86399.0f, 1.0f};
    Simulate(wb);
    EXPECT_EQ(wb.model.RunTime, 2.0f);
}

// The chain on the untouched dialogs with only "Digital simulation" cleared: linear sweep at 1 cm2,
// 0.3 -> -0.3 V in 5 mV steps at 10 mV/s, 1 mM pre-equilibrated to the captions 9.996e-4 /
// 4.159e-7. Randles-Sevcik Ip = 0.4463 nFAC sqrt(nFvD/RT) holds to 0.5 % at 5 mV (technique
// tests), so 1 %; the independent implementation's curve for these inputs agrees to 1e-9.
TEST_F(SimulateTest, DefaultDialogsGiveTheReversibleSweep) {
    const Model& m = wb.model;
    wb.formMech.CheckDigital.Click();
    Simulate(wb);
    ASSERT_TRUE(platform.messages.empty());
    EXPECT_EQ(m.CaseCode, 11);
    EXPECT_EQ(m.C(1), 9.996e-4);
    EXPECT_EQ(m.C(2), 4.159e-7);
    double peak = 0;
    for (int i = 1; i <= m.NData; ++i) peak = std::max(peak, m.Yplot(i, m.CurCurve));
    EXPECT_TRUE(Near(peak, 0.4463 * 96484.6 * 1 * 1e-6 * std::sqrt(m.FoverRT * 0.01 * 1e-5), 0.01));
    EXPECT_TRUE(testing::MatchesReference(m, "analytical_sweep_planar.csv", "total_with_step_independent_scale",
                                          1e-9, 1e-20));
}

}  // namespace
}  // namespace talvex
