#include "dialogs/form_expr.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "core/text_number.h"
#include "core/workbench.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "support/fake_platform.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using testing::FakePlatform;
using testing::Near;

class FormExprTest : public ::testing::Test {
  protected:
    FormExprTest() : wb(platform), m(wb.model), f(wb.formExpr) { m.TempK = 298.14; }
    // A + e = B, as the mechanism setup leaves it.
    void Mechanism1() {
        m.NSpecies = 2;
        m.NCharge = 1;
        m.NChem = 0;
        m.NChem2 = 0;
        m.ChargeSpecies(1, 1) = 1;
        m.ChargeSpecies(1, 2) = 2;
    }
    // One second-order row typed into the reaction editor's four places.
    void SecondOrderRow(const char* p1, const char* p2, const char* p3, const char* p4) {
        const char* texts[] = {p1, p2, p3, p4};
        m.NSpecies = 3;
        m.NCharge = 0;
        m.NChem = 0;
        m.NChem2 = 1;
        std::int16_t next = 1;
        for (int s = 1; s <= 4; ++s) {
            wb.formMech.chem2(s).SetText(texts[s - 1]);
            m.Chem2Species(1, s) = static_cast<std::int16_t>(*texts[s - 1] ? next++ : 0);
        }
    }
    std::string Cinit(int i) const { return f.Cinit(i).caption(); }

    FakePlatform platform;
    Workbench wb;
    Model& m;
    FormExpr& f;
};

TEST_F(FormExprTest, FitBoundsAreHiddenExceptTheFirstUntilTheirBoxIsChecked) {
    EXPECT_TRUE(f.TextCmin(1).visible && f.TextCmax(1).visible);
    for (int k = 2; k <= 29; ++k) EXPECT_FALSE(f.TextCmin(k).visible || f.TextCmax(k).visible) << k;
    f.CheckFitted(24).Click();
    EXPECT_TRUE(f.TextCmin(24).visible && f.TextCmax(24).visible);
    EXPECT_EQ(f.TextCmin(24).text(), "1e-6");
    EXPECT_EQ(f.TextCmax(24).text(), "1e-4");
    f.CheckFitted(24).Click();
    EXPECT_FALSE(f.TextCmin(24).visible);
    EXPECT_EQ(f.TextCmax(15).text(), "0.3");
    EXPECT_FALSE(m.FoverRT.assigned());  // creating the dialog wrote nothing
}

TEST_F(FormExprTest, KeqIsKfOverKbWhileKbIsPositive) {
    f.UpdateKeq(1);  // the defaults 10 and 0.01
    EXPECT_EQ(f.LabelKeq(1).caption(), "1.e3");
    f.kf(1).Type("12.345");
    EXPECT_EQ(f.LabelKeq(1).caption(), "1.235e3");
    for (const char* kb : {"0", "none", "-1"}) {
        f.kb(1).Type(kb);
        EXPECT_EQ(f.LabelKeq(1).caption(), "1.235e3") << kb;
    }
    // A quotient beyond the double range leaves the label as it was.
    f.kf(1).Type("1e300");
    f.kb(1).Type("1e-300");
    EXPECT_EQ(f.LabelKeq(1).caption(), "1.235e3");
}

// theta = exp(38.9230 (0.1 - 0.3)) = 4.161e-4 and delta = theta 1e-3 / (1 + theta) = 4.159e-7, so
// 1e-3 M of A at 0.3 V is 9.996e-4 M of A and 4.159e-7 M of B in equilibrium (25 C, n = 1).
TEST_F(FormExprTest, ChargeTransferPreEquilibrationAtTheStartPotential) {
    Mechanism1();
    f.ComputeInitialConcentrations();
    EXPECT_EQ(Cinit(1), "9.996e-4");
    EXPECT_EQ(Cinit(2), "4.159e-7");
    EXPECT_EQ(Cinit(3), "0.e0");
    EXPECT_TRUE(Near(m.FoverRT, 38.9230, 2e-6));

    // E0 at the start potential: half and half.
    f.Eze(1).Type("0.3");
    EXPECT_EQ(Cinit(1), "5.e-4");
    EXPECT_EQ(Cinit(2), "5.e-4");

    f.CheckPreEqu.Click();
    EXPECT_EQ(Cinit(1), "1.e-3");
    EXPECT_EQ(Cinit(2), "0.e0");
    f.C(1).Type("2e-3");
    EXPECT_EQ(Cinit(1), "2.e-3");
    f.CheckPreEqu.Click();
    EXPECT_EQ(Cinit(1), "1.e-3");
}

