#pragma once

#include "dialogs/controls.h"

namespace talvex {

class Workbench;

// The Instrument dialog.
class FormIns : public Form {
public:
    explicit FormIns(Workbench& wb);

    TextBox Estart{this, "Estart"};
    TextBox Eend{this, "Eend"};
    TextBox Estep{this, "Estep"};
    ControlArray<OptionButton, 1, 9> optElectrode{this, "optElectrode"};
    TextBox TxtI0{this, "TxtI0"};
    TextBox TxtI1{this, "TxtI1"};

private:
    Workbench& wb_;
};

}  // namespace talvex
