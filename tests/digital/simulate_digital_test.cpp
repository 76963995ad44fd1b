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

// The default experiment run through the driver with the digital simulation.
class DigitalTest : public testing::SimulationTest {
  protected:
    DigitalTest() { m.DigitalSim = true; }
    double f() const { return m.FoverRT; }
    double Last() const { return I(m.NData); }
    int Half() const { return static_cast<int>(m.PointsPerSweep); }
    struct Extremum {
        double E, I;
    };
    // The extreme point of [first, last] (last 0: NData), refined by the parabola through it and its neighbours.
    Extremum Refined(int first = 1, int last = 0, bool largest = true) const {
        const int k = Peak(first, last, largest);
        if (k == first || k == (last > 0 ? last : m.NData.value())) return {m.Xdata(k), I(k)};
        const double y0 = I(k - 1), y1 = I(k), y2 = I(k + 1);
        const double offset = (y0 - y2) / (2 * (y0 - 2 * y1 + y2));
        return {m.Xdata(k) + offset * (m.Xdata(k + 1) - m.Xdata(k)), y1 - (y0 - y2) * offset / 4};
    }
    double Cottrell(double t) const { return kF * kC * std::sqrt(kD / (kPi * t)); }
};

// The sweep, DC, normal pulse and square wave are compared with theory in
// tests/simulation/theory_test.cpp; their reference curves here record the one-step-per-point method.

// Differential pulse: peak within 5 % of Parry-Osteryoung nFAC sqrt(D/(pi t)) (1 - s) / (1 + s).
TEST_F(DigitalTest, DifferentialPulseMeetsParryOsteryoung) {
    m.ScanCycles = 1;
    Run(4, 1);
    const double s = std::exp(f() * -0.05 / 2);
    EXPECT_TRUE(Near(Refined(1, Half()).I, Cottrell(0.05) * (1 - s) / (1 + s), 0.05));
}

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

// Catalytic EC' (B = A, kf 10/s): plateau nFAC sqrt(D kf), 1 %. Second order with a catalyst Z at 1 mM
// (B + Z = A + Z) it is pseudo first order, same plateau; Newton needs a second pass to see it settled.
TEST_F(DigitalTest, CatalyticPlateausFirstAndSecondOrder) {
    m.NChem = 1, m.ChemSpecies(1, 1) = 2, m.ChemSpecies(1, 2) = 1;
    m.kf(1) = 10, m.kb(1) = 0.01;
    Run(1, 1);
    EXPECT_TRUE(Near(Last(), kF * kC * std::sqrt(kD * 10.01), 0.01));

    m.NChem = 0, m.NChem2 = 1, m.kb(1) = 0;
    m.NSpecies = 3, m.C(3) = 1e-3, m.D(3) = kD;
    const std::int16_t reaction[] = {2, 3, 1, 3};
    for (int s = 1; s <= 4; ++s) m.Chem2Species(1, s) = reaction[s - 1];
    Run(1, 1);
    EXPECT_TRUE(Near(Last(), kF * kC * std::sqrt(kD * 10), 0.01));
    EXPECT_GE(m.MaxIter, 2);
    EXPECT_LT(m.MaxIter, 10);
    EXPECT_TRUE(Near(m.Csurf(m.NData, 3), 1e-3, 1e-12));  // the catalyst stays
}

// The run's errors end it with "CV Error: <description>!" and keep the points computed before, saying
// how many there are.
TEST_F(DigitalTest, ErrorsEndTheRunAndKeepThePointsComputed) {
    auto fails = [&](const std::string& description, int kept) {
        platform.messages.clear();
        RunSimulation(wb);
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
