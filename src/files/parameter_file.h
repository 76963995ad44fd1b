#pragma once

#include <string>

namespace talvex {

class Platform;
struct Model;

// Save: asks for a file name and writes the main parameters of the model as a .par file. A
// cancelled dialog ends the command; a failure shows "Save Error: " and the system's description
// and leaves an existing file as it was.
void WriteParameterFile(Platform& platform, const Model& m);

// The .par text: label and value lines alternating, CR LF line ends, values in the result
// window's number format, never-assigned values as empty lines, then one 16-line block per species.
std::string ParameterFileText(const Model& m);

inline constexpr const char* kParameterFileFilter = "parameter (*.par)|*.par|all|*.*";

}  // namespace talvex
