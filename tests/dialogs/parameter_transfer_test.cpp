#include "dialogs/parameter_transfer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/workbench.h"
#include "core/constants.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "digital/initial_concentrations.h"
#include "support/fake_platform.h"
#include "support/numeric.h"
#include "support/values.h"

namespace talvex {
namespace {

class TransferTest : public ::testing::Test {
  protected:
    testing::FakePlatform platform;
    Workbench wb{platform};
    Model& m = wb.model;
};

// Every row (an empty one as an assigned 0), read leniently; C and Keq from the captions; the dispatch key.
TEST_F(TransferTest, EveryRowTheComputedCaptionsAndTheDispatchKey) {
    FormExpr& expr = wb.formExpr;
    expr.D(6).SetText(" 2.5e-6 cm2/s");
    wb.formMech.NEL(2).Select(2);
    expr.C(1).SetText("2e-3");
    expr.LabelKeq(2).SetCaption("1.e3");  // recomputes the captions from the entries
    expr.Cinit(1).SetCaption("9.996e-4");
    m.Technique = 1, m.DigitalSim = false;
    wb.formIns.optElectrode(4).Click();
    TransferParameters(wb.dialogs);
    EXPECT_EQ(testing::Values(m.D(6), m.n(2), m.C(1), m.Keq(2), m.Keq(1), m.CaseCode),
              testing::Values(2.5e-6, 3, 9.996e-4, 1000, 0, 14));
}

// Preconcentration at E0 is half of tpre k A / V; -273.14 C is reported, F/RT 38.9230 /V (25 C) kept.
TEST_F(TransferTest, TemperatureConstantsAndPreconcentrationFactor) {
    TransferParameters(wb.dialogs);
    const double limit = 600 * 10 * 1e-3 * std::sqrt(2 * kPi * 100 / 60) * 1 / 0.01;
    wb.formIns.txtEPre.SetText("0.1");
    wb.formIns.OK();
    EXPECT_TRUE(testing::Near(PreconcentrationFactor(m), limit / 2, 1e-12));
    wb.formIns.txttemp.SetText("-273.14");
    TransferParameters(wb.dialogs);
    EXPECT_NEAR(m.FoverRT, 38.9230, 5e-5);
    EXPECT_EQ(platform.messages,
              std::vector<std::string>{"Parameter transfer Error: Division by zero! Please check the temperature."});
}

}  // namespace
}  // namespace talvex
