#pragma once

namespace talvex {

class ParameterDialogs;

// Copies every dialog entry into the model (the Instrument dialog's transfer first) and computes
// FoverRT, RToverF and CaseCode.
void TransferParameters(ParameterDialogs& dialogs);

// Concentration reached in the electrode by preconcentration, relative to the bulk.
double PreconcentrationFactor(ParameterDialogs& dialogs);

}  // namespace talvex
