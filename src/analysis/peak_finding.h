#pragma once

#include "core/model.h"
#include "core/result_window.h"
#include "core/tables.h"

namespace talvex {

// The peaks Find Peak leaves for later analysis: up to 20 peaks of each of the six plotted
// curves, indexed (peak, curve) from 1. Whoever runs Find Peak owns them.
struct PeakTables {
    static constexpr int kMaxPeaks = 20;
    static constexpr int kCurves = 6;
    Int NPeaks;                                            // peaks found in the curve analysed last
    Table2<double, kMaxPeaks + 1, kCurves + 1> PeakE;      // V
    Table2<double, kMaxPeaks + 1, kCurves + 1> PeakI;      // A, signed as in Yplot
    Table2<double, kMaxPeaks + 1, kCurves + 1> PeakHalfE;  // V; only the first peak's is kept
};

// Finds the peaks of curves 1..NCurves of Yplot over points first..last, keeps them in `peaks`
// and reports them in `out`: potential and current of every peak, Ep - Ep/2 of the first one and,
// for one full cycle with two peaks, their separation, mid-point and (sweeps) current ratio. A
// point counts only when it rises above 2 % of the last drawing's Y range (PlotYmin..PlotYmax).
void FindPeaks(const Model& m, int first, int last, PeakTables& peaks, ResultWindow& out);

// The Find Peak command's range: IFirst + 2 .. ILast - 2.
void FindPeaks(const Model& m, PeakTables& peaks, ResultWindow& out);

}  // namespace talvex
