#pragma once

#include <cmath>
#include <vector>

// Published theory of the inlaid microdisc, written here independently of the simulation.
//
// Diffusion-limited chronoamperometry, I = 4nFDCa f(tau), tau = 4Dt/a^2:
// - Aoki & Osteryoung (J. Electroanal. Chem. 122 (1981) 19; 160 (1984) 335): the short-time series
//   f = sqrt(pi)/(2 sqrt(tau)) + pi/4 + 0.094 sqrt(tau) and the long-time series
//   f = 1 + 0.71835 tau^-1/2 + 0.05626 tau^-3/2 - 0.00646 tau^-5/2; each is accurate to about
//   0.1 % on its side of tau ~ 1, where the two meet (they differ by 0.2 % at most between 0.9
//   and 1.3).
// - Shoup & Szabo (J. Electroanal. Chem. 140 (1982) 237): one expression for all times,
//   f = 0.7854 + 0.8862 tau^-1/2 + 0.2146 exp(-0.7823 tau^-1/2), within 0.6 % of the series.
//
// A reversible couple with equal diffusion coefficients keeps the same surface concentration
// all over the disc (the Nernst ratio), so any potential programme's current is the Duhamel
// superposition of the diffusion-limited step response with the programme's surface deficit.
namespace talvex::testing {

inline constexpr double kDiscPi = 3.14159265358979;

inline double AokiOsteryoungShort(double tau) {
    const double s = std::sqrt(tau);
    return std::sqrt(kDiscPi) / (2 * s) + kDiscPi / 4 + 0.094 * s;
}

inline double AokiOsteryoungLong(double tau) {
    const double s = 1 / std::sqrt(tau);
    return 1 + 0.71835 * s + 0.05626 * s * s * s - 0.00646 * s * s * s * s * s;
}

// Where the two series meet (found by bisection, near tau = 1.1).
inline double AokiOsteryoungCrossing() {
    double lo = 0.8, hi = 1.5;
    for (int k = 0; k < 60; ++k) {
        const double mid = (lo + hi) / 2;
        (AokiOsteryoungShort(mid) < AokiOsteryoungLong(mid) ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

inline double AokiOsteryoung(double tau) {
    static const double crossing = AokiOsteryoungCrossing();
    return tau < crossing ? AokiOsteryoungShort(tau) : AokiOsteryoungLong(tau);
}

inline double ShoupSzabo(double tau) {
    const double s = 1 / std::sqrt(tau);
    return 0.7854 + 0.8862 * s + 0.2146 * std::exp(-0.7823 * s);
}

// The oxidant's surface deficit c(bulk) - c(surface) of a Nernstian couple O + ne = R with equal
// diffusion coefficients, at potential E (nf = nF/RT).
struct NernstDeficit {
    double Co, Cr, E0, nf;
    double operator()(double E) const {
        const double theta = std::exp(nf * (E - E0));
        return Co - (Co + Cr) * theta / (1 + theta);
    }
    double Slope(double E) const {  // d(deficit)/dE
        const double theta = std::exp(nf * (E - E0));
        return -(Co + Cr) * nf * theta / ((1 + theta) * (1 + theta));
    }
};

// f(tau) of the step response, with tau = 4 D t / a^2.
struct DiscStep {
    double D, a;
    double operator()(double t) const { return AokiOsteryoung(4 * D * t / (a * a)); }
};

// The current (per 4nFDa) at time t after the potential steps to steps[i].E at times steps[i].t
// (the first from the bulk at t = 0): the sum of each step's deficit change times f.
struct PotentialStep {
    double t, E;
};
inline double DuhamelSteps(const DiscStep& f, const NernstDeficit& deficit, const std::vector<PotentialStep>& steps,
                           double t) {
    double sum = 0.0, before = 0.0;
    for (const PotentialStep& s : steps) {
        if (s.t >= t) break;
        const double now = deficit(s.E);
        sum += (now - before) * f(t - s.t);
        before = now;
    }
    return sum;
}

// The same for a potential that is held at E(0) from t = 0 and then runs linearly between the
// given corners (times ascending): the step at t = 0 plus the integral of f(t - s) times the
// deficit's rate of change. The integrand is taken in w = sqrt(t - s), which removes f's
// t^-1/2 singularity, by 8-point Gauss-Legendre on `panels` pieces of every linear stretch, split
// where f changes series.
inline double DuhamelRamp(const DiscStep& f, const NernstDeficit& deficit, const std::vector<PotentialStep>& corners,
                          double t, int panels = 4) {
    static const double node[4] = {0.1834346424956498, 0.5255324099163290, 0.7966664774136267, 0.9602898564975363};
    static const double weight[4] = {0.3626837833783620, 0.3137066245492149, 0.2223810344533745, 0.1012285362903763};
    const double wSwitch = std::sqrt(AokiOsteryoungCrossing() * f.a * f.a / (4 * f.D));
    double sum = deficit(corners.front().E) * f(t);
    for (std::size_t i = 0; i + 1 < corners.size(); ++i) {
        const double s0 = corners[i].t, s1 = std::min(corners[i + 1].t, t);
        if (s0 >= t) break;
        if (s1 <= s0) continue;
        const double slopeE = (corners[i + 1].E - corners[i].E) / (corners[i + 1].t - corners[i].t);
        if (slopeE == 0.0) continue;
        auto integrand = [&](double w) {
            const double s = t - w * w;
            const double E = corners[i].E + slopeE * (s - s0);
            return f(w * w) * deficit.Slope(E) * slopeE * 2 * w;
        };
        auto integrate = [&](double w0, double w1) {
            double total = 0.0;
            for (int p = 0; p < panels; ++p) {
                const double a = w0 + (w1 - w0) * p / panels, b = w0 + (w1 - w0) * (p + 1) / panels;
                const double mid = (a + b) / 2, half = (b - a) / 2;
                for (int k = 0; k < 4; ++k)
                    total += half * weight[k] * (integrand(mid - half * node[k]) + integrand(mid + half * node[k]));
            }
            return total;
        };
        const double w0 = std::sqrt(t - s1), w1 = std::sqrt(t - s0);
        if (wSwitch > w0 && wSwitch < w1)
            sum += integrate(w0, wSwitch) + integrate(wSwitch, w1);
        else
            sum += integrate(w0, w1);
    }
    return sum;
}

// Catalytic regeneration (A + ne = B, B -> A at k, equal diffusion coefficients): A + B stays at
// the bulk value everywhere, and B obeys diffusion with first-order decay from a disc held at the
// bulk value. Danckwerts' transformation (Trans. Faraday Soc. 46 (1950) 300) gives its current
// from the plain step response: f_k(t) = k integral_0^t f(t') e^(-k t') dt' + f(t) e^(-k t). The
// integral is taken in w = sqrt(t'), which removes f's singular start.
inline double DanckwertsStep(const DiscStep& f, double k, double t, int panels = 64) {
    static const double node[4] = {0.1834346424956498, 0.5255324099163290, 0.7966664774136267, 0.9602898564975363};
    static const double weight[4] = {0.3626837833783620, 0.3137066245492149, 0.2223810344533745, 0.1012285362903763};
    const double wSwitch = std::sqrt(AokiOsteryoungCrossing() * f.a * f.a / (4 * f.D));
    auto integrand = [&](double w) { return f(w * w) * std::exp(-k * w * w) * 2 * w; };
    auto integrate = [&](double w0, double w1) {
        double total = 0.0;
        for (int p = 0; p < panels; ++p) {
            const double a = w0 + (w1 - w0) * p / panels, b = w0 + (w1 - w0) * (p + 1) / panels;
            const double mid = (a + b) / 2, half = (b - a) / 2;
            for (int i = 0; i < 4; ++i)
                total += half * weight[i] * (integrand(mid - half * node[i]) + integrand(mid + half * node[i]));
        }
        return total;
    };
    const double w1 = std::sqrt(t);
    const double integral = wSwitch < w1 ? integrate(0, wSwitch) + integrate(wSwitch, w1) : integrate(0, w1);
    return k * integral + f(t) * std::exp(-k * t);
}

}  // namespace talvex::testing
