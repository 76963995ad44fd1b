#include "dialogs/form_ins.h"

#include "core/workbench.h"

namespace talvex {

FormIns::FormIns(Workbench& wb) : Form("FormIns", "Instrument"), wb_(wb) {
    TxtI0.caption = "I start (A)";
    TxtI0.tooltip = "start current";
    TxtI0.SetText("0");
    TxtI1.caption = "I end (A)";
    TxtI1.tooltip = "end current";
    TxtI1.SetText("0");
}

}  // namespace talvex
