#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/platform.h"
#include "files/data_import.h"

namespace talvex {

class Workbench;

// A measured curve as Import Data reads it: its pairs, what the reading has to say about an
// instrument's export (format, columns, units, sign, cycle) and the scan rate the export states (0
// where it states none).
struct ImportedFile {
    DataPairs pairs;
    std::vector<std::string> notes;
    double scanRate = 0;
};

// Reads a plain data file or an instrument's export, asking the platform which cycle, whether to
// flip the sign and whether to thin more than 4000 points; no value when the user said no. Raises
// RunError for a file that cannot be read.
std::optional<ImportedFile> ReadImportedFile(Platform& platform, const std::string& path);

// File > Save: the parameter file of the model as it stands.
void SaveParameters(Workbench& wb);

// File > Export Data: the current curve over IFirst..ILast.
void ExportDataCommand(Workbench& wb);

// Import Data, the reading part: asks for a file, reads its potential/current pairs, and only then
// opens a new curve slot and puts them into the store (Xdata, the new column of Yplot, NData,
// IFirst, ILast), proposes the matching potential programme in the Instrument dialog, reports in
// the result window and names the file in the plot window's caption. True when the file was read
// completely. The file is read and checked whole before anything changes, so a failed import
// ("ReadData Error: " and the description, naming the line) or a cancelled dialog leaves the
// store, the curve counters and the dialog as they were.
bool ReadData(Workbench& wb);

// File > Import Data: ReadData, then on success the plot, the result window and the menus that
// need data.
void ImportDataCommand(Workbench& wb);

}  // namespace talvex
