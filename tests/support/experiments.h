#pragma once

#include "core/model.h"

namespace talvex::testing {

// The default experiment written straight into the model: Fe3+ + e = Fe2+ (A + e = B), 1 mM of A,
// D 1e-5 cm2/s, E0 0.1 V, alpha 0.5, ks 1e4 cm/s, 25 C, 1 cm2 planar electrode, 0.3 -> -0.3 V in
// 5 mV steps at 10 mV/s (tdrop 0.5 s), tpulse 0.05 s, Epulse -0.05 V, single sweep.
// Concentrations are the plain 1 mM / 0 unless `preEquilibrated` asks for the dialog's
// pre-equilibrated values at 0.3 V (9.996e-4 and 4.159e-7).
void DefaultExperiment(Model& m, bool preEquilibrated = false);

// F/RT at 25 C as the system computes it.
double FoverRT25();

}  // namespace talvex::testing
