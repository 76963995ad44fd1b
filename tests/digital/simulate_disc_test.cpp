#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "app/simulate_command.h"
#include "digital/disc_reference.h"
#include "digital/disc_theory.h"
#include "digital/simulate_digital.h"
#include "simulation/simulation_driver.h"
#include "support/simulation_fixture.h"

// The digital simulation at the microdisc (electrode 4) in two dimensions, against theory computed
// here (digital/disc_theory.h: the Aoki-Osteryoung series, Shoup-Szabo, Duhamel superposition,
// Danckwerts) and against an independent cylindrical finite-volume solver
// (digital/disc_reference.h). Default chemistry: A + e = B, 1 mM A, no B, D 1e-5 cm2/s, E0 0.1 V,
// 25 C; the disc's area is pi a^2.
namespace talvex {
namespace {

using testing::Near;

constexpr double kF = 96484.6, kD = 1e-5, kC = 1e-6;  // kC: 1 mM in mol/cm3

class DiscTest : public testing::SimulationTest {
  protected:
    DiscTest() { Fresh(25e-4); }
    void Fresh(double radius) {
        testing::DefaultExperiment(m);
        m.DigitalSim = true;
        Disc(radius);
    }
    void Disc(double radius) {
        m.Radius = radius;
        m.Area = 3.141592654 * radius * radius;
    }
    // 4nFDa: the steady-state current per unit of concentration (mol/cm3).
    double Steady() const { return 4 * kF * kD * m.Radius; }
    testing::NernstDeficit Nernst() const { return {kC, 0.0, 0.1, m.FoverRT}; }
    testing::DiscStep Step() const { return {kD, m.Radius}; }
    // A potential step to -0.3 V (400 mV past E0) held for the time of tau = 4Dt/a^2: DC of one point.
    void Chronoamperometry(double tau) {
        m.Estart = -0.3, m.Eend = -0.3, m.tdrop = tau * m.Radius * m.Radius / (4 * kD);
        Run(2, 4);
    }
    // The sweep as the simulation runs it: the start potential held for one interval, then linear
    // from point to point, the repeated vertex taking no time; the corners and each point's time.
    void Ramp(std::vector<testing::PotentialStep>& corners, std::vector<double>& times) const {
        double t = m.tdrop;
        corners = {{0.0, m.Xdata(1)}, {t, m.Xdata(1)}};
        times = {t};
        for (int p = 2; p <= m.NData; ++p) {
            if (m.Xdata(p) != m.Xdata(p - 1)) corners.push_back({t += m.tdrop, m.Xdata(p)});
            times.push_back(t);
        }
    }
    int Half() const { return static_cast<int>(m.PointsPerSweep); }
};

// Aoki-Osteryoung's series are exact to about 0.1 % away from tau ~ 1 and within 0.3 % where they
// meet; Shoup-Szabo within 0.6 % everywhere. The digital disc is held to 0.15 % of the series away
// from their meeting point, 0.4 % near it, 1 % of Shoup-Szabo, and 0.2 % of 4nFDCa at the steady
// state; the same at 5 and 25 um (the problem scales with tau alone). Two charge transfers at
// their limits (A + e = B, B + e = C, E0 0.1 and -0.1 V) carry the same current each.
TEST_F(DiscTest, ChronoamperometryFollowsAokiOsteryoungAndShoupSzabo) {
    for (double radius : {5e-4, 25e-4}) {
        for (double tau : {0.01, 0.03, 0.1, 0.3, 1.0, 3.0, 10.0, 30.0, 100.0, 300.0, 1000.0}) {
            Fresh(radius);
            Chronoamperometry(tau);
            const double I = this->I(1), limit = Steady() * kC;
            const double series = limit * testing::AokiOsteryoung(tau);
            SCOPED_TRACE(::testing::Message() << "a " << radius << " cm, tau " << tau);
            EXPECT_TRUE(Near(I, series, tau > 0.1 && tau < 3 ? 0.004 : 0.0015));
            EXPECT_TRUE(Near(I, limit * testing::ShoupSzabo(tau), 0.01));
        }
        Chronoamperometry(1e8);
        EXPECT_TRUE(Near(I(1), Steady() * kC, 0.002));
    }
    Fresh(25e-4);
    m.NSpecies = 3, m.NCharge = 2, m.ChargeSpecies(2, 1) = 2, m.ChargeSpecies(2, 2) = 3;
    m.n(2) = 1, m.E0(2) = -0.1, m.Alpha(2) = 0.5, m.ks(2) = 1e4, m.D(3) = kD;
    Chronoamperometry(1.0);
    const double each = Steady() * kC * testing::AokiOsteryoung(1.0);
    EXPECT_TRUE(Near(m.Ystore(1, 1), each, 0.004));
    EXPECT_TRUE(Near(m.Ystore(1, 2), each, 0.004));
    EXPECT_TRUE(Near(I(1), 2 * each, 0.004));
}

// A reversible couple with equal D keeps the Nernst ratio all over the disc, so its cyclic
// voltammogram is the Duhamel superposition of the disc's step response along the ramp (the
// series above, whose 0.3 % at tau ~ 1 is spread over the sweep's history). At 25 um and 100 mV/s
// (between the planar and steady-state limits) and 10 mV/s: the plateau at the vertex and both
// peaks within 1 %, every point within 0.3 % of the forward peak; the mean surface concentration
// follows Nernst (0.1 % of the bulk).
TEST_F(DiscTest, ReversibleCyclicVoltammogramFollowsDuhamel) {
    for (double v : {0.1, 0.01}) {
        Fresh(25e-4);
        m.ScanCycles = 1, m.ScanRate = v, m.tdrop = m.Estep / v;
        Run(1, 4);
        std::vector<testing::PotentialStep> corners;
        std::vector<double> times;
        Ramp(corners, times);
        std::vector<double> exact(static_cast<std::size_t>(m.NData) + 1);
        for (int p = 1; p <= m.NData; ++p)
            exact[p] = Steady() * testing::DuhamelRamp(Step(), Nernst(), corners, times[p - 1]);
        const int P = Half();
        const auto forward = std::max_element(exact.begin() + 1, exact.begin() + P + 1) - exact.begin();
        const auto reverse = std::min_element(exact.begin() + P + 1, exact.end()) - exact.begin();
        SCOPED_TRACE(::testing::Message() << v << " V/s");
        EXPECT_TRUE(Near(I(P), exact[P], 0.01));
        EXPECT_TRUE(Near(I(static_cast<int>(forward)), exact[forward], 0.01));
        EXPECT_TRUE(Near(I(static_cast<int>(reverse)), exact[reverse], 0.01));
        for (int p = 1; p <= m.NData; ++p) {
            ASSERT_NEAR(I(p), exact[p], 0.003 * exact[forward]) << "point " << p;
            const double theta = std::exp(m.FoverRT * (m.Xdata(p) - 0.1));
            ASSERT_NEAR(m.Csurf(p, 1), 1e-3 * theta / (1 + theta), 1e-6) << "point " << p;
        }
    }
}

// Normal pulse (each pulse from a fresh layer), differential pulse (the base for tdrop - tpulse,
// then the pulse) and square wave (the whole staircase of half-periods) are step sequences, so
// their reversible currents are sums of the step response. At 5 and 25 um with the default
// timing, the plateau or peak within 1 % and every point within 1 % of it.
TEST_F(DiscTest, PulseTechniquesFollowTheStepResponse) {
    for (double radius : {5e-4, 25e-4})
        for (int technique : {3, 4, 5}) {
            Fresh(radius);
            Run(technique, 4);
            const double P = m.Epulse, tp = m.tpulse, td = m.tdrop;
            std::vector<testing::PotentialStep> wave;
            for (int p = 1; p <= m.NData; ++p) {
                wave.push_back({(2 * p - 2) * tp, m.Xdata(p) - P / 2});
                wave.push_back({(2 * p - 1) * tp, m.Xdata(p) + P / 2});
            }
            std::vector<double> exact(static_cast<std::size_t>(m.NData) + 1);
            for (int p = 1; p <= m.NData; ++p) {
                const double E = m.Xdata(p);
                double sum = 0;
                if (technique == 3) sum = testing::DuhamelSteps(Step(), Nernst(), {{0, E + P}}, tp);
                if (technique == 4)
                    sum = testing::DuhamelSteps(Step(), Nernst(), {{0, E}, {td - tp, E + P}}, td) -
                          testing::DuhamelSteps(Step(), Nernst(), {{0, E}}, td - tp);
                if (technique == 5)
                    sum = testing::DuhamelSteps(Step(), Nernst(), wave, 2 * p * tp) -
                          testing::DuhamelSteps(Step(), Nernst(), wave, (2 * p - 1) * tp);
                exact[p] = Steady() * sum;
            }
            const auto top = std::max_element(exact.begin() + 1, exact.end(),
                                              [](double x, double y) { return std::fabs(x) < std::fabs(y); }) -
                             exact.begin();
            SCOPED_TRACE(::testing::Message() << "technique " << technique << ", a " << radius);
            EXPECT_TRUE(Near(I(static_cast<int>(top)), exact[top], 0.01));
            for (int p = 1; p <= m.NData; ++p)
                ASSERT_NEAR(I(p), exact[p], 0.01 * std::fabs(exact[top])) << "point " << p;
        }
}

// The space and time steps are both of second order: refining the grid (every box halved) and the
// time steps together quarters the difference between successive runs. A reversible step held to
// tau = 1, and the first 40 points of the 100 mV/s voltammogram at 25 um.
TEST_F(DiscTest, GridAndTimeStepsConvergeAtSecondOrder) {
    auto at = [&](double refine, int point) {
        SimulateDigital(m, wb.reporter(), DigitalRefinement{refine, 0.0, static_cast<int>(std::lround(1 / refine))});
        return m.Ystore(point, m.StoreCol);
    };
    for (int technique : {2, 1}) {
        Fresh(25e-4);
        if (technique == 2) {
            Chronoamperometry(1.0);
        } else {
            m.ScanRate = 0.1, m.tdrop = 0.05, m.Eend = 0.1;
            Run(1, 4);
        }
        for (int point : technique == 2 ? std::vector<int>{1} : std::vector<int>{25, 40}) {
            const double coarse = at(1, point), middle = at(0.5, point), fine = at(0.25, point);
            const double ratio = (coarse - middle) / (middle - fine);
            EXPECT_GT(ratio, 3.0) << "technique " << technique << ", point " << point;
            EXPECT_LT(ratio, 5.5) << "technique " << technique << ", point " << point;
        }
    }
}

// Quasi-reversible kinetics (ks 0.01 cm/s at 25 um and 100 mV/s: ks a / D = 2.5) against the
// cylindrical reference, whose edge-refined grid (finest box a / 400, each next 7.2 % wider, 10
// time steps per point) is itself within 0.25 % of its converged value (halving its boxes moves
// it towards this simulation). Forward peak, reverse peak and plateau within 1 %.
TEST_F(DiscTest, QuasiReversibleVoltammogramAgreesWithACylindricalSolver) {
    m.ks(1) = 0.01, m.ScanRate = 0.1, m.tdrop = 0.05, m.ScanCycles = 1;
    Run(1, 4);
    std::vector<testing::PotentialStep> ramp;
    std::vector<double> times;
    Ramp(ramp, times);
    std::vector<testing::PotentialCorner> corners;
    for (const auto& c : ramp) corners.push_back({c.t, c.E});
    const testing::QuasiReversibleDisc disc{m.Radius, kD, kC, 0.01, 0.5, m.FoverRT, 0.1};
    const std::vector<double> reference =
        testing::CylindricalDiscCurrents(disc, corners, times, m.Radius / 400, 1.0724, m.tdrop / 10);
    ASSERT_EQ(static_cast<int>(reference.size()), m.NData.value());
    const int P = Half();
    const auto forward = std::max_element(reference.begin(), reference.begin() + P) - reference.begin();
    const auto reverse = std::min_element(reference.begin() + P, reference.end()) - reference.begin();
    EXPECT_TRUE(Near(I(static_cast<int>(forward) + 1), reference[forward], 0.01));
    EXPECT_TRUE(Near(I(static_cast<int>(reverse) + 1), reference[reverse], 0.01));
    EXPECT_TRUE(Near(I(P), reference[P - 1], 0.01));
}

// Catalytic regeneration B -> A (first order at k, or second order B + Z = A + Z with the catalyst
// Z at the reference concentration, so that it acts at k too) at a potential step: Danckwerts'
// transformation of the series. Within 0.4 % (the series' own error near tau ~ 1) at 5 and 25 um,
// from slow (k 1/s) to fast catalysis (1e4/s: a reaction layer of 0.3 um).
TEST_F(DiscTest, CatalyticStepFollowsDanckwerts) {
    for (bool secondOrder : {false, true})
        for (double radius : {5e-4, 25e-4})
            for (double k : {1.0, 100.0, 1e4})
                for (double tau : {0.1, 1.0, 30.0}) {
                    Fresh(radius);
                    if (secondOrder) {
                        m.NSpecies = 3, m.C(3) = 1e-3, m.D(3) = kD, m.NChem2 = 1, m.kf(1) = k, m.kb(1) = 0;
                        const std::int16_t reaction[] = {2, 3, 1, 3};
                        for (int s = 1; s <= 4; ++s) m.Chem2Species(1, s) = reaction[s - 1];
                    } else {
                        m.NChem = 1, m.ChemSpecies(1, 1) = 2, m.ChemSpecies(1, 2) = 1, m.kf(1) = k, m.kb(1) = 0;
                    }
                    Chronoamperometry(tau);
                    SCOPED_TRACE(::testing::Message() << (secondOrder ? "second" : "first") << " order, a " << radius
                                                      << ", k " << k << ", tau " << tau);
                    EXPECT_TRUE(Near(I(1), Steady() * kC * testing::DanckwertsStep(Step(), k, m.tdrop), 0.004));
                    if (secondOrder) {
                        EXPECT_TRUE(Near(m.Csurf(1, 3), 1e-3, 1e-9));
                    }
                }
}

// At a 1 um disc swept at 10 mV/s the current is steady (it depends on the interface potential
// alone), so a resistance only moves each point along the potential axis: the current at the
// applied E equals the unresisted curve at E + Ru I (interpolated on its 2 mV steps). Ru 1e8 ohm
// (Ru I 39 mV at the plateau), through the linear and the second-order (a catalyst that does
// nothing) solvers: within 0.3 % of the plateau.
TEST_F(DiscTest, ResistanceMovesTheSteadyWaveAlongThePotentialAxis) {
    for (bool secondOrder : {false, true}) {
        Fresh(1e-4);
        m.Estep = 0.002, m.tdrop = 0.2, m.Eend = -0.2;
        if (secondOrder) {
            m.NSpecies = 3, m.C(3) = 1e-3, m.D(3) = kD, m.NChem2 = 1, m.kf(1) = 0, m.kb(1) = 0;
            const std::int16_t reaction[] = {2, 3, 1, 3};
            for (int s = 1; s <= 4; ++s) m.Chem2Species(1, s) = reaction[s - 1];
        }
        Run(1, 4);
        std::vector<double> E, plain;
        for (int p = 1; p <= m.NData; ++p) E.push_back(m.Xdata(p)), plain.push_back(I(p));
        m.Ru = 1e8;
        Run(1, 4);
        const double plateau = plain.back();
        for (int p = 2; p <= m.NData; ++p) {
            const double Eint = m.Xdata(p) + m.Ru * I(p);
            std::size_t k = 0;
            while (k + 2 < E.size() && E[k + 1] > Eint) ++k;
            const double w = (E[k] - Eint) / (E[k] - E[k + 1]);
            if (w < 0 || w > 1) continue;  // beyond the unresisted curve's start
            // quadratic through three neighbouring points
            const std::size_t j = std::min(k, E.size() - 3);
            const double x = (E[j] - Eint) / (E[j] - E[j + 1]);
            const double expected = plain[j] + x * (plain[j + 1] - plain[j]) +
                                    x * (x - 1) / 2 * (plain[j + 2] - 2 * plain[j + 1] + plain[j]);
            ASSERT_NEAR(I(p), expected, 0.003 * plateau) << (secondOrder ? "second order, " : "") << "point " << p;
        }
    }
}

// A run whose grid would take more than the memory or the arithmetic the simulation allows is refused
// before it starts, with one message that names the disc and the limit: six species linked by
// first- and second-order reactions in a square wave of 4000 points (about 2e12 operations), and
// a grid refined fifty times (5e10 bytes). The previous curve stays.
TEST_F(DiscTest, OversizedGridsAreRefusedBeforeAnythingRuns) {
    Run(1, 4);
    const double before = I(60);
    m.NSpecies = 6, m.NChem = 2, m.NChem2 = 1;  // B = C, C = D, D + E = F + B
    for (int s = 3; s <= 6; ++s) m.D(s) = kD, m.C(s) = 0;
    m.ChemSpecies(1, 1) = 2, m.ChemSpecies(1, 2) = 3, m.ChemSpecies(2, 1) = 3, m.ChemSpecies(2, 2) = 4;
    const std::int16_t second[] = {4, 5, 6, 2};
    for (int s = 1; s <= 4; ++s) m.Chem2Species(1, s) = second[s - 1];
    for (int r = 1; r <= 3; ++r) m.kf(r) = 1, m.kb(r) = 1;
    m.Estep = 0.6 / 3999, m.Technique = 5, m.CaseCode = 54;
    testing::RunEngine(wb);
    ASSERT_EQ(platform.messages.size(), 1u);
    const std::string& message = platform.messages[0];
    EXPECT_EQ(message.rfind("CV Error: The microdisc of radius .0025 cm needs ", 0), 0u) << message;
    EXPECT_NE(message.find("; the limit is 2E+11 operations! Please try again"), std::string::npos) << message;
    EXPECT_EQ(I(60), before);

    platform.messages.clear();
    Fresh(25e-4);
    Run(1, 4);
    EXPECT_EQ(SimulateDigital(m, wb.reporter(), DigitalRefinement{0.02, 0.0, 1}), 0);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_NE(platform.messages[0].find("bytes for its two-dimensional grid of "), std::string::npos)
        << platform.messages[0];
    EXPECT_NE(platform.messages[0].find("; the limit is 1E+09 bytes! Please"), std::string::npos)
        << platform.messages[0];
}

}  // namespace
}  // namespace talvex
