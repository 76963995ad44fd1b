// Edit > Undo and Redo: every entry change and every command that changes the curves is a step
// that goes back and forth bit for bit; Cancel in a dialog; what counts as unsaved work.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/undo_history.h"
#include "app/workbench.h"
#include "app/workspace_commands.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "dialogs/form_tech.h"
#include "plot/form_option.h"
#include "plot/form_plot.h"
#include "support/fake_platform.h"
#include "support/numeric.h"

namespace talvex {
namespace {

namespace fs = std::filesystem;

class UndoTest : public ::testing::Test {
  protected:
    // Everything a step must bring back: the entries and curves as the history holds them, the
    // workspace as a file would hold it (numbers written to read back exactly), the drawing.
    struct Seen {
        UndoState state;
        std::string workspace;
        std::string drawing;
    };
    Seen Now() const {
        return {CaptureUndoState(wb), WorkspaceText(CaptureWorkspace(wb)), wb.formPlot.canvas().Text()};
    }
    static void ExpectSame(const Seen& a, const Seen& b, const std::string& where) {
        EXPECT_TRUE(a.state == b.state) << where;
        EXPECT_EQ(a.workspace, b.workspace) << where;
        EXPECT_EQ(a.drawing, b.drawing) << where;
    }

    testing::FakePlatform platform;
    Workbench wb{platform};
};

// A session of entries and commands (typing, a click, a choice, Simulate, Import, the Analyze
// transforms and axis commands, a fit, Use Fitted Values, a quantity confirmed in Option) is taken
// back step by step to the start, each state exactly as it was, then done again to the end.
TEST_F(UndoTest, RoundTripsRestoreEntriesAndCurvesBitForBit) {
    std::vector<Seen> seen{Now()};
    std::vector<std::string> labels;
    auto step = [&](const std::function<void()>& action) {
        action();
        ASSERT_TRUE(platform.messages.empty()) << platform.messages.front();
        seen.push_back(Now());
        labels.push_back(wb.history().UndoLabel());
    };
    step([&] { wb.Type(wb.formIns.V, "0.05"); });
    step([&] { wb.Choose(wb.formIns.ComboScan, "cycle"); });
    step([&] { wb.RunCommand("mnuSimulate"); });
    step([&] { wb.Click(wb.formIns.optElectrode(2)); });
    step([&] { wb.Type(wb.formIns.radius, "0.2"); });
    step([&] { wb.Click(wb.formOption.overlap); });
    step([&] { wb.RunCommand("mnuSimulate"); });
    step([&] { wb.RunCommand("mnuDerivative"); });
    step([&] { wb.RunCommand("mnu1000Y"); });
    step([&] { wb.RunCommand("mnuMinusX"); });
    step([&] {
        platform.fileAnswers.push_back(testing::DataPath("files/default_sweep.csv"));
        wb.RunCommand("mnuImport");
    });
    step([&] { wb.RunCommand("mnuSemi"); });
    step([&] { wb.Click(wb.formOption.overlap); });
    step([&] { wb.Click(wb.formExpr.CheckFitted(13)); });  // E0 free
    step([&] { wb.RunCommand("mnuSemiInte"); });           // back to the measured current
    step([&] { wb.RunCommand("mnuAutoFit"); });
    step([&] { wb.RunCommand("mnuUseFitted"); });
    step([&] {
        wb.Choose(wb.formOption.ComboY, "surface concentration C");
        wb.Click(wb.formOption.cmdOK);
    });
    ASSERT_EQ(wb.history().size(), seen.size() - 1 + 1);  // the confirmation of Option is a step of its own
    EXPECT_EQ(labels[0], "Typing in Instrument: v (V/s)");
    EXPECT_EQ(labels[2], "Simulate");
    EXPECT_EQ(labels[10], "Import Data");

    // Back to the start: each step's state before it, the confirmation of Option taking two.
    ASSERT_TRUE(wb.RunCommand("mnuUndo"));
    for (std::size_t i = seen.size() - 1; i-- > 0;) {
        ASSERT_TRUE(wb.RunCommand("mnuUndo")) << i;
        ExpectSame(Now(), seen[i], "undone to " + std::to_string(i));
    }
    EXPECT_FALSE(wb.history().CanUndo());
    EXPECT_FALSE(wb.menu.Find("mnuUndo")->enabled);
    EXPECT_TRUE(platform.messages.empty());

    // And forward again to the end.
    for (std::size_t i = 1; i < seen.size(); ++i) {
        ASSERT_TRUE(wb.RunCommand("mnuRedo")) << i;
        if (i == seen.size() - 1) {
            ASSERT_TRUE(wb.RunCommand("mnuRedo"));
        }
        ExpectSame(Now(), seen[i], "redone to " + std::to_string(i));
    }
    EXPECT_FALSE(wb.history().CanRedo());
    EXPECT_FALSE(wb.menu.Find("mnuRedo")->enabled);
}

// Typing into one box is one step however many keys it took; something else done in between
// starts a new one. A new step after Undo drops what could have been redone.
TEST_F(UndoTest, TypingIsOneStepAndANewStepEndsRedo) {
    const std::string before = wb.formIns.Estart.text();
    for (const char* text : {"0", "0.", "0.4", "0.45"}) wb.Type(wb.formIns.Estart, text);
    EXPECT_EQ(wb.history().size(), 1u);
    wb.Type(wb.formIns.Eend, "-0.4");
    wb.Type(wb.formIns.Estart, "0.5");
    EXPECT_EQ(wb.history().size(), 3u);
    ASSERT_TRUE(wb.Undo());
    EXPECT_EQ(wb.formIns.Estart.text(), "0.45");
    ASSERT_TRUE(wb.Undo());
    ASSERT_TRUE(wb.Undo());
    EXPECT_EQ(wb.formIns.Estart.text(), before);
    EXPECT_EQ(platform.statuses.back(), "Undone: Typing in Instrument: E start (V)");
    wb.Type(wb.formIns.V, "0.02");
    EXPECT_FALSE(wb.history().CanRedo());
    EXPECT_EQ(wb.history().size(), 1u);
}

// At least 50 steps go back (100 are kept); the oldest go first beyond that.
TEST_F(UndoTest, AHundredStepsAreKept) {
    const std::string first = wb.formIns.Estart.text();
    for (int i = 1; i <= 120; ++i) wb.Type(i % 2 ? wb.formIns.Estart : wb.formIns.Eend, std::to_string(i) + "e-3");
    EXPECT_EQ(wb.history().size(), UndoHistory::kMaxSteps);
    int undone = 0;
    while (wb.Undo()) ++undone;
    EXPECT_EQ(undone, 100);
    EXPECT_EQ(wb.formIns.Estart.text(), "19e-3");  // the state after step 20
    EXPECT_NE(wb.formIns.Estart.text(), first);
}

// What counts as unsaved work: any step since the workspace was saved or opened (or the program
// started); undoing back to the saved state is saved again.
TEST_F(UndoTest, ModifiedSinceSaved) {
    EXPECT_FALSE(wb.Modified());
    wb.RunCommand("mnuTime");  // prints, changes no entry and no curve
    EXPECT_FALSE(wb.Modified());
    wb.Type(wb.formIns.V, "0.05");
    EXPECT_TRUE(wb.Modified());
    const fs::path file = fs::temp_directory_path() / "talvex_undo_test.tvw";
    platform.fileAnswers.push_back(file.string());
    wb.RunCommand("mnuSaveWorkspace");
    EXPECT_FALSE(wb.Modified());
    wb.Undo();
    EXPECT_TRUE(wb.Modified());
    wb.Redo();
    EXPECT_FALSE(wb.Modified());
    wb.RunCommand("mnuSimulate");
    EXPECT_TRUE(wb.Modified());
    platform.fileAnswers.push_back(file.string());
    wb.RunCommand("mnuOpenWorkspace");
    EXPECT_FALSE(wb.Modified());
    EXPECT_TRUE(wb.history().CanUndo());  // opening is a step too
    fs::remove(file);
}

// Cancel puts back the entries a dialog had when it was shown, the other dialogs following (the
// electrode's handler sets the Instrument dialog's fields); it is a step that Undo takes back.
// A dialog shown again starts from its entries then.
TEST_F(UndoTest, CancelRestoresTheEntriesAsShown) {
    wb.RunCommand("mnuInstrument");
    const FormState shown = CaptureForm(wb.formIns);
    const int electrode = wb.model.Electrode;
    wb.Type(wb.formIns.V, "0.5");
    wb.Click(wb.formIns.optElectrode(4));
    wb.Type(wb.formIns.radius, "0.001");
    ASSERT_NE(wb.model.Electrode, electrode);
    wb.Cancel(wb.formIns);
    EXPECT_FALSE(wb.formIns.visible());
    EXPECT_TRUE(CaptureForm(wb.formIns) == shown);
    EXPECT_EQ(wb.model.Electrode, electrode);
    EXPECT_EQ(wb.history().UndoLabel(), "Cancel in Instrument");
    wb.Undo();
    EXPECT_EQ(wb.formIns.V.text(), "0.5");

    wb.RunCommand("mnuInstrument");
    wb.Type(wb.formIns.V, "0.02");
    wb.Cancel(wb.formIns);
    EXPECT_EQ(wb.formIns.V.text(), "0.5");

    wb.RunCommand("mnuSimulate");
    wb.RunCommand("mnuOption");
    const FormState options = CaptureForm(wb.formOption);
    wb.Click(wb.formOption.CheckGrid);
    wb.Click(wb.formOption.Yauto);
    wb.Type(wb.formOption.YmaxText, "5e-3");
    wb.Cancel(wb.formOption);
    EXPECT_TRUE(CaptureForm(wb.formOption) == options);
}

}  // namespace
}  // namespace talvex
