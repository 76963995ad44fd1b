#include "app/long_work.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "api/simulation.h"
#include "app/undo_history.h"
#include "app/workbench.h"
#include "core/codes.h"
#include "core/text_number.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "support/fake_platform.h"
#include "support/golden.h"
#include "support/model_values.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using namespace std::chrono_literals;

// Polls as the desktop's timer does until the work has ended (a minute at most). Work that ended
// within its command (on a loaded machine the worker may finish before the command looks, even
// with `backgroundAfter` 0) left nothing to poll.
void PollUntilDone(Workbench& wb) {
    const auto limit = std::chrono::steady_clock::now() + 60s;
    while (wb.Busy() && !wb.PollLongWork()) {
        ASSERT_LT(std::chrono::steady_clock::now(), limit) << "the work did not end";
        std::this_thread::sleep_for(1ms);
    }
}

bool Contains(const std::vector<std::string>& texts, const std::string& part) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

// A fit as a user sets it up: the measured sweep of tests/data/fitting (made at E0 = 0.08 V,
// D = 1.5e-5 cm2/s), E0 and D free from 0.1 V and 3e-5 cm2/s.
class Desk {
  public:
    explicit Desk(bool background) {
        wb.workInBackground = background;
        wb.backgroundAfter = 0ms;
        platform.fileAnswers.push_back(testing::DataPath("fitting/measured_sweep.csv"));
        wb.RunCommand("mnuImport");
        wb.Type(wb.formExpr.Eze(1), "0.1");
        wb.Type(wb.formExpr.D(1), "3e-5");
        Tick(fit::E0 + 1, "-0.2", "0.09");
        Tick(fit::D + 1, "1e-6", "1e-4");
    }
    void Tick(int index, const std::string& lower, const std::string& upper) {
        wb.Click(wb.formExpr.CheckFitted(index));
        wb.Type(wb.formExpr.TextCmin(index), lower);
        wb.Type(wb.formExpr.TextCmax(index), upper);
    }
    std::string Transcript() const {
        std::ostringstream out;
        out << testing::ResultText(wb.formResult);
        for (const std::string& m : platform.messages) out << "message: " << m << "\n";
        return out.str();
    }

    testing::FakePlatform platform;
    Workbench wb{platform};
};

// The workbench's side of long work, step by step: the command returns while the work runs, the
// entries and the commands that change them wait, progress is shown where the command ran, Stop
// reaches the worker, and the work's end and its command are one step of the undo history.
TEST(LongWorkTest, WorkRunsBesideTheWindowAndEndsAsOneStep) {
    testing::FakePlatform platform;
    Workbench wb{platform};
    wb.workInBackground = true;
    wb.backgroundAfter = 0ms;
    const std::string speed = wb.formIns.V.text();
    const bool simulateBefore = wb.menu.IsAvailable("mnuSimulate");

    std::atomic<int> release{0};
    std::vector<WorkProgress> shown;
    auto work = std::make_shared<LongWork>();
    work->label = "Test work";
    work->compute = [&release](LongWork& self) {
        while (release.load() < 1) std::this_thread::sleep_for(1ms);
        self.Post({3, 1.5, {0.1}, {}});
        while (release.load() < 2 && !self.StopRequested()) std::this_thread::sleep_for(1ms);
    };
    work->show = [&shown](Workbench&, const WorkProgress& p) { shown.push_back(p); };
    work->finish = [](Workbench& w) { w.Type(w.formIns.V, "0.5"); };
    ASSERT_TRUE(wb.Do("Test work", [&] {
        wb.StartLongWork(work);
        return true;
    }));

    ASSERT_TRUE(wb.Busy());
    EXPECT_FALSE(wb.menu.IsAvailable("mnuSimulate"));
    EXPECT_FALSE(wb.menu.IsAvailable("mnuAutoFit"));
    EXPECT_FALSE(wb.RunCommand("mnuSimulate"));
    EXPECT_TRUE(wb.menu.IsAvailable("mnuStop"));
    EXPECT_TRUE(wb.menu.IsAvailable("mnuExportPlot"));
    EXPECT_FALSE(wb.Type(wb.formIns.V, "0.2"));
    EXPECT_EQ(wb.formIns.V.text(), speed);
    EXPECT_TRUE(Contains(platform.statuses, "Test work is running"));

    release = 1;
    const auto limit = std::chrono::steady_clock::now() + 60s;
    while (shown.empty() && std::chrono::steady_clock::now() < limit) {
        EXPECT_FALSE(wb.PollLongWork());
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].iteration, 3);
    EXPECT_EQ(shown[0].values, std::vector<double>{0.1});

    ASSERT_TRUE(wb.RunCommand("mnuStop"));
    EXPECT_TRUE(work->StopRequested());
    PollUntilDone(wb);
    EXPECT_FALSE(wb.Busy());
    EXPECT_EQ(wb.menu.IsAvailable("mnuSimulate"), simulateBefore);
    EXPECT_FALSE(wb.menu.IsAvailable("mnuStop"));
    EXPECT_EQ(wb.formIns.V.text(), "0.5");
    EXPECT_EQ(wb.history().UndoLabel(), "Test work");
    ASSERT_TRUE(wb.Undo());
    EXPECT_EQ(wb.formIns.V.text(), speed);
}

