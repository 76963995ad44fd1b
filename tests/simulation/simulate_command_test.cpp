#include "simulation/simulate_command.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/workbench.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "dialogs/form_tech.h"
#include "support/fake_platform.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using testing::FakePlatform;
using testing::Near;

TEST(Simulate, ShowsTheHourglassAndRecordsTheRunTime) {
    FakePlatform platform;
    Workbench wb(platform);
    platform.times = {100.5f, 103.25f};
    Simulate(wb);
    EXPECT_EQ(platform.pointers, (std::vector<int>{11, 0}));
    EXPECT_EQ(wb.model.RunTime, 2.75f);
}

// The clock restarts at midnight: a run from 23:59:59 to 00:00:01 took two seconds.
TEST(Simulate, RunTimeAcrossMidnight) {
    FakePlatform platform;
    Workbench wb(platform);
    platform.times = {86399.0f, 1.0f};
    Simulate(wb);
    EXPECT_EQ(wb.model.RunTime, 2.0f);
}

// The whole chain on the untouched dialogs with only "Digital simulation" cleared: mechanism 1,
// linear sweep at the planar electrode of 1 cm2, 0.3 -> -0.3 V in 5 mV steps at 10 mV/s, 1 mM
// pre-equilibrated to the captions 9.996e-4 / 4.159e-7. Randles-Sevcik for the reversible peak:
// Ip = 0.4463 nFAC sqrt(nFvD/RT); the staircase at 5 mV stays within 0.5 % of it (driver tests),
// so 1 % covers it. The independent implementation's curve for exactly these inputs must agree to
// its stated 1e-9.
TEST(Simulate, DefaultDialogsGiveTheReversibleSweep) {
    FakePlatform platform;
    Workbench wb(platform);
    Model& m = wb.model;
    wb.formMech.CheckDigital.Click();
    Simulate(wb);
    ASSERT_TRUE(platform.messages.empty());
    EXPECT_EQ(m.CaseCode, 11);
    EXPECT_EQ(m.C(1), 9.996e-4);
    EXPECT_EQ(m.C(2), 4.159e-7);
    ASSERT_EQ(m.NData, 121);
    int peak = 1;
    for (int i = 1; i <= m.NData; ++i)
        if (m.Yplot(i, m.CurCurve) > m.Yplot(peak, m.CurCurve)) peak = i;
    const double theory = 0.4463 * 96484.6 * 1 * 1e-6 * std::sqrt(m.FoverRT * 0.01 * 1e-5);
    EXPECT_TRUE(Near(m.Yplot(peak, m.CurCurve), theory, 0.01));

    const auto ref = testing::ReadCsv(testing::DataPath("reference/analytical_sweep_planar.csv"));
    ASSERT_EQ(static_cast<int>(ref.rows()), m.NData);
    for (int i = 1; i <= m.NData; ++i) {
        const auto k = static_cast<std::size_t>(i - 1);
        ASSERT_TRUE(Near(m.Xdata(i), ref["Xdata"][k], 1e-12, 1e-15)) << "point " << i;
        ASSERT_TRUE(
            Near(m.Yplot(i, m.CurCurve), ref["total_with_step_independent_scale"][k], 1e-9, 1e-20))
            << "point " << i;
    }
}

// Technique and electrode reach the dispatch key through the same chain.
TEST(Simulate, DialogChoicesReachTheDispatchKey) {
    FakePlatform platform;
    Workbench wb(platform);
    wb.formMech.CheckDigital.Click();
    wb.formTech.optTech(2).Click();
    wb.formIns.optElectrode(4).Click();
    Simulate(wb);
    EXPECT_EQ(wb.model.CaseCode, 24);
    EXPECT_EQ(wb.model.Technique, 2);
}

}  // namespace
}  // namespace talvex
