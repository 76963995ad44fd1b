#pragma once

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

// File > Save Workspace... and File > Open Workspace...
void SaveWorkspaceCommand(Workbench& wb);
void OpenWorkspaceCommand(Workbench& wb);

}  // namespace talvex
