#pragma once

namespace talvex {

struct Model;

// Chooses the column of a new simulated or imported curve and marks it simulated, or fitted while
// fitting (the caller marks an imported one measured). While fitting: the fit's earlier column, or
// the next free one (column 2 beside a single measured curve). With overlap on, the next of up to
// five curves; once five are stored, the last that is not measured is replaced (without measured
// curves the store starts again at column 1). Otherwise column 1 alone. A measured curve is never
// chosen: when all five are measured, "the curve store holds five measured curves" is raised.
void OpenCurveSlot(Model& model, bool overlapChecked);

// The measured curve a fit compares with: the current curve when it is measured, else the last
// measured one; 0 when the store holds none.
int MeasuredColumn(const Model& model);

}  // namespace talvex
