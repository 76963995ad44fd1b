#include "core/parameter_transfer.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/constants.h"
#include "core/workbench.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "support/fake_platform.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using testing::FakePlatform;
using testing::Near;

class TransferTest : public ::testing::Test {
  protected:
    TransferTest() : wb(platform), m(wb.model), ins(wb.formIns), expr(wb.formExpr) {}
    FakePlatform platform;
    Workbench wb;
    Model& m;
    FormIns& ins;
    FormExpr& expr;
};

// F/RT = 96484.6 / (8.31441 x 298.14) = 38.9230 /V at 25 C; the tolerance is the four decimals
// quoted for it.
TEST_F(TransferTest, DerivedConstantsAtTwentyFiveDegrees) {
    TransferParameters(wb);
    EXPECT_TRUE(Near(m.TempK, 298.14, 1e-15));
    EXPECT_NEAR(m.FoverRT, 38.9230, 5e-5);
    EXPECT_NEAR(m.RToverF, 0.025692, 5e-7);
    EXPECT_DOUBLE_EQ(m.FoverRT * m.RToverF, 1.0);
}

TEST_F(TransferTest, TextsAreReadLenientlyForEveryRow) {
    expr.D(1).SetText("1e-5");
    expr.D(2).SetText("diffusion");
    expr.D(3).SetText("");
    expr.D(6).SetText(" 2.5e-6 cm2/s");
    expr.alph(3).SetText("0.3");
    expr.kf(4).SetText("7");
    expr.TextVis.SetText("0.02");
    wb.formMech.NEL(2).Select(2);
    TransferParameters(wb);
    EXPECT_EQ(m.D(1), 1e-5);
    EXPECT_EQ(m.D(2), 0.0);
    EXPECT_TRUE(m.D(2).assigned());
    EXPECT_EQ(m.D(3), 0.0);
    EXPECT_EQ(m.D(6), 2.5e-6);
    EXPECT_EQ(m.Alpha(3), 0.3);  // rows beyond the mechanism's counts are transferred too
    EXPECT_EQ(m.kf(4), 7.0);
    EXPECT_EQ(m.n(2), 3.0);
    EXPECT_EQ(m.Viscosity, 0.02);
}

// The model's concentrations are the "C init" captions, not the analytical entries.
TEST_F(TransferTest, ConcentrationsAndKeqComeFromTheComputedCaptions) {
    expr.CheckPreEqu.SetChecked(false);
    expr.C(1).SetText("2e-3");
    expr.LabelKeq(2).SetCaption("1.e3");  // recomputes the captions from the entries
    expr.Cinit(1).SetCaption("9.996e-4");
    TransferParameters(wb);
    EXPECT_EQ(m.C(1), 9.996e-4);
    EXPECT_EQ(m.Keq(2), 1000.0);
    EXPECT_EQ(m.Keq(1), 0.0);
    EXPECT_TRUE(m.Keq(1).assigned());
}

TEST_F(TransferTest, CaseCodeFollowsTheDialogsOnlyInAnalyticalMode) {
    m.Technique = 1;
    m.DigitalSim = false;
    ins.optElectrode(4).Click();
    TransferParameters(wb);
    EXPECT_EQ(m.CaseCode, 14);
    m.DigitalSim = true;
    ins.optElectrode(2).Click();
    m.Technique = 3;
    TransferParameters(wb);
    EXPECT_EQ(m.CaseCode, 14);
}

// -273.14 C would make F/RT infinite: the transfer says so and keeps the last usable constants.
TEST_F(TransferTest, AbsoluteZeroKeepsTheLastConstants) {
    TransferParameters(wb);
    const double f = m.FoverRT;
    ins.txttemp.SetText("-273.14");
    TransferParameters(wb);
    EXPECT_EQ(m.TempK, 0.0);
    EXPECT_EQ(m.FoverRT, f);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_NE(platform.messages[0].find("Division by zero"), std::string::npos);
}

// Levich-type uptake: k = P D^(2/3) nu^(-1/6) sqrt(omega). With D = 1e-5 and nu = 0.01 the powers
// give exactly 1e-3, so k = 10 x 1e-3 x sqrt(2 pi 100 / 60) = 0.0323604 cm/s and, for 600 s into
// 0.01 cm3 through 1 cm2, the theta -> 0 limit tpre k A / V = 1941.62. At Epre = -1 V theta is
// e^-42.8 (2.6e-19), far below double precision; at Epre = E0 theta = 1 and the factor halves.
TEST_F(TransferTest, PreconcentrationFactorAndItsLimit) {
    TransferParameters(wb);
    ASSERT_TRUE(Near(m.Volume, 0.01, 1e-15));
    const double limit = 600 * 10 * 1e-3 * std::sqrt(2 * kPi * 100 / 60) * 1 / 0.01;
    ins.txtEPre.SetText("-1");
    EXPECT_TRUE(Near(PreconcentrationFactor(wb), limit, 1e-12));
    ins.txtEPre.SetText("0.1");
    EXPECT_TRUE(Near(PreconcentrationFactor(wb), limit / 2, 1e-12));
}

TEST_F(TransferTest, PreconcentrationTextsMustBeNumbers) {
    TransferParameters(wb);
    ins.txtTPre.SetText("600 s");
    try {
        PreconcentrationFactor(wb);
        ADD_FAILURE() << "a time with a unit was accepted";
    } catch (const RunError& e) {
        EXPECT_EQ(e.description(), "Type mismatch");
    }
    ins.txtTPre.SetText(" 600 ");
    EXPECT_NO_THROW(PreconcentrationFactor(wb));
    m.Volume = 0;
    try {
        PreconcentrationFactor(wb);
        ADD_FAILURE() << "no volume was accepted";
    } catch (const RunError& e) {
        EXPECT_EQ(e.description(), "Division by zero");
    }
}

}  // namespace
}  // namespace talvex
