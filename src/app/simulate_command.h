#pragma once

#include "simulation/simulation_driver.h"

namespace talvex {

class Workbench;

// The simulation driver on the workbench: the curve slot follows the display options' overlap box,
// and the new curve is noted for the quantity transform, which runs on it unless a fit is running.
// A run that ends without a curve (an error before the currents were in) puts the curve counters,
// NData, IFirst, ILast and the potentials back as they were, so every stored curve stays usable.
SimulationOutcome RunSimulation(Workbench& wb);

// Run > Simulate: checks and confirms every dialog into the model (ConfirmForRun: a refusal runs
// nothing), runs the simulation, redraws, enables the menus that need a data set and records the
// run time.
void Simulate(Workbench& wb);

}  // namespace talvex
