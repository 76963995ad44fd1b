#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/workbench.h"
#include "simulation/simulation_driver.h"
#include "support/experiments.h"
#include "support/fake_platform.h"
#include "support/numeric.h"

namespace talvex::testing {

// A workbench on a FakePlatform whose model holds the default experiment (analytical mode).
class SimulationTest : public ::testing::Test {
  protected:
    SimulationTest() : wb(platform), m(wb.model) { DefaultExperiment(m); }
    // Runs the technique at the electrode (the dispatch key follows them) and expects no message.
    void Run(int technique, int electrode);
    double I(int i) const { return m.Yplot(i, m.CurCurve); }
    // Index of the largest current in [first, last] (last 0: NData), or the most negative one.
    int Peak(int first = 1, int last = 0, bool largest = true) const;

    FakePlatform platform;
    Workbench wb;
    Model& m;
};

// The engine on the workbench's model as a test wrote it, with no dialogs between (the desktop reads
// its typed inputs from confirmed dialogs instead): the curve slot follows the overlap box, and the
// curve is noted for the quantity transform, which runs on it unless a fit is running.
SimulationOutcome RunEngine(Workbench& wb);

// The one message of a failed run.
inline std::string RunFailure(const std::string& description) {
    return "Analytical simulation Error: " + description + "! Please try again by other initial values.";
}

// The current curve against column `column` of tests/data/reference/<file>, point by point: the
// same number of points, the potentials to 1e-12, the currents to relTol (absTol near zero).
::testing::AssertionResult MatchesReference(const Model& m, const std::string& file, const std::string& column,
                                            double relTol, double absTol);

}  // namespace talvex::testing
