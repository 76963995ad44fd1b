#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "core/constants.h"
#include "core/text_number.h"
#include "core/workbench.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "dialogs/form_tech.h"
#include "support/fake_platform.h"
#include "support/forms.h"
#include "support/model_values.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using Strings = std::vector<std::string>;
using testing::Describe;
using testing::ModelValues;
using testing::Near;
using testing::TypeInto;

// The dialogs of a fresh workbench.
class DialogTest : public ::testing::Test {
  protected:
    testing::FakePlatform platform;
    Workbench wb{platform};
    Model& m = wb.model;
    FormTech& tech = wb.formTech;
    FormMech& mech = wb.formMech;
    FormIns& ins = wb.formIns;
    FormExpr& f = wb.formExpr;  // Chemicals
};

// A click alone must not reach the model: the technique is stored when the Techniques dialog, or
// only the Mechanism dialog, is confirmed.
TEST_F(DialogTest, TechniqueIsStoredOnlyWhenConfirmed) {
    EXPECT_EQ(tech.caption + "|" + tech.optTech(5).caption,
              "Techniques|5)  Square wave voltammetry");
    tech.Show();
    tech.optTech(3).Click();
    EXPECT_TRUE(!tech.optTech(1).selected() && !m.Technique.assigned());
    tech.cmdOK.Click();
    EXPECT_TRUE(m.Technique == 3 && !tech.visible());
    tech.optTech(5).Click();
    mech.Show();
    mech.Command1.Click();
    EXPECT_TRUE(m.Technique == 5 && !mech.visible());
}

// The Mechanism dialog opens in digital mode with the reaction editor (Fe3+ + e = Fe2+, every row
// typeable). Clearing "Digital simulation" shows the analytical list, where only mechanisms with
// kernels can be chosen, hides the editor and swaps the Instrument dialog's electrodes.
TEST_F(DialogTest, MechanismDialogAndTheDigitalSwitch) {
    const auto state = [&] {  // DigitalSim, electrodes 5..9 enabled, list and editor
        std::string s = ModelValues(m, "DigitalSim") + " ";
        for (int k = 5; k <= 9; ++k) s += ins.optElectrode(k).enabled ? '+' : '-';
        return s + " " + Describe(mech, "mech(1) charge(1)");
    };
    const std::string one = "1)  A + ne = B on [simple charge reaction]";
    EXPECT_EQ(state(), "True ++++- " + one + " hidden | =Fe3+");
    EXPECT_EQ(
        mech.caption + ": " +
            Describe(mech, "CheckDigital charge(2) NEL(3) LabelElectron(3) mech(4) mech(8)"),
        "Mechanism: Digital simulation on | =Fe2+ | =1 [electron number] |  e = | 4)  A + ne "
        "= B, C + ne = D off [multicompoment charge reaction] hidden | 8)  C = A + pD, A + ne "
        "= B off [complex reaction] hidden disabled");
    for (TextBox* box : {&mech.charge(6), &mech.chem(8), &mech.chem2(12)})  // the last rows
        EXPECT_TRUE(box->ShownOnScreen() && box->text().empty() && box->Type("X"))
            << box->FullName();

    ASSERT_TRUE(mech.CheckDigital.Click());
    EXPECT_EQ(state(), "False ----+ " + one + " | =Fe3+ hidden");
    std::string picks;
    for (int i : {3, 5, 6, 8, 2, 4, 7, 1}) {
        const bool clicked = mech.mech(i).Click();
        picks += std::to_string(clicked) + std::to_string(mech.mech(i).selected()) + " ";
    }
    EXPECT_EQ(picks, "00 00 00 00 11 11 11 11 ");
    mech.CheckDigital.Click();
    EXPECT_EQ(state(), "True ++++- " + one + " hidden | =Fe3+");
}

