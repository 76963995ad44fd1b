#include "analysis/half_wave.h"

#include <cmath>

#include "analysis/curve_extremes.h"
#include "core/text_number.h"

namespace talvex {

void FindHalfWave(const Model& m, ResultWindow& out) {
    const int nData = m.NData;
    if (nData > kMaxPoints) Raise(ErrorCode::SubscriptOutOfRange);
    double y[kMaxPoints + 1];
    for (int j = 1; j <= m.NCurves; ++j) {
        out.Print().Zone().Text("Curve ").Num(j).Text(":").End();
        for (int k = 1; k <= nData; ++k) y[k] = m.Yplot(k, j);
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
