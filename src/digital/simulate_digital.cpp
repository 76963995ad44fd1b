#include "digital/simulate_digital.h"

#include "core/workbench.h"

namespace talvex {

void SimulateDigital(Workbench& wb) {
    wb.Message("CV Error: the digital simulation is not available yet! Please try again by other initial values.");
}

}  // namespace talvex
