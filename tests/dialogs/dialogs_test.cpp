#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>

#include "app/workbench.h"
#include "core/text_number.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "dialogs/form_tech.h"
#include "digital/initial_concentrations.h"
#include "support/fake_platform.h"
#include "support/forms.h"
#include "support/model_values.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using Strings = std::vector<std::string>;
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

// A click alone must not reach the model: confirming Techniques, or only Mechanism, stores it.
TEST_F(DialogTest, TechniqueIsStoredOnlyWhenConfirmed) {
    tech.Show();
    tech.optTech(3).Click();
    EXPECT_FALSE(m.Technique.assigned());
    tech.cmdOK.Click();
    EXPECT_TRUE(m.Technique == 3);
    tech.optTech(5).Click();
    mech.Show();
    mech.Command1.Click();
    EXPECT_TRUE(m.Technique == 5);
}

// Without "Digital simulation" only mechanisms with kernels can be chosen; the electrodes swap.
TEST_F(DialogTest, MechanismDialogAndTheDigitalSwitch) {
    ASSERT_TRUE(mech.CheckDigital.Click());
    std::string picks;
    for (int i : {3, 8, 2, 7}) picks += std::to_string(mech.mech(i).Click());
    EXPECT_EQ(ModelValues(m, "DigitalSim") + " " + picks, "False 0011");
    EXPECT_TRUE(ins.optElectrode(9).enabled);
    EXPECT_FALSE(ins.optElectrode(5).enabled);
}

// Defaults write nothing; the band shows its half width r, area 2 r L, and stores r/2: a quarter of
// its width, the radius of the hemicylinder it equals at long times.
TEST_F(DialogTest, InstrumentDefaultsAndBandFields) {
    EXPECT_EQ(ModelValues(m, "Area Volume ElectrodeLength"), "  ");
    ins.optElectrode(7).Select();
    EXPECT_EQ(ins.radius.caption, "Half Width (cm)");
    ASSERT_TRUE(TypeInto(ins, {"leng=0.5", "radius=0.2"}));
    EXPECT_EQ(ins.ARE.text(), "0.2");
    ins.OK();
    EXPECT_EQ(ModelValues(m, "Radius Area"), ".1 .2");
}

// A field is rewritten only if it differs at the three shown digits, so the exchange settles.
TEST_F(DialogTest, RadiusAndAreaAgreeAndSettle) {
    const auto after = [&](std::initializer_list<std::string_view> typed) {  // area|radius
        EXPECT_TRUE(TypeInto(ins, typed));
        return ins.ARE.text() + "|" + ins.radius.text();
    };
    ins.optElectrode(2).Click();
    EXPECT_EQ(after({"radius=0.3"}), "1.13e0|0.3");      // 4 pi 0.09 = 1.131
    EXPECT_EQ(after({"radius=1e200"}), "1.13e0|1e200");  // 4 pi r^2 overflows: the area stays
    EXPECT_EQ(after({"radius=0.2821"}), "1.e0|0.2821");  // 4 pi 0.2821^2 = 1.00003
    ins.optElectrode(1).Click();
    EXPECT_EQ(ins.ARE.text(), "1.e0");
    ins.optElectrode(4).Click();
    EXPECT_EQ(after({"ARE=0.5"}), "0.5|3.99e-1");  // sqrt(0.5 / pi) = 0.39894
    ins.optElectrode(5).Click();                   // cylinder: A = 2 pi r L and back
    EXPECT_EQ(after({"leng=0.1"}), "2.51e-1|3.99e-1");
    ins.OK();
    EXPECT_EQ(after({"leng=0", "ARE=1"}), "1|3.99e-1");
    ins.optElectrode(6).Click();  // hemicylinder: pi r L
    EXPECT_EQ(after({"leng=0.5", "radius=0.2"}), "3.14e-1|0.2");
}

