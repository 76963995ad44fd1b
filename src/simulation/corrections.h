#pragma once

namespace talvex {

class Workbench;

// Non-faradaic terms added to the total current column after the faradaic computation, in this
// order: charging current, background line, then (display runs only) noise.
void AddChargingCurrent(Workbench& wb);
void AddBackgroundLine(Workbench& wb);
void AddNoise(Workbench& wb);

}  // namespace talvex