// The Instrument dialog's defaults (special characters included) write nothing into the model. The
// band shows its half width and its area 2 r L, and stores a quarter of the shown width.
TEST_F(DialogTest, InstrumentDefaultsAndElectrodeFields) {
    EXPECT_EQ(
        Describe(ins, "txttemp ARE LabelOhm ComboScan txtEPre") + " / " +
            ModelValues(m, "Area Volume ElectrodeLength"),
        "T ( \xC2\xB0"
        "C)=25 [temperature] | Area (cm \xC2\xB2)=1 [electrode area] | \xCE\xA9 | Scan=single "
        "| E pre (V)=-0.3 [preconcentration potential] hidden /   ");
    const std::string none = " hidden no caption";
    for (const auto& [k, shown] :
         {std::pair{1, "Length (cm)|Radius (cm): leng" + none + " | radius" + none +
                           " | TextRrate" + none},
          {8, "Length (cm)|Radius (cm): leng" + none + " | radius | TextRrate"},
          {9, "Thick (cm)|Radius (cm): leng | radius" + none + " | TextRrate" + none},
          {7, "Length (cm)|Half Width (cm): leng | radius | TextRrate" + none}}) {
        if (k != 1) ins.optElectrode(k).Select();
        EXPECT_EQ(ModelValues(m, "Electrode") + " " + ins.leng.caption + "|" + ins.radius.caption +
                      ": " + testing::Shown(ins, "leng radius TextRrate"),
                  std::to_string(k) + " " + shown);
    }
    ASSERT_TRUE(TypeInto(ins, {"leng=0.5", "radius=0.2"}));
    EXPECT_EQ(ins.ARE.text(), "0.2");
    ins.OK();
    EXPECT_EQ(ModelValues(m, "Radius Area"), ".05 .2");
}

// The default radius is that of a sphere of 1 cm2: 4 pi 0.2821^2 = 1.00003. A handler rewrites the
// other field only when its value differs at the three shown digits, so the exchange settles at
// once; an overflowing area or a zero cylinder length leaves the dependent field as it was.
TEST_F(DialogTest, RadiusAndAreaAgreeAndSettle) {
    const auto after = [&](std::initializer_list<std::string_view> typed) {  // area|radius
        EXPECT_TRUE(TypeInto(ins, typed));
        return ins.ARE.text() + "|" + ins.radius.text();
    };
    ins.optElectrode(2).Click();
    EXPECT_EQ(after({}), "1|0.2821");
    EXPECT_EQ(after({"radius=0.3"}), "1.13e0|0.3");      // 4 pi 0.09 = 1.131
    EXPECT_EQ(after({"radius=1e200"}), "1.13e0|1e200");  // 4 pi r^2 overflows: the area stays
    EXPECT_EQ(after({"radius=0.2821"}), "1.e0|0.2821");
    EXPECT_EQ(ModelValues(m, "Electrode Area"), "2 1");
    ins.optElectrode(1).Click();
    EXPECT_EQ(ins.ARE.text(), "1.e0");

    ins.optElectrode(4).Click();
    // sqrt(0.5 / pi) = 0.39894, back to pi 0.399^2 = 0.50014; the volume is L A for the disc
    EXPECT_EQ(after({"ARE=0.5"}), "0.5|3.99e-1");
    EXPECT_TRUE(Near(m.Volume, 0.01 * 0.5, 1e-12));
    ins.optElectrode(5).Click();  // cylinder: A = 2 pi r L and back
    EXPECT_EQ(after({"leng=0.1"}), "2.51e-1|3.99e-1");
    ins.OK();
    EXPECT_TRUE(Near(m.Volume, kPi * 0.399 * 0.399 * 0.1, 1e-12));
    EXPECT_EQ(after({"leng=0", "ARE=1"}), "1|3.99e-1");
    EXPECT_TRUE(std::isfinite(m.Volume));
}