// The model takes the geometry the entries describe, not the three digits the fields show: a
// 100 um sphere's area 4 pi r^2 (the text 1.26e-3 is 0.27 % high), a 25 um disc's pi r^2 (1.96e-5,
// 0.18 % low), a typed area as typed with the radius it gives, and a typed radius is kept as typed
// (a cylinder's 1e-3 was rewritten to 9.99e-4 by way of its area).
TEST_F(DialogTest, TheModelTakesTheExactGeometry) {
    const double pi = 3.141592654;
    struct Row {
        int electrode;
        std::initializer_list<std::string_view> typed;
        std::string shown;  // area|radius
        double area, radius;
    };
    const Row rows[] = {
        {2, {"radius=1e-2"}, "1.26e-3|1e-2", 4 * pi * 1e-4, 1e-2},
        {4, {"radius=25e-4"}, "1.96e-5|25e-4", pi * 6.25e-6, 25e-4},
        {4, {"ARE=0.5"}, "0.5|3.99e-1", 0.5, std::sqrt(0.5 / pi)},
        {5, {"leng=0.01", "radius=1e-3"}, "6.28e-5|1e-3", 2 * pi * 1e-5, 1e-3},
        {5, {"leng=0.01", "ARE=1e-4"}, "1e-4|1.59e-3", 1e-4, 1e-4 / (2 * pi * 0.01)},
        {7, {"leng=0.1", "radius=5e-4"}, "0.0001|5e-4", 1e-4, 2.5e-4},  // width 10 um: Radius w/4
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.shown);
        ins.optElectrode(r.electrode).Click();
        ASSERT_TRUE(TypeInto(ins, r.typed));
        ins.OK();
        EXPECT_EQ(ins.ARE.text() + "|" + ins.radius.text(), r.shown);
        EXPECT_TRUE(Near(m.Area, r.area, 1e-12));
        EXPECT_TRUE(Near(m.Radius, r.radius, 1e-12));
    }
    EXPECT_TRUE(platform.messages.empty());
}

// The digital box decides which electrodes can run; one it disables is not left selected: the
// planar electrode takes its place and the user is told. The band runs both ways.
TEST_F(DialogTest, TheDigitalBoxNeverLeavesAnElectrodeThatCannotRun) {
    ins.optElectrode(7).Click();
    mech.CheckDigital.Click();  // closed form
    EXPECT_TRUE(ins.optElectrode(7).selected());
    EXPECT_TRUE(platform.messages.empty());
    mech.CheckDigital.Click();  // digital
    ins.optElectrode(5).Click();
    mech.CheckDigital.Click();
    EXPECT_EQ(platform.messages, (Strings{"The electrode \"5)  (Micro)Cylindrical\" is not offered without the "
                                          "digital simulation; the electrode is now \"1)  Planar\"."}));
    EXPECT_TRUE(ins.optElectrode(1).selected());
    EXPECT_FALSE(ins.optElectrode(5).selected());
    EXPECT_EQ(m.Electrode, 1);
    EXPECT_FALSE(ins.radius.visible);
    platform.messages.clear();
    ins.optElectrode(9).Click();
    mech.CheckDigital.Click();
    EXPECT_EQ(platform.messages, (Strings{"The electrode \"9)  Thin film\" is not offered with the digital "
                                          "simulation; the electrode is now \"1)  Planar\"."}));
    EXPECT_EQ(m.Electrode, 1);
}

// td = |step| / v, kept while v is not a positive number; tp = 1 / (2 f), kept for f = 0.
TEST_F(DialogTest, TimesFollowTheirFields) {
    std::string times;  // td|tp after each entry
    for (const char* entry : {"Estep=-0.005", "V=0", "V=fast", "TextF=20", "TextF=0"}) {
        ASSERT_TRUE(TypeInto(ins, {entry}));
        times += ins.td.text() + "|" + ins.tp.text() + " ";
    }
    EXPECT_EQ(times, "0.5|0.05 0.5|0.05 0.5|0.05 0.5|0.025 0.5|0.025 ");
}

// OK reads magnitudes, Celsius to kelvin, rpm to rad/s; a step that is not a number is kept.
TEST_F(DialogTest, OkStoresTheFieldsAndRefusesNonNumbers) {
    ins.OK();
    ASSERT_TRUE(TypeInto(
        ins, {"Estep=abc", "V=-0.05", "Eend=-0.4 V", "TextRrate=300", "TxtI0=1e-6 A", "TxtI1=-2e-6", "TextDis=0.5"}));
    ins.OK();
    EXPECT_EQ(platform.messages,
              (Strings{"E step (V) must be a number, not \"abc\"; the previous value 0.005 is kept."}));
    EXPECT_EQ(ins.Estep.text(), "0.005");  // the field shows the step kept
    EXPECT_EQ(ModelValues(m, "Estep ScanRate Eend TempK Omega"), ".005 .05 -.4 298.14 31.41592654");
    // What the baseline and the conductance quantities read, confirmed with the rest.
    EXPECT_EQ(ModelValues(m, "BackgroundI0 BackgroundI1 ElectrodeDistance"), "1E-06 -2E-06 .5");
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
    std::string Cinit(int i) const { return f.Cinit(i).caption(); }
    // "C init" of species 1..n, after typing `typed` into the dialog.
    std::string Cinits(int n, std::initializer_list<std::string_view> typed = {}) {
        EXPECT_TRUE(TypeInto(f, typed));
        std::string s = Cinit(1);
        for (int i = 2; i <= n; ++i) s.append(" ").append(Cinit(i));
        return s;
    }
};