// A step that cannot be computed is skipped and no caption ever shows an infinity or a NaN.
TEST_F(FormExprTest, FailingStepsAreSkipped) {
    Mechanism1();
    f.Eze(1).Type("1e300");  // theta overflows
    EXPECT_EQ(Cinit(1), "1.e-3");
    EXPECT_EQ(Cinit(2), "0.e0");
    f.Eze(1).Type("0.1");
    wb.formIns.Estart.SetText("start");
    f.C(2).Type("1e-3");
    EXPECT_EQ(Cinit(2), "1.e-3");
    f.C(1).Type("lots");  // its row keeps the last caption
    EXPECT_EQ(Cinit(1), "1.e-3");
    m.ChargeSpecies(1, 2) = 0;  // a reaction place that names no species
    wb.formIns.Estart.SetText("0.3");
    f.ComputeInitialConcentrations();
    EXPECT_EQ(Cinit(1), "1.e-3");
    for (int i = 1; i <= 6; ++i)
        EXPECT_EQ(Cinit(i).find_first_of("IiNn"), std::string::npos) << Cinit(i);
}

// X = Y with K = 1000: delta = (1000 x 1e-3 - 0) / 1001, leaving 9.99e-7 of X and 9.99e-4 of Y.
// An equilibrium constant below -1 would push X negative: it stops at 0.
TEST_F(FormExprTest, FirstOrderEquilibrium) {
    m.NSpecies = 2;
    m.NCharge = 0;
    m.NChem = 1;
    m.NChem2 = 0;
    m.ChemSpecies(1, 1) = 1;
    m.ChemSpecies(1, 2) = 2;
    f.LabelKeq(1).SetCaption("1.e3");
    EXPECT_EQ(Cinit(1), "9.99e-7");
    EXPECT_EQ(Cinit(2), "9.99e-4");
    f.LabelKeq(1).SetCaption("-2.e0");
    EXPECT_EQ(Cinit(1), "0.e0");
    EXPECT_EQ(Cinit(2), "2.e-3");
    f.LabelKeq(1).SetCaption(".e0");  // K = 0: skipped
    EXPECT_EQ(Cinit(1), "1.e-3");
}

// The relation each form's amount must satisfy, written out independently of the quadratic.
double QuotientAt(Chem2Form form, double x, double a, double b, double c, double d) {
    switch (form) {
        case Chem2Form::OneProduct:
            return (c + x) / ((a - x) * (b - x));
        case Chem2Form::OneReactant:
            return (c + x) * (d + x) / (a - x);
        case Chem2Form::Full:
            return (c + x) * (d + x) / ((a - x) * (b - x));
    }
    return 0;
}

