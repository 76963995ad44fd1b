#include "core/command_table.h"

#include <gtest/gtest.h>

#include "core/workbench.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "plot/form_option.h"
#include "support/fake_platform.h"

namespace talvex {
namespace {

class CommandTableTest : public ::testing::Test {
protected:
    testing::FakePlatform platform;
    Workbench wb{platform};
};

TEST_F(CommandTableTest, MenuTreeInMenuBarOrderWithInitialFlags) {
    std::vector<std::string> bar;
    for (const MenuItem& item : wb.menu.items())
        if (item.parent.empty()) bar.push_back(item.caption);
    EXPECT_EQ(bar, (std::vector<std::string>{"&File", "&Input", "&Run", "&Display", "&Analyze", "&Help"}));

    for (const MenuItem& item : wb.menu.items()) {
        const bool disabledAtStart = item.name == "mnuDisplay" || item.name == "mnuData" || item.name == "mnuManualFit";
        EXPECT_EQ(item.enabled, !disabledAtStart) << item.name;
        if (!item.parent.empty()) {
            EXPECT_NE(wb.menu.Find(item.parent), nullptr) << item.name;
        }
    }
    const MenuItem* simulate = wb.menu.Find("mnuSimulate");
    ASSERT_NE(simulate, nullptr);
    EXPECT_EQ(simulate->caption, "&Simulate");
    EXPECT_EQ(simulate->parent, "mnuRun");
    EXPECT_EQ(wb.menu.Find("mnuMinusX")->caption, "Reverse");
    EXPECT_TRUE(wb.menu.Find("manubar")->IsSeparator());
    EXPECT_EQ(wb.menu.Find("mnu0001Y")->parent, "mnuYData");
    EXPECT_FALSE(wb.menu.IsAvailable("mnuTime"));  // inside the disabled Display menu
}

// A new workbench is a started program: the start-up selections are made.
TEST_F(CommandTableTest, StartUpSelectsTheFirstEntries) {
    EXPECT_TRUE(wb.model.DigitalSim);
    EXPECT_TRUE(wb.formMech.CheckDigital.checked());
    EXPECT_EQ(wb.model.Electrode, 1);
    EXPECT_EQ(wb.formIns.ComboScan.text(), "single");
    for (int r = 1; r <= 3; ++r) EXPECT_EQ(wb.formMech.NEL(r).text(), "1");
    EXPECT_EQ(wb.formOption.ComboY.text(), "current I");
}

TEST_F(CommandTableTest, NewDataSetEnablesDisplayAnalyzeAndManualCommands) {
    EnableAfterNewDataSet(wb);
    for (const char* name : {"mnuDisplay", "mnuData", "mnuManualFit", "mnuManualSeparate"})
        EXPECT_TRUE(wb.menu.Find(name)->enabled) << name;
    EXPECT_TRUE(wb.menu.IsAvailable("mnuTime"));
    EXPECT_TRUE(wb.menu.IsAvailable("mnu10X"));
}

TEST_F(CommandTableTest, DisabledCommandsDoNotRun) {
    EXPECT_FALSE(wb.RunCommand("mnuClear"));
    EXPECT_FALSE(wb.RunCommand("mnuFile"));  // a submenu is not a command
    EXPECT_FALSE(wb.RunCommand("mnuNoSuchThing"));
    EXPECT_TRUE(wb.RunCommand("mnuExit"));
    EXPECT_TRUE(platform.exited);
}

TEST_F(CommandTableTest, NextCurveWrapsAround) {
    Model& m = wb.model;
    m.NCurves = 1;
    m.CurCurve = 1;
    NextCurve(wb);
    EXPECT_EQ(m.CurCurve, 1);
    m.NCurves = 3;
    m.CurCurve = 2;
    NextCurve(wb);
    EXPECT_EQ(m.CurCurve, 3);
    NextCurve(wb);
    EXPECT_EQ(m.CurCurve, 1);
    EXPECT_TRUE(wb.formResult.visible());
    EXPECT_EQ(wb.formResult.lines(),
              (std::vector<std::string>{"Curve Number is  1 ", "Curve Number is  3 ", "Curve Number is  1 "}));
}

TEST_F(CommandTableTest, TimeBeforeAnyRunPrintsEmptyValues) {
    PrintTime(wb);
    EXPECT_EQ(wb.formResult.lines(), (std::vector<std::string>{"time = s", "max iteration in simulation = "}));
    wb.model.RunTime = 0.125f;
    wb.model.MaxIter = 3;
    ClearResults(wb);
    PrintTime(wb);
    EXPECT_EQ(wb.formResult.lines(), (std::vector<std::string>{"time =  .125 s", "max iteration in simulation =  3 "}));
}

TEST_F(CommandTableTest, ClearLeavesTheCurveStore) {
    wb.model.Yplot(3, 1) = 2.5;
    wb.formResult.PrintLine("something");
    EnableAfterNewDataSet(wb);
    EXPECT_TRUE(wb.RunCommand("mnuClear"));
    EXPECT_TRUE(wb.formResult.lines().empty());
    EXPECT_EQ(wb.model.Yplot(3, 1), 2.5);
}

TEST_F(CommandTableTest, ManualOpensThePageInTheApplicationFolder) {
    wb.applicationDirectory = "/opt/talvex";
    EXPECT_TRUE(wb.RunCommand("mnuManual"));
    EXPECT_EQ(platform.manualPaths, std::vector<std::string>{"/opt/talvex/talvex.html"});
}

}  // namespace
}  // namespace talvex
