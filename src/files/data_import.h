#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace talvex {

struct Model;

// The pairs of a data file: fields separated by commas or line ends (CR LF, LF or CR), blanks
// around a field ignored, lines holding only blanks skipped, numbers strictly in the full-stop
// form. At most 4000 pairs. Raises RunError whose description names the line at fault.
struct DataPairs {
    std::vector<double> x, y;
};
DataPairs ReadDataPairs(const std::string& path);
// The same reading of the bytes of a data file already in memory: no file, no model.
DataPairs ParseDataPairs(std::string_view bytes);

// The texts the import proposes for the Instrument dialog: the first potential as the start, the
// far end of the range as the end, the first spacing as the step, the first current as the
// baseline's start. Worked out before anything changes.
struct InstrumentTexts {
    std::string Estart, Eend, Estep, I0;
};
InstrumentTexts ProposeInstrument(const Model& m, const DataPairs& d);

// The Import command's file dialog: plain data files and the text exports of potentiostats.
inline constexpr const char* kImportFileFilter = "csv|*.csv|instrument exports|*.mpt;*.dta;*.txt|all|*.*";

// The absolute, normalised form of a path (the path itself when that cannot be worked out).
std::string FullPath(const std::string& path);

}  // namespace talvex
