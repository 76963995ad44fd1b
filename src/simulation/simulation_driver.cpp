#include "simulation/simulation_driver.h"

#include <algorithm>
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
#include "simulation/kernels.h"

namespace talvex {
namespace {

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
};

CasePlan PlanFor(int caseCode) {
    CasePlan p;
    const int techniqueCode = caseCode / 10;
    const int electrodeCode = caseCode % 10;
    if (techniqueCode < 1 || techniqueCode > technique::kCount || electrodeCode < 1) return p;
    const bool sphereLike = electrodeCode >= electrode::Sphere && electrodeCode <= electrode::Band;
    const bool disk = electrodeCode == electrode::RotatingDisk;
    p.diffusionCoefficients = disk;
    switch (techniqueCode) {
        case technique::Sweep:
            p.kernel = disk ? Kernel::Disk : Kernel::Convolution;
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
            p.kernel = sphereLike ? Kernel::Sphere : disk ? Kernel::Disk : Kernel::Step;
            p.e0 = E0Argument::PulseShifted;
            p.pulseTime = true;
            break;
        case technique::DifferentialPulse:
            p.kernel = sphereLike ? Kernel::DiffPulseSph : disk ? Kernel::DiffPulseDisk : Kernel::DiffPulse;
            p.e0 = E0Argument::Formal;
            p.pulseTime = true;
            p.alternatingPulse = true;
            break;
        case technique::SquareWave:
            p.kernel = disk ? Kernel::SquareWaveDisk : Kernel::StepConvolution;
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
            break;
    }
    return 0;
}

// Everything about reaction k that does not change from point to point.
struct ReactionPlan {
    KernelArgs args{};  // all but E and dE
    double factor = 1;
    // The diffusion coefficients themselves (the kernel arguments may hold their roots).
    double Do = 0;
    double Dr = 0;
    // Mechanism 7: the catalytic step current's arguments (all but E) and its scale.
    KernelArgs catalytic{};
    double catFactor = 0;
};

constexpr int kReactionSlots = kMaxCharge + 1;

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
// else the field of the electrode: a sphere (the hemisphere is half of one), the disc's own, a
// cylinder (the hemicylinder is half of one), the band's (Radius holds a quarter of its width, the
// radius of the hemicylinder it equals at long times), the film closed by a wall.
void SetTransport(const Model& m, int k, ConvolutionCouple& c) {
    if (m.Mechanism == mechanism::Catalytic) {
        c.transport = Transport::Catalytic;
        c.kf = m.kf(k);
        c.kb = m.kb(k);
        return;
    }
    c.radius = m.Radius;
    switch (m.CaseCode % 10) {
        case electrode::Sphere:
        case electrode::Hemisphere:
            c.transport = Transport::Radial;
            break;
        case electrode::Microdisc:
            c.transport = Transport::Disc;
            break;
        case electrode::Cylinder:
        case electrode::Hemicylinder:
            c.transport = Transport::Cylinder;
            break;
        case electrode::Band:
            c.transport = Transport::Band;
            break;
        case electrode::ThinFilm:
            c.transport = Transport::Film;
            c.radius = m.ElectrodeLength;
            break;
        default:
            break;
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
    SetTransport(m, k, c);
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
    // The base current is taken just before the pulse, after tdrop - tpulse at the base potential:
    // with no time there the layer is the bulk's and that current is the kinetic one of the bulk
    // solution, as large as ks allows.
    if ((run.casePlan.kernel == Kernel::DiffPulse || run.casePlan.kernel == Kernel::DiffPulseSph) &&
        !(m.tdrop > m.tpulse && m.tpulse > 0))
        throw PulseNotShorterThanDrop(m.tpulse, m.tdrop);
    run.env = {m.FoverRT, m.Radius, m.Omega, m.Viscosity};
    const int nCharge = m.NCharge;
    if (nCharge >= kReactionSlots) Raise(ErrorCode::SubscriptOutOfRange);
    for (int k = 1; k <= nCharge; ++k) run.reactions[k] = PlanReaction(m, run.casePlan, k, scale);
    // The closed-form step kernels hold for a step from the bulk at a plane or a sphere, with the
    // potential held where it was set. A disc, a cylinder, a band and a film have no closed-form
    // step current of a slow couple, the catalytic current of mechanism 7 is not Cottrell's with a
    // catalytic term on top, and a resistance moves the interface potential during the step: those
    // take the integral equation of the step. So does the differential pulse of a couple that is not
    // reversible over the pulse: its pulse starts from the layer the base potential has left, not
    // from the bulk.
    const Kernel kernel = run.casePlan.kernel;
    const bool stepKernel = kernel == Kernel::Step || kernel == Kernel::Sphere || kernel == Kernel::DiffPulse ||
                            kernel == Kernel::DiffPulseSph;
    const int technique = caseCode / 10;
    const int at = caseCode % 10;
    const bool ownField = at >= electrode::Microdisc && at != electrode::RotatingDisk;
    bool slowPulse = false;
    if (technique == technique::DifferentialPulse)
        for (int k = 1; k <= nCharge; ++k)
            slowPulse =
                slowPulse || !ReversibleOver(CoupleOf(m, run, k), std::min(m.tpulse.value(), m.tdrop - m.tpulse));
    run.stepSequence = stepKernel && technique >= technique::DC && technique <= technique::DifferentialPulse &&
                       (ownField || m.Mechanism == mechanism::Catalytic || m.Ru > 0 || slowPulse);
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
    for (int i = 1; i <= nData; ++i) {
        const double E = m.Xdata(i);
        const double dE = plan.alternatingPulse && i > pointsPerSweep ? -Epulse : Epulse;
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
// points. Each electrode has its own field (SetTransport); mechanism 7 the catalytic kernel.
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

void PostProcessAnalytical(Model& m, const RunPlan& run, double scale) {
    if (run.stepSequence) SequencePoints(m, run, scale);
    if (run.casePlan.kernel == Kernel::Convolution) ConvolutionSweep(m, run, scale);
    if (run.casePlan.kernel == Kernel::StepConvolution) SquareWaveConvolution(m, run, scale);
    // Mechanism 7 at the rotating disk: the catalytic step current on top of the kernel's.
    // Everywhere else the catalytic kernel is part of the current itself.
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
            const bool stopped = StopRequested(m) && outcome.computed < m.NData;
            if (outcome.computed == 0 && m.NData > 0) {
                if (stopped)
                    reporter.Message("The simulation was stopped before its first point: nothing was computed.");
                return outcome;
            }
            if (outcome.computed < m.NData)
                reporter.Message((stopped ? "The simulation was stopped: " : "The curve is incomplete: ") +
                                 std::to_string(outcome.computed) + " of " + std::to_string(m.NData.value()) +
                                 " points were computed.");
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
