#pragma once

namespace talvex {

class Workbench;

// Run > Simulate: confirms every dialog into the model, runs the simulation, redraws, enables the
// menus that need a data set and records the run time.
void Simulate(Workbench& wb);

}  // namespace talvex
