#include "dialogs/form_mech.h"

#include <string>

#include "core/codes.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_tech.h"
#include "dialogs/parameter_dialogs.h"
#include "digital/mechanism_setup.h"

namespace talvex {
namespace {

struct MechanismOption {
    const char* caption;
    const char* tooltip;
    bool available;  // no closed-form kernel for the others
};

constexpr MechanismOption kMechanisms[] = {
    {"1)  A + ne = B", "simple charge reaction", true},
    {"2)  A + ne = B, B + ne = C", "2-step charge reaction", true},
    {"3)  A + ne = B, B + ne = C, C + ne = D", "3-step charge reaction", false},
    {"4)  A + ne = B, C + ne = D", "multicompoment charge reaction", true},
    {"5)  C = A, A + ne = B", "preceding (CE) reaction", false},
    {"6)  A + ne = B, B = C", "following (EC) reaction", false},
    {"7)  A + ne = B, B = A", "catalytic (EC') reaction", true},
    {"8)  C = A + pD, A + ne = B", "complex reaction", false},
};

}  // namespace

FormMech::FormMech(ParameterDialogs& dialogs) : Form("FormMech", "Mechanism"), dlg_(dialogs) {
    // Digital mode at first. The click handler is attached afterwards: it reaches the Instrument
    // dialog, which is created after this one and starts in the matching state.
    CheckDigital.caption = "Digital simulation";
    CheckDigital.SetChecked(true);
    CheckDigital.onClick = [this] { CheckDigital_Click(); };

    FrameAnalytical.caption = "Analytical Simulation";
    FrameAnalytical.visible = false;
    for (int i = mech.first(); i <= mech.last(); ++i) {
        const MechanismOption& option = kMechanisms[i - 1];
        mech(i).caption = option.caption;
        mech(i).tooltip = option.tooltip;
        mech(i).enabled = option.available;
        mech(i).container = &FrameAnalytical;
    }
    GroupOptions(mech);
    mech(1).Select();

    FrameEditor.visible = true;
    LabelCharge.SetCaption("Charge reaction");
    LabelChemical.SetCaption("Chemical reaction");
    for (int r = 1; r <= 3; ++r) {
        LabelChargePlus(r).SetCaption("+");
        LabelElectron(r).SetCaption(" e =");
        NEL(r).list = {"1", "2", "3"};
        NEL(r).tooltip = "electron number";
        // A fresh workbench is a started program: the main window's start-up picks entry 1.
        NEL(r).Select(0);
    }
    for (int r = 1; r <= 4; ++r) LabelChemEqual(r).SetCaption("=");
    for (int r = 1; r <= 3; ++r) {
        LabelChem2Plus(2 * r - 1).SetCaption(" +");
        LabelChem2Equal(r).SetCaption("=");
        LabelChem2Plus(2 * r).SetCaption(" +");
    }
    charge(1).SetText("Fe3+");
    charge(2).SetText("Fe2+");

    // Everything else belongs to the reaction editor.
    for (Control* c : controls())
        if (c != &CheckDigital && c != &Command1 && c != &FrameAnalytical && c != &FrameEditor &&
            c->container == nullptr)
            c->container = &FrameEditor;

    Command1.caption = "OK";
    Command1.onClick = [this] { Command1_Click(); };

    // Start-up: the model's flag follows the box.
    dlg_.model.DigitalSim = CheckDigital.checked();
}

void FormMech::OK() {
    SetupMechanism();  // the Techniques dialog's OK comes first there
}

void FormMech::SetupMechanism() {
    dlg_.formTech.OK();
    talvex::SetupMechanism(dlg_.model, dlg_.reporter, Choice());
}

MechanismChoice FormMech::Choice() const {
    MechanismChoice choice;
    for (int i = mech.first(); i <= mech.last(); ++i) {
        if (mech(i).selected()) {
            choice.mechanism = i;
            break;
        }
    }
    choice.digital = CheckDigital.checked();
    for (int i = 1; i <= 6; ++i) choice.charge(i) = charge(i).text();
    for (int r = 1; r <= 3; ++r) choice.nel(r) = NEL(r).text();
    for (int i = 1; i <= 8; ++i) choice.chem(i) = chem(i).text();
    for (int i = 1; i <= 12; ++i) choice.chem2(i) = chem2(i).text();
    return choice;
}

void FormMech::CheckDigital_Click() {
    // Each frame is inverted rather than set from the box.
    FrameEditor.visible = !FrameEditor.visible;
    FrameAnalytical.visible = !FrameAnalytical.visible;
    const bool digital = CheckDigital.checked();
    dlg_.model.DigitalSim = digital;

    // The digital grid has no thin-film branch; the closed forms have no kernels for the cylinder,
    // the hemicylinder and the rotating disk (the band's are the hemicylinder's, with its own field).
    FormIns& ins = dlg_.formIns;
    for (int k = electrode::Cylinder; k <= electrode::RotatingDisk; ++k)
        ins.optElectrode(k).enabled = digital || k == electrode::Band;
    ins.optElectrode(electrode::ThinFilm).enabled = !digital;
    // An electrode that cannot be simulated any more is not left selected: the planar one takes its
    // place, and the user is told.
    for (int k = 1; k <= electrode::kCount; ++k) {
        if (!ins.optElectrode(k).selected() || ins.optElectrode(k).enabled) continue;
        const std::string was = ins.optElectrode(k).caption;
        ins.optElectrode(electrode::Planar).Select();
        dlg_.Message("The electrode \"" + was + "\" is not offered " +
                     (digital ? "with the digital simulation" : "without the digital simulation") +
                     "; the electrode is now \"" + std::string(ins.optElectrode(electrode::Planar).caption) + "\".");
        break;
    }
}

void FormMech::Command1_Click() {
    OK();
    Hide();
}

}  // namespace talvex