// td = |step| / v (0.2 from 0.002 and 0.01), kept while v is not a positive number; tp = 1 / (2 f)
// (0.025 from 20 Hz), kept for f = 0. Activation shows the boxes of the technique.
TEST_F(DialogTest, TimesFollowTheirFieldsAndTechniqueShowsItsBoxes) {
    std::string times;  // td|tp after each entry
    for (const char* entry :
         {"Estep=0.002", "Estep=-0.005", "V=", "V=0", "V=fast", "TextF=20", "TextF=0"}) {
        ASSERT_TRUE(TypeInto(ins, {entry}));
        times += ins.td.text() + "|" + ins.tp.text() + " ";
    }
    EXPECT_EQ(times, "0.2|0.05 0.5|0.05 0.5|0.05 0.5|0.05 0.5|0.05 0.5|0.025 0.5|0.025 ");
    for (const auto& [technique, shown] : {std::pair{5, "V hidden | TextF | tp locked | Epulse"},
                                           {3, "V | TextF hidden | tp | Epulse"},
                                           {1, "V | TextF hidden | tp hidden | Epulse hidden"}}) {
        m.Technique = technique;
        ins.Show();
        EXPECT_EQ(testing::Shown(ins, "V TextF tp Epulse"), shown);
    }
    ins.CheckPreCon.Click();
    EXPECT_TRUE(ins.txtTPre.ShownOnScreen());
    ins.CheckPreCon.Click();
    EXPECT_FALSE(ins.FramePre.visible);
}

// OK reads leading numbers, magnitudes of step and scan rate, Celsius to kelvin, an empty field as
// 0, rpm to rad/s. A step or scan rate that is not a number is reported and kept as it was.
TEST_F(DialogTest, OkStoresTheFieldsAndRefusesNonNumbers) {
    ins.OK();
    ASSERT_TRUE(TypeInto(ins, {"Estep=abc", "V=", "Estart=0.4"}));
    ins.OK();
    EXPECT_EQ(platform.messages,
              (Strings{"E step (V) must be a number, not \"abc\"; the previous value is kept.",
                       "v (V/s) must be a number, not \"\"; the previous value is kept."}));
    EXPECT_EQ(ModelValues(m, "Estep ScanRate Estart"), ".005 .01 .4");

    ASSERT_TRUE(TypeInto(ins, {"Eend=-0.4 V", "Estep=-0.002", "V=-0.05", "Cdl=", "TextRrate=300"}));
    ins.ComboScan.SelectText("2 cycles");
    ins.OK();
    EXPECT_EQ(ModelValues(m, "Eend Estep ScanRate tdrop TempK Cdl Omega ScanCycles"),
              "-.4 .002 .05 .04 298.14 0 31.41592654 2");  // 300 rpm = 300 pi / 30 rad/s
    ins.ComboScan.SelectText("single");
    ins.cmdOK.Click();
    EXPECT_TRUE(m.ScanCycles == 0.5 && !ins.visible() && platform.messages.size() == 2);
}

class FormExprTest : public DialogTest {
  protected:
    FormExprTest() { m.TempK = 298.14; }
    // A + e = B (charge transfer) or A = B, as the mechanism setup leaves the tables.
    void OneReaction(bool chargeTransfer) {
        m.NSpecies = 2;
        m.NCharge = chargeTransfer ? 1 : 0;
        m.NChem = chargeTransfer ? 0 : 1;
        m.NChem2 = 0;
        auto& places = chargeTransfer ? m.ChargeSpecies : m.ChemSpecies;
        places(1, 1) = 1;
        places(1, 2) = 2;
    }
    void SecondOrderRow(const char* p1, const char* p2, const char* p3, const char* p4) {
        const char* texts[] = {p1, p2, p3, p4};
        m.NSpecies = 3;
        m.NCharge = m.NChem = 0;
        m.NChem2 = 1;
        std::int16_t next = 1;
        for (int s = 1; s <= 4; ++s) {
            mech.chem2(s).SetText(texts[s - 1]);
            m.Chem2Species(1, s) = static_cast<std::int16_t>(*texts[s - 1] ? next++ : 0);
        }
    }
    std::string Cinit(int i) const { return f.Cinit(i).caption(); }
    // "C init" of species 1..n, after typing `typed` into the dialog.
    std::string Cinits(int n, std::initializer_list<std::string_view> typed = {}) {
        EXPECT_TRUE(TypeInto(f, typed));
        std::string s = Cinit(1);
        for (int i = 2; i <= n; ++i) s.append(" ").append(Cinit(i));
        return s;
    }
};

