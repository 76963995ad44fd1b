#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "app/simulate_command.h"
#include "simulation/kernels.h"
#include "simulation/simulation_driver.h"
#include "support/simulation_fixture.h"

namespace talvex {
namespace {

using testing::Near;

constexpr double kF = 96484.6, kPiValue = 3.141592654, kD = 1e-5, kC = 1e-6;  // kC: 1 mM in mol/cm3
const double kNone = std::nan("");
double Cottrell(double t) {
    return kF * kC * std::sqrt(kD / (kPiValue * t));
}
double SphereArea(double r) {
    return 4 * kPiValue * r * r;
}
const double kLevich =
    0.62 * kF * std::pow(kD, 2.0 / 3.0) * std::sqrt(100 * kPiValue / 30) * std::pow(0.01, -1.0 / 6.0) * kC;

// ErfcScaled (continued fraction for |x| >= 1.5, series below) against the independent
// implementation over [-5, 25], both branches, to 1e-12; and against the function itself,
// exp(x^2) erfc(x) in long double (asymptotic series where erfc underflows), to 1e-6: the 8-digit
// constants 1.4142136 and 1.7724539 of the evaluation bound the agreement.
TEST(Kernels, ErfcScaledAgreesWithIndependentEvaluations) {
    const auto ref = testing::ReadCsv(testing::DataPath("reference/erfc_scaled.csv"));
    for (std::size_t k = 0; k < ref.rows(); ++k)
        ASSERT_TRUE(Near(ErfcScaled(ref["x"][k]), ref["ErfcScaled"][k], 1e-12)) << "x = " << ref["x"][k];
    EXPECT_EQ(ErfcScaled(0), 1.0);
    for (long double x = -5; x <= 25; x += 0.01L) {
        const long double x2 = x * x;
        const long double exact = x < 20
                                      ? std::exp(x2) * std::erfc(x)
                                      : (1 - 1 / (2 * x2) + 3 / (4 * x2 * x2)) / (x * std::sqrt(3.14159265358979324L));
        ASSERT_TRUE(Near(ErfcScaled(static_cast<double>(x)), static_cast<double>(exact), 1e-6)) << "x = " << x;
    }
}

// A 1 mM oxidant at E0 0.1 V, D 1e-5 cm2/s (the kernels take its square root), very fast kinetics.
KernelArgs Args(double E, double t1, double ks = 1e10) {
    const double rootD = std::sqrt(kD);
    return {.E = E,
            .ks = ks,
            .alpha = 0.5,
            .n = 1,
            .E0 = 0.1,
            .Co = 1e-3,
            .Do = rootD,
            .t1 = t1,
            .t2 = t1,
            .Cr = 0,
            .Dr = rootD,
            .dE = 0};
}
KernelEnv Env(double radius) {
    return {testing::FoverRT25(), radius, 100 * kPiValue / 30, 0.01};
}

// Very fast kinetics: the reversible step current n Co / (sqrt(pi t) (1/Do + exp(eta)/Dr)); far on the
// reducing side the Cottrell value n Co Do / sqrt(pi t); far on the oxidising side 0.
TEST(Kernels, StepCurrentReachesItsLimits) {
    const double f = testing::FoverRT25(), rootD = std::sqrt(kD);
    for (double E : {0.2, 0.1, 0.05}) {
        const double reversible = 1e-3 / (std::sqrt(kPiValue * 0.5) * (1 + std::exp(f * (E - 0.1))) / rootD);
        EXPECT_TRUE(Near(StepCurrent(f, Args(E, 0.5)), reversible, 1e-4)) << E;
    }
    EXPECT_TRUE(Near(StepCurrent(f, Args(-0.5, 0.5)), 1e-3 * rootD / std::sqrt(kPiValue * 0.5), 1e-6));
    EXPECT_LT(StepCurrent(f, Args(0.9, 0.5)), 1e-15);
}

// A sphere far beyond the diffusion layer is a plane. At long times a microsphere carries kinetics in
// series with radial diffusion, f = kfe Co (D/r) / (D/r + kfe + kbe) (equal D, Cr = 0); transient 1e-10.
TEST(Kernels, SphereIsPlanarAtLargeRadiusAndReachesTheKineticSteadyState) {
    const double r = 1e-4, f = testing::FoverRT25();
    for (double ks : {1e-4, 1e-2, 1.0, 1e4})
        for (double E : {0.3, 0.2, 0.1, -0.1, -0.3}) {
            SCOPED_TRACE(::testing::Message() << "ks " << ks << ", E " << E);
            KernelArgs a = Args(E, 0.5, ks);
            a.Cr = 2e-4;
            EXPECT_TRUE(Near(SphericalStepCurrent(Env(1e12), a), StepCurrent(f, a), 1e-9, 1e-25));
            a = Args(E, 1e18, ks);
            const double kfe = ks * std::exp(-0.5 * f * (E - 0.1)), kbe = ks * std::exp(0.5 * f * (E - 0.1));
            const double steady = kfe * 1e-3 * (kD / r) / (kD / r + kfe + kbe);
            EXPECT_TRUE(Near(SphericalStepCurrent(Env(r), a), steady, 1e-9));
            EXPECT_TRUE(Near(SphericalStepParts(Env(r), a).steady, steady, 1e-12));
            EXPECT_TRUE(Near(SphericalStepParts(Env(r), a).transient, 0, 0, 1e-9 * steady));
        }
}

class TechniqueTest : public testing::SimulationTest {
  protected:
    double Last() const { return I(m.NData); }
    // Potential where the rising wave first reaches half of `plateau`, interpolated.
    double HalfWave(double plateau) const {
        for (int i = 2; i <= m.NData; ++i)
            if (I(i) >= plateau / 2)
                return m.Xdata(i - 1) + (plateau / 2 - I(i - 1)) / (I(i) - I(i - 1)) * (m.Xdata(i) - m.Xdata(i - 1));
        return 1e9;
    }
    void Sphere(double r, double area) { m.Radius = r, m.Area = area; }
};

// The independent implementation's curves (inputs in its README); rounding only, hence 1e-9.
TEST_F(TechniqueTest, EveryTechniqueMatchesTheReferenceCurves) {
    struct Case {
        const char* file;
        int technique, electrode;
        double cycles, radius, area;
    };
    const Case cases[] = {
        {"analytical_dc_planar.csv", 2, 1, 0.5, 0.2821, 1},
        {"analytical_normal_pulse_planar.csv", 3, 1, 0.5, 0.2821, 1},
        {"analytical_differential_pulse_planar.csv", 4, 1, 0.5, 0.2821, 1},
        {"analytical_dc_sphere_r1e-4.csv", 2, 2, 0.5, 1e-4, 1.26e-7},
        {"analytical_differential_pulse_planar_cycle.csv", 4, 1, 1, 0.2821, 1},
        {"analytical_dc_rotating_disk_100rpm.csv", 2, 8, 0.5, 0.2821, 1},
    };
    for (const Case& c : cases) {
        testing::DefaultExperiment(m, true);
        m.ScanCycles = c.cycles;
        Sphere(c.radius, c.area);
        Run(c.technique, c.electrode);
        EXPECT_TRUE(testing::MatchesReference(m, c.file, "total", 1e-9, 1e-20));
    }
}

// Randles-Sevcik Ip = 0.4463 nFAC sqrt(nFvD/RT), Ep = E0 - 1.109 RT/F at any rate and step (staircase +0.89 % at 10
// mV).
TEST_F(TechniqueTest, ReversibleSweepFollowsRandlesSevcikAtAnyRate) {
    for (double v : {0.001, 0.1, 1.0})
        for (double step : {0.001, 0.010}) {
            m.ScanRate = v, m.Estep = step, m.tdrop = step / v;
            Run(1, 1);
            const int peak = Peak();
            EXPECT_TRUE(Near(I(peak), 0.4463 * kF * kC * std::sqrt(m.FoverRT * v * kD), step < 0.01 ? 0.005 : 0.01))
                << v << " " << step;
            EXPECT_LE(std::fabs(m.Xdata(peak) - (0.1 - 1.109 / m.FoverRT)), step + 1e-12) << v << " " << step;
        }
}

// Theory at the last point (0.3 V past E0, ks 1e4: reversible, surface depleted to 1e-5, so 0.1 %
// where exact) or the peak; `where` is the half-wave or peak potential; a plateau has no peak above it.
TEST_F(TechniqueTest, CurrentsFollowTheTheory) {
    enum At { kLast, kPlateau, kPeak };
    struct Case {
        int mechanism, technique, electrode;
        double radius, tdrop;
        At at;
        double value, tol, where = 0, whereTol = 0;
    };
    const double R = 0.2821, sphereLimit = 4 * kPiValue * kF * kD * kC * 1e-4, discLimit = 4 * kF * kD * kC * 5e-4;
    const double sigma = std::exp(testing::FoverRT25() * 0.05 / 2), catalytic = kF * kC * std::sqrt(kD * 10);
    const double film = kF * testing::FoverRT25() * 0.01 * 1e-4 * kC / 4;  // a 1 um film at 10 mV/s
    const double shifted = 0.1 + std::log(100.0) / testing::FoverRT25();
    const Case cases[] = {
        // Cottrell nFAC sqrt(D/(pi t)); E1/2 = E0 (equal D); normal pulse steps to E + Epulse: E0 - Epulse.
        {1, 2, 1, R, 0.5, kLast, Cottrell(0.5), 1e-3, 0.1, 1e-3},
        {1, 2, 9, R, 0.5, kLast, Cottrell(0.5), 1e-3},  // DC at the thin film is the planar step
        {1, 3, 1, R, 0.5, kLast, Cottrell(0.05), 1e-3, 0.15, 1e-3},
        // Step at a sphere: nFADC (1/sqrt(pi D t) + 1/r), exact for reversible kinetics.
        {1, 2, 2, 1e-4, 0.5, kLast, SphereArea(1e-4) * (Cottrell(0.5) + kF * kD * kC / 1e-4), 1e-3},
        // Levich 0.62 nFAD^(2/3) omega^(1/2) nu^(-1/6) C, every technique (no semi-differentiation).
        {1, 1, 8, R, 0.5, kPlateau, kLevich, 5e-3},
        {1, 2, 8, R, 0.5, kLast, kLevich, 5e-3},
        {1, 3, 8, R, 0.5, kLast, kLevich, 5e-3, 0.15, 1e-3},
        // Microsphere sweep: the plateau nFADC/r, plus about 0.3 % of planar current (3 % allowed).
        {1, 1, 2, 1e-4, 0.5, kPlateau, sphereLimit, 0.03},
        // Microdisc: 4nFDCr (Saito); the sweep's transient adds 1 % (5 % allowed).
        {1, 1, 4, 5e-4, 0.5, kLast, discLimit, 0.05},
        {1, 2, 4, 5e-4, 1e4, kLast, discLimit, 2e-3},
        // Parry-Osteryoung nFAC sqrt(D/(pi tp)) (sigma-1)/(sigma+1) at E1/2 - dE/2; base decay -1 %: 1.5 %.
        {1, 4, 1, R, 0.5, kPeak, Cottrell(0.05) * (sigma - 1) / (sigma + 1), 0.015, 0.125, 0.005 + 1e-12},
        {1, 5, 1, R, 0.5, kPeak, kNone, 0, 0.1, 1e-12},  // square wave centres the difference on E0
        // Sphere sweep: Randles-Sevcik + 0.752 nFADC/r = 8.753e-5 A (staircase +0.3 %, steady state twice +1.7 %).
        {1, 1, 2, R, 0.5, kPeak, 8.753e-5, 5e-3},
        // Thin film (1 um): peak n^2 F^2 v A L C / (4RT) at E0, sampled within 1 %, and back to zero.
        {1, 1, 9, R, 0.5, kPeak, film, 0.01, 0.1, 0.0025 + 1e-12},
        {1, 1, 9, R, 0.5, kLast, 0, 1e-3 * film},
        // Mechanism 7 at the disk: the catalytic plateau added to Levich's (the step at a plane:
        // TheoryTableTest.CylinderAndCatalyticStepsAndPlateaus).
        {7, 2, 8, R, 0.5, kLast, kLevich + catalytic, 5e-3},
        // Mechanism 8 (complexed oxidant) shifts E0 by (RT/nF) ln Keq, at a microsphere too (2 mV).
        {8, 2, 1, R, 0.5, kLast, Cottrell(0.5), 1e-3, shifted, 1e-3},
        {8, 1, 2, 1e-4, 0.5, kLast, kNone, 0, shifted, 2e-3},
    };
    for (const Case& c : cases) {
        testing::DefaultExperiment(m);
        m.Mechanism = c.mechanism, m.tdrop = c.tdrop, m.kf(1) = 10, m.kb(1) = 0;  // kf, kb: mechanism 7
        if (c.mechanism == 8)
            m.NSpecies = 4, m.Keq(1) = 100, m.D(3) = kD, m.C(2) = 1e-3, m.C(4) = 0.01, m.Estart = 0.5, m.Eend = -0.1;
        if (c.electrode == 9 && c.technique == 1) m.ElectrodeLength = 1e-4;
        Sphere(c.radius, c.electrode == 2   ? SphereArea(c.radius)
                         : c.electrode == 4 ? kPiValue * c.radius * c.radius
                                            : 1);
        Run(c.technique, c.electrode);
        const int peak = Peak();
        const double got = c.at == kPeak ? I(peak) : Last();
        SCOPED_TRACE(::testing::Message() << "mechanism " << c.mechanism << ", code " << m.CaseCode);
        if (!std::isnan(c.value)) {
            EXPECT_TRUE(Near(got, c.value, c.tol, c.value == 0 ? c.tol : 0));
        }
        if (c.at == kPlateau) {
            EXPECT_LT(I(peak), 1.005 * Last());
        }
        const double where = c.at == kPeak ? m.Xdata(peak) : HalfWave(Last());
        if (c.whereTol > 0) {
            EXPECT_LE(std::fabs(where - c.where), c.whereTol);
        }
    }
}

// A failing run shows the driver's one message, keeps the previous curve and leaves only finite values.
TEST_F(TechniqueTest, FailuresShowTheDriversMessageAndLeaveFiniteCurves) {
    const std::string invalid = "Invalid procedure call or argument", byZero = "Division by zero";
    const std::pair<void (*)(Model&), std::string> cases[] = {
        {[](Model& mm) { mm.Estep = 0; }, byZero},
        {[](Model& mm) { mm.D(1) = -1e-5; }, invalid},  // square root of a negative diffusion coefficient
        // A pulse as long as the drop leaves no base current to subtract; a fit's values pass no dialog check.
        {[](Model& mm) { mm.Technique = 4, mm.CaseCode = 41, mm.tdrop = 0.05; },
         "The pulse (0.05 s) must be shorter than the drop time (0.05 s)"},
        {[](Model& mm) { mm.Electrode = 9, mm.CaseCode = 19, mm.ElectrodeLength = 0; },
         byZero},  // a film of no thickness
    };
    for (const auto& [set, description] : cases) {
        testing::DefaultExperiment(m);
        Run(1, 1);
        const double before = I(60);
        set(m);
        testing::RunEngine(wb);
        EXPECT_EQ(platform.messages, std::vector<std::string>{testing::RunFailure(description)});
        platform.messages.clear();
        EXPECT_EQ(I(60), before) << description;
        for (int i = 0; i <= 4000; ++i)
            for (int k = 0; k <= 8; ++k) ASSERT_TRUE(std::isfinite(m.Ystore(i, k))) << description;
    }
}

}  // namespace
}  // namespace talvex
