#pragma once

namespace talvex {

class Workbench;

// Turns the Mechanism dialog's choice into the species and reaction tables of the model: a fixed
// table for the analytical mechanisms 1..8, or the rows of the reaction editor in digital mode.
// Runs the Techniques dialog's OK first. More than 6 species or 4 chemical reactions is reported
// in a message box; the surplus is left out of the tables.
void SetupMechanism(Workbench& wb);

}  // namespace talvex
