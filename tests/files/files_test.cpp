#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "app/file_commands.h"
#include "app/simulate_command.h"
#include "app/workbench.h"
#include "core/text_number.h"
#include "dialogs/form_ins.h"
#include "files/data_export.h"
#include "files/data_import.h"
#include "files/parameter_file.h"
#include "plot/form_option.h"
#include "simulation/simulation_driver.h"
#include "support/experiments.h"
#include "support/fake_platform.h"
#include "support/golden.h"
#include "support/numeric.h"
#include "support/simulation_fixture.h"
#include "support/values.h"

namespace talvex {
namespace {

using Strings = std::vector<std::string>;
using testing::Values;
namespace fs = std::filesystem;

std::string Fields(const Workbench& w) {
    const FormIns& ins = w.formIns;
    return ins.Estart.text() + "|" + ins.Eend.text() + "|" + ins.Estep.text() + "|" + ins.TxtI0.text();
}

class FilesTest : public ::testing::Test {
  protected:
    FilesTest() { EXPECT_TRUE(fs::create_directory(dir)); }
    ~FilesTest() override { fs::remove_all(dir); }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    std::string Read(const std::string& name) const {
        return {std::istreambuf_iterator<char>(std::ifstream(Path(name), std::ios::binary).rdbuf()), {}};
    }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }
    long Entries() const { return std::distance(fs::directory_iterator(dir), {}); }
    template <typename Command>
    std::string Run(Command command, const std::string& name = "out") {  // answers the dialog with `name`
        platform.fileAnswers.push_back(Path(name));
        command(wb);
        return Read(name);
    }
    bool ImportFrom(const std::string& path) {
        platform.fileAnswers.push_back(path);
        return ReadData(wb);
    }
    bool Import(const std::string& content) {
        Write("in.csv", content);
        return ImportFrom(Path("in.csv"));
    }

