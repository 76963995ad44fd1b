#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

// An independent solution of the quasi-reversible microdisc, for the tests only: O + ne = R with
// Butler-Volmer kinetics, equal diffusion coefficients (so c(R) = C - c(O) everywhere and one
// species suffices), on a plain finite-volume grid in the physical cylindrical coordinates (r, z),
// graded geometrically towards the disc's edge and its plane, stepped by the Peaceman-Rachford
// alternating-direction scheme (each half-step one direction implicit: tridiagonal solves). The
// kinetics enter box by box below the disc through the surface value that makes the diffusive
// flux equal the Butler-Volmer rate, which keeps the flux finite at the edge, so this grid in r and
// z converges without any mapping. Nothing here is shared with the simulation's conformal grid,
// its block solver or its time steps.
namespace talvex::testing {

struct QuasiReversibleDisc {
    double a;      // radius (cm)
    double D;      // cm2/s
    double C;      // bulk concentration of O (mol/cm3); R is absent in the bulk
    double ks;     // cm/s
    double alpha;  // transfer coefficient
    double nf;     // nF/RT
    double E0;     // V
};

// Box faces from x0 = 0 outward over `length`: the first box `first`, each next `growth` times
// wider, the last one cut at the end.
inline std::vector<double> GradedFaces(double length, double first, double growth) {
    std::vector<double> faces{0.0};
    double width = first;
    while (faces.back() + width < length * (1 - 1e-9)) {
        faces.push_back(faces.back() + width);
        width *= growth;
    }
    if (length - faces.back() < 0.3 * width / growth && faces.size() > 1) faces.pop_back();
    faces.push_back(length);
    return faces;
}

// The current (A) at each of `samples` (ascending times) for the potential that is held at
// corners[0].E from t = 0 and runs linearly between the corners. `first` is the finest box (cm) at
// the edge and the plane, `stepsPerSecond` the time steps.
struct PotentialCorner {
    double t, E;
};

inline std::vector<double> CylindricalDiscCurrents(const QuasiReversibleDisc& p,
                                                   const std::vector<PotentialCorner>& corners,
                                                   const std::vector<double>& samples, double first, double growth,
                                                   double dt) {
    const double tEnd = samples.back();
    const double reach = 6 * std::sqrt(p.D * tEnd);
    // r: towards the axis from the edge, and out from it; z: up from the plane
    std::vector<double> inner = GradedFaces(p.a, first, growth), outer = GradedFaces(reach, first, growth);
    std::vector<double> rf;
    for (auto it = inner.rbegin(); it != inner.rend(); ++it) rf.push_back(p.a - *it);
    for (std::size_t i = 1; i < outer.size(); ++i) rf.push_back(p.a + outer[i]);
    const std::vector<double> zf = GradedFaces(reach, first, growth);
    const int nr = static_cast<int>(rf.size()) - 1, nz = static_cast<int>(zf.size()) - 1;
    const int onDisc = static_cast<int>(inner.size()) - 1;  // boxes 0..onDisc-1 lie on the disc
    std::vector<double> rc(static_cast<std::size_t>(nr)), zc(static_cast<std::size_t>(nz));
    for (int i = 0; i < nr; ++i) rc[i] = (rf[i] + rf[i + 1]) / 2;
    for (int j = 0; j < nz; ++j) zc[j] = (zf[j] + zf[j + 1]) / 2;
    auto idx = [nr](int i, int j) { return static_cast<std::size_t>(j * nr + i); };
    // volumes and conductances per radian; the bulk (c = 1) beyond the last faces
    std::vector<double> V(static_cast<std::size_t>(nr * nz)), area(static_cast<std::size_t>(nr));
    for (int i = 0; i < nr; ++i) area[i] = (rf[i + 1] * rf[i + 1] - rf[i] * rf[i]) / 2;
    for (int j = 0; j < nz; ++j)
        for (int i = 0; i < nr; ++i) V[idx(i, j)] = area[i] * (zf[j + 1] - zf[j]);
    auto tr = [&](int i, int j) {  // between box i and i + 1 (i = nr - 1: the bulk at the last face)
        const double dz = zf[j + 1] - zf[j];
        return p.D * rf[i + 1] * dz / ((i + 1 < nr ? rc[i + 1] : rf[nr]) - rc[i]);
    };
    auto tz = [&](int i, int j) {  // between box j and j + 1 (j = nz - 1: the bulk)
        return p.D * area[i] / ((j + 1 < nz ? zc[j + 1] : zf[nz]) - zc[j]);
    };
    auto potential = [&](double t) {
        if (t <= corners.front().t) return corners.front().E;
        for (std::size_t k = 0; k + 1 < corners.size(); ++k)
            if (t <= corners[k + 1].t)
                return corners[k].E +
                       (corners[k + 1].E - corners[k].E) * (t - corners[k].t) / (corners[k + 1].t - corners[k].t);
        return corners.back().E;
    };
    // The flux density into the disc from a box whose centre is at height h: alpha_c c - beta_c.
    std::vector<double> kinA(static_cast<std::size_t>(onDisc)), kinB(static_cast<std::size_t>(onDisc));
    auto kinetics = [&](double E) {
        const double eta = p.nf * (E - p.E0);
        const double kred = p.ks * std::exp(-p.alpha * eta), kox = p.ks * std::exp((1 - p.alpha) * eta);
        const double g = p.D / zc[0];
        for (int i = 0; i < onDisc; ++i) {
            kinA[i] = g * (kred + kox) / (g + kred + kox);
            kinB[i] = g * kox / (g + kred + kox);
        }
    };
    std::vector<double> c(static_cast<std::size_t>(nr * nz), 1.0), half(c.size());
    std::vector<double> lo, di, up, rhs, work;
    auto solve = [&](int n) {  // Thomas algorithm on lo, di, up, rhs
        work.assign(static_cast<std::size_t>(n), 0.0);
        double beta = di[0];
        rhs[0] /= beta;
        for (int k = 1; k < n; ++k) {
            work[k] = up[k - 1] / beta;
            beta = di[k] - lo[k] * work[k];
            rhs[k] = (rhs[k] - lo[k] * rhs[k - 1]) / beta;
        }
        for (int k = n - 2; k >= 0; --k) rhs[k] -= work[k + 1] * rhs[k + 1];
    };
    // Explicit parts: the axial fluxes (with the kinetics at E) and the radial fluxes of a field.
    auto axial = [&](const std::vector<double>& f, int i, int j) {
        double s = 0.0;
        const double self = f[idx(i, j)];
        s += tz(i, j) * ((j + 1 < nz ? f[idx(i, j + 1)] : 1.0) - self);
        if (j > 0) s += tz(i, j - 1) * (f[idx(i, j - 1)] - self);
        if (j == 0 && i < onDisc) s -= area[i] * (kinA[i] * self - kinB[i]);
        return s;
    };
    auto radial = [&](const std::vector<double>& f, int i, int j) {
        double s = 0.0;
        const double self = f[idx(i, j)];
        s += tr(i, j) * ((i + 1 < nr ? f[idx(i + 1, j)] : 1.0) - self);
        if (i > 0) s += tr(i - 1, j) * (f[idx(i - 1, j)] - self);
        return s;
    };
    auto current = [&]() {
        double sum = 0.0;
        for (int i = 0; i < onDisc; ++i) sum += area[i] * (kinA[i] * c[idx(i, 0)] - kinB[i]);
        return 2 * 3.14159265358979 * 96484.6 * p.C * sum;  // n = 1
    };
    std::vector<double> out;
    double t = 0.0;
    std::size_t next = 0;
    const int steps = static_cast<int>(std::lround(tEnd / dt));
    kinetics(potential(0.0));
    for (int step = 1; step <= steps && next < samples.size(); ++step) {
        const double t1 = step * dt;
        // radial implicit, axial explicit at t
        lo.assign(static_cast<std::size_t>(nr), 0.0), di = lo, up = lo, rhs = lo;
        for (int j = 0; j < nz; ++j) {
            for (int i = 0; i < nr; ++i) {
                const double w = 2 * V[idx(i, j)] / dt;
                const double left = i > 0 ? tr(i - 1, j) : 0.0, right = tr(i, j);
                lo[i] = -left;
                up[i] = i + 1 < nr ? -right : 0.0;
                di[i] = w + left + right;
                rhs[i] = w * c[idx(i, j)] + axial(c, i, j) + (i + 1 < nr ? 0.0 : right);
            }
            solve(nr);
            for (int i = 0; i < nr; ++i) half[idx(i, j)] = rhs[i];
        }
        // axial implicit with the kinetics at t + dt, radial explicit
        kinetics(potential(t1));
        lo.assign(static_cast<std::size_t>(nz), 0.0), di = lo, up = lo, rhs = lo;
        for (int i = 0; i < nr; ++i) {
            for (int j = 0; j < nz; ++j) {
                const double w = 2 * V[idx(i, j)] / dt;
                const double below = j > 0 ? tz(i, j - 1) : 0.0, above = tz(i, j);
                lo[j] = -below;
                up[j] = j + 1 < nz ? -above : 0.0;
                di[j] = w + below + above;
                rhs[j] = w * half[idx(i, j)] + radial(half, i, j) + (j + 1 < nz ? 0.0 : above);
                if (j == 0 && i < onDisc) {
                    di[j] += area[i] * kinA[i];
                    rhs[j] += area[i] * kinB[i];
                }
            }
            solve(nz);
            for (int j = 0; j < nz; ++j) c[idx(i, j)] = rhs[j];
        }
        t = t1;
        while (next < samples.size() && samples[next] <= t + dt / 2) {
            out.push_back(current());
            ++next;
        }
    }
    return out;
}

}  // namespace talvex::testing
