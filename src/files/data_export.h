#pragma once

#include <optional>
#include <string>

namespace talvex {

class Platform;
struct Model;

// Export Data: asks for a file name and writes points first..last of the potential axis and of
// column `curve` of Yplot, one "potential, value" line per point. A cancelled dialog ends the
// command; a failure shows "Export Error: " and the system's description and leaves an existing
// file as it was. Returns the file written; no value when nothing was.
std::optional<std::string> ExportData(Platform& platform, const Model& m, int first, int last, int curve);

// The exported text: the potential in the result window's number format, a comma, blanks to the
// next 14-character print zone, the value, CR LF.
std::string ExportText(const Model& m, int first, int last, int curve);

inline constexpr const char* kDataFileFilter = "csv|*.csv|all|*.*";

}  // namespace talvex
