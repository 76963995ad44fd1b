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

}  // namespace
}  // namespace talvex
