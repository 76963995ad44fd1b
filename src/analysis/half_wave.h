#pragma once

#include "core/model.h"
#include "core/result_window.h"

namespace talvex {

// Reports, for every plotted curve, each point whose height above the curve's minimum lies within
// 5 % of half the full height (points 1..NData), with the full height as the limiting current.
void FindHalfWave(const Model& m, ResultWindow& out);

}  // namespace talvex
