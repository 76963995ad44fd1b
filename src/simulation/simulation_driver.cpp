#include "simulation/simulation_driver.h"

#include <cmath>
#include <string>

#include "core/checked_math.h"
#include "core/codes.h"
#include "core/curve_slot.h"
#include "digital/simulate_digital.h"
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
    SphereTransient,  // sweeps at electrodes 2-7: the steady state comes from the radial term
    Sphere,
    Disk,
    DiffPulse,
    DiffPulseSph,
    DiffPulseDisk,
    SquareWave,
    SquareWaveSph,
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
    double factor = 1;
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
            p.kernel = sphereLike ? Kernel::SphereTransient : disk ? Kernel::Disk : Kernel::Step;
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
            p.kernel = film         ? Kernel::ThinFilmPulse
                       : sphereLike ? Kernel::SquareWaveSph
                       : disk       ? Kernel::SquareWaveDisk
                                    : Kernel::SquareWave;
            p.e0 = E0Argument::HalfPulse;
            p.pulseTime = true;
            p.factor = 2.4;
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
        case Kernel::SphereTransient:
            return SphericalStepParts(env, a).transient;
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
        case Kernel::SquareWave:
            return SquareWaveCurrent(env, a);
        case Kernel::SquareWaveSph:
            return SquareWaveCurrentSph(env, a);
        case Kernel::SquareWaveDisk:
            return SquareWaveCurrentDisk(env, a);
        case Kernel::None:
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
    double factor = 1;  // FilmFactor at the thin film, 2.4 for square wave
    // The steady-state (radial) term of a sweep: diffusion coefficient and bulk concentration of
    // the species that feeds the reaction, and the formal potential its kernel used.
    double feedD = 0;
    double feedC = 0;
    double feedE0 = 0;
    // Mechanism 7: the catalytic step current's arguments (all but E), its scale and
    // S = sqrt((kf + kb) tcat).
    KernelArgs catalytic{};
    double catFactor = 0;
    double S = 0;
};

constexpr int kReactionSlots = kMaxCharge + 1;

// The sphere-equivalent radius the spherical kernel and the radial term use: a microdisc of
// radius r has the steady state of a sphere of radius pi r / 4 (4 nFDCr over the disc's area).
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
            const double tcat = m.tdrop;
            rp.S = Sqrt((m.kf(k) + m.kb(k)) * tcat);
            rp.catFactor = scale * kSqrtPi * rp.S;
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
    } else {
        rp.factor = plan.factor;
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

    rp.feedD = m.D(o);
    rp.feedC = a.Co;
    rp.feedE0 = a.E0;

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
};

void PlanRun(const Model& m, double scale, RunPlan& run) {
    const int caseCode = m.CaseCode;
    run.casePlan = PlanFor(caseCode);
    if (run.casePlan.kernel == Kernel::ThinFilmPulse)
        throw RunError(ErrorCode::InvalidProcedureCall,
                       std::string(TechniqueName(caseCode / 10)) +
                           " has no analytical solution at a thin film electrode; use the digital simulation");
    run.env = {m.FoverRT, EquivalentRadius(m, caseCode), m.Omega, m.Viscosity};
    const int nCharge = m.NCharge;
    if (nCharge >= kReactionSlots) Raise(ErrorCode::SubscriptOutOfRange);
    for (int k = 1; k <= nCharge; ++k) run.reactions[k] = PlanReaction(m, run.casePlan, k, scale);
}

