#include "dialogs/parameter_dialogs.h"

namespace talvex {

// Built in this order: the Mechanism dialog's start-up state decides what the Instrument dialog
// offers, and the Chemicals dialog reads both.
ParameterDialogs::ParameterDialogs(Model& m, Reporter& r)
    : model(m), reporter(r), formTech(*this), formMech(*this), formIns(*this), formExpr(*this) {}

}  // namespace talvex
