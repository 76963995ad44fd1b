#pragma once

#include "core/model.h"
#include "core/result_window.h"

namespace talvex {

// What closed-form theory predicts for one charge-transfer reaction of the model: the half-wave
// potential, the current basis nFA(C1 + C2), and potential, current and width of the wave or
// peak once for a reversible and once for an irreversible electron transfer (0 where the
// technique and electrode have no such value).
struct TheoryValues {
    double Ehalf = 0;
    double B = 0;
    double Erev = 0, Irev = 0, Wrev = 0;
    double Eirr = 0, Iirr = 0, Wirr = 0;
};

// Reaction r (1..NCharge) of the model as it stands; the caller has transferred the dialogs.
TheoryValues TheoryFor(const Model& m, int r);

// Prints the theoretical values of every charge-transfer reaction to `out`.
void TheoreticalPeaks(const Model& m, ResultWindow& out);

}  // namespace talvex