// theta = exp(38.9230 (0.1 - 0.3)) = 4.161e-4: 1 mM of A at 0.3 V gives 4.159e-7 M of B.
TEST_F(FormExprTest, ChargeTransferPreEquilibration) {
    OneReaction(true);
    f.ComputeInitialConcentrations();
    EXPECT_EQ(Cinits(2), "9.996e-4 4.159e-7");
    EXPECT_EQ(Cinits(2, {"Eze(1)=1e300"}), "1.e-3 0.e0");  // theta overflows: skipped
}

// Keq = kf / kb ("#.###e-#") from the defaults 10 and 0.01, then 12.345; kb = 0 leaves the label.
TEST_F(FormExprTest, KeqIsKfOverKbWhileKbIsPositive) {
    f.UpdateKeq(1);
    std::string keq = f.LabelKeq(1).caption();
    f.kf(1).Type("12.345");
    keq += " " + f.LabelKeq(1).caption();
    f.kb(1).Type("0");
    EXPECT_EQ(keq + " " + f.LabelKeq(1).caption(), "1.e3 1.235e3 1.235e3");
}

// X = Y with K = 1000 leaves 9.99e-7 of X; K below -1 would push X negative: it stops at 0.
TEST_F(FormExprTest, FirstOrderEquilibrium) {
    OneReaction(false);
    f.LabelKeq(1).SetCaption("1.e3");
    EXPECT_EQ(Cinits(2), "9.99e-7 9.99e-4");
    f.LabelKeq(1).SetCaption("-2.e0");
    EXPECT_EQ(Cinits(2), "0.e0 2.e-3");
}

// Each form's amount reproduces K to 1e-9 relative; only the root keeping amounts positive is
// taken.
TEST(SecondOrderEquilibrium, SatisfiesKAndTakesThePhysicalRoot) {
    using enum Chem2Form;
    const struct {
        Chem2Form form;
        double K, a, b, c, d;
    } cases[] = {{OneProduct, 10, 1e-9, 1e-3, 0, 0},
                 {OneProduct, 1e3, 0, 0, 1e-3, 0},
                 {OneReactant, 1e-9, 1e-3, 0, 1e-3, 0},
                 {Full, 4, 0, 0, 1e-3, 1e-3},
                 {Full, 1, 1e-3, 3e-3, 2e-3, 0}};  // K = 1: the quadratic is linear
    for (const auto& t : cases) {
        const std::optional<double> x = SecondOrderEquilibrium(t.form, t.K, t.a, t.b, t.c, t.d);
        ASSERT_TRUE(x.has_value()) << "K " << t.K << " a " << t.a;
        const double a = t.a - *x, b = t.form == OneReactant ? 1 : t.b - *x;  // 1: no second reactant
        const double c = t.c + *x, d = t.form == OneProduct ? 1 : t.d + *x;
        EXPECT_TRUE(Near(c * d / (a * b), t.K, 1e-9)) << "K " << t.K << " a " << t.a;
        EXPECT_GT(std::min({a, b, c, d}), 0) << "K " << t.K << " a " << t.a;
    }
    EXPECT_FALSE(SecondOrderEquilibrium(Full, 4, 0, 1e-3, 0, 1e-3).has_value());
}

