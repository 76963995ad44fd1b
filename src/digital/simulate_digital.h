#pragma once

namespace talvex {

class Workbench;

// Finite-difference simulation of the mechanism in the reaction tables; fills the per-reaction
// columns and the total column of Ystore and the surface concentrations Csurf for points
// 1..NData. Traps its own errors ("CV Error: ...").
void SimulateDigital(Workbench& wb);

}  // namespace talvex
