#include "analysis/half_wave.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "app/simulate_command.h"
#include "support/golden.h"
#include "support/simulation_fixture.h"

namespace talvex {
namespace {

TEST(HalfWave, NormalPulseWaveMatchesGoldenText) {
    testing::FakePlatform platform;
    Workbench wb(platform);
    testing::DefaultExperiment(wb.model);
    wb.model.Technique = 3;
    wb.model.CaseCode = 31;
    wb.model.Estep = 0.001;  // five points in the band around E1/2
    testing::RunEngine(wb);
    FindHalfWave(wb.model, wb.formResult);
    EXPECT_TRUE(testing::MatchesGolden("analysis/half_wave_normal_pulse.txt", testing::ResultText(wb.formResult)));
}

// A Nernstian wave Id / (1 + exp(f (E - 0.1))), Id 2e-6 A (1.9992e-6 between
// the ends), on 0.3 .. -0.3 V in 5 mV steps: the
// band 0.475..0.525 Id spans 0.1 V +- ln(0.525/0.475)/f = +-2.6 mV, which holds the point at 0.1 V
// alone. Every point 1..NData is scanned, whatever IFirst and ILast; a flat curve has half height
// 0 and every point in its band. Each line carries the full height.
TEST(HalfWave, ReportsEveryPointInTheBandOfEachCurve) {
    auto m = std::make_unique<Model>();
    const double f = testing::FoverRT25();
    m->NData = 121;
    m->IFirst = 60;
    m->ILast = 61;
    m->NCurves = 2;
    for (int k = 1; k <= 121; ++k) {
        m->Xdata(k) = 0.3 - 0.005 * (k - 1);
        m->Yplot(k, 1) = 2e-6 / (1 + std::exp(f * (m->Xdata(k) - 0.1)));
        m->Yplot(k, 2) = 3e-6;
    }
    ResultWindow out;
    FindHalfWave(*m, out);
    const auto& lines = out.lines();
    ASSERT_EQ(lines.size(), 2u + 121u + 1u);
    EXPECT_EQ(lines[0], "              Curve  1 :");
    EXPECT_EQ(lines[1], "Peak  1 :     E1/2=  .1     Id= 1.9992E-6A");
    EXPECT_EQ(lines[2], "              Curve  2 :");
    EXPECT_EQ(lines[3], "Peak  1 :     E1/2=  .3     Id= 0.E0A");
    EXPECT_EQ(lines.back(), "Peak  121 :   E1/2= -.3     Id= 0.E0A");
}

// A curve with a peak is said to be one, with how far its current comes back, instead of bands of
// meaningless potentials: the default linear sweep (the current falls from its peak to about half
// of it by the end: a planar electrode's t^-1/2 decay), the cyclic voltammogram, a pulse-difference
// peak (a Gaussian of 0.05 V width: back by all of it). Waves are read as before: a steady-state
// wave swept there and back gives a band on each sweep, a wave with 2 % noise its band.
TEST(HalfWave, APeakedCurveIsSaidToBeOne) {
    const double f = testing::FoverRT25();
    auto read = [](const Model& m) {
        ResultWindow out;
        FindHalfWave(m, out);
        return out.lines();
    };
    for (const double cycles : {0.5, 1.0}) {
        testing::FakePlatform platform;
        Workbench wb(platform);
        testing::DefaultExperiment(wb.model);
        wb.model.ScanCycles = cycles;
        RunSimulation(wb);
        const auto lines = read(wb.model);
        ASSERT_EQ(lines.size(), 2u) << cycles;
        EXPECT_EQ(lines[0], "              Curve  1 :");
        EXPECT_TRUE(lines[1].starts_with("The curve has a peak: after it the current comes back by ")) << lines[1];
        EXPECT_TRUE(
            lines[1].ends_with(" % of its height, so it is no wave and half its height is no half-wave "
                               "potential. Find Peak reads peaked curves."))
            << lines[1];
    }

    auto m = std::make_unique<Model>();
    m->NCurves = 1;
    m->NData = 121;
    for (int k = 1; k <= 121; ++k) {
        m->Xdata(k) = 0.3 - 0.005 * (k - 1);
        m->Yplot(k, 1) = 1e-6 * std::exp(-std::pow((m->Xdata(k) - 0.1) / 0.05, 2));
    }
    double y[kMaxPoints + 1];
    for (int k = 1; k <= 121; ++k) y[k] = m->Yplot(k, 1);
    EXPECT_NEAR(PeakedShare(*m, y, 121), 1.0, 1e-6);
    EXPECT_EQ(read(*m).size(), 2u);

    // There and back over 0.3 .. -0.3 V: the same steady-state wave on both sweeps.
    m->NData = 241;
    for (int k = 1; k <= 241; ++k) {
        m->Xdata(k) = k <= 121 ? 0.3 - 0.005 * (k - 1) : -0.3 + 0.005 * (k - 121);
        m->Yplot(k, 1) = 2e-6 / (1 + std::exp(f * (m->Xdata(k) - 0.1)));
    }
    auto lines = read(*m);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "Peak  1 :     E1/2=  .1     Id= 1.9992E-6A");
    EXPECT_EQ(lines[2], "Peak  2 :     E1/2=  .1     Id= 1.9992E-6A");

    // 2 % noise (a fixed pseudo-random sequence) on the wave of one sweep.
    m->NData = 121;
    unsigned state = 12345;
    for (int k = 1; k <= 121; ++k) {
        state = state * 1103515245u + 12345u;
        const double noise = 0.02 * (static_cast<double>((state >> 16) & 0x7fff) / 0x7fff - 0.5) * 2;
        m->Xdata(k) = 0.3 - 0.005 * (k - 1);
        m->Yplot(k, 1) = 2e-6 / (1 + std::exp(f * (m->Xdata(k) - 0.1))) + 2e-6 * noise;
    }
    for (int k = 1; k <= 121; ++k) y[k] = m->Yplot(k, 1);
    EXPECT_LT(PeakedShare(*m, y, 121), 0.1);
    lines = read(*m);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(lines[1].starts_with("Peak  1 :")) << lines[1];
}

}  // namespace
}  // namespace talvex
