#include "digital/simulate_digital.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/checked_math.h"
#include "core/codes.h"
#include "core/text_number.h"
#include "digital/band_geometry.h"
#include "digital/gauss_legendre.h"
#include "digital/linear_algebra.h"
#include "digital/ohmic_drop.h"
#include "digital/run_tables.h"
#include "digital/simulate_disc.h"
#include "digital/time_plan.h"

namespace talvex {
namespace {

constexpr double kCurrentPerMolar = 96.4846;  // F / 1000: mol/L to mol/cm3 in the current
constexpr double kPlanarLambda = 10.0;        // D dt / h^2 of the reference species
// Each box e^kBeta times wider than the one before: gentle enough that the grid's error stays
// below a tenth of a percent in the peak current and a tenth of a millivolt in its potential.
constexpr double kBeta = 0.5;

// Curved electrodes: a first box as wide as the electrode loses its geometry, so it is at most a
// tenth of the radius, and the grid expands gently enough to keep resolving the curvature: with
// every box e^0.5 times wider the reverse peak of a reversible voltammogram at a 10 um sphere
// (10 mV/s) comes out 4 % high, at e^0.1 0.2 %. A radius of many diffusion layers (kCurvedReach of
// the whole run) leaves the field planar, and the expansion goes over to the plane's, so that a
// huge radius gives the plane's grid.
constexpr double kCurvedFirstBox = 0.1;
constexpr double kCurvedBeta = 0.1;
constexpr double kCurvedReach = 10.0;

// The coarsest expansion a grid may take to fit the box arrays: every box e times wider.
constexpr double kCoarsestBeta = 1.0;

// Rotating disk: boxes fine against the diffusion layer of the slowest species; the grid need
// not reach beyond a few layers of the fastest, where the flow keeps the solution bulk.
constexpr double kDiskLayerBoxes = 10.0;
constexpr double kDiskBeta = 0.5;
constexpr double kDiskLayers = 8.0;

// The time steps of every technique: digital/time_plan.h.

// Fast homogeneous chemistry: the first box is at most this share of the reaction layer
// sqrt(D/k) of the fastest reaction, so the layer is resolved as well as the diffusion layer.
constexpr double kReactionLayerShare = 0.1;
// The fastest reaction a time step can take: (kf + kb) dt at most this.
constexpr double kFastestReactionSteps = 1e20;

// The coefficients of one time-step length.
struct Level {
    BoxField Alow, Aup;
    BoxBlocks B;
    EliminatedBlocks eliminated;
    SecondOrderStep second[kMaxChem];
};

// The integral of exp(-k (x^3 - x1^3)) from x1 to x2 (cm): 8-point Gauss-Legendre on pieces
// over which the exponent rises by at most 2; beyond a rise of 40 nothing is left to add.
double FlowIntegral(double k, double x1, double x2) {
    const double x13 = x1 * x1 * x1;
    const double total = k * (x2 * x2 * x2 - x13);
    double sum = 0.0;
    double from = x1;
    for (double rise = 2.0; from < x2; rise += 2.0) {
        const double to = rise >= total ? x2 : std::cbrt(x13 + rise / k);
        const double mid = (from + to) / 2;
        const double half = (to - from) / 2;
        for (int i = 0; i < 4; ++i) {
            const double lo = mid - half * kGaussNode[i];
            const double hi = mid + half * kGaussNode[i];
            sum += half * kGaussWeight[i] * (std::exp(-k * (lo * lo * lo - x13)) + std::exp(-k * (hi * hi * hi - x13)));
        }
        if (rise >= 40.0) break;
        from = to;
    }
    return sum;
}

class DigitalRun : RunTables {
  public:
    DigitalRun(Model& m, Reporter& reporter, const DigitalRefinement& refinement)
        : reporter_(reporter), m_(m), refinement_(refinement) {}
    void Prepare();
    void Run();
    DigitalGrid Grid() const { return {N_, h_, beta_, lambdaRef_, dt_}; }
    // Data points whose currents are in the store.
    int completed() const { return completed_; }

  private:
    int completed_ = 0;
    void BuildGrid();
    void AddFlow();
    void BuildLevel(Level& level, double dt);
    void ResetField();
    void SetPotential(double E);
    double SurfaceCurrent() const;
    void Solve(int levelIndex, const SpeciesField& rhs, double E);
    void SolveWithOhmicDrop(int levelIndex, const SpeciesField& rhs, double applied);
    void Advance(int levelIndex, double E);
    void Step(double E);
    void RunSteps();
    void Currents(double* I) const;
    double Rate(int r) const;
    void StoreCurrents(int p, Sample kind, const double* I);

