#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace talvex {

class Workbench;

// Import Data, the reading part: opens a new curve slot, asks for a file, and reads its
// potential/current pairs into the store (Xdata, the new column of Yplot, NData, IFirst, ILast),
// proposes the matching potential programme in the Instrument dialog, reports in the result
// window and names the file in the plot window's caption. True when the file was read completely.
// The file is read and checked whole before anything changes, so a failed import ("ReadData
// Error: " and the description, naming the line) leaves the store and the dialog as they were;
// only the curve slot stays opened, as it is chosen before the file. A cancelled dialog ends
// quietly.
bool ReadData(Workbench& wb);

// The menu command: ReadData, then on success the plot, the result window and the menus that
// need data.
void ImportDataCommand(Workbench& wb);

// The pairs of a data file: fields separated by commas or line ends (CR LF, LF or CR), blanks
// around a field ignored, lines holding only blanks skipped, numbers strictly in the full-stop
// form. At most 4000 pairs. Raises RunError whose description names the line at fault.
struct DataPairs {
    std::vector<double> x, y;
};
DataPairs ReadDataPairs(const std::string& path);

}  // namespace talvex
