#include "simulation/corrections.h"

#include "core/workbench.h"

namespace talvex {

void AddChargingCurrent(Workbench&) {}
void AddBackgroundLine(Workbench&) {}
void AddNoise(Workbench&) {}

}  // namespace talvex
