#pragma once

#include "core/command_table.h"

namespace talvex {

class Workbench;

// Fills the table with every menu item of the main window: caption, place, initial enabled flag,
// shortcut, status tip and handler. The window and talvex-batch both run commands from it.
void RegisterCommands(CommandTable& table);

// After a successful Simulate or Import: enables the Display and Analyze menus, Manual Fit and
// Manual Separate (nothing disables them again).
void EnableAfterNewDataSet(Workbench& wb);

// The small jobs of the main window itself.
void NextCurve(Workbench& wb);
void PrintTime(Workbench& wb);
void ClearResults(Workbench& wb);

}  // namespace talvex
