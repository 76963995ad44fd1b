#include "files/instrument_import.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/text_number.h"
#include "support/numeric.h"
#include "support/run_errors.h"

namespace talvex {
namespace {

using testing::DataPath;
using testing::ErrorOf;
using testing::Near;

std::string Sample(const std::string& name) {
    std::ifstream in(DataPath("instruments/" + name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct Point {
    std::size_t cycle, index;
    double e, i;  // V, A
};

// The reference values are the numbers written in the sample files, converted to V and A by hand.
// Tolerance 1e-12 relative: reading the decimal text and dividing by a power of ten for the unit
// round twice, nothing more.
TEST(InstrumentImport, EachFamilyReadsToVoltsAndAmperes) {
    struct Family {
        const char* file;
        InstrumentFormat format;
        CurrentSign sign;
        const char* columns;  // potential|current|their units
        const char* labels;   // of the cycles
        std::size_t points;
        double scanRate;  // V/s, as the header states it (0: it states none)
    };
    using enum InstrumentFormat;
    using enum CurrentSign;
    const std::pair<Family, std::vector<Point>> cases[] = {
        {{"eclab_cv.mpt", ECLab, CathodicNegative, "Ewe/V|<I>/mA|V|mA", "cycle 1|cycle 2|", 12, 0.1},
         {{0, 0, 0.3004, 1.2e-6}, {0, 2, 0.0004, -4.21e-5}, {1, 4, -0.2996, -1.12e-5}, {1, 5, 0.0004, 2.81e-5}}},
        {{"gamry_cv.dta", Gamry, CathodicNegative, "Vf|Im|V|A", "CURVE1|CURVE2|", 8, 0.1},
         {{0, 0, 0.3, 1.25e-7}, {0, 1, 0.1, -2.5e-6}, {1, 2, -0.1, -8.5e-6}, {1, 3, -0.3, -3e-6}}},
        {{"chi_cv.txt", CHInstruments, CathodicPositive, "Potential/V|Current/A|V|A", "all points|", 8, 0.1},
         {{0, 0, 0.3, -1.024e-7}, {0, 2, 0.0, 8.811e-6}, {0, 7, 0.15, -3.1e-6}}},
        {{"autolab_cv.txt", Autolab, CathodicNegative, "Potential applied (V)|WE(1).Current (A)|V|A", "scan 1|scan 2|",
          8, 0},
         {{0, 1, 0.0, -6e-6}, {0, 2, -0.3, -2.5e-6}, {1, 3, 0.0, 4.4e-6}}},
        {{"table_semicolon.csv", Table, Unknown, "E (mV)|I (µA)|mV|µA", "all points|", 5, 0},
         {{0, 0, 0.3, -1.25e-7}, {0, 2, 0.2, 1.225e-5}, {0, 3, 0.15, -3.75e-7}, {0, 4, 0.1, 4.5e-5}}},
    };
    for (const auto& [f, checks] : cases) {
        SCOPED_TRACE(f.file);
        const InstrumentData d = ReadInstrumentFile(DataPath(std::string("instruments/") + f.file));
        EXPECT_EQ(d.format, f.format);
        EXPECT_EQ(d.sign, f.sign);
        EXPECT_EQ(d.potentialColumn + "|" + d.currentColumn + "|" + d.potentialUnit + "|" + d.currentUnit, f.columns);
        std::string labels;
        for (const InstrumentCycle& k : d.cycles) labels += k.label + "|";
        EXPECT_EQ(labels, f.labels);
        EXPECT_EQ(d.TotalPoints(), f.points);
        EXPECT_TRUE(Near(d.scanRate, f.scanRate, 1e-12));
        for (const Point& p : checks) {
            ASSERT_LT(p.cycle, d.cycles.size());
            ASSERT_LT(p.index, d.cycles[p.cycle].potential.size());
            EXPECT_TRUE(Near(d.cycles[p.cycle].potential[p.index], p.e, 1e-12, 1e-15));
            EXPECT_TRUE(Near(d.cycles[p.cycle].current[p.index], p.i, 1e-12, 1e-18));
        }
    }
}

// The scan rate in each family's header and unit: EC-Lab's dE/dt is in mV/s unless its unit line
// says V/s; a rate that is not a positive number is no statement; the data lines are not searched.
TEST(InstrumentImport, StatedScanRate) {
    EXPECT_EQ(StatedScanRate("EC-Lab ASCII FILE\ndE/dt               20,000\ndE/dt unit          V/s\n"), 20);
    EXPECT_EQ(StatedScanRate("EC-Lab ASCII FILE\ndE/dt               50.000\ndE/dt unit          mV/s\n"), 0.05);
    EXPECT_EQ(StatedScanRate("Scan Rate (V/s) = 0.25\n"), 0.25);
    EXPECT_EQ(StatedScanRate("SCANRATE\tQUANT\t5.00000E+002\tScan Rate (mV/s)\n"), 0.5);
    EXPECT_EQ(StatedScanRate("Scan Rate (V/s) = fast\nSCANRATE\tQUANT\t-1\n"), 0);
    EXPECT_EQ(StatedScanRate("0.3, 1e-6\n0.2, 2e-6\n"), 0);
}

// Layouts beyond the samples: bare columns, quotes, Latin-1 micro, CR line ends, interleaved
// cycles.
TEST(InstrumentImport, OtherAcceptedLayouts) {
    struct Case {
        std::string content;
        std::size_t cycles, points;
        double lastE, lastI;
    };
    const Case cases[] = {
        {"0,1\t1,5E-06\t\n\n-0,2\t2,5E-06\t\n", 1, 2, -0.2, 2.5e-6},
        {"\"potential [V]\",\"current [\xB5"
         "A]\"\r\n\"0.1\",\"2.5\"\r\n",
         1, 1, 0.1, 2.5e-6},
        {"\xEF\xBB\xBF"
         "E/V;I/nA\r0,25;-40\r",
         1, 1, 0.25, -4e-8},
        {"E/V\tI/A\tCycle\n0.1\t1\t1\n0.2\t2\t2\n0.3\t3\t1\n", 2, 3, 0.2, 2},
    };
    for (const Case& c : cases) {
        const InstrumentData d = ParseInstrumentData(c.content);
        EXPECT_EQ(d.cycles.size(), c.cycles) << c.content;
        EXPECT_EQ(d.TotalPoints(), c.points) << c.content;
        EXPECT_TRUE(Near(d.cycles.back().potential.back(), c.lastE, 1e-12)) << c.content;
        EXPECT_TRUE(Near(d.cycles.back().current.back(), c.lastI, 1e-12)) << c.content;
    }
}

// Each damage gives its own message, naming the line. `cut` ends the file where `find` begins.
TEST(InstrumentImport, DamagedFilesAreRefusedWithLineAndReason) {
    struct Case {
        const char* file;  // empty: `find` is the whole content
        std::string find, replace;
        bool cut;
        std::string message;  // the start of it
    };
    const std::string reading =
        "no header row names a potential column (E, Ewe, Potential, Vf, "
        "WE(1).Potential, Potential applied) and a current column";
    const Case cases[] = {
        {"eclab_cv.mpt", "-4,210000000E-02", "abc", false, "line 16: 'abc' is not a number in column <I>/mA"},
        {"eclab_cv.mpt", "<I>/mA", "<Q>/mA", false,
         "line 13: no current column (I, <I>, Im, Current, WE(1).Current) among mode, ox/red, "
         "error,"},
        {"eclab_cv.mpt", "\t-1,540000000E-02", "", true,
         "line 15: the row ends after 8 fields; column <I>/mA is field 9 (the file ends in this "
         "line: cut short?)"},
        {"eclab_cv.mpt", "Electrode surface", "", true,
         "the EC-Lab header announces 13 lines but the file ends at line 6 (cut short?)"},
        {"eclab_cv.mpt", "2\t1\t0\t0\t0\t0,000000E+00", "", true, "line 13: the column names are followed by no data"},
        {"eclab_cv.mpt", "Nb header lines : 13", "Nb header lines : two", false,
         "line 2: 'two' is not a count of header lines (3 or more)"},
        {"gamry_cv.dta", "\t3\t0.6\t", "", true, "line 27: CURVE2 announces 4 points but holds 3 (cut short?)"},
        {"gamry_cv.dta", "\tVf\tIm\t", "\tVf\tIx\t", false, "line 21: no current column"},
        {"gamry_cv.dta", "\tPt\tT\tVf\tIm", "", true, "line 20: CURVE1 is not followed by its column names"},
        {"chi_cv.txt", "8.811e-06", "8.811e+999", false,
         "line 29: '8.811e+999' is beyond the range of numbers in column Current/A"},
        {"autolab_cv.txt", "Potential applied (V);Time (s);WE(1).Current (A);WE(1).Potential (V)",
         "Applied (V);Time (s);WE(1).Current (A);WE(1).Voltage (V)", false,
         "line 1: no potential column (E, Ewe, Potential, Vf, WE(1).Potential, Potential applied) "
         "among "
         "Applied (V), Time (s), WE(1).Current (A), WE(1).Voltage (V), Scan, Index, Q+, Q-, "
         "Current range"},
        {"autolab_cv.txt", ";2;1;", ";x;1;", false, "line 6: 'x' is not a number in column Scan"},
        {"table_semicolon.csv", "E (mV)", "E (kV)", false,
         "line 4: column E (kV): 'kV' is not a unit of potential (V, mV)"},
        {"table_semicolon.csv", "1;200;12,25", "1;;12,25", false, "line 7: no value in column E (mV)"},
        {"", "", "", false, "the file is empty"},
        {"", " \r\n\t\n", "", false, "the file holds only blank lines"},
        {"", std::string("EC-Lab ASCII FILE\nNb header lines : 3\n\0", 40), "", false, "line 3: binary data, not text"},
        {"", "1;2;3\n4;5;6\n", "", false, "line 1: 3 columns of numbers and no header row naming them"},
        {"", "Sample data\nnothing to read\n", "", false, reading},
        {"",
         "\xFF\xFE"
         "E\0",
         "", false, "the file is UTF-16 text"},
    };
    for (const Case& c : cases) {
        std::string content = c.find;
        if (*c.file) {
            content = Sample(c.file);
            const std::size_t at = content.find(c.find);
            ASSERT_NE(at, std::string::npos) << c.find;
            content = c.cut ? content.substr(0, at) : content.replace(at, c.find.size(), c.replace);
        }
        const std::string error = ErrorOf([&] { ParseInstrumentData(content); });
        EXPECT_EQ(error.substr(0, c.message.size()), c.message) << c.file << " " << c.find;
    }
}

// The chosen cycle or all cycles, sign flipped on request, thinned only when asked, never above
// the store's 4000 points.
TEST(InstrumentImport, CycleSelectionFlippingThinningAndLimit) {
    const InstrumentData ec = ParseInstrumentData(Sample("eclab_cv.mpt"));
    const DataPairs second = SelectCycle(ec, 2, true);
    ASSERT_EQ(second.x.size(), 6u);
    EXPECT_TRUE(Near(second.x[0], 0.3004, 1e-12));
    EXPECT_TRUE(Near(second.y[0], -9e-7, 1e-12));
    EXPECT_TRUE(Near(second.y[2], 3.98e-5, 1e-12));
    const DataPairs everyOther = SelectCycle(ec, 0, false, 2);
    ASSERT_EQ(everyOther.x.size(), 6u);
    EXPECT_TRUE(Near(everyOther.y[3], 9e-7, 1e-12));  // point 7 of the file: cycle 2's first
    EXPECT_EQ(ErrorOf([&] { SelectCycle(ec, 3, false); }), "there is no cycle 3; the file holds 2 cycles");

    std::string big = "E/V,I/A,cycle number\n";
    for (int k = 0; k < 4001; ++k) big += GeneralFormat(k * 1e-4) + ",1e-6,1\n";
    big += "0.5,2e-6,2\n";
    const InstrumentData d = ParseInstrumentData(big);
    EXPECT_EQ(ErrorOf([&] { SelectCycle(d, 1, false); }), "cycle 1 holds 4001 points; at most 4000 can be imported");
    EXPECT_EQ(ErrorOf([&] { SelectCycle(d, 0, false); }),
              "the 2 cycles hold 4002 points; at most 4000 can be imported");
    EXPECT_EQ(SelectCycle(d, 2, false).x.size(), 1u);
    EXPECT_EQ(ThinningStep(4002), 2);
    EXPECT_EQ(SelectCycle(d, 0, false, ThinningStep(4002)).x.size(), 2001u);
    EXPECT_EQ(DescribeImport(d)[3], "4002 points in 2 cycles (column cycle number)");
}

TEST(InstrumentImport, PlainDataLayoutIsLeftToThePlainReader) {
    const std::pair<std::string, bool> cases[] = {
        {"1,2\n3,4\n", true},
        {"\xEF\xBB\xBF\n -.3 , 1E-06\n", true},
        {"0.1\n", true},
        {"E,I\n1,2\n", false},
        {"0,3;1,2E-05\n", false},
        {"0.1\t2e-6\n", false},
        {"\r\n \r\n", true},                    // nothing to read: the plain reader says the input ended
        {std::string(5000, '7') + "\n", true},  // meant as a number, too long to read
    };
    for (const auto& [content, plain] : cases) EXPECT_EQ(IsPlainDataLayout(content), plain) << content;
    EXPECT_EQ(ErrorOf([] { ReadInstrumentFile(DataPath("instruments/none.mpt")); }), "File not found");
}

}  // namespace
}  // namespace talvex
