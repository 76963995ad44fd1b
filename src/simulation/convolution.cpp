#include "simulation/convolution.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/checked_math.h"
#include "core/constants.h"

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
    static constexpr double node[4] = {0.1834346424956498, 0.5255324099163290, 0.7966664774136267, 0.9602898564975363};
    static constexpr double weight[4] = {0.3626837833783620, 0.3137066245492149, 0.2223810344533745,
                                         0.1012285362903763};
    const double w = b - a;
    double prev = 0, cur = 0, whole = 0;
    double from = std::sqrt(a);
    const double top = std::sqrt(b);
    for (double rise = 2.0; from < top; rise += 2.0) {
        const double to = k * (b - a) <= rise ? top : std::min(top, std::sqrt(a + rise / k));
        const double mid = (from + to) / 2, half = (to - from) / 2;
        for (int i = 0; i < 4; ++i) {
            for (const double x : {mid - half * node[i], mid + half * node[i]}) {
                const double u = x * x;
                const double g = half * weight[i] * std::exp(-k * u);
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
//   the inverse of K0(x)/(sqrt(s) K1(x)) - 1/sqrt(s); -1/2 at short times, -1/sqrt(pi tau) at long;
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
    if (which == kKernel && x >= kCylinderPoints - 1) return -1 / std::sqrt(kPi * tau);
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
    static constexpr double node[4] = {0.1834346424956498, 0.5255324099163290, 0.7966664774136267, 0.9602898564975363};
    static constexpr double weight[4] = {0.3626837833783620, 0.3137066245492149, 0.2223810344533745,
                                         0.1012285362903763};
    const double w = b - a, floor = 1e-6 / k.perTime;
    double prev = 0, cur = 0, whole = 0;
    double hi = b;
    while (hi > a) {
        const double lo = hi - a > 2 * floor && hi / 2 > a ? hi / 2 : a;
        const double mid = (lo + hi) / 2, half = (hi - lo) / 2;
        for (int i = 0; i < 4; ++i)
            for (const double u : {mid - half * node[i], mid + half * node[i]}) {
                const double g = half * weight[i] * k.scale * Cylinder(kKernel, k.perTime * u);
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
        if (cp.Do <= 0 || cp.Dr <= 0) Raise(ErrorCode::InvalidProcedureCall);
        work.flux[c].assign(size, 0.0);
        work.ownO[c].assign(size, 0.0);
        work.ownR[c].assign(size, 0.0);
        if ((cp.transport == Transport::Radial || cp.transport == Transport::Cylinder) && !(cp.radius > 0))
            Raise(cp.radius == 0 ? ErrorCode::DivisionByZero : ErrorCode::InvalidProcedureCall);
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

    double previousTotal = 0.0;
    for (int n = 1; n <= nodes; ++n) {
        const auto N = static_cast<std::size_t>(n);
        const double E = Checked(work.E[N] + p.ohmic * previousTotal);
        double total = 0.0;
        for (int c = 0; c < nCouples; ++c) {
            const ConvolutionCouple& cp = couples[c];
            std::vector<double>& f = work.flux[c];
            const double rootDo = std::sqrt(cp.Do), rootDr = std::sqrt(cp.Dr);
            double Co = cp.Co, Cr = cp.Cr;
            // The concentration each side has lost (O) or gained (R), as pO f + qO and pR f + qR.
            double pO, qO, pR, qR;
            if (own[c].rate > 0) {
                // The sum of O and R diffuses freely, so it stays at the bulk value at the surface;
                // R relaxes towards its chemical equilibrium share kb/k of it.
                const History w = Convolve(f, n, uniform, work.combCat[c], work.firstCat[c], own[c], work.t);
                const double S = cp.Co + cp.Cr, Req = cp.kb / own[c].rate * S;
                Cr = Req + (cp.Cr - Req) * std::exp(-own[c].rate * work.t[N]);
                Co = S - Cr;
                pO = pR = w.self;
                qO = qR = w.sum;
            } else {
                const History j = Convolve(f, n, uniform, work.comb, work.first, planar, work.t);
                pO = pR = j.self;
                qO = qR = j.sum;
                if (own[c].scale > 0) {
                    // A cylinder adds its correction to the plane's kernel (that of O for both).
                    const History y = Convolve(f, n, uniform, work.combCat[c], work.firstCat[c], own[c], work.t);
                    pO = pR = j.self + y.self;
                    qO = qR = j.sum + y.sum;
                }
                if (cp.transport == Transport::Radial) {
                    // At a sphere the deficit I obeys I + a (I convolved with 1/sqrt(pi t)) = J,
                    // the planar convolution J of the flux, with a = sqrt(D)/radius.
                    const double aO = rootDo / cp.radius, aR = rootDr / cp.radius;
                    const History io = Convolve(work.ownO[c], n, uniform, work.comb, work.first, planar, work.t);
                    const History ir = Convolve(work.ownR[c], n, uniform, work.comb, work.first, planar, work.t);
                    pO = j.self / (1 + aO * io.self);
                    qO = (j.sum - aO * io.sum) / (1 + aO * io.self);
                    pR = j.self / (1 + aR * ir.self);
                    qR = (j.sum - aR * ir.sum) / (1 + aR * ir.self);
                }
            }
            // Butler-Volmer f = kred cO(0) - kox cR(0), divided through by the larger rate
            // constant so that neither exponential overflows at extreme potentials.
            const double eta = cp.n * FoverRT * (E - cp.E0);
            double flux = 0.0;
            if (cp.ks > 0) {
                const double red = eta <= 0 ? 1.0 : std::exp(-eta);
                const double ox = eta <= 0 ? std::exp(eta) : 1.0;
                const double invRate = (eta <= 0 ? std::exp(cp.alpha * eta) : std::exp(-(1 - cp.alpha) * eta)) / cp.ks;
                flux = (red * (Co - qO / rootDo) - ox * (Cr + qR / rootDr)) /
                       (invRate + red * pO / rootDo + ox * pR / rootDr);
            }
            f[N] = Checked(flux);
            work.ownO[c][N] = pO * flux + qO;
            work.ownR[c][N] = pR * flux + qR;
            total += cp.n * flux;
        }
        previousTotal = total;
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
constexpr double kLastInterval = 1e-4;
constexpr double kRootPi = 1.7724538509055159;

void SolveStepsOnce(double FoverRT, const ConvolutionCouple* couples, int nCouples, const StepProgramme& p,
                    bool reversible, int perLevel, StepWork& work, double* const* currents) {
    double fraction[2 * kKineticNodes + 1] = {};
    for (int k = 1; k < perLevel; ++k) {
        const double x = static_cast<double>(k) / (perLevel - 1);
        fraction[k] = (1 - kLastInterval) * x * std::sqrt(x);
    }
    fraction[perLevel] = 1.0;

    const int nodes = p.count * perLevel;
    const auto size = static_cast<std::size_t>(nodes) + 1;
    work.t.assign(size, 0.0);
    work.lastW.assign(size, 0.0);
    for (int i = 0; i < p.count; ++i)
        for (int k = 1; k <= perLevel; ++k)
            work.t[static_cast<std::size_t>(i * perLevel + k)] = p.duration * (i + fraction[k]);
    // A cylinder's jump responses add (sqrt(D)/r) u C(tau)/tau to the charge and (sqrt(D)/r) c(tau)
    // to the current, a sphere's the same with C/tau = c = 1.
    bool cylinder[kMaxCouples] = {};
    double a[kMaxCouples] = {}, perTime[kMaxCouples] = {};
    for (int c = 0; c < nCouples; ++c) {
        work.own[c].assign(size, 0.0);
        work.jump[c].assign(size, 0.0);
        const ConvolutionCouple& cp = couples[c];
        cylinder[c] = cp.transport == Transport::Cylinder;
        if (cylinder[c]) work.lastC[c].assign(size, 0.0);
        if (cylinder[c] || cp.transport == Transport::Radial) a[c] = std::sqrt(cp.Do) / cp.radius;
        perTime[c] = cylinder[c] ? cp.Do / (cp.radius * cp.radius) : 0.0;
    }
    auto curvedCharge = [&](int c, double u) {
        return cylinder[c] ? a[c] * u * Cylinder(kJumpCharge, perTime[c] * u) : a[c] * u;
    };
    auto curvedFlux = [&](int c, double u) { return cylinder[c] ? a[c] * Cylinder(kJumpFlux, perTime[c] * u) : a[c]; };

    double previousTotal = 0.0;
    for (int i = 0; i < p.count; ++i) {
        const double E = Checked(p.potentials[i] + p.ohmic * previousTotal);
        double total = 0.0;
        for (int k = 1; k <= perLevel; ++k) {
            const int n = i * perLevel + k;
            const auto N = static_cast<std::size_t>(n);
            const double tn = work.t[N], delta = tn - work.t[N - 1];
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
                    if (cylinder[c]) {
                        const double wc = curvedCharge(c, age);
                        d += wc - work.lastC[c][J];
                        work.lastC[c][J] = wc;
                    }
                    R[c] += work.jump[c][J] * d;
                }
            }
            work.lastW[N] = wSelf;
            for (int c = 0; c < nCouples; ++c)
                if (cylinder[c]) work.lastC[c][N] = curvedSelf[c] = curvedCharge(c, delta);
            for (int c = 0; c < nCouples; ++c) {
                const ConvolutionCouple& cp = couples[c];
                const double rootDo = std::sqrt(cp.Do), rootDr = std::sqrt(cp.Dr);
                // A sphere's steady share a I delta of the charge; a cylinder's is in R and curvedSelf.
                const double aI = cylinder[c] ? 0.0 : a[c];
                const double self = wSelf + curvedSelf[c];
                const double before = work.own[c][N - 1];
                // Charge balance over the interval, (I - before) wSelf + a I delta + R = delta (kred
                // cO(0) - kox cR(0)), divided by the larger rate constant against overflow.
                const double eta = cp.n * FoverRT * (E - cp.E0);
                double I = before;
                if (cp.ks > 0) {
                    const double red = eta <= 0 ? 1.0 : std::exp(-eta);
                    const double ox = eta <= 0 ? std::exp(eta) : 1.0;
                    const double invRate =
                        (eta <= 0 ? std::exp(cp.alpha * eta) : std::exp(-(1 - cp.alpha) * eta)) / cp.ks;
                    I = (delta * (red * cp.Co - ox * cp.Cr) * rootDo + (before * self - R[c]) * invRate * rootDo) /
                        ((self + aI * delta) * invRate * rootDo + delta * (red + ox * rootDo / rootDr));
                } else {
                    I = (before * self - R[c]) / (self + aI * delta);
                }
                work.own[c][N] = Checked(I);
                work.jump[c][N] = I - before;
                if (k < perLevel) continue;
                double flux;
                if (reversible) {
                    // The exact current of a deficit that jumps and then holds: Cottrell terms.
                    flux = aI * I;
                    for (int j = 1; j <= n; ++j) {
                        const auto J = static_cast<std::size_t>(j);
                        const double age = tn - work.t[J - 1];
                        flux += work.jump[c][J] / (kRootPi * std::sqrt(age));
                        if (cylinder[c]) flux += work.jump[c][J] * curvedFlux(c, age);
                    }
                } else {
                    flux = (R[c] + (I - before) * self + aI * I * delta) / delta;
                }
                currents[c][i] = Checked(cp.n * flux);
                total += currents[c][i];
            }
        }
        previousTotal = total;
    }
}

}  // namespace

void SolveSteps(double FoverRT, const ConvolutionCouple* couples, int nCouples, const StepProgramme& p, StepWork& work,
                double* const* currents) {
    if (nCouples > kMaxCouples || p.count < 0) Raise(ErrorCode::SubscriptOutOfRange);
    if (p.count == 0 || nCouples == 0) return;
    if (!(p.duration > 0)) Raise(ErrorCode::InvalidProcedureCall);

    bool reversible = true;
    for (int c = 0; c < nCouples; ++c) {
        const ConvolutionCouple& cp = couples[c];
        if (cp.Do <= 0 || cp.Dr <= 0) Raise(ErrorCode::InvalidProcedureCall);
        if ((cp.transport == Transport::Radial || cp.transport == Transport::Cylinder) && !(cp.radius > 0))
            Raise(cp.radius == 0 ? ErrorCode::DivisionByZero : ErrorCode::InvalidProcedureCall);
        if (cp.ks * std::sqrt(p.duration / std::max(cp.Do, cp.Dr)) < kReversibleKinetics) reversible = false;
    }
    if (reversible) return SolveStepsOnce(FoverRT, couples, nCouples, p, true, 1, work, currents);
    double* coarse[kMaxCouples] = {};
    for (int c = 0; c < nCouples; ++c) {
        work.coarse[c].assign(static_cast<std::size_t>(p.count), 0.0);
        coarse[c] = work.coarse[c].data();
    }
    SolveStepsOnce(FoverRT, couples, nCouples, p, false, kKineticNodes, work, coarse);
    SolveStepsOnce(FoverRT, couples, nCouples, p, false, 2 * kKineticNodes, work, currents);
    for (int c = 0; c < nCouples; ++c)
        for (int i = 0; i < p.count; ++i) currents[c][i] = Checked(2 * currents[c][i] - coarse[c][i]);
}

}  // namespace talvex
