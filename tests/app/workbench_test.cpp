#include "app/workbench.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "plot/form_option.h"
#include "plot/form_plot.h"
#include "support/fake_platform.h"

namespace talvex {
namespace {

using Names = std::vector<std::string>;

class WorkbenchTest : public ::testing::Test {
  protected:
    WorkbenchTest() {
        wb.TakeChanges();  // what building the dialogs marked
        wb.onChanges = [this](const WorkbenchChanges& c) { announced.push_back(c); };
    }
    Names Forms(const WorkbenchChanges& c) const {
        Names names;
        for (const Form* f : c.forms) names.push_back(f->name());
        return names;
    }
    testing::FakePlatform platform;
    Workbench wb{platform};
    std::vector<WorkbenchChanges> announced;
};

TEST_F(WorkbenchTest, OneRegistryOfTheDialogs) {
    Names names;
    for (const Form* f : wb.forms()) names.push_back(f->name());
    EXPECT_EQ(names, (Names{"FormTech", "FormMech", "FormIns", "FormExpr", "formOption"}));
    EXPECT_EQ(wb.FindForm("FormIns"), &wb.formIns);
    EXPECT_EQ(wb.FindForm("FormPlot"), nullptr);
}

// Each user action is announced once, naming what it changed: the radius handler rewrites the area
// in the same dialog; the Mechanism dialog's box enables electrodes in the Instrument dialog.
TEST_F(WorkbenchTest, EachActionAnnouncesWhatItChanged) {
    wb.Click(wb.formIns.optElectrode(2));
    ASSERT_EQ(announced.size(), 1u);
    EXPECT_EQ(Forms(announced[0]), Names{"FormIns"});
    EXPECT_FALSE(announced[0].plot || announced[0].result);
    EXPECT_TRUE(announced[0].menu);  // Edit > Undo becomes available

    EXPECT_TRUE(wb.Type(wb.formIns.radius, "0.5"));
    EXPECT_EQ(wb.formIns.ARE.text(), "3.14e0");
    EXPECT_EQ(announced.size(), 2u);

    wb.Click(wb.formMech.CheckDigital);
    EXPECT_EQ(Forms(announced.back()), (Names{"FormMech", "FormIns"}));

    // Typing the text a box already shows changes nothing, so nothing is announced.
    wb.Type(wb.formIns.radius, "0.5");
    EXPECT_EQ(announced.size(), 3u);

    wb.RunCommand("mnuSimulate");
    const WorkbenchChanges& run = announced.back();
    EXPECT_TRUE(run.plot);
    EXPECT_TRUE(run.menu);  // Display and Analyze become available
    EXPECT_EQ(announced.size(), 4u);

    wb.RunCommand("mnuTime");
    EXPECT_TRUE(announced.back().result);
    EXPECT_FALSE(announced.back().plot);
}

// A dialog already on view that is opened again from its menu, or activated, is named so that its
// window comes to the front; nothing else about it changed.
TEST_F(WorkbenchTest, NamesTheDialogsBroughtToTheFront) {
    wb.RunCommand("mnuInstrument");
    ASSERT_EQ(announced.size(), 1u);
    EXPECT_EQ(announced[0].activated, std::vector<Form*>{&wb.formIns});
    wb.RunCommand("mnuInstrument");
    ASSERT_EQ(announced.size(), 2u);
    EXPECT_EQ(announced[1].activated, std::vector<Form*>{&wb.formIns});
    EXPECT_TRUE(announced[1].forms.empty());

    wb.Click(wb.formIns.optElectrode(2));
    ASSERT_EQ(announced.size(), 3u);
    EXPECT_TRUE(announced.back().activated.empty());
}

// The window shows a shortcut where a desktop user expects one, and a status tip for every command;
// no two commands share a shortcut.
TEST_F(WorkbenchTest, CommandsCarryStatusTipsAndDistinctShortcuts) {
    std::set<std::string> shortcuts;
    for (const MenuItem& item : wb.menu.items()) {
        if (!item.handler) continue;
        EXPECT_FALSE(item.statusTip.empty()) << item.name;
        if (!item.shortcut.empty()) {
            EXPECT_TRUE(shortcuts.insert(item.shortcut).second) << item.shortcut;
        }
    }
    for (const char* expected : {"Ctrl+S", "Ctrl+Q", "F5", "Ctrl+C", "Ctrl+P"}) {
        EXPECT_TRUE(shortcuts.count(expected)) << expected;
    }
    EXPECT_EQ(wb.menu.Find("mnuSimulate")->shortcut, "F5");
}

}  // namespace
}  // namespace talvex
