#include "simulation/simulation_driver.h"

#include <cmath>
#include <string>
#include <vector>

#include "core/checked_math.h"
#include "core/codes.h"
#include "core/curve_slot.h"
#include "digital/ohmic_drop.h"
#include "digital/simulate_digital.h"
#include "simulation/convolution.h"
#include "simulation/corrections.h"
#include "simulation/curve_transforms.h"
#include "simulation/kernels.h"

namespace talvex {
namespace {

// Restores CurCurve when the post-processing borrows it to name a store column, also when a
// transform fails half-way.
class CurCurveGuard {
  public:
    explicit CurCurveGuard(Model& m) : m_(m), saved_(m.CurCurve) {}
    ~CurCurveGuard() { m_.CurCurve = saved_; }

  private:
    Model& m_;
    Int saved_;
};

enum class Kernel {
    None,  // the cleared store keeps its 0
    Step,
    Convolution,      // sweeps at the plane and electrodes 2-7: the integral equation of the whole sweep
    StepConvolution,  // square wave at the plane and electrodes 2-7: the same for its step sequence
    Sphere,
    Disk,
    DiffPulse,
    DiffPulseSph,
    DiffPulseDisk,
    SquareWaveDisk,
    ThinFilmPulse,  // no closed form: the run ends with a message
};

enum class E0Argument {
    Adjusted,      // E0(k) after the mechanism (and thin-film) adjustments
    Formal,        // E0(k)
    PulseShifted,  // E0(k) - Epulse: the step is evaluated at E + Epulse
    HalfPulse,     // E0(k) + Epulse / 2: centres the square-wave difference on E0
};

// What CaseCode selects: the kernel and how its arguments are formed.
struct CasePlan {
    Kernel kernel = Kernel::None;
    E0Argument e0 = E0Argument::Adjusted;
    bool pulseTime = false;              // t1 = tpulse, else tdrop
    bool alternatingPulse = false;       // dE = +Epulse on the forward sweep, -Epulse on the reverse
    bool diffusionCoefficients = false;  // the disk takes D, not its square root
    bool filmFactor = false;
};

CasePlan PlanFor(int caseCode) {
    CasePlan p;
    const int techniqueCode = caseCode / 10;
    const int electrodeCode = caseCode % 10;
    if (techniqueCode < 1 || techniqueCode > technique::kCount || electrodeCode < 1) return p;
    const bool sphereLike = electrodeCode >= electrode::Sphere && electrodeCode <= electrode::Band;
    const bool disk = electrodeCode == electrode::RotatingDisk;
    const bool film = electrodeCode == electrode::ThinFilm;
    p.diffusionCoefficients = disk;
    switch (techniqueCode) {
        case technique::Sweep:
            p.kernel = disk ? Kernel::Disk : film ? Kernel::Step : Kernel::Convolution;
            p.filmFactor = film;
            if (disk) {
                p.e0 = E0Argument::Formal;
                p.pulseTime = true;
            }
            break;
        case technique::DC:
            p.kernel = sphereLike ? Kernel::Sphere : disk ? Kernel::Disk : Kernel::Step;
            if (disk) {
                p.e0 = E0Argument::Formal;
                p.pulseTime = true;
            }
            break;
        case technique::NormalPulse:
            p.kernel = film ? Kernel::ThinFilmPulse : sphereLike ? Kernel::Sphere : disk ? Kernel::Disk : Kernel::Step;
            p.e0 = E0Argument::PulseShifted;
            p.pulseTime = true;
            break;
        case technique::DifferentialPulse:
            p.kernel = film         ? Kernel::ThinFilmPulse
                       : sphereLike ? Kernel::DiffPulseSph
                       : disk       ? Kernel::DiffPulseDisk
                                    : Kernel::DiffPulse;
            p.e0 = E0Argument::Formal;
            p.pulseTime = true;
            p.alternatingPulse = true;
            break;
        case technique::SquareWave:
            p.kernel = film ? Kernel::ThinFilmPulse : disk ? Kernel::SquareWaveDisk : Kernel::StepConvolution;
            p.e0 = E0Argument::HalfPulse;
            p.pulseTime = true;
            break;
        default:
            break;
    }
    return p;
}

double Evaluate(Kernel kernel, const KernelEnv& env, const KernelArgs& a) {
    switch (kernel) {
        case Kernel::Step:
            return StepCurrent(env.FoverRT, a);
        case Kernel::Sphere:
            return SphericalStepCurrent(env, a);
        case Kernel::Disk:
            return RotatingDiskCurrent(env, a);
        case Kernel::DiffPulse:
            return DiffPulseCurrent(env, a);
        case Kernel::DiffPulseSph:
            return DiffPulseCurrentSph(env, a);
        case Kernel::DiffPulseDisk:
            return DiffPulseCurrentDisk(env, a);
        case Kernel::SquareWaveDisk:
            return SquareWaveCurrentDisk(env, a);
        case Kernel::None:
        case Kernel::Convolution:
        case Kernel::StepConvolution:
        case Kernel::ThinFilmPulse:
            break;
    }
    return 0;
}

const char* TechniqueName(int technique) {
    switch (technique) {
        case technique::NormalPulse:
            return "Normal pulse voltammetry";
        case technique::DifferentialPulse:
            return "Differential pulse voltammetry";
        default:
            return "Square wave voltammetry";
    }
}

// Everything about reaction k that does not change from point to point.
struct ReactionPlan {
    KernelArgs args{};  // all but E and dE
    double factor = 1;  // FilmFactor at the thin film
    // The diffusion coefficients themselves (the kernel arguments may hold their roots).
    double Do = 0;
    double Dr = 0;
    // Mechanism 7: the catalytic step current's arguments (all but E) and its scale.
    KernelArgs catalytic{};
    double catFactor = 0;
};

constexpr int kReactionSlots = kMaxCharge + 1;

// The sphere-equivalent radius the spherical kernels use: a microdisc of radius r has the steady
// state of a sphere of radius pi r / 4 (4 nFDCr over the disc's area).
double EquivalentRadius(const Model& m, int caseCode) {
    return caseCode % 10 == 4 ? kPi * m.Radius / 4 : m.Radius.value();
}

ReactionPlan PlanReaction(const Model& m, const CasePlan& plan, int k, double scale) {
    ReactionPlan rp;
    KernelArgs& a = rp.args;
    const int o = m.ChargeSpecies(k, 1);
    const int r = m.ChargeSpecies(k, 2);
    const double rootDo = Sqrt(m.D(o));
    const double rootDr = Sqrt(m.D(r));
    a.Do = plan.diffusionCoefficients ? m.D(o).value() : rootDo;
    a.Dr = plan.diffusionCoefficients ? m.D(r).value() : rootDr;
    a.Co = m.C(o);
    a.Cr = m.C(r);
    double E0k = m.E0(k);
    a.ks = m.ks(k);
    a.alpha = m.Alpha(k);
    a.n = m.n(k);

    switch (static_cast<int>(m.Mechanism)) {
        case mechanism::EE:  // every step is fed with the bulk concentration of the first oxidant
            a.Co = m.C(m.ChargeSpecies(1, 1));
            break;
        case mechanism::Catalytic: {
            // S = sqrt((kf + kb) tcat)
            const double tcat = m.tdrop;
            rp.catFactor = scale * kSqrtPi * Sqrt((m.kf(k) + m.kb(k)) * tcat);
            break;
        }
        case mechanism::Complex: {
            const double shift = Log(m.Keq(1)) - m.LigandOrder(1) * Log(m.C(4));
            E0k = Checked(m.E0(k) + Div(m.RToverF, m.n(k)) * shift);
            a.Co = m.C(2);
            a.Cr = m.C(3);
            break;
        }
        default:
            break;
    }

    if (plan.filmFactor) {
        const double L = m.ElectrodeLength;
        E0k = Checked(m.E0(k) + Div(m.RToverF, m.n(k)) * Log(Div(m.n(k) * kSqrtPi * L, a.Do * Sqrt(m.tdrop))));
        rp.factor = Checked(m.ScanRate * L * Sqrt(Div(kPi * m.tdrop, m.D(o))));
    }

    switch (plan.e0) {
        case E0Argument::Adjusted:
            a.E0 = E0k;
            break;
        case E0Argument::Formal:
            a.E0 = m.E0(k);
            break;
        case E0Argument::PulseShifted:
            a.E0 = m.E0(k) - m.Epulse;
            break;
        case E0Argument::HalfPulse:
            a.E0 = m.E0(k) + m.Epulse / 2;
            break;
    }
    a.t1 = plan.pulseTime ? m.tpulse : m.tdrop;
    a.t2 = m.tdrop;
    a.dE = m.Epulse;

    rp.Do = m.D(o);
    rp.Dr = m.D(r);

    if (m.Mechanism == mechanism::Catalytic) {
        // The catalytic step is a planar step current, so it takes the square roots even at the
        // rotating disk.
        rp.catalytic = a;
        rp.catalytic.Do = rootDo;
        rp.catalytic.Dr = rootDr;
        rp.catalytic.E0 = E0k;
        rp.catalytic.t1 = m.tdrop;
        rp.catalytic.t2 = m.tdrop;
        rp.catalytic.dE = m.Epulse;
    }
    return rp;
}

struct RunPlan {
    CasePlan casePlan;
    KernelEnv env{};
    ReactionPlan reactions[kReactionSlots];
    // DC, normal and differential pulse solved point by point as sequences of potential steps
    // (SequencePoints) instead of by the closed-form step kernels.
    bool stepSequence = false;