// Keq = kf / kb ("#.###e-#") from the defaults 10 and 0.01, then 12.345; kb = 0 leaves the label.
TEST_F(FormExprTest, KeqIsKfOverKbWhileKbIsPositive) {
    f.UpdateKeq(1);
    std::string keq = f.LabelKeq(1).caption();
    f.kf(1).Type("12.345");
    keq += " " + f.LabelKeq(1).caption();
    f.kb(1).Type("0");
    EXPECT_EQ(keq + " " + f.LabelKeq(1).caption(), "1.e3 1.235e3 1.235e3");
}

// theta = exp(38.9230 (0.1 - 0.3)) = 4.161e-4 and delta = theta 1e-3 / (1 + theta) = 4.159e-7, so
// 1e-3 M of A at 0.3 V is 9.996e-4 M of A and 4.159e-7 M of B in equilibrium (25 C, n = 1); with
// E0 at the start potential, half and half. A step that cannot be computed (theta overflowing, a
// start potential or an entry that is not a number, a reaction place that names no species) is
// skipped; no caption ever shows an infinity or a NaN. Without pre-equilibration the entries.
TEST_F(FormExprTest, ChargeTransferPreEquilibration) {
    OneReaction(true);
    f.ComputeInitialConcentrations();
    EXPECT_EQ(Cinits(3), "9.996e-4 4.159e-7 0.e0");
    EXPECT_EQ(Cinits(2, {"Eze(1)=0.3"}), "5.e-4 5.e-4");
    EXPECT_EQ(Cinits(2, {"Eze(1)=1e300"}), "1.e-3 0.e0");
    ins.Estart.SetText("start");
    EXPECT_EQ(Cinits(2, {"Eze(1)=0.1", "C(2)=1e-3", "C(1)=lots"}), "1.e-3 1.e-3");
    m.ChargeSpecies(1, 2) = 0;
    ins.Estart.SetText("0.3");
    f.ComputeInitialConcentrations();
    EXPECT_EQ(Cinit(1), "1.e-3");
    for (int i = 1; i <= 6; ++i)
        EXPECT_EQ(Cinit(i).find_first_of("IiNn"), std::string::npos) << Cinit(i);
    f.CheckPreEqu.Click();
    EXPECT_EQ(Cinits(1, {"C(1)=2e-3"}), "2.e-3");
}

// X = Y with K = 1000: delta = (1000 x 1e-3 - 0) / 1001, leaving 9.99e-7 of X and 9.99e-4 of Y.
// An equilibrium constant below -1 would push X negative: it stops at 0. K = 0 is skipped.
TEST_F(FormExprTest, FirstOrderEquilibrium) {
    OneReaction(false);
    const std::pair<const char*, const char*> cases[] = {
        {"1.e3", "9.99e-7 9.99e-4"}, {"-2.e0", "0.e0 2.e-3"}, {".e0", "1.e-3 0.e0"}};
    for (const auto& [keq, cinit] : cases) {
        f.LabelKeq(1).SetCaption(keq);
        EXPECT_EQ(Cinits(2), cinit) << keq;
    }
}

// The relation each form's amount must satisfy, written out independently of the quadratic.
double QuotientAt(Chem2Form form, double x, double a, double b, double c, double d) {
    const double products = form == Chem2Form::OneProduct ? c + x : (c + x) * (d + x);
    return products / (form == Chem2Form::OneReactant ? a - x : (a - x) * (b - x));
}

