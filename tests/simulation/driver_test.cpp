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
#include "support/values.h"

namespace talvex {
namespace {

using testing::Near;
using Messages = std::vector<std::string>;
using testing::Values;

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
    struct Case { double end, step, cycles, perSweep, nData, dir; };
    const Case cases[] = {
        {-0.3, 0.005, 1, 61, 122, -1}, {-0.3, 0.005, 2, 61, 244, -1}, {0, 0.25, 0.5, 1, 1, -1}, {0.5, 0.1, 0.5, 6, 6, 1},
        {-0.625, 0.25, 0.5, 3, 3, -1}, {-0.875, 0.25, 0.5, 5, 5, -1},  // 2.5 and 3.5 steps
    };
    for (const Case& c : cases) {
        m.Estart = 0, m.Eend = c.end, m.Estep = c.step, m.ScanCycles = c.cycles;
        Curve();
        EXPECT_EQ(Values(m.PointsPerSweep, m.NData, m.ScanDir), Values(c.perSweep, c.nData, c.dir)) << c.end;
        const int P = static_cast<int>(m.PointsPerSweep);
        if (c.cycles < 1) continue;
        EXPECT_EQ(Values(m.Xdata(P + 1), m.Xdata(2 * P)), Values(m.Xdata(P), 0));
        for (int i = 2 * P + 1; i <= m.NData; ++i) ASSERT_EQ(m.Xdata(i), m.Xdata(i - 2 * P));
    }
}

// 4004 points are refused before anything is written (count, last index, axis, curve); 4000 run.
TEST_F(DriverTest, MoreThan4000PointsIsRejectedBeforeAnythingIsOverwritten) {
    m.ScanCycles = 1;
    RunSimulation(wb);
    const auto before = Values(242, 242, m.Xdata(200), I(10));
    m.ScanCycles = 2, m.Estep = 0.6 / 1000;  // 1001 points per sweep
    RunSimulation(wb);
    EXPECT_EQ(platform.messages, Messages{testing::RunFailure("Subscript out of range")});
    EXPECT_EQ(Values(m.NData, m.ILast, m.Xdata(200), I(10)), before);
    platform.messages.clear();
    m.Estep = 0.6 / 999;
    EXPECT_EQ(Curve().size(), 4001u);
}

// With overlap each run takes the next of five curves; without, curve 1. Fitting simulates into curve 2
// on the measured potentials, leaves the measured curve 1 alone, and a late failure leaves CurCurve on 2.
TEST_F(DriverTest, CurveSlotsOverlapAndFitting) {
    const int expected[] = {1, 2, 3, 4, 5, 1, 2, 1};
    for (int run = 0; run < 8; ++run) {
        wb.formOption.overlap.SetChecked(run < 7);
        RunSimulation(wb);
        EXPECT_EQ(Values(m.CurCurve, m.NCurves, m.NCurvesSaved), std::vector<double>(3, expected[run])) << run;
    }
    const double measured = I(20);
    m.Yplot(20, 2) = 0, m.Xdata(5) = 0.2777;  // a measured axis is not a staircase
    m.Fitting = true;
    for (bool overlap : {false, true}) {
        wb.formOption.overlap.SetChecked(overlap);
        RunSimulation(wb);
        EXPECT_EQ(Values(m.CurCurve, m.NCurves), Values(2, 2));
    }
    EXPECT_EQ(Values(m.Xdata(5), m.NData, m.PointsPerSweep, m.Yplot(20, 1)), Values(0.2777, 121, 60.5, measured));
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

// Without charge transfer only the corrections: charging Cdl A v, positive on a cathodic sweep, flipping
// at each reversal; pulses charge in proportion to the distance travelled; Cdl <= 0 adds nothing.
// Background: a line from I0 at the start to I1 at the vertex; one point per sweep (0/0) is an error unless both 0.
TEST_F(DriverTest, ChargingCurrentAndBackgroundLine) {
    m.NCharge = 0, m.Cdl = 2e-5, m.ScanCycles = 2;
    const double Ich = 2e-5 * 1 * 0.01;
    auto y = Curve();
    for (std::size_t segment = 0; segment < 4; ++segment)
        for (std::size_t i : {1, 121}) EXPECT_EQ(y[segment * 121 + i], segment % 2 == 0 ? Ich : -Ich) << segment;
    m.ScanCycles = 1, m.Estart = -0.3, m.Eend = 0.3;
    y = Curve();
    EXPECT_EQ(Values(y[1], y[122]), Values(-Ich, Ich));
    m.Technique = 3, m.ScanCycles = 0.5;
    y = Curve();
    EXPECT_EQ(y[1], 0.0);
    EXPECT_TRUE(Near(y[121], Ich * (-0.3 - 0.3), 1e-12));

    testing::DefaultExperiment(m);
    m.NCharge = 0, m.ScanCycles = 1, m.Cdl = -1;
    wb.formIns.TxtI0.SetText("1e-6 A");
    wb.formIns.TxtI1.SetText("");
    y = Curve();
    EXPECT_EQ(Values(y[1], y[242]), Values(1e-6, 1e-6));
    for (std::size_t i : {61, 182}) EXPECT_TRUE(Near(y[i], 0.5e-6, 1e-12)) << i;
    EXPECT_TRUE(Near(y[121], 0, 0, 1e-20));
    m.Eend = m.Estart.value();
    RunSimulation(wb);
    EXPECT_EQ(platform.messages, Messages{testing::RunFailure("Overflow")});
    platform.messages.clear();
    wb.formIns.TxtI0.SetText("0");
    Curve();
}

// The normal values follow the independent implementation's draws (1e-9). The noise is 0.0025 * Noise *
// (the larger noise-free extreme, signed) * z, the same on every run, never while fitting; 1e-6 is ample.
TEST_F(DriverTest, NoiseFollowsTheReferenceDrawsScaledByTheDominantExtreme) {
    NoiseSource noise(61);
    const auto z = testing::ReadCsv(testing::DataPath("reference/noise_z_ndata61.csv"))["z"];
    ASSERT_EQ(z.size(), 61u);
    for (std::size_t k = 0; k < 61; ++k) ASSERT_TRUE(Near(noise.Next(), z[k], 1e-9, 1e-12)) << k;
    m.Estart = 0;  // 61 points
    const auto clean = Curve();
    m.Noise = 4;
    const auto noisy = Curve();
    EXPECT_EQ(Values(m.PlotYmax, m.PlotYmin), Values(*std::max_element(clean.begin(), clean.end()), 0));
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

// The untouched dialogs (digital cleared) give the independent implementation's curve to 1e-9; technique
// and electrode reach the dispatch key; the hourglass shows while running; midnight wraps the clock.
TEST(Simulate, FromTheDialogsWithHourglassAndRunTime) {
    testing::FakePlatform platform;
    Workbench wb{platform};
    wb.formMech.CheckDigital.Click();
    platform.times = {100.5f, 103.25f};
    Simulate(wb);
    ASSERT_TRUE(platform.messages.empty());
    EXPECT_TRUE(testing::MatchesReference(wb.model, "analytical_sweep_planar.csv", "total_with_step_independent_scale",
                                          1e-9, 1e-20));
    EXPECT_EQ(platform.pointers, (std::vector<int>{11, 0}));
    EXPECT_EQ(wb.model.RunTime, 2.75f);
    wb.formTech.optTech(2).Click();
    wb.formIns.optElectrode(4).Click();
    platform.times = {86399.0f, 1.0f};
    Simulate(wb);
    EXPECT_EQ(wb.model.CaseCode, 24);
    EXPECT_EQ(wb.model.RunTime, 2.0f);
}

}  // namespace
}  // namespace talvex
