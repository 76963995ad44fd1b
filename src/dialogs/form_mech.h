#pragma once

#include "dialogs/controls.h"

namespace talvex {

class Workbench;

// The Mechanism dialog: the eight analytical mechanisms, or the reaction editor of the digital
// simulation.
class FormMech : public Form {
public:
    explicit FormMech(Workbench& wb);

    CheckBox CheckDigital{this, "CheckDigital"};
    Frame FrameAnalytical{this, "FrameAnalytical"};
    ControlArray<OptionButton, 1, 8> mech{this, "mech"};
    Frame FrameEditor{this, "FrameEditor"};
    ControlArray<TextBox, 1, 6> charge{this, "charge"};
    ControlArray<ComboBox, 1, 3> NEL{this, "NEL"};
    ControlArray<TextBox, 1, 8> chem{this, "chem"};
    ControlArray<TextBox, 1, 12> chem2{this, "chem2"};
    CommandButton Command1{this, "Command1"};

    // Runs the Techniques dialog's OK, then the mechanism setup.
    void OK();
    void CheckDigital_Click();

private:
    Workbench& wb_;
};

}  // namespace talvex
