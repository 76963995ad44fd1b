#pragma once

namespace talvex {

struct Model;

// Chooses the column of a new simulated or imported curve: column 2 while fitting (the measured
// curve stays in column 1); with overlap on, the next of up to five curves; else column 1 alone.
void OpenCurveSlot(Model& model, bool overlapChecked);

}  // namespace talvex