// For each form the returned amount reproduces K to 1e-9 relative (well inside the four digits
// the captions show), including cases where the textbook root formula loses most of its digits
// to cancellation (a trace of A against K = 10, K = 1e-9 for a dissociation) and the full form at
// K = 1, where the quadratic degenerates to a linear equation. Only one root leaves every
// concentration positive; the other must not be taken. No A and no C: no root passes.
TEST(SecondOrderEquilibrium, SatisfiesKAndTakesThePhysicalRoot) {
    using enum Chem2Form;
    const struct {
        Chem2Form form;
        double K, a, b, c, d;
    } cases[] = {{OneProduct, 1e3, 1e-3, 2e-3, 0, 0},   {OneProduct, 10, 1e-9, 1e-3, 0, 0},
                 {OneProduct, 1e8, 1e-3, 2e-3, 0, 0},   {OneProduct, 1e3, 0, 0, 1e-3, 0},
                 {OneReactant, 1e-3, 1e-3, 0, 0, 0},    {OneReactant, 1e-9, 1e-3, 0, 1e-3, 0},
                 {OneReactant, 1e-3, 0, 0, 1e-3, 1e-3}, {Full, 4, 1e-3, 1e-3, 0, 0},
                 {Full, 0.25, 1e-3, 1e-3, 0, 0},        {Full, 4, 0, 0, 1e-3, 1e-3},
                 {Full, 1, 1e-3, 1e-3, 0, 0},           {Full, 1, 1e-3, 3e-3, 2e-3, 0}};
    for (const auto& t : cases) {
        const std::optional<double> x = SecondOrderEquilibrium(t.form, t.K, t.a, t.b, t.c, t.d);
        ASSERT_TRUE(x.has_value()) << "K " << t.K << " a " << t.a;
        EXPECT_TRUE(Near(QuotientAt(t.form, *x, t.a, t.b, t.c, t.d), t.K, 1e-9)) << "K " << t.K;
        EXPECT_TRUE(t.a - *x > 0 && t.c + *x > 0 && (t.form == OneReactant || t.b - *x > 0) &&
                    (t.form == OneProduct || t.d + *x > 0))
            << "K " << t.K << " a " << t.a;
    }
    EXPECT_FALSE(SecondOrderEquilibrium(OneProduct, 1e3, 0, 1e-3, 0, 0).has_value());
    EXPECT_FALSE(SecondOrderEquilibrium(Full, 4, 0, 1e-3, 0, 1e-3).has_value());
}

// A + B = C with K = 1000, 1 mM of A and 2 mM of B: 1000 x^2 - 4 x + 2e-3 = 0, so
// x = (4 - sqrt(8)) / 2000 = 5.857864e-4, leaving 4.142e-4 of A and 1.414e-3 of B; the product
// may be typed into either place of its side. Without A neither root passes: the row is left as
// the analytical entries give it.
TEST_F(FormExprTest, SecondOrderPreEquilibrationInTheDialog) {
    SecondOrderRow("A", "B", "C", "");
    ASSERT_TRUE(TypeInto(f, {"C(2)=2e-3"}));
    f.LabelKeq(1).SetCaption("1.e3");
    EXPECT_EQ(Cinits(3), "4.142e-4 1.414e-3 5.858e-4");
    SecondOrderRow("A", "B", "", "C");
    f.ComputeInitialConcentrations();
    EXPECT_EQ(Cinits(3), "4.142e-4 1.414e-3 5.858e-4");
    EXPECT_EQ(Cinits(3, {"C(1)=0"}), "0.e0 2.e-3 0.e0");
}

