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

// Run > Manual Fit: one simulation in fitting mode at the measured potentials, drawn beside the
// measured curve (as curve 2 beside curve 1 with overlap off), and its sum of squares printed.
void ManualFit(Workbench& wb);

// Run > Auto Fit: fits the checked parameters to the measured curve (the current curve when it is
// measured, else the last imported one, else curve 1), prints the report, shows each fitted value
// beside its check box and redraws the measured and the fitted curve. A measured curve is never
// written over. Nothing ticked: one message, nothing runs.
void AutoFit(Workbench& wb);

// Run > Use Fitted Values: the last fit's values typed into their entry fields (and the baseline's
// currents when the fit freed them), so that Simulate reproduces the fitted curve.
void UseFittedValues(Workbench& wb);

// Run > Manual Separate / Auto Separate: the fit, then the current of each charge-transfer
// reaction as a curve of its own (the columns after the fitted curve: 3 and on with overlap off),
// redrawn.
void ManualSeparate(Workbench& wb);
void AutoSeparate(Workbench& wb);

}  // namespace talvex
