#include "dialogs/form_tech.h"

#include "core/workbench.h"

namespace talvex {

FormTech::FormTech(Workbench& wb) : Form("FormTech", "Techniques"), wb_(wb) {}

void FormTech::OK() {}

}  // namespace talvex
