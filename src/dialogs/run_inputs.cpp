#include "dialogs/run_inputs.h"

#include <algorithm>
#include <cmath>

#include "core/codes.h"
#include "core/constants.h"
#include "core/text_number.h"
#include "dialogs/electrode_geometry.h"
#include "dialogs/parameter_dialogs.h"

namespace talvex {
namespace {

// What a check reads: a text box (named in the refusal, so that it can show what was kept) or any
// other text (a label's caption).
struct Entry {
    Entry(const TextBox& b) : text(b.text()), box(&b) {}  // NOLINT: a box reads as its entry
    Entry(std::string t) : text(std::move(t)) {}          // NOLINT
    std::string text;
    const TextBox* box = nullptr;
};

// Walks the fields of one dialog and keeps the first refusal; once there is one, every further
// check is skipped, so the user reads about one field at a time.
class FieldCheck {
  public:
    explicit FieldCheck(const char* dialog) : dialog_(dialog) {}

    std::optional<InputRefusal> refusal;

    // The field's number under the leading-number rule; nothing when the text does not give one
    // (then the field is refused).
    std::optional<double> Number(const std::string& field, const Entry& entry) {
        if (refusal) return std::nullopt;
        double value = 0.0;
        const std::string& text = entry.text;
        switch (ReadField(text, value)) {
            case FieldReading::Number:
                return value;
            case FieldReading::NotANumber:
                Refuse(field, entry, "a number such as 0.3 or 1e-5 (a unit may follow after a blank)");
                break;
            case FieldReading::TrailingText:
                Refuse(field, entry,
                       "a number such as 0.3 or 1e-5 with nothing right after it (a unit may follow after a blank)");
                break;
            case FieldReading::DecimalComma:
                Refuse(field, entry, "a number with a full stop as its decimal point (0.3, not 0,3)");
                break;
            case FieldReading::OutOfRange:
                Refuse(field, entry, "a number between -1.79769313486231E+308 and 1.79769313486231E+308");
                break;
        }
        return std::nullopt;
    }

    // A number for which `ok` holds, else refused with `allowed`.
    template <typename Pred>
    std::optional<double> Number(const std::string& field, const Entry& entry, Pred ok, const std::string& allowed) {
        const std::optional<double> v = Number(field, entry);
        if (v && !ok(*v)) {
            Refuse(field, entry, allowed);
            return std::nullopt;
        }
        return v;
    }
    std::optional<double> Positive(const std::string& field, const Entry& entry, const std::string& unit) {
        return Number(
            field, entry, [](double v) { return v > 0; }, "a value greater than 0" + unit);
    }
    std::optional<double> NotNegative(const std::string& field, const Entry& entry, const std::string& unit) {
        return Number(
            field, entry, [](double v) { return v >= 0; }, "a value of 0 or more" + unit);
    }

    void Refuse(std::string field, const Entry& entry, const std::string& allowed) {
        // A caption may end in a colon ("Rotation (rpm):"); the message puts its own after it.
        while (!field.empty() && (field.back() == ':' || field.back() == ' ')) field.pop_back();
        if (!refusal) refusal = InputRefusal{dialog_, field, entry.text, allowed, entry.box};
    }

