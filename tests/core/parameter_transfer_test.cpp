#include "core/parameter_transfer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/constants.h"
#include "core/workbench.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "support/fake_platform.h"
#include "support/numeric.h"
#include "support/run_errors.h"
#include "support/values.h"

namespace talvex {
namespace {

class TransferTest : public ::testing::Test {
protected:
    testing::FakePlatform platform;
    Workbench wb{platform};
    Model& m = wb.model;
};

// Every row is transferred, also beyond the mechanism's counts (an empty one as an assigned 0),
// its texts read leniently; the concentrations and Keq are the computed captions, not the
// analytical entries. The dispatch key follows the dialogs only in analytical mode.
TEST_F(TransferTest, EveryRowTheComputedCaptionsAndTheDispatchKey) {
    FormExpr& expr = wb.formExpr;
    expr.D(6).SetText(" 2.5e-6 cm2/s");
    expr.kf(4).SetText("7");
    wb.formMech.NEL(2).Select(2);
    expr.C(1).SetText("2e-3");
    expr.LabelKeq(2).SetCaption("1.e3");  // recomputes the captions from the entries
    expr.Cinit(1).SetCaption("9.996e-4");
    m.Technique = 1, m.DigitalSim = false;
    wb.formIns.optElectrode(4).Click();
    TransferParameters(wb);
    EXPECT_EQ(testing::Values(m.D(6), m.kf(4), m.n(2), m.C(1), m.Keq(2), m.Keq(1), m.CaseCode),
              testing::Values(2.5e-6, 7, 3, 9.996e-4, 1000, 0, 14));
    EXPECT_TRUE(m.Keq(1).assigned());
    m.DigitalSim = true;
    wb.formIns.optElectrode(2).Click();
    TransferParameters(wb);
    EXPECT_EQ(m.CaseCode, 14);
}

// F/RT = 96484.6 / (8.31441 x 298.14) = 38.9230 /V at 25 C, to the four decimals quoted for it.
// Preconcentration, Levich-type uptake k = P D^(2/3) nu^(-1/6) sqrt(omega): D = 1e-5, nu = 0.01 give
// exactly 1e-3, so k = 10 x 1e-3 x sqrt(2 pi 100 / 60) cm/s, and 600 s into 0.01 cm3 through 1 cm2
// give the theta -> 0 limit tpre k A / V = 1941.62; at Epre = -1 V theta is e^-42.8 (below double
// precision), at Epre = E0 theta = 1 halves it; its texts are read strictly. -273.14 C would make
// F/RT infinite: the transfer says so and keeps the last usable constants.
TEST_F(TransferTest, TemperatureConstantsAndPreconcentrationFactor) {
    TransferParameters(wb);
    EXPECT_NEAR(m.FoverRT, 38.9230, 5e-5);
    EXPECT_NEAR(m.RToverF, 0.025692, 5e-7);
    ASSERT_TRUE(testing::Near(m.Volume, 0.01, 1e-15));
    const double limit = 600 * 10 * 1e-3 * std::sqrt(2 * kPi * 100 / 60) * 1 / 0.01;
    wb.formIns.txtEPre.SetText("-1");
    EXPECT_TRUE(testing::Near(PreconcentrationFactor(wb), limit, 1e-12));
    wb.formIns.txtEPre.SetText("0.1");
    EXPECT_TRUE(testing::Near(PreconcentrationFactor(wb), limit / 2, 1e-12));
    wb.formIns.txtTPre.SetText("600 s");
    EXPECT_EQ(testing::ErrorOf([&] { PreconcentrationFactor(wb); }), "Type mismatch");
    wb.formIns.txttemp.SetText("-273.14");
    TransferParameters(wb);
    EXPECT_EQ(m.TempK, 0.0);
    EXPECT_NEAR(m.FoverRT, 38.9230, 5e-5);
    EXPECT_EQ(platform.messages,
              std::vector<std::string>{"Parameter transfer Error: Division by zero! Please check the temperature."});
}

}  // namespace
}  // namespace talvex
