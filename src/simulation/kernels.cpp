#include "simulation/kernels.h"

#include <cmath>

#include "core/checked_math.h"

namespace talvex {

double ErfcScaled(double x) {
    const double x2 = x * x;
    if (std::fabs(x) >= 1.5) {
        // Continued fraction; for negative x use erfc(-x) = 2 - erfc(x).
        double s = 0;
        if (x <= 0) {
            x = -x;
            s = 2 * Exp(x2);
        }
        const int N = static_cast<int>(std::floor(32 / x)) + 2;
        double c = 1 / (1.4142136 * x);
        for (int m = N; m >= 1; --m) c = 1 / (1.4142136 * x + m * c);
        c = 1.4142136 * c / 1.7724539;
        if (s != 0) c = -c;
        return s + c;
    }
    // Alternating series of the error function, summed from the tail.
    const int N = static_cast<int>(std::floor(9 * std::fabs(x))) + 2;
    double c = N / (x2 + N);
    for (int m = N; m >= 1; --m) c = 1 + x2 * (0.5 - m) * c / (m * (m + 0.5));
    const double erfx = 2 * c * x / 1.7724539;
    return std::exp(x2) * (1 - erfx);
}

double StepCurrent(double FoverRT, const KernelArgs& a) {
    const double nf = FoverRT * a.n;
    const double eta = nf * (a.E - a.E0);
    const double kfe = a.ks * Exp(-a.alpha * eta);
    const double kbe = a.ks * Exp((1 - a.alpha) * eta);
    const double H = Div(kfe, a.Do) + Div(kbe, a.Dr);
    const double lambda = H * Sqrt(a.t1);
    return Checked(a.n * (kfe * a.Co - kbe * a.Cr) * ErfcScaled(lambda));
}

}  // namespace talvex
