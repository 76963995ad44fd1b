#pragma once

namespace talvex {

class Workbench;

// Turns the Mechanism dialog's choice into the species and reaction tables of the model.
void SetupMechanism(Workbench& wb);

}  // namespace talvex
