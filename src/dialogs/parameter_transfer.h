#pragma once

namespace talvex {

class ParameterDialogs;

// Copies every dialog entry into the model (the Instrument dialog's transfer first) and computes
// FoverRT, RToverF and CaseCode.
void TransferParameters(ParameterDialogs& dialogs);

}  // namespace talvex
