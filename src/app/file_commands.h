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

// File > Export Data: the current curve over IFirst..ILast; the status bar names the file written
// and its number of points.
void ExportDataCommand(Workbench& wb);

// File > Export Plot...: the plot window's drawing as a PNG, SVG or PDF file (by the name's
// extension; a name without one becomes a PNG) of a size the user chooses (800 x 600 offered).
void ExportPlotCommand(Workbench& wb);
inline constexpr const char* kPlotPictureFilter =
    "PNG picture (*.png)|*.png|SVG drawing (*.svg)|*.svg|PDF document (*.pdf)|*.pdf";
inline constexpr int kPlotPictureWidth = 800;
inline constexpr int kPlotPictureHeight = 600;
// "png", "svg" or "pdf" from a file name's extension (any case); empty for any other.
std::string PictureFormatOf(const std::string& path);

// Import Data, the reading part: asks for a file, reads its potential/current pairs, and only then
// opens a new curve slot and puts them into the store (Xdata, the new column of Yplot, NData,
// IFirst, ILast), proposes the matching potential programme in the Instrument dialog, reports in
// the result window and names the file in the plot window's caption. True when the file was read
// completely. The file is read and checked whole before anything changes, so a failed import
// ("ReadData Error: " and the description, naming the line) or a cancelled dialog leaves the
// store, the curve counters and the dialog as they were.
// Given a path, that file is read without asking. A file read becomes the first of the recent files.
bool ReadData(Workbench& wb, std::optional<std::string> path = std::nullopt);

// File > Import Data: ReadData, then on success the plot, the result window and the menus that
// need data.
void ImportDataCommand(Workbench& wb);
// The same for a file already chosen (a recent file, a file dropped on the window).
void ImportDataFile(Workbench& wb, const std::optional<std::string>& path);

}  // namespace talvex