// For each form the returned amount reproduces K to 1e-9 relative, including cases where the
// textbook root formula loses most of its digits to cancellation (a trace of A against K = 10,
// K = 1e-9 for a dissociation) and the full form at K = 1, where the quadratic degenerates to a
// linear equation. Only one root leaves every concentration positive; the other must not be taken.
TEST(SecondOrderEquilibrium, SatisfiesKAndTakesThePhysicalRoot) {
    struct Case {
        Chem2Form form;
        double K, a, b, c, d;
    };
    const Case cases[] = {
        {Chem2Form::OneProduct, 1e3, 1e-3, 2e-3, 0, 0},
        {Chem2Form::OneProduct, 10, 1e-9, 1e-3, 0, 0},
        {Chem2Form::OneProduct, 1e8, 1e-3, 2e-3, 0, 0},
        {Chem2Form::OneProduct, 1e3, 0, 0, 1e-3, 0},  // only the product: it dissociates
        {Chem2Form::OneReactant, 1e-3, 1e-3, 0, 0, 0},
        {Chem2Form::OneReactant, 1e-9, 1e-3, 0, 1e-3, 0},
        {Chem2Form::OneReactant, 1e-3, 0, 0, 1e-3, 1e-3},
        {Chem2Form::Full, 4, 1e-3, 1e-3, 0, 0},
        {Chem2Form::Full, 0.25, 1e-3, 1e-3, 0, 0},
        {Chem2Form::Full, 4, 0, 0, 1e-3, 1e-3},
        {Chem2Form::Full, 1, 1e-3, 1e-3, 0, 0},
        {Chem2Form::Full, 1, 1e-3, 3e-3, 2e-3, 0},
    };
    for (const Case& t : cases) {
        const std::optional<double> x = SecondOrderEquilibrium(t.form, t.K, t.a, t.b, t.c, t.d);
        ASSERT_TRUE(x.has_value()) << "K " << t.K << " a " << t.a;
        EXPECT_TRUE(Near(QuotientAt(t.form, *x, t.a, t.b, t.c, t.d), t.K, 1e-9))
            << "K " << t.K << " a " << t.a;
        EXPECT_GT(t.a - *x, 0);
        EXPECT_GT(t.c + *x, 0);
        if (t.form != Chem2Form::OneReactant) {
            EXPECT_GT(t.b - *x, 0);
        }
        if (t.form != Chem2Form::OneProduct) {
            EXPECT_GT(t.d + *x, 0);
        }
    }
    // A + B = C + D with K = 4 and a = b = 1e-3: x / (a - x) = 2, so x = 2a/3; the other root,
    // 2e-3, would consume more A than there is. At K = 1, x = a/2.
    EXPECT_TRUE(
        Near(*SecondOrderEquilibrium(Chem2Form::Full, 4, 1e-3, 1e-3, 0, 0), 2e-3 / 3, 1e-12));
    EXPECT_TRUE(Near(*SecondOrderEquilibrium(Chem2Form::Full, 1, 1e-3, 1e-3, 0, 0), 5e-4, 1e-12));
    // A = C + D with K = 1e-3 from 1e-3 of A: x^2 + Kx - Ka = 0, x = (-K + sqrt(5e-6)) / 2.
    EXPECT_TRUE(Near(*SecondOrderEquilibrium(Chem2Form::OneReactant, 1e-3, 1e-3, 0, 0, 0),
                     (-1e-3 + std::sqrt(5e-6)) / 2, 1e-12));
    // No A and no C: every amount either uses A that is not there or makes C negative.
    EXPECT_FALSE(SecondOrderEquilibrium(Chem2Form::OneProduct, 1e3, 0, 1e-3, 0, 0).has_value());
    EXPECT_FALSE(SecondOrderEquilibrium(Chem2Form::Full, 4, 0, 1e-3, 0, 1e-3).has_value());
}

// A + B = C with K = 1000, 1 mM of A and 2 mM of B: 1000 x^2 - 4 x + 2e-3 = 0, so
// x = (4 - sqrt(8)) / 2000 = 5.857864e-4, leaving 4.142e-4 of A and 1.414e-3 of B.
TEST_F(FormExprTest, SecondOrderPreEquilibrationInTheDialog) {
    SecondOrderRow("A", "B", "C", "");
    f.C(2).Type("2e-3");
    f.LabelKeq(1).SetCaption("1.e3");
    EXPECT_EQ(Cinit(1), "4.142e-4");
    EXPECT_EQ(Cinit(2), "1.414e-3");
    EXPECT_EQ(Cinit(3), "5.858e-4");

    // The product may be typed into either place of its side.
    SecondOrderRow("A", "B", "", "C");
    f.ComputeInitialConcentrations();
    EXPECT_EQ(Cinit(3), "5.858e-4");
    EXPECT_EQ(Cinit(1), "4.142e-4");

    // Without A neither root passes: the row is left as the analytical entries give it.
    f.C(1).Type("0");
    EXPECT_EQ(Cinit(2), "2.e-3");
    EXPECT_EQ(Cinit(3), "0.e0");
}

