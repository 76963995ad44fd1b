#include "simulation/convolution.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/checked_math.h"
#include "core/constants.h"
#include "digital/gauss_legendre.h"
#include "digital/ohmic_drop.h"
#include "simulation/diffusion_field.h"

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

// What the convolution of an interval weighs: the plane's kernel, the catalytic one with rate
// `rate`, or a field's correction to the plane's.
struct KernelShape {
    double rate = 0;
    const DiffusionField* field = nullptr;
};

// A field's correction is smooth in log u but changes over u ~ 1/perTime, which may lie deep inside
// an interval that starts at 0: eight-point Gauss-Legendre on pieces that halve towards the
// interval's start, down to a millionth of that time.
IntervalWeights FieldWeights(const DiffusionField& field, double a, double b) {
    const double w = b - a, floor = 1e-6 / field.perTime();
    double prev = 0, cur = 0, whole = 0;
    double hi = b;
    while (hi > a) {
        const double lo = hi - a > 2 * floor && hi / 2 > a ? hi / 2 : a;
        const double mid = (lo + hi) / 2, half = (hi - lo) / 2;
        for (int i = 0; i < 4; ++i)
            for (const double u : {mid - half * kGaussNode[i], mid + half * kGaussNode[i]}) {
                const double g = half * kGaussWeight[i] * field.Kernel(u);
                whole += g;
                prev += g * (u - a) / w;
                cur += g * (b - u) / w;
            }
        hi = lo;
    }
    return {prev, cur, whole};
}

IntervalWeights Weights(const KernelShape& k, double a, double b) {
    if (k.field) return FieldWeights(*k.field, a, b);
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

// The diffusion coefficients and, away from a plane, the size the kernels divide by.
void CheckCouple(const ConvolutionCouple& cp) {
    if (cp.Do <= 0 || cp.Dr <= 0) Raise(ErrorCode::InvalidProcedureCall);
    if (cp.transport != Transport::Planar && cp.transport != Transport::Catalytic && !(cp.radius > 0))
        Raise(cp.radius == 0 ? ErrorCode::DivisionByZero : ErrorCode::InvalidProcedureCall);
}

// The field of a couple's species of diffusion coefficient D.
DiffusionField FieldOf(const ConvolutionCouple& cp, double D) {
    switch (cp.transport) {
        case Transport::Radial:
            return {FieldShape::Sphere, D, cp.radius};
        case Transport::Cylinder:
            return {FieldShape::Cylinder, D, cp.radius};
        case Transport::Disc:
            return {FieldShape::Disc, D, cp.radius};
        case Transport::Band:
            return {FieldShape::Band, D, cp.radius};
        case Transport::Film:
            return {FieldShape::Film, D, cp.radius};
        default:
            return {};
    }
}

// A disc's, a band's or a film's field is known by its jump response only, so the flux at a node
// follows from the history of the deficit instead, taken linear between nodes from 0 at time 0
// (Duhamel's superposition of the jump responses): with the ramp weight
// a(n, j) = (Q(t_n - t_j-1) - Q(t_n - t_j)) / (t_j - t_j-1) of the charge Q that a unit jump passes,
// f_n = sum over 1 <= j <= n of (I_j - I_j-1) a(n, j), I_0 = 0. In a thin film the flux is the rate
// of change of the deficit, which this takes as the backward difference over the last interval; the
// flux-linear kernel form would take it by the trapezoidal rule, which rings without end after the
// film's first equilibration or a vertex. (Only the field's share beyond the plane takes this form at
// a disc and a band: see Mode::Curved below.)

// Q(b) - Q(a), with the plane's share or (`curvedOnly`) without it.
double RampCharge(const DiffusionField& field, bool curvedOnly, double a, double b) {
    constexpr double twoOverRootPi = 1.1283791670955126;
    const double plane = curvedOnly ? 0.0 : twoOverRootPi * (b - a) / (std::sqrt(b) + std::sqrt(a));
    return plane + field.JumpCharge(b) - field.JumpCharge(a);
}

// The table of a uniform grid of step h: ramp[m] = a(n, n - m).
void RampTable(const DiffusionField& field, bool curvedOnly, double h, int nodes, std::vector<double>& ramp) {
    ramp.assign(static_cast<std::size_t>(nodes) + 1, 0.0);
    for (int m = 0; m <= nodes; ++m)
        ramp[static_cast<std::size_t>(m)] = RampCharge(field, curvedOnly, m * h, (m + 1) * h) / h;
}

// The flux at node n as self x I_n + sum; jump[j] = I_j - I_j-1.
History Respond(const std::vector<double>& deficit, const std::vector<double>& jump, int n, bool uniform,
                const std::vector<double>& ramp, const DiffusionField& field, bool curvedOnly,
                const std::vector<double>& t) {
    const auto N = static_cast<std::size_t>(n);
    if (uniform) {
        const double* a = ramp.data();
        const double* v = jump.data();
        double sum = -deficit[N - 1] * a[0];
        for (int j = 1; j < n; ++j) sum += a[n - j] * v[j];
        return {a[0], sum};
    }
    const double tn = t[N];
    auto weight = [&](int j) {
        const auto J = static_cast<std::size_t>(j);
        return RampCharge(field, curvedOnly, tn - t[J], tn - t[J - 1]) / (t[J] - t[J - 1]);
    };
    const double self = weight(n);
    double sum = -deficit[N - 1] * self;
    for (int j = 1; j < n; ++j) sum += weight(j) * jump[static_cast<std::size_t>(j)];
    return {self, sum};
}

}  // namespace

