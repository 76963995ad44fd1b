#include "digital/ohmic_drop.h"

#include <gtest/gtest.h>

#include <cmath>

namespace talvex {
namespace {

// The interface potential of a reversible wave, I(E) = Ilim / (1 + exp(f (E - E0))) (1 mA limit),
// behind resistances from 0.1 ohm to 1 Mohm (Ru Ilim from 0.1 mV to 1 kV) and from guesses on
// either side: the root meets E = applied + Ru I(E) within 1e-9 V times the equation's slope
// 1 + Ru |dI/dE| (the bracket closes to about 1e-11 V in E), the current handed back is the one of
// the last evaluation, which is at the root, and false position needs far fewer than its 200 tries.
TEST(OhmicDrop, FindsTheInterfacePotentialForAnyResistance) {
    const double f = 38.92, E0 = 0.1, Ilim = 1e-3;
    for (double Ru : {0.1, 10.0, 100.0, 1e3, 1e4, 1e6})
        for (double applied : {-0.5, 0.05, 0.1, 0.3})
            for (double guess : {-2.0, applied, 2.0}) {
                SCOPED_TRACE(::testing::Message() << "Ru " << Ru << ", E " << applied << ", guess " << guess);
                double last = NAN;
                int calls = 0;
                auto current = [&](double E) {
                    ++calls;
                    last = E;
                    return Ilim / (1 + std::exp(f * (E - E0)));
                };
                double I = 0;
                const double E = SolveOhmicDrop(applied, Ru, guess, current, I);
                EXPECT_NEAR(E, applied + Ru * Ilim / (1 + std::exp(f * (E - E0))), 1e-9 * (1 + Ru * Ilim * f));
                EXPECT_EQ(last, E);
                EXPECT_DOUBLE_EQ(I, Ilim / (1 + std::exp(f * (E - E0))));
                EXPECT_GE(E, applied);  // a cathodic current holds the interface back
                EXPECT_LT(calls, 80);
            }
}

}  // namespace
}  // namespace talvex
