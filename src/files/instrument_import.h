#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/data_import.h"

// Readers for the text exports of potentiostats: delimited tables with a header row naming the
// columns, and the exports of the EC-Lab, Gamry, CH Instruments and Autolab families. The family
// is recognised from the content, never from the file name. Nothing here touches the model: the
// import command decides what to do with what was read.
namespace talvex {

enum class InstrumentFormat {
    Table,          // delimited text: a header row naming the columns, or two bare columns
    ECLab,          // BioLogic EC-Lab / BT-Lab text export (.mpt), or a table with its column names
    Gamry,          // Gamry Framework data file (.DTA): CURVE tables
    CHInstruments,  // CH Instruments text export: parameter block, then "Potential/V, Current/A"
    Autolab,        // Metrohm Autolab NOVA ASCII export: "WE(1).Current (A)" and the like
};

// How the instrument signs its current. Talvex's curves have the cathodic (reduction) current
// positive; most modern instruments write it negative.
enum class CurrentSign { CathodicNegative, CathodicPositive, Unknown };

// One cycle of the file: its points in file order, potentials in V and currents in A (converted
// from the file's units, signed as the file writes them).
struct InstrumentCycle {
    std::string label;           // "cycle 2", "scan 1", "CURVE3", or "all points"
    std::int64_t firstLine = 0;  // the file line of its first point
    std::vector<double> potential, current;
};

struct InstrumentData {
    InstrumentFormat format = InstrumentFormat::Table;
    // The header cells of the columns read, as the file writes them ("Ewe/V", "<I>/mA"); a table
    // without header row names them "column 1" and "column 2".
    std::string potentialColumn, currentColumn;
    // The units read ("V", "mA", "µA"...); empty when the header gives none, V and A then assumed.
    std::string potentialUnit, currentUnit;
    std::string cycleColumn;  // the column that numbers the cycles; empty when there is none
    CurrentSign sign = CurrentSign::Unknown;
    std::string signNote;  // why the sign is taken to be what it is, for the report
    // At least one cycle, each with at least one point: the cycles of a cycle column in order of
    // first appearance, or the CURVE tables of a Gamry file, or one cycle of all points.
    std::vector<InstrumentCycle> cycles;
    // The scan rate the file's header states (V/s), where it states one (CH Instruments "Scan Rate
    // (V/s) = ", Gamry SCANRATE in mV/s, EC-Lab "dE/dt" with its unit); 0 where it states none.
    double scanRate = 0;

    std::size_t TotalPoints() const;
};

// True when the first line holding anything is numbers separated by commas (fields of digits,
// signs, points and exponents, even ones too long to read), or when there is no such line: the
// layout of the plain data file, which ReadDataPairs reads and whose faults it reports in its own
// words.
bool IsPlainDataLayout(std::string_view content);

// The scan rate (V/s) an export's header states, or 0. Only the lines before the data are read.
double StatedScanRate(std::string_view content);

// Reads an export from its bytes. Raises RunError whose description names the line at fault and
// the reason ("line 17: 'abc' is not a number in column Ewe/V"). Bounded work and memory for any
// input: at most kMaxFilePoints points and kMaxFileCycles cycles are kept.
InstrumentData ParseInstrumentData(std::string_view content);

// The bytes of a file for ParseInstrumentData; a file above kMaxImportBytes is refused unread.
std::string ReadImportFile(const std::string& path);
InstrumentData ReadInstrumentFile(const std::string& path);

inline constexpr std::size_t kMaxImportBytes = std::size_t{64} << 20;
inline constexpr std::size_t kMaxFilePoints = 500000;
inline constexpr std::size_t kMaxFileCycles = 10000;

// The points of cycle 1..cycles.size(), or of all cycles one after another for cycle 0.
std::size_t CyclePoints(const InstrumentData& data, int cycle);

// The smallest thinning step that leaves at most kMaxPoints of `points`.
int ThinningStep(std::size_t points);

// The chosen cycle (0: all) as potential/current pairs for the curve store, every `step`-th point
// from the first, the current negated when `flipSign`. Refuses a cycle number that does not exist,
// and more than kMaxPoints points, naming the count; it never thins on its own.
DataPairs SelectCycle(const InstrumentData& data, int cycle, bool flipSign, int step = 1);

// "EC-Lab text export" and the like.
const char* FormatName(InstrumentFormat format);

// Lines for the result window: format, columns and units, cycles, sign convention.
std::vector<std::string> DescribeImport(const InstrumentData& data);

}  // namespace talvex
