#include <gtest/gtest.h>

#include <string>

#include "core/workbench.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "dialogs/form_tech.h"
#include "support/fake_platform.h"

namespace talvex {
namespace {

using testing::FakePlatform;

class TechMechDialogs : public ::testing::Test {
  protected:
    TechMechDialogs() : wb(platform), tech(wb.formTech), mech(wb.formMech), m(wb.model) {}
    FakePlatform platform;
    Workbench wb;
    FormTech& tech;
    FormMech& mech;
    Model& m;
};

TEST_F(TechMechDialogs, TechniquesDialogStoresTheChosenOptionOnlyWhenConfirmed) {
    EXPECT_EQ(tech.caption, "Techniques");
    EXPECT_EQ(tech.optTech(5).caption, "5)  Square wave voltammetry");
    EXPECT_TRUE(tech.optTech(1).selected());

    tech.Show();
    ASSERT_TRUE(tech.cmdOK.Click());
    EXPECT_EQ(m.Technique, 1);
    EXPECT_FALSE(tech.visible());

    tech.optTech(3).Click();
    EXPECT_EQ(m.Technique, 1) << "a click alone must not reach the model";
    EXPECT_FALSE(tech.optTech(1).selected());
    tech.cmdOK.Click();
    EXPECT_EQ(m.Technique, 3);
}

TEST_F(TechMechDialogs, ConfirmingOnlyTheMechanismDialogStoresTheTechnique) {
    tech.optTech(5).Click();
    mech.Show();
    mech.Command1.Click();
    EXPECT_EQ(m.Technique, 5);
    EXPECT_FALSE(mech.visible());
}

TEST_F(TechMechDialogs, MechanismDialogOpensInDigitalModeWithTheEditorOffered) {
    EXPECT_EQ(mech.caption, "Mechanism");
    EXPECT_TRUE(mech.CheckDigital.checked());
    EXPECT_EQ(mech.CheckDigital.caption, "Digital simulation");
    EXPECT_TRUE(m.DigitalSim);
    EXPECT_FALSE(mech.mech(1).ShownOnScreen());
    EXPECT_TRUE(mech.mech(1).selected());

    EXPECT_EQ(mech.charge(1).text(), "Fe3+");
    EXPECT_EQ(mech.charge(2).text(), "Fe2+");
    // Every editor field can be seen and typed into, the last row of each kind included.
    for (TextBox* box : {&mech.charge(6), &mech.chem(8), &mech.chem2(12)}) {
        EXPECT_TRUE(box->ShownOnScreen()) << box->FullName();
        EXPECT_TRUE(box->text().empty()) << box->FullName();
        EXPECT_TRUE(box->Type("X")) << box->FullName();
    }
    for (int r = 1; r <= 3; ++r) {
        EXPECT_EQ(mech.NEL(r).list, (std::vector<std::string>{"1", "2", "3"}));
        EXPECT_EQ(mech.NEL(r).text(), "1");
        EXPECT_EQ(mech.NEL(r).tooltip, "electron number");
        EXPECT_TRUE(mech.NEL(r).ShownOnScreen());
    }
    EXPECT_EQ(mech.LabelElectron(3).caption(), " e =");
    EXPECT_TRUE(mech.LabelChemical.ShownOnScreen());
    EXPECT_EQ(mech.FindByFullName("chem2(12)"), &mech.chem2(12));
    EXPECT_EQ(mech.FindByFullName("chem(9)"), nullptr);
}

TEST_F(TechMechDialogs, OnlyMechanismsWithKernelsCanBeChosen) {
    mech.CheckDigital.Click();
    EXPECT_EQ(mech.mech(4).tooltip, "multicompoment charge reaction");
    EXPECT_EQ(mech.mech(8).caption, "8)  C = A + pD, A + ne = B");
    for (int i : {3, 5, 6, 8}) {
        EXPECT_FALSE(mech.mech(i).Click()) << i;
        EXPECT_FALSE(mech.mech(i).selected()) << i;
    }
    EXPECT_TRUE(mech.mech(1).selected());
    for (int i : {2, 4, 7, 1}) {
        EXPECT_TRUE(mech.mech(i).Click()) << i;
        EXPECT_TRUE(mech.mech(i).selected()) << i;
    }
}

TEST_F(TechMechDialogs, DigitalCheckBoxSwapsTheFramesAndTheInstrumentElectrodes) {
    FormIns& ins = wb.formIns;
    int redraws = 0;
    mech.onChanged = [&] { ++redraws; };

    ASSERT_TRUE(mech.CheckDigital.Click());
    EXPECT_FALSE(m.DigitalSim);
    EXPECT_TRUE(mech.mech(1).ShownOnScreen());
    EXPECT_TRUE(mech.mech(1).selected());
    EXPECT_FALSE(mech.charge(1).ShownOnScreen());
    for (int k = 5; k <= 8; ++k) EXPECT_FALSE(ins.optElectrode(k).enabled) << k;
    EXPECT_TRUE(ins.optElectrode(9).enabled);
    EXPECT_EQ(redraws, 1);

    mech.CheckDigital.Click();
    EXPECT_TRUE(m.DigitalSim);
    EXPECT_FALSE(mech.mech(1).ShownOnScreen());
    EXPECT_TRUE(mech.charge(1).ShownOnScreen());
    for (int k = 5; k <= 8; ++k) EXPECT_TRUE(ins.optElectrode(k).enabled) << k;
    EXPECT_FALSE(ins.optElectrode(9).enabled);
}

TEST_F(TechMechDialogs, ClosingOnlyHidesAndKeepsTheEntries) {
    mech.Show();
    mech.chem(1).Type("B");
    mech.NEL(2).SelectText("3");
    mech.Close();
    EXPECT_FALSE(mech.visible());
    EXPECT_EQ(mech.chem(1).text(), "B");
    EXPECT_EQ(mech.NEL(2).text(), "3");
    EXPECT_FALSE(m.NSpecies.assigned()) << "closing does not confirm";
}

}  // namespace
}  // namespace talvex
