#pragma once

#include <optional>

#include "core/codes.h"
#include "core/constants.h"
#include "dialogs/controls.h"
#include "digital/initial_concentrations.h"

namespace talvex {

class ParameterDialogs;

// The Chemicals dialog: per species the diffusion coefficient and the analytical concentration,
// per charge-transfer reaction E°, α and ks, per chemical reaction kf and kb, the supporting
// electrolyte and the fit controls. It shows only the rows of the current mechanism and computes
// the initial concentrations ("C init") that reach the model.
class FormExpr : public Form {
  public:
    explicit FormExpr(ParameterDialogs& dialogs);

    Frame FrameElectrolyte{this, "FrameElectrolyte"};
    TextBox TextElectrolyteC{this, "TextElectrolyteC"};
    TextBox TextElectrolyteCond{this, "TextElectrolyteCond"};
    TextBox TextVis{this, "TextVis"};
    CheckBox CheckPreEqu{this, "CheckPreEqu"};

    Frame FrameSpecies{this, "FrameSpecies"};
    ControlArray<Label, 1, kMaxSpecies> specie{this, "specie"};
    ControlArray<TextBox, 1, kMaxSpecies> D{this, "D"};
    ControlArray<TextBox, 1, kMaxSpecies> C{this, "C"};
    ControlArray<Label, 1, kMaxSpecies> Cinit{this, "Cinit"};

    Frame FrameHeter{this, "FrameHeter"};
    ControlArray<Label, 1, kMaxCharge> heter{this, "heter"};
    ControlArray<TextBox, 1, kMaxCharge> Eze{this, "Eze"};
    ControlArray<TextBox, 1, kMaxCharge> alph{this, "alph"};
    ControlArray<TextBox, 1, kMaxCharge> ks{this, "ks"};

    Frame FrameHomo{this, "FrameHomo"};
    ControlArray<Label, 1, kMaxChem> homo{this, "homo"};
    ControlArray<TextBox, 1, kMaxChem> kf{this, "kf"};
    ControlArray<TextBox, 1, kMaxChem> kb{this, "kb"};
    ControlArray<Label, 1, kMaxChem> LabelKeq{this, "LabelKeq"};

    // Indexed by the fit parameter numbers: C 1..6, ks 7..9, Alpha 10..12, E0 13..15, kf 16..19,
    // kb 20..23, D 24..29.
    ControlArray<CheckBox, 1, fit::kCount> CheckFitted{this, "CheckFitted"};
    ControlArray<TextBox, 1, fit::kCount> TextCmin{this, "TextCmin"};
    ControlArray<TextBox, 1, fit::kCount> TextCmax{this, "TextCmax"};

    // The column headings, in the order of kColumnHeadings in form_expr.cpp.
    ControlArray<Label, 1, 33> LabelColumn{this, "LabelColumn"};

    CommandButton cmdOK{this, "cmdOK"};

    // Refreshes the dialog (the activation routine), then transfers every dialog value into the
    // model.
    void OK();

    void Form_Activate();
    // LabelKeq(j) = kf(j) / kb(j) while kb(j) is positive.
    void UpdateKeq(int j);
    // Recomputes every "C init" caption: the analytical concentrations, brought to equilibrium at
    // the start potential when pre-equilibration is checked, and preconcentrated when the
    // Instrument dialog asks for it. A step that fails is skipped.
    void ComputeInitialConcentrations();

    void C_Change(int i);
    void Eze_Change(int r);
    void kf_Change(int j);
    void kb_Change(int j);
    void LabelKeq_Change(int j);
    void CheckFitted_Click(int k);
    void CheckPreEqu_Click();
    void cmdOK_Click();

  private:
    ParameterDialogs& dlg_;
};

}  // namespace talvex