// tpre k A / (V (1 + theta)) with k = 0.0323604 cm/s (see the transfer tests): 1941.62 at -0.3 V,
// theta = exp(-0.4 F/RT) = 1.7e-7, so 1 mM of A becomes 1.942 M. A failing factor leaves 0.
TEST_F(FormExprTest, PreconcentrationSetsTheSecondConcentration) {
    f.CheckPreEqu.Click();
    ins.CheckPreCon.Click();
    f.ComputeInitialConcentrations();
    EXPECT_EQ(Cinit(2), "1.942e0");
    ins.txtPconst.SetText("ten");
    f.ComputeInitialConcentrations();
    EXPECT_EQ(Cinit(2), "0.e0");
}

// Activation labels the current mechanism and pre-equilibrates (captions carry four digits).
// Fe3+ + L = FeL with 1 mM of L and K = 1000 must leave [FeL] / ([Fe3+][L]) = 1000 with iron and
// ligand conserved; analytical mechanism 7 (A + e = B, B = A) turns B back into A until
// [A] / [B] = 1000, keeping the 1 mM.
TEST_F(FormExprTest, ActivationLabelsAndEquilibratesTheMechanism) {
    EXPECT_FALSE(m.FoverRT.assigned());
    f.Show();
    f.CheckFitted(24).Click();
    EXPECT_EQ(Describe(f, "specie(2) heter(1) TextCmax(24)") + " / " +
                  testing::Shown(f,
                                 "D(2) CheckFitted(25) Cinit(3) ks(1) Eze(2) CheckFitted(8) kf(1) "
                                 "TextCmin(1) TextCmin(2) TextCmax(23)"),
              "Fe2+ | Fe3+ +1e=Fe2+ | =1e-4 / D(2) | CheckFitted(25) | Cinit(3) hidden | ks(1) | "
              "Eze(2) hidden | CheckFitted(8) hidden | kf(1) hidden | TextCmin(1) | TextCmin(2) "
              "hidden | TextCmax(23) hidden");
    EXPECT_EQ(Cinits(2), "9.996e-4 4.159e-7");

    ASSERT_TRUE(TypeInto(mech, {"chem2(1)=Fe3+", "chem2(2)=L", "chem2(3)=FeL"}));
    f.C(3).Type("1e-3");
    f.Activate();
    EXPECT_EQ(Describe(f, "homo(1) specie(4) LabelKeq(1)"),
              "Fe3+ +L=FeL + | FeL | 1.e3 [chemical equilibrium constant]");
    const double fe = StrictNumber(Cinit(1)), l = StrictNumber(Cinit(3)),
                 fel = StrictNumber(Cinit(4));
    EXPECT_TRUE(Near(fel / (fe * l), 1000, 2e-3));
    EXPECT_TRUE(Near(fe + fel, 9.996e-4, 1e-3));
    EXPECT_TRUE(Near(l + fel, 1e-3, 1e-3));
    EXPECT_EQ(Cinit(2), "4.159e-7");

    mech.CheckDigital.Click();
    mech.mech(7).Click();
    f.Activate();
    EXPECT_EQ(
        Describe(f, "heter(1) homo(1) LabelKeq(1)") + " / " +
            testing::Shown(f, "kf(1) CheckFitted(20) kf(2)"),
        "A+ne=B | B=A | 1.e3 [chemical equilibrium constant] / kf(1) | CheckFitted(20) | kf(2) "
        "hidden");
    const double a = StrictNumber(Cinit(1)), b = StrictNumber(Cinit(2));
    EXPECT_TRUE(Near(a / b, 1000, 2e-3));
    EXPECT_TRUE(Near(a + b, 1e-3, 1e-3));
    mech.mech(2).Click();
    f.Activate();
    EXPECT_EQ(Describe(f, "heter(2) homo(1)") + " / " + testing::Shown(f, "Eze(2) kf(1)"),
              "B+ne=C | B=A hidden / Eze(2) | kf(1) hidden");
    EXPECT_TRUE(platform.messages.empty());
}

}  // namespace
}  // namespace talvex
