#include <gtest/gtest.h>

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
    // The peak of a peaked technique (all peak upwards here), the last point of a plateau.
    double Reading(bool digital, int technique, int electrode) {
        m.DigitalSim = digital;
        Run(technique, electrode);
        return I(technique == 2 || technique == 3 ? m.NData.value() : Peak());
    }
};

TEST_F(AgreementTest, ClosedFormAndDigitalGiveTheSameCurrents) {
    struct Row {
        int technique, electrode;
        double tolerance;
        const char* why;
        double ks = 1e4;
        double Ru = 0;
        bool catalytic = false;  // closed form: mechanism 7; digital: B = A typed in the editor, kf 10/s
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
        // Regressions: the sphere's kernel at a cylinder (46 % high); mechanism 7's pulse currents
        // scaled by S/1.38 (10 % and 21 % off).
        {4, 5, 0.006, "differential pulse at a cylinder: the cylindrical grid, 0.34 %"},
        // The band, 10 um wide: both in its own field (the closed form's jump response, the grid's
        // volumes and resistances of the same field).
        {2, 7, 0.002, "DC at a band: 0.02 %"},
        {1, 7, 0.002, "sweep at a band: 0.01 %"},
        {4, 1, 0.005, "catalytic differential pulse (kf 10/s): 0.17 %", 1e4, 0, true},
        {5, 1, 0.002, "catalytic square wave (kf 10/s): 0.001 %", 1e4, 0, true},
        // Ru 300 ohm (Ru I up to 0.3 V): both paths solve the interface potential with each step's current.
        {2, 1, 0.005, "DC with Ru 300 ohm: 0.3 %", 1e4, 300},
        {3, 1, 0.003, "normal pulse with Ru 300 ohm: 0.1 %", 1e4, 300},
        {4, 1, 0.003, "differential pulse with Ru 300 ohm: 0.1 %", 1e4, 300},
        {5, 1, 0.002, "square wave with Ru 300 ohm: 0.01 %", 1e4, 300},
        // The 25 um microdisc: the disc's own transient (closed form) against the two-dimensional
        // grid; each is within 0.3 % of the Aoki-Osteryoung and Duhamel references.
        {1, 4, 0.005, "sweep at a microdisc"},
        {2, 4, 0.005, "DC at a microdisc"},
        {5, 4, 0.005, "square wave at a microdisc"},
    };
    for (const Row& r : rows) {
        testing::DefaultExperiment(m);
        m.ks(1) = r.ks, m.Ru = r.Ru;
        if (r.electrode == 2) m.Radius = 1e-3, m.Area = 4 * 3.141592654 * 1e-6;
        if (r.electrode == 5) m.Radius = 1e-3, m.ElectrodeLength = 0.1, m.Area = 2 * 3.141592654 * 1e-3 * 0.1;
        if (r.electrode == 7) m.Radius = 2.5e-4, m.ElectrodeLength = 0.1, m.Area = 1e-4;
        if (r.electrode == 4) m.Radius = 25e-4, m.Area = 3.141592654 * 25e-4 * 25e-4;
        if (r.catalytic) m.kf(1) = 10, m.kb(1) = 0, m.Mechanism = 7;
        const double closedForm = Reading(false, r.technique, r.electrode);
        if (r.catalytic) m.Mechanism = 1, m.NChem = 1, m.ChemSpecies(1, 1) = 2, m.ChemSpecies(1, 2) = 1;
        const double digital = Reading(true, r.technique, r.electrode);
        EXPECT_TRUE(Near(digital, closedForm, r.tolerance)) << r.why;
    }
}

}  // namespace
}  // namespace talvex
