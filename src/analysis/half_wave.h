#pragma once

#include "core/model.h"
#include "core/result_window.h"

namespace talvex {

// Reports, for every plotted curve, each point whose height above the curve's minimum lies within
// 5 % of half the full height (points 1..NData), with the full height as the limiting current. A
// curve that is no wave but has a peak (its current comes back by more than a fifth of a sweep's
// height after an extreme inside the sweep) is said to be one instead.
void FindHalfWave(const Model& m, ResultWindow& out);

// How far the current of points 1..n of y comes back after an extreme inside a sweep (a run of
// points over which the potential keeps its direction), as a share of that sweep's height: 0 for a
// wave, about 0.5 for a linear-sweep voltammogram, 1 for a pulse-difference peak. The largest over
// the sweeps of at least five points.
double PeakedShare(const Model& m, const double* y, int n);

}  // namespace talvex
