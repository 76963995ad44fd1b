#pragma once

#include "core/model.h"
#include "core/reporter.h"
#include "core/run_error.h"

namespace talvex {

// Finite-difference simulation of the mechanism in the reaction tables; fills the per-reaction
// columns and the total column of Ystore and the surface concentrations Csurf for points
// 1..NData. Traps its own errors ("CV Error: ...") and keeps the points computed before one.
// Returns how many points were computed: NData when the run went through, fewer after an error.
int SimulateDigital(Model& m, Reporter& reporter);

// A finer grid and time step than the run's own choice, for convergence studies: the first box
// times firstBox, the expansion beta replaced by beta when that is positive, and every sub-step
// split into timeSteps steps.
struct DigitalRefinement {
    double firstBox = 1.0;
    double beta = 0.0;
    int timeSteps = 1;
};
int SimulateDigital(Model& m, Reporter& reporter, const DigitalRefinement& refinement);

// The space and time grid a digital run would use for the model as it stands. Raises the run's
// errors instead of trapping them.
struct DigitalGrid {
    int N = 0;               // interior boxes
    double h = 0.0;          // first box (cm)
    double beta = 0.0;       // each box e^beta times wider than the one before
    double lambdaRef = 0.0;  // D dt / h^2 of the reference species
    double dt = 0.0;         // the time step that sets the grid (s)
    int along = 0;           // microdisc: boxes along the disc (the grid is N across by `along`)
};
DigitalGrid DescribeDigitalGrid(Model& m);

// Why a differential pulse cannot run when its pulse is not shorter than the drop time: the base
// current is taken after tdrop - tpulse at the base potential. The digital and the analytical run
// refuse with it alike.
RunError PulseNotShorterThanDrop(double tpulse, double tdrop);

}  // namespace talvex
