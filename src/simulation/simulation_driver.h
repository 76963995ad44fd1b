#pragma once

namespace talvex {

class Workbench;
struct Model;

// Turns the parameter model into one simulated curve: the potential staircase, the currents
// (digital simulation or closed-form kernels), the corrections and noise, then the copy into the
// current curve of Yplot. Runs under one error trap: a failure shows "Analytical simulation Error:
// ... ! Please try again by other initial values." and ends the run.
void RunSimulation(Workbench& wb);

// The potential programme alone: PointsPerSweep, NData and Xdata (kept as they are while
// fitting). More than 4000 points is rejected before anything is written.
void BuildPotentialProgramme(Model& m);

}  // namespace talvex
