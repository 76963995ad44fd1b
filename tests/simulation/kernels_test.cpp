#include "simulation/kernels.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/run_error.h"
#include "support/experiments.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using testing::Near;

// exp(x^2) erfc(x) in long double, by the asymptotic series where erfc underflows.
double TrueErfcScaled(long double x) {
    const long double x2 = x * x;
    if (x < 20) return static_cast<double>(std::exp(x2) * std::erfc(x));
    return static_cast<double>((1 - 1 / (2 * x2) + 3 / (4 * x2 * x2) - 15 / (8 * x2 * x2 * x2)) /
                               (x * std::sqrt(3.14159265358979323846L)));
}

// ErfcScaled: continued fraction for |x| >= 1.5, series below; both branches agree with the
// long-double value to 1e-6 over [-5, 25] (the constants 1.4142136 and 1.7724539 carry 8 digits,
// which bounds the agreement), and with the independent implementation to 1e-12.
TEST(ErfcScaled, AgreesWithIndependentEvaluations) {
    for (double x = -5; x <= 25; x += 0.01) ASSERT_TRUE(Near(ErfcScaled(x), TrueErfcScaled(x), 1e-6)) << "x = " << x;
    for (double x : {1.4999, 1.5, -1.4999, -1.5}) EXPECT_TRUE(Near(ErfcScaled(x), TrueErfcScaled(x), 1e-6)) << x;
    const auto ref = testing::ReadCsv(testing::DataPath("reference/erfc_scaled.csv"));
    for (std::size_t k = 0; k < ref.rows(); ++k)
        ASSERT_TRUE(Near(ErfcScaled(ref["x"][k]), ref["ErfcScaled"][k], 1e-12)) << "x = " << ref["x"][k];
}

// A 1 mM oxidant at E0 0.1 V, D 1e-5 cm2/s (the kernels take its square root), very fast kinetics.
KernelArgs Args(double E, double t1, double ks = 1e10) {
    const double rootD = std::sqrt(1e-5);
    return {.E = E, .ks = ks, .alpha = 0.5, .n = 1, .E0 = 0.1, .Co = 1e-3, .Do = rootD, .t1 = t1, .t2 = t1, .Cr = 0,
            .Dr = rootD, .dE = 0};
}
KernelEnv Env(double radius) { return {testing::FoverRT25(), radius, 100 * 3.141592654 / 30, 0.01}; }

// Very fast kinetics: the reversible step current n Co / (sqrt(pi t) (1/Do + exp(eta)/Dr)); far
// on the reducing side the Cottrell value n Co Do / sqrt(pi t); far on the oxidising side 0.
TEST(StepCurrent, ReachesItsLimits) {
    const double f = testing::FoverRT25(), rootPiT = std::sqrt(3.141592654 * 0.5);
    for (double E : {0.2, 0.1, 0.05}) {
        const KernelArgs a = Args(E, 0.5);
        EXPECT_TRUE(Near(StepCurrent(f, a), 1e-3 / (rootPiT * (1 / a.Do + std::exp(f * (E - 0.1)) / a.Dr)), 1e-4)) << E;
    }
    EXPECT_TRUE(Near(StepCurrent(f, Args(-0.5, 0.5)), 1e-3 * std::sqrt(1e-5) / rootPiT, 1e-6));
    EXPECT_LT(StepCurrent(f, Args(0.9, 0.5)), 1e-15);
}

// A sphere of radius far beyond the diffusion layer is a plane (g = Do/r is 1e-15 of the kinetic
// terms: rounding). At long times a microsphere carries the steady state of kinetics in series with
// radial diffusion: with equal D and Cr = 0 the flux balance f = kfe (Co - f r/D) - kbe f r/D gives
// f = kfe Co (D/r) / (D/r + kfe + kbe); the transient has decayed to 1e-10.
TEST(SphericalStepCurrent, IsPlanarAtLargeRadiusAndReachesTheKineticSteadyState) {
    const double r = 1e-4, D = 1e-5, f = testing::FoverRT25();
    for (double ks : {1e-4, 1e-2, 1.0, 1e4})
        for (double E : {0.3, 0.2, 0.1, -0.1, -0.3}) {
            KernelArgs a = Args(E, 0.5, ks);
            a.Cr = 2e-4;
            const double planar = StepCurrent(f, a);
            EXPECT_TRUE(Near(SphericalStepCurrent(Env(1e12), a), planar, 1e-9, 1e-25)) << ks << " " << E;
            EXPECT_TRUE(Near(SphericalStepParts(Env(1e12), a).transient, planar, 1e-9, 1e-25)) << ks << " " << E;
            a = Args(E, 1e18, ks);
            const double kfe = ks * std::exp(-0.5 * f * (E - 0.1)), kbe = ks * std::exp(0.5 * f * (E - 0.1));
            const double steady = kfe * 1e-3 * (D / r) / (D / r + kfe + kbe);
            const SphericalStep parts = SphericalStepParts(Env(r), a);
            EXPECT_TRUE(Near(SphericalStepCurrent(Env(r), a), steady, 1e-9)) << ks << " " << E;
            EXPECT_TRUE(Near(parts.steady, steady, 1e-12)) << ks << " " << E;
            EXPECT_TRUE(Near(parts.transient, 0, 0, 1e-9 * steady)) << ks << " " << E;
        }
}

// Levich: with fast kinetics and a fully reducing potential the disk carries
// n Co 0.62 D^(2/3) nu^(-1/6) omega^(1/2); the kinetic terms leave about 1e-15 of it.
TEST(RotatingDiskCurrent, ReachesTheLevichCurrent) {
    KernelArgs a = Args(-0.5, 0);
    a.Do = a.Dr = 1e-5;
    const double levich = 1e-3 * 0.62 * std::pow(1e-5, 2.0 / 3.0) * std::pow(0.01, -1.0 / 6.0) * std::sqrt(Env(0).Omega);
    EXPECT_TRUE(Near(RotatingDiskCurrent(Env(0), a), levich, 1e-9));
}

// Differential pulse with the drop at the end of the pulse (t2 = t1, no increment): the pulse-start
// term is the step at time 0, where ErfcScaled(0) = 1 leaves the kinetic current J = n ks exp(-alpha eta) Co.
TEST(DifferentialPulse, UsesTheBaseCurrentAtTimeZeroForThePulseStart) {
    const KernelEnv env = Env(1e-3);
    const KernelArgs a = Args(0.12, 0.05, 1e-2);
    const double J = 1e-2 * std::exp(-0.5 * testing::FoverRT25() * (0.12 - 0.1)) * 1e-3;
    EXPECT_TRUE(Near(DiffPulseCurrent(env, a), StepCurrent(env, a) - J, 1e-12));
    EXPECT_TRUE(Near(DiffPulseCurrentSph(env, a), SphericalStepCurrent(env, a) - J, 1e-12));
}

// The driver tests see the other impossible arguments; these two only the kernels can meet.
TEST(Kernels, RaiseOnImpossibleArguments) {
    KernelArgs disk = Args(0, 0.5);
    disk.Do = -1e-5, disk.Dr = 1e-5;  // a negative diffusion coefficient at the disk
    EXPECT_THROW(RotatingDiskCurrent(Env(0), disk), RunError);
    EXPECT_THROW(StepCurrent(testing::FoverRT25(), Args(-40, 0.5)), RunError);  // exp overflow
}

}  // namespace
}  // namespace talvex
