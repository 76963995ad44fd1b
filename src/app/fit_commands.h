#pragma once

#include <vector>

#include "fitting/fit_driver.h"

namespace talvex {

class FormExpr;
class Workbench;

// The free parameters as the Chemicals dialog marks them: every CheckFitted box that is checked
// and visible (a hidden row belongs to no reaction of the mechanism), in index order, with the
// numbers in its TextCmin and TextCmax boxes as bounds.
std::vector<FreeParameter> GatherFreeParameters(const FormExpr& form);

// Run > Manual Fit: one simulation in fitting mode at the measured potentials, drawn as curve 2
// beside the measured curve 1.
void ManualFit(Workbench& wb);

// Run > Auto Fit: fits the checked parameters to the measured curve 1, prints the report, shows
// each fitted value beside its check box and redraws the measured and the fitted curve.
void AutoFit(Workbench& wb);

// Run > Manual Separate / Auto Separate: the fit, then the current of each charge-transfer
// reaction as a curve of its own (curves 3 and on), redrawn.
void ManualSeparate(Workbench& wb);
void AutoSeparate(Workbench& wb);

}  // namespace talvex
