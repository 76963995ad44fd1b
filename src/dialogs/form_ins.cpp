#include "dialogs/form_ins.h"

#include <cmath>
#include <string>

#include "core/checked_math.h"
#include "core/codes.h"
#include "core/constants.h"
#include "core/text_number.h"
#include "dialogs/electrode_geometry.h"
#include "dialogs/form_mech.h"
#include "dialogs/parameter_dialogs.h"
#include "dialogs/parameter_transfer.h"

namespace talvex {
namespace {

constexpr const char* kGeometryFormat = "0.##e-0";

std::string GeometryText(double x) {
    return FormatNumber(Checked(x), kGeometryFormat);
}
std::string PlainText(double x) {
    return FieldFormat(Checked(x));
}

// The area and radius handlers write each other's field. A field that already shows the new value
// to the written precision keeps its text, so the exchange ends at once and what the user typed is
// not replaced by a rounded copy of itself (0.2821 stays, and its sphere shows an area of 1).
void Rewrite(TextBox& box, double value, std::string (*format)(double)) {
    const std::string text = format(value);
    if (IsNumber(box.text()) && format(StrictNumber(box.text())) == text) return;
    box.SetText(text);
}

void Setup(TextBox& box, Frame& frame, const char* caption, const char* tooltip, const char* text) {
    box.caption = caption;
    box.tooltip = tooltip;
    box.SetText(text);
    box.container = &frame;
}

}  // namespace

FormIns::FormIns(ParameterDialogs& dialogs) : Form("FormIns", "Instrument"), dlg_(dialogs) {
    // Defaults first, handlers afterwards: creating the dialog must not write the model.
    FrameInstrument.caption = "Instrumental Parameters";
    Setup(Estart, FrameInstrument, "E start (V)", "starting potential", "0.3");
    Setup(Eend, FrameInstrument, "E end  (V)", "ending potential", "-0.3");
    Setup(Estep, FrameInstrument, "E step (V)", "potential step", "0.005");
    Setup(V, FrameInstrument, "v (V/s)", "scan rate", "0.01");
    Setup(td, FrameInstrument, "t drop  (s)", "drop time", "0.5");
    td.locked = true;
    Setup(tp, FrameInstrument, "t pulse (s)", "pulse time width", "0.05");
    Setup(Epulse, FrameInstrument, "E pulse (V)", "pulse potential", "-0.05");
    Setup(TextF, FrameInstrument, "f (Hz)", "frequence", "10");
    Setup(txttemp, FrameInstrument, "T ( °C)", "temperature", "25");
    Setup(Noise, FrameInstrument, "Noise (%)", "ratio of noise to maxinum signal", "0");
    ComboScan.caption = "Scan";
    ComboScan.list = {"single", "cycle", "2 cycles"};
    ComboScan.container = &FrameInstrument;
    ComboScan.Select(0);

    FrameElectrode.caption = "Electrode";
    for (int k = 1; k <= electrode::kCount; ++k) {
        optElectrode(k).caption = GeometryOf(k)->caption;
        optElectrode(k).container = &FrameElectrode;
    }
    GroupOptions(optElectrode);
    optElectrode(1).Select();
    // The Mechanism dialog starts in digital mode, where the thin film is not offered.
    optElectrode(electrode::ThinFilm).enabled = false;
    Setup(ARE, FrameElectrode, "Area (cm ²)", "electrode area", "1");
    Setup(radius, FrameElectrode, "Radius (cm)", "electrode radius", "0.2821");
    radius.visible = radius.captionVisible = false;
    Setup(leng, FrameElectrode, "Length (cm)", "electrode length or film thickness", "0.01");
    leng.visible = leng.captionVisible = false;
    Setup(TextRrate, FrameElectrode, "Rotation (rpm):", "electrode rotation rate", "100");
    TextRrate.visible = TextRrate.captionVisible = false;
    Setup(TextDis, FrameElectrode, "Dis (cm)", "Distance", "1");

    FrameBaseline.caption = "Baseline";
    Setup(TxtI0, FrameBaseline, "I start (A)", "start current", "0");
    Setup(TxtI1, FrameBaseline, "I end (A)", "end current", "0");
    Setup(Cdl, FrameBaseline, "C d (F)", "double layer capacitor", "0");
    Setup(txtRu, FrameBaseline, "R u", "resistance", "0");
    LabelOhm.SetCaption("Ω");
    LabelOhm.container = &FrameBaseline;
    CheckFitBaseline.caption = "fit baseline";
    CheckFitBaseline.tooltip = "Auto Fit fits I start and I end along with the ticked parameters";
    CheckFitBaseline.container = &FrameBaseline;

    CheckPreCon.caption = "Preconcentration";
    FramePre.visible = false;
    Setup(txtEPre, FramePre, "E pre (V)", "preconcentration potential", "-0.3");
    Setup(txtTPre, FramePre, "t pre (s)", "preconcentration time", "600");
    Setup(txtPconst, FramePre, "P const", "electrode constant", "10");
    Setup(txtRStir, FramePre, "R stir  (rpm)", "stirring rate", "100");
    Setup(txtTpreconst, FramePre, "t pre const (/s)", "preconcentration time constant", "1e-3");

    cmdOK.caption = "OK";

    onActivate = [this] { Form_Activate(); };
    for (int k = 1; k <= electrode::kCount; ++k) optElectrode(k).onClick = [this, k] { optElectrode_Click(k); };
    radius.onChange = [this] { radius_Change(); };
    leng.onChange = [this] { radius_Change(); };
    ARE.onChange = [this] { ARE_Change(); };
    Estep.onChange = [this] { Estep_Change(); };
    V.onChange = [this] { V_Change(); };
    TextF.onChange = [this] { TextF_Change(); };
    CheckPreCon.onClick = [this] { CheckPreCon_Click(); };
    cmdOK.onClick = [this] { cmdOK_Click(); };
    acceptedEstep_ = Estep.text();
    acceptedV_ = V.text();
}

void FormIns::OK() {
    dlg_.formMech.OK();
    Model& m = dlg_.model;
    // Estep and V feed every division of the potential programme: text that is not a number (by
    // the rule the checks before a run use: a unit may follow after a blank) is refused, the model
    // keeps what it had and the box shows it again.
    auto strict = [this](TextBox& box, Real& target, std::string& accepted) {
        double value = 0.0;
        if (ReadField(box.text(), value) == FieldReading::Number) {
            target = std::fabs(value);
            accepted = box.text();
        } else {
            const std::string refused = box.text();
            dlg_.Message(box.caption + " must be a number, not \"" + refused + "\"; the previous value " + accepted +
                         " is kept.");
            IgnoringErrors([&] { box.SetText(accepted); });
        }
    };
    m.Estart = LeadingNumber(Estart.text());
    m.Eend = LeadingNumber(Eend.text());
    strict(Estep, m.Estep, acceptedEstep_);
    m.Area = LeadingNumber(ARE.text());
    m.Cdl = LeadingNumber(Cdl.text());
    m.BackgroundI0 = LeadingNumber(TxtI0.text());
    m.BackgroundI1 = LeadingNumber(TxtI1.text());
    m.ElectrodeDistance = LeadingNumber(TextDis.text());
    m.Ru = LeadingNumber(txtRu.text());
    m.TempK = LeadingNumber(txttemp.text()) + kKelvinOffset;
    m.Epulse = LeadingNumber(Epulse.text());
    m.Noise = LeadingNumber(Noise.text());
    m.tdrop = LeadingNumber(td.text());
    m.tpulse = LeadingNumber(tp.text());
    strict(V, m.ScanRate, acceptedV_);
    m.ElectrodeLength = LeadingNumber(leng.text());
    m.Preconcentration = CheckPreCon.checked();
    m.EPre = LeadingNumber(txtEPre.text());
    m.TPre = LeadingNumber(txtTPre.text());
    m.PConst = LeadingNumber(txtPconst.text());
    m.RStir = LeadingNumber(txtRStir.text());
    // The band's field shows the half width; the model holds the radius of the hemicylinder the
    // band equals at long times, a quarter of the width (Szabo).
    m.Radius = RadiusEntry() / (m.Electrode == electrode::Band ? 2 : 1);
    m.Omega = LeadingNumber(TextRrate.text()) * kPi / 30;
    switch (ComboScan.listIndex()) {
        case 0:
            m.ScanCycles = 0.5;
            break;
        case 1:
            m.ScanCycles = 1;
            break;
        case 2:
            m.ScanCycles = 2;
            break;
        default:
            break;
    }
    radius_Change();
}

double FormIns::RadiusEntry() const {
    return radius.text() == radiusText_ ? exactRadius_ : LeadingNumber(radius.text());
}

double FormIns::AreaEntry() const {
    return ARE.text() == areaText_ ? exactArea_ : LeadingNumber(ARE.text());
}

void FormIns::radius_Change() {
    Model& m = dlg_.model;
    m.ElectrodeLength = LeadingNumber(leng.text());
    m.Preconcentration = CheckPreCon.checked();
    m.EPre = LeadingNumber(txtEPre.text());
    m.TPre = LeadingNumber(txtTPre.text());
    m.PConst = LeadingNumber(txtPconst.text());
    m.RStir = LeadingNumber(txtRStir.text());
    const ElectrodeGeometry* g = GeometryOf(m.Electrode);
    if (!g) return;
    // The area text: left unchanged when the radius or length is not a number or the result
    // would not be finite. While the radius is being written from a typed area, the area stays.
    if (!writingRadius_) {
        IgnoringErrors([&] {
            if (!g->area) return;
            const double r = radius.text() == radiusText_ ? exactRadius_ : StrictNumber(radius.text());
            const double L = g->hasLength ? StrictNumber(leng.text()) : 0.0;
            const double A = Checked(g->area(r, L));
            writingArea_ = true;
            struct Done {
                bool& flag;
                ~Done() { flag = false; }
            } done{writingArea_};
            Rewrite(ARE, A, g->plainAreaText ? PlainText : GeometryText);
            exactArea_ = A;
            areaText_ = ARE.text();
        });
    }
    IgnoringErrors([&] { m.Volume = g->volume(m.Radius, m.ElectrodeLength, AreaEntry()); });
    m.Area = AreaEntry();
}

void FormIns::ARE_Change() {
    if (writingArea_) return;  // the radius handler's own result: the radius it came from stays
    IgnoringErrors([&] {
        const ElectrodeGeometry* g = GeometryOf(dlg_.model.Electrode);
        if (!g || !g->radius) return;
        const double A = StrictNumber(ARE.text());
        const double L = g->hasLength ? StrictNumber(leng.text()) : 0.0;
        const double r = Checked(g->radius(A, L));
        exactArea_ = A;
        areaText_ = ARE.text();
        writingRadius_ = true;
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{writingRadius_};
        Rewrite(radius, r, GeometryText);
        exactRadius_ = r;
        radiusText_ = radius.text();
    });
}

void FormIns::Form_Activate() {
    switch (static_cast<int>(dlg_.model.Technique)) {
        case technique::Sweep:
        case technique::DC:
            V.visible = true;
            TextF.visible = false;
            tp.visible = false;
            Epulse.visible = false;
            break;
        case technique::NormalPulse:
        case technique::DifferentialPulse:
            V.visible = true;
            TextF.visible = false;
            tp.visible = true;
            tp.locked = false;
            Epulse.visible = true;
            break;
        case technique::SquareWave:
            V.visible = false;
            TextF.visible = true;
            tp.visible = true;
            tp.locked = true;  // follows the frequency
            Epulse.visible = true;
            break;
        default:
            break;  // no technique confirmed yet: every field stays as it is
    }
}

void FormIns::optElectrode_Click(int index) {
    dlg_.model.Electrode = index;
    const ElectrodeGeometry& g = *GeometryOf(index);
    // The electrode decides which fields exist at all: box and caption go together.
    leng.visible = leng.captionVisible = g.hasLength;
    radius.visible = radius.captionVisible = g.hasRadius;
    TextRrate.visible = TextRrate.captionVisible = g.hasRotation;
    radius.caption = index == electrode::Band ? "Half Width (cm)" : "Radius (cm)";
    leng.caption = index == electrode::ThinFilm ? "Thick (cm)" : "Length (cm)";
    radius_Change();
}

void FormIns::UpdateDropTime() {
    IgnoringErrors([&] {
        // Both are stored as magnitudes, so is the time they give.
        td.SetText(FieldFormat(std::fabs(Div(StrictNumber(Estep.text()), StrictNumber(V.text())))));
    });
}

void FormIns::Estep_Change() {
    UpdateDropTime();
}
void FormIns::V_Change() {
    UpdateDropTime();
}

void FormIns::TextF_Change() {
    IgnoringErrors([&] { tp.SetText(FieldFormat(Div(0.5, StrictNumber(TextF.text())))); });
}

void FormIns::CheckPreCon_Click() {
    FramePre.visible = !FramePre.visible;
    TransferParameters(dlg_);
}

void FormIns::cmdOK_Click() {
    OK();
    Hide();
}

}  // namespace talvex
