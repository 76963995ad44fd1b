#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/simulate_command.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "plot/form_option.h"
#include "simulation/corrections.h"
#include "simulation/simulation_driver.h"
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
        testing::RunEngine(wb);
        EXPECT_TRUE(platform.messages.empty());
        std::vector<double> y(static_cast<std::size_t>(m.NData) + 1);
        for (int i = 1; i <= m.NData; ++i) y[static_cast<std::size_t>(i)] = I(i);
        return y;
    }
};

// round(|Eend - Estart| / Estep) + 1 points per sweep (halves to even); a cycle returns with the vertex twice.
TEST_F(DriverTest, PotentialStaircase) {
    struct Case {
        double end, step, cycles, perSweep, nData, dir;
    };
    const Case cases[] = {
        {-0.3, 0.005, 2, 61, 244, -1},
        {0, 0.25, 0.5, 1, 1, -1},
        {0.5, 0.1, 0.5, 6, 6, 1},
        {-0.625, 0.25, 0.5, 3, 3, -1},
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
    testing::RunEngine(wb);
    const auto before = Values(242, 242, m.Xdata(200), I(10));
    m.ScanCycles = 2, m.Estep = 0.6 / 1000;  // 1001 points per sweep
    testing::RunEngine(wb);
    EXPECT_EQ(platform.messages, Messages{testing::RunFailure("Subscript out of range")});
    EXPECT_EQ(Values(m.NData, m.ILast, m.Xdata(200), I(10)), before);
    platform.messages.clear();
    m.Estep = 0.6 / 999;
    EXPECT_EQ(Curve().size(), 4001u);
}

// Overlap cycles five curves; fitting simulates into curve 2 on the measured axis, leaving measured curve 1 alone.
TEST_F(DriverTest, CurveSlotsOverlapAndFitting) {
    const int expected[] = {1, 2, 3, 4, 5, 1, 2, 1};
    for (int run = 0; run < 8; ++run) {
        wb.formOption.overlap.SetChecked(run < 7);
        testing::RunEngine(wb);
        EXPECT_EQ(Values(m.CurCurve, m.NCurves, m.NCurvesSaved), std::vector<double>(3, expected[run])) << run;
    }
    const double measured = I(20);
    m.Yplot(20, 2) = 0, m.Xdata(5) = 0.2777;  // a measured axis is not a staircase
    m.Fitting = true;
    for (bool overlap : {false, true}) {
        wb.formOption.overlap.SetChecked(overlap);
        testing::RunEngine(wb);
        EXPECT_EQ(Values(m.CurCurve, m.NCurves), Values(2, 2));
    }
    // The measured points of a single sweep are one sweep; a measured cycle's first sweep ends at
    // its vertex, the first point farthest from the start.
    EXPECT_EQ(Values(m.Xdata(5), m.NData, m.PointsPerSweep, m.Yplot(20, 1)), Values(0.2777, 121, 121, measured));
    EXPECT_NE(m.Yplot(20, 2), 0.0);
    for (int i = 1; i <= 121; ++i) m.Xdata(121 + i) = m.Xdata(122 - i) + (i % 2 ? 1e-4 : -1e-4);  // jitter
    m.NData = 242;
    testing::RunEngine(wb);
    EXPECT_EQ(m.PointsPerSweep, 121);
}

// Charging Cdl A v, positive on a cathodic sweep, flipping at each reversal; background: a line from I0 to I1.
TEST_F(DriverTest, ChargingCurrentAndBackgroundLine) {
    m.NCharge = 0, m.Cdl = 2e-5, m.ScanCycles = 2;
    const double Ich = 2e-5 * 1 * 0.01;
    auto y = Curve();
    for (std::size_t segment = 0; segment < 4; ++segment)
        for (std::size_t i : {1, 121}) EXPECT_EQ(y[segment * 121 + i], segment % 2 == 0 ? Ich : -Ich) << segment;
    m.Cdl = 0, m.ScanCycles = 1;
    m.BackgroundI0 = 1e-6;  // what the Instrument dialog's OK confirms from "1e-6 A"
    y = Curve();
    EXPECT_EQ(Values(y[1], y[242]), Values(1e-6, 1e-6));
    EXPECT_TRUE(Near(y[61], 0.5e-6, 1e-12));
}

// Draws follow the independent implementation (1e-9); noise is 0.0025 * Noise * (larger extreme) * z (1e-6).
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
}

// A run from the untouched dialogs (digital cleared) takes its time from the platform's clock. (Its
// curve: the cyclic_voltammogram example's output, and against theory
// TheoryTableTest.CyclicVoltammetryFollowsNicholsonShain.)
TEST(Simulate, FromTheDialogsTimesTheRun) {
    testing::FakePlatform platform;
    Workbench wb{platform};
    wb.formMech.CheckDigital.Click();
    platform.times = {100.5f, 103.25f};
    Simulate(wb);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(wb.model.RunTime, 2.75f);
}

}  // namespace
}  // namespace talvex
