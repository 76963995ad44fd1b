#include "analysis/half_wave.h"

#include <algorithm>
#include <cmath>

#include "analysis/curve_extremes.h"
#include "core/text_number.h"

namespace talvex {
namespace {

// A wave rises (or falls) from one plateau to the other across each sweep: its extremes lie at the
// sweep's ends. A curve whose current comes back by more than this share of a sweep's height after
// an extreme inside the sweep has a peak (a voltammogram of diffusion to a large electrode, a pulse
// difference), and half its height is no half-wave potential. Noise and sloping plateaus stay well
// below it.
constexpr double kPeakedShare = 0.2;

}  // namespace

double PeakedShare(const Model& m, const double* y, int n) {
    double worst = 0.0;
    int start = 1;
    while (start < n) {
        // One sweep: the points over which the potential keeps its direction.
        int end = start + 1;
        const bool down = m.Xdata(end) < m.Xdata(start);
        while (end < n && (m.Xdata(end + 1) < m.Xdata(end)) == down && m.Xdata(end + 1) != m.Xdata(end)) ++end;
        double hi = y[start], lo = y[start];
        for (int k = start; k <= end; ++k) {
            hi = std::max(hi, y[k]);
            lo = std::min(lo, y[k]);
        }
        const double height = hi - lo;
        if (end - start >= 4 && height > 0) {
            const double a = y[start], b = y[end];
            const double back = (hi - std::max(a, b)) + (std::min(a, b) - lo);
            worst = std::max(worst, back / height);
        }
        start = end;
    }
    return worst;
}

void FindHalfWave(const Model& m, ResultWindow& out) {
    const int nData = m.NData;
    if (nData > kMaxPoints) Raise(ErrorCode::SubscriptOutOfRange);
    double y[kMaxPoints + 1];
    for (int j = 1; j <= m.NCurves; ++j) {
        out.Print().Zone().Text("Curve ").Num(j).Text(":").End();
        for (int k = 1; k <= nData; ++k) y[k] = m.Yplot(k, j);
        const double peaked = PeakedShare(m, y, nData);
        if (peaked > kPeakedShare) {
            out.PrintLine("The curve has a peak: after it the current comes back by " +
                          FormatNumber(100 * peaked, "0") +
                          " % of its height, so it is no wave and half its height is no half-wave potential. Find "
                          "Peak reads peaked curves.");
            continue;
        }
        const double ymax = CurveMax(y, nData);
        const double ymin = CurveMin(y, nData);
        const double half = std::fabs(ymin - ymax) / 2;
        const double lo = 0.95 * half;
        const double hi = 1.05 * half;
        const std::string height = FormatNumber(ymax - ymin, "0.####E-0");
        int count = 0;
        for (int k = 1; k <= nData; ++k) {
            const double d = std::fabs(y[k] - ymin);
            if (d < lo || d > hi) continue;
            ++count;
            out.Print()
                .Text("Peak ")
                .Num(count)
                .Text(": ")
                .Zone()
                .Text("E1/2= ")
                .Num(m.Xdata(k))
                .Zone()
                .Text("Id= ")
                .Text(height)
                .Text("A")
                .End();
        }
    }
}

}  // namespace talvex
