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
#include "support/run_errors.h"

namespace talvex {
namespace {

using testing::Near;

class TransferTest : public ::testing::Test {
protected:
    testing::FakePlatform platform;
    Workbench wb{platform};
    Model& m = wb.model;
    FormIns& ins = wb.formIns;
    FormExpr& expr = wb.formExpr;
};

// F/RT = 96484.6 / (8.31441 x 298.14) = 38.9230 /V at 25 C, to the four decimals quoted for it.
TEST_F(TransferTest, DerivedConstantsAtTwentyFiveDegrees) {
    TransferParameters(wb);
    EXPECT_NEAR(m.FoverRT, 38.9230, 5e-5);
    EXPECT_NEAR(m.RToverF, 0.025692, 5e-7);
}

// Every row is transferred, also beyond the mechanism's counts, its texts read leniently; the
// concentrations and Keq are the computed captions ("C init"), not the analytical entries.
TEST_F(TransferTest, EveryRowAndTheComputedCaptionsReachTheModel) {
    expr.D(2).SetText("diffusion");
    expr.D(6).SetText(" 2.5e-6 cm2/s");
    expr.alph(3).SetText("0.3");
    expr.kf(4).SetText("7");
    expr.TextVis.SetText("0.02");
    wb.formMech.NEL(2).Select(2);
    expr.CheckPreEqu.SetChecked(false);
    expr.C(1).SetText("2e-3");
    expr.LabelKeq(2).SetCaption("1.e3");  // recomputes the captions from the entries
    expr.Cinit(1).SetCaption("9.996e-4");
    TransferParameters(wb);
    EXPECT_EQ(m.D(2), 0.0);
    EXPECT_TRUE(m.D(2).assigned());
    EXPECT_EQ(m.D(6), 2.5e-6);
    EXPECT_EQ(m.Alpha(3), 0.3);
    EXPECT_EQ(m.kf(4), 7.0);
    EXPECT_EQ(m.n(2), 3.0);
    EXPECT_EQ(m.Viscosity, 0.02);
    EXPECT_EQ(m.C(1), 9.996e-4);
    EXPECT_EQ(m.Keq(2), 1000.0);
    EXPECT_EQ(m.Keq(1), 0.0);
    EXPECT_TRUE(m.Keq(1).assigned());
}

TEST_F(TransferTest, CaseCodeFollowsTheDialogsOnlyInAnalyticalMode) {
    m.Technique = 1, m.DigitalSim = false;
    ins.optElectrode(4).Click();
    TransferParameters(wb);
    EXPECT_EQ(m.CaseCode, 14);
    m.Technique = 3, m.DigitalSim = true;
    ins.optElectrode(2).Click();
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
    EXPECT_EQ(platform.messages,
              std::vector<std::string>{"Parameter transfer Error: Division by zero! Please check the temperature."});
}

// Levich-type uptake k = P D^(2/3) nu^(-1/6) sqrt(omega): D = 1e-5 and nu = 0.01 give exactly 1e-3,
// so k = 10 x 1e-3 x sqrt(2 pi 100 / 60) cm/s and 600 s into 0.01 cm3 through 1 cm2 give the
// theta -> 0 limit tpre k A / V = 1941.62; at Epre = -1 V theta is e^-42.8 (2.6e-19, below double
// precision), at Epre = E0 theta = 1 halves it. The texts must be whole numbers.
TEST_F(TransferTest, PreconcentrationFactorAndItsLimit) {
    TransferParameters(wb);
    ASSERT_TRUE(Near(m.Volume, 0.01, 1e-15));
    const double limit = 600 * 10 * 1e-3 * std::sqrt(2 * kPi * 100 / 60) * 1 / 0.01;
    ins.txtEPre.SetText("-1");
    EXPECT_TRUE(Near(PreconcentrationFactor(wb), limit, 1e-12));
    ins.txtEPre.SetText("0.1");
    EXPECT_TRUE(Near(PreconcentrationFactor(wb), limit / 2, 1e-12));
    ins.txtTPre.SetText("600 s");
    EXPECT_EQ(testing::ErrorOf([&] { PreconcentrationFactor(wb); }), "Type mismatch");
    ins.txtTPre.SetText(" 600 ");
    EXPECT_TRUE(Near(PreconcentrationFactor(wb), limit / 2, 1e-12));
    m.Volume = 0;
    EXPECT_EQ(testing::ErrorOf([&] { PreconcentrationFactor(wb); }), "Division by zero");
}

}  // namespace
}  // namespace talvex
