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
        double ks = 1e4;
    };
    // Sphere: radius 10 um, where the steady-state and transient parts are of the same size.
    const Row rows[] = {
        {1, 1, 0.002, "reversible sweep peak: both follow the ramp (0.1 % apart at 5 mV steps)"},
        {1, 2, 0.003, "sweep at a sphere: the digital spherical grid adds 0.2 %"},
        {2, 1, 0.002, "DC plateau: both within 0.02 % of Cottrell"},
        {2, 2, 0.01, "DC at a sphere: the digital spherical grid adds 0.5 %"},
        {3, 1, 0.002, "normal pulse plateau: both within 0.02 % of Cottrell"},
        {3, 2, 0.01, "normal pulse at a sphere: the spherical grid, 0.6 %"},
        {4, 1, 0.005, "differential pulse peak: the step errors cancel in the difference"},
        {4, 2, 0.01, "differential pulse at a sphere"},
        {5, 1, 0.002, "square wave net peak: both within 0.01 % of the Cottrell superposition"},
        {5, 2, 0.01, "square wave at a sphere: the spherical grid, 0.7 %"},
        {5, 1, 0.005, "quasi-reversible square wave (ks 0.01): graded nodes and time steps, 0.2 %", 0.01},
        {5, 1, 0.005, "irreversible square wave (ks 0.001)", 0.001},
        {1, 1, 0.002, "quasi-reversible sweep (ks 0.001)", 0.001},
        {1, 5, 0.01, "sweep at a cylinder: the cylinder kernel against the cylindrical grid, 0.5 %"},
    };
    for (const Row& r : rows) {
        testing::DefaultExperiment(m);
        m.ks(1) = r.ks;
        if (r.electrode == 2) {
            m.Radius = 1e-3;
            m.Area = 4 * 3.141592654 * 1e-6;
        }
        if (r.electrode == 5) m.Radius = 1e-3, m.ElectrodeLength = 0.1, m.Area = 2 * 3.141592654 * 1e-3 * 0.1;
        const double closedForm = Reading(false, r.technique, r.electrode);
        const double digital = Reading(true, r.technique, r.electrode);
        EXPECT_TRUE(Near(digital, closedForm, r.tolerance)) << r.why;
    }
}

}  // namespace
}  // namespace talvex