    Reporter& reporter_;
    Model& m_;
    DigitalRefinement refinement_;

    double c0_[kMatDim] = {};
    double g_[kMatDim] = {};  // surface factor: box 1 minus surface = g(s) x net consumption
    double Cref_ = 0.0;
    int sref_ = 1;
    bool fluxForm_[kMatDim] = {};  // the row's kinetic terms outweigh its flux terms
    double Ru_ = 0.0;
    double ohmicShift_ = 0.0;  // interface less applied potential of the last step

    bool history_ = false;  // prev_ holds the field one step back

    // Grid, lengths in units of h
    int electrode_ = 1;
    int N_ = 0;
    double h_ = 0.0, beta_ = 1.0, lambdaRef_ = 0.0;
    double xb_[kBoxArray + 1] = {}, xc_[kBoxArray + 1] = {};
    double gIn_[kBoxArray] = {}, gOut_[kBoxArray] = {};
    double flowIn_[kBoxArray][kMatDim], flowOut_[kBoxArray][kMatDim];  // rotating disk
    bool flow_ = false;
    double Ifac_ = 0.0;

    // State of the run
    Level levels_[kMaxLevels];
    SpeciesField conc_, saved_, prev_, rhs_, start_;
    BoxField dmod_;
    Matrix surf0_, surf1_, surfInverse_;
    double kred_[kMaxCharge + 1] = {}, kox_[kMaxCharge + 1] = {};
    double lastE_ = 0.0;
    int lastLevel_ = -1;  // -1: the surface matrices must be rebuilt
    double base_[kMaxCharge + 1] = {};
    std::unique_ptr<NewtonWork> newton_;
};

void DigitalRun::BuildGrid() {
    electrode_ = m_.Electrode;
    if (electrode_ < electrode::Planar || electrode_ > electrode::RotatingDisk) Raise(ErrorCode::InvalidProcedureCall);

    // Reference species: the largest bulk concentration, the first one on ties.
    Cref_ = C_[1];
    sref_ = 1;
    for (int s = 2; s <= ns_; ++s) {
        if (C_[s] > Cref_) {
            Cref_ = C_[s];
            sref_ = s;
        }
    }
    for (int s = 1; s <= ns_; ++s) c0_[s] = Div(C_[s], Cref_);

    const double Dref = D_[sref_];
    h_ = Sqrt(Div(Dref * dt_, kPlanarLambda));
    beta_ = kBeta;
    // Fast chemistry: the first box resolves the reaction layer sqrt(D/k) of the fastest reaction
    // as well as the diffusion layer. Second-order rates act on concentrations relative to Cref,
    // none above 1 in the bulk, so kf + kb bounds their pseudo-first-order rate too.
    double kFast = 0.0, Dmin = Dref;
    for (int r = 1; r <= nChem_ + nChem2_; ++r) kFast = std::max(kFast, kf_[r] + kb_[r]);
    for (int s = 1; s <= ns_; ++s)
        if (D_[s] > 0.0) Dmin = std::min(Dmin, D_[s]);
    if (kFast > 0.0) h_ = std::min(h_, kReactionLayerShare * Sqrt(Div(Dmin, kFast)));
    // Past this the box coefficients D dt / h^2 of such a layer exceed 1e22, the time step's own
    // term (1) and the concentration differences across a box drown in their rounding, and the
    // currents scatter by tens of percent from one grid to the next: one clear message instead.
    if (kFast * dt_ > kFastestReactionSteps)
        throw RunError(
            ErrorCode::InvalidProcedureCall,
            "The chemical reaction is too fast for the digital simulation (kf + kb = " + GeneralFormat(kFast, 3) +
                " /s; at this time step it resolves at most " + GeneralFormat(kFastestReactionSteps / dt_, 2) + " /s)");

    const bool spherical = electrode_ == electrode::Sphere || electrode_ == electrode::Hemisphere;
    const bool cylindrical = electrode_ == electrode::Cylinder || electrode_ == electrode::Hemicylinder;
    const bool banded = electrode_ == electrode::Band;
    flow_ = electrode_ == electrode::RotatingDisk && m_.Omega > 0.0;
    double radius = 0.0;
    double reach = 0.0;  // cm; 0: six diffusion lengths of the whole run
    if (spherical || cylindrical || banded) {
        radius = m_.Radius;  // the band's: a quarter of its width
        if (!(radius > 0.0)) Raise(radius == 0.0 ? ErrorCode::DivisionByZero : ErrorCode::InvalidProcedureCall);
        h_ = std::min(h_, kCurvedFirstBox * radius);
        double Dmax = Dref;
        for (int s = 1; s <= ns_; ++s) Dmax = std::max(Dmax, D_[s]);
        const double curvature = std::min(1.0, kCurvedReach * std::sqrt(Dmax * runTime_) / radius);
        beta_ = kBeta - (kBeta - kCurvedBeta) * curvature;
    } else if (flow_) {
        double Dmax = Dref;
        for (int s = 1; s <= ns_; ++s) Dmax = std::max(Dmax, D_[s]);
        // Levich layer thickness 1.61 D^1/3 w^-1/2 nu^1/6
        const double scale = 1.61 * Pow(m_.Viscosity, 1.0 / 6.0) / Sqrt(m_.Omega);
        h_ = std::min(h_, scale * Pow(Dmin, 1.0 / 3.0) / kDiskLayerBoxes);
        beta_ = kDiskBeta;
        reach = kDiskLayers * scale * Pow(Dmax, 1.0 / 3.0);
    }
    h_ *= refinement_.firstBox;
    if (refinement_.beta > 0.0) beta_ = refinement_.beta;
    lambdaRef_ = Div(Dref * dt_, h_ * h_);

    // Boxes to six diffusion lengths of the whole run (of one point where each starts afresh),
    // or to the reach of the flow. A first box far below the diffusion layer (a tiny electrode,
    // a very fast reaction) would need more boxes than the arrays hold at the chosen expansion: the
    // expansion then grows as far as it must, up to every box e times wider than the one before
    // (steady profiles, which a small electrode and a thin reaction layer have, are exact on the
    // curved grids' conductances at any expansion).
    const double lengths = Sqrt(Div(runTime_, dt_) * lambdaRef_);  // in units of h
    auto boxes = [&](double beta) {
        const double e1 = std::exp(beta) - 1;
        double span = 6 * e1 * lengths;
        if (reach > 0.0) span = std::min(span, e1 * reach / h_);
        return Log(1 + span) / beta + 1;
    };
    const double most = kMaxBoxes;  // whole boxes: a count rounding up past the arrays is too many
    if (boxes(beta_) > most + 0.5 && refinement_.beta <= 0.0 && boxes(kCoarsestBeta) <= most) {
        double lo = beta_, hi = kCoarsestBeta;
        for (int k = 0; k < 60; ++k) {
            const double mid = (lo + hi) / 2;
            (boxes(mid) > most ? lo : hi) = mid;
        }
        beta_ = hi;
    }
    if (boxes(beta_) > most + 0.5)
        throw RunError(ErrorCode::SubscriptOutOfRange, "The grid cannot reach across the diffusion layer (" +
                                                           GeneralFormat(6 * lengths * h_, 3) +
                                                           " cm) from a first box of " + GeneralFormat(h_, 3) +
                                                           " cm in " + std::to_string(kMaxBoxes) + " boxes");
    N_ = RoundToInt(boxes(beta_));
    if (N_ < 1 || N_ > kMaxBoxes) Raise(ErrorCode::SubscriptOutOfRange);  // past the box arrays

    const double e1 = std::exp(beta_) - 1;
    for (int j = 1; j <= N_ + 2; ++j) {
        xb_[j] = (std::exp(beta_ * (j - 1)) - 1) / e1;
        xc_[j] = (std::exp(beta_ * (j - 0.5)) - 1) / e1;
    }

    // Coupling of box j to its inner and outer neighbour per unit of lambda. Curved grids use
    // the conductance of steady spherical or cylindrical diffusion between the nodes (and
    // between the electrode and box 1), so a microelectrode's steady state does not depend on
    // how coarse the outer boxes are. Distances from the axis or centre are written as multiples
    // of the radius, 1 + x rho with rho = h / radius (at most a tenth), so that a large electrode
    // reaches the planar couplings instead of cancelling them away.
    const double rho = spherical || cylindrical || banded ? h_ / radius : 0.0;
    // log(1 + z) / z, which is 1 at z = 0
    auto logRatio = [](double z) { return z > 1e-8 ? std::log1p(z) / z : 1 - z / 2; };
    for (int j = 1; j <= N_; ++j) {
        const double xIn = j == 1 ? 0.0 : xc_[j - 1];
        const double dIn = j == 1 ? xc_[1] : xc_[j] - xc_[j - 1];
        const double dOut = xc_[j + 1] - xc_[j];
        const double width = xb_[j + 1] - xb_[j];
        // a, b: the box's boundaries; rIn, rc, rOut: the nodes; each over the radius
        const double a = 1 + xb_[j] * rho, b = 1 + xb_[j + 1] * rho;
        const double rIn = 1 + xIn * rho, rc = 1 + xc_[j] * rho, rOut = 1 + xc_[j + 1] * rho;
        if (spherical) {
            // shell volume per unit solid angle over radius^2
            const double volume = width * (a * a + a * b + b * b) / 3;
            gIn_[j] = rIn * rc / (dIn * volume);
            gOut_[j] = rc * rOut / (dOut * volume);
        } else if (cylindrical) {
            // shell volume per unit angle and length over the radius
            const double volume = width * (a + b) / 2;
            gIn_[j] = rIn / (dIn * logRatio(dIn * rho / rIn) * volume);
            gOut_[j] = rc / (dOut * logRatio(dOut * rho / rc) * volume);
        } else if (banded) {
            // the band's field, from its volumes and steady resistances (in units of r0, then of h)
            auto resistance = [&](double from, double to) {
                return (band::Resistance(to * rho) - band::Resistance(from * rho)) / rho;
            };
            const double volume = (band::Volume(xb_[j + 1] * rho) - band::Volume(xb_[j] * rho)) / rho;
            gIn_[j] = 1 / (resistance(xIn, xc_[j]) * volume);
            gOut_[j] = 1 / (resistance(xc_[j], xc_[j + 1]) * volume);
        } else if (flow_) {
            // Node differences throughout, consistent with the flow terms below.
            gIn_[j] = 2 / ((dIn + dOut) * dIn);
            gOut_[j] = 2 / ((dIn + dOut) * dOut);
        } else {
            gIn_[j] = j == 1 ? 1 / xc_[1] : 1 / (width * dIn);
            gOut_[j] = 1 / (width * dOut);
        }
    }
    // The distance over which the surface gradient is taken, from the same steady profiles.
    double deff = xc_[1];
    if (spherical) deff = xc_[1] / (1 + xc_[1] * rho);
    if (cylindrical) deff = xc_[1] * logRatio(xc_[1] * rho);
    if (banded) deff = band::Resistance(xc_[1] * rho) / rho;

    Ifac_ = Checked(kCurrentPerMolar * m_.Area * Cref_);
    for (int s = 1; s <= ns_; ++s) g_[s] = Div(h_ * deff, D_[s]);
    for (int j = 1; j <= N_; ++j)
        for (int s = 1; s <= ns_; ++s) flowIn_[j][s] = flowOut_[j][s] = 1.0;
    if (flow_) AddFlow();
}

// The flow towards the disk, v = -0.51 w^3/2 nu^-1/2 x^2, makes the steady layer
// D c'' + a x^2 c' = 0, that is (p c')' = 0 with p = exp(a x^3 / 3D). Neighbouring nodes
// exchange the flux of that profile, which makes the steady state exact on any grid and keeps
// every coupling positive where a box is wide against the flow.
void DigitalRun::AddFlow() {
    const double a = Div(0.51 * Pow(m_.Omega, 1.5), Sqrt(m_.Viscosity));
    for (int s = 1; s <= ns_; ++s) {
        const double k = Div(a, 3 * D_[s]);
        for (int j = 1; j <= N_; ++j) {
            const double x = h_ * xc_[j];
            const double xIn = j == 1 ? 0.0 : h_ * xc_[j - 1];
            const double xOut = h_ * xc_[j + 1];
            const double rise = k * (x * x * x - xIn * xIn * xIn);
            const double inner = FlowIntegral(k, xIn, x);
            flowIn_[j][s] = rise > 700.0 ? 0.0 : (x - xIn) * std::exp(-rise) / inner;
            flowOut_[j][s] = (xOut - x) / FlowIntegral(k, x, xOut);
            if (j == 1) g_[s] = Div(inner, D_[s]);
        }
    }
}

void DigitalRun::BuildLevel(Level& level, double dt) {
    const double Dref = D_[sref_];
    const double lambda = Div(Dref * dt, h_ * h_);
    for (int s = 1; s <= ns_; ++s) {
        const double ls = lambda * Div(D_[s], Dref);
        for (int j = 1; j <= N_; ++j) {
            level.Alow(j, s) = ls * gIn_[j] * flowIn_[j][s];
            level.Aup(j, s) = ls * gOut_[j] * flowOut_[j][s];
        }
    }
    for (int j = 1; j <= N_; ++j) {
        Matrix& Bj = level.B.b[j];
        Bj.Clear();
        for (int s = 1; s <= ns_; ++s) Bj.a[s][s] = 1 + level.Alow(j, s) + level.Aup(j, s);
    }
    for (int r = 1; r <= nChem_ + nChem2_; ++r) {
        const double kfDt = Checked(kf_[r] * dt);
        const double kbDt = Checked(kb_[r] * dt);
        if (r <= nChem_) {
            const int a = chemLeft_[r];
            const int b = chemRight_[r];
            for (int j = 1; j <= N_; ++j) {
                Matrix& Bj = level.B.b[j];
                Bj.a[a][a] += kfDt;
                Bj.a[b][b] += kbDt;
                Bj.a[a][b] -= kbDt;
                Bj.a[b][a] -= kfDt;
            }
        } else {
            const int* sp = chem2_[r - nChem_];
            level.second[r - nChem_ - 1] = {sp[0], sp[1], sp[2], sp[3], kfDt, kbDt};
        }
    }
    // Linear steps: the blocks never change, so they are eliminated once for the whole run.
    if (nChem2_ == 0) EliminateBlocks(reporter_, level.B, level.Alow, level.Aup, N_, ns_, level.eliminated);
}

void DigitalRun::ResetField() {
    history_ = false;
    for (int j = 0; j <= N_ + 1; ++j) {
        conc_.v[j][0] = 0.0;
        for (int s = 1; s <= ns_; ++s) conc_.v[j][s] = c0_[s];
    }
}

// Butler-Volmer constants at E and the surface matrices: Surf1 c(1) = Surf0 c(0) row by row, each row
// divided by its largest term.
void DigitalRun::SetPotential(double E) {
    const double FoverRT = m_.FoverRT;
    for (int r = 1; r <= nCharge_; ++r) {
        const double eta = n_[r] * FoverRT * (E - e0_[r]);
        kred_[r] = Checked(ks_[r] * Exp(-alpha_[r] * eta));
        kox_[r] = Checked(ks_[r] * Exp((1 - alpha_[r]) * eta));
    }
    for (int i = 1; i <= ns_; ++i) {
        double kinetic = 0.0;
        for (int r = 1; r <= nCharge_; ++r) kinetic += std::fabs(rowRate_[i][r]) * (kred_[r] + kox_[r]);
        fluxForm_[i] = kinetic > rowSize_[i];
        const double scale = Div(1.0, Checked(std::max(rowSize_[i], kinetic)));
        for (int s = 1; s <= ns_; ++s) surf1_.a[i][s] = surf0_.a[i][s] = scale * rowBase_[i][s];
        for (int r = 1; r <= nCharge_; ++r) {
            const double w = scale * rowRate_[i][r];
            if (w == 0.0) continue;
            if (ox_[r] > 0) surf0_.a[i][ox_[r]] += w * kred_[r];
            if (red_[r] > 0) surf0_.a[i][red_[r]] -= w * kox_[r];
        }
    }
}

// The total current of the surface as it stands (reduction positive).
double DigitalRun::SurfaceCurrent() const {
    double total = 0.0;
    for (int r = 1; r <= nCharge_; ++r) total += n_[r] * Rate(r);
    return Checked(Ifac_ * total);
}

// One implicit step from rhs (which may be the field itself) into the field, at the applied
// potential E.
void DigitalRun::Solve(int levelIndex, const SpeciesField& rhs, double E) {
    if (Ru_ > 0.0) return SolveWithOhmicDrop(levelIndex, rhs, E);
    Level& level = levels_[levelIndex];
    const bool newPotential = E != lastE_ || lastLevel_ < 0;
    if (newPotential) SetPotential(E);
    if (nChem2_ > 0) {
        if (&rhs != &conc_)
            for (int j = 1; j <= N_; ++j)
                for (int s = 1; s <= ns_; ++s) conc_.v[j][s] = rhs.v[j][s];
        BlockTridiagSolve2(reporter_, m_.MaxIter, conc_, dmod_, level.Alow, level.Aup, level.B, surf0_, surf1_, N_, ns_,
                           level.second, nChem2_, *newton_);
    } else {
        if (newPotential || levelIndex != lastLevel_)
            SurfaceInverse(reporter_, level.eliminated, level.Alow, surf0_, surf1_, surfInverse_);
        SolveEliminated(level.eliminated, level.Alow, level.Aup, surfInverse_, rhs, conc_, dmod_);
    }
    lastE_ = E;
    lastLevel_ = levelIndex;
}

// The step at the interface potential E = applied + Ru I, with I the current at the end of this
// very step. Without second-order chemistry the interior does not depend on the potential: the
// right-hand side is eliminated once, and each trial potential costs only the small surface system.
void DigitalRun::SolveWithOhmicDrop(int levelIndex, const SpeciesField& rhs, double applied) {
    Level& level = levels_[levelIndex];
    double I = 0.0;
    double E = 0.0;
    if (nChem2_ > 0) {
        for (int j = 0; j <= N_ + 1; ++j)
            for (int s = 1; s <= ns_; ++s) start_.v[j][s] = (j >= 1 && j <= N_ ? rhs : conc_).v[j][s];
        E = SolveOhmicDropAfter(
            applied, Ru_, ohmicShift_,
            [&](double trial) {
                conc_ = start_;
                SetPotential(trial);
                BlockTridiagSolve2(reporter_, m_.MaxIter, conc_, dmod_, level.Alow, level.Aup, level.B, surf0_, surf1_,
                                   N_, ns_, level.second, nChem2_, *newton_);
                return SurfaceCurrent();
            },
            I);
    } else {
        EliminateRhs(level.eliminated, level.Aup, rhs, conc_, dmod_);
        E = SolveOhmicDropAfter(
            applied, Ru_, ohmicShift_,
            [&](double trial) {
                SetPotential(trial);
                SurfaceInverse(reporter_, level.eliminated, level.Alow, surf0_, surf1_, surfInverse_);
                SurfaceValues(level.eliminated, level.Alow, surfInverse_, dmod_, conc_);
                return SurfaceCurrent();
            },
            I);
        BackSubstitute(level.eliminated, level.Alow, dmod_, conc_);
    }
    lastE_ = E;
    lastLevel_ = -1;
}

void DigitalRun::Advance(int levelIndex, double E) {
    Solve(levelIndex, conc_, E);
}

// One time step to potential E: implicit Euler when there is no earlier field to build on, else
// the backward formula c(n+1) - 4/3 c(n) + 1/3 c(n-1) = 2/3 dt L c(n+1), an Euler step of 2/3 dt
// from the combined field. Both are stable for any step and do not ring after a potential jump.
void DigitalRun::Step(double E) {
    const bool second = bdf_ && history_;
    for (int j = 0; j <= N_ + 1; ++j)
        for (int s = 1; s <= ns_; ++s) {
            const double now = conc_.v[j][s];
            if (second) rhs_.v[j][s] = (4 * now - prev_.v[j][s]) / 3;
            prev_.v[j][s] = now;
        }
    if (second)
        Solve(1, rhs_, E);
    else
        Solve(0, conc_, E);
    history_ = bdf_;
}

// Currents of the charge transfers at the surface as it stands (reduction positive).
void DigitalRun::Currents(double* I) const {
    for (int r = 1; r <= nCharge_; ++r) I[r] = Checked(Ifac_ * n_[r] * Rate(r));
}

// The rate of transfer r at the surface as it stands. Where the kinetics are fast the surface
// concentrations sit at the Nernst ratio to rounding, and kred c_ox - kox c_red would multiply
// that rounding by the rate constants: the flux into box 1 (its own row of the surface relation,
// which the step met exactly) is then the rate. Slow kinetics leave box 1 and the surface
// nearly equal, and the rate law is the precise one.
double DigitalRun::Rate(int r) const {
    const double* surface = conc_.v[0];
    const int i = ownRow_[r];
    if (i > 0 && fluxForm_[i]) {
        double sum = 0.0;
        for (int s = 1; s <= ns_; ++s) sum += rowBase_[i][s] * (conc_.v[1][s] - surface[s]);
        return sum / rowRate_[i][r];
    }
    return kred_[r] * surface[ox_[r]] - kox_[r] * surface[red_[r]];
}

// Pulse techniques remember the base current and store the difference.
void DigitalRun::StoreCurrents(int p, Sample kind, const double* I) {
    double total = 0.0;
    for (int r = 1; r <= nCharge_; ++r) {
        if (kind == Sample::Base)
            base_[r] = I[r];
        else
            m_.Ystore(p, r) = technique_ >= technique::DifferentialPulse ? Checked(I[r] - base_[r]) : I[r];
        total += m_.Ystore(p, r);
    }
    m_.Ystore(p, nCharge_ + 1) = Checked(total);
}

void DigitalRun::Prepare() {
    // Tables that do not fit the work arrays end the run before anything is written.
    ReadTables(m_);
    ChooseTiming(m_, refinement_.timeSteps);
    // The grid reaches as far as quarter-pulse transients at every point would together.
    if (technique_ == technique::DifferentialPulse) runTime_ = m_.tpulse / 4 * m_.NData;
    BuildGrid();
    // Each species' flux into box 1 is what the charge transfers consume or make of it:
    // (c(1) - c(0)) / g(s) = sum_r nu(s, r) rate_r, g(s) = h deff / D(s). Weighting by each
    // species' own D conserves the flux, not the plain sum of the linked concentrations, so unequal
    // diffusion coefficients keep E1/2 where it belongs.
    double base[kMatDim] = {};
    for (int s = 1; s <= ns_; ++s) base[s] = Div(1.0, g_[s]);
    BuildSurfaceRows(base);
}

void DigitalRun::Run() {
    m_.MaxIter = 1;
    Prepare();
    Ru_ = m_.Ru > 0.0 ? m_.Ru.value() : 0.0;
    ohmicShift_ = 0.0;
    for (int r = 1; r <= nChem_ + nChem2_; ++r) {
        m_.kfDt(r) = Checked(kf_[r] * dt_);
        m_.kbDt(r) = Checked(kb_[r] * dt_);
    }
    surf0_.SetIdentity();
    surf1_.SetIdentity();
    if (nChem2_ > 0) newton_ = std::make_unique<NewtonWork>();
    for (int l = 0; l < nLevels_; ++l) BuildLevel(levels_[l], levelDt_[l]);
    ResetField();

    if (bdf_ && technique_ != technique::SquareWave) return RunSteps();
    if (bdf_) {
        // Every half-period of a square wave starts with a potential jump, after which the time
        // steps' error is of first order in their length: the whole run in steps half as long
        // halves it, and the difference of the two runs removes it.
        RunSteps();
        const int nData = m_.NData;
        const int cols = nCharge_ + 1;
        std::vector<double> coarse(static_cast<std::size_t>(nData * cols));
        for (int p = 1; p <= nData; ++p)
            for (int r = 1; r <= cols; ++r) coarse[static_cast<std::size_t>((p - 1) * cols + r - 1)] = m_.Ystore(p, r);
        steps_ *= 2;
        for (int l = 0; l < nLevels_; ++l) BuildLevel(levels_[l], levelDt_[l] / 2);
        lastLevel_ = -1;
        ResetField();
        RunSteps();
        for (int p = 1; p <= nData; ++p)
            for (int r = 1; r <= cols; ++r)
                m_.Ystore(p, r) =
                    Checked(2 * m_.Ystore(p, r) - coarse[static_cast<std::size_t>((p - 1) * cols + r - 1)]);
        return;
    }

    const int nData = m_.NData;
    const double pointsPerSweep = m_.PointsPerSweep;
    const double Epulse = m_.Epulse;
    for (int p = 1; p <= nData; ++p) {
        if (StopRequested(m_)) break;
        const double Ep = m_.Xdata(p);
        const double P = p <= pointsPerSweep ? Epulse : -Epulse;  // reversed on the way back
        if (freshLayer_) ResetField();
        for (int k = 0; k < nPhases_; ++k) {
            const Phase& phase = phases_[k];
            const double E = phase.pulse ? Ep + P : Ep;
            double I[kMaxCharge + 1];
            if (phase.extrapolate) {
                // Implicit steps overstate the current after a potential step by an error
                // proportional to the step length: the same phase in twice as many steps
                // halves it, and the difference of the two removes it.
                for (int j = 0; j <= N_ + 1; ++j)
                    for (int s = 1; s <= ns_; ++s) saved_.v[j][s] = conc_.v[j][s];
                for (int step = 1; step <= phase.steps; ++step) Advance(phase.level, E);
                double coarse[kMaxCharge + 1];
                Currents(coarse);
                for (int j = 0; j <= N_ + 1; ++j)
                    for (int s = 1; s <= ns_; ++s) conc_.v[j][s] = saved_.v[j][s];
                for (int step = 1; step <= 2 * phase.steps; ++step) Advance(phase.level + 1, E);
                Currents(I);
                for (int r = 1; r <= nCharge_; ++r) I[r] = Checked(2 * I[r] - coarse[r]);
            } else {
                for (int step = 1; step <= phase.steps; ++step) Advance(phase.level, E);
            }
            if (phase.sample != Sample::None) {
                if (!phase.extrapolate) Currents(I);
                StoreCurrents(p, phase.sample, I);
            }
        }
        for (int s = 1; s <= ns_; ++s) m_.Csurf(p, s) = Checked(Cref_ * conc_.v[0][s]);
        completed_ = p;
    }
}

// Sweep, DC, normal pulse and square wave. A sweep is a linear ramp: the first point holds the
// start potential for one interval, then the potential runs from point to point, and a point
// that repeats the one before (the vertex) takes no time. DC and normal pulse start every point
// from the bulk and hold (DC) the point's potential for tdrop or (normal pulse) the pulse for
// tpulse. A square wave holds E - Epulse/2, then E + Epulse/2, each for tpulse, and stores the
// second current less the first.
void DigitalRun::RunSteps() {
    const int nData = m_.NData;
    const double pointsPerSweep = m_.PointsPerSweep;
    const double Epulse = m_.Epulse;
    double I[kMaxCharge + 1] = {};
    for (int p = 1; p <= nData; ++p) {
        if (StopRequested(m_)) break;
        const double Ep = m_.Xdata(p);
        if (freshLayer_) ResetField();
        switch (technique_) {
            case technique::Sweep: {
                const double from = p > 1 ? m_.Xdata(p - 1) : Ep;
                if (p > 1 && from == Ep) break;  // the vertex again: no time passes
                for (int k = 1; k <= steps_; ++k) Step(from + (Ep - from) * k / steps_);
                Currents(I);
                break;
            }
            case technique::DC:
            case technique::NormalPulse: {
                const double P = p <= pointsPerSweep ? Epulse : -Epulse;  // reversed on the way back
                const double E = technique_ == technique::NormalPulse ? Ep + P : Ep;
                for (int k = 1; k <= steps_; ++k) Step(E);
                Currents(I);
                break;
            }
            default: {  // square wave
                for (int k = 1; k <= steps_; ++k) Step(Ep - Epulse / 2);
                Currents(I);
                StoreCurrents(p, Sample::Base, I);
                for (int k = 1; k <= steps_; ++k) Step(Ep + Epulse / 2);
                Currents(I);
                break;
            }
        }
        StoreCurrents(p, Sample::Final, I);
        for (int s = 1; s <= ns_; ++s) m_.Csurf(p, s) = Checked(Cref_ * conc_.v[0][s]);
        completed_ = p;
    }
}

}  // namespace

int SimulateDigital(Model& m, Reporter& reporter) {
    return SimulateDigital(m, reporter, DigitalRefinement{});
}

namespace {

// A disc so large that its edge carries nothing of the current runs as the plane it then is.
class PlanarDisc {
  public:
    explicit PlanarDisc(Model& m) : m_(m) { m_.Electrode = electrode::Planar; }
    ~PlanarDisc() { m_.Electrode = electrode::Microdisc; }
    PlanarDisc(const PlanarDisc&) = delete;
    PlanarDisc& operator=(const PlanarDisc&) = delete;

