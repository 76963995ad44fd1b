#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "app/workbench.h"
#include "app/workspace_commands.h"
#include "core/codes.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "dialogs/form_tech.h"
#include "plot/form_option.h"
#include "plot/form_plot.h"
#include "support/fake_platform.h"
#include "support/model_values.h"
#include "support/numeric.h"

namespace talvex {
namespace {

namespace fs = std::filesystem;

using testing::Curve;

class WorkspaceTest : public ::testing::Test {
  protected:
    WorkspaceTest() { fs::create_directory(dir); }
    ~WorkspaceTest() override { fs::remove_all(dir); }

    std::string Path(const std::string& name) const { return (dir / name).string(); }
    std::string Read(const std::string& name) const {
        return {std::istreambuf_iterator<char>(std::ifstream(Path(name), std::ios::binary).rdbuf()), {}};
    }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }
    // Saves `from` through the menu and opens the file in `to` through the menu.
    void SaveAndOpen(Workbench& from, testing::FakePlatform& fromPlatform, Workbench& to,
                     testing::FakePlatform& toPlatform) {
        fromPlatform.fileAnswers.push_back(Path("w.tvw"));
        ASSERT_TRUE(from.RunCommand("mnuSaveWorkspace"));
        toPlatform.fileAnswers.push_back(Path("w.tvw"));
        ASSERT_TRUE(to.RunCommand("mnuOpenWorkspace"));
    }

    // A setup far from the defaults, made as a user makes it: a reaction typed into the editor, a
    // cycle at a sphere, changed concentrations, a ticked fit parameter, overlapped curves.
    void SetUpAwayFromDefaults(Workbench& w) {
        w.Type(w.formMech.charge(1), "A");
        w.Type(w.formMech.charge(2), "B");
        w.Type(w.formMech.chem(1), "B");
        w.Type(w.formMech.chem(2), "A");
        w.Click(w.formMech.Command1);
        w.Choose(w.formIns.ComboScan, "cycle");
        w.Click(w.formIns.optElectrode(2));
        w.Type(w.formIns.radius, "0.01");
        w.Type(w.formIns.Estep, "0.004");
        w.RunCommand("mnuExperimental");
        w.Type(w.formExpr.kf(1), "3");
        w.Type(w.formExpr.C(1), "2e-3");
        w.Click(w.formExpr.CheckFitted(13));
        w.Click(w.formOption.overlap);
        w.RunCommand("mnuSimulate");
        w.Type(w.formExpr.kf(1), "30");
        w.RunCommand("mnuSimulate");
    }