// A fit in the background ends exactly as the same fit inside the command: the same report, values
// and curves bit for bit; Undo takes the whole fit back.
TEST(LongWorkTest, FitInTheBackgroundEqualsTheFitInTheCommand) {
    Desk here(false), background(true);
    Workbench& wb = background.wb;
    const UndoState before = wb.history().Capture(wb);
    ASSERT_TRUE(here.wb.RunCommand("mnuAutoFit"));
    // The worker holds on after the fit until the test has seen its last progress drawn.
    std::atomic<bool> seen{false};
    wb.onWorkStarting = [&seen](LongWork& work) {
        work.compute = [fit = work.compute, &seen](LongWork& self) {
            fit(self);
            while (!seen.load()) std::this_thread::sleep_for(1ms);
        };
    };
    ASSERT_TRUE(wb.RunCommand("mnuAutoFit"));
    EXPECT_TRUE(wb.Busy());
    EXPECT_FALSE(wb.Undo());
    // Each iteration is shown as the poll finds it; the last is the fit's last iteration, with its
    // least square and its curve drawn as the fit's curve beside the measured one.
    ASSERT_TRUE(here.wb.lastFit);
    const FitSummary& fit = *here.wb.lastFit;
    const std::string last = "Auto Fit: iteration " + std::to_string(fit.iterations) + ", least square " +
                             GeneralFormat(fit.history.back()) + " (Run > Stop ends it here)";
    const auto limit = std::chrono::steady_clock::now() + 60s;
    while (background.platform.statuses.back() != last && std::chrono::steady_clock::now() < limit) {
        EXPECT_FALSE(wb.PollLongWork());
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(background.platform.statuses.back(), last);
    EXPECT_EQ(wb.model.CurveKind(2), curve::Fitted);
    EXPECT_EQ(testing::Curve(wb.model, 1), testing::Curve(here.wb.model, 1));
    const std::vector<double> drawn = testing::Curve(wb.model, 2), fitted = testing::Curve(here.wb.model, 2);
    ASSERT_EQ(drawn.size(), fitted.size());
    for (std::size_t k = 0; k < drawn.size(); ++k) EXPECT_NEAR(drawn[k], fitted[k], 1e-3 * 1e-4) << k;
    seen = true;
    PollUntilDone(wb);

    EXPECT_EQ(background.Transcript(), here.Transcript());
    EXPECT_EQ(wb.model.E0(1), here.wb.model.E0(1));
    EXPECT_EQ(wb.model.D(1), here.wb.model.D(1));
    EXPECT_EQ(testing::Curve(wb.model, 2), testing::Curve(here.wb.model, 2));
    EXPECT_EQ(wb.model.CurveKind(2), curve::Fitted);
    ASSERT_TRUE(wb.lastFit);
    EXPECT_EQ(wb.lastFit->status, FitStatus::Converged);

    EXPECT_EQ(wb.history().UndoLabel(), "Auto Fit");
    ASSERT_TRUE(wb.Undo());
    EXPECT_TRUE(wb.history().Capture(wb) == before);
}

// Stopped as soon as it started, the fit ends after its first iteration at the best point it
// reached: below the start's least square, reported as stopped by the user, in the model and the
// entries' captions, with the fitted curve simulated there.
TEST(LongWorkTest, StoppedFitKeepsItsBestPoint) {
    Desk desk(true);
    Workbench& wb = desk.wb;
    // Stopped before its worker starts, so that it ends after its first iteration on any machine.
    wb.onWorkStarting = [](LongWork& work) { work.Stop(); };
    ASSERT_TRUE(wb.RunCommand("mnuAutoFit"));
    PollUntilDone(wb);

    ASSERT_TRUE(wb.lastFit);
    const FitSummary& fit = *wb.lastFit;
    EXPECT_EQ(fit.status, FitStatus::Cancelled);
    EXPECT_EQ(fit.iterations, 1);
    ASSERT_EQ(fit.history.size(), 1u);
    EXPECT_TRUE(Contains(wb.formResult.lines(), "Stopped by the user; the values are the best point reached."));
    EXPECT_EQ(wb.model.E0(1), fit.values[0]);
    EXPECT_EQ(wb.model.D(1), fit.values[1]);
    EXPECT_NE(fit.values, fit.start);

    // The start's least square: a Manual Fit where the fit started (E0 clamped into its bounds).
    Desk start(false);
    start.wb.Type(start.wb.formExpr.Eze(1), "0.09");
    ASSERT_TRUE(start.wb.RunCommand("mnuManualFit"));
    double startSsq = 0;
    const std::vector<double> measured = testing::Curve(start.wb.model, 1);
    const std::vector<double> simulated = testing::Curve(start.wb.model, 2);
    for (std::size_t k = 0; k < measured.size(); ++k)
        startSsq += (simulated[k] - measured[k]) * (simulated[k] - measured[k]);
    EXPECT_LT(fit.ssq, 0.5 * startSsq);

    // The plotted fit is the curve at the reported point: Manual Fit there draws it again (to the
    // 15 digits Use Fitted Values types).
    const std::vector<double> drawn = testing::Curve(wb.model, 2);
    ASSERT_TRUE(wb.RunCommand("mnuUseFitted"));
    ASSERT_TRUE(wb.RunCommand("mnuManualFit"));
    const std::vector<double> again = testing::Curve(wb.model, 2);
    ASSERT_EQ(again.size(), drawn.size());
    for (std::size_t k = 0; k < drawn.size(); ++k) EXPECT_NEAR(again[k], drawn[k], 1e-9 * 1e-4) << k;
}

// A long digital run stopped part-way keeps the points it computed (or, stopped before the first,
// the curves as they were) and says so; the engine stops between points, the closed form runs on.
TEST(LongWorkTest, StoppedSimulationSaysWhatItKept) {
    testing::FakePlatform platform;
    Workbench wb{platform};
    wb.workInBackground = true;
    wb.backgroundAfter = 0ms;
    // A two-dimensional microdisc run of 3002 points (about 70 ms here), stopped after 15 ms.
    wb.Type(wb.formIns.Estep, "0.0004");
    wb.Choose(wb.formIns.ComboScan, "cycle");
    wb.Click(wb.formIns.optElectrode(electrode::Microdisc));
    wb.Type(wb.formIns.radius, "1e-3");
    const std::vector<double> before = testing::Curve(wb.model, 1);
    // The worker waits until the command has returned, so that the run goes on beside the window on
    // a loaded machine too.
    std::atomic<bool> go{false};
    wb.onWorkStarting = [&go](LongWork& work) {
        work.compute = [run = work.compute, &go](LongWork& self) {
            while (!go.load()) std::this_thread::sleep_for(1ms);
            run(self);
        };
    };
    const bool ran = wb.RunCommand("mnuSimulate"), busy = wb.Busy();
    go = true;
    ASSERT_TRUE(ran);
    ASSERT_TRUE(busy);
    std::this_thread::sleep_for(15ms);
    wb.StopLongWork();
    PollUntilDone(wb);
    ASSERT_EQ(platform.messages.size(), 1u);
    const std::string& said = platform.messages[0];
    if (said.find("before its first point") != std::string::npos) {
        EXPECT_EQ(testing::Curve(wb.model, 1), before);
    } else {
        EXPECT_EQ(said.find("The simulation was stopped: "), 0u) << said;
        EXPECT_LT(wb.model.ILast, wb.model.NData);
        EXPECT_NE(said.find(" of " + std::to_string(wb.model.NData.value()) + " points were computed."),
                  std::string::npos)
            << said;
    }

    std::atomic<bool> stop{true};
    api::SimulationOptions options;
    options.stop = &stop;
    const api::Expected<api::Curve> none = api::Simulate({}, api::ChemicalSystem::Default(), options);
    ASSERT_FALSE(none);
    EXPECT_EQ(none.error().message, "The simulation was stopped before its first point: nothing was computed.");
    options.digital = false;
    const api::Expected<api::Curve> closedForm = api::Simulate({}, api::ChemicalSystem::Default(), options);
    ASSERT_TRUE(closedForm);
    EXPECT_EQ(closedForm->computedPoints, static_cast<int>(closedForm->current.size()));
}

// Exit while a fit runs: the fit ends at its best point with its report before the program asks
// about unsaved work.
TEST(LongWorkTest, ExitStopsTheFitFirst) {
    Desk desk(true);
    Workbench& wb = desk.wb;
    // The worker waits until it is asked to stop, so that the fit still runs when Exit is chosen.
    wb.onWorkStarting = [](LongWork& work) {
        work.compute = [fit = work.compute](LongWork& self) {
            while (!self.StopRequested()) std::this_thread::sleep_for(1ms);
            fit(self);
        };
    };
    ASSERT_TRUE(wb.RunCommand("mnuAutoFit"));
    ASSERT_TRUE(wb.Busy());
    ASSERT_TRUE(wb.RunCommand("mnuExit"));
    EXPECT_FALSE(wb.Busy());
    ASSERT_TRUE(wb.lastFit);
    EXPECT_EQ(wb.lastFit->status, FitStatus::Cancelled);
    EXPECT_TRUE(Contains(wb.formResult.lines(), "Stopped by the user; the values are the best point reached."));
}

}  // namespace
}  // namespace talvex
