#include "support/diffusion_theory.h"

#include <algorithm>
#include <cmath>

namespace talvex::testing {
namespace {

constexpr double kPi = 3.14159265358979324;

double StehfestWeight(int i, int N) {
    double V = 0;
    for (int k = (i + 1) / 2; k <= std::min(i, N / 2); ++k)
        V += std::pow(k, N / 2) * std::tgamma(2 * k + 1) /
             (std::tgamma(N / 2 - k + 1) * std::tgamma(k + 1) * std::tgamma(k) * std::tgamma(i - k + 1) *
              std::tgamma(2 * k - i + 1));
    return (i + N / 2) % 2 == 1 ? -V : V;
}

// The Aoki-Osteryoung series and where they hand over.
constexpr double kDiscSwitch = 1.1;
double DiscShort(double tau) {
    return std::sqrt(kPi) / (2 * std::sqrt(tau)) + kPi / 4 + 0.094 * std::sqrt(tau);
}
double DiscLong(double tau) {
    return 1 + 0.71835 / std::sqrt(tau) + 0.05626 * std::pow(tau, -1.5) - 0.00646 * std::pow(tau, -2.5);
}
double DiscShortIntegral(double tau) {
    return std::sqrt(kPi * tau) + kPi * tau / 4 + 0.094 * 2 / 3 * tau * std::sqrt(tau);
}
double DiscLongIntegral(double tau) {  // up to a constant
    return tau + 2 * 0.71835 * std::sqrt(tau) - 2 * 0.05626 / std::sqrt(tau) + 0.00646 * 2 / 3 * std::pow(tau, -1.5);
}

}  // namespace

double CylinderStepTheory(double tau) {
    constexpr int N = 14;
    double sum = 0;
    const double l = std::log(2.0) / tau;
    for (int i = 1; i <= N; ++i) {
        const double x = std::sqrt(i * l);
        const double ratio =
            x > 600 ? 1 + 1 / (2 * x) - 3 / (8 * x * x) : std::cyl_bessel_k(1.0, x) / std::cyl_bessel_k(0.0, x);
        sum += StehfestWeight(i, N) * (ratio - 1) / x;
    }
    return sum * l + 1 / std::sqrt(kPi * tau);
}

double DiscStepTheory(double tau) {
    return tau <= kDiscSwitch ? DiscShort(tau) : DiscLong(tau);
}

double DiscStepTheoryIntegral(double tau) {
    if (tau <= kDiscSwitch) return DiscShortIntegral(tau);
    return DiscShortIntegral(kDiscSwitch) + DiscLongIntegral(tau) - DiscLongIntegral(kDiscSwitch);
}

double BandStepTheory(double theta) {
    return theta <= 0.4 ? 1 / std::sqrt(kPi * theta) + 1 : kPi * CylinderStepTheory(16 * theta);
}

StepResponse PlaneResponse(double D) {
    return {[D](double u) { return std::sqrt(D / (kPi * u)); }, [D](double u) { return 2 * std::sqrt(D * u / kPi); }};
}

StepResponse SphereResponse(double D, double r) {
    return {[D, r](double u) { return std::sqrt(D / (kPi * u)) + D / r; },
            [D, r](double u) { return 2 * std::sqrt(D * u / kPi) + D * u / r; }};
}

StepResponse DiscResponse(double D, double a) {
    // flux 4 D/(pi a) f(tau); charge a/pi F(tau), tau = 4 D u / a^2
    return {[D, a](double u) { return 4 * D / (kPi * a) * DiscStepTheory(4 * D * u / (a * a)); },
            [D, a](double u) { return u > 0 ? a / kPi * DiscStepTheoryIntegral(4 * D * u / (a * a)) : 0.0; }};
}

std::vector<double> DuhamelCurrents(const StepResponse& response, const std::vector<double>& times,
                                    const std::vector<double>& potentials, double nf, double E0,
                                    const std::vector<double>& at) {
    std::vector<double> P(times.size());
    for (std::size_t k = 0; k < times.size(); ++k) P[k] = 1 / (1 + std::exp(nf * (potentials[k] - E0)));
    std::vector<double> out;
    for (const double t : at) {
        const auto n =
            static_cast<std::size_t>(std::upper_bound(times.begin(), times.end(), t * (1 + 1e-12)) - times.begin()) - 1;
        double sum = P[0] * response.flux(times[n]);
        for (std::size_t k = 1; k <= n; ++k)
            sum += (P[k] - P[k - 1]) / (times[k] - times[k - 1]) *
                   (response.charge(times[n] - times[k - 1]) - response.charge(times[n] - times[k]));
        out.push_back(sum);
    }
    return out;
}

namespace {

// One run of the cell on a grid of dx and in steps `split` times as many as the programme's.
std::vector<double> RunCell(const PlanarCell& cell, const std::vector<Segment>& programme, double dx, int split) {
    const double length = cell.wall > 0 ? cell.wall : 6 * std::sqrt(cell.D * cell.span);
    const int M = std::max(4, static_cast<int>(std::ceil(length / dx)));
    const double h = length / M;
    const auto size = static_cast<std::size_t>(M) + 1;
    std::vector<double> V(size, h), O(size, cell.Co), R(size, cell.Cr), rhs(size), diag(size), unitO(size);
    V[0] = h / 2;
    if (cell.wall > 0) V[size - 1] = h / 2;
    const double g = cell.D / h;
    std::vector<double> out;
    double lastDt = -1;
    // Thomas elimination of the constant matrix of one step length: diag holds the eliminated
    // diagonal; `solve` runs the right-hand side through it in place.
    auto factor = [&](double dt) {
        for (std::size_t i = 0; i < size; ++i) {
            const bool last = i + 1 == size;
            if (last && cell.wall <= 0) {
                diag[i] = 1;  // held at the bulk
                continue;
            }
            double d = V[i] + dt * g * ((i > 0 ? 1 : 0) + (last ? 0 : 1));
            if (i > 0) d -= (dt * g) * (dt * g) / diag[i - 1];
            diag[i] = d;
        }
    };
    auto solve = [&](double dt, std::vector<double>& b) {
        for (std::size_t i = 1; i < size; ++i) {
            const bool last = i + 1 == size;
            if (last && cell.wall <= 0) continue;
            b[i] += dt * g * b[i - 1] / diag[i - 1];
        }
        for (std::size_t i = size; i-- > 0;) {
            const bool last = i + 1 == size;
            if (last && cell.wall <= 0) continue;
            const double upper = last ? 0.0 : dt * g * b[i + 1];
            b[i] = (b[i] + upper) / diag[i];
        }
    };
    for (const Segment& s : programme) {
        const int steps = s.steps * split;
        const double dt = s.duration / steps;
        if (dt != lastDt) {
            factor(dt);
            std::fill(unitO.begin(), unitO.end(), 0.0);
            unitO[0] = dt;  // the response of the field to a unit flux out of the surface node
            solve(dt, unitO);
            lastDt = dt;
        }
        for (int k = 1; k <= steps; ++k) {
            const double E = s.Estart + (s.Eend - s.Estart) * k / steps;
            const double eta = cell.f * (E - cell.E0);
            const double kred = cell.ks * std::exp(-cell.alpha * eta), kox = cell.ks * std::exp((1 - cell.alpha) * eta);
            for (std::size_t i = 0; i < size; ++i) rhs[i] = V[i] * O[i];
            if (cell.wall <= 0) rhs[size - 1] = cell.Co;
            solve(dt, rhs);
            O.swap(rhs);
            for (std::size_t i = 0; i < size; ++i) rhs[i] = V[i] * R[i];
            if (cell.wall <= 0) rhs[size - 1] = cell.Cr;
            solve(dt, rhs);
            R.swap(rhs);
            // O = a - unit F, R = a + unit F; F = kred O(0) - kox R(0)
            const double F = (kred * O[0] - kox * R[0]) / (1 + (kred + kox) * unitO[0]);
            for (std::size_t i = 0; i < size; ++i) {
                O[i] -= unitO[i] * F;
                R[i] += unitO[i] * F;
            }
            if ((s.record && k % split == 0) || k == steps) out.push_back(F);
        }
    }
    return out;
}

}  // namespace

std::vector<double> SolvePlanarCell(const PlanarCell& cell, const std::vector<Segment>& programme) {
    const std::vector<double> a = RunCell(cell, programme, cell.dx, 1), b = RunCell(cell, programme, cell.dx, 2),
                              c = RunCell(cell, programme, cell.dx / 2, 2);
    std::vector<double> out(a.size());
    // a = U + x + t, b = U + x + t/2, c = U + x/4 + t/2
    for (std::size_t i = 0; i < a.size(); ++i) out[i] = c[i] - (b[i] - c[i]) / 3 - (a[i] - b[i]);
    return out;
}

}  // namespace talvex::testing
