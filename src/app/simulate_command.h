#pragma once

namespace talvex {

class Workbench;

// The simulation driver on the workbench: the curve slot follows the display options' overlap box,
// and the new curve is noted for the quantity transform, which runs on it unless a fit is running.
void RunSimulation(Workbench& wb);

// Run > Simulate: confirms every dialog into the model, runs the simulation, redraws, enables the
// menus that need a data set and records the run time.
void Simulate(Workbench& wb);

}  // namespace talvex
