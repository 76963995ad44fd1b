#include "simulation/diffusion_field.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "digital/band_geometry.h"

namespace talvex {
namespace {

constexpr double kPiExact = 3.14159265358979324;
constexpr double kRootPi = 1.7724538509055159;

// Fields without closed-form jump responses are tabulated once from their Laplace transforms
// (Stehfest's inversion with 14 terms, good to about 1e-6 of their size) at tau = perTime u from
// 1e-10 to 1e10, 40 points a decade, and interpolated by cubics in log tau.
constexpr int kDecades = 20, kPerDecade = 40, kPoints = kDecades * kPerDecade + 1;
constexpr double kFirstLog = -10.0;
constexpr int kStehfestTerms = 14;

double StehfestWeight(int i) {
    constexpr int N = kStehfestTerms;
    double sum = 0;
    for (int k = (i + 1) / 2; k <= std::min(i, N / 2); ++k)
        sum += std::pow(k, N / 2) * std::tgamma(2 * k + 1) /
               (std::tgamma(N / 2 - k + 1) * std::tgamma(k + 1) * std::tgamma(k) * std::tgamma(i - k + 1) *
                std::tgamma(2 * k - i + 1));
    return ((i + N / 2) % 2 == 1 ? -1 : 1) * sum;
}

double TableTau(int p) {
    return std::pow(10.0, kFirstLog + static_cast<double>(p) / kPerDecade);
}

// The tables of one field: the inverse transforms of the functions `transform` gives at s, each
// divided by tau where `perTau` says so.
template <int Count, typename Transform>
std::vector<std::vector<double>> Tabulate(Transform transform, const bool (&perTau)[Count]) {
    double V[kStehfestTerms + 1] = {};
    for (int i = 1; i <= kStehfestTerms; ++i) V[i] = StehfestWeight(i);
    std::vector<std::vector<double>> g(Count, std::vector<double>(kPoints));
    for (int p = 0; p < kPoints; ++p) {
        const double tau = TableTau(p);
        const double l = std::log(2.0) / tau;
        double sum[Count] = {};
        for (int i = 1; i <= kStehfestTerms; ++i) {
            double value[Count];
            transform(i * l, value);
            for (int k = 0; k < Count; ++k) sum[k] += V[i] * value[k];
        }
        for (int k = 0; k < Count; ++k) g[k][static_cast<std::size_t>(p)] = sum[k] * l / (perTau[k] ? tau : 1.0);
    }
    return g;
}

// A tabulated function at tau; below the table its short-time limit.
double Interpolate(const std::vector<double>& g, double tau, double shortLimit) {
    const double x = tau > 0 ? (std::log10(tau) - kFirstLog) * kPerDecade : -1.0;
    if (x <= 0) return shortLimit;
    const int i = std::clamp(static_cast<int>(x), 1, kPoints - 3);
    const double t = std::min(x - i, 2.0);
    const auto I = static_cast<std::size_t>(i);
    const double a = g[I - 1], b = g[I], c = g[I + 1], d = g[I + 2];
    return b + t * ((c - a) / 2 + t * ((2 * a - 5 * b + 4 * c - d) / 2 + t * (3 * (b - c) + d - a) / 2));
}

// e^-x I_nu(x) and e^x K_nu(x), nu = 0 or 1: past x = 700, where the plain functions leave the
// double range, their asymptotic series, good to rounding out there.
struct ScaledBessel {
    double i0, i1, k0, k1;
};
ScaledBessel Bessel(double x) {
    if (x > 700) {
        const double y = 1 / (8 * x);
        // (4 nu^2 - 1)(4 nu^2 - 9)... / k! (8x)^k
        auto series = [&](double mu, double sign) {
            double term = 1, sum = 1;
            for (int k = 1; k <= 5; ++k) {
                const double odd = 2 * k - 1;
                term *= sign * (mu - odd * odd) * y / k;
                sum += term;
            }
            return sum;
        };
        const double i = 1 / std::sqrt(2 * kPiExact * x), k = std::sqrt(kPiExact / (2 * x));
        return {i * series(0, -1), i * series(4, -1), k * series(0, 1), k * series(4, 1)};
    }
    const double down = std::exp(-x), up = std::exp(x);
    return {down * std::cyl_bessel_i(0.0, x), down * std::cyl_bessel_i(1.0, x), up * std::cyl_bessel_k(0.0, x),
            up * std::cyl_bessel_k(1.0, x)};
}

// The cylinder, from the Laplace transforms in x = sqrt(s) (tau = D t / r^2):
// - the correction g to the plane's kernel of the surface deficit: the inverse of
//   K0(x)/(x K1(x)) - 1/x; -1/2 at short times, -1/sqrt(pi tau) at long ones;
// - the correction c to the plane's current after a unit jump of the deficit: the inverse of
//   (K1(x)/K0(x) - 1)/x; 1/2 at short times;
// - its integral C over time divided by tau: 1/2 at short times.
enum CylinderFunction { kKernel, kJumpFlux, kJumpCharge, kCylinderFunctions };

const std::vector<double>& CylinderTable(CylinderFunction which) {
    static const auto tables = [] {
        const bool perTau[kCylinderFunctions] = {false, false, true};
        return Tabulate<kCylinderFunctions>(
            [](double s, double* value) {
                const double x = std::sqrt(s);
                const ScaledBessel b = Bessel(x);
                const double ratio = b.k0 / b.k1;
                value[kKernel] = (ratio - 1) / x;
                value[kJumpFlux] = (1 / ratio - 1) / x;
                value[kJumpCharge] = (1 / ratio - 1) / (x * s);
            },
            perTau);
    }();
    return tables[which];
}

double Cylinder(CylinderFunction which, double tau) {
    if (which == kKernel && tau >= TableTau(kPoints - 1)) return -1 / std::sqrt(kPiExact * tau);
    return Interpolate(CylinderTable(which), tau, which == kKernel ? -0.5 : 0.5);
}

// The band's field (digital/band_geometry.h), in units of r0 = w/4.
constexpr double kBandSector = band::kSector;
constexpr double kBandHemicylinder = band::kHemicylinder;

// Both segments are cylindrical, so the Laplace transform of the flux after a unit jump is exact in
// Bessel functions: K0 in the hemicylinder, I0 and K0 in the sector, matched where they meet.
enum BandFunction { kBandJumpFlux, kBandJumpCharge, kBandFunctions };

const std::vector<double>& BandTable(BandFunction which) {
    static const auto tables = [] {
        const bool perTau[kBandFunctions] = {false, true};
        return Tabulate<kBandFunctions>(
            [](double s, double* value) {
                const double q = std::sqrt(s);
                const double rho0 = 2, rho1 = 2 + kBandSector, outer = kBandSector + kBandHemicylinder;
                const ScaledBessel b2 = Bessel(q * outer), b1 = Bessel(q * rho1), b0 = Bessel(q * rho0);
                const double slope = -q * b2.k1 / b2.k0;  // c'/c where the segments meet
                // c = R I0(q rho) + K0(q rho) in the sector, R = the scaled ratio below times e^(-2 q rho1)
                const double R = (q * b1.k1 + slope * b1.k0) / (q * b1.i1 - slope * b1.i0);
                const double e = std::exp(2 * q * (rho0 - rho1));
                const double flux = q * (b0.k1 - R * e * b0.i1) / (b0.k0 + R * e * b0.i0);  // -c'/c at the band
                const double beyond = (flux - q) / s;                                       // less the plane's
                value[kBandJumpFlux] = beyond;
                value[kBandJumpCharge] = beyond / s;
            },
            perTau);
    }();
    return tables[which];
}

// Mahon and Oldham's disc transient over pi n F D C a at T = D t / a^2, less the plane's 1/sqrt(pi T):
// the flux after a unit jump of I is (sqrt(D)/a) (1/sqrt(pi T) + DiscShare(T)). Their short- and
// long-time expressions meet at T = 1.281 (within 3e-5).
constexpr double kDiscCrossover = 1.281;

double DiscShare(double T) {
    if (T <= kDiscCrossover) return 1 + std::sqrt(T / (4 * kPiExact)) - 3 * T / 25 + 3 * T * std::sqrt(T) / 226;
    const double r = 1 / std::sqrt(T), r2 = r * r;
    return 4 / kPiExact + 8 * r / std::sqrt(std::pow(kPiExact, 5)) +
           r * r2 * (25.0 / 2792 - r2 * (1.0 / 3880 + r2 / 4500)) - r / kRootPi;
}

// Its integral over T.
double DiscShareIntegral(double T) {
    auto shortTimes = [](double x) {
        const double root = std::sqrt(x);
        return x + x * root / (3 * kRootPi) - 3 * x * x / 50 + 3 * x * x * root / 565;
    };
    if (T <= kDiscCrossover) return shortTimes(T);
    auto longTimes = [](double x) {
        const double root = std::sqrt(x), r = 1 / root, r2 = r * r;
        return 4 * x / kPiExact + 16 * root / std::sqrt(std::pow(kPiExact, 5)) - 25 * r / 1396 + r * r2 / 5820 +
               r * r2 * r2 / 11250 - 2 * root / kRootPi;
    };
    return shortTimes(kDiscCrossover) + longTimes(T) - longTimes(kDiscCrossover);
}

// A film of thickness L on the electrode with a wall behind it (tau = D t / L^2): images of the
// electrode at every 2 L. Short times as sums over the images, long ones over the film's modes, each
// summed while its terms still count (exp(-m^2/tau) or exp(-k^2 tau) above 1e-18).
constexpr double kFilmSwitch = 0.5;
constexpr double kFilmNegligible = 41.5;  // -ln 1e-18

double FilmShare(double tau) {  // beyond the plane's 1/sqrt(pi tau), after a unit jump
    double sum = 0;
    if (tau <= kFilmSwitch) {
        for (int m = 1; m * m <= kFilmNegligible * tau; ++m) sum += (m % 2 == 1 ? -2 : 2) * std::exp(-m * m / tau);
        return sum / std::sqrt(kPiExact * tau);
    }
    for (int m = 0;; ++m) {
        const double k = (m + 0.5) * kPiExact;
        if (k * k * tau > kFilmNegligible) break;
        sum += 2 * std::exp(-k * k * tau);
    }
    return sum - 1 / std::sqrt(kPiExact * tau);
}

double FilmShareIntegral(double tau) {
    double sum = 0;
    if (tau <= kFilmSwitch) {
        const double root = std::sqrt(tau);
        for (int m = 1; m * m <= kFilmNegligible * tau; ++m)
            sum += (m % 2 == 1 ? -2 : 2) * (2 * root / kRootPi * std::exp(-m * m / tau) - 2 * m * std::erfc(m / root));
        return sum;
    }
    for (int m = 0;; ++m) {
        const double k = (m + 0.5) * kPiExact;
        if (k * k * tau > kFilmNegligible) break;
        sum += 2 * std::exp(-k * k * tau) / (k * k);
    }
    return 1 - sum - 2 * std::sqrt(tau) / kRootPi;
}

}  // namespace

DiffusionField::DiffusionField(FieldShape shape, double D, double size) : shape_(shape) {
    if (shape == FieldShape::Plane) return;
    scale_ = std::sqrt(D) / size;
    perTime_ = D / (size * size);
}

double DiffusionField::JumpFlux(double u) const {
    const double tau = perTime_ * u;
    switch (shape_) {
        case FieldShape::Plane:
            return 0.0;
        case FieldShape::Sphere:
            return scale_;
        case FieldShape::Cylinder:
            return scale_ * Cylinder(kJumpFlux, tau);
        case FieldShape::Disc:
            return scale_ * DiscShare(tau);
        case FieldShape::Band:
            return scale_ * Interpolate(BandTable(kBandJumpFlux), tau, 0.25);
        case FieldShape::Film:
            return scale_ * FilmShare(tau);
    }
    return 0.0;
}

double DiffusionField::JumpCharge(double u) const {
    const double tau = perTime_ * u;
    switch (shape_) {
        case FieldShape::Plane:
            return 0.0;
        case FieldShape::Sphere:
            return scale_ * u;
        case FieldShape::Cylinder:
            return scale_ * u * Cylinder(kJumpCharge, tau);
        case FieldShape::Disc:
            return DiscShareIntegral(tau) / scale_;
        case FieldShape::Band:
            return scale_ * u * Interpolate(BandTable(kBandJumpCharge), tau, 0.25);
        case FieldShape::Film:
            return FilmShareIntegral(tau) / scale_;
    }
    return 0.0;
}

double DiffusionField::Kernel(double u) const {
    const double tau = perTime_ * u;
    switch (shape_) {
        case FieldShape::Cylinder:
            return scale_ * Cylinder(kKernel, tau);
        default:
            return 0.0;
    }
}

double DiscStepCurrent(double tau) {
    const double T = tau / 4;
    return kPiExact / 4 * (1 / std::sqrt(kPiExact * T) + DiscShare(T));
}

double CylinderStepCurrent(double tau) {
    return 1 / std::sqrt(kPiExact * tau) + Cylinder(kJumpFlux, tau);
}

double BandStepCurrent(double theta) {
    // In units of r0 = w/4: tau = 16 theta, and the flux per unit of I is (sqrt(D)/r0)(...) = 4 (sqrt(D)/w)(...).
    const double tau = 16 * theta;
    return 4 * (1 / std::sqrt(kPiExact * tau) + Interpolate(BandTable(kBandJumpFlux), tau, 0.25));
}

}  // namespace talvex
