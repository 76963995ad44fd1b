#include "files/data_import.h"

#include <gtest/gtest.h>

#include "core/text_number.h"
#include "core/workbench.h"
#include "dialogs/form_ins.h"
#include "files/data_export.h"
#include "files/temp_folder.h"
#include "plot/form_option.h"
#include "plot/form_plot.h"
#include "simulation/simulation_driver.h"
#include "support/experiments.h"
#include "support/fake_platform.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using testing::Near;

class DataImportTest : public ::testing::Test {
  protected:
    DataImportTest() : wb(platform), m(wb.model) {}
    bool Import(const std::string& content) {
        testing::WriteWhole(folder.Path("in.csv"), content);
        platform.fileAnswers.push_back(folder.Path("in.csv"));
        return ReadData(wb);
    }
    std::string Fields() const {
        const FormIns& ins = wb.formIns;
        return ins.Estart.text() + "|" + ins.Eend.text() + "|" + ins.Estep.text() + "|" +
               ins.TxtI0.text();
    }
    testing::FakePlatform platform;
    Workbench wb;
    Model& m;
    testing::TempFolder folder;
};

// Export prints 15 significant digits, so the round trip is exact to 1e-14 relative.
TEST_F(DataImportTest, ExportedSweepReadsBack) {
    testing::DefaultExperiment(m);
    RunSimulation(wb);
    const std::string path = folder.Path("sweep.csv");
    platform.fileAnswers.push_back(path);
    ExportDataCommand(wb);

    testing::FakePlatform platform2;
    Workbench fresh(platform2);
    platform2.fileAnswers.push_back(path);
    ImportDataCommand(fresh);
    ASSERT_TRUE(platform2.messages.empty());
    EXPECT_EQ(platform2.filters.back(), "csv|*.csv|all|*.*");
    const Model& got = fresh.model;
    ASSERT_EQ(got.NData, 121);
    EXPECT_EQ(got.IFirst, 1);
    EXPECT_EQ(got.ILast, 121);
    for (int i = 1; i <= 121; ++i) {
        ASSERT_TRUE(Near(got.Xdata(i), m.Xdata(i), 1e-14, 1e-17)) << i;
        ASSERT_TRUE(Near(got.Yplot(i, 1), m.Yplot(i, 1), 1e-14)) << i;
    }
    const FormIns& ins = fresh.formIns;
    EXPECT_EQ(ins.Estart.text() + "|" + ins.Eend.text() + "|" + ins.Estep.text(), "0.3|-0.3|0.005");
    EXPECT_EQ(ins.TxtI0.text(), FieldFormat(m.Yplot(1, 1)));
    EXPECT_EQ(fresh.formResult.lines(),
              (std::vector<std::string>{"Number of data point =       121 ", "E start =     0.3",
                                        "E end =       -0.3", "E step =      0.005"}));
    EXPECT_TRUE(fresh.formResult.visible());
    EXPECT_EQ(fresh.formPlot.caption, path);
}

// Blank lines anywhere, LF or CR LF or CR ends, blanks around fields, a pair split over two
// lines and a leading byte-order mark all read as plain pairs.
TEST_F(DataImportTest, LayoutsAndProposedProgramme) {
    ASSERT_TRUE(Import("\xEF\xBB\xBF-0.3, 1e-6\r\n\r\n  -.1 ,\t2E-06\n0.1\n3\r.3,4\n  \n\n"));
    EXPECT_EQ(m.NData, 4);
    EXPECT_EQ(m.Xdata(2), -0.1);
    EXPECT_EQ(m.Yplot(3, 1), 3.0);
    EXPECT_EQ(Fields(), "-0.3|0.3|0.2|1E-06");    // rising sweep: end is the largest potential
    ASSERT_TRUE(Import(".3,1\n-.3,2\n0.3,3\n"));  // starts at the largest: end is the smallest
    EXPECT_EQ(Fields(), "0.3|-0.3|0.6|1");
    // One pair: the step uses point 2 of the store, here the -.3 of the import before.
    ASSERT_TRUE(Import("0.5,7"));
    EXPECT_EQ(m.NData, 1);
    EXPECT_EQ(Fields(), "0.5|0.5|0.8|7");

    std::string text;
    for (int i = 1; i <= 4000; ++i)
        text += GeneralFormat(i * 1e-4) + "," + GeneralFormat(i) + "\r\n";
    ASSERT_TRUE(Import(text));
    EXPECT_EQ(m.ILast, 4000);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_FALSE(Import(text + "1,2\r\n"));
    EXPECT_EQ(platform.messages.back(), "ReadData Error: Subscript out of range in line 4001");
    EXPECT_EQ(m.NData, 4000);
}

// With overlap on a new import takes the next column; one potential axis serves all curves. A
// bad file changes nothing but the opened slot, and the next good file reads normally.
TEST_F(DataImportTest, OverlapAndFailures) {
    wb.formOption.overlap.SetChecked(true);
    ASSERT_TRUE(Import("1,10\n2,20\n3,30\n"));
    ASSERT_TRUE(Import("1,11\n2,21\n3,31\n"));
    ASSERT_TRUE(Import("4,12\n5,22\n"));
    EXPECT_EQ(m.CurCurve, 3);
    EXPECT_EQ(m.Xdata(2), 5);
    EXPECT_EQ(m.Yplot(2, 1) + m.Yplot(2, 2) + m.Yplot(2, 3), 20 + 21 + 22);

    const std::string fields = Fields();
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"E (V),I (A)\n1,2\n", "Type mismatch in line 1"},
        {"0,3;1,2E-05\n", "Type mismatch in line 1"},  // decimal comma
        {"9,9\n0,3\t1,2\n", "Type mismatch in line 2"},
        {"9,9\n9,\n", "Type mismatch in line 2"},
        {"9,9\n9,1e999\n", "Type mismatch in line 2"},
        {"9,9\n9", "Input past end of file in line 2"},
        {"\r\n \r\n", "Input past end of file"},
        {std::string(5000, '7'), "Type mismatch in line 1"},
        {"1e308,1\n-1e308,1\n", "Overflow"},  // the step would be infinite
    };
    for (const auto& [content, error] : bad) {
        const int slots = m.NCurves;
        EXPECT_FALSE(Import(content)) << content;
        EXPECT_EQ(platform.messages.back(), "ReadData Error: " + error) << content;
        EXPECT_EQ(m.NCurves, slots % 5 + 1);  // opened before the file was chosen
    }
    platform.fileAnswers = {folder.Path("none.csv"), folder.Path("no/none.csv"), folder.Path("")};
    for (const char* error : {"File not found", "Path not found", "Path/File access error"}) {
        EXPECT_FALSE(ReadData(wb));
        EXPECT_EQ(platform.messages.back(), std::string("ReadData Error: ") + error);
    }
    EXPECT_EQ(m.NData, 2);
    EXPECT_EQ(m.Xdata(2), 5);
    EXPECT_EQ(m.Xdata(3), 3);
    EXPECT_EQ(m.Yplot(2, 1) + m.Yplot(2, 2) + m.Yplot(2, 3), 20 + 21 + 22);
    EXPECT_EQ(Fields(), fields);

    wb.formOption.overlap.SetChecked(false);
    platform.fileAnswers = {std::nullopt, ""};
    EXPECT_FALSE(ReadData(wb));  // cancelled: quiet, slot opened
    EXPECT_FALSE(ReadData(wb));
    EXPECT_EQ(m.NCurves, 1);
    EXPECT_EQ(platform.messages.size(), bad.size() + 3);
    EXPECT_TRUE(Import("5,50\n"));
}

}  // namespace
}  // namespace talvex
