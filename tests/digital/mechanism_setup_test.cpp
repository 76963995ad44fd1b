#include "digital/mechanism_setup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/workbench.h"
#include "dialogs/form_mech.h"
#include "support/fake_platform.h"

namespace talvex {
namespace {

class MechanismSetup : public ::testing::Test {
  protected:
    MechanismSetup() : wb(platform), f(wb.formMech), m(wb.model) {}

    // Types the texts into the fields of `boxes` from `first` on.
    template <typename Boxes>
    void Type(Boxes& boxes, int first, const std::vector<const char*>& texts) {
        for (const char* t : texts) boxes(first++).Type(t);
    }
    // The species names, then per table its count and all its rows (a stale row beyond the count shows).
    std::string Tables() const {
        std::string s;
        for (int i = 1; i <= m.NSpecies; ++i) s += (i > 1 ? "," : "") + m.SpeciesName(i);
        auto rows = [&](int count, int nRows, int width, const auto& table) {
            s += " | " + std::to_string(count) + ":";
            for (int r = 1; r <= nRows; ++r) {
                s += ' ';
                for (int k = 1; k <= width; ++k) s += std::to_string(table(r, k));
            }
        };
        rows(m.NCharge, 3, 2, m.ChargeSpecies);
        rows(m.NChem, 4, 2, m.ChemSpecies);
        rows(m.NChem2, 3, 4, m.Chem2Species);
        return s;
    }

    testing::FakePlatform platform;
    Workbench wb;
    FormMech& f;
    Model& m;
};

TEST_F(MechanismSetup, NamesAreNumberedOnceByFirstAppearanceAndCaseMatters) {
    f.OK();
    f.OK();  // confirming again must not add to the counts
    EXPECT_EQ(Tables(), "Fe3+,Fe2+ | 1: 12 00 00 | 0: 00 00 00 00 | 0: 0000 0000 0000");

    Type(f.charge, 3, {"Fe2+", "fe2+"});
    f.NEL(2).SelectText("3");
    Type(f.chem, 1, {"fe2+", "Fe3+"});
    f.OK();
    EXPECT_EQ(Tables(), "Fe3+,Fe2+,fe2+ | 2: 12 23 00 | 1: 31 00 00 00 | 0: 0000 0000 0000");
    EXPECT_EQ(m.ChargeLabel(2), "Fe2+ +3e=fe2+");
    EXPECT_EQ(m.ChemLabel(1), "fe2+=Fe3+");
}

// Second-order rows are numbered after first-order ones; a seventh species or fifth reaction is reported once.
TEST_F(MechanismSetup, LimitsOfSixSpeciesAndFourReactions) {
    Type(f.chem, 1, {"Fe2+", "A", "A", "B", "B", "C"});
    Type(f.chem2, 1, {"C", "Fe2+", "D", "Fe3+"});
    f.OK();
    EXPECT_EQ(Tables(), "Fe3+,Fe2+,A,B,C,D | 1: 12 00 00 | 3: 23 34 45 00 | 1: 5261 0000 0000");
    Type(f.chem2, 5, {"A", "B", "C", "D"});
    f.OK();
    EXPECT_EQ(platform.messages, std::vector<std::string>{"Error: chemical reaction number cannot > 4."});
    EXPECT_EQ(Tables(), "Fe3+,Fe2+,A,B,C,D | 1: 12 00 00 | 3: 23 34 45 00 | 1: 5261 0000 0000");
    EXPECT_EQ(m.ChemLabel(4), "C +Fe2+=D +Fe3+");

    platform.messages.clear();
    Type(f.charge, 3, {"B", "C"});
    Type(f.chem, 1, {"Fe2+", "A", "A", "B", "", ""});
    Type(f.chem2, 1, {"B", "A", "Z", "Fe3+", "", "", "", ""});
    f.OK();
    EXPECT_EQ(Tables(), "Fe3+,Fe2+,B,C,A,Z | 2: 12 34 00 | 2: 25 53 00 00 | 1: 3561 0000 0000");
    Type(f.chem2, 5, {"Z", "Fe3+", "Y", "X"});
    f.OK();
    EXPECT_EQ(platform.messages, std::vector<std::string>{"Error: Species number cannot > 6."});
    EXPECT_EQ(Tables(), "Fe3+,Fe2+,B,C,A,Z | 2: 12 34 00 | 2: 25 53 00 00 | 2: 3561 6100 0000");
    EXPECT_EQ(m.ChemLabel(4), "Z +Fe3+=Y +X");
}

// The analytical mechanisms use fixed tables (also for the options the dialog disables); the
// digital rows of an earlier confirmation are gone, the names stay.
TEST_F(MechanismSetup, AnalyticalMechanismsUseTheirFixedTables) {
    Type(f.chem, 1, {"Fe2+", "A"});
    Type(f.chem2, 1, {"A", "A", "Fe2+", "Fe3+"});
    f.OK();
    ASSERT_EQ(m.NChem2, 1);
    f.CheckDigital.Click();
    const std::pair<int, const char*> cases[] = {
        {4, "Fe3+,Fe2+,A, | 2: 12 34 00 | 0: 00 00 00 00 | 0: 0000 0000 0000"},   // two independent couples
        {7, "Fe3+,Fe2+ | 1: 12 00 00 | 1: 21 00 00 00 | 0: 0000 0000 0000"},      // B regenerates A
        {8, "Fe3+,Fe2+,A, | 1: 12 00 00 | 1: 31 00 00 00 | 0: 0000 0000 0000"}};  // D only for the kernels
    for (const auto& [mechanism, tables] : cases) {
        f.mech(mechanism).Select();
        f.OK();
        EXPECT_EQ(m.Mechanism, mechanism);
        EXPECT_EQ(Tables(), tables) << "mechanism " << mechanism;
    }
}

}  // namespace
}  // namespace talvex