namespace {

void SolveSweepOnce(double FoverRT, const ConvolutionCouple* couples, int nCouples, const SweepProgramme& p,
                    ConvolutionWork& work, double* const* currents) {
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

    // How each couple's surface follows its flux: the plane's kernel alone, the catalytic kernel,
    // the sphere's equation for the deficit, a field's correction added to the plane's kernel
    // (cylinder), the plane's kernel less the flux of the field's share of the jump response (disc,
    // band), or the whole jump response (film).
    enum class Mode { Plane, Catalytic, Sphere, Kernel, Curved, Response };
    Mode mode[kMaxCouples] = {};
    DiffusionField fieldO[kMaxCouples], fieldR[kMaxCouples];
    KernelShape own[kMaxCouples] = {}, ownR[kMaxCouples] = {};
    for (int c = 0; c < nCouples; ++c) {
        const ConvolutionCouple& cp = couples[c];
        CheckCouple(cp);
        work.flux[c].assign(size, 0.0);
        work.ownO[c].assign(size, 0.0);
        work.ownR[c].assign(size, 0.0);
        fieldO[c] = FieldOf(cp, cp.Do);
        fieldR[c] = FieldOf(cp, cp.Dr);
        switch (cp.transport) {
            case Transport::Catalytic:
                mode[c] = Mode::Catalytic;
                own[c].rate = cp.kf + cp.kb;
                if (own[c].rate < 0) Raise(ErrorCode::InvalidProcedureCall);
                if (uniform) Tables(own[c], h, nodes, work.combCat[c], work.firstCat[c]);
                break;
            case Transport::Radial:
                mode[c] = Mode::Sphere;
                break;
            case Transport::Cylinder:
                mode[c] = Mode::Kernel;
                own[c].field = &fieldO[c];
                ownR[c].field = &fieldR[c];
                if (uniform) {
                    Tables(own[c], h, nodes, work.combCat[c], work.firstCat[c]);
                    Tables(ownR[c], h, nodes, work.combR[c], work.firstR[c]);
                }
                break;
            case Transport::Disc:
            case Transport::Band:
            case Transport::Film: {
                const bool curved = cp.transport != Transport::Film;
                mode[c] = curved ? Mode::Curved : Mode::Response;
                work.jumpO[c].assign(size, 0.0);
                work.jumpR[c].assign(size, 0.0);
                work.curvedO[c].assign(size, 0.0);
                work.curvedR[c].assign(size, 0.0);
                if (uniform) {
                    RampTable(fieldO[c], curved, h, nodes, work.rampO[c]);
                    RampTable(fieldR[c], curved, h, nodes, work.rampR[c]);
                }
                break;
            }
            case Transport::Planar:
                break;
        }
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

    double shift = 0.0;                                  // interface less applied potential at the node before
    History gO[kMaxCouples] = {}, gR[kMaxCouples] = {};  // the field's share of the node's flux
    for (int n = 1; n <= nodes; ++n) {
        const auto N = static_cast<std::size_t>(n);
        for (int c = 0; c < nCouples; ++c) {
            const ConvolutionCouple& cp = couples[c];
            std::vector<double>& f = work.flux[c];
            NodeTerms& x = terms[c];
            if (mode[c] == Mode::Catalytic) {
                // The sum of O and R diffuses freely, so it stays at the bulk value at the surface;
                // R relaxes towards its chemical equilibrium share kb/k of it.
                const History w = Convolve(f, n, uniform, work.combCat[c], work.firstCat[c], own[c], work.t);
                const double S = cp.Co + cp.Cr, Req = cp.kb / own[c].rate * S;
                x.Cr = Req + (cp.Cr - Req) * std::exp(-own[c].rate * work.t[N]);
                x.Co = S - x.Cr;
                x.pO = x.pR = w.self;
                x.qO = x.qR = w.sum;
            } else if (mode[c] == Mode::Response) {
                // The node's deficits from the flux: I = (f - sum) / self.
                const History o =
                    Respond(work.ownO[c], work.jumpO[c], n, uniform, work.rampO[c], fieldO[c], false, work.t);
                const History r =
                    Respond(work.ownR[c], work.jumpR[c], n, uniform, work.rampR[c], fieldR[c], false, work.t);
                x.pO = 1 / o.self, x.qO = -o.sum / o.self;
                x.pR = 1 / r.self, x.qR = -r.sum / r.self;
            } else if (mode[c] == Mode::Curved) {
                // The flux is the plane's response to the deficit plus the field's share g, which the
                // deficit's history gives (g_n = c0 I_n + hc); the plane's kernel turns the flux less g
                // into the deficit: I_n = J(f) - J(g), the same planar weights for both.
                const History j = Convolve(f, n, uniform, work.comb, work.first, planar, work.t);
                auto solve = [&](const std::vector<double>& deficit, const std::vector<double>& jump,
                                 const std::vector<double>& ramp, const std::vector<double>& share,
                                 const DiffusionField& field, double& pOut, double& qOut, History& g) {
                    g = Respond(deficit, jump, n, uniform, ramp, field, true, work.t);
                    const History y = Convolve(share, n, uniform, work.comb, work.first, planar, work.t);
                    const double d = 1 + y.self * g.self;
                    pOut = j.self / d;
                    qOut = (j.sum - y.self * g.sum - y.sum) / d;
                };
                solve(work.ownO[c], work.jumpO[c], work.rampO[c], work.curvedO[c], fieldO[c], x.pO, x.qO, gO[c]);
                solve(work.ownR[c], work.jumpR[c], work.rampR[c], work.curvedR[c], fieldR[c], x.pR, x.qR, gR[c]);
            } else {
                const History j = Convolve(f, n, uniform, work.comb, work.first, planar, work.t);
                x.pO = x.pR = j.self;
                x.qO = x.qR = j.sum;
                if (mode[c] == Mode::Kernel) {
                    // The field's correction to the plane's kernel, each species its own.
                    const History yo = Convolve(f, n, uniform, work.combCat[c], work.firstCat[c], own[c], work.t);
                    const History yr = Convolve(f, n, uniform, work.combR[c], work.firstR[c], ownR[c], work.t);
                    x.pO = j.self + yo.self, x.qO = j.sum + yo.sum;
                    x.pR = j.self + yr.self, x.qR = j.sum + yr.sum;
                }
                if (mode[c] == Mode::Sphere) {
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
            if (mode[c] == Mode::Response || mode[c] == Mode::Curved) {
                work.jumpO[c][N] = work.ownO[c][N] - work.ownO[c][N - 1];
                work.jumpR[c][N] = work.ownR[c][N] - work.ownR[c][N - 1];
            }
            if (mode[c] == Mode::Curved) {
                work.curvedO[c][N] = gO[c].self * work.ownO[c][N] + gO[c].sum;
                work.curvedR[c][N] = gR[c].self * work.ownR[c][N] + gR[c].sum;
            }
        }
    }

    for (int c = 0; c < nCouples; ++c)
        for (int i = 0; i < p.count; ++i) {
            const int node = std::max(1, work.nodeOfPoint[static_cast<std::size_t>(i)]);
            currents[c][i] = nodes > 0 ? couples[c].n * work.flux[c][static_cast<std::size_t>(node)] : 0.0;
        }
}

}  // namespace

void SolveSweep(double FoverRT, const ConvolutionCouple* couples, int nCouples, const SweepProgramme& p,
                ConvolutionWork& work, double* const* currents) {
    if (nCouples > kMaxCouples || p.count < 1 || p.subSteps < 1) Raise(ErrorCode::SubscriptOutOfRange);
    bool film = false;
    for (int c = 0; c < nCouples; ++c) film = film || couples[c].transport == Transport::Film;
    if (!film) return SolveSweepOnce(FoverRT, couples, nCouples, p, work, currents);
    // A thin film's backward difference lags by half an interval: the run on twice as many nodes
    // halves the lag, and the two are extrapolated.
    double* coarse[kMaxCouples] = {};
    for (int c = 0; c < nCouples; ++c) {
        work.coarse[c].assign(static_cast<std::size_t>(p.count), 0.0);
        coarse[c] = work.coarse[c].data();
    }
    SolveSweepOnce(FoverRT, couples, nCouples, p, work, coarse);
    SweepProgramme finer = p;
    finer.subSteps = 2 * p.subSteps;
    SolveSweepOnce(FoverRT, couples, nCouples, finer, work, currents);
    for (int c = 0; c < nCouples; ++c)
        for (int i = 0; i < p.count; ++i) currents[c][i] = Checked(2 * currents[c][i] - coarse[c][i]);
}

namespace {

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
constexpr double kPiExact = 3.14159265358979324;

// A long sequence of equal levels (a square wave) carries the plane's share of its history as a
// sum of exponentials instead of pair by pair: 1/sqrt(pi v) = (1/pi) int lambda^-1/2 exp(-lambda v)
// dlambda, by the trapezoidal rule in ln lambda with steps of 1/2 from 50 over the shortest
// interval down to 1e-18 over the whole sequence, is good to 1e-8 at every age in between. Then
// each node costs a fixed number of terms instead of one per earlier node. Short sequences (DC,
// normal and differential pulse) keep the pair by pair sums. The share of a field beyond the
// sphere's is summed pair by pair still, but the ages of equal levels repeat, so the charge it passes
// between two nodes is tabulated once by level offset and node pair (while the table stays below
// kMostTabulated values).
constexpr int kFewNodes = 256;
constexpr double kExponentialStep = 0.5;
constexpr std::size_t kMostTabulated = std::size_t{1} << 22;

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
    // The jump responses beyond the plane's: a sphere's add a = sqrt(D)/r to the current (its charge
    // a u is taken with the node's own deficit, aI below); the other fields' and the catalytic ones
    // are added jump by jump (each species takes O's field).
    bool extra[kMaxCouples] = {};
    double a[kMaxCouples] = {}, rate[kMaxCouples] = {};
    DiffusionField field[kMaxCouples];
    for (int c = 0; c < nCouples; ++c) {
        work.own[c].assign(size, 0.0);
        work.jump[c].assign(size, 0.0);
        const ConvolutionCouple& cp = couples[c];
        if (cp.transport == Transport::Catalytic) rate[c] = cp.kf + cp.kb;
        if (cp.transport == Transport::Radial) a[c] = std::sqrt(cp.Do) / cp.radius;
        field[c] = FieldOf(cp, cp.Do);
        extra[c] = rate[c] > 0 || (cp.transport != Transport::Planar && cp.transport != Transport::Radial &&
                                   cp.transport != Transport::Catalytic);
        if (extra[c]) work.lastC[c].assign(size, 0.0);
    }
    auto curvedCharge = [&](int c, double u) {
        return rate[c] > 0 ? CatalyticCharge(rate[c], u) : field[c].JumpCharge(u);
    };
    auto curvedFlux = [&](int c, double u) { return rate[c] > 0 ? CatalyticFlux(rate[c], u) : field[c].JumpFlux(u); };

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
        // A sphere's steady share a I delta of the charge; the other fields' is in R and curvedSelf.
        x.aI = a[c];
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

    // The plane's history as exponentials: H[k] = sum over earlier jumps dI_j exp(-lambda_k (t - t_j-1)),
    // and the charge those jumps pass over the next interval delta is
    // sum over k of weight_k (1 - exp(-lambda_k delta)) H[k].
    const bool exponentials = !p.durations && nodes > kFewNodes;
    int exponentialTerms = 0;
    if (exponentials) {
        const double shortest = p.duration * (fraction[perLevel] - fraction[perLevel - 1]);
        const double top = std::log(50 / std::min(shortest, p.duration * fraction[1]));
        const double bottom = std::log(1e-18 / (p.duration * p.count));
        exponentialTerms = static_cast<int>(std::ceil((top - bottom) / kExponentialStep)) + 1;
        const auto K = static_cast<std::size_t>(exponentialTerms);
        work.rate.resize(K);
        work.weight.resize(K);
        for (std::size_t q = 0; q < K; ++q) {
            const double x = bottom + kExponentialStep * static_cast<double>(q);
            work.rate[q] = std::exp(x);
            work.weight[q] = kExponentialStep * std::exp(-x / 2) / kPiExact;
        }
        // exp(-lambda delta) and 1 - exp(-lambda delta) of each interval of a level
        work.decay.resize(K * static_cast<std::size_t>(perLevel));
        work.grow.resize(work.decay.size());
        for (int k = 1; k <= perLevel; ++k)
            for (std::size_t q = 0; q < K; ++q) {
                const double d = p.duration * (fraction[k] - fraction[k - 1]);
                const std::size_t at = static_cast<std::size_t>(k - 1) * K + q;
                work.decay[at] = std::exp(-work.rate[q] * d);
                work.grow[at] = -std::expm1(-work.rate[q] * d);
            }
        for (int c = 0; c < nCouples; ++c) work.history[c].assign(K, 0.0);
    }
    // The charge a field's share of a jump at node j = (level i', node k') passes between the node
    // before n = (level i, node k) and n, at the ages p.duration (i - i' + fraction[k] -
    // fraction[k' - 1]) and the same with fraction[k - 1]: by level offset i - i', k and k'.
    const auto P = static_cast<std::size_t>(perLevel);
    const bool tabulated = exponentials && P * P * static_cast<std::size_t>(p.count) <= kMostTabulated;
    if (tabulated)
        for (int c = 0; c < nCouples; ++c) {
            if (!extra[c]) continue;
            work.curved[c].assign(P * P * static_cast<std::size_t>(p.count), 0.0);
            work.charges.resize((P + 1) * P);
            double* to = work.curved[c].data();
            for (int offset = 0; offset < p.count; ++offset) {
                double* q = work.charges.data();  // the charge at the ages of k = 0..perLevel
                for (int k = 0; k <= perLevel; ++k)
                    for (int k1 = 1; k1 <= perLevel; ++k1, ++q) {
                        const double age = p.duration * (offset + fraction[k] - fraction[k1 - 1]);
                        *q = age > 0 ? curvedCharge(c, age) : 0.0;
                    }
                for (std::size_t k = 1; k <= P; ++k)
                    for (std::size_t k1 = 0; k1 < P; ++k1)
                        *to++ = work.charges[k * P + k1] - work.charges[(k - 1) * P + k1];
            }
        }

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
            if (exponentials) {
                const double* grow = work.grow.data() + static_cast<std::size_t>(k - 1) * work.rate.size();
                for (int c = 0; c < nCouples; ++c) {
                    const double* H = work.history[c].data();
                    double sum = 0;
                    for (int q = 0; q < exponentialTerms; ++q)
                        sum += work.weight[static_cast<std::size_t>(q)] * grow[q] * H[q];
                    R[c] = sum;
                    if (!extra[c]) continue;
                    // the field's share: the charge between the node before and this one
                    const double* jump = work.jump[c].data();
                    double curved = 0;
                    if (tabulated) {
                        for (int i1 = 0; i1 <= i; ++i1) {
                            const double* row =
                                work.curved[c].data() +
                                (static_cast<std::size_t>(i - i1) * P + static_cast<std::size_t>(k - 1)) * P;
                            const double* v = jump + static_cast<std::size_t>(i1) * P + 1;
                            const int last = i1 == i ? k - 1 : perLevel;
                            for (int k1 = 0; k1 < last; ++k1) curved += v[k1] * row[k1];
                        }
                    } else {
                        for (int j = 1; j < n; ++j) {
                            const auto J = static_cast<std::size_t>(j);
                            const double wc = curvedCharge(c, tn - work.t[J - 1]);
                            curved += jump[j] * (wc - work.lastC[c][J]);
                            work.lastC[c][J] = wc;
                        }
                    }
                    R[c] += curved;
                }
            } else {
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
            }
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
                if (exponentials) {
                    // H at the node's time: the jump just made, and all of it decayed over the interval
                    const double* decay = work.decay.data() + static_cast<std::size_t>(k - 1) * work.rate.size();
                    double* H = work.history[c].data();
                    for (int q = 0; q < exponentialTerms; ++q) H[q] = decay[q] * (H[q] + (I - before));
                }
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

bool ReversibleOver(const ConvolutionCouple& couple, double t) {
    // Above this ks sqrt(t/D) the kinetic share of a level's current is below 0.1 %.
    constexpr double reversibleKinetics = 1e3;
    return couple.ks * std::sqrt(t / std::max(couple.Do, couple.Dr)) >= reversibleKinetics;
}

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
        if (!ReversibleOver(cp, shortest)) reversible = false;
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
