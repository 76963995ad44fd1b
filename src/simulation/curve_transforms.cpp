#include "simulation/curve_transforms.h"

#include <cmath>

#include "core/checked_math.h"

namespace talvex {

double PointSpacing(const Model& m) {
    return std::fabs(m.Xdata(2) - m.Xdata(1));
}

void DifferentiatePoints(double* y, int n, double h) {
    if (n < 4) return;
    double t[kMaxPoints + 1];
    t[1] = Div(y[2] - y[1], h);
    t[n] = Div(y[n] - y[n - 1], h);
    for (int k = 2; k <= n - 1; ++k) t[k] = Div(y[k + 1] - y[k - 1], 2 * h);
    for (int k = 1; k <= n; ++k) y[k] = t[k];
}

void IntegratePoints(double* y, int n, double h) {
    double s = 0;
    for (int k = 1; k <= n; ++k) {
        s = Checked(s + h * y[k]);
        y[k] = s;
    }
}

void SemiDifferentiatePoints(double* y, int n, double h) {
    if (n < 4) return;
    const double W = 0.25 * Sqrt(Div(1.0, kPi * h));
    // The weights w(m) = sqrt(m+1) - 2 sqrt(m) + sqrt(m-1) depend on m only: tabulate them once.
    double root[kMaxPoints + 2];
    for (int m = 0; m <= n; ++m) root[m] = std::sqrt(static_cast<double>(m));
    double w[kMaxPoints + 1];
    for (int m = 1; m < n; ++m) w[m] = root[m + 1] - 2 * root[m] + root[m - 1];
    double t[kMaxPoints + 1];
    for (int k = 3; k <= n - 1; ++k) {
        double s = 0;
        for (int i = 1; i <= k - 1; ++i) s += y[i] * w[k - i];
        t[k] = W * (y[k] + s);
    }
    t[n] = 2 * t[n - 1] - t[n - 2];
    t[2] = 2 * t[3] - t[4];
    t[1] = t[2] - (t[4] - t[3]);
    for (int k = 1; k <= n; ++k) y[k] = Checked(t[k]);
}

}  // namespace talvex
