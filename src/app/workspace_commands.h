#pragma once

#include <string>

#include "files/workspace_file.h"

namespace talvex {

class Workbench;

// What a workspace records of the running program: every control of every dialog, whether each
// dialog is on screen, the plot window's caption and the curve store.
Workspace CaptureWorkspace(const Workbench& wb);

// Puts a workspace back. Everything is checked against the dialogs first (every control there,
// of the same kind, every selection possible), so a workspace that does not fit raises RunError
// and changes nothing. The controls are set without firing their handlers, which could otherwise
// rewrite a value restored before them; the selectors that click handlers keep in the model
// (electrode, digital mode) follow the restored controls. Then the plot is redrawn.
void RestoreWorkspace(Workbench& wb, const Workspace& workspace);

// The model values that click handlers keep (the electrode, the digital mode) follow the dialogs'
// controls after they were put back without their handlers.
void FollowRestoredControls(Workbench& wb);

// The workspace as the text of a file, and put back from such a text (raising RunError, with nothing
// changed, for a text that is no workspace or does not fit): the recovery copies of unsaved work.
std::string WorkspaceTextOf(const Workbench& wb);
void RestoreWorkspaceText(Workbench& wb, const std::string& text);

// Reads and puts back the workspace file at `path`; raises RunError for a file that cannot be read
// or does not fit, and then nothing has changed.
void LoadWorkspace(Workbench& wb, const std::string& path);

// File > Save Workspace...: asks for a file and writes the workspace; the state is then saved.
void SaveWorkspaceCommand(Workbench& wb);
bool SaveWorkspaceAs(Workbench& wb);  // true when it was written

// File > Open Workspace...: first AllowDiscard, then asks for a file and opens it.
void OpenWorkspaceCommand(Workbench& wb);
// Opens a workspace file already chosen (a recent file, a file dropped on the window); a file that
// cannot be read or does not fit is refused with one message and changes nothing. True when opened.
bool OpenWorkspaceFile(Workbench& wb, const std::string& path);

// Before work is discarded (quitting, opening another workspace): when the entries or curves
// changed since the last save, asks whether to save them first; true when the work may go (saved,
// or the user said to discard it), false when the user cancelled (or the save did not happen).
// `doing` completes the question: "quitting".
bool AllowDiscard(Workbench& wb, const std::string& doing);

}  // namespace talvex