  private:
    const char* dialog_;
};

int SelectedTechnique(const FormTech& tech) {
    for (int i = tech.optTech.first(); i <= tech.optTech.last(); ++i)
        if (tech.optTech(i).selected()) return i;
    return 0;
}

// CInt: to the nearest whole number, halves to the even neighbour.
double RoundHalfEven(double x) {
    return std::nearbyint(x);
}

std::optional<InputRefusal> CheckInstrument(const ParameterDialogs& d, const Model& m, RunKind kind) {
    const FormIns& ins = d.formIns;
    FieldCheck check("Instrument");
    const int tech = SelectedTechnique(d.formTech);
    const bool pulsed = tech == technique::NormalPulse || tech == technique::DifferentialPulse;
    const bool timed = tech >= technique::Sweep && tech <= technique::DifferentialPulse;

    const auto Estart = check.Number(ins.Estart.caption, ins.Estart);
    const auto Eend = check.Number(ins.Eend.caption, ins.Eend);
    const auto Estep = check.Positive(ins.Estep.caption, ins.Estep, " V");
    if (timed) {
        check.Positive(ins.V.caption, ins.V, " V/s");
        const auto td = check.Positive(ins.td.caption, ins.td, " s");
        if (pulsed) {
            const auto tp = check.Positive(ins.tp.caption, ins.tp, " s");
            if (td && tp && !(*tp < *td))
                check.Refuse(
                    ins.tp.caption, ins.tp,
                    "a pulse shorter than the drop time (t drop = " + ins.td.text() + " s, which is E step / v)");
        }
    }
    if (tech == technique::SquareWave) {
        check.Positive(ins.TextF.caption, ins.TextF, " Hz");
        check.Positive(ins.tp.caption, ins.tp, " s");
    }
    if (pulsed || tech == technique::SquareWave) check.Number(ins.Epulse.caption, ins.Epulse);
    check.Number(
        ins.txttemp.caption, ins.txttemp, [](double t) { return t + kKelvinOffset > 0; },
        "a temperature above absolute zero (-273.14 °C here, as kelvin = °C + 273.14)");
    check.NotNegative(ins.Noise.caption, ins.Noise, " %");

    // The dimensions before the area: where the electrode has them, the area follows from them.
    if (const ElectrodeGeometry* g = GeometryOf(m.Electrode)) {
        if (g->hasRadius) check.Positive(ins.radius.caption, ins.radius, " cm");
        if (g->hasLength) check.Positive(ins.leng.caption, ins.leng, " cm");
        if (g->hasRotation) check.Positive(ins.TextRrate.caption, ins.TextRrate, " rpm");
    }
    check.Positive(ins.ARE.caption, ins.ARE, " cm²");
    check.Number(ins.TxtI0.caption, ins.TxtI0);
    check.Number(ins.TxtI1.caption, ins.TxtI1);
    check.NotNegative(ins.Cdl.caption, ins.Cdl, " F");
    check.NotNegative(ins.txtRu.caption, ins.txtRu, " ohm");
    check.Number(ins.TextDis.caption, ins.TextDis);
    if (ins.CheckPreCon.checked()) {
        check.Number(ins.txtEPre.caption, ins.txtEPre);
        check.NotNegative(ins.txtTPre.caption, ins.txtTPre, " s");
        check.Number(ins.txtPconst.caption, ins.txtPconst);
        check.NotNegative(ins.txtRStir.caption, ins.txtRStir, " rpm");
    }

    // A fit runs at the measured potentials; a simulation builds them from the range and step.
    if (kind == RunKind::Simulate && !check.refusal && Estart && Eend && Estep) {
        const double range = std::fabs(*Eend - *Estart);
        if (range < *Estep) {
            check.Refuse(ins.Eend.caption, ins.Eend,
                         "a potential at least one step (E step = " + ins.Estep.text() + " V) away from E start (" +
                             ins.Estart.text() + " V)");
        } else {
            static constexpr double kCycles[] = {0.5, 1, 2};
            const int entry = ins.ComboScan.listIndex();
            const double cycles = entry >= 0 && entry < 3 ? kCycles[entry] : static_cast<double>(m.ScanCycles);
            const double perSweep = RoundHalfEven(range / *Estep) + 1;
            const double points = RoundHalfEven(cycles * 2 * perSweep);
            if (!(points <= kMaxPoints)) {
                check.Refuse(ins.Estep.caption, ins.Estep,
                             "a step that gives at most " + GeneralFormat(kMaxPoints) +
                                 " points; these settings give " + GeneralFormat(points) + " points (" +
                                 GeneralFormat(perSweep) + " per sweep, scan \"" + ins.ComboScan.text() + "\")");
            }
        }
    }
    return check.refusal;
}

std::optional<InputRefusal> CheckChemicals(const ParameterDialogs& d, const Model& m) {
    const FormExpr& e = d.formExpr;
    FieldCheck check("Chemicals");
    const auto Vis = check.Number("Vis (cm ²/s)", e.TextVis);
    if (Vis && !(*Vis > 0) && (m.Electrode == electrode::RotatingDisk || d.formIns.CheckPreCon.checked()))
        check.Refuse("Vis (cm ²/s)", e.TextVis, "a kinematic viscosity greater than 0 cm²/s");
    check.NotNegative("C (M) of the electrolyte", e.TextElectrolyteC, " mol/L");
    check.NotNegative("conductivity of the electrolyte", e.TextElectrolyteCond, "");

    const int nSpecies = std::clamp<int>(m.NSpecies, 0, kMaxSpecies);
    for (int i = 1; i <= nSpecies; ++i) {
        const std::string of = " of species " + e.specie(i).caption();
        check.Positive("D (cm ²/s)" + of, e.D(i), " cm²/s");
        check.NotNegative("C anal (M)" + of, e.C(i), " mol/L");
        check.NotNegative("C init (M)" + of, e.Cinit(i).caption(), " mol/L");
    }
    const int nCharge = std::clamp<int>(m.NCharge, 0, kMaxCharge);
    for (int r = 1; r <= nCharge; ++r) {
        const std::string of = " of reaction " + e.heter(r).caption();
        check.Number("E° (V)" + of, e.Eze(r));
        check.Number(
            "α" + of, e.alph(r), [](double a) { return a > 0 && a < 1; },
            "a transfer coefficient between 0 and 1 (both excluded)");
        check.Positive("ks (cm/s)" + of, e.ks(r), " cm/s");
    }
    const int nChem = std::clamp<int>(m.NChem + m.NChem2, 0, kMaxChem);
    for (int j = 1; j <= nChem; ++j) {
        const std::string of = " of reaction " + e.homo(j).caption();
        check.NotNegative("kf" + of, e.kf(j), "");
        check.NotNegative("kb" + of, e.kb(j), "");
    }
    return check.refusal;
}

}  // namespace

std::string InputRefusal::Message() const {
    return dialog + " dialog, " + field + ": \"" + text + "\" cannot be used. Allowed: " + allowed +
           ". Nothing was run; the curves and settings are as they were.";
}

std::optional<InputRefusal> CheckRunInputs(const ParameterDialogs& dialogs, const Model& model, RunKind kind) {
    if (auto refusal = CheckInstrument(dialogs, model, kind)) return refusal;
    return CheckChemicals(dialogs, model);
}

bool ConfirmForRun(ParameterDialogs& dialogs, RunKind kind) {
    // The confirmation writes parameters only: they alone are kept to be put back.
    const ModelParameters before = dialogs.model;
    // The box at fault shows what the last run accepted (its handlers rewrite the fields that
    // follow it); the parameters stay as they were before the command.
    auto refuse = [&](const InputRefusal& refusal) {
        dialogs.Message(refusal.Message());
        dialogs.ShowKeptText(refusal.box);
        static_cast<ModelParameters&>(dialogs.model) = before;
        return false;
    };
    // The Instrument dialog first: the chain itself would complain about some of its fields.
    if (auto refusal = CheckInstrument(dialogs, dialogs.model, kind)) return refuse(*refusal);
    dialogs.formExpr.OK();
    if (auto refusal = CheckRunInputs(dialogs, dialogs.model, kind)) return refuse(*refusal);
    dialogs.NoteAcceptedTexts();
    return true;
}

}  // namespace talvex
