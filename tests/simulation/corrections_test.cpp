#include "simulation/corrections.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/workbench.h"
#include "dialogs/form_ins.h"
#include "simulation/simulation_driver.h"
#include "support/experiments.h"
#include "support/fake_platform.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using testing::Near;

// Without charge-transfer reactions the curve holds only the corrections.
class CorrectionsTest : public ::testing::Test {
protected:
    CorrectionsTest() : wb(platform), m(wb.model) {
        testing::DefaultExperiment(m);
        m.NCharge = 0;
    }
    std::vector<double> Curve() {
        RunSimulation(wb);
        EXPECT_TRUE(platform.messages.empty());
        std::vector<double> y(static_cast<std::size_t>(m.NData) + 1);
        for (int i = 1; i <= m.NData; ++i) y[static_cast<std::size_t>(i)] = m.Yplot(i, m.CurCurve);
        return y;
    }
    testing::FakePlatform platform;
    Workbench wb;
    Model& m;
};

// Reduction current is positive, so a cathodic sweep charges the double layer positively and
// the sign flips with each reversal; pulse techniques on a single sweep charge in proportion to
// the distance from the start potential.
TEST_F(CorrectionsTest, ChargingCurrentFollowsTheSweepDirection) {
    m.Cdl = 2e-5;
    const double Ich = 2e-5 * 1 * 0.01;
    auto y = Curve();  // single cathodic sweep
    EXPECT_EQ(y[1], Ich);
    EXPECT_EQ(y[61], Ich);

    m.ScanCycles = 2;
    y = Curve();
    for (int segment = 0; segment < 4; ++segment) {
        const double expected = segment % 2 == 0 ? Ich : -Ich;
        EXPECT_EQ(y[static_cast<std::size_t>(segment * 121 + 1)], expected) << segment;
        EXPECT_EQ(y[static_cast<std::size_t>(segment * 121 + 121)], expected) << segment;
    }
    m.ScanCycles = 1;
    m.Estart = -0.3;
    m.Eend = 0.3;
    y = Curve();  // anodic first
    EXPECT_EQ(y[1], -Ich);
    EXPECT_EQ(y[122], Ich);

    m.Technique = 3;
    m.ScanCycles = 0.5;
    y = Curve();
    EXPECT_EQ(y[1], 0.0);
    EXPECT_TRUE(Near(y[121], Ich * (-0.3 - 0.3), 1e-12));

    m.Cdl = -1;  // no charging term at all
    y = Curve();
    EXPECT_EQ(y[121], 0.0);
}

// The background runs from I0 at the start potential to I1 at the vertex and back along the same
// line; its texts are read leniently.
TEST_F(CorrectionsTest, BackgroundLineRunsFromI0ToI1) {
    wb.formIns.TxtI0.SetText("1e-6 A");
    wb.formIns.TxtI1.SetText("");
    m.ScanCycles = 1;
    auto y = Curve();
    EXPECT_EQ(y[1], 1e-6);
    EXPECT_TRUE(Near(y[61], 0.5e-6, 1e-12));
    EXPECT_TRUE(Near(y[121], 0, 0, 1e-20));
    EXPECT_TRUE(Near(y[182], 0.5e-6, 1e-12));
    EXPECT_EQ(y[242], 1e-6);

    // One point per sweep: the line has no length (0/0). Skipped when both ends are 0, an error
    // otherwise.
    m.Eend = m.Estart.value();
    RunSimulation(wb);
    EXPECT_EQ(platform.messages.back(),
              "Analytical simulation Error: Overflow! Please try again by other initial values.");
    wb.formIns.TxtI0.SetText("0");
    platform.messages.clear();
    Curve();
}

// The first draw of a 61-point run: r1 = 122 * 24298 + 99991 = 3064347, r = 79093; the normal
// values follow the independent implementation's draws to rounding (1e-9).
TEST(NoiseSource, ReproducesTheReferenceDraws) {
    EXPECT_EQ(NoiseSource(61).Draw(), 79093.0);
    NoiseSource noise(61);
    const auto ref = testing::ReadCsv(testing::DataPath("reference/noise_z_ndata61.csv"));
    ASSERT_EQ(ref.rows(), 61u);
    for (std::size_t k = 0; k < ref.rows(); ++k) ASSERT_TRUE(Near(noise.Next(), ref["z"][k], 1e-9, 1e-12)) << k;
}

// The noise is 0.0025 * Noise * (the extreme of larger magnitude, with its sign) * z, the same on
// every run with the same number of points, and never added while fitting. The extremes are those
// of the noise-free curve. The noise is about 1 % of the curve, so the difference noisy - clean
// keeps at least 12 digits; 1e-6 is ample.
TEST_F(CorrectionsTest, NoiseIsReproducibleAndScaledByTheDominantExtreme) {
    m.NCharge = 1;
    m.Estart = 0;  // 61 points
    const auto clean = Curve();
    const double peak = *std::max_element(clean.begin(), clean.end());
    m.Noise = 4;
    const auto noisy = Curve();
    EXPECT_EQ(m.PlotYmax, peak);
    EXPECT_EQ(m.PlotYmin, 0.0);
    const auto ref = testing::ReadCsv(testing::DataPath("reference/noise_z_ndata61.csv"));
    for (std::size_t i = 1; i <= 61; ++i)
        ASSERT_TRUE(Near(noisy[i] - clean[i], 0.0025 * 4 * peak * ref["z"][i - 1], 1e-6, 1e-20)) << i;
    EXPECT_EQ(Curve(), noisy);

    m.E0(1) = -0.5;  // only the reduced form, oxidised over the whole window: a negative extreme
    m.C(1) = 0;
    m.C(2) = 1e-3;
    const auto anodicClean = [&] {
        m.Noise = 0;
        return Curve();
    }();
    m.Noise = 4;
    const auto anodic = Curve();
    EXPECT_TRUE(Near(anodic[1] - anodicClean[1], 0.0025 * 4 * m.PlotYmin * ref["z"][0], 1e-6));
    EXPECT_LT(m.PlotYmin, 0.0);

    m.Fitting = true;
    RunSimulation(wb);
    for (int i = 1; i <= 61; ++i) ASSERT_EQ(m.Yplot(i, 2), anodicClean[static_cast<std::size_t>(i)]);
}

}  // namespace
}  // namespace talvex