    // The currents come from an integral equation in the post-processing, not from the point loop;
    // a catalytic kernel is then part of the current itself.
    bool IntegralEquation() const {
        return casePlan.kernel == Kernel::Convolution || casePlan.kernel == Kernel::StepConvolution || stepSequence;
    }
};

// The transport of the integral-equation solvers for the run's electrode and mechanism: the
// catalytic kernel for mechanism 7 (its reaction layer is thinner than any electrode's curvature),
// electrodes 2 to 4 the sphere of the sphere-equivalent radius, cylinders (5, 6 and the band,
// whose quarter width is the radius) the cylinder's.
void SetTransport(const Model& m, const RunPlan& run, int k, ConvolutionCouple& c) {
    const int at = m.CaseCode % 10;
    if (m.Mechanism == mechanism::Catalytic) {
        c.transport = Transport::Catalytic;
        c.kf = m.kf(k);
        c.kb = m.kb(k);
    } else if (at >= electrode::Sphere && at <= electrode::Band) {
        c.transport = at >= electrode::Cylinder ? Transport::Cylinder : Transport::Radial;
        c.radius = run.env.Radius;
    }
}

// Reaction k as the convolution solvers take it, its formal potential moved by e0Shift.
ConvolutionCouple CoupleOf(const Model& m, const RunPlan& run, int k, double e0Shift = 0) {
    const ReactionPlan& rp = run.reactions[k];
    ConvolutionCouple c;
    c.n = rp.args.n;
    c.alpha = rp.args.alpha;
    c.ks = rp.args.ks;
    c.E0 = rp.args.E0 + e0Shift;
    c.Co = rp.args.Co;
    c.Cr = rp.args.Cr;
    c.Do = rp.Do;
    c.Dr = rp.Dr;
    SetTransport(m, run, k, c);
    return c;
}

// The reactions 1..NCharge as couples for the integral-equation solvers; false when the run has no
// point or no reaction, so there is nothing to solve.
bool CouplesOf(const Model& m, const RunPlan& run, ConvolutionCouple* couples, double e0Shift = 0) {
    const int nCharge = m.NCharge;
    if (m.NData < 1 || nCharge < 1) return false;
    if (nCharge > kMaxCouples) Raise(ErrorCode::SubscriptOutOfRange);
    for (int k = 1; k <= nCharge; ++k) couples[k - 1] = CoupleOf(m, run, k, e0Shift);
    return true;
}

// The uncompensated resistance per unit of Scale, as the solvers' programmes take it.
double OhmicPerScale(const Model& m, double scale) {
    return m.Ru > 0 ? m.Ru * scale : 0.0;
}

// Point i of the store from an integral-equation solver: the current of each reaction 1..nCharge,
// current(k) per unit of Scale, and their total. The catalytic share is part of each current already.
template <typename Current>
void StorePoint(Model& m, int i, int nCharge, double scale, Current&& current) {
    double total = 0;
    for (int k = 1; k <= nCharge; ++k) {
        m.Ystore(i, k) = Checked(current(k) * scale);
        total += m.Ystore(i, k);
    }
    m.Ystore(i, m.StoreCol) = Checked(total);
    if (m.Mechanism == mechanism::Catalytic) m.Ystore(i, 8) = 0;
}

void PlanRun(const Model& m, double scale, RunPlan& run) {
    const int caseCode = m.CaseCode;
    run.casePlan = PlanFor(caseCode);
    if (run.casePlan.kernel == Kernel::ThinFilmPulse)
        throw RunError(ErrorCode::InvalidProcedureCall,
                       std::string(TechniqueName(caseCode / 10)) +
                           " has no analytical solution at a thin film electrode; use the digital simulation");
    // The base current is taken just before the pulse, after tdrop - tpulse at the base potential:
    // with no time there the layer is the bulk's and that current is the kinetic one of the bulk
    // solution, as large as ks allows.
    if ((run.casePlan.kernel == Kernel::DiffPulse || run.casePlan.kernel == Kernel::DiffPulseSph) &&
        !(m.tdrop > m.tpulse && m.tpulse > 0))
        throw PulseNotShorterThanDrop(m.tpulse, m.tdrop);
    run.env = {m.FoverRT, EquivalentRadius(m, caseCode), m.Omega, m.Viscosity};
    const int nCharge = m.NCharge;
    if (nCharge >= kReactionSlots) Raise(ErrorCode::SubscriptOutOfRange);
    for (int k = 1; k <= nCharge; ++k) run.reactions[k] = PlanReaction(m, run.casePlan, k, scale);
    // The closed-form step kernels hold for a step from the bulk at a plane or a sphere, with the
    // potential held where it was set. A cylinder has no closed-form step current, the catalytic
    // current of mechanism 7 is not Cottrell's with a catalytic term on top, and a resistance moves
    // the interface potential during the step: those take the integral equation of the step.
    const Kernel kernel = run.casePlan.kernel;
    const bool stepKernel = kernel == Kernel::Step || kernel == Kernel::Sphere || kernel == Kernel::DiffPulse ||
                            kernel == Kernel::DiffPulseSph;
    const int technique = caseCode / 10;
    const int at = caseCode % 10;
    const bool cylinder = at >= electrode::Cylinder && at <= electrode::Band;
    run.stepSequence = stepKernel && technique >= technique::DC && technique <= technique::DifferentialPulse &&
                       (cylinder || m.Mechanism == mechanism::Catalytic || m.Ru > 0);
}

// The thin-film sweep with a resistance: its current is taken in the point loop at the interface
// potential instead of by differentiating the staircase afterwards.
bool FilmSweepWithDrop(const Model& m) {
    return m.Ru > 0 && m.NData >= 2 && m.Xdata(2) != m.Xdata(1);
}

void AnalyticalPointLoop(Model& m, const RunPlan& run, double scale) {
    if (run.IntegralEquation()) return;
    const CasePlan& plan = run.casePlan;
    const int nData = m.NData;
    const int nCharge = m.NCharge;
    const int storeCol = m.StoreCol;
    const double Ru = m.Ru > 0 ? m.Ru.value() : 0.0;
    const double Epulse = m.Epulse;
    const double pointsPerSweep = m.PointsPerSweep;
    const bool catalytic =
        m.Mechanism == mechanism::Catalytic && m.Technique >= technique::Sweep && m.Technique <= technique::NormalPulse;
    if (m.Mechanism == mechanism::Catalytic)
        for (int i = 1; i <= nData; ++i) m.Ystore(i, 8) = 0;
    // With a resistance the steady-state currents (the rotating disk's) flow at the interface
    // potential E + Ru I they set themselves; the pulse techniques' two levels each at its own.
    const bool steady =
        plan.kernel == Kernel::Disk || plan.kernel == Kernel::DiffPulseDisk || plan.kernel == Kernel::SquareWaveDisk;
    auto steadyTotal = [&](double E) {
        double total = 0;
        for (int k = 1; k <= nCharge; ++k) {
            KernelArgs a = run.reactions[k].args;
            a.E = E;
            total += RotatingDiskCurrent(run.env, a) * run.reactions[k].factor * scale;
        }
        return Checked(total);
    };
    double shift = 0;  // interface less applied potential
    auto interfaceAt = [&](double applied) {
        double I = 0;
        return SolveOhmicDropAfter(applied, Ru, shift, steadyTotal, I);
    };
    // The thin-film sweep's current is the derivative of its kernel along the ramp, which the
    // post-processing takes on the staircase; with a resistance it is taken here at the interface
    // potential, in the direction the ramp runs at the point.
    const bool filmOhmic = plan.filmFactor && FilmSweepWithDrop(m);
    // the staircase's own central difference, so that a vanishing resistance gives its curve
    const double delta = nData >= 2 ? std::fabs(m.Xdata(2) - m.Xdata(1)) : 0.0;
    double direction = -m.ScanDir;
    auto filmCurrent = [&](int k, double E) {
        KernelArgs a = run.reactions[k].args;
        a.E = E + delta;
        const double above = StepCurrent(run.env.FoverRT, a);
        a.E = E - delta;
        const double below = StepCurrent(run.env.FoverRT, a);
        return direction * (above - below) / (2 * delta) * run.reactions[k].factor * scale;
    };
    auto filmTotal = [&](double E) {
        double total = 0;
        for (int k = 1; k <= nCharge; ++k) total += filmCurrent(k, E);
        return Checked(total);
    };
    for (int i = 1; i <= nData; ++i) {
        const double E = m.Xdata(i);
        const double dE = plan.alternatingPulse && i > pointsPerSweep ? -Epulse : Epulse;
        if (filmOhmic) {
            const double travel = m.Xdata(std::min(i + 1, nData)) - m.Xdata(std::max(i - 1, 1));
            if (travel != 0) direction = travel > 0 ? 1.0 : -1.0;
            double I = 0;
            const double Eint = SolveOhmicDropAfter(E, Ru, shift, filmTotal, I);
            m.Ystore(i, storeCol) = I;
            for (int k = 1; k <= nCharge; ++k) m.Ystore(i, k) = Checked(filmCurrent(k, Eint));
            continue;
        }
        // Ru > 0 at the disk: the base and the pulse level's interface potentials
        double Ebase = E, Epulsed = E + dE;
        if (Ru > 0 && steady) {
            if (plan.kernel != Kernel::Disk) Epulsed = interfaceAt(E + dE);
            Ebase = interfaceAt(E);
        }
        double Isum = 0;
        for (int k = 1; k <= nCharge; ++k) {
            const ReactionPlan& rp = run.reactions[k];
            if (plan.kernel != Kernel::None) {
                KernelArgs a = rp.args;
                a.E = Ebase;
                a.dE = dE;
                double value;
                if (Ru > 0 && steady && plan.kernel != Kernel::Disk) {
                    KernelArgs pulsed = a;
                    pulsed.E = Epulsed;
                    value = RotatingDiskCurrent(run.env, pulsed) - RotatingDiskCurrent(run.env, a);
                } else {
                    value = Evaluate(plan.kernel, run.env, a);
                }
                m.Ystore(i, k) = Checked(value * rp.factor);
            }
            if (catalytic) {
                KernelArgs c = rp.catalytic;
                c.E = Ebase;
                m.Ystore(i, 8) = Checked(StepCurrent(run.env.FoverRT, c) * rp.catFactor);
            }
            m.Ystore(i, k) = Checked(m.Ystore(i, k) * scale);
            Isum += m.Ystore(i, k);
        }
        m.Ystore(i, storeCol) = Checked(m.Ystore(i, storeCol) + Isum);
    }
}

// DC, normal pulse and differential pulse, every point from a fresh diffusion layer: a step from
// the bulk to the point's potential held for the drop time (DC) or to the pulse potential held
// for the pulse time (normal pulse), or the base potential held until the pulse and then the pulse
// (differential pulse: the current at the pulse's end less that just before it).
void SequencePoints(Model& m, const RunPlan& run, double scale) {
    ConvolutionCouple couples[kMaxCouples];
    if (!CouplesOf(m, run, couples)) return;
    const int nData = m.NData;
    const int nCharge = m.NCharge;
    const CasePlan& plan = run.casePlan;
    const bool differential = plan.kernel == Kernel::DiffPulse || plan.kernel == Kernel::DiffPulseSph;
    double potentials[2] = {}, durations[2] = {};
    StepProgramme programme;
    programme.potentials = potentials;
    programme.ohmic = OhmicPerScale(m, scale);
    if (differential) {
        const double tpulse = m.tpulse, tdrop = m.tdrop;  // tdrop > tpulse > 0: PlanRun saw to it
        programme.count = 2;
        durations[0] = tdrop - tpulse;
        durations[1] = tpulse;
        programme.durations = durations;
    } else {
        programme.count = 1;
        programme.duration = run.reactions[1].args.t1;
    }
    double out[kMaxCouples][2] = {};
    double* currents[kMaxCouples] = {};
    for (int k = 0; k < nCharge; ++k) currents[k] = out[k];
    StepWork work;
    const double Epulse = m.Epulse;
    const double pointsPerSweep = m.PointsPerSweep;
    for (int i = 1; i <= nData; ++i) {
        potentials[0] = m.Xdata(i);
        potentials[1] = m.Xdata(i) + (plan.alternatingPulse && i > pointsPerSweep ? -Epulse : Epulse);
        SolveSteps(m.FoverRT, couples, nCharge, programme, work, currents);
        StorePoint(m, i, nCharge, scale, [&](int k) {
            const double* c = currents[k - 1];
            return differential ? c[1] - c[0] : c[0];
        });
    }
}

// A sweep is a linear ramp of potential, so the current follows from the integral equation of
// diffusion and Butler-Volmer kinetics along that ramp, solved on the points' own times. It holds
// for any rate constant, from reversible to irreversible, and does not depend on the step between
// points. Electrodes 2 to 4 take the spherical kernel of the sphere-equivalent radius; mechanism 7
// the catalytic kernel (the reaction layer is then thinner than any electrode's curvature).
// Cylinders (5, 6 and the band, whose quarter width is the radius) take the cylinder's kernel.
void ConvolutionSweep(Model& m, const RunPlan& run, double scale) {
    ConvolutionCouple couples[kMaxCouples];
    if (!CouplesOf(m, run, couples)) return;
    const int nData = m.NData;
    const int nCharge = m.NCharge;
    const double v = m.ScanRate;
    if (!(v > 0)) Raise(ErrorCode::DivisionByZero);
    std::vector<double> times(static_cast<std::size_t>(nData)), potentials(times.size());
    for (int i = 1; i <= nData; ++i) {
        const auto at = static_cast<std::size_t>(i - 1);
        potentials[at] = m.Xdata(i);
        times[at] = i == 1 ? 0.0 : times[at - 1] + std::fabs(m.Xdata(i) - m.Xdata(i - 1)) / v;
    }
    std::vector<double> out(static_cast<std::size_t>(nCharge * nData));
    double* currents[kMaxCouples] = {};
    for (int k = 0; k < nCharge; ++k) currents[k] = out.data() + static_cast<std::size_t>(k * nData);
    SweepProgramme programme;
    programme.times = times.data();
    programme.potentials = potentials.data();
    programme.count = nData;
    programme.ohmic = OhmicPerScale(m, scale);
    ConvolutionWork work;
    SolveSweep(m.FoverRT, couples, nCharge, programme, work, currents);
    for (int i = 1; i <= nData; ++i) StorePoint(m, i, nCharge, scale, [&](int k) { return currents[k - 1][i - 1]; });
}

// Square wave: at every point of the staircase the electrode holds E - Epulse/2 for tpulse, then
// E + Epulse/2 for tpulse, from the start of the run without a break, and the current at the end of
// the second half less that at the end of the first is the point's current. The whole sequence is
// solved at once, so each half-period's current carries the diffusion layer of every earlier one.
void SquareWaveConvolution(Model& m, const RunPlan& run, double scale) {
    const double half = m.Epulse / 2;
    ConvolutionCouple couples[kMaxCouples];
    // The dispatch centres the difference kernel by +Epulse/2; the steps are at the potentials themselves.
    if (!CouplesOf(m, run, couples, -half)) return;
    const int nData = m.NData;
    const int nCharge = m.NCharge;
    std::vector<double> potentials(static_cast<std::size_t>(2 * nData));
    for (int i = 1; i <= nData; ++i) {
        potentials[static_cast<std::size_t>(2 * i - 2)] = m.Xdata(i) - half;
        potentials[static_cast<std::size_t>(2 * i - 1)] = m.Xdata(i) + half;
    }
    std::vector<double> out(potentials.size() * static_cast<std::size_t>(nCharge));
    double* currents[kMaxCouples] = {};
    for (int k = 0; k < nCharge; ++k) currents[k] = out.data() + potentials.size() * static_cast<std::size_t>(k);
    StepProgramme programme;
    programme.potentials = potentials.data();
    programme.count = static_cast<int>(potentials.size());
    programme.duration = m.tpulse;
    programme.ohmic = OhmicPerScale(m, scale);
    StepWork work;
    SolveSteps(m.FoverRT, couples, nCharge, programme, work, currents);
    for (int i = 1; i <= nData; ++i) {
        StorePoint(m, i, nCharge, scale, [&](int k) {
            const double* c = currents[k - 1];
            return c[2 * i - 1] - c[2 * i - 2];
        });
    }
}

void DifferentiateFilmSweep(Model& m) {
    CurCurveGuard guard(m);
    for (int k = 1; k <= m.StoreCol; ++k) {
        m.CurCurve = k;
        Differentiate(m, m.Ystore);
    }
}

void PostProcessAnalytical(Model& m, const RunPlan& run, double scale) {
    const int caseCode = m.CaseCode;
    const bool sweep = caseCode / 10 == technique::Sweep;
    const int at = caseCode % 10;
    if (sweep && at == electrode::ThinFilm && !FilmSweepWithDrop(m)) DifferentiateFilmSweep(m);
    if (run.stepSequence) SequencePoints(m, run, scale);
    if (run.casePlan.kernel == Kernel::Convolution) ConvolutionSweep(m, run, scale);
    if (run.casePlan.kernel == Kernel::StepConvolution) SquareWaveConvolution(m, run, scale);
    // Mechanism 7 at the rotating disk and the thin film: the catalytic step current on top of the
    // kernel's. Everywhere else the catalytic kernel is part of the current itself.
    if (m.Mechanism == mechanism::Catalytic && !run.IntegralEquation() && m.Technique >= technique::Sweep &&
        m.Technique <= technique::NormalPulse) {
        const int storeCol = m.StoreCol;
        for (int i = 1; i <= m.NData; ++i) m.Ystore(i, storeCol) = Checked(m.Ystore(i, storeCol) + m.Ystore(i, 8));
    }
}

}  // namespace

void BuildPotentialProgramme(Model& m) {
    if (m.Fitting) {
        // The measured potentials' first sweep ends at the first point farthest from the start
        // (the vertex of a cycle, the last point of a single sweep; an instrument's jitter does not
        // move it): the baseline and the pulses' reversal follow the measured sweeps as they follow
        // the simulated ones.
        const int nData = m.NData;
        int vertex = nData;
        double farthest = -1;
        for (int i = 1; i <= nData; ++i) {
            const double distance = std::fabs(m.Xdata(i) - m.Xdata(1));
            if (distance > farthest) farthest = distance, vertex = i;
        }
        m.PointsPerSweep = vertex;
        return;
    }
    const int pointsPerSweep = RoundToInt<std::int32_t>(std::fabs(Div(m.Eend - m.Estart, m.Estep))) + 1;
    const int nData = RoundToInt<std::int32_t>(m.ScanCycles * 2 * pointsPerSweep);
    // Checked before anything is written, so a rejected run leaves the stored curves intact.
    if (nData > kMaxPoints || nData < 0) Raise(ErrorCode::SubscriptOutOfRange);
    m.PointsPerSweep = pointsPerSweep;
    m.NData = nData;
    const double dir = m.ScanDir;
    for (int i = 1; i <= pointsPerSweep && i <= nData; ++i) m.Xdata(i) = m.Estart + dir * m.Estep * (i - 1);
    if (m.ScanCycles == 1 || m.ScanCycles == 2) {
        for (int i = 1; i <= pointsPerSweep; ++i) m.Xdata(pointsPerSweep + i) = m.Xdata(pointsPerSweep - i + 1);
    }
    if (m.ScanCycles == 2) {
        for (int i = 1; i <= 2 * pointsPerSweep; ++i) m.Xdata(2 * pointsPerSweep + i) = m.Xdata(i);
    }
}

SimulationOutcome RunSimulation(Model& m, Reporter& reporter, bool overlapChecked,
                                const std::function<void()>& afterCopy) {
    SimulationOutcome outcome;
    try {
        OpenCurveSlot(m, overlapChecked);
        const double scale = 0.001 * kFaraday * m.Area;
        m.ScanDir = m.Eend > m.Estart ? 1 : -1;
        m.StoreCol = AddInt16(m.NCharge, 1);
        BuildPotentialProgramme(m);
        for (int j = 1; j <= m.NData; ++j)
            for (int k = 1; k <= m.StoreCol; ++k) m.Ystore(j, k) = 0;

        outcome.points = m.NData;
        outcome.computed = m.NData;
        if (m.DigitalSim) {
            // After a failure the points computed before it are kept, and said to be all there is;
            // with none computed the user's previous curve stays.
            outcome.computed = SimulateDigital(m, reporter);
            if (outcome.computed == 0 && m.NData > 0) return outcome;
            if (outcome.computed < m.NData)
                reporter.Message("The curve is incomplete: " + std::to_string(outcome.computed) + " of " +
                                 std::to_string(m.NData.value()) + " points were computed.");
        } else {
            RunPlan run;
            PlanRun(m, scale, run);
            AnalyticalPointLoop(m, run, scale);
            PostProcessAnalytical(m, run, scale);
        }

        AddChargingCurrent(m);
        AddBackgroundLine(m);

        m.PlotYmax = 0;
        m.PlotYmin = 0;
        for (int i = 1; i <= m.NData; ++i) {
            const double y = m.Ystore(i, m.StoreCol);
            if (y > m.PlotYmax) m.PlotYmax = y;
            if (y < m.PlotYmin) m.PlotYmin = y;
        }

        if (m.Noise > 0 && !m.Fitting) AddNoise(m);

        for (int i = 1; i <= m.NData; ++i) m.Yplot(i, m.CurCurve) = m.Ystore(i, m.StoreCol);
        outcome.curveWritten = true;
        m.IFirst = 1;
        m.ILast = outcome.computed;
        if (afterCopy) afterCopy();
    } catch (const RunError& e) {
        reporter.Message("Analytical simulation Error: " + e.description() +
                         "! Please try again by other initial values.");
    }
    return outcome;
}

}  // namespace talvex
