#pragma once

#include <istream>
#include <ostream>
#include <string>

namespace talvex {

// Runs a talvex-batch script against a fresh workbench, line by line. The result window's lines
// and every message box go to `out` as they appear. Returns 0 when the script ran to its end (or
// to Exit), 2 after writing "file:line: reason" to `err` for a line it cannot understand.
int RunScript(std::istream& script, const std::string& fileName, std::ostream& out, std::ostream& err);

}  // namespace talvex
