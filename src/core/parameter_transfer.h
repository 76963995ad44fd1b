#pragma once

namespace talvex {

class Workbench;

// Copies every dialog entry into the model (the Instrument dialog's transfer first) and computes
// FoverRT, RToverF and CaseCode.
void TransferParameters(Workbench& wb);

// Concentration reached in the electrode by preconcentration, relative to the bulk.
double PreconcentrationFactor(Workbench& wb);

}  // namespace talvex
