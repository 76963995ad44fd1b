#pragma once

#include <string>

#include "core/model.h"
#include "core/reporter.h"
#include "digital/simulate_digital.h"

namespace talvex {

// The digital simulation at the inlaid microdisc (electrode 4), solved in two dimensions (r, z)
// on the grid of digital/disc_grid.h: every mechanism, technique and option of the one-dimensional
// simulation, with the same time steps, the same surface kinetics ring by ring over the disc, and
// the same outputs (Ystore, Csurf as the disc's area average, MaxIter). The current is the disc's
// mean flux density times Area. Traps its own errors like SimulateDigital and returns the points
// computed. At the disc, the refinement's firstBox multiplies every box width of the
// two-dimensional grid (and beta is not used); timeSteps splits every time step.
int SimulateDisc(Model& m, Reporter& reporter, const DigitalRefinement& refinement);

// True when the disc is a plane to within kPlanarDisc of its current: the edge adds about
// sqrt(pi) L / a of the planar current, L the diffusion length of the whole run, and that share is
// below it. Such a disc (a radius of kilometres) runs on the planar grid; the two-dimensional one
// would only resolve an edge that carries nothing. False also when the model cannot be run (the
// run then reports why).
bool DiscActsAsPlane(Model& m);
inline constexpr double kPlanarDisc = 1e-7;

// The grid a microdisc run would use: N boxes across the solution, `along` boxes along the disc,
// h the first box's width at the disc's centre. Raises the run's errors.
DigitalGrid DescribeDiscGrid(Model& m);

// What a run may use at most: the eliminated blocks in memory, and the arithmetic of the whole run.
inline constexpr double kDiscMemoryLimit = 1e9;  // bytes
inline constexpr double kDiscWorkLimit = 2e11;   // multiply-adds

}  // namespace talvex
