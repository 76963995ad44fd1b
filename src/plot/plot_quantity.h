#pragma once

namespace talvex {

class Workbench;

// Fills the plotted curves from the simulation results according to the display options' Y
// quantity (current, resistance, conductance, surface concentration).
void TransformPlotQuantity(Workbench& wb);

}  // namespace talvex