// tpre k A / (V (1 + theta)) with k = 0.0323604 cm/s (see the transfer tests): 1941.62 at -0.3 V,
// where theta = exp(-0.4 F/RT) = 1.7e-7, so 1 mM of A becomes 1.942 M in the electrode.
TEST_F(FormExprTest, PreconcentrationSetsTheSecondConcentration) {
    f.CheckPreEqu.Click();
    wb.formIns.CheckPreCon.Click();
    f.ComputeInitialConcentrations();
    EXPECT_EQ(Cinit(2), "1.942e0");
    wb.formIns.txtPconst.SetText("ten");
    f.ComputeInitialConcentrations();
    EXPECT_EQ(Cinit(2), "0.e0");  // the factor fails, the reset value stays
}

// The untouched program: Fe3+ + e = Fe2+ in the reaction editor, pre-equilibrated at 0.3 V.
TEST_F(FormExprTest, ActivationShowsTheRowsOfTheDigitalMechanism) {
    f.Show();
    EXPECT_EQ(f.specie(2).caption(), "Fe2+");
    EXPECT_TRUE(f.D(2).visible && f.CheckFitted(25).visible && !f.Cinit(3).visible);
    EXPECT_EQ(f.heter(1).caption(), "Fe3+ +1e=Fe2+");
    EXPECT_TRUE(f.ks(1).visible && !f.Eze(2).visible && !f.CheckFitted(8).visible &&
                !f.kf(1).visible);
    EXPECT_EQ(Cinit(1), "9.996e-4");
    EXPECT_EQ(Cinit(2), "4.159e-7");
    EXPECT_TRUE(platform.messages.empty());
}

// Mechanism 7 (A + e = B, B = A): after the Nernst step the chemical row with K = kf / kb = 1000
// turns B back into A until [A] / [B] = 1000, keeping the total of 1 mM.
TEST_F(FormExprTest, ActivationLabelsTheAnalyticalMechanism) {
    wb.formMech.CheckDigital.Click();
    wb.formMech.mech(7).Click();
    f.Show();
    EXPECT_EQ(f.heter(1).caption(), "A+ne=B");
    EXPECT_EQ(f.homo(1).caption(), "B=A");
    EXPECT_TRUE(f.kf(1).visible && f.LabelKeq(1).visible && f.CheckFitted(20).visible &&
                !f.kf(2).visible);
    EXPECT_EQ(f.LabelKeq(1).caption(), "1.e3");
    const double a = StrictNumber(Cinit(1));
    const double b = StrictNumber(Cinit(2));
    EXPECT_TRUE(Near(a / b, 1000, 2e-3));  // captions carry four digits
    EXPECT_TRUE(Near(a + b, 1e-3, 1e-3));

    // Mechanism 2 labels a second charge-transfer row and keeps the chemical row's label.
    wb.formMech.mech(2).Click();
    f.Activate();
    EXPECT_EQ(f.heter(2).caption(), "B+ne=C");
    EXPECT_TRUE(f.Eze(2).visible && !f.kf(1).visible);
    EXPECT_EQ(f.homo(1).caption(), "B=A");
}

// The editor's rows Fe3+ + e = Fe2+ and Fe3+ + L = FeL, 1 mM of Fe3+ and of L, K = kf / kb = 1000:
// after the Nernst step the complexation must leave [FeL] / ([Fe3+][L]) = 1000 with the iron and
// the ligand each conserved.
TEST_F(FormExprTest, ActivationEquilibratesTheEditorsSecondOrderRow) {
    wb.formMech.chem2(1).SetText("Fe3+");
    wb.formMech.chem2(2).SetText("L");
    wb.formMech.chem2(3).SetText("FeL");
    f.C(3).Type("1e-3");
    f.Show();
    EXPECT_EQ(f.homo(1).caption(), "Fe3+ +L=FeL +");
    EXPECT_EQ(f.specie(4).caption(), "FeL");
    EXPECT_EQ(f.LabelKeq(1).caption(), "1.e3");
    const double fe = StrictNumber(Cinit(1));
    const double l = StrictNumber(Cinit(3));
    const double fel = StrictNumber(Cinit(4));
    EXPECT_TRUE(Near(fel / (fe * l), 1000, 2e-3));  // captions carry four digits
    EXPECT_TRUE(Near(fe + fel, 9.996e-4, 1e-3));
    EXPECT_TRUE(Near(l + fel, 1e-3, 1e-3));
    EXPECT_EQ(Cinit(2), "4.159e-7");
}

}  // namespace
}  // namespace talvex
