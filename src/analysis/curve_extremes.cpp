#include "analysis/curve_extremes.h"

namespace talvex {

double CurveMax(const double* y, int n) {
    if (n < 1) return 0;
    double best = y[1];
    for (int k = 2; k <= n; ++k)
        if (y[k] > best) best = y[k];
    return best;
}

double CurveMin(const double* y, int n) {
    if (n < 1) return 0;
    double best = y[1];
    for (int k = 2; k <= n; ++k)
        if (y[k] < best) best = y[k];
    return best;
}

}  // namespace talvex