// A + B = C, K = 1000, 1 mM of A, 2 mM of B: x = (4 - sqrt(8)) / 2000; without A no root passes.
TEST_F(FormExprTest, SecondOrderPreEquilibrationInTheDialog) {
    m.NSpecies = 3;
    m.NCharge = m.NChem = 0;
    m.NChem2 = 1;
    for (int s = 1; s <= 3; ++s) {
        mech.chem2(s).SetText(std::string(1, "ABC"[s - 1]));
        m.Chem2Species(1, s) = static_cast<std::int16_t>(s);
    }
    ASSERT_TRUE(TypeInto(f, {"C(2)=2e-3"}));
    f.LabelKeq(1).SetCaption("1.e3");
    EXPECT_EQ(Cinits(3), "4.142e-4 1.414e-3 5.858e-4");
    EXPECT_EQ(Cinits(3, {"C(1)=0"}), "0.e0 2.e-3 0.e0");
}

// tpre k A / (V (1 + theta)) = 1941.62 at -0.3 V: 1 mM of A becomes 1.942 M.
TEST_F(FormExprTest, PreconcentrationSetsTheSecondConcentration) {
    f.CheckPreEqu.Click();
    ins.CheckPreCon.Click();
    f.ComputeInitialConcentrations();
    EXPECT_EQ(Cinit(2), "1.942e0");
}

// Activation labels the mechanism and equilibrates analytical mechanism 7 to [A] / [B] = 1000.
TEST_F(FormExprTest, ActivationLabelsAndEquilibratesTheMechanism) {
    f.Show();
    mech.CheckDigital.Click();
    mech.mech(7).Click();
    f.Activate();
    EXPECT_EQ(f.heter(1).caption() + " | " + f.homo(1).caption(), "A+ne=B | B=A");
    const double a = StrictNumber(Cinit(1)), b = StrictNumber(Cinit(2));
    EXPECT_TRUE(Near(a / b, 1000, 2e-3));
    EXPECT_TRUE(Near(a + b, 1e-3, 1e-3));
    EXPECT_TRUE(platform.messages.empty());
}

// A fit recomputes the initial concentrations for every trial from the model alone; it must come
// to what the dialog shows for the same entries, digit for digit, or a fitted curve could not be
// simulated again: the default couple, E0 moved, mechanism 7's chemical equilibrium, a typed
// reaction with a second-order step, and a preconcentration step. A trial E0 and kf typed into the
// model give what typing them into the dialog gives.
TEST_F(DialogTest, FitRecomputesTheInitialConcentrationsTheDialogShows) {
    auto sameAsTheDialog = [&](const char* setup) {
        f.OK();
        auto copy = std::make_unique<Model>(m);
        for (int i = 1; i <= 6; ++i) copy->C(i) = -1;
        RecomputeInitialConcentrations(*copy);
        for (int i = 1; i <= 6; ++i) EXPECT_EQ(copy->C(i), m.C(i)) << setup << ", species " << i;
        return copy;
    };
    sameAsTheDialog("default");
    ASSERT_TRUE(wb.Type(f.Eze(1), "0.25"));
    sameAsTheDialog("E0 0.25 V");
    wb.Click(mech.CheckDigital);
    wb.Click(mech.mech(7));
    ASSERT_TRUE(wb.Type(f.kf(1), "3"));
    const auto trial = sameAsTheDialog("mechanism 7");
    trial->E0(1) = 0.2;
    trial->kf(1) = 50;
    UpdateEquilibriumConstants(*trial);
    RecomputeInitialConcentrations(*trial);
    ASSERT_TRUE(wb.Type(f.Eze(1), "0.2"));
    ASSERT_TRUE(wb.Type(f.kf(1), "50"));
    f.OK();
    for (int i = 1; i <= 2; ++i) EXPECT_EQ(trial->C(i), m.C(i)) << "trial, species " << i;
    EXPECT_EQ(trial->Keq(1), m.Keq(1));

    wb.Click(mech.CheckDigital);
    for (auto [box, text] : {std::pair{&mech.charge(1), "A"},
                             {&mech.charge(2), "B"},
                             {&mech.chem2(1), "B"},
                             {&mech.chem2(2), "C"},
                             {&mech.chem2(3), "D"}})
        ASSERT_TRUE(wb.Type(*box, text));
    wb.Click(mech.Command1);
    ASSERT_TRUE(wb.Type(f.C(3), "2e-3"));
    ASSERT_TRUE(wb.Type(f.Eze(1), "0.35"));
    sameAsTheDialog("A + e = B, B + C = D");
    wb.Click(ins.CheckPreCon);
    sameAsTheDialog("preconcentration");
    EXPECT_TRUE(platform.messages.empty()) << platform.messages.front();
}

}  // namespace
}  // namespace talvex
