#pragma once

namespace talvex {

class Workbench;

// After a successful Simulate or Import: enables the Display and Analyze menus, Manual Fit and
// Manual Separate (nothing disables them again).
void EnableAfterNewDataSet(Workbench& wb);

}  // namespace talvex
