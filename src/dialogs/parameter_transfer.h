#pragma once

namespace talvex {

class ParameterDialogs;

// Copies every dialog entry into the model (the Instrument dialog's transfer first) and computes
// FoverRT, RToverF and CaseCode.
void TransferParameters(ParameterDialogs& dialogs);

// The second half of it: the Chemicals dialog's values and the derived constants, for a caller that
// has just confirmed the Instrument dialog (and through it the others) itself.
void TransferChemicals(ParameterDialogs& dialogs);

}  // namespace talvex