    const fs::path dir = fs::temp_directory_path() / ("talvex-ws-" + std::to_string(std::random_device{}()));
    testing::FakePlatform platform;
    Workbench wb{platform};
};

// Save -> Open -> Save gives the same bytes, for a fresh program and for one far from its defaults;
// the file is the documented JSON.
TEST_F(WorkspaceTest, SaveOpenSaveGivesTheSameFile) {
    for (bool changed : {false, true}) {
        testing::FakePlatform p1, p2;
        Workbench first(p1), second(p2);
        if (changed) SetUpAwayFromDefaults(first);
        SaveAndOpen(first, p1, second, p2);
        const std::string saved = Read("w.tvw");
        p2.fileAnswers.push_back(Path("again.tvw"));
        second.RunCommand("mnuSaveWorkspace");
        EXPECT_EQ(Read("again.tvw"), saved) << (changed ? "changed setup" : "fresh program");
        EXPECT_TRUE(p1.messages.empty());
        EXPECT_TRUE(p2.messages.empty());
        EXPECT_EQ(saved.rfind("{\n  \"format\": \"talvex-workspace\",\n  \"version\": 2,", 0), 0u);
    }
}

// After Open, the dialogs show what they showed, the curves are back, and every technique simulates
// the same curve as before the save (closed-form and digital, with a reaction typed into the editor).
TEST_F(WorkspaceTest, OpenedWorkspaceSimulatesTheSameCurves) {
    for (int technique = 1; technique <= 5; ++technique) {
        testing::FakePlatform p1, p2;
        Workbench before(p1), after(p2);
        SetUpAwayFromDefaults(before);
        before.Click(before.formTech.optTech(technique));
        if (technique == 3) before.Click(before.formMech.CheckDigital);  // one closed-form run too
        before.RunCommand("mnuSimulate");
        const Model& m = before.model;
        const std::vector<double> simulated = Curve(m, m.CurCurve);

        SaveAndOpen(before, p1, after, p2);
        const Model& n = after.model;
        EXPECT_EQ(n.NData.value(), m.NData.value());
        EXPECT_EQ(n.CurCurve.value(), m.CurCurve.value());
        for (int k = 1; k <= 6; ++k) EXPECT_EQ(Curve(n, k), Curve(m, k)) << "curve " << k;
        EXPECT_EQ(after.formExpr.kf(1).text(), "30");
        EXPECT_EQ(after.formIns.ARE.text(), before.formIns.ARE.text());
        EXPECT_TRUE(after.menu.Find("mnuData")->enabled);

        before.RunCommand("mnuSimulate");
        after.RunCommand("mnuSimulate");
        EXPECT_EQ(Curve(after.model, after.model.CurCurve), Curve(m, m.CurCurve)) << "technique " << technique;
        EXPECT_EQ(Curve(m, m.CurCurve), simulated) << "technique " << technique;
        EXPECT_TRUE(p1.messages.empty()) << p1.messages.front();
        EXPECT_TRUE(p2.messages.empty()) << p2.messages.front();
    }
}

// A workspace of format 1 (before the store told measured curves apart, and before the Instrument
// dialog's "fit baseline" box) opens: its curves count as simulated and the box keeps its state.
// One of format 2 brings a measured curve back as measured, so no run writes over it.
TEST_F(WorkspaceTest, OlderFormatOpensAndMeasuredCurvesStayMeasured) {
    SetUpAwayFromDefaults(wb);
    wb.model.CurveKind(1) = curve::Measured;
    platform.fileAnswers.push_back(Path("new.tvw"));
    wb.RunCommand("mnuSaveWorkspace");
    std::string old = Read("new.tvw");
    auto erase = [&old](const std::string& from, const std::string& to) {
        const auto at = old.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        old.erase(at, old.find(to, at) + to.size() - at);
    };
    old.replace(old.find("\"version\": 2"), 12, "\"version\": 1");
    erase("    \"kinds\"", "],\n");
    erase(",\n        {\"name\": \"CheckFitBaseline\"", "}");
    Write("old.tvw", old);

    testing::FakePlatform p2, p3;
    Workbench fromOld(p2), fromNew(p3);
    fromOld.Click(fromOld.formIns.CheckFitBaseline);
    p2.fileAnswers.push_back(Path("old.tvw"));
    fromOld.RunCommand("mnuOpenWorkspace");
    ASSERT_TRUE(p2.messages.empty()) << p2.messages.front();
    EXPECT_EQ(Curve(fromOld.model, 2), Curve(wb.model, 2));
    EXPECT_EQ(fromOld.model.CurveKind(1), curve::Simulated);
    EXPECT_TRUE(fromOld.formIns.CheckFitBaseline.checked());
    EXPECT_EQ(fromOld.formExpr.kf(1).text(), "30");

    p3.fileAnswers.push_back(Path("new.tvw"));
    fromNew.RunCommand("mnuOpenWorkspace");
    ASSERT_TRUE(p3.messages.empty()) << p3.messages.front();
    EXPECT_EQ(fromNew.model.CurveKind(1), curve::Measured);
    EXPECT_EQ(fromNew.model.CurveKind(2), curve::Simulated);
}

// The series of measured curves a global fit takes comes back with its settings and points, and
// fits to the same values bit for bit.
TEST_F(WorkspaceTest, MeasuredSeriesComesBackAndFitsTheSame) {
    wb.Click(wb.formOption.overlap);
    wb.Choose(wb.formIns.ComboScan, "cycle");
    for (const char* rate : {"0.01", "1"}) {
        wb.Type(wb.formIns.V, rate);
        platform.fileAnswers.push_back(
            testing::DataPath(std::string("../../examples/global_fit_") + (rate[1] == '.' ? "10" : "1000") + ".csv"));
        ASSERT_TRUE(wb.RunCommand("mnuImport"));
    }
    ASSERT_EQ(wb.measured.records.size(), 2u);
    EXPECT_EQ(wb.measured.records[1].experiment.scanRate, 1);
    wb.Click(wb.formExpr.CheckFitted(13));
    testing::FakePlatform p2;
    Workbench other(p2);
    SaveAndOpen(wb, platform, other, p2);
    ASSERT_EQ(other.measured.records.size(), 2u);
    for (std::size_t r = 0; r < 2; ++r) {
        const MeasuredRecord &a = wb.measured.records[r], &b = other.measured.records[r];
        EXPECT_EQ(b.label, a.label);
        EXPECT_EQ(b.current, a.current);
        EXPECT_EQ(b.experiment.potentials, a.experiment.potentials);
        EXPECT_EQ(api::ExperimentValues(b.experiment), api::ExperimentValues(a.experiment));
    }
    EXPECT_EQ(other.measured.recordOfColumn, wb.measured.recordOfColumn);
    ASSERT_TRUE(wb.RunCommand("mnuGlobalFit"));
    ASSERT_TRUE(other.RunCommand("mnuGlobalFit"));
    ASSERT_TRUE(wb.lastFit && other.lastFit);
    EXPECT_EQ(other.lastFit->values, wb.lastFit->values);
    EXPECT_TRUE(testing::Near(wb.lastFit->values[0], 0.12, 0, 1e-3));
}

// A damaged, truncated, foreign or newer file gives one message and changes nothing at all.
TEST_F(WorkspaceTest, ABadFileChangesNothing) {
    SetUpAwayFromDefaults(wb);
    platform.fileAnswers.push_back(Path("good.tvw"));
    wb.RunCommand("mnuSaveWorkspace");
    const std::string good = Read("good.tvw");
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        const auto at = s.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return s.replace(at, from.size(), to);
    };
    struct Case {
        std::string text, message;
    };
    const std::string prefix = "Open Workspace Error: ";
    const std::string points = std::to_string(wb.model.NData.value());
    const std::string nData = "\"NData\": " + points;
    const Case cases[] = {
        {"", prefix + "the file ends too early"},
        {"<html>", prefix + "the file is not a Talvex workspace or is damaged (parse error at line 1"},
        // Found by fuzzing: the JSON reader refuses a number beyond the double range in its own way.
        {replaced("\"version\": 2", "\"version\": 2.5e8872"),
         prefix + "the file is not a Talvex workspace or is damaged (number overflow parsing '2.5e8872')"},
        // cut between two values, wherever the middle of the file falls
        {good.substr(0, good.find(',', good.size() / 2) + 1),
         prefix + "the file ends too early, it was cut short (parse error at line"},
        {"{\"name\": \"something else\"}", prefix + "the file is not a Talvex workspace. Nothing was changed."},
        {replaced("\"version\": 2", "\"version\": 3"),
         prefix + "the file was written by a newer Talvex (workspace format 3); this Talvex reads workspace format "
                  "2 only. Nothing was changed."},
        {replaced("{\"name\": \"Estart\", \"kind\": \"TextBox\"", "{\"name\": \"Estart\", \"kind\": \"Label\""),
         prefix + "control FormIns.Estart is a Label in the file but a TextBox here"},
        {replaced("{\"name\": \"Estart\",", "{\"name\": \"Estart2\","),
         prefix + "dialog FormIns has no control Estart2"},
        {replaced("\"kinds\": [\"simulated\"", "\"kinds\": [\"imported\""),
         prefix + "\"kinds\" of \"curves\" holds \"imported\" where a curve kind belongs"},
        {replaced("\"listIndex\": 1,", "\"listIndex\": 7,"), prefix + "FormIns.ComboScan selects an entry"},
        {replaced(nData, nData + "00"), prefix + "\"NData\" of \"curves\" is " + points + "00, outside 0..4000"},
        {replaced(nData, "\"NData\": 7"), prefix + "\"points\" holds " + points + " points where NData is 7"},
        {replaced("\"checked\": true", "\"checked\": \"yes\""), prefix + "\"checked\" of dialog"},
    };
    const std::string state = WorkspaceText(CaptureWorkspace(wb));
    const auto drawing = wb.formPlot.drawing().size();
    for (const Case& c : cases) {
        platform.messages.clear();
        Write("bad.tvw", c.text);
        platform.fileAnswers.push_back(Path("bad.tvw"));
        wb.RunCommand("mnuOpenWorkspace");
        ASSERT_EQ(platform.messages.size(), 1u) << c.message;
        EXPECT_EQ(platform.messages[0].rfind(c.message, 0), 0u) << platform.messages[0];
        EXPECT_EQ(WorkspaceText(CaptureWorkspace(wb)), state) << c.message;
        EXPECT_EQ(wb.formPlot.drawing().size(), drawing);
    }
    platform.messages.clear();
    platform.fileAnswers.push_back(Path("missing.tvw"));
    wb.RunCommand("mnuOpenWorkspace");
    EXPECT_EQ(platform.messages, std::vector<std::string>{prefix + "File not found. Nothing was changed."});
}

}  // namespace
}  // namespace talvex
