#include "simulation/kernels.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/experiments.h"
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

}  // namespace
}  // namespace talvex
