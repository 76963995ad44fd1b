#include "simulation/kernels.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/experiments.h"
#include "core/run_error.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using testing::Near;

long double TrueErfcScaled(long double x) {
    if (x < 20) return std::exp(x * x) * std::erfc(x);
    // Asymptotic series beyond the range where erfc underflows.
    const long double x2 = x * x;
    return (1 - 1 / (2 * x2) + 3 / (4 * x2 * x2) - 15 / (8 * x2 * x2 * x2)) / (x * std::sqrt(3.14159265358979323846L));
}

// exp(x^2) erfc(x) by continued fraction for |x| >= 1.5 and by series below; both branches
// agree with the long-double value to 1e-6 over [-5, 25] (the constants 1.4142136 and 1.7724539
// carry 8 digits, which bounds the agreement).
TEST(ErfcScaled, AgreesWithAnIndependentEvaluation) {
    EXPECT_EQ(ErfcScaled(0), 1.0);
    for (double x = -5; x <= 25; x += 0.01) {
        const double expected = static_cast<double>(TrueErfcScaled(x));
        ASSERT_TRUE(Near(ErfcScaled(x), expected, 1e-6)) << "x = " << x;
    }
    for (double x : {1.4999, 1.5, -1.4999, -1.5})
        EXPECT_TRUE(Near(ErfcScaled(x), static_cast<double>(TrueErfcScaled(x)), 1e-6)) << x;
    // For negative arguments: 2 exp(x^2) - ErfcScaled(-x).
    EXPECT_TRUE(Near(ErfcScaled(-2), 2 * std::exp(4.0) - ErfcScaled(2), 1e-15));
}

TEST(ErfcScaled, MatchesTheReferenceImplementation) {
    const auto ref = testing::ReadCsv(testing::DataPath("reference/erfc_scaled.csv"));
    for (std::size_t k = 0; k < ref.rows(); ++k)
        ASSERT_TRUE(Near(ErfcScaled(ref["x"][k]), ref["ErfcScaled"][k], 1e-12)) << "x = " << ref["x"][k];
}

KernelArgs Args(double E, double t1) {
    KernelArgs a{};
    a.E = E;
    a.ks = 1e10;
    a.alpha = 0.5;
    a.n = 1;
    a.E0 = 0.1;
    a.Co = 1e-3;
    a.Do = std::sqrt(1e-5);
    a.Cr = 0;
    a.Dr = std::sqrt(1e-5);
    a.t1 = t1;
    a.t2 = t1;
    return a;
}

// Very fast kinetics: the reversible step current n Co / (sqrt(pi t) (1/Do + exp(eta)/Dr)); far
// on the reducing side the Cottrell value n Co Do / sqrt(pi t); far on the oxidising side 0.
TEST(StepCurrent, ReachesItsLimits) {
    const double f = testing::FoverRT25();
    for (double E : {0.2, 0.1, 0.05}) {
        const KernelArgs a = Args(E, 0.5);
        const double eta = f * (E - 0.1);
        const double reversible = 1e-3 / (std::sqrt(3.141592654 * 0.5) * (1 / a.Do + std::exp(eta) / a.Dr));
        EXPECT_TRUE(Near(StepCurrent(f, a), reversible, 1e-4)) << E;
    }
    const KernelArgs limit = Args(-0.5, 0.5);
    EXPECT_TRUE(Near(StepCurrent(f, limit), 1e-3 * std::sqrt(1e-5) / std::sqrt(3.141592654 * 0.5), 1e-6));
    EXPECT_LT(StepCurrent(f, Args(0.9, 0.5)), 1e-15);
}


KernelEnv Env(double radius) { return {testing::FoverRT25(), radius, 100 * 3.141592654 / 30, 0.01}; }

// At a radius far beyond the diffusion layer the sphere is a plane: g = Do/r is 1e-15 of the
// kinetic terms, so the two kernels agree to rounding.
TEST(SphericalStepCurrent, BecomesThePlanarStepAtLargeRadius) {
    for (double ks : {1e-4, 1e-2, 1e4})
        for (double E : {0.3, 0.1, 0.0, -0.3}) {
            KernelArgs a = Args(E, 0.5);
            a.ks = ks;
            a.Cr = 2e-4;
            const double planar = StepCurrent(Env(1e12).FoverRT, a);
            EXPECT_TRUE(Near(SphericalStepCurrent(Env(1e12), a), planar, 1e-9, 1e-25)) << ks << " " << E;
            EXPECT_TRUE(Near(SphericalStepParts(Env(1e12), a).transient, planar, 1e-9, 1e-25)) << ks << " " << E;
        }
}

