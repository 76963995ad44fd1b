#include <gtest/gtest.h>

#include <cmath>

#include "app/simulate_command.h"
#include "support/simulation_fixture.h"

namespace talvex {
namespace {

using testing::Near;

// The same experiment through the closed-form kernels and through the finite-difference
// simulation: two independent routes to one physical answer, so where they part, one of them is
// wrong. Each row states how far apart they may be and why.
class AgreementTest : public testing::SimulationTest {
  protected:
    // The peak (largest magnitude) of a peaked technique, the last point of a plateau.
    double Reading(bool digital, int technique, int electrode) {
        m.DigitalSim = digital;
        Run(technique, electrode);
        if (technique == 2 || technique == 3) return I(m.NData.value());
        int best = 1;
        for (int i = 1; i <= m.NData; ++i)
            if (std::fabs(I(i)) > std::fabs(I(best))) best = i;
        return I(best);
    }
};

TEST_F(AgreementTest, ClosedFormAndDigitalGiveTheSameCurrents) {
    struct Row {
        int technique, electrode;
        double tolerance;
        const char* why;
    };
    // Sphere: radius 10 um, where the steady-state and transient parts are of the same size.
    const Row rows[] = {
        {1, 1, 0.006, "reversible sweep peak: both within 0.5 % of Randles-Sevcik"},
        {1, 2, 0.005, "sweep at a sphere: planar peak plus the radial term"},
        {2, 1, 0.03, "DC plateau: the digital run's ten implicit steps per drop add 2.6 %"},
        {2, 2, 0.03, "DC at a sphere: the same time stepping"},
        {3, 1, 0.03, "normal pulse plateau: the pulse's implicit steps add 2.6 %"},
        {3, 2, 0.03, "normal pulse at a sphere: the same time stepping"},
        {4, 1, 0.005, "differential pulse peak: the step errors cancel in the difference"},
        {4, 2, 0.01, "differential pulse at a sphere"},
    };
    for (const Row& r : rows) {
        testing::DefaultExperiment(m);
        if (r.electrode == 2) {
            m.Radius = 1e-3;
            m.Area = 4 * 3.141592654 * 1e-6;
        }
        const double closedForm = Reading(false, r.technique, r.electrode);
        const double digital = Reading(true, r.technique, r.electrode);
        EXPECT_TRUE(Near(digital, closedForm, r.tolerance)) << r.why;
    }
}

}  // namespace
}  // namespace talvex
