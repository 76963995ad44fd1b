#pragma once

#include <functional>

#include "core/model.h"
#include "core/reporter.h"

namespace talvex {

// Turns the parameter model into one simulated curve: the potential staircase, the currents
// (digital simulation, or the closed-form kernels and the integral equations of the diffusion
// layer), the corrections and noise, then the copy into the current curve of Yplot. Runs under one error trap: a
// failure shows "Analytical simulation Error:
// ... ! Please try again by other initial values." and ends the run. The curve slot follows the
// display options' overlap box (`overlapChecked`); `afterCopy` runs inside the same trap once the
// total current is in the current curve (the caller notes it and runs the quantity transform).
// A digital run that fails part-way keeps the points computed before the failure: they go into the
// curve, ILast ends at the last of them and a message says how many there are; one that computed
// no point leaves Yplot, IFirst and ILast as they were.
struct SimulationOutcome {
    int points = 0;             // NData of the run (0 when it failed before the potentials were built)
    int computed = 0;           // points whose currents were computed
    bool curveWritten = false;  // the run's curve is in Yplot
    bool Complete() const { return curveWritten && computed == points; }
};
SimulationOutcome RunSimulation(Model& m, Reporter& reporter, bool overlapChecked,
                                const std::function<void()>& afterCopy = {});

// The potential programme alone: PointsPerSweep, NData and Xdata (kept as they are while
// fitting). More than 4000 points is rejected before anything is written.
void BuildPotentialProgramme(Model& m);

}  // namespace talvex
