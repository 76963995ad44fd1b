#include "digital/simulate_digital.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/simulate_command.h"
#include "simulation/simulation_driver.h"
#include "support/simulation_fixture.h"

namespace talvex {
namespace {

using testing::Near;

constexpr double kF = 96484.6;
constexpr double kC = 1e-6;  // 1 mM in mol/cm3
constexpr double kD = 1e-5;
constexpr double kPi = 3.14159265358979;

// The default experiment run through the driver with the digital simulation. Its agreement with
// theory and with the closed form: tests/simulation/theory_test.cpp and agreement_test.cpp.
class DigitalTest : public testing::SimulationTest {
  protected:
    DigitalTest() { m.DigitalSim = true; }
    double Last() const { return I(m.NData); }
};

// Microsphere 1 um nFADC/r, 2 %; microdisc 5 um Saito 4nFDCr, 5 %; rotating disk Levich, 1 %, every speed.
TEST_F(DigitalTest, SmallAndRotatingElectrodesReachSteadyState) {
    struct Case {
        int electrode;
        double r, area, rpm, expected, tol;
    };
    const double a = kPi * 1e-8;  // pi (1 um)^2
    const double levich = 0.620 * kF * std::pow(kD, 2.0 / 3) * std::pow(0.01, -1.0 / 6) * kC;
    const Case cases[] = {{2, 1e-4, 4 * a, 0, kF * 4 * a * kD * kC / 1e-4, 0.02},
                          {4, 5e-4, 25 * a, 0, 4 * kF * kD * kC * 5e-4, 0.05},
                          {8, 0.2821, 1, 100, levich * std::sqrt(100 * kPi / 30), 0.01},
                          {8, 0.2821, 1, 400, levich * std::sqrt(400 * kPi / 30), 0.01},
                          {8, 0.2821, 1, 1600, levich * std::sqrt(1600 * kPi / 30), 0.01},
                          {8, 0.2821, 1, 3600, levich * std::sqrt(3600 * kPi / 30), 0.01}};
    for (const Case& c : cases) {
        m.Radius = c.r;
        m.Area = c.area;
        m.Omega = c.rpm * 3.141592654 / 30;
        Run(1, c.electrode);
        EXPECT_TRUE(Near(Last(), c.expected, c.tol)) << "electrode " << c.electrode << " " << c.rpm << " rpm";
    }
}

// Catalytic EC' with a catalyst Z at 1 mM (B + Z = A + Z, kf 10) is pseudo first order, with the
// plateau nFAC sqrt(D kf) of B = A at kf 10/s (1 %); Newton needs a second pass to see it settled,
// and the catalyst stays.
TEST_F(DigitalTest, CatalyticPlateauOfASecondOrderCatalyst) {
    m.NChem2 = 1, m.kf(1) = 10, m.kb(1) = 0;
    m.NSpecies = 3, m.C(3) = 1e-3, m.D(3) = kD;
    const std::int16_t reaction[] = {2, 3, 1, 3};
    for (int s = 1; s <= 4; ++s) m.Chem2Species(1, s) = reaction[s - 1];
    Run(1, 1);
    EXPECT_TRUE(Near(Last(), kF * kC * std::sqrt(kD * 10), 0.01));
    EXPECT_GE(m.MaxIter, 2);
    EXPECT_LT(m.MaxIter, 10);
    EXPECT_TRUE(Near(m.Csurf(m.NData, 3), 1e-3, 1e-12));
}

// The run's errors end it with "CV Error: <description>!" and keep the points computed before, saying
// how many there are.
TEST_F(DigitalTest, ErrorsEndTheRunAndKeepThePointsComputed) {
    auto fails = [&](const std::string& description, int kept) {
        platform.messages.clear();
        testing::RunEngine(wb);
        std::vector<std::string> expected{"CV Error: " + description + "! Please try again by other initial values."};
        if (kept > 0)
            expected.push_back("The curve is incomplete: " + std::to_string(kept) + " of " +
                               std::to_string(m.NData.value()) + " points were computed.");
        EXPECT_EQ(platform.messages, expected);
        EXPECT_EQ(I(m.NData), 0) << description;
        EXPECT_EQ(I(std::max(kept, 1)) > 0, kept > 0) << description;
        EXPECT_EQ(m.Csurf(std::max(kept, 1), 2) > 0, kept > 0) << description;
        testing::DefaultExperiment(m);
        m.DigitalSim = true;
    };
    m.ChargeSpecies(1, 2) = 3;  // only two species
    fails("Subscript out of range", 0);
    m.Technique = 4, m.CaseCode = 41, m.tdrop = 0.05;  // a differential pulse as long as its drop
    fails("The pulse (0.05 s) must be shorter than the drop time (0.05 s)", 0);
    // Box coefficients of 1e87 drown the time step in rounding.
    m.NChem = 1, m.ChemSpecies(1, 1) = 2, m.ChemSpecies(1, 2) = 1, m.kf(1) = 1e85;
    fails(
        "The chemical reaction is too fast for the digital simulation (kf + kb = 1E+85 /s; at this time step it "
        "resolves at most 2E+20 /s)",
        0);
    // A sphere of 1e-60 cm: no expansion of the grid spans the diffusion layer from its first box in 99 boxes.
    m.Electrode = 2, m.CaseCode = 12, m.Radius = 1e-60;
    fails("The grid cannot reach across the diffusion layer (.148 cm) from a first box of 1E-61 cm in 99 boxes", 0);
    m.Eend = -0.9, m.n(1) = 60;  // an exponential that overflows part-way down the sweep
    fails("Overflow", 160);
}

}  // namespace
}  // namespace talvex
