// A fit as the window runs it: on a thread of its own, the window answering meanwhile, and stopped
// by the user at its best point.
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "core/codes.h"
#include "dialogs/form_expr.h"
#include "gui_fixture.h"

namespace talvex::gui::testing {
namespace {

TEST_F(GuiTest, FitRunsBesideTheWindowAndStopsAtItsBestPoint) {
    fileAnswers.push_back(TALVEX_TEST_DATA "/fitting/measured_sweep.csv");
    Menu("mnuImport");
    ASSERT_TRUE(messages.empty()) << messages.front();
    wb.Type(wb.formExpr.Eze(1), "0.1");
    wb.Click(wb.formExpr.CheckFitted(fit::E0 + 1));
    wb.Type(wb.formExpr.TextCmin(fit::E0 + 1), "-0.2");
    wb.Type(wb.formExpr.TextCmax(fit::E0 + 1), "0.2");
    // The fit leaves the command at once and waits until it is asked to stop, so that the window is
    // seen while it runs.
    wb.backgroundAfter = std::chrono::milliseconds(0);
    wb.onWorkStarting = [](LongWork& work) {
        work.compute = [fit = work.compute](LongWork& self) {
            while (!self.StopRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            fit(self);
        };
    };
    Menu("mnuAutoFit");
    ASSERT_TRUE(wb.Busy());

    // The window answers: a timer fires, the plot zooms; the dialogs and the commands that would
    // change the entries wait, Stop does not.
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    QTRY_VERIFY(fired);
    const auto* bar = window.statusBar()->findChild<QProgressBar*>(QStringLiteral("workBar"));
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_FALSE(window.View(wb.formExpr)->isEnabled());
    EXPECT_FALSE(window.Action("mnuSimulate")->isEnabled());
    EXPECT_FALSE(window.Action("mnuUndo")->isEnabled());
    EXPECT_TRUE(window.Action("mnuStop")->isEnabled());
    EXPECT_TRUE(window.Action("mnuZoomIn")->isEnabled());
    Menu("mnuZoomIn");
    EXPECT_TRUE(wb.Busy());

    Menu("mnuStop");
    QTRY_VERIFY_WITH_TIMEOUT(!wb.Busy(), 60000);
    ASSERT_TRUE(wb.lastFit);
    EXPECT_EQ(wb.lastFit->status, FitStatus::Cancelled);
    EXPECT_EQ(wb.lastFit->iterations, 1);
    EXPECT_EQ(wb.model.E0(1), wb.lastFit->values[0]);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(window.View(wb.formExpr)->isEnabled());
    EXPECT_TRUE(window.Action("mnuSimulate")->isEnabled());
    EXPECT_FALSE(window.Action("mnuStop")->isEnabled());
    EXPECT_TRUE(window.Action("mnuUndo")->isEnabled());
    EXPECT_EQ(wb.history().UndoLabel(), "Auto Fit");
    EXPECT_TRUE(messages.empty()) << messages.front();
}

}  // namespace
}  // namespace talvex::gui::testing