  private:
    Model& m_;
};

}  // namespace

int SimulateDigital(Model& m, Reporter& reporter, const DigitalRefinement& refinement) {
    if (m.Electrode == electrode::Microdisc) {
        if (!DiscActsAsPlane(m)) return SimulateDisc(m, reporter, refinement);
        PlanarDisc plane(m);
        return SimulateDigital(m, reporter, refinement);
    }
    // The work arrays (a few hundred kB) live for this run only; no allocation inside it.
    std::unique_ptr<DigitalRun> run;
    try {
        run = std::make_unique<DigitalRun>(m, reporter, refinement);
        run->Run();
    } catch (const RunError& e) {
        reporter.Message("CV Error: " + e.description() + "! Please try again by other initial values.");
    }
    return run ? run->completed() : 0;
}

RunError PulseNotShorterThanDrop(double tpulse, double tdrop) {
    return RunError(
        ErrorCode::InvalidProcedureCall,
        "The pulse (" + FieldFormat(tpulse) + " s) must be shorter than the drop time (" + FieldFormat(tdrop) + " s)");
}

DigitalGrid DescribeDigitalGrid(Model& m) {
    if (m.Electrode == electrode::Microdisc) {
        if (!DiscActsAsPlane(m)) return DescribeDiscGrid(m);
        PlanarDisc plane(m);
        return DescribeDigitalGrid(m);
    }
    // Preparing the grid solves nothing, so there is nothing to report.
    struct Silent : Reporter {
        void Message(const std::string&) override {}
    } silent;
    auto run = std::make_unique<DigitalRun>(m, silent, DigitalRefinement{});
    run->Prepare();
    return run->Grid();
}

}  // namespace talvex
