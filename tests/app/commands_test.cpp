#include "app/commands.h"

#include <gtest/gtest.h>

#include "app/workbench.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "plot/form_option.h"
#include "support/fake_platform.h"

namespace talvex {
namespace {

using Lines = std::vector<std::string>;

class CommandTableTest : public ::testing::Test {
  protected:
    testing::FakePlatform platform;
    Workbench wb{platform};
};

TEST_F(CommandTableTest, MenuTreeInMenuBarOrderWithInitialFlags) {
    Lines bar;
    for (const MenuItem& item : wb.menu.items()) {
        if (item.parent.empty())
            bar.push_back(item.caption);
        else
            EXPECT_NE(wb.menu.Find(item.parent), nullptr) << item.name;
        // Undo and Redo wait for something to take back, Recent Files for a file; the others as the
        // system starts them.
        const bool disabledAtStart = item.name == "mnuDisplay" || item.name == "mnuData" ||
                                     item.name == "mnuManualFit" || item.name == "mnuUndo" || item.name == "mnuRedo" ||
                                     item.name == "mnuRecent" || item.name == "mnuStop";
        EXPECT_EQ(item.enabled, !disabledAtStart) << item.name;
    }
    EXPECT_EQ(bar, (Lines{"&File", "&Edit", "&Input", "&Run", "&Display", "&Analyze", "&Window", "&Help"}));
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

// Disabled and unknown commands do not run; a new data set enables Display, Analyze and the manual ones.
TEST_F(CommandTableTest, DisabledCommandsRunOnlyAfterANewDataSet) {
    wb.formResult.PrintLine("something");
    EXPECT_FALSE(wb.RunCommand("mnuClear"));
    EXPECT_FALSE(wb.RunCommand("mnuNoSuchThing"));
    EnableAfterNewDataSet(wb);
    for (const char* name : {"mnuDisplay", "mnuData", "mnuManualFit", "mnuManualSeparate"})
        EXPECT_TRUE(wb.menu.Find(name)->enabled) << name;
    EXPECT_TRUE(wb.RunCommand("mnuClear"));
    EXPECT_TRUE(wb.formResult.lines().empty());
}

TEST_F(CommandTableTest, NextCurveWrapsAround) {
    Model& m = wb.model;
    m.NCurves = 3, m.CurCurve = 2;
    NextCurve(wb);
    NextCurve(wb);
    EXPECT_EQ(m.CurCurve, 1);
    EXPECT_EQ(wb.formResult.lines(), (Lines{"Curve Number is  3 ", "Curve Number is  1 "}));
}

TEST_F(CommandTableTest, TimeBeforeAnyRunPrintsEmptyValues) {
    PrintTime(wb);
    EXPECT_EQ(wb.formResult.lines(), (Lines{"time = s", "max iteration in simulation = "}));
    wb.model.RunTime = 0.125f, wb.model.MaxIter = 3;
    ClearResults(wb);
    PrintTime(wb);
    EXPECT_EQ(wb.formResult.lines(), (Lines{"time =  .125 s", "max iteration in simulation =  3 "}));
}

TEST_F(CommandTableTest, ManualOpensThePageInTheApplicationFolder) {
    wb.applicationDirectory = "/opt/talvex";
    EXPECT_TRUE(wb.RunCommand("mnuManual"));
    EXPECT_EQ(platform.manualPaths, Lines{"/opt/talvex/talvex.html"});
}

}  // namespace
}  // namespace talvex
