#include "dialogs/form_expr.h"

#include "core/workbench.h"

namespace talvex {

FormExpr::FormExpr(Workbench& wb) : Form("FormExpr", "Chemicals"), wb_(wb) {}

void FormExpr::OK() {}

}  // namespace talvex
