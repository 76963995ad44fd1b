#pragma once

#include "api/result.h"
#include "api/simulation.h"
#include "simulation/simulation_driver.h"

namespace talvex {

class Workbench;

// One run of the engine on what the dialogs have confirmed into the model: the typed inputs are
// read from the model (at the measured potentials while a fit runs), the workbench's engine runs
// them, and only a run that gave a curve reaches the store: the curve goes to the column the
// overlap box chooses (a fit's column while fitting), the potentials and the working columns
// beside it, and it is noted for the quantity transform, which runs on it unless a fit is running.
// A run without a curve leaves every stored curve and counter as it was. The engine's messages go
// to the message box.
SimulationOutcome RunSimulation(Workbench& wb);

// The second half of RunSimulation for a run the workbench's engine has made elsewhere (on a
// worker thread, from the inputs RunSimulation would have read): its curve stored, its messages told.
SimulationOutcome StoreEngineRun(Workbench& wb, const api::Expected<api::Curve>& result);

// Run > Simulate: checks and confirms every dialog into the model (ConfirmForRun: a refusal runs
// nothing), runs the simulation, redraws, enables the menus that need a data set and records the
// run time.
void Simulate(Workbench& wb);

}  // namespace talvex
