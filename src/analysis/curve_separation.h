#pragma once

#include "core/model.h"

namespace talvex {

// Shows the current of each charge-transfer reaction of the last simulation beside the measured
// (curve 1) and the simulated or fitted curve (curve 2): curves 3..2 + NCharge hold columns
// 1..NCharge of Ystore over points 1..NData. NCurves is set to 2 first, so a second run gives the
// same curves. The components are not added up again: where the simulation adds charging or
// background current to the total, their sum differs from curve 2 by exactly that.
void SeparateComponents(Model& m);

}  // namespace talvex
