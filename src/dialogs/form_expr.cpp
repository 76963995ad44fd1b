#include "dialogs/form_expr.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "core/checked_math.h"
#include "core/codes.h"
#include "core/constants.h"
#include "core/text_number.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "dialogs/parameter_dialogs.h"
#include "dialogs/parameter_transfer.h"

namespace talvex {
namespace {

std::string Concentration(double x) {
    return FormatNumber(Checked(x), "0.###e-#");
}
std::string EquilibriumConstant(double x) {
    return FormatNumber(Checked(x), "#.###e-#");
}

// clang-format off
constexpr const char* kColumnHeadings[] = {
    "C (M)", "λ (S cm ²/mol)", "Vis (cm ²/s)",
    "D (cm ²/s)", "C anal (M)", "C init (M)", "C fitted (M)", "C min (M)", "C max (M)",
    "D fitted (cm ²/s)", "D min", "D max",
    "E° (V)", "α", "ks (cm/s)", "ks fitted", "ks min", "ks max", "α fitted", "α min", "α max",
    "E° fitted", "E° min", "E° max",
    "kf", "kb", "Keq", "kf fitted", "kf min", "kf max", "kb fitted", "kb min", "kb max"};
// clang-format on

struct Bounds {
    int first, last;
    const char* min;
    const char* max;
};
constexpr Bounds kBounds[] = {{fit::C + 1, fit::C + 1, "1e-4", "1e-2"},  {fit::C + 2, fit::C + 6, "0", "1e-2"},
                              {fit::ks + 1, fit::ks + 3, "1e-4", "100"}, {fit::Alpha + 1, fit::Alpha + 3, "0.4", "0.6"},
                              {fit::E0 + 1, fit::E0 + 2, "-0.2", "0.2"}, {fit::E0 + 3, fit::E0 + 3, "-0.2", "0.3"},
                              {fit::kf + 1, fit::kf + 4, "1", "100"},    {fit::kb + 1, fit::kb + 4, "0.001", "1"},
                              {fit::D + 1, fit::D + 6, "1e-6", "1e-4"}};

// Labels of the analytical mechanisms: charge-transfer rows 1..3, then the chemical row.
struct MechanismLabels {
    const char* heter[3];
    const char* homo;
};
constexpr MechanismLabels kMechanismLabels[] = {
    {{"A+ne=B", nullptr, nullptr}, nullptr},   {{"A+ne=B", "B+ne=C", nullptr}, nullptr},
    {{"A+ne=B", "B+ne=C", "C+ne=D"}, nullptr}, {{"A+ne=B", "C+ne=D", nullptr}, nullptr},
    {{"A+ne=B", nullptr, nullptr}, "C=A"},     {{"A+ne=B", nullptr, nullptr}, "B=C"},
    {{"A+ne=B", nullptr, nullptr}, "B=A"},     {{"A+ne=B", nullptr, nullptr}, "C=A+pD"}};

}  // namespace

FormExpr::FormExpr(ParameterDialogs& dialogs) : Form("FormExpr", "Chemicals"), dlg_(dialogs) {
    // Defaults first, handlers afterwards: creating the dialog must not write the model.
    FrameElectrolyte.caption = "Electrolyte";
    TextElectrolyteC.SetText("0.01");
    TextElectrolyteC.tooltip = "support electrolyte concentration";
    TextElectrolyteCond.SetText("100");
    TextElectrolyteCond.tooltip = "conductivity";
    TextVis.SetText("0.01");
    TextVis.tooltip = "kinematic viscosity of solution";
    CheckPreEqu.caption = "pre-equilibration";
    CheckPreEqu.SetChecked(true);
    for (Control* c : std::initializer_list<Control*>{&TextElectrolyteC, &TextElectrolyteCond, &TextVis, &CheckPreEqu})
        c->container = &FrameElectrolyte;

    FrameSpecies.caption = "Species";
    static const char* const kSpecies[] = {"A", "B", "C", "D", "E", "F"};
    for (int i = 1; i <= 6; ++i) {
        specie(i).SetCaption(kSpecies[i - 1]);
        D(i).SetText("1e-5");
        C(i).SetText(i == 1 ? "1e-3" : "0");
        Cinit(i).SetCaption(i == 1 ? "1e-3" : "0");
        for (Control* c : std::initializer_list<Control*>{&specie(i), &D(i), &C(i), &Cinit(i)})
            c->container = &FrameSpecies;
    }

    FrameHeter.caption = "Heterogeneous Reaction";
    static const char* const kE0[] = {"0.1", "-0.1", "-0.2"};
    for (int r = 1; r <= 3; ++r) {
        heter(r).SetCaption(std::to_string(r));
        Eze(r).SetText(kE0[r - 1]);
        Eze(r).tooltip = "standard electrode potential";
        alph(r).SetText("0.5");
        alph(r).tooltip = "transfer coefficient";
        ks(r).SetText("1e4");
        for (Control* c : std::initializer_list<Control*>{&heter(r), &Eze(r), &alph(r), &ks(r)})
            c->container = &FrameHeter;
    }

    FrameHomo.caption = "Homogeneous Reaction";
    for (int j = 1; j <= 4; ++j) {
        homo(j).SetCaption(std::to_string(j));
        kf(j).SetText("10");
        kf(j).tooltip = "forward rate constant";
        kb(j).SetText("0.01");
        kb(j).tooltip = "backward rate constant";
        LabelKeq(j).tooltip = "chemical equilibrium constant";
        for (Control* c : std::initializer_list<Control*>{&homo(j), &kf(j), &kb(j), &LabelKeq(j)})
            c->container = &FrameHomo;
    }

    for (const Bounds& b : kBounds) {
        for (int k = b.first; k <= b.last; ++k) {
            TextCmin(k).SetText(b.min);
            TextCmax(k).SetText(b.max);
        }
    }
    for (int k = 1; k <= fit::kCount; ++k) {
        // The first concentration's bounds are on view from the start; the others follow their box.
        TextCmin(k).visible = k == 1;
        TextCmax(k).visible = k == 1;
        Frame* frame = (k <= fit::ks || k > fit::D) ? &FrameSpecies : (k <= fit::kf ? &FrameHeter : &FrameHomo);
        CheckFitted(k).container = frame;
        TextCmin(k).container = frame;
        TextCmax(k).container = frame;
    }

    for (int h = 1; h <= 33; ++h) LabelColumn(h).SetCaption(kColumnHeadings[h - 1]);
    cmdOK.caption = "OK";

    onActivate = [this] { Form_Activate(); };
    for (int i = 1; i <= 6; ++i) C(i).onChange = [this, i] { C_Change(i); };
    for (int r = 1; r <= 3; ++r) Eze(r).onChange = [this, r] { Eze_Change(r); };
    for (int j = 1; j <= 4; ++j) {
        kf(j).onChange = [this, j] { kf_Change(j); };
        kb(j).onChange = [this, j] { kb_Change(j); };
        LabelKeq(j).onChange = [this, j] { LabelKeq_Change(j); };
    }
    for (int k = 1; k <= fit::kCount; ++k) CheckFitted(k).onClick = [this, k] { CheckFitted_Click(k); };
    CheckPreEqu.onClick = [this] { CheckPreEqu_Click(); };
    cmdOK.onClick = [this] { cmdOK_Click(); };
}

void FormExpr::OK() {
    // The activation has confirmed the Instrument dialog and the ones before it: the chain runs once.
    Form_Activate();
    TransferChemicals(dlg_);
}

void FormExpr::Form_Activate() {
    Model& m = dlg_.model;
    dlg_.formIns.OK();
    const bool digital = dlg_.formMech.CheckDigital.checked();

    for (int i = 2; i <= 6; ++i) {
        for (Control* c : std::initializer_list<Control*>{&specie(i), &D(i), &C(i), &Cinit(i), &CheckFitted(fit::C + i),
                                                          &CheckFitted(fit::D + i)})
            c->visible = false;
    }
    const int nSpecies = std::min<int>(m.NSpecies, 6);
    for (int i = 1; i <= nSpecies; ++i) {
        if (digital) specie(i).SetCaption(m.SpeciesName(i));
        for (Control* c : std::initializer_list<Control*>{&specie(i), &D(i), &C(i), &Cinit(i), &CheckFitted(fit::C + i),
                                                          &CheckFitted(fit::D + i)})
            c->visible = true;
        ComputeInitialConcentrations();
    }

    auto heterRow = [this](int r) {
        return std::array<Control*, 7>{&heter(r),
                                       &ks(r),
                                       &alph(r),
                                       &Eze(r),
                                       &CheckFitted(fit::ks + r),
                                       &CheckFitted(fit::Alpha + r),
                                       &CheckFitted(fit::E0 + r)};
    };
    for (int r = 1; r <= 3; ++r)
        for (Control* c : heterRow(r)) c->visible = false;
    const int nCharge = std::min<int>(m.NCharge, 3);
    for (int r = 1; r <= nCharge; ++r)
        for (Control* c : heterRow(r)) c->visible = true;

    auto homoRow = [this](int j) {
        return std::array<Control*, 6>{
            &homo(j), &kb(j), &kf(j), &CheckFitted(fit::kf + j), &CheckFitted(fit::kb + j), &LabelKeq(j)};
    };
    for (int j = 1; j <= 4; ++j)
        for (Control* c : homoRow(j)) c->visible = false;
    const int nChem = std::min(m.NChem + m.NChem2, 4);
    for (int j = 1; j <= nChem; ++j) {
        for (Control* c : homoRow(j)) c->visible = true;
        UpdateKeq(j);
    }

    if (digital) {
        for (int r = 1; r <= nCharge; ++r) heter(r).SetCaption(m.ChargeLabel(r));
        for (int j = 1; j <= nChem; ++j) homo(j).SetCaption(m.ChemLabel(j));
    } else if (m.Mechanism >= 1 && m.Mechanism <= mechanism::kCount) {
        const MechanismLabels& labels = kMechanismLabels[m.Mechanism - 1];
        for (int r = 1; r <= 3; ++r)
            if (labels.heter[r - 1]) heter(r).SetCaption(labels.heter[r - 1]);
        if (labels.homo) homo(1).SetCaption(labels.homo);
    }
}

void FormExpr::UpdateKeq(int j) {
    IgnoringErrors([&] {
        const double kbValue = LeadingNumber(kb(j).text());
        if (kbValue > 0) LabelKeq(j).SetCaption(EquilibriumConstant(Div(LeadingNumber(kf(j).text()), kbValue)));
    });
}

void FormExpr::ComputeInitialConcentrations() {
    Model& m = dlg_.model;
    IgnoringErrors([&] { m.FoverRT = Div(kFaraday, Checked(m.TempK * kGasConstant)); });
    for (int i = 1; i <= 6; ++i) IgnoringErrors([&] { Cinit(i).SetCaption(Concentration(StrictNumber(C(i).text()))); });
    if (CheckPreEqu.checked()) {
        // Every number as the fields show it; one that is not a number skips the step reading it.
        auto number = [](const std::string& text) -> std::optional<double> {
            if (!IsNumber(text)) return std::nullopt;
            return StrictNumber(text);
        };
        EquilibriumInputs in;
        in.FoverRT = m.FoverRT;
        in.Estart = number(dlg_.formIns.Estart.text());
        in.nCharge = m.NCharge;
        for (int r = 1; r <= std::min<int>(m.NCharge, kMaxCharge); ++r)
            in.couple[r] = {number(dlg_.formMech.NEL(r).text()), number(Eze(r).text()), m.ChargeSpecies(r, 1),
                            m.ChargeSpecies(r, 2)};
        in.nChem = m.NChem;
        in.nChem2 = m.NChem2;
        for (int j = 1; j <= kMaxChem; ++j) {
            in.K[j] = number(LabelKeq(j).caption());
            in.chem[j] = {0, m.ChemSpecies(j, 1), m.ChemSpecies(j, 2)};
        }
        for (int j = 1; j <= std::min<int>(m.NChem2, kMaxChem); ++j) {
            for (int s = 1; s <= 4; ++s) {
                in.filled[j][s] = !dlg_.formMech.chem2(4 * j - 4 + s).text().empty();
                in.chem2[j][s] = m.Chem2Species(j, s);
            }
        }
        std::array<double, kMaxSpecies + 1> c{};
        for (int i = 1; i <= kMaxSpecies; ++i) c[i] = LeadingNumber(Cinit(i).caption());
        const std::array<double, kMaxSpecies + 1> before = c;
        Equilibrate(in, c, true);
        // Only what an equilibrium step wrote changes its caption, so a caption keeps its text
        // where no step touched it.
        for (int i = 1; i <= kMaxSpecies; ++i)
            if (c[i] != before[i]) Cinit(i).SetCaption(Concentration(c[i]));
    }
    if (dlg_.formIns.CheckPreCon.checked()) {
        IgnoringErrors(
            [&] { Cinit(2).SetCaption(Concentration(StrictNumber(C(1).text()) * PreconcentrationFactor(m))); });
    }
}

void FormExpr::C_Change(int) {
    ComputeInitialConcentrations();
}
void FormExpr::Eze_Change(int) {
    ComputeInitialConcentrations();
}
void FormExpr::kf_Change(int j) {
    UpdateKeq(j);
}
void FormExpr::kb_Change(int j) {
    UpdateKeq(j);
}
void FormExpr::LabelKeq_Change(int) {
    ComputeInitialConcentrations();
}

void FormExpr::CheckFitted_Click(int k) {
    TextCmin(k).visible = CheckFitted(k).checked();
    TextCmax(k).visible = CheckFitted(k).checked();
}

void FormExpr::CheckPreEqu_Click() {
    for (int i = 1; i <= 6; ++i) IgnoringErrors([&] { Cinit(i).SetCaption(Concentration(StrictNumber(C(i).text()))); });
    if (CheckPreEqu.checked()) ComputeInitialConcentrations();
}

void FormExpr::cmdOK_Click() {
    OK();
    Hide();
}

}  // namespace talvex
