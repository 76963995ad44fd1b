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

std::optional<double> SecondOrderEquilibrium(Chem2Form form, double K, double a, double b, double c, double d) {
    double p = 1, q = 0, s = 0;
    switch (form) {
        case Chem2Form::OneProduct:
            q = -(a + b + 1 / K);
            s = a * b - c / K;
            break;
        case Chem2Form::OneReactant:
            q = c + d + K;
            s = c * d - K * a;
            break;
        case Chem2Form::Full:
            p = 1 - K;
            q = c + d + K * (a + b);
            s = c * d - K * a * b;
            break;
    }
    const double disc = q * q - 4 * p * s;
    if (!std::isfinite(disc) || disc < 0) return std::nullopt;
    // x1 = (-q - sqrt)/(2p), x2 = (-q + sqrt)/(2p), computed without cancellation: one of them is
    // t/p, the other s/t. With p = 0 (the full form at K = 1) the t/p root is at infinity and s/t
    // is the root of the remaining linear equation.
    const double t = -(q + std::copysign(std::sqrt(disc), q)) / 2;
    std::optional<double> big, small;
    if (p != 0) big = t / p;
    if (t != 0)
        small = s / t;
    else
        small = big;  // q = 0 and a double root
    const std::optional<double> x1 = q >= 0 ? big : small;
    const std::optional<double> x2 = q >= 0 ? small : big;
    const auto passes = [&](const std::optional<double>& x) {
        if (!x || !std::isfinite(*x)) return false;
        switch (form) {
            case Chem2Form::OneProduct:
                return a - *x > 0 && b - *x > 0 && c + *x > 0;
            case Chem2Form::OneReactant:
                return a - *x > 0 && c + *x > 0 && d + *x > 0;
            case Chem2Form::Full:
                return a - *x > 0 && b - *x > 0 && c + *x > 0 && d + *x > 0;
        }
        return false;
    };
    if (passes(x1)) return x1;
    if (passes(x2)) return x2;
    return std::nullopt;
}

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
    Form_Activate();
    TransferParameters(dlg_);
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
        for (int r = 1; r <= m.NCharge; ++r) IgnoringErrors([&] { EquilibrateChargeTransfer(r); });
        for (int j = 1; j <= m.NChem; ++j) IgnoringErrors([&] { EquilibrateFirstOrder(j); });
        for (int j = 1; j <= m.NChem2; ++j) IgnoringErrors([&] { EquilibrateSecondOrder(j); });
    }
    if (dlg_.formIns.CheckPreCon.checked()) {
        IgnoringErrors(
            [&] { Cinit(2).SetCaption(Concentration(StrictNumber(C(1).text()) * PreconcentrationFactor(dlg_))); });
    }
}

// Nernst equilibrium of ox + ne = red at the start potential.
void FormExpr::EquilibrateChargeTransfer(int r) {
    const Model& m = dlg_.model;
    const double E = StrictNumber(dlg_.formIns.Estart.text());
    const int ox = m.ChargeSpecies(r, 1);
    const int red = m.ChargeSpecies(r, 2);
    const double n = StrictNumber(dlg_.formMech.NEL(r).text());
    const double e0 = StrictNumber(Eze(r).text());
    const double cOx = StrictNumber(Cinit(ox).caption());
    const double cRed = StrictNumber(Cinit(red).caption());
    const double theta = Exp(Checked(n * m.FoverRT * (e0 - E)));
    const double delta = Div(Checked(theta * cOx - cRed), Checked(1 + theta));
    const std::string newOx = Concentration(cOx - delta);
    const std::string newRed = Concentration(cRed + delta);
    Cinit(ox).SetCaption(newOx);
    Cinit(red).SetCaption(newRed);
}

// X = Y with K = [Y]/[X].
void FormExpr::EquilibrateFirstOrder(int j) {
    const Model& m = dlg_.model;
    const double K = StrictNumber(LabelKeq(j).caption());
    if (K == 0) return;
    const int X = m.ChemSpecies(j, 1);
    const int Y = m.ChemSpecies(j, 2);
    const double cX = StrictNumber(Cinit(X).caption());
    const double cY = StrictNumber(Cinit(Y).caption());
    const double delta = Div(Checked(K * cX - cY), 1 + K);
    const std::string newX = Concentration(std::max(cX - delta, 0.0));
    const std::string newY = Concentration(cY + delta);
    Cinit(X).SetCaption(newX);
    Cinit(Y).SetCaption(newY);
}

// A + B = C + D, or one of its shorter forms. A place whose box in the reaction editor is empty
// takes no part: it holds no concentration and is not written. A row with fewer species than its
// form needs, or with no root that keeps every concentration positive, is left as it is.
void FormExpr::EquilibrateSecondOrder(int j) {
    const Model& m = dlg_.model;
    const double K = StrictNumber(LabelKeq(m.NChem + j).caption());
    if (K == 0) return;
    bool filled[5] = {};
    int species[5] = {};
    double conc[5] = {};
    for (int s = 1; s <= 4; ++s) {
        filled[s] = !dlg_.formMech.chem2(4 * j - 4 + s).text().empty();
        if (!filled[s]) continue;
        species[s] = m.Chem2Species(j, s);
        conc[s] = StrictNumber(Cinit(species[s]).caption());
    }
    const int leftCount = filled[1] + filled[2];
    const int rightCount = filled[3] + filled[4];
    Chem2Form form = Chem2Form::Full;
    double a = conc[1], b = conc[2], c = conc[3], d = conc[4];
    if (!filled[3] || !filled[4]) {
        if (leftCount < 2 || rightCount < 1) return;
        form = Chem2Form::OneProduct;
        c = conc[3] + conc[4];  // the one product, in whichever place it was typed
        d = 0;
    } else if (!filled[1] || !filled[2]) {
        if (leftCount < 1) return;
        form = Chem2Form::OneReactant;
        a = conc[1] + conc[2];
        b = 0;
    }
    const std::optional<double> x = SecondOrderEquilibrium(form, K, a, b, c, d);
    if (!x) return;
    std::string text[5];
    for (int s = 1; s <= 4; ++s) {
        if (!filled[s]) continue;
        text[s] = Concentration(s <= 2 ? std::max(conc[s] - *x, 0.0) : conc[s] + *x);
    }
    for (int s = 1; s <= 4; ++s)
        if (filled[s]) Cinit(species[s]).SetCaption(text[s]);
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
