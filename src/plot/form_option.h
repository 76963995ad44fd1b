#pragma once

#include "dialogs/controls.h"

namespace talvex {

class Workbench;

// The display options dialog.
class FormOption : public Form {
public:
    explicit FormOption(Workbench& wb);

    CheckBox overlap{this, "overlap"};
    ComboBox ComboY{this, "ComboY"};

private:
    Workbench& wb_;
};

}  // namespace talvex