// At long times a sphere carries the steady state of kinetics in series with radial diffusion.
// With equal D and Cr = 0 the flux balance f = kfe Co(r) - kbe Cr(r), Co(r) = Co - f r/D,
// Cr(r) = f r/D gives f = kfe Co (D/r) / (D/r + kfe + kbe); the transient has decayed to 1e-10.
TEST(SphericalStepCurrent, ReachesTheKineticSteadyStateAtLongTimes) {
    const double r = 1e-4, D = 1e-5, f = testing::FoverRT25();
    for (double ks : {1e-4, 1e-2, 1.0})
        for (double E : {0.2, 0.1, -0.1}) {
            KernelArgs a = Args(E, 1e18);
            a.ks = ks;
            const double kfe = ks * std::exp(-0.5 * f * (E - 0.1));
            const double kbe = ks * std::exp(0.5 * f * (E - 0.1));
            const double expected = kfe * 1e-3 * (D / r) / (D / r + kfe + kbe);
            EXPECT_TRUE(Near(SphericalStepCurrent(Env(r), a), expected, 1e-9)) << ks << " " << E;
            const SphericalStep parts = SphericalStepParts(Env(r), a);
            EXPECT_TRUE(Near(parts.steady, expected, 1e-12)) << ks << " " << E;
            EXPECT_TRUE(Near(parts.transient, 0, 0, 1e-9 * expected));
        }
}

// Levich: with fast kinetics and a fully reducing potential the disk carries
// n Co 0.62 D^(2/3) nu^(-1/6) omega^(1/2); the kinetic terms leave about 1e-15 of it.
TEST(RotatingDiskCurrent, ReachesTheLevichCurrent) {
    KernelArgs a = Args(-0.5, 0);
    a.Do = a.Dr = 1e-5;
    const KernelEnv env = Env(0);
    const double levich = 1e-3 * 0.62 * std::pow(1e-5, 2.0 / 3.0) * std::pow(0.01, -1.0 / 6.0) * std::sqrt(env.Omega);
    EXPECT_TRUE(Near(RotatingDiskCurrent(env, a), levich, 1e-9));
    // The difference kernels at the disk: no time dependence, so differential pulse is the plain
    // difference of the two potentials.
    a.E = 0.1;
    a.dE = -0.05;
    a.t1 = 0.05;
    a.t2 = 0.5;
    KernelArgs pulsed = a;
    pulsed.E = 0.05;
    EXPECT_EQ(DiffPulseCurrentDisk(env, a), RotatingDiskCurrent(env, pulsed) - RotatingDiskCurrent(env, a));
}

TEST(DifferenceKernels, VanishWithoutAPulseAndUseTheBaseAtTimeZero) {
    const KernelEnv env = Env(1e-3);
    KernelArgs a = Args(0.12, 0.05);
    a.ks = 1e-2;
    a.t2 = 0.5;
    a.dE = 0;
    EXPECT_EQ(SquareWaveCurrent(env, a), 0.0);
    EXPECT_EQ(SquareWaveCurrentSph(env, a), 0.0);
    // t2 = t1: the pulse-start term is the step at time 0, where ErfcScaled(0) = 1 leaves the
    // kinetic current J = n ks exp(-alpha eta) Co.
    a.t2 = a.t1;
    const double J = 1e-2 * std::exp(-0.5 * testing::FoverRT25() * (0.12 - 0.1)) * 1e-3;
    EXPECT_TRUE(Near(DiffPulseCurrent(env, a), StepCurrent(env, a) - J, 1e-12));
    EXPECT_TRUE(Near(DiffPulseCurrentSph(env, a), SphericalStepCurrent(env, a) - J, 1e-12));
}

// Every impossible argument raises the error the driver reports, never a NaN or infinity.
TEST(Kernels, RaiseOnImpossibleArguments) {
    KernelArgs a = Args(0, 0.05);
    a.t2 = 0.01;  // drop time before the pulse time: square root of a negative time
    EXPECT_THROW(DiffPulseCurrent(Env(1), a), RunError);
    EXPECT_THROW(SphericalStepCurrent(Env(0), Args(0, 0.5)), RunError);  // radius 0
    KernelArgs disk = Args(0, 0.5);
    disk.Do = disk.Dr = 1e-5;
    KernelEnv still = Env(0);
    still.Omega = 0;
    EXPECT_THROW(RotatingDiskCurrent(still, disk), RunError);
    disk.Do = -1e-5;
    EXPECT_THROW(RotatingDiskCurrent(Env(0), disk), RunError);
    EXPECT_THROW(StepCurrent(testing::FoverRT25(), Args(-40, 0.5)), RunError);  // exp overflow
}

}  // namespace
}  // namespace talvex
