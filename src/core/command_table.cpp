#include "core/command_table.h"

#include "core/workbench.h"

namespace talvex {

void EnableAfterNewDataSet(Workbench&) {}

}  // namespace talvex
