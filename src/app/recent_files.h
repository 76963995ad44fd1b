#pragma once

#include <string>
#include <vector>

namespace talvex {

class Workbench;

// The files last imported or opened as workspaces, newest first, as the File menu's Recent Files
// lists them (at most kRecentFiles, each once).
inline constexpr int kRecentFiles = 10;

// `path` (a full path) becomes the first recent file; the menu follows.
void NoteRecentFile(Workbench& wb, const std::string& path);
// Sets the whole list (as the desktop remembered it between runs); the menu follows.
void SetRecentFiles(Workbench& wb, std::vector<std::string> paths);

// File > Recent Files > entry `index` (1..10): a workspace (.tvw) is opened, once the work on view may
// be discarded; any other file is imported as data. A file that is gone is said so and leaves the list.
void OpenRecentFile(Workbench& wb, int index);

}  // namespace talvex
