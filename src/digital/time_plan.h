#pragma once

#include "core/model.h"

// How a digital run divides time: the steps of each point of every technique, shared by the
// one-dimensional grids and the two-dimensional disc so that both carry the same timing error.
namespace talvex {

enum class Sample { None, Base, Final };

// Sub-steps of one length at one potential.
struct Phase {
    int level = 0;  // the time-step length (index into the run's levels)
    int steps = 0;
    bool pulse = false;  // at the point's potential plus the pulse, signed by the sweep direction
    Sample sample = Sample::None;
    bool extrapolate = false;  // also run in twice the steps (the next level) and extrapolate
};

inline constexpr int kMaxLevels = 3;

struct TimePlan {
    int technique = 0;
    double dt = 0.0;  // the time step the grid follows (s)
    Phase phases[2];
    int nPhases = 1;
    bool freshLayer = false;  // every point starts from the bulk solution
    double levelDt[kMaxLevels] = {};
    int nLevels = 1;
    int steps = 1;         // time steps per point (per half-period of a square wave)
    double runTime = 0.0;  // the time the grid must reach into (s)
    bool bdf = false;      // second-order steps after the first
};

// The plan for the model's technique, drop and pulse times. A sweep takes as many steps between
// two points as keep each within 0.2 RT/nF of the ramp (nMax: the largest electron number); a DC
// drop or a normal pulse 24 steps, a square-wave half-period 16; these advance by the second-order
// backward formula after one implicit Euler step. A differential pulse holds the base potential
// until tdrop - tpulse, then the pulse for tpulse in 8 steps and again in 16, extrapolated. Every
// step is divided by `split` (a refinement). An impossible time raises RunError.
TimePlan PlanTimeSteps(const Model& m, double nMax, int split);

}  // namespace talvex
