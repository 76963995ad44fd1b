#include "digital/mechanism_setup.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/workbench.h"
#include "dialogs/form_mech.h"
#include "support/fake_platform.h"

namespace talvex {
namespace {

using testing::FakePlatform;

const std::string kTooManySpecies = "Error: Species number cannot > 6.";
const std::string kTooManyReactions = "Error: chemical reaction number cannot > 4.";

class MechanismSetup : public ::testing::Test {
  protected:
    MechanismSetup() : wb(platform), f(wb.formMech), m(wb.model) {}
    FakePlatform platform;
    Workbench wb;
    FormMech& f;
    Model& m;

    void Row(ControlArray<TextBox, 1, 8>& boxes, int r, const char* left, const char* right) {
        boxes(2 * r - 1).Type(left);
        boxes(2 * r).Type(right);
    }
    void Chem2Row(int r, const char* a, const char* b, const char* c, const char* d) {
        const char* names[] = {a, b, c, d};
        for (int s = 1; s <= 4; ++s) f.chem2(4 * (r - 1) + s).Type(names[s - 1]);
    }
    std::pair<int, int> Charge(int r) const {
        return {m.ChargeSpecies(r, 1), m.ChargeSpecies(r, 2)};
    }
    std::pair<int, int> Chem(int r) const { return {m.ChemSpecies(r, 1), m.ChemSpecies(r, 2)}; }
    void Analytical(int mechanism) {
        f.CheckDigital.Click();
        f.mech(mechanism).Select();  // the table exists for the options the dialog disables too
        f.OK();
    }
};

TEST_F(MechanismSetup, UntouchedDialogGivesOneElectronTransferBetweenTheIronIons) {
    f.OK();
    f.OK();  // confirming again must not add to the counts
    EXPECT_EQ(m.NSpecies, 2);
    EXPECT_EQ(m.NCharge, 1);
    EXPECT_EQ(m.NChem, 0);
    EXPECT_EQ(m.NChem2, 0);
    EXPECT_EQ(Charge(1), std::make_pair(1, 2));
    EXPECT_EQ(Charge(2), std::make_pair(0, 0));
    EXPECT_EQ(m.SpeciesName(2), "Fe2+");
    EXPECT_EQ(m.ChargeLabel(1), "Fe3+ +1e=Fe2+");
    EXPECT_EQ(m.Technique, 1);
    EXPECT_EQ(m.Mechanism, 1);
    EXPECT_TRUE(platform.messages.empty());

    f.NEL(1).SelectText("2");
    f.OK();
    EXPECT_EQ(m.ChargeLabel(1), "Fe3+ +2e=Fe2+");
}

TEST_F(MechanismSetup, NamesAreNumberedOnceByFirstAppearanceAndCaseMatters) {
    f.charge(3).Type("Fe2+");
    f.charge(4).Type("fe2+");
    f.NEL(2).SelectText("3");
    Row(f.chem, 1, "fe2+", "Fe3+");
    f.OK();
    EXPECT_EQ(m.NSpecies, 3);
    EXPECT_EQ(m.SpeciesName(3), "fe2+");
    EXPECT_EQ(m.NCharge, 2);
    EXPECT_EQ(Charge(2), std::make_pair(2, 3));
    EXPECT_EQ(m.NChem, 1);
    EXPECT_EQ(Chem(1), std::make_pair(3, 1));
    EXPECT_EQ(m.ChargeLabel(2), "Fe2+ +3e=fe2+");
    EXPECT_EQ(m.ChemLabel(1), "fe2+=Fe3+");

    // Emptying the rows again leaves nothing of them in the tables.
    for (int i = 3; i <= 4; ++i) f.charge(i).Type("");
    Row(f.chem, 1, "", "");
    f.OK();
    EXPECT_EQ(m.NSpecies, 2);
    EXPECT_EQ(Charge(2), std::make_pair(0, 0));
    EXPECT_EQ(Chem(1), std::make_pair(0, 0));
}

// Second-order reactions are numbered after the first-order ones, so a fifth chemical reaction is
// always a second-order row: it is reported and left out.
TEST_F(MechanismSetup, SecondOrderReactionsFollowTheFirstOrderOnesUpToFour) {
    Row(f.chem, 1, "Fe2+", "A");
    Row(f.chem, 2, "A", "B");
    Row(f.chem, 3, "B", "C");
    Chem2Row(1, "C", "Fe2+", "D", "Fe3+");
    f.OK();
    EXPECT_EQ(m.NChem, 3);
    EXPECT_EQ(m.NChem2, 1);
    EXPECT_EQ(m.ChemLabel(4), "C +Fe2+=D +Fe3+");
    for (int s = 1; s <= 4; ++s)
        EXPECT_EQ(m.Chem2Species(1, s), (std::vector<int>{5, 2, 6, 1}[s - 1]));
    EXPECT_TRUE(platform.messages.empty());

    Chem2Row(2, "A", "B", "C", "D");
    f.OK();
    EXPECT_EQ(platform.messages, std::vector<std::string>{kTooManyReactions});
    EXPECT_EQ(m.NChem + m.NChem2, 4);
    EXPECT_EQ(m.ChemLabel(4), "C +Fe2+=D +Fe3+");
    for (int s = 1; s <= 4; ++s) EXPECT_EQ(m.Chem2Species(2, s), 0) << s;
}

// Five species in the rows and a sixth only in a second-order row fill the tables without a
// message; a seventh and an eighth give one message and are left out.
TEST_F(MechanismSetup, SpeciesBeyondTheSixthAreReportedOnceAndLeftOut) {
    f.charge(3).Type("B");
    f.charge(4).Type("C");
    Row(f.chem, 1, "Fe2+", "A");
    Row(f.chem, 2, "A", "B");
    Chem2Row(1, "B", "A", "Z", "Fe3+");
    f.OK();
    EXPECT_EQ(m.NSpecies, 6);
    EXPECT_EQ(m.SpeciesName(6), "Z");
    EXPECT_TRUE(platform.messages.empty());

    Chem2Row(2, "Z", "Fe3+", "Y", "X");
    f.OK();
    EXPECT_EQ(platform.messages, std::vector<std::string>{kTooManySpecies});
    EXPECT_EQ(m.NSpecies, 6);
    EXPECT_EQ(m.SpeciesName(6), "Z");
    EXPECT_EQ(m.NChem2, 2);
    EXPECT_EQ(m.Chem2Species(2, 1), 6);
    EXPECT_EQ(m.Chem2Species(2, 3), 0);
    EXPECT_EQ(m.Chem2Species(2, 4), 0);
    EXPECT_EQ(m.ChemLabel(4), "Z +Fe3+=Y +X");
}

TEST_F(MechanismSetup, EmptyFirstFieldNamesTheFirstSpeciesWithoutCountingTheReaction) {
    f.charge(1).Type("");
    f.OK();
    EXPECT_EQ(m.NCharge, 0);
    EXPECT_EQ(m.NSpecies, 2);
    EXPECT_EQ(m.SpeciesName(1), "");
    EXPECT_EQ(m.SpeciesName(2), "Fe2+");
    EXPECT_EQ(Charge(1), std::make_pair(1, 2));
}

TEST_F(MechanismSetup, AnalyticalMechanismsUseTheirFixedTables) {
    Row(f.chem, 1, "Fe2+", "A");
    Chem2Row(1, "A", "A", "Fe2+", "Fe3+");
    f.OK();
    ASSERT_EQ(m.NChem2, 1);

    // Mechanism 4 is two independent couples: its second reaction is C -> D, not B -> C.
    Analytical(4);
    EXPECT_EQ(m.Mechanism, 4);
    EXPECT_EQ(m.NSpecies, 4);
    EXPECT_EQ(m.NCharge, 2);
    EXPECT_EQ(Charge(2), std::make_pair(3, 4));
    // The digital rows of the earlier confirmation are gone; names and labels stay.
    EXPECT_EQ(m.NChem, 0);
    EXPECT_EQ(m.NChem2, 0);
    EXPECT_EQ(Chem(1), std::make_pair(0, 0));
    EXPECT_EQ(m.Chem2Species(1, 1), 0);
    EXPECT_EQ(m.SpeciesName(3), "A");

    // Mechanism 7 regenerates A from B.
    f.mech(7).Click();
    f.OK();
    EXPECT_EQ(m.NSpecies, 2);
    EXPECT_EQ(m.NChem, 1);
    EXPECT_EQ(Charge(1), std::make_pair(1, 2));
    EXPECT_EQ(Charge(2), std::make_pair(0, 0));
    EXPECT_EQ(Chem(1), std::make_pair(2, 1));

    // Mechanism 8's second product D is known to the kernels only.
    f.mech(8).Select();
    f.OK();
    EXPECT_EQ(m.NSpecies, 4);
    EXPECT_EQ(Charge(1), std::make_pair(1, 2));
    EXPECT_EQ(Chem(1), std::make_pair(3, 1));
}

}  // namespace
}  // namespace talvex
