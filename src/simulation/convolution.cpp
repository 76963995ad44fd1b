#include "simulation/convolution.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/checked_math.h"
#include "core/constants.h"
#include "digital/gauss_legendre.h"
#include "digital/ohmic_drop.h"

namespace talvex {
namespace {

constexpr double kTwoOverRootPi = 1.1283791670955126;  // 2 / sqrt(pi)

// Weights of the flux on one interval [t_j-1, t_j] in the convolution at a later node t_n, with
// a = t_n - t_j and b = t_n - t_j-1: `prev` and `cur` multiply the flux at the interval's ends
// when it runs linearly between them, `whole` a flux that is constant over the interval.
struct IntervalWeights {
    double prev, cur, whole;
};

// Kernel 1/sqrt(pi u), in closed form; written without differences of nearly equal roots, so the
// weights of the distant past keep their precision.
IntervalWeights PlanarWeights(double a, double b) {
    const double s = std::sqrt(a), r = std::sqrt(b), d = r + s, w = b - a;
    const double third = kTwoOverRootPi / 3 * w / (d * d);
    return {third * (r + 2 * s), third * (2 * r + s), kTwoOverRootPi * w / d};
}

// Kernel exp(-k u)/sqrt(pi u): with u = x^2 the integrand is smooth, and eight-point
// Gauss-Legendre on pieces over which k u rises by at most 2 integrates it to rounding; past a
// rise of 40 nothing is left.
IntervalWeights CatalyticWeights(double k, double a, double b) {
    const double w = b - a;
    double prev = 0, cur = 0, whole = 0;
    double from = std::sqrt(a);
    const double top = std::sqrt(b);
    for (double rise = 2.0; from < top; rise += 2.0) {
        const double to = k * (b - a) <= rise ? top : std::min(top, std::sqrt(a + rise / k));
        const double mid = (from + to) / 2, half = (to - from) / 2;
        for (int i = 0; i < 4; ++i) {
            for (const double x : {mid - half * kGaussNode[i], mid + half * kGaussNode[i]}) {
                const double u = x * x;
                const double g = half * kGaussWeight[i] * std::exp(-k * u);
                whole += g;
                prev += g * (u - a) / w;  // the flux at the interval's start lies at u = b
                cur += g * (b - u) / w;
            }
        }
        if (rise >= 40.0) break;
        from = to;
    }
    return {kTwoOverRootPi * prev, kTwoOverRootPi * cur, kTwoOverRootPi * whole};
}

// A cylinder of radius r has no closed-form kernels, only Laplace transforms in Bessel functions
// of x = r sqrt(s/D). Three functions of tau = D t/r^2 are tabulated once (Stehfest's inversion
// with 14 terms, good to about 1e-6 of their size) from tau = 1e-10 to 1e10, 40 points a decade,
// and interpolated by cubics in log tau:
// - the correction g to the plane's kernel of the surface deficit, 1/sqrt(pi t) + (sqrt(D)/r) g:
//   the inverse of K0(x)/(sqrt(s) K1(x)) - 1/sqrt(s); -1/2 at short times, -1/sqrt(pi tau) +
//   1/(2 tau) at long ones (the remainder is the log in K0: small, but its integral keeps the
//   current of a thin wire falling);
// - the correction c to the plane's current after a unit jump of the deficit,
//   1/sqrt(pi t) + (sqrt(D)/r) c: the inverse of (K1(x)/K0(x) - 1)/sqrt(s); 1/2 at short times;
// - its integral over time divided by tau, C/tau: 1/2 at short times.
constexpr int kCylinderDecades = 20, kCylinderPerDecade = 40,
              kCylinderPoints = kCylinderDecades * kCylinderPerDecade + 1;
constexpr double kCylinderFirstLog = -10.0;

double BesselRatio(double x) {  // K0(x) / K1(x)
    if (x > 700) {              // both underflow: their asymptotic series, good to rounding out here
        const double y = 1 / x;
        const double k0 = 1 + y * (-1.0 / 8 + y * (9.0 / 128 + y * (-225.0 / 3072 + y * 11025.0 / 98304)));
        const double k1 = 1 + y * (3.0 / 8 + y * (-15.0 / 128 + y * (315.0 / 3072 - y * 14175.0 / 98304)));
        return k0 / k1;
    }
    return std::cyl_bessel_k(0.0, x) / std::cyl_bessel_k(1.0, x);
}

enum CylinderFunction { kKernel, kJumpFlux, kJumpCharge, kCylinderFunctions };

const std::vector<double>& CylinderTable(CylinderFunction which) {
    static const auto tables = [] {
        constexpr int N = 14;
        double V[N + 1] = {};
        for (int i = 1; i <= N; ++i) {
            double sum = 0;
            for (int k = (i + 1) / 2; k <= std::min(i, N / 2); ++k)
                sum += std::pow(k, N / 2) * std::tgamma(2 * k + 1) /
                       (std::tgamma(N / 2 - k + 1) * std::tgamma(k + 1) * std::tgamma(k) * std::tgamma(i - k + 1) *
                        std::tgamma(2 * k - i + 1));
            V[i] = ((i + N / 2) % 2 == 1 ? -1 : 1) * sum;
        }
        std::vector<std::vector<double>> g(kCylinderFunctions, std::vector<double>(kCylinderPoints));
        for (int p = 0; p < kCylinderPoints; ++p) {
            const double tau = std::pow(10.0, kCylinderFirstLog + static_cast<double>(p) / kCylinderPerDecade);
            const double l = std::log(2.0) / tau;
            double sum[kCylinderFunctions] = {};
            for (int i = 1; i <= N; ++i) {
                const double s = i * l, x = std::sqrt(s), ratio = BesselRatio(x);
                sum[kKernel] += V[i] * (ratio - 1) / x;
                sum[kJumpFlux] += V[i] * (1 / ratio - 1) / x;
                sum[kJumpCharge] += V[i] * (1 / ratio - 1) / (x * s);
            }
            const auto at = static_cast<std::size_t>(p);
            g[kKernel][at] = sum[kKernel] * l;
            g[kJumpFlux][at] = sum[kJumpFlux] * l;
            g[kJumpCharge][at] = sum[kJumpCharge] * l / tau;
        }
        return g;
    }();
    return tables[which];
}

double Cylinder(CylinderFunction which, double tau) {
    const double x = tau > 0 ? (std::log10(tau) - kCylinderFirstLog) * kCylinderPerDecade : -1.0;
    if (which == kKernel && x >= kCylinderPoints - 1) return -1 / std::sqrt(kPi * tau) + 1 / (2 * tau);
    const std::vector<double>& g = CylinderTable(which);
    if (x <= 0) return which == kKernel ? -0.5 : 0.5;
    const int i = std::clamp(static_cast<int>(x), 1, kCylinderPoints - 3);
    const double t = std::min(x - i, 2.0);
    const auto I = static_cast<std::size_t>(i);
    const double a = g[I - 1], b = g[I], c = g[I + 1], d = g[I + 2];
    return b + t * ((c - a) / 2 + t * ((2 * a - 5 * b + 4 * c - d) / 2 + t * (3 * (b - c) + d - a) / 2));
}

// What the convolution of an interval weighs: the plane's kernel, the catalytic one with rate
// `rate`, or the cylinder's correction to the plane with scale sqrt(D)/r and D/r^2.
struct KernelShape {
    double rate = 0;
    double scale = 0, perTime = 0;
};

// The cylinder's correction is smooth in log u but changes over D u/r^2 ~ 1, which may lie deep
// inside an interval that starts at 0: eight-point Gauss-Legendre on pieces that halve towards the
// interval's start, down to a millionth of the time scale r^2/D.
IntervalWeights CylinderWeights(const KernelShape& k, double a, double b) {
    const double w = b - a, floor = 1e-6 / k.perTime;
    double prev = 0, cur = 0, whole = 0;
    double hi = b;
    while (hi > a) {
        const double lo = hi - a > 2 * floor && hi / 2 > a ? hi / 2 : a;
        const double mid = (lo + hi) / 2, half = (hi - lo) / 2;
        for (int i = 0; i < 4; ++i)
            for (const double u : {mid - half * kGaussNode[i], mid + half * kGaussNode[i]}) {
                const double g = half * kGaussWeight[i] * k.scale * Cylinder(kKernel, k.perTime * u);
                whole += g;
                prev += g * (u - a) / w;
                cur += g * (b - u) / w;
            }
        hi = lo;
    }
    return {prev, cur, whole};
}

IntervalWeights Weights(const KernelShape& k, double a, double b) {
    if (k.scale > 0) return CylinderWeights(k, a, b);
    return k.rate > 0 ? CatalyticWeights(k.rate, a, b) : PlanarWeights(a, b);
}

// The weight tables of a uniform grid of step h: the convolution at node n is
// self * f(n) + sum over 2 <= i < n of comb[n - i] f(i) + first[n - 1] f(1).
void Tables(const KernelShape& k, double h, int nodes, std::vector<double>& comb, std::vector<double>& first) {
    comb.assign(static_cast<std::size_t>(nodes) + 1, 0.0);
    first.assign(static_cast<std::size_t>(nodes) + 1, 0.0);
    IntervalWeights before{};
    for (int m = 0; m <= nodes; ++m) {
        const IntervalWeights w = Weights(k, m * h, (m + 1) * h);
        const auto i = static_cast<std::size_t>(m);
        comb[i] = w.cur + (m > 0 ? before.prev : 0.0);
        first[i] = w.whole + (m > 0 ? before.prev : 0.0);
        before = w;
    }
}

// The convolution's history at node n (all but the node's own flux) and the weight of the node's
// own flux, on a uniform grid from the tables or on any grid from the node times.
struct History {
    double self, sum;
};

History Convolve(const std::vector<double>& f, int n, bool uniform, const std::vector<double>& comb,
                 const std::vector<double>& first, const KernelShape& k, const std::vector<double>& t) {
    if (uniform) {
        const double* c = comb.data();
        const double* v = f.data();
        double sum = first[static_cast<std::size_t>(n - 1)] * v[1];
        for (int i = 2; i < n; ++i) sum += c[n - i] * v[i];
        return {n >= 2 ? c[0] : first[0], n >= 2 ? sum : 0.0};
    }
    const double tn = t[static_cast<std::size_t>(n)];
    if (n == 1) return {Weights(k, 0, tn - t[0]).whole, 0.0};
    double sum = Weights(k, tn - t[1], tn - t[0]).whole * f[1];
    double self = 0;
    for (int j = 2; j <= n; ++j) {
        const auto J = static_cast<std::size_t>(j);
        const IntervalWeights w = Weights(k, tn - t[J], tn - t[J - 1]);
        sum += w.prev * f[J - 1];
        if (j < n)
            sum += w.cur * f[J];
        else
            self = w.cur;
    }
    return {self, sum};
}

// kred and kox of a couple at potential E, both divided by the larger of the two so that neither
// exponential overflows at extreme potentials: kred = red / invRate, kox = ox / invRate.
struct ScaledRates {
    double red, ox, invRate;
};

ScaledRates RatesAt(const ConvolutionCouple& cp, double FoverRT, double E) {
    const double eta = cp.n * FoverRT * (E - cp.E0);
    const double red = eta <= 0 ? 1.0 : std::exp(-eta);
    const double ox = eta <= 0 ? std::exp(eta) : 1.0;
    const double invRate = (eta <= 0 ? std::exp(cp.alpha * eta) : std::exp(-(1 - cp.alpha) * eta)) / cp.ks;
    return {red, ox, invRate};
}

// The diffusion coefficients and, at a sphere or a cylinder, the radius the kernels divide by.
void CheckCouple(const ConvolutionCouple& cp) {
    if (cp.Do <= 0 || cp.Dr <= 0) Raise(ErrorCode::InvalidProcedureCall);
    if ((cp.transport == Transport::Radial || cp.transport == Transport::Cylinder) && !(cp.radius > 0))
        Raise(cp.radius == 0 ? ErrorCode::DivisionByZero : ErrorCode::InvalidProcedureCall);
}

}  // namespace

void SolveSweep(double FoverRT, const ConvolutionCouple* couples, int nCouples, const SweepProgramme& p,
                ConvolutionWork& work, double* const* currents) {
    if (nCouples > kMaxCouples || p.count < 1 || p.subSteps < 1) Raise(ErrorCode::SubscriptOutOfRange);

    // Nodes: time 0 at the first point, subSteps nodes across every interval of non-zero length.
    work.t.assign(1, 0.0);
    work.E.assign(1, p.potentials[0]);
    work.nodeOfPoint.assign(static_cast<std::size_t>(p.count), 0);
    for (int i = 1; i < p.count; ++i) {
        const double t0 = p.times[i - 1], t1 = p.times[i];
        const double E0 = p.potentials[i - 1], E1 = p.potentials[i];
        if (t1 > t0) {
            for (int k = 1; k <= p.subSteps; ++k) {
                const double x = static_cast<double>(k) / p.subSteps;
                work.t.push_back(t0 + (t1 - t0) * x);
                work.E.push_back(E0 + (E1 - E0) * x);
            }
        } else if (t1 < t0) {
            Raise(ErrorCode::InvalidProcedureCall);
        }
        work.nodeOfPoint[static_cast<std::size_t>(i)] = static_cast<int>(work.t.size()) - 1;
    }
    const int nodes = static_cast<int>(work.t.size()) - 1;
    const auto size = static_cast<std::size_t>(nodes) + 1;

    // A staircase of equal steps (the usual case) uses weight tables; a measured axis of uneven
    // steps computes its weights pair by pair.
    const double h = nodes > 0 ? work.t[1] : 0.0;
    bool uniform = nodes > 0;
    for (int n = 1; n <= nodes && uniform; ++n)
        uniform = std::fabs(work.t[static_cast<std::size_t>(n)] - n * h) <= 1e-6 * h * n;
    const KernelShape planar{};
    if (uniform) Tables(planar, h, nodes, work.comb, work.first);

    KernelShape own[kMaxCouples] = {};
    for (int c = 0; c < nCouples; ++c) {
        const ConvolutionCouple& cp = couples[c];
        CheckCouple(cp);
        work.flux[c].assign(size, 0.0);
        work.ownO[c].assign(size, 0.0);
        work.ownR[c].assign(size, 0.0);
        if (cp.transport == Transport::Catalytic) {
            own[c].rate = cp.kf + cp.kb;
            if (own[c].rate < 0) Raise(ErrorCode::InvalidProcedureCall);
        } else if (cp.transport == Transport::Cylinder) {
            own[c].scale = std::sqrt(cp.Do) / cp.radius;
            own[c].perTime = cp.Do / (cp.radius * cp.radius);
        }
        if (uniform && (own[c].rate > 0 || own[c].scale > 0))
            Tables(own[c], h, nodes, work.combCat[c], work.firstCat[c]);
    }

    // At each node the surface concentrations are linear in the node's own flux: the share each
    // side has lost (O) or gained (R) is p f + q. Butler-Volmer then gives the flux at a potential.
    struct NodeTerms {
        double Co, Cr, pO, qO, pR, qR, rootDo, rootDr;
    };
    NodeTerms terms[kMaxCouples] = {};
    for (int c = 0; c < nCouples; ++c) {
        const ConvolutionCouple& cp = couples[c];
        NodeTerms& x = terms[c];
        x.rootDo = std::sqrt(cp.Do), x.rootDr = std::sqrt(cp.Dr);
        x.Co = cp.Co, x.Cr = cp.Cr;  // a catalytic couple's follow the chemistry node by node
    }
    auto fluxAt = [&](int c, double E) {
        const ConvolutionCouple& cp = couples[c];
        const NodeTerms& x = terms[c];
        if (!(cp.ks > 0)) return 0.0;
        // kred cO(0) - kox cR(0), divided through by the larger rate constant
        const auto [red, ox, invRate] = RatesAt(cp, FoverRT, E);
        return (red * (x.Co - x.qO / x.rootDo) - ox * (x.Cr + x.qR / x.rootDr)) /
               (invRate + red * x.pO / x.rootDo + ox * x.pR / x.rootDr);
    };
    auto totalAt = [&](double E) {
        double total = 0.0;
        for (int c = 0; c < nCouples; ++c) total += couples[c].n * fluxAt(c, E);
        return Checked(total);
    };

    double shift = 0.0;  // interface less applied potential at the node before
    for (int n = 1; n <= nodes; ++n) {
        const auto N = static_cast<std::size_t>(n);
        for (int c = 0; c < nCouples; ++c) {
            const ConvolutionCouple& cp = couples[c];
            std::vector<double>& f = work.flux[c];
            NodeTerms& x = terms[c];
            if (own[c].rate > 0) {
                // The sum of O and R diffuses freely, so it stays at the bulk value at the surface;
                // R relaxes towards its chemical equilibrium share kb/k of it.
                const History w = Convolve(f, n, uniform, work.combCat[c], work.firstCat[c], own[c], work.t);
                const double S = cp.Co + cp.Cr, Req = cp.kb / own[c].rate * S;
                x.Cr = Req + (cp.Cr - Req) * std::exp(-own[c].rate * work.t[N]);
                x.Co = S - x.Cr;
                x.pO = x.pR = w.self;
                x.qO = x.qR = w.sum;
            } else {
                const History j = Convolve(f, n, uniform, work.comb, work.first, planar, work.t);
                x.pO = x.pR = j.self;
                x.qO = x.qR = j.sum;
                if (own[c].scale > 0) {
                    // A cylinder adds its correction to the plane's kernel (that of O for both).
                    const History y = Convolve(f, n, uniform, work.combCat[c], work.firstCat[c], own[c], work.t);
                    x.pO = x.pR = j.self + y.self;
                    x.qO = x.qR = j.sum + y.sum;
                }
                if (cp.transport == Transport::Radial) {
                    // At a sphere the deficit I obeys I + a (I convolved with 1/sqrt(pi t)) = J,
                    // the planar convolution J of the flux, with a = sqrt(D)/radius.
                    const double aO = x.rootDo / cp.radius, aR = x.rootDr / cp.radius;
                    const History io = Convolve(work.ownO[c], n, uniform, work.comb, work.first, planar, work.t);
                    const History ir = Convolve(work.ownR[c], n, uniform, work.comb, work.first, planar, work.t);
                    x.pO = j.self / (1 + aO * io.self);
                    x.qO = (j.sum - aO * io.sum) / (1 + aO * io.self);
                    x.pR = j.self / (1 + aR * ir.self);
                    x.qR = (j.sum - aR * ir.sum) / (1 + aR * ir.self);
                }
            }
        }
        // The interface potential: the applied one, or with an uncompensated resistance the one at
        // which the node's own current flows.
        double E = work.E[N];
        if (p.ohmic > 0) {
            double total = 0.0;
            E = SolveOhmicDropAfter(work.E[N], p.ohmic, shift, totalAt, total);
        }
        for (int c = 0; c < nCouples; ++c) {
            const double flux = Checked(fluxAt(c, E));
            work.flux[c][N] = flux;
            work.ownO[c][N] = terms[c].pO * flux + terms[c].qO;
            work.ownR[c][N] = terms[c].pR * flux + terms[c].qR;
        }
    }

    for (int c = 0; c < nCouples; ++c)
        for (int i = 0; i < p.count; ++i) {
            const int node = std::max(1, work.nodeOfPoint[static_cast<std::size_t>(i)]);
            currents[c][i] = nodes > 0 ? couples[c].n * work.flux[c][static_cast<std::size_t>(node)] : 0.0;
        }
}

namespace {

// Above this ks sqrt(t/D) the kinetic share of a level's current is below 0.1 %: one node per
// level is exact to that.
constexpr double kReversibleKinetics = 1e3;
// Nodes per level for slower kinetics: graded towards the start of the level, where the
// transient is fastest, and a last node so close to the end that the mean flux over the last
// interval is the flux at the end. Holding the deficit over each interval errs in proportion to
// the interval, so a run with kKineticNodes and one with twice as many are extrapolated.
constexpr int kKineticNodes = 16;
// A lone step or pair of steps (DC, normal and differential pulse, one point at a time) costs so
// little that it takes more nodes: with a resistance the current turns sharply where the
// ohmic limit gives way to diffusion, which the extrapolation of 16 and 32 nodes misses by 1 %.
constexpr int kMostNodes = 8 * kKineticNodes;
constexpr double kLastInterval = 1e-4;
constexpr double kRootPi = 1.7724538509055159;

// The charge and the current that a unit jump of the catalytic deficit has passed after time u,
// with k = kf + kb: Q(u) = sqrt(k) ((u + 1/2k) erf(sqrt(ku)) + sqrt(u/(pi k)) exp(-ku)) and its
// derivative sqrt(k) erf(sqrt(ku)) + exp(-ku)/sqrt(pi u), each less the plane's 2 sqrt(u/pi) and
// 1/sqrt(pi u), which the solver adds for every kernel.
double CatalyticCharge(double k, double u) {
    const double x = std::sqrt(k * u);
    const double root = std::sqrt(u) / kRootPi;     // sqrt(u/pi)
    if (x < 1e-4) return (2.0 / 3) * k * u * root;  // the series' first term
    return std::sqrt(k) * ((u + 0.5 / k) * std::erf(x) + root / std::sqrt(k) * std::exp(-x * x)) - 2 * root;
}
double CatalyticFlux(double k, double u) {
    const double x = std::sqrt(k * u);
    if (x < 1e-4) return k * std::sqrt(u) / kRootPi;
    return std::sqrt(k) * std::erf(x) - (1 - std::exp(-x * x)) / (kRootPi * std::sqrt(u));
}

void SolveStepsOnce(double FoverRT, const ConvolutionCouple* couples, int nCouples, const StepProgramme& p,
                    bool reversible, int perLevel, StepWork& work, double* const* currents) {
    double fraction[2 * kMostNodes + 1] = {};
    for (int k = 1; k < perLevel; ++k) {
        const double x = static_cast<double>(k) / (perLevel - 1);
        fraction[k] = (1 - kLastInterval) * x * std::sqrt(x);
    }
    fraction[perLevel] = 1.0;

    const int nodes = p.count * perLevel;
    const auto size = static_cast<std::size_t>(nodes) + 1;
    work.t.assign(size, 0.0);
    work.lastW.assign(size, 0.0);
    double start = 0.0;
    for (int i = 0; i < p.count; ++i) {
        const double duration = p.durations ? p.durations[i] : p.duration;
        for (int k = 1; k <= perLevel; ++k)
            work.t[static_cast<std::size_t>(i * perLevel + k)] =
                p.durations ? start + duration * fraction[k] : p.duration * (i + fraction[k]);
        start += duration;
    }
    // A cylinder's jump responses add (sqrt(D)/r) u C(tau)/tau to the charge and (sqrt(D)/r) c(tau)
    // to the current, a sphere's the same with C/tau = c = 1; the catalytic ones those above.
    bool extra[kMaxCouples] = {}, cylinder[kMaxCouples] = {};
    double a[kMaxCouples] = {}, perTime[kMaxCouples] = {}, rate[kMaxCouples] = {};
    for (int c = 0; c < nCouples; ++c) {
        work.own[c].assign(size, 0.0);
        work.jump[c].assign(size, 0.0);
        const ConvolutionCouple& cp = couples[c];
        cylinder[c] = cp.transport == Transport::Cylinder;
        if (cp.transport == Transport::Catalytic) rate[c] = cp.kf + cp.kb;
        extra[c] = cylinder[c] || rate[c] > 0;
        if (extra[c]) work.lastC[c].assign(size, 0.0);
        if (cylinder[c] || cp.transport == Transport::Radial) a[c] = std::sqrt(cp.Do) / cp.radius;
        perTime[c] = cylinder[c] ? cp.Do / (cp.radius * cp.radius) : 0.0;
    }
    auto curvedCharge = [&](int c, double u) {
        if (rate[c] > 0) return CatalyticCharge(rate[c], u);
        return cylinder[c] ? a[c] * u * Cylinder(kJumpCharge, perTime[c] * u) : a[c] * u;
    };
    auto curvedFlux = [&](int c, double u) {
        if (rate[c] > 0) return CatalyticFlux(rate[c], u);
        return cylinder[c] ? a[c] * Cylinder(kJumpFlux, perTime[c] * u) : a[c];
    };

    // What the deficit I of a node depends on besides the potential: the charge balance over the
    // interval, (I - before) self + aI I delta + R = delta (kred cO(0) - kox cR(0)).
    struct NodeTerms {
        double R, self, before, aI, Co, Cr, rootDo, rootDr;
    };
    NodeTerms terms[kMaxCouples] = {};
    for (int c = 0; c < nCouples; ++c) {
        const ConvolutionCouple& cp = couples[c];
        NodeTerms& x = terms[c];
        x.rootDo = std::sqrt(cp.Do), x.rootDr = std::sqrt(cp.Dr);
        // A sphere's steady share a I delta of the charge; a cylinder's is in R and curvedSelf.
        x.aI = extra[c] ? 0.0 : a[c];
        x.Co = cp.Co, x.Cr = cp.Cr;  // a catalytic couple's follow the chemistry node by node
    }
    double delta = 0.0;
    auto deficitAt = [&](int c, double E) {
        const ConvolutionCouple& cp = couples[c];
        const NodeTerms& x = terms[c];
        if (!(cp.ks > 0)) return (x.before * x.self - x.R) / (x.self + x.aI * delta);
        const auto [red, ox, invRate] = RatesAt(cp, FoverRT, E);  // divided through by the larger
        return (delta * (red * x.Co - ox * x.Cr) * x.rootDo + (x.before * x.self - x.R) * invRate * x.rootDo) /
               ((x.self + x.aI * delta) * invRate * x.rootDo + delta * (red + ox * x.rootDo / x.rootDr));
    };
    // The mean flux over the interval that a deficit I implies.
    auto meanFlux = [&](int c, double I) {
        const NodeTerms& x = terms[c];
        return (x.R + (I - x.before) * x.self + x.aI * I * delta) / delta;
    };
    auto totalAt = [&](double E) {
        double total = 0.0;
        for (int c = 0; c < nCouples; ++c) total += couples[c].n * meanFlux(c, deficitAt(c, E));
        return Checked(total);
    };

    double shift = 0.0;  // interface less applied potential at the node before
    for (int i = 0; i < p.count; ++i) {
        for (int k = 1; k <= perLevel; ++k) {
            const int n = i * perLevel + k;
            const auto N = static_cast<std::size_t>(n);
            const double tn = work.t[N];
            delta = tn - work.t[N - 1];
            const double wSelf = 2 / kRootPi * std::sqrt(delta);
            // The charge passed since the node before, from the deficit's earlier jumps: each jump
            // dI at time s has passed dI (2 sqrt((t - s)/pi) + curved share) by time t.
            double R[kMaxCouples] = {}, curvedSelf[kMaxCouples] = {};
            for (int j = 1; j < n; ++j) {
                const auto J = static_cast<std::size_t>(j);
                const double age = tn - work.t[J - 1];
                const double w = 2 / kRootPi * std::sqrt(age);
                const double dw = w - work.lastW[J];
                work.lastW[J] = w;
                for (int c = 0; c < nCouples; ++c) {
                    double d = dw;
                    if (extra[c]) {
                        const double wc = curvedCharge(c, age);
                        d += wc - work.lastC[c][J];
                        work.lastC[c][J] = wc;
                    }
                    R[c] += work.jump[c][J] * d;
                }
            }
            work.lastW[N] = wSelf;
            for (int c = 0; c < nCouples; ++c)
                if (extra[c]) work.lastC[c][N] = curvedSelf[c] = curvedCharge(c, delta);
            for (int c = 0; c < nCouples; ++c) {
                const ConvolutionCouple& cp = couples[c];
                NodeTerms& x = terms[c];
                x.self = wSelf + curvedSelf[c];
                x.before = work.own[c][N - 1];
                x.R = R[c];
                if (rate[c] > 0) {
                    // The sum of O and R diffuses freely and stays at its bulk value; away from the
                    // electrode R relaxes towards its chemical equilibrium share kb/k of it.
                    const double S = cp.Co + cp.Cr, Req = cp.kb / rate[c] * S;
                    x.Cr = Req + (cp.Cr - Req) * std::exp(-rate[c] * tn);
                    x.Co = S - x.Cr;
                }
            }
            double E = p.potentials[i];
            if (p.ohmic > 0) {
                double total = 0.0;
                E = SolveOhmicDropAfter(p.potentials[i], p.ohmic, shift, totalAt, total);
            }
            for (int c = 0; c < nCouples; ++c) {
                const ConvolutionCouple& cp = couples[c];
                const double I = deficitAt(c, E);
                const double before = terms[c].before;
                work.own[c][N] = Checked(I);
                work.jump[c][N] = I - before;
                if (k < perLevel) continue;
                double flux;
                if (reversible) {
                    // The exact current of a deficit that jumps and then holds: Cottrell terms.
                    flux = terms[c].aI * I;
                    for (int j = 1; j <= n; ++j) {
                        const auto J = static_cast<std::size_t>(j);
                        const double age = tn - work.t[J - 1];
                        flux += work.jump[c][J] / (kRootPi * std::sqrt(age));
                        if (extra[c]) flux += work.jump[c][J] * curvedFlux(c, age);
                    }
                } else {
                    flux = meanFlux(c, I);
                }
                currents[c][i] = Checked(cp.n * flux);
            }
        }
    }
}

}  // namespace

void SolveSteps(double FoverRT, const ConvolutionCouple* couples, int nCouples, const StepProgramme& p, StepWork& work,
                double* const* currents) {
    if (nCouples > kMaxCouples || p.count < 0) Raise(ErrorCode::SubscriptOutOfRange);
    if (p.count == 0 || nCouples == 0) return;
    double shortest = p.duration;
    if (p.durations) {
        shortest = p.durations[0];
        for (int i = 1; i < p.count; ++i) shortest = std::min(shortest, p.durations[i]);
    }
    if (!(shortest > 0)) Raise(ErrorCode::InvalidProcedureCall);

    // A reversible couple's deficit follows the potential at once, unless a resistance holds the
    // current back: then the interface potential moves within each level.
    bool reversible = !(p.ohmic > 0);
    for (int c = 0; c < nCouples; ++c) {
        const ConvolutionCouple& cp = couples[c];
        CheckCouple(cp);
        if (cp.transport == Transport::Catalytic && !(cp.kf + cp.kb >= 0)) Raise(ErrorCode::InvalidProcedureCall);
        if (cp.ks * std::sqrt(shortest / std::max(cp.Do, cp.Dr)) < kReversibleKinetics) reversible = false;
    }
    if (reversible) return SolveStepsOnce(FoverRT, couples, nCouples, p, true, 1, work, currents);
    double* coarse[kMaxCouples] = {};
    for (int c = 0; c < nCouples; ++c) {
        work.coarse[c].assign(static_cast<std::size_t>(p.count), 0.0);
        coarse[c] = work.coarse[c].data();
    }
    const int nodes = p.count <= 2 && p.ohmic > 0 ? kMostNodes / 2 : kKineticNodes;
    SolveStepsOnce(FoverRT, couples, nCouples, p, false, nodes, work, coarse);
    SolveStepsOnce(FoverRT, couples, nCouples, p, false, 2 * nodes, work, currents);
    for (int c = 0; c < nCouples; ++c)
        for (int i = 0; i < p.count; ++i) currents[c][i] = Checked(2 * currents[c][i] - coarse[c][i]);
}

}  // namespace talvex