void AnalyticalPointLoop(Model& m, const RunPlan& run, double scale) {
    const CasePlan& plan = run.casePlan;
    const int nData = m.NData;
    const int nCharge = m.NCharge;
    const int storeCol = m.StoreCol;
    const double ohmicShare = m.Technique == technique::Sweep ? 0.25 : 1.0;
    const double Ru = m.Ru;
    const double Epulse = m.Epulse;
    const double pointsPerSweep = m.PointsPerSweep;
    const bool catalytic =
        m.Mechanism == mechanism::Catalytic && m.Technique >= technique::Sweep && m.Technique <= technique::NormalPulse;
    if (m.Mechanism == mechanism::Catalytic)
        for (int i = 1; i <= nData; ++i) m.Ystore(i, 8) = 0;
    double Iprev = 0;
    for (int i = 1; i <= nData; ++i) {
        const double Eeff = Checked(m.Xdata(i) + ohmicShare * Ru * Iprev);
        const double dE = plan.alternatingPulse && i > pointsPerSweep ? -Epulse : Epulse;
        double Isum = 0;
        for (int k = 1; k <= nCharge; ++k) {
            const ReactionPlan& rp = run.reactions[k];
            if (plan.kernel != Kernel::None) {
                KernelArgs a = rp.args;
                a.E = Eeff;
                a.dE = dE;
                m.Ystore(i, k) = Checked(Evaluate(plan.kernel, run.env, a) * rp.factor);
            }
            if (catalytic) {
                KernelArgs c = rp.catalytic;
                c.E = Eeff;
                m.Ystore(i, 8) = Checked(StepCurrent(run.env.FoverRT, c) * rp.catFactor);
            }
            m.Ystore(i, k) = Checked(m.Ystore(i, k) * scale);
            Isum += m.Ystore(i, k);
        }
        m.Ystore(i, storeCol) = Checked(m.Ystore(i, storeCol) + Isum);
        Iprev = m.Ystore(i, storeCol);
    }
}

// Semi-differentiates every store column of a sweep. The semi-derivative weight 0.25/sqrt(pi h)
// alone would make the peak scale with the potential step (right only near 5 mV); the factor
// 8 sqrt(pi h) takes that dependence out, so the sweep current is the same at any step.
void SemiDifferentiateSweep(Model& m) {
    if (m.NData < 4) return;
    const double h = PointSpacing(m);
    const double stepScale = 8 * Sqrt(kPi * h);
    CurCurveGuard guard(m);
    for (int k = 1; k <= m.StoreCol; ++k) {
        m.CurCurve = k;
        SemiDifferentiate(m, m.Ystore);
        for (int i = 1; i <= m.NData; ++i) m.Ystore(i, k) = Checked(m.Ystore(i, k) * stepScale);
    }
}

// The steady-state current a sweep at a sphere-like electrode adds to the semi-differentiated
// planar part: nFADC/r times the depletion of the feeding species at the applied potential,
// zero at the start potential. It goes into the reaction's own column too, so that the columns
// still add up to the total.
void AddRadialTerm(Model& m, const RunPlan& run, double scale) {
    const int storeCol = m.StoreCol;
    const double Estart = m.Estart;
    for (int k = 1; k <= m.NCharge; ++k) {
        const ReactionPlan& rp = run.reactions[k];
        const double n = rp.args.n;
        const double nf = m.FoverRT * n;
        const double limit = Checked(n * scale * rp.feedD * Div(rp.feedC, run.env.Radius));
        for (int i = 1; i <= m.NData; ++i) {
            const double E = m.Xdata(i);
            const double term = Div(limit * (1 - Exp(nf * (E - Estart))), 1 + Exp(nf * (E - rp.feedE0)));
            m.Ystore(i, storeCol) = Checked(m.Ystore(i, storeCol) + term);
            if (k != storeCol) m.Ystore(i, k) = Checked(m.Ystore(i, k) + term);
        }
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
    if (sweep && at >= electrode::Planar && at <= electrode::Band) SemiDifferentiateSweep(m);
    if (sweep && at >= electrode::Sphere && at <= electrode::Band) AddRadialTerm(m, run, scale);
    if (sweep && at == electrode::ThinFilm) DifferentiateFilmSweep(m);
    if (m.Mechanism == mechanism::Catalytic) {
        const int storeCol = m.StoreCol;
        if (m.Technique >= technique::Sweep && m.Technique <= technique::NormalPulse) {
            for (int i = 1; i <= m.NData; ++i) m.Ystore(i, storeCol) = Checked(m.Ystore(i, storeCol) + m.Ystore(i, 8));
        } else if (m.Technique == technique::DifferentialPulse || m.Technique == technique::SquareWave) {
            const int last = m.NCharge;
            const double S = last >= 1 ? run.reactions[last].S : 0.0;
            for (int i = 1; i <= m.NData; ++i) m.Ystore(i, storeCol) = Checked(m.Ystore(i, storeCol) * S / 1.38);
        }
    }
}

}  // namespace

void BuildPotentialProgramme(Model& m) {
    if (m.Fitting) {
        m.PointsPerSweep = m.NData / 2.0;
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
