#include "core/parameter_transfer.h"

#include "core/workbench.h"

namespace talvex {

void TransferParameters(Workbench&) {}
double PreconcentrationFactor(Workbench&) { return 0; }

}  // namespace talvex
