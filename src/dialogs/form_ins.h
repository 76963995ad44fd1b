#pragma once

#include "core/codes.h"
#include "dialogs/controls.h"

namespace talvex {

class ParameterDialogs;

// The Instrument dialog: potential programme, temperature and noise, the electrode with its
// dimensions, the baseline and ohmic-drop corrections, and the preconcentration step. Its fields
// keep one another consistent while the user types; OK copies them into the model.
class FormIns : public Form {
  public:
    explicit FormIns(ParameterDialogs& dialogs);

    Frame FrameInstrument{this, "FrameInstrument"};
    TextBox Estart{this, "Estart"};
    TextBox Eend{this, "Eend"};
    TextBox Estep{this, "Estep"};
    TextBox V{this, "V"};
    TextBox td{this, "td"};
    TextBox tp{this, "tp"};
    TextBox Epulse{this, "Epulse"};
    TextBox TextF{this, "TextF"};
    TextBox txttemp{this, "txttemp"};
    TextBox Noise{this, "Noise"};
    ComboBox ComboScan{this, "ComboScan"};

    Frame FrameElectrode{this, "FrameElectrode"};
    ControlArray<OptionButton, 1, electrode::kCount> optElectrode{this, "optElectrode"};
    TextBox ARE{this, "ARE"};
    TextBox radius{this, "radius"};
    TextBox leng{this, "leng"};
    TextBox TextRrate{this, "TextRrate"};
    TextBox TextDis{this, "TextDis"};

    Frame FrameBaseline{this, "FrameBaseline"};
    TextBox TxtI0{this, "TxtI0"};
    TextBox TxtI1{this, "TxtI1"};
    TextBox Cdl{this, "Cdl"};
    TextBox txtRu{this, "txtRu"};
    Label LabelOhm{this, "LabelOhm"};
    // Whether Auto Fit fits the baseline's start and end currents along with the ticked parameters.
    CheckBox CheckFitBaseline{this, "CheckFitBaseline"};

    CheckBox CheckPreCon{this, "CheckPreCon"};
    Frame FramePre{this, "FramePre"};
    TextBox txtEPre{this, "txtEPre"};
    TextBox txtTPre{this, "txtTPre"};
    TextBox txtPconst{this, "txtPconst"};
    TextBox txtRStir{this, "txtRStir"};
    TextBox txtTpreconst{this, "txtTpreconst"};

    CommandButton cmdOK{this, "cmdOK"};

    // Confirms the Mechanism dialog (and through it the Techniques dialog and the mechanism
    // setup), then stores the potential programme, instrument settings and geometry.
    void OK();
    // Recomputes the area text, ElectrodeLength, Volume and Area from the geometry fields.
    void radius_Change();
    // The radius (for the band: the half width) and the area the entries stand for: the fields
    // show them to three digits, the model takes them exactly (a typed value as typed, one that
    // follows from the other fields as computed).
    double RadiusEntry() const;
    double AreaEntry() const;

    void Form_Activate();
    void optElectrode_Click(int index);
    void ARE_Change();
    void Estep_Change();
    void V_Change();
    void TextF_Change();
    void CheckPreCon_Click();
    void cmdOK_Click();

  private:
    // The time per potential step of a linear sweep.
    void UpdateDropTime();

    ParameterDialogs& dlg_;
    // The exact values behind the texts the handlers last wrote (or read from a typed entry), and
    // those texts: while a field still shows its text, the value stands for it.
    double exactRadius_ = 0.0, exactArea_ = 0.0;
    std::string radiusText_, areaText_;
    // Set while one handler writes the other's field, so that the written text is not read back.
    bool writingArea_ = false, writingRadius_ = false;
    // E step and v as OK last took them: what a refused text gives way to.
    std::string acceptedEstep_, acceptedV_;
};

}  // namespace talvex
