#pragma once

#include "core/codes.h"
#include "dialogs/controls.h"
#include "digital/mechanism_setup.h"

namespace talvex {

class ParameterDialogs;

// The Mechanism dialog: the eight analytical mechanisms, or the reaction editor of the digital
// simulation.
class FormMech : public Form {
  public:
    explicit FormMech(ParameterDialogs& dialogs);

    CheckBox CheckDigital{this, "CheckDigital"};

    // The mechanisms with closed-form currents, shown while CheckDigital is clear.
    Frame FrameAnalytical{this, "FrameAnalytical"};
    ControlArray<OptionButton, 1, mechanism::kCount> mech{this, "mech"};

    // The reaction editor, shown while CheckDigital is set. Charge-transfer row r:
    // charge(2r-1) "+" NEL(r) " e =" charge(2r); first-order row r: chem(2r-1) "=" chem(2r);
    // second-order row r: chem2(4r-3) " +" chem2(4r-2) "=" chem2(4r-1) " +" chem2(4r).
    Frame FrameEditor{this, "FrameEditor"};
    Label LabelCharge{this, "LabelCharge"};
    Label LabelChemical{this, "LabelChemical"};
    ControlArray<TextBox, 1, 6> charge{this, "charge"};
    ControlArray<ComboBox, 1, 3> NEL{this, "NEL"};
    ControlArray<Label, 1, 3> LabelChargePlus{this, "LabelChargePlus"};
    ControlArray<Label, 1, 3> LabelElectron{this, "LabelElectron"};
    ControlArray<TextBox, 1, 8> chem{this, "chem"};
    ControlArray<Label, 1, 4> LabelChemEqual{this, "LabelChemEqual"};
    ControlArray<TextBox, 1, 12> chem2{this, "chem2"};
    ControlArray<Label, 1, 6> LabelChem2Plus{this, "LabelChem2Plus"};  // two per row
    ControlArray<Label, 1, 3> LabelChem2Equal{this, "LabelChem2Equal"};

    CommandButton Command1{this, "Command1"};

    // Runs the Techniques dialog's OK, then the mechanism setup.
    void OK();
    // The mechanism setup on what this dialog shows (the Techniques dialog's OK first).
    void SetupMechanism();
    // What the dialog holds: the chosen analytical mechanism, the digital box, the editor's texts.
    MechanismChoice Choice() const;
    void CheckDigital_Click();
    void Command1_Click();

  private:
    ParameterDialogs& dlg_;
};

}  // namespace talvex
