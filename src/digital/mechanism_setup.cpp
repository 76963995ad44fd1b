#include "digital/mechanism_setup.h"

#include "core/workbench.h"

namespace talvex {

void SetupMechanism(Workbench&) {}

}  // namespace talvex
