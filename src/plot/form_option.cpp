#include "plot/form_option.h"

#include "core/workbench.h"

namespace talvex {

FormOption::FormOption(Workbench& wb) : Form("formOption", "Option"), wb_(wb) {
    overlap.caption = "Overlap";
    overlap.tooltip = "overlap plot";
    ComboY.list = {"current I", "surface concentration C"};
}

}  // namespace talvex
