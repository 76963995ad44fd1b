#include "fitting/symmetric_eigen.h"

#include <cmath>

namespace talvex {

void SymmetricEigen(double (*a)[kMaxFitParameters], int n, double (*v)[kMaxFitParameters], double* values) {
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) v[i][j] = i == j ? 1.0 : 0.0;

    // Quadratic convergence: a few sweeps suffice; 50 only bounds a pathological input.
    for (int sweep = 0; sweep < 50; ++sweep) {
        double off = 0, diag = 0;
        for (int i = 0; i < n; ++i) {
            diag += a[i][i] * a[i][i];
            for (int j = i + 1; j < n; ++j) off += a[i][j] * a[i][j];
        }
        if (off <= 1e-32 * diag || off == 0) break;

        for (int p = 0; p < n; ++p) {
            for (int q = p + 1; q < n; ++q) {
                const double apq = a[p][q];
                if (apq == 0) continue;
                // The smaller root of t^2 - 2 theta t - 1 = 0 rotates by at most 45 degrees.
                const double theta = (a[p][p] - a[q][q]) / (2 * apq);
                const double t = -1 / (theta + std::copysign(std::sqrt(theta * theta + 1), theta));
                const double c = 1 / std::sqrt(t * t + 1);
                const double s = t * c;
                for (int k = 0; k < n; ++k) {
                    if (k == p || k == q) continue;
                    const double akp = a[k][p], akq = a[k][q];
                    a[k][p] = a[p][k] = c * akp - s * akq;
                    a[k][q] = a[q][k] = s * akp + c * akq;
                }
                const double app = a[p][p], aqq = a[q][q];
                a[p][p] = c * c * app - 2 * c * s * apq + s * s * aqq;
                a[q][q] = s * s * app + 2 * c * s * apq + c * c * aqq;
                a[p][q] = a[q][p] = 0;
                for (int k = 0; k < n; ++k) {
                    const double vkp = v[k][p], vkq = v[k][q];
                    v[k][p] = c * vkp - s * vkq;
                    v[k][q] = s * vkp + c * vkq;
                }
            }
        }
    }
    for (int k = 0; k < n; ++k) values[k] = a[k][k];
}

}  // namespace talvex
