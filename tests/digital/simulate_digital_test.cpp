#include "digital/simulate_digital.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "digital/digital_fixture.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using testing::DataPath;
using testing::DigitalTest;
using testing::Near;
using testing::ReadCsv;

constexpr double kC = 1e-6;  // 1 mM in mol/cm3
constexpr double kD = 1e-5;
constexpr double kPiExact = 3.14159265358979;

// The reference curves of an independent implementation (pre-equilibrated concentrations).
// With ks 1e4 the surface rate is the difference of two terms up to 1e7 times larger than it
// (1e11 at the start potential), and the two implementations round their surface rows their
// own way: 1e-8 relative, and 1e-9 of the curve's peak near the start.
TEST_F(DigitalTest, MatchesReferenceCurves) {
    struct Case {
        const char* file;
        int technique;
        double cycles, ks;
    };
    for (const Case& c : {Case{"digital_sweep_planar", 1, 0.5, 1e4}, Case{"digital_cycle_planar", 1, 1, 1e4},
                          Case{"digital_sweep_planar_ks1e-3", 1, 0.5, 1e-3}, Case{"digital_dc_planar", 2, 0.5, 1e4},
                          Case{"digital_normal_pulse_planar", 3, 0.5, 1e4}}) {
        testing::DefaultExperiment(m, true);
        m.DigitalSim = true;
        m.Technique = c.technique;
        m.ScanCycles = c.cycles;
        m.ks(1) = c.ks;
        Run();
        const auto table = ReadCsv(DataPath(std::string("reference/") + c.file + ".csv"));
        const auto& expected = table["total"];
        ASSERT_EQ(static_cast<int>(table.rows()), m.NData.value()) << c.file;
        double peak = 0;
        for (double y : expected) peak = std::max(peak, std::fabs(y));
        for (int i = 1; i <= m.NData; ++i) {
            EXPECT_NEAR(m.Xdata(i), table["Xdata"][static_cast<std::size_t>(i - 1)], 1e-15);
            ASSERT_TRUE(Near(I(i), expected[static_cast<std::size_t>(i - 1)], 1e-8, 1e-9 * peak)) << c.file << " point " << i;
        }
    }
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(DigitalTest, GridFollowsPointsAndChemistry) {
    m.NData = 200;
    m.Technique = 1;
    DigitalGrid grid = DescribeDigitalGrid(wb);
    EXPECT_EQ(grid.N, 7);  // ln(1 + 6 (e - 1) sqrt(2000)) + 1 = 7.136
    EXPECT_DOUBLE_EQ(grid.lambdaRef, 10);
    EXPECT_DOUBLE_EQ(grid.h, std::sqrt(kD * 0.5 / 10));

    // Fast chemistry refines the grid: (R 298.14 / F) 100 / 0.005.
    m.NChem = 1;
    m.ChemSpecies(1, 1) = 2;
    m.ChemSpecies(1, 2) = 1;
    m.kf(1) = 90;
    m.kb(1) = 9;
    grid = DescribeDigitalGrid(wb);
    EXPECT_TRUE(Near(grid.lambdaRef, 8.31441 * 298.14 * 100 / (96484.6 * 0.005), 1e-12));
    EXPECT_NEAR(grid.lambdaRef, 513.8, 0.05);
}

// Randles-Sevcik, reversible: Ip = 0.4463 nFAC sqrt(nFvD/RT), Ep = E1/2 - 1.109 RT/nF. The
// planar grid (beta 1, lambda 10) comes within 0.2 % of the current; the peak potential is
// interpolated between the 5 mV samples.
TEST_F(DigitalTest, ReversibleSweepMeetsRandlesSevcik) {
    Run();
    const auto peak = PeakOf(1, m.NData);
    EXPECT_TRUE(Near(peak.I, 0.4463 * F() * kC * std::sqrt(f() * 0.01 * kD), 0.003));
    EXPECT_NEAR(peak.E, 0.1 - 1.109 / f(), 0.002);
}

// Reversible cycle switched 400 mV past E0: peak separation 57.4 mV.
TEST_F(DigitalTest, ReversibleCyclePeakSeparation) {
    m.ScanCycles = 1;
    Run();
    const int half = static_cast<int>(m.PointsPerSweep);
    const double separation = PeakOf(half + 1, m.NData, -1).E - PeakOf(1, half).E;
    EXPECT_NEAR(separation, 0.0574, 0.0035);
}

// Totally irreversible: Ip = 0.4958 nFAC sqrt(alpha n F v D / RT).
TEST_F(DigitalTest, IrreversibleSweepPeak) {
    m.ks(1) = 1e-5;
    Run();
    EXPECT_TRUE(Near(PeakOf(1, m.NData).I, 0.4958 * F() * kC * std::sqrt(0.5 * f() * 0.01 * kD), 0.01));
}

// Nicholson's working curve, alpha 0.5, switching 112.5 mV past E1/2: peak separations 61, 65,
// 72, 84, 105, 141 mV at psi = ks / sqrt(pi D n F v / RT) = 20, 5, 2, 1, 0.5, 0.25; within 4 mV
// (the staircase is 5 mV, the peaks interpolated).
TEST_F(DigitalTest, QuasiReversibleNicholsonSeparations) {
    const double psi[] = {20, 5, 2, 1, 0.5, 0.25};
    const double separation[] = {0.061, 0.065, 0.072, 0.084, 0.105, 0.141};
    m.Estart = 0.2975;  // 62 steps of 5 mV to E1/2 - 112.5 mV
    m.Eend = 0.1 - 0.1125;
    m.ScanCycles = 1;
    for (int k = 0; k < 6; ++k) {
        m.ks(1) = psi[k] * std::sqrt(kPiExact * kD * f() * 0.01);
        Run();
        const int half = static_cast<int>(m.PointsPerSweep);
        const double dEp = PeakOf(half + 1, m.NData, -1).E - PeakOf(1, half).E;
        EXPECT_NEAR(dEp, separation[k], 0.004) << "psi " << psi[k];
    }
}

// Unequal diffusion: E1/2 = E0 + (RT/2F) ln(D_B/D_A), so with D_B = D_A/4 the peak sits
// 17.8 mV below the equal-D one; the current still follows D_A.
TEST_F(DigitalTest, UnequalDiffusionShiftsHalfWavePotential) {
    m.D(2) = kD / 4;
    Run();
    const auto peak = PeakOf(1, m.NData);
    const double halfWave = 0.1 + std::log(0.25) / (2 * f());
    EXPECT_NEAR(peak.E, halfWave - 1.109 / f(), 0.002);
    EXPECT_TRUE(Near(peak.I, 0.4463 * F() * kC * std::sqrt(f() * 0.01 * kD), 0.005));
}

// A fast couple keeps its surface in Nernst equilibrium, c_A/c_B = exp(F(E - E0)/RT), and with
// equal D the surface total stays the bulk 1 mM (Csurf in M).
TEST_F(DigitalTest, SurfaceConcentrationsFollowNernst) {
    Run();
    for (int i : {20, 40, 60, 80}) {
        const double ratio = m.Csurf(i, 1) / m.Csurf(i, 2);
        EXPECT_TRUE(Near(ratio, std::exp(f() * (m.Xdata(i) - 0.1)), 0.01)) << m.Xdata(i);
        EXPECT_TRUE(Near(m.Csurf(i, 1) + m.Csurf(i, 2), 1e-3, 1e-6)) << m.Xdata(i);
    }
}

// Catalytic regeneration EC' (A + e = B, B = A with kf 10/s): plateau nFAC sqrt(D kf) once the
// reaction layer sqrt(D/kf) is thin against the sweep's diffusion layer.
TEST_F(DigitalTest, CatalyticPlateau) {
    m.NChem = 1;
    m.ChemSpecies(1, 1) = 2;
    m.ChemSpecies(1, 2) = 1;
    m.kf(1) = 10;
    m.kb(1) = 0.01;
    Run();
    EXPECT_TRUE(Near(Last(), F() * kC * std::sqrt(kD * 10.01), 0.01));
    EXPECT_TRUE(platform.messages.empty());
}

// The same catalysis made second order with a catalyst Z that is not used up, B + Z = A + Z at
// 1 mM: the rate kf c_B c_Z is pseudo first order with kf times Z's normalised concentration 1,
// so the plateau is again nFAC sqrt(D kf). The Newton iteration needs a second pass to see that
// the first one has settled.
TEST_F(DigitalTest, SecondOrderCatalysisConverges) {
    m.NSpecies = 3;
    m.C(3) = 1e-3;
    m.D(3) = kD;
    m.NChem2 = 1;
    m.Chem2Species(1, 1) = 2;
    m.Chem2Species(1, 2) = 3;
    m.Chem2Species(1, 3) = 1;
    m.Chem2Species(1, 4) = 3;
    m.kf(1) = 10;
    m.kb(1) = 0;
    Run();
    EXPECT_TRUE(Near(Last(), F() * kC * std::sqrt(kD * 10), 0.01));
    EXPECT_GE(m.MaxIter, 2);
    EXPECT_LT(m.MaxIter, 10);
    EXPECT_TRUE(Near(m.Csurf(m.NData, 3), 1e-3, 1e-12));  // the catalyst stays
    EXPECT_TRUE(platform.messages.empty());
}

// DC and normal pulse from a fresh layer: plateaus within 3 % of Cottrell nFAC sqrt(D/(pi t))
// at tdrop and at tpulse (ten implicit steps overstate it by 2.6 %).
TEST_F(DigitalTest, DcAndNormalPulsePlateausMeetCottrell) {
    m.Technique = 2;
    Run();
    EXPECT_TRUE(Near(Last(), F() * kC * std::sqrt(kD / (kPiExact * 0.5)), 0.03));
    m.Technique = 3;
    Run();
    EXPECT_TRUE(Near(Last(), F() * kC * std::sqrt(kD / (kPiExact * 0.05)), 0.03));
}

// Differential pulse, reversible: by superposition of Cottrell steps the difference current at
// base potential E is i(E + dE, tp) - i(E, tp) + i(E, tdrop) - i(E, tdrop - tp), with
// i(E, t) = nFAC sqrt(D/(pi t)) / (1 + exp(f(E - E0))). Its peak is within 0.5 % of
// Parry-Osteryoung's nFAC sqrt(D/(pi tp)) (1 - s)/(1 + s), s = exp(f dE/2). The simulation must
// follow the superposition at every point to 0.5 % of the peak, on both sweeps of a cycle
// (the pulse reverses on the way back).
TEST_F(DigitalTest, DifferentialPulseFollowsTheClosedForm) {
    m.Technique = 4;
    m.ScanCycles = 1;
    Run();
    auto step = [&](double E, double t) {
        return F() * kC * std::sqrt(kD / (kPiExact * t)) / (1 + std::exp(f() * (E - 0.1)));
    };
    const double s = std::exp(f() * -0.05 / 2);
    const double parryOsteryoung = F() * kC * std::sqrt(kD / (kPiExact * 0.05)) * (1 - s) / (1 + s);
    const int half = static_cast<int>(m.PointsPerSweep);
    EXPECT_TRUE(Near(PeakOf(1, half).I, parryOsteryoung, 0.05));
    EXPECT_TRUE(Near(PeakOf(half + 1, m.NData, -1).I, -parryOsteryoung, 0.05));
    for (int i = 1; i <= m.NData; ++i) {
        const double E = m.Xdata(i);
        const double dE = i <= half ? -0.05 : 0.05;
        const double expected = step(E + dE, 0.05) - step(E, 0.05) + step(E, 0.5) - step(E, 0.45);
        ASSERT_NEAR(I(i), expected, 0.005 * parryOsteryoung) << "E " << E;
    }
}

// Square wave, reversible: the difference of the two half-steps peaks at E1/2 (the wave is
// symmetric about it); within one 5 mV step.
TEST_F(DigitalTest, SquareWavePeaksAtHalfWavePotential) {
    m.Technique = 5;
    Run();
    const auto peak = PeakOf(1, m.NData);
    EXPECT_NEAR(peak.E, 0.1, 0.005);
    EXPECT_GT(peak.I, 0);
}

// A -> B -> C -> D, three reversible one-electron steps 300 mV apart, DC: the plateaus after the
// first, second and third wave stand 1 : 2 : 3, and the surface keeps the 1 mM in total.
TEST_F(DigitalTest, ThreeStepChainConservesAndAddsUp) {
    m.Technique = 2;
    m.Estart = 0.3;
    m.Eend = -1.1;
    m.NSpecies = 4;
    m.NCharge = 3;
    for (int r = 1; r <= 3; ++r) {
        m.ChargeSpecies(r, 1) = static_cast<std::int16_t>(r);
        m.ChargeSpecies(r, 2) = static_cast<std::int16_t>(r + 1);
        m.n(r) = 1;
        m.Alpha(r) = 0.5;
        m.ks(r) = 1e4;
        m.E0(r) = 0.1 - 0.4 * (r - 1);
        m.D(r + 1) = kD;
        m.C(r + 1) = 0;
    }
    Run();
    auto at = [&](double E) { return I(1 + static_cast<int>(std::lround((0.3 - E) / 0.005))); };
    const double single = at(-0.1);
    EXPECT_TRUE(Near(single, F() * kC * std::sqrt(kD / (kPiExact * 0.5)), 0.03));
    EXPECT_TRUE(Near(at(-0.5), 2 * single, 0.002));
    EXPECT_TRUE(Near(at(-0.9), 3 * single, 0.002));
    for (int i = 1; i <= m.NData; i += 20)
        EXPECT_TRUE(Near(m.Csurf(i, 1) + m.Csurf(i, 2) + m.Csurf(i, 3) + m.Csurf(i, 4), 1e-3, 1e-9));
}

// Refinement: halving the first box with a gentler expansion moves the planar sweep peak
// towards Randles-Sevcik (-0.17 % -> -0.02 %), and refining space and time together takes the
// DC plateau from +2.6 % to 0.1 % of Cottrell.
TEST_F(DigitalTest, RefinementConvergesToTheory) {
    Run();
    const double randlesSevcik = 0.4463 * F() * kC * std::sqrt(f() * 0.01 * kD);
    double previous = 1;
    for (const DigitalRefinement r : {DigitalRefinement{1, 0, 1}, DigitalRefinement{0.5, 0.5, 1}}) {
        SimulateDigital(wb, r);
        const double error = std::fabs(PeakOf(1, m.NData).I / randlesSevcik - 1);
        EXPECT_LT(error, previous);
        previous = error;
    }
    EXPECT_LT(previous, 0.0005);

    m.Technique = 2;
    Run();
    const double cottrell = F() * kC * std::sqrt(kD / (kPiExact * 0.5));
    previous = 1;
    for (const DigitalRefinement r : {DigitalRefinement{1, 0, 1}, DigitalRefinement{0.5, 0.5, 8},
                                      DigitalRefinement{0.25, 0.25, 32}}) {
        SimulateDigital(wb, r);
        const double error = std::fabs(Last() / cottrell - 1);
        EXPECT_LT(error, previous);
        previous = error;
    }
    EXPECT_LT(previous, 0.002);
}

// Ohmic drop: the peak moves cathodic by roughly Ru Ip.
TEST_F(DigitalTest, OhmicDropShiftsThePeak) {
    Run();
    const auto plain = PeakOf(1, m.NData);
    m.Ru = 200;
    Run();
    const auto dropped = PeakOf(1, m.NData);
    const double shift = plain.E - dropped.E;
    EXPECT_GT(shift, 0.5 * 200 * plain.I);
    EXPECT_LT(shift, 1.5 * 200 * plain.I);
}

TEST_F(DigitalTest, TablesOutsideTheArraysAreACleanError) {
    const std::string message = "CV Error: Subscript out of range! Please try again by other initial values.";
    m.ChargeSpecies(1, 2) = 3;  // only two species
    Run();
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0], message);
    EXPECT_EQ(I(1), 0);

    m.ChargeSpecies(1, 2) = 2;
    m.NChem = 3;
    m.NChem2 = 2;  // five chemical reactions
    Run();
    ASSERT_EQ(platform.messages.size(), 2u);
    EXPECT_EQ(platform.messages[1], message);

    // Chemistry so fast that the grid would need more boxes than the arrays hold.
    m.NChem = 1;
    m.NChem2 = 0;
    m.ChemSpecies(1, 1) = 2;
    m.ChemSpecies(1, 2) = 1;
    m.kf(1) = 1e85;
    Run();
    ASSERT_EQ(platform.messages.size(), 3u);
    EXPECT_EQ(platform.messages[2], message);
    EXPECT_EQ(I(1), 0);
}

// An exponential that overflows part-way down the sweep ends the run with the error's own
// description; the points before it stay.
TEST_F(DigitalTest, ErrorKeepsThePointsAlreadyComputed) {
    m.Eend = -0.9;
    m.n(1) = 60;
    Run();
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0], "CV Error: Overflow! Please try again by other initial values.");
    EXPECT_GT(I(100), 0);
    EXPECT_EQ(I(m.NData), 0);
    EXPECT_GT(m.Csurf(100, 2), 0);
}

}  // namespace
}  // namespace talvex