    testing::FakePlatform platform;
    Workbench wb{platform};
    Model& m = wb.model;
    const fs::path dir = fs::temp_directory_path() / ("talvex-files-" + std::to_string(std::random_device{}()));
};

// The .par goldens are written by hand from the file format: never regenerate them.
TEST_F(FilesTest, ParameterFileAndExportGoldens) {
    EXPECT_TRUE(testing::MatchesGolden("files/startup.par", Run(SaveParameters)));
    testing::DefaultExperiment(m);
    testing::RunEngine(wb);
    EXPECT_TRUE(testing::MatchesGolden("files/default_simulation.par", Run(SaveParameters)));
    EXPECT_TRUE(testing::MatchesGolden("files/default_sweep.csv", Run(ExportDataCommand, "sweep.csv")));
    m.NSpecies = 3, m.ks(2) = 0.01, m.Alpha(2) = 0.45, m.n(2) = 2, m.E0(2) = -0.25, m.D(3) = 2.5e-6, m.C(3) = 5e-4;
    EXPECT_TRUE(testing::MatchesGolden("files/three_solutes.par", Run(SaveParameters)));
    EXPECT_EQ(Entries(), 2);  // no temporary file left behind
}

// The value starts at the next print zone (column 15 or 29); the menu writes the current curve over IFirst..ILast.
TEST_F(FilesTest, ExportLineLayoutAndCurrentCurve) {
    m.Xdata(1) = 0.3, m.Yplot(1, 1) = 0.000012;
    m.Xdata(2) = -0.123456789012345, m.Yplot(2, 1) = -1, m.Yplot(2, 2) = 22;
    EXPECT_EQ(Run([](Workbench& w) { ExportData(w.platform, w.model, 1, 2, 1); }),
              " .3 ,          1.2E-05 \r\n-.123456789012345 ,         -1 \r\n");
    m.IFirst = 2, m.ILast = 2, m.CurCurve = 2;
    EXPECT_EQ(Run(ExportDataCommand), "-.123456789012345 ,          22 \r\n");
}

// A failed Save or Export reports and keeps the old file (text built first, replaced only once written).
TEST_F(FilesTest, FailedWritesReportAndKeepOldFile) {
    const std::string precious(3000, 'p');  // longer than what replaces it
    Write("old", precious);
    fs::create_directory(Path("dir"));
    platform.fileAnswers = {Path("dir"), Path("missing/x"), std::nullopt, Path("old")};
    for (int i = 0; i < 3; ++i) SaveParameters(wb);
    ExportData(platform, m, 3990, 4001, 1);
    EXPECT_EQ(platform.messages, (Strings{"Save Error: Path/File access error", "Save Error: Path not found",
                                          "Export Error: Subscript out of range"}));
    EXPECT_EQ(Read("old"), precious);
    fs::permissions(Path("old"), fs::perms::owner_read);
    const std::string after = Run(SaveParameters, "old");
    if (platform.messages.size() == 4) {
        EXPECT_EQ(platform.messages.back() + after, "Save Error: Permission denied" + precious);
    } else {
        EXPECT_TRUE(testing::MatchesGolden("files/startup.par", after));
    }                         // root may write anyway
    EXPECT_EQ(Entries(), 2);  // no temporary file left behind
}

// Blank lines, any line ends, blanks, split pairs and a byte-order mark read as pairs; 4001 pairs change nothing.
TEST_F(FilesTest, ImportLayoutsProgrammeAndLimit) {
    ASSERT_TRUE(Import("\xEF\xBB\xBF-0.3, 1e-6\r\n\r\n  -.1 ,\t2E-06\n0.1\n3\r.3,4\n  \n\n"));
    EXPECT_EQ(Values(m.NData, m.Xdata(2), m.Yplot(3, 1)), Values(4, -0.1, 3));
    EXPECT_EQ(Fields(wb), "-0.3|0.3|0.2|1E-06");
    std::string text;
    for (int i = 1; i <= 4000; ++i) text += GeneralFormat(i * 1e-4) + "," + GeneralFormat(i) + "\r\n";
    ASSERT_TRUE(Import(text));
    EXPECT_FALSE(Import(text + "1,2\r\n"));
    EXPECT_EQ(platform.messages, Strings{"ReadData Error: Subscript out of range in line 4001"});
    EXPECT_EQ(Values(m.NData, m.ILast, m.Xdata(4000)), Values(4000, 4000, 0.4));
}

// A bad or unreadable file changes nothing, the overlap slot included, and names its line.
TEST_F(FilesTest, ImportOverlapAndFailures) {
    wb.formOption.overlap.SetChecked(true);
    for (const char* file : {"1,10\n2,20\n3,30\n", "1,11\n2,21\n3,31\n", "4,12\n5,22\n"}) ASSERT_TRUE(Import(file));
    EXPECT_EQ(m.CurCurve, 3);
    const auto Stored = [&] {
        return Values(m.NData, m.Xdata(2), m.Xdata(3), m.Yplot(2, 1) + m.Yplot(2, 2) + m.Yplot(2, 3));
    };
    EXPECT_EQ(Stored(), Values(2, 5, 3, 20 + 21 + 22));
    const std::string fields = Fields(wb);
    const std::pair<std::string, std::string> bad[] = {
        {"E (V),I (mA)\n1,2\n3,x\n", "line 3: 'x' is not a number in column I (mA)"},
        {"9,9,9\n", "Input past end of file in line 1"},
        {"9,9\n9,\n", "Type mismatch in line 2"},
        {"9,9\n9,1e999\n", "Overflow in line 2: 1e999 is beyond the largest number a curve can hold"},
        {"9,9\n9", "Input past end of file in line 2"},
        {"\r\n \r\n", "Input past end of file"},
        {std::string(5000, '7'), "Type mismatch in line 1"},
        {"1e308,1\n-1e308,1\n", "Overflow"},
        {"@none.csv", "File not found"},
        {"@no/none.csv", "Path not found"},
        {"@/dev/zero", "Path/File access error"},
    };
    for (const auto& [content, error] : bad) {
        const int slots = m.NCurves;
        const std::string name = content.substr(1);  // after '@' a file name, not a content
        EXPECT_FALSE(content[0] == '@' ? ImportFrom(name[0] == '/' ? name : Path(name)) : Import(content)) << content;
        EXPECT_EQ(platform.messages.back(), "ReadData Error: " + error) << content;
        EXPECT_EQ(Values(m.NCurves, m.CurCurve), Values(slots, 3));
    }
    EXPECT_EQ(Stored(), Values(2, 5, 3, 20 + 21 + 22));
    EXPECT_EQ(Fields(wb), fields);
}

// An instrument's export through Import Data: the cycle asked for, the sign offered for flipping
// (Talvex has cathodic current positive), units converted, the choices reported; a cancelled
// question changes nothing; more than 4000 points are thinned only when the user says so.
TEST_F(FilesTest, InstrumentExportsAskForCycleAndSign) {
    const std::string eclab = testing::DataPath("instruments/eclab_cv.mpt");
    platform.choices = {1, 0};  // cycle 2, flip the sign
    ASSERT_TRUE(ImportFrom(eclab));
    EXPECT_EQ(platform.questions.size(), 2u);
    EXPECT_EQ(platform.choiceLists[0], (Strings{"cycle 1 (6 points)", "cycle 2 (6 points)", "all cycles (12 points)"}));
    EXPECT_EQ(Values(m.NData, m.Xdata(1), m.Xdata(5)), Values(6, 0.3004, -0.2996));
    EXPECT_TRUE(testing::Near(m.Yplot(5, 1), 1.12e-5, 1e-12));  // -1.12e-2 mA, flipped
    const Strings& lines = wb.formResult.lines();
    EXPECT_EQ(Strings(lines.end() - 5, lines.end()),
              (Strings{"Current sign: cathodic current negative (EC-Lab writes oxidation (anodic) current as positive, "
                       "the IUPAC convention)",
                       "Imported: cycle 2", "Current sign flipped: cathodic current is positive, as in Talvex's curves",
                       "v (V/s) =     0.1", "(the scan rate the file states, proposed in the Instrument dialog)"}));
    // The curve joins the series a global fit takes, at the scan rate its file states.
    ASSERT_EQ(wb.measured.records.size(), 1u);
    EXPECT_EQ(wb.measured.records[0].experiment.scanRate, 0.1);
    EXPECT_EQ(wb.measured.records[0].experiment.potentials[4], -0.2996);
    EXPECT_EQ(wb.measured.records[0].label, "eclab_cv.mpt");

    const auto before = Values(m.NData, m.Xdata(2), m.Yplot(2, 1));
    platform.choices = {std::nullopt};  // cancels the first question
    EXPECT_FALSE(ImportFrom(eclab));
    EXPECT_EQ(Values(m.NData, m.Xdata(2), m.Yplot(2, 1)), before);

    std::string big = "Potential/V, Current/A\n";
    for (int i = 0; i < 4500; ++i) big += GeneralFormat(0.3 - i * 1e-4) + ", " + GeneralFormat(-1e-6 * i) + "\n";
    platform.messages.clear();
    platform.choices = {};  // the answers offered first: do not thin
    EXPECT_FALSE(Import(big));
    EXPECT_EQ(platform.questions.back(), "The file holds 4500 points; at most 4000 can be imported.");
    EXPECT_EQ(Values(m.NData, m.Xdata(2), m.Yplot(2, 1)), before);
    platform.choices = {0, 0};  // every second point, flip
    ASSERT_TRUE(Import(big));
    EXPECT_EQ(Values(m.NData, m.Xdata(2)), Values(2250, 0.2998));
}

// What Export Data writes imports again, the largest doubles included; the reader needs no file.
TEST_F(FilesTest, ExportOfExtremeValuesImportsAgain) {
    const double values[] = {1.7976931348623157E+308, -1.7976931348623157E+308, 4.9406564584124654E-324, 0.3};
    for (int i = 1; i <= 4; ++i) {
        m.Xdata(i) = values[i - 1];
        m.Yplot(i, 1) = -values[4 - i];
    }
    const DataPairs d = ParseDataPairs(ExportText(m, 1, 4, 1));
    ASSERT_EQ(d.x.size(), 4u);
    EXPECT_EQ(d.x[0], 1.79769313486231E+308);
    EXPECT_EQ(d.y[3], -1.79769313486231E+308);
    EXPECT_EQ(d.x[3], 0.3);
}

std::vector<double> Store(const Model& m) {
    std::vector<double> s{static_cast<double>(m.NData.value())};
    for (int i = 0; i <= kMaxPoints; ++i) {
        s.push_back(m.Xdata(i));
        for (int c = 0; c < 7; ++c) s.push_back(m.Yplot(i, c));
    }
    return s;
}

// Seeded damaged files and random bytes: failure changes nothing; success writes only the points and column read.
TEST_F(FilesTest, ImportOfArbitraryBytesNeverCorruptsTheStore) {
    std::mt19937 rng(20240611);
    const std::string symbols = ",\r\n .-+eE0123456789\t;\"";  // edits: a byte, a symbols, an erasure, a copy
    int succeeded = 0;
    for (int round = 0; round < 600; ++round) {
        std::string s;
        for (int i = 0, n = static_cast<int>(rng() % 30); i < n; ++i)
            s += " .3" + std::to_string(i) + " ,         1.2E-0" + std::to_string(i % 10) + " \r\n";
        for (int e = static_cast<int>(rng() % 4); e > 0 && !s.empty(); --e) {
            const std::size_t at = rng() % s.size();
            switch (rng() % 4) {
                case 0:
                    s[at] = static_cast<char>(rng() & 0xFF);
                    break;
                case 1:
                    s[at] = symbols[rng() % symbols.size()];
                    break;
                case 2:
                    s.erase(at, rng() % 20);
                    break;
                default:
                    s.insert(at, s.substr(at, rng() % 40));
            }
        }
        if (round % 3 == 0) {
            s.resize(rng() % 3000);
            for (auto& c : s) c = static_cast<char>(rng() & 0xFF);
        }
        wb.formOption.overlap.SetChecked(rng() % 2 == 0);
        const std::vector<double> before = Store(m);
        const std::string fieldsBefore = Fields(wb);
        const std::size_t messages = platform.messages.size();
        if (!Import(s)) {
            ASSERT_EQ(Values(platform.messages.size(), Store(m) == before, Fields(wb) == fieldsBefore),
                      Values(messages + 1, 1, 1))
                << round;
            continue;
        }
        ++succeeded;
        const int k = m.NData, column = m.NCurvesSaved;
        const std::vector<double> after = Store(m);
        for (std::size_t j = 1; j < after.size(); ++j) {  // point i, column c (-1: the potential)
            const int i = static_cast<int>((j - 1) / 8), c = static_cast<int>((j - 1) % 8) - 1;
            const bool read = i >= 1 && i <= k && (c == -1 || c == column);
            ASSERT_TRUE(read ? std::isfinite(after[j]) : after[j] == before[j])
                << round << " point " << i << " column " << c;
        }
    }
    EXPECT_GT(succeeded, 50);  // the damaged files must also reach the success path
}

}  // namespace
}  // namespace talvex
