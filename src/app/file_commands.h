#pragma once

namespace talvex {

class Workbench;

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
