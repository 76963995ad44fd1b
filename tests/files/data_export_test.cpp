#include "files/data_export.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/workbench.h"
#include "files/temp_folder.h"
#include "simulation/simulation_driver.h"
#include "support/experiments.h"
#include "support/fake_platform.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using testing::ReadWhole;

class DataExportTest : public ::testing::Test {
  protected:
    DataExportTest() : wb(platform), m(wb.model) {}
    std::string Export(int first, int last, int curve) {
        platform.fileAnswers.push_back(folder.Path("data.csv"));
        ExportData(wb, first, last, curve);
        EXPECT_EQ(platform.filters.back(), "csv|*.csv|all|*.*");
        return ReadWhole(folder.Path("data.csv"));
    }
    testing::FakePlatform platform;
    Workbench wb;
    Model& m;
    testing::TempFolder folder;
};

// The value starts at the print zone after the potential and comma: column 15 after " .3 ,",
// column 29 after a 15-digit negative potential that takes 19 characters. The menu command
// writes the current curve over IFirst..ILast.
TEST_F(DataExportTest, LineLayoutAndCurrentCurve) {
    m.Xdata(1) = 0.3;
    m.Yplot(1, 1) = 0.000012;
    m.Xdata(2) = -0.123456789012345;
    m.Yplot(2, 1) = -1;
    m.Yplot(2, 2) = 22;
    EXPECT_EQ(Export(1, 2, 1), " .3 ,          1.2E-05 \r\n-.123456789012345 ,         -1 \r\n");
    EXPECT_EQ(Export(2, 1, 1), "");  // an empty range still replaces the file
    m.IFirst = 2;
    m.ILast = 2;
    m.CurCurve = 2;
    platform.fileAnswers.push_back(folder.Path("data.csv"));
    ExportDataCommand(wb);
    EXPECT_EQ(ReadWhole(folder.Path("data.csv")), "-.123456789012345 ,          22 \r\n");
    EXPECT_TRUE(platform.messages.empty());
}

// The golden export pins the format of a whole simulated sweep. After an intended change of the
// simulation, regenerate it with TALVEX_REGENERATE_GOLDEN=1 ./talvex_tests and review the diff.
TEST_F(DataExportTest, DefaultSweepMatchesGolden) {
    testing::DefaultExperiment(m);
    RunSimulation(wb);
    const std::string text = Export(m.IFirst, m.ILast, m.CurCurve);
    const std::string golden = testing::DataPath("files/default_sweep.csv");
    if (std::getenv("TALVEX_REGENERATE_GOLDEN")) testing::WriteWhole(golden, text);
    EXPECT_EQ(text, ReadWhole(golden));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), m.NData);
}

// The whole text is built before the file is touched, so even an error half-way through the
// points leaves the old file intact.
TEST_F(DataExportTest, FailedExportReportsAndKeepsOldFile) {
    testing::WriteWhole(folder.Path("old.csv"), "precious");
    platform.fileAnswers = {folder.Path("old.csv"), folder.Path("missing/x.csv"), std::nullopt};
    ExportData(wb, 3990, 4001, 1);
    ExportData(wb, 1, 2, 1);
    ExportData(wb, 1, 2, 1);  // cancelled: nothing to report
    EXPECT_EQ(platform.messages, (std::vector<std::string>{"Export Error: Subscript out of range",
                                                           "Export Error: Path not found"}));
    EXPECT_EQ(ReadWhole(folder.Path("old.csv")), "precious");
    EXPECT_EQ(folder.Entries(), 1);
}

}  // namespace
}  // namespace talvex
