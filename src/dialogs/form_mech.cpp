#include "dialogs/form_mech.h"

#include "core/workbench.h"

namespace talvex {

FormMech::FormMech(Workbench& wb) : Form("FormMech", "Mechanism"), wb_(wb) {}

void FormMech::OK() {}
void FormMech::CheckDigital_Click() {}

}  // namespace talvex
