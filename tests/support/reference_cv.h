#pragma once

#include <cmath>
#include <vector>

// An independent cyclic voltammogram of A + e = B at a planar electrode, for tests and benchmarks
// that must not retrace Talvex's own arithmetic: the Nicholson-Shain integral equation with equal
// diffusion coefficients, the flux held constant over each interval of a fine potential grid
// (Abel weights 2 (sqrt(k+1) - sqrt(k)) sqrt(dt/pi)), Butler-Volmer kinetics, and the half-interval
// lag of that rule removed by Richardson extrapolation over two grids (h and h/2). Nothing here
// uses the code under test.
namespace talvex::testing {

struct ReferenceCv {
    double Estart = 0.3, Eend = -0.3;  // V; one cycle: Estart -> Eend -> Estart
    double Estep = 0.005;              // V between the returned points
    double v = 0.01;                   // V/s
    double E0 = 0.1, ks = 1e4, alpha = 0.5;
    double D = 1e-5;  // cm2/s, both species
    double C = 1e-3;  // mol/L of A; no B at the start
    double area = 1;  // cm2
    double f = 96484.6 / 8.31441 / 298.14;
    int substeps = 10;  // fine intervals per returned step on the coarser grid
};

namespace reference_detail {

// Flux (mol cm-2 s-1, reduction positive) at the end of every fine interval of a cycle.
inline std::vector<double> Fluxes(const ReferenceCv& p, double h) {
    const int perSweep = static_cast<int>(std::lround(std::fabs(p.Estart - p.Eend) / h));
    const int n = 2 * perSweep;
    const double dt = h / p.v, rootD = std::sqrt(p.D), c = 1e-3 * p.C;
    const double dir = p.Eend < p.Estart ? -1 : 1;
    std::vector<double> weight(static_cast<std::size_t>(n) + 1), flux(static_cast<std::size_t>(n) + 1, 0.0);
    for (int k = 0; k <= n; ++k) weight[k] = 2 * (std::sqrt(k + 1.0) - std::sqrt(k)) * std::sqrt(dt / 3.14159265358979);
    for (int j = 1; j <= n; ++j) {
        const double E = j <= perSweep ? p.Estart + dir * h * j : p.Eend - dir * h * (j - perSweep);
        double deficit = 0;  // sqrt(D) (C - c_A(0)) = sqrt(D) c_B(0) from the earlier intervals
        for (int i = 1; i < j; ++i) deficit += flux[i] * weight[j - i];
        const double eta = E - p.E0;
        const double kred = p.ks * std::exp(-p.alpha * p.f * eta), kox = p.ks * std::exp((1 - p.alpha) * p.f * eta);
        flux[j] = (kred * (c - deficit / rootD) - kox * deficit / rootD) / (1 + (kred + kox) * weight[0] / rootD);
    }
    return flux;
}

}  // namespace reference_detail

// The potentials and currents (A) of one cycle at every Estep, in Talvex's order: the forward
// sweep from Estart, then the reverse sweep from the vertex (which appears twice, once as the
// last forward and once as the first reverse point, both at the vertex time).
struct ReferenceCurve {
    std::vector<double> E, I;
};

inline ReferenceCurve ReferenceCycle(const ReferenceCv& p) {
    const double h = p.Estep / p.substeps;
    const std::vector<double> coarse = reference_detail::Fluxes(p, h), fine = reference_detail::Fluxes(p, h / 2);
    const int pointsPerSweep = static_cast<int>(std::lround(std::fabs(p.Estart - p.Eend) / p.Estep)) + 1;
    const double dir = p.Eend < p.Estart ? -1 : 1;
    ReferenceCurve out;
    auto add = [&](int step, double E) {
        const std::size_t j = static_cast<std::size_t>(step * p.substeps);
        out.E.push_back(E);
        out.I.push_back(96484.6 * p.area * (2 * fine[2 * j] - coarse[j]));
    };
    for (int k = 0; k < pointsPerSweep; ++k) add(k, p.Estart + dir * p.Estep * k);
    for (int k = 0; k < pointsPerSweep; ++k) add(pointsPerSweep - 1 + k, p.Eend - dir * p.Estep * k);
    return out;
}

}  // namespace talvex::testing
