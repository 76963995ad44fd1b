#include "digital/simulate_disc.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/checked_math.h"
#include "core/codes.h"
#include "core/constants.h"
#include "core/text_number.h"
#include "digital/dense_lu.h"
#include "digital/disc_grid.h"
#include "digital/ohmic_drop.h"
#include "digital/run_tables.h"
#include "digital/time_plan.h"

namespace talvex {
namespace {

constexpr double kCurrentPerMolar = 96.4846;  // F / 1000: mol/L to mol/cm3 in the current

// The time steps are those of the one-dimensional simulation (digital/time_plan.h), so that the
// disc and the other electrodes share their timing error.
constexpr double kFastestReactionSteps = 1e20;

// The grid follows the time step. Across the solution the first box is kLayerShare of the
// diffusion length of one step at the disc's centre (where z = a G), or kReactionLayerShare of
// the thinnest reaction layer. Along the disc the first box is kEdgeShare of the width, in eta,
// of the zone around the edge that one step's diffusion reaches: a distance d from the edge is
// eta ~ sqrt(2 d / a). The grid reaches kReach diffusion lengths of the whole run past the disc,
// but not beyond kFarthest radii, where what is left of the transient is below 1e-4 of the current.
constexpr double kLayerShare = 0.5;
constexpr double kReactionLayerShare = 0.1;
constexpr double kEdgeShare = 0.4;
constexpr double kReach = 6.0;
constexpr double kFarthest = 1e4;

// Second-order chemistry: chord (frozen-Jacobian Newton) iterations until no concentration
// (relative to the reference) moves by more than kChordTolerance; the Jacobian is taken afresh
// when an iteration shrinks the correction by less than kChordContraction.
constexpr double kChordTolerance = 1e-8;
constexpr double kChordContraction = 0.25;
constexpr int kMostChordIterations = 50;
constexpr double kChordEstimate = 6.0;  // iterations per step, for the size check

// out += W x for the M x M matrix W stored transposed (column q of W is row q of WT): a sweep down
// the columns, four at a time, so that `out` is read and written once per four columns.
void AddProduct(const double* __restrict WT, std::size_t M, const double* __restrict x, double* __restrict out) {
    std::size_t q = 0;
    for (; q + 4 <= M; q += 4) {
        const double* c0 = WT + q * M;
        const double* c1 = c0 + M;
        const double* c2 = c1 + M;
        const double* c3 = c2 + M;
        const double x0 = x[q], x1 = x[q + 1], x2 = x[q + 2], x3 = x[q + 3];
        for (std::size_t p = 0; p < M; ++p) out[p] += x0 * c0[p] + x1 * c1[p] + x2 * c2[p] + x3 * c3[p];
    }
    for (; q < M; ++q) {
        const double* column = WT + q * M;
        const double xq = x[q];
        for (std::size_t p = 0; p < M; ++p) out[p] += xq * column[p];
    }
}

// The coefficients of one time-step length and, per species component, the eliminated blocks.
struct DiscLevel {
    double dt = 0.0;
    // per node (j, k, s) in field order, j = 1..nG: couplings to the inner and outer neighbour
    // across and to the neighbours along, each over the box's own time term
    std::vector<double> alow, aup, west, east;
    double kfDt[kMaxChem + 1] = {}, kbDt[kMaxChem + 1] = {};
    // per component: W(j) = inverse of the eliminated block of line j (j = 1..nG, M x M each),
    // and K = W(1) diag(alow(1)), which maps the surface values onto line 1
    std::vector<double> W[kMaxSpecies + 1];
    std::vector<double> K[kMaxSpecies + 1];
    bool eliminated = false;
};

class DiscRun : RunTables {
  public:
    // Errors are raised, not reported: SimulateDisc traps them.
    DiscRun(Model& m, const DigitalRefinement& refinement) : m_(m), refinement_(refinement) {}
    void Prepare();
    void Run();
    // sqrt(pi) times the diffusion length of the whole run over the radius (the timing and tables read).
    double EdgeShare();
    DigitalGrid Grid() const;
    int completed() const { return completed_; }

  private:
    void FindComponents();
    void BuildGrid();
    void CheckSize() const;
    void PrepareSurface();
    void BuildLevel(DiscLevel& level, double dt);
    void Eliminate(DiscLevel& level, int c, bool linearised);
    void FillBlock(const DiscLevel& level, int c, int j, bool linearised, double* B) const;
    void SetPotential(double E);
    void BuildSurfaceSystem(const DiscLevel& level);
    void Forward(const DiscLevel& level, const std::vector<double>& rhs, bool bulk);
    void SurfaceValues(const std::vector<double>& extra, bool withExtra, std::vector<double>& field);
    void BackLine(const DiscLevel& level, int j, std::vector<double>& field) const;
    void Back(const DiscLevel& level, std::vector<double>& field) const;
    void Residual(const DiscLevel& level, const std::vector<double>& rhs);
    void SolveLinear(int levelIndex, const std::vector<double>& rhs, double E);
    void SolveNonlinear(int levelIndex, const std::vector<double>& rhs);
    void Solve(int levelIndex, const std::vector<double>& rhs, double E);
    void SolveWithOhmicDrop(int levelIndex, const std::vector<double>& rhs, double applied);
    void Step(double E);
    void Advance(int levelIndex, double E);
    void ResetField();
    void RunSteps();
    void RunPhases();
    double Rate(int k, int r) const;
    double SurfaceCurrent() const;
    void Currents(double* I) const;
    void StoreCurrents(int p, Sample kind, const double* I);
    void StoreSurface(int p);

    std::size_t At(int j, int k, int s) const { return static_cast<std::size_t>((j * nE_ + k) * ns_ + s - 1); }

    Model& m_;
    DigitalRefinement refinement_;
    int completed_ = 0;

    double c0_[kMaxSpecies + 1] = {};
    double Cref_ = 0.0;
    int sref_ = 1;

    // Species linked by chemistry are solved together; each component's blocks are eliminated
    // apart from the others.
    int nComp_ = 0;
    int compOf_[kMaxSpecies + 1] = {}, localOf_[kMaxSpecies + 1] = {};
    int compSpecies_[kMaxSpecies + 1][kMaxSpecies] = {};
    int compSize_[kMaxSpecies + 1] = {};
    bool compNonlinear_[kMaxSpecies + 1] = {};
    bool secondOrder_[kMaxSpecies + 1] = {};  // the species takes part in a second-order reaction
    // Components of one species that no reaction touches, with equal diffusion coefficients, have
    // the same blocks: the first of them (the owner) holds them, and all are swept together.
    int owner_[kMaxSpecies + 1] = {};
    int sharing_[kMaxSpecies + 1] = {};  // per owner: how many components use its blocks
    int members_[kMaxSpecies + 1][kMaxSpecies] = {};

    bool history_ = false;  // prev_ holds the field one step back

    // Grid
    double radius_ = 0.0;
    DiscGridLayout layout_;
    DiscGrid grid_;
    int nG_ = 0, nE_ = 0;
    std::vector<double> ringFactor_;  // G(k) (cm): box 1 minus surface = G(k) / D(s) x net consumption
    double Ifac_ = 0.0;

    double kred_[kMaxCharge + 1] = {}, kox_[kMaxCharge + 1] = {};
    std::vector<double> surf0_, surf1_;  // per ring k: ns x ns, rows scaled as the potential sets them
    std::vector<char> fluxForm_;         // per ring and row
    std::vector<double> surfaceMatrix_;  // the surface values' system, LU-factored
    std::vector<int> surfacePivot_;
    double lastE_ = 0.0;
    int lastLevel_ = -1;  // -1: the surface system must be rebuilt

    // State of the run
    DiscLevel levels_[kMaxLevels];
    std::vector<double> conc_, prev_, rhs_, saved_, rhsCopy_, residual_, delta_;
    std::vector<double> lines_[kMaxSpecies + 1];  // per component: W(j) d(j) of the forward sweep
    std::vector<double> vector_, surfaceRhs_, aupLine_, alowLine_;
    mutable std::vector<double> scratch_;
    std::vector<int> pivot_;
    double Ru_ = 0.0;
    double ohmicShift_ = 0.0;
    double base_[kMaxCharge + 1] = {};
};

// Union of the species that a chemical reaction links (a species number 0 is no species).
void DiscRun::FindComponents() {
    int parent[kMaxSpecies + 1];
    for (int s = 0; s <= ns_; ++s) parent[s] = s;
    auto root = [&](int s) {
        while (parent[s] != s) s = parent[s];
        return s;
    };
    auto join = [&](int a, int b) {
        if (a > 0 && b > 0) parent[root(a)] = root(b);
    };
    for (int r = 1; r <= nChem_; ++r) join(chemLeft_[r], chemRight_[r]);
    for (int r = 1; r <= nChem2_; ++r) {
        int any = 0;
        for (int k = 0; k < 4 && any == 0; ++k) any = chem2_[r][k];
        for (int k = 0; k < 4; ++k) join(any, chem2_[r][k]);
    }
    nComp_ = 0;
    int compOfRoot[kMaxSpecies + 1] = {};
    for (int s = 1; s <= ns_; ++s) {
        const int rs = root(s);
        if (compOfRoot[rs] == 0) compOfRoot[rs] = ++nComp_;
        const int c = compOfRoot[rs];
        compOf_[s] = c;
        localOf_[s] = compSize_[c];
        compSpecies_[c][compSize_[c]++] = s;
    }
    for (int r = 1; r <= nChem2_; ++r)
        for (int k = 0; k < 4; ++k)
            if (chem2_[r][k] > 0) compNonlinear_[compOf_[chem2_[r][k]]] = secondOrder_[chem2_[r][k]] = true;
    bool reacts[kMaxSpecies + 1] = {};
    for (int r = 1; r <= nChem_; ++r) reacts[chemLeft_[r]] = reacts[chemRight_[r]] = true;
    for (int c = 1; c <= nComp_; ++c) {
        const int s = compSpecies_[c][0];
        const bool plain = compSize_[c] == 1 && !compNonlinear_[c] && !reacts[s];
        owner_[c] = c;
        for (int o = 1; o < c && owner_[c] == c; ++o)
            if (plain && owner_[o] == o && compSize_[o] == 1 && !compNonlinear_[o] && !reacts[compSpecies_[o][0]] &&
                D_[compSpecies_[o][0]] == D_[s])
                owner_[c] = o;
        members_[owner_[c]][sharing_[owner_[c]]++] = c;
    }
}

void DiscRun::BuildGrid() {
    Cref_ = C_[1];
    sref_ = 1;
    for (int s = 2; s <= ns_; ++s) {
        if (C_[s] > Cref_) {
            Cref_ = C_[s];
            sref_ = s;
        }
    }
    for (int s = 1; s <= ns_; ++s) c0_[s] = Div(C_[s], Cref_);
    radius_ = m_.Radius;
    if (!(radius_ > 0.0)) Raise(radius_ == 0.0 ? ErrorCode::DivisionByZero : ErrorCode::InvalidProcedureCall);

    const double Dref = D_[sref_];
    double Dmin = Dref, Dmax = Dref, kFast = 0.0;
    for (int s = 1; s <= ns_; ++s) {
        if (D_[s] > 0.0) Dmin = std::min(Dmin, D_[s]);
        Dmax = std::max(Dmax, D_[s]);
    }
    for (int r = 1; r <= nChem_ + nChem2_; ++r) kFast = std::max(kFast, kf_[r] + kb_[r]);
    if (kFast * dt_ > kFastestReactionSteps)
        throw RunError(
            ErrorCode::InvalidProcedureCall,
            "The chemical reaction is too fast for the digital simulation (kf + kb = " + GeneralFormat(kFast, 3) +
                " /s; at this time step it resolves at most " + GeneralFormat(kFastestReactionSteps / dt_, 2) + " /s)");

    // The time step the grid is made for: the run's own, not the one a convergence study splits.
    const double gridDt = technique_ == technique::DifferentialPulse ? dt_ : dt_ * refinement_.timeSteps;
    double layer = Sqrt(Dref * gridDt) / radius_;  // one step's diffusion length, in radii
    layout_.firstAcross = kLayerShare * layer;
    if (kFast > 0.0) {
        const double reaction = Sqrt(Div(Dmin, kFast)) / radius_;
        layout_.firstAcross = std::min(layout_.firstAcross, kReactionLayerShare * reaction);
        layer = std::min(layer, reaction);
    }
    layout_.firstAlong = kEdgeShare * std::sqrt(2 * layer);
    layout_.farTan = std::min(kFarthest, 1 + kReach * Sqrt(Dmax * runTime_) / radius_);
    layout_.refine = refinement_.firstBox;
    Checked(layout_.firstAcross);
    Checked(layout_.farTan);
    CountDiscBoxes(layout_, nG_, nE_);
    CheckSize();
    grid_ = BuildDiscGrid(layout_);

    ringFactor_.assign(static_cast<std::size_t>(nE_), 0.0);
    for (int k = 0; k < nE_; ++k)
        ringFactor_[static_cast<std::size_t>(k)] =
            radius_ * grid_.ring[static_cast<std::size_t>(k)] / (2 * grid_.across[static_cast<std::size_t>(k)]);
    Ifac_ = Checked(kCurrentPerMolar * m_.Area * Cref_);
}

// The work of a run grows with the square of each component's line (boxes along x species) per
// time step and with the cube of the surface system per new potential; second-order chemistry
// iterates each step (kChordEstimate iterations counted). A grid past the limits is refused
// before anything runs, with the electrode and the limit named.
void DiscRun::CheckSize() const {
    const double nG = nG_, nE = nE_;
    double lineSquares = 0.0, lineCubes = 0.0;
    for (int c = 1; c <= nComp_; ++c) {
        const double M = nE * compSize_[c];
        lineSquares += M * M;
        lineCubes += M * M * M;
    }
    const double Ms = nE * ns_;
    const double nData = m_.NData;
    double steps = 0.0, potentials = 0.0;
    switch (technique_) {
        case technique::Sweep:
            steps = potentials = nData * steps_;
            break;
        case technique::SquareWave:  // the run twice, the second in steps half as long
            steps = 3.0 * 2.0 * nData * steps_;
            potentials = 3.0 * 2.0 * nData;
            break;
        case technique::DifferentialPulse:  // the pulse in its steps and in twice as many
            steps = nData * (phases_[0].steps + 3.0 * phases_[1].steps);
            potentials = 3.0 * nData;
            break;
        default:
            steps = nData * steps_;
            potentials = nData;
            break;
    }
    const double iterations = nChem2_ > 0 ? kChordEstimate : 1.0;
    const double fields = 9.0 + 4.0 * nLevels_;  // the run's fields and each level's couplings
    const double bytes = 8.0 * (nLevels_ * nG * lineSquares + 2 * Ms * Ms + fields * (nG + 2) * Ms);
    const double work =
        steps * iterations * 2 * nG * lineSquares + potentials * Ms * Ms * Ms / 3 + nLevels_ * nG * lineCubes;
    const std::string disc = "The microdisc of radius " + GeneralFormat(radius_, 3) + " cm needs ";
    const std::string grid = std::to_string(nG_) + " x " + std::to_string(nE_) + " boxes";
    if (bytes > kDiscMemoryLimit)
        throw RunError(ErrorCode::Overflow, disc + GeneralFormat(bytes, 2) + " bytes for its two-dimensional grid of " +
                                                grid + "; the limit is " + GeneralFormat(kDiscMemoryLimit, 2) +
                                                " bytes");
    if (work > kDiscWorkLimit)
        throw RunError(ErrorCode::Overflow, disc + GeneralFormat(work, 2) +
                                                " operations on its two-dimensional grid of " + grid + " over " +
                                                GeneralFormat(steps, 3) + " time steps; the limit is " +
                                                GeneralFormat(kDiscWorkLimit, 2) + " operations");
}

// The surface rows of the one-dimensional run, written per unit of 1/G(k) (ring k's rows are these
// divided by G(k)): each species' own coefficient is its D. Then the rows' room per ring.
void DiscRun::PrepareSurface() {
    for (int i = 1; i <= ns_; ++i)
        if (!(D_[i] > 0.0)) Raise(D_[i] == 0.0 ? ErrorCode::DivisionByZero : ErrorCode::InvalidProcedureCall);
    RunTables::BuildSurfaceRows(D_);
    const std::size_t perRing = static_cast<std::size_t>(ns_ * ns_);
    surf0_.assign(perRing * static_cast<std::size_t>(nE_), 0.0);
    surf1_.assign(surf0_.size(), 0.0);
    fluxForm_.assign(static_cast<std::size_t>(nE_ * ns_), 0);
}

void DiscRun::BuildLevel(DiscLevel& level, double dt) {
    level.dt = dt;
    const std::size_t size = static_cast<std::size_t>((nG_ + 2) * nE_ * ns_);
    level.alow.assign(size, 0.0);
    level.aup.assign(size, 0.0);
    level.west.assign(size, 0.0);
    level.east.assign(size, 0.0);
    const auto& g = grid_;
    for (int s = 1; s <= ns_; ++s) {
        const double lambda = Checked(D_[s] * dt / (radius_ * radius_));
        for (int j = 1; j <= nG_; ++j)
            for (int k = 0; k < nE_; ++k) {
                const std::size_t box = static_cast<std::size_t>(g.Box(j, k));
                const double over = lambda / g.volume[box];
                const std::size_t at = At(j, k, s);
                level.alow[at] = over * g.across[static_cast<std::size_t>((j - 1) * nE_ + k)];
                level.aup[at] = over * g.across[static_cast<std::size_t>(j * nE_ + k)];
                if (k > 0) level.west[at] = over * g.along[box];
                if (k + 1 < nE_) level.east[at] = over * g.along[box + 1];
            }
    }
    for (int r = 1; r <= nChem_ + nChem2_; ++r) {
        level.kfDt[r] = Checked(kf_[r] * dt);
        level.kbDt[r] = Checked(kb_[r] * dt);
    }
    level.eliminated = false;
    for (int c = 1; c <= nComp_; ++c)
        if (!compNonlinear_[c] && owner_[c] == c) Eliminate(level, c, false);
    level.eliminated = nChem2_ == 0;
}

// The block of line j for component c, transposed (column p of the block is row p here): the time
// term, diffusion along the line, and the chemistry of each box; with `linearised`, the
// second-order rates' Jacobian about the field as it stands.
void DiscRun::FillBlock(const DiscLevel& level, int c, int j, bool linearised, double* B) const {
    const int mc = compSize_[c];
    const int M = nE_ * mc;
    std::fill(B, B + static_cast<std::ptrdiff_t>(M) * M, 0.0);
    auto entry = [&](int k, int row, int col) -> double& {
        return B[static_cast<std::ptrdiff_t>(k * mc + localOf_[col]) * M + k * mc + localOf_[row]];
    };
    for (int k = 0; k < nE_; ++k) {
        for (int t = 0; t < mc; ++t) {
            const int s = compSpecies_[c][t];
            const std::size_t at = At(j, k, s);
            const std::ptrdiff_t p = k * mc + t;
            B[p * M + p] = 1 + level.alow[at] + level.aup[at] + level.west[at] + level.east[at];
            if (k > 0) B[(p - mc) * M + p] = -level.west[at];
            if (k + 1 < nE_) B[(p + mc) * M + p] = -level.east[at];
        }
        for (int r = 1; r <= nChem_; ++r) {
            const int a = chemLeft_[r], b = chemRight_[r];
            const int s = a > 0 ? a : b;
            if (s == 0 || compOf_[s] != c) continue;
            if (a > 0) entry(k, a, a) += level.kfDt[r];
            if (b > 0) entry(k, b, b) += level.kbDt[r];
            if (a > 0 && b > 0) {
                entry(k, a, b) -= level.kbDt[r];
                entry(k, b, a) -= level.kfDt[r];
            }
        }
        if (!linearised) continue;
        for (int r = 1; r <= nChem2_; ++r) {
            const int* sp = chem2_[r];
            int any = 0;
            for (int q = 0; q < 4; ++q) any = any > 0 ? any : sp[q];
            if (any == 0 || compOf_[any] != c) continue;
            const double kf = level.kfDt[nChem_ + r], kb = level.kbDt[nChem_ + r];
            auto conc = [&](int s) { return s > 0 ? conc_[At(j, k, s)] : 0.0; };
            // d(rate)/dc of rate = kf c(p1) c(p2) - kb c(q1) c(q2)
            const int who[4] = {sp[0], sp[1], sp[2], sp[3]};
            const double slope[4] = {kf * conc(sp[1]), kf * conc(sp[0]), -kb * conc(sp[3]), -kb * conc(sp[2])};
            for (int row = 0; row < 4; ++row) {
                if (who[row] == 0) continue;
                const double sign = row < 2 ? 1.0 : -1.0;
                for (int col = 0; col < 4; ++col)
                    if (who[col] > 0) entry(k, who[row], who[col]) += sign * slope[col];
            }
        }
    }
}

// Block elimination from the outer lines towards the disc: E(j) = B(j) - diag(aup(j)) W(j+1)
// diag(alow(j+1)), W(j) = E(j)^-1. Everything is kept transposed (the inverse of the transpose is
// the transpose of the inverse), so that every product with W runs down contiguous memory.
void DiscRun::Eliminate(DiscLevel& level, int c, bool linearised) {
    const int mc = compSize_[c];
    const int M = nE_ * mc;
    const std::size_t Mz = static_cast<std::size_t>(M);
    const std::size_t MM = Mz * Mz;
    std::vector<double>& W = level.W[c];
    W.resize(MM * static_cast<std::size_t>(nG_));
    pivot_.resize(Mz);
    aupLine_.resize(Mz);
    alowLine_.resize(Mz);
    for (int j = nG_; j >= 1; --j) {
        double* E = W.data() + MM * static_cast<std::size_t>(j - 1);
        FillBlock(level, c, j, linearised, E);
        if (j < nG_) {
            const double* Wout = W.data() + MM * static_cast<std::size_t>(j);
            for (int k = 0; k < nE_; ++k)
                for (int t = 0; t < mc; ++t) {
                    const std::size_t p = static_cast<std::size_t>(k * mc + t);
                    aupLine_[p] = level.aup[At(j, k, compSpecies_[c][t])];
                    alowLine_[p] = level.alow[At(j + 1, k, compSpecies_[c][t])];
                }
            // transposed: E'(q, p) -= alow(j+1)(q) W'(j+1)(q, p) aup(j)(p)
            for (std::size_t q = 0; q < Mz; ++q) {
                double* row = E + q * Mz;
                const double* wrow = Wout + q * Mz;
                const double low = alowLine_[q];
                for (std::size_t p = 0; p < Mz; ++p) row[p] -= low * wrow[p] * aupLine_[p];
            }
        }
        Invert(E, M, pivot_.data());
    }
    // K(p, q) = W(1)(p, q) alow(1)(q), row by row
    std::vector<double>& K = level.K[c];
    K.resize(MM);
    for (int k = 0; k < nE_; ++k)
        for (int t = 0; t < mc; ++t)
            alowLine_[static_cast<std::size_t>(k * mc + t)] = level.alow[At(1, k, compSpecies_[c][t])];
    for (std::size_t q = 0; q < Mz; ++q)
        for (std::size_t p = 0; p < Mz; ++p) K[p * Mz + q] = W[q * Mz + p] * alowLine_[q];
}

// Butler-Volmer constants at E and, ring by ring, the surface rows Surf1 c(1) = Surf0 c(0), each
// row divided by its largest term.
void DiscRun::SetPotential(double E) {
    const double FoverRT = m_.FoverRT;
    for (int r = 1; r <= nCharge_; ++r) {
        const double eta = n_[r] * FoverRT * (E - e0_[r]);
        kred_[r] = Checked(ks_[r] * Exp(-alpha_[r] * eta));
        kox_[r] = Checked(ks_[r] * Exp((1 - alpha_[r]) * eta));
    }
    for (int k = 0; k < nE_; ++k) {
        const double G = ringFactor_[static_cast<std::size_t>(k)];
        double* s0 = surf0_.data() + static_cast<std::size_t>(k * ns_ * ns_);
        double* s1 = surf1_.data() + static_cast<std::size_t>(k * ns_ * ns_);
        for (int i = 1; i <= ns_; ++i) {
            double kinetic = 0.0;
            for (int r = 1; r <= nCharge_; ++r) kinetic += std::fabs(rowRate_[i][r]) * (kred_[r] + kox_[r]);
            const double size = rowSize_[i] / G;
            fluxForm_[static_cast<std::size_t>(k * ns_ + i - 1)] = kinetic > size;
            const double scale = Div(1.0, Checked(std::max(size, kinetic)));
            double* row0 = s0 + (i - 1) * ns_;
            double* row1 = s1 + (i - 1) * ns_;
            for (int s = 1; s <= ns_; ++s) row1[s - 1] = row0[s - 1] = scale * rowBase_[i][s] / G;
            for (int r = 1; r <= nCharge_; ++r) {
                const double w = scale * rowRate_[i][r];
                if (w == 0.0) continue;
                if (ox_[r] > 0) row0[ox_[r] - 1] += w * kred_[r];
                if (red_[r] > 0) row0[red_[r] - 1] -= w * kox_[r];
            }
        }
    }
}

// The system of the surface values: line 1 is c(1) = u + K c(0) (u from the forward sweep), so
// Surf1 c(1) = Surf0 c(0) becomes (Surf0 - Surf1 K) c(0) = Surf1 u.
void DiscRun::BuildSurfaceSystem(const DiscLevel& level) {
    const int Ms = nE_ * ns_;
    const std::size_t MsS = static_cast<std::size_t>(Ms);
    surfaceMatrix_.assign(MsS * MsS, 0.0);
    surfacePivot_.resize(MsS);
    for (int k = 0; k < nE_; ++k) {
        const double* s0 = surf0_.data() + static_cast<std::size_t>(k * ns_ * ns_);
        const double* s1 = surf1_.data() + static_cast<std::size_t>(k * ns_ * ns_);
        for (int i = 0; i < ns_; ++i) {
            double* row = surfaceMatrix_.data() + static_cast<std::size_t>(k * ns_ + i) * MsS;
            for (int s = 0; s < ns_; ++s) row[k * ns_ + s] += s0[i * ns_ + s];
            for (int s = 1; s <= ns_; ++s) {
                const double w = s1[i * ns_ + s - 1];
                if (w == 0.0) continue;
                const int c = compOf_[s], mc = compSize_[c];
                const std::size_t M = static_cast<std::size_t>(nE_ * mc);
                const double* Krow = level.K[owner_[c]].data() + static_cast<std::size_t>(k * mc + localOf_[s]) * M;
                for (int k2 = 0; k2 < nE_; ++k2)
                    for (int t = 0; t < mc; ++t)
                        row[k2 * ns_ + compSpecies_[c][t] - 1] -= w * Krow[static_cast<std::size_t>(k2 * mc + t)];
            }
        }
    }
    LuFactor(surfaceMatrix_.data(), Ms, surfacePivot_.data());
}

// The elimination of a right-hand side from the outer lines in: d(j) = rhs(j) + aup(j) y(j+1),
// y(j) = W(j) d(j), with the bulk beyond the last line (or nothing, for a correction). Components
// that share their blocks are swept together, each column of W read once for all of them.
void DiscRun::Forward(const DiscLevel& level, const std::vector<double>& rhs, bool bulk) {
    for (int c = 1; c <= nComp_; ++c) {
        if (owner_[c] != c) continue;
        const int mc = compSize_[c];
        const std::size_t M = static_cast<std::size_t>(nE_ * mc);
        const int nm = sharing_[c];
        for (int j = nG_; j >= 1; --j) {
            double* outs[kMaxSpecies];
            const double* ds[kMaxSpecies];
            for (int r = 0; r < nm; ++r) {
                const int member = members_[c][r];
                std::vector<double>& y = lines_[member];
                const double* outer = y.data() + M * static_cast<std::size_t>(j);  // y(j+1)
                double* d = vector_.data() + M * static_cast<std::size_t>(r);
                for (int k = 0; k < nE_; ++k)
                    for (int t = 0; t < mc; ++t) {
                        const int s = compSpecies_[member][t];
                        const std::size_t p = static_cast<std::size_t>(k * mc + t);
                        const std::size_t at = At(j, k, s);
                        const double beyond = j == nG_ ? (bulk ? c0_[s] : 0.0) : outer[p];
                        d[p] = rhs[at] + level.aup[at] * beyond;
                    }
                outs[r] = y.data() + M * static_cast<std::size_t>(j - 1);
                ds[r] = d;
                std::fill(outs[r], outs[r] + M, 0.0);
            }
            const double* WT = level.W[c].data() + M * M * static_cast<std::size_t>(j - 1);
            for (int r = 0; r < nm; ++r) AddProduct(WT, M, ds[r], outs[r]);
        }
    }
}

// The surface values from the factored surface system into field(0): Surf1 u (+ extra, the
// surface rows' own residual in a correction).
void DiscRun::SurfaceValues(const std::vector<double>& extra, bool withExtra, std::vector<double>& field) {
    const int Ms = nE_ * ns_;
    surfaceRhs_.assign(static_cast<std::size_t>(Ms), 0.0);
    for (int k = 0; k < nE_; ++k) {
        const double* s1 = surf1_.data() + static_cast<std::size_t>(k * ns_ * ns_);
        for (int i = 0; i < ns_; ++i) {
            double sum = withExtra ? extra[static_cast<std::size_t>(k * ns_ + i)] : 0.0;
            for (int s = 1; s <= ns_; ++s) {
                const int c = compOf_[s];
                sum += s1[i * ns_ + s - 1] * lines_[c][static_cast<std::size_t>(k * compSize_[c] + localOf_[s])];
            }
            surfaceRhs_[static_cast<std::size_t>(k * ns_ + i)] = sum;
        }
    }
    LuSolve(surfaceMatrix_.data(), Ms, surfacePivot_.data(), surfaceRhs_.data());
    for (int k = 0; k < nE_; ++k)
        for (int s = 1; s <= ns_; ++s) field[At(0, k, s)] = surfaceRhs_[static_cast<std::size_t>(k * ns_ + s - 1)];
}

// Line j from line j - 1: c(j) = y(j) + W(j) (alow(j) c(j-1)).
void DiscRun::BackLine(const DiscLevel& level, int j, std::vector<double>& field) const {
    for (int c = 1; c <= nComp_; ++c) {
        if (owner_[c] != c) continue;
        const int mc = compSize_[c];
        const std::size_t M = static_cast<std::size_t>(nE_ * mc);
        const int nm = sharing_[c];
        double* outs[kMaxSpecies];
        const double* xs[kMaxSpecies];
        for (int r = 0; r < nm; ++r) {
            const int member = members_[c][r];
            double* x = scratch_.data() + 2 * M * static_cast<std::size_t>(r);
            double* out = x + M;
            const double* y = lines_[member].data() + M * static_cast<std::size_t>(j - 1);
            for (int k = 0; k < nE_; ++k)
                for (int t = 0; t < mc; ++t) {
                    const int s = compSpecies_[member][t];
                    const std::size_t p = static_cast<std::size_t>(k * mc + t);
                    x[p] = level.alow[At(j, k, s)] * field[At(j - 1, k, s)];
                    out[p] = y[p];
                }
            outs[r] = out;
            xs[r] = x;
        }
        const double* WT = level.W[c].data() + M * M * static_cast<std::size_t>(j - 1);
        for (int r = 0; r < nm; ++r) AddProduct(WT, M, xs[r], outs[r]);
        for (int r = 0; r < nm; ++r) {
            const int member = members_[c][r];
            for (int k = 0; k < nE_; ++k)
                for (int t = 0; t < mc; ++t)
                    field[At(j, k, compSpecies_[member][t])] = outs[r][static_cast<std::size_t>(k * mc + t)];
        }
    }
}

void DiscRun::Back(const DiscLevel& level, std::vector<double>& field) const {
    for (int j = 1; j <= nG_; ++j) BackLine(level, j, field);
}

// residual_ = rhs - A(conc_) over the lines (A with the chemistry, second order included) and, per
// ring, Surf1 c(1) - Surf0 c(0) (the surface rows read Surf0 c(0) - Surf1 c(1) = 0): the right-hand
// sides of the correction.
void DiscRun::Residual(const DiscLevel& level, const std::vector<double>& rhs) {
    residual_.assign(conc_.size(), 0.0);
    for (int j = 1; j <= nG_; ++j)
        for (int k = 0; k < nE_; ++k) {
            double rate2[kMaxChem + 1] = {};
            auto conc = [&](int s) { return s > 0 ? conc_[At(j, k, s)] : 0.0; };
            for (int r = 1; r <= nChem2_; ++r) {
                const int* sp = chem2_[r];
                rate2[r] = level.kfDt[nChem_ + r] * conc(sp[0]) * conc(sp[1]) -
                           level.kbDt[nChem_ + r] * conc(sp[2]) * conc(sp[3]);
            }
            for (int s = 1; s <= ns_; ++s) {
                const std::size_t at = At(j, k, s);
                const double c = conc_[at];
                double a = c * (1 + level.alow[at] + level.aup[at] + level.west[at] + level.east[at]) -
                           level.alow[at] * conc_[At(j - 1, k, s)] - level.aup[at] * conc_[At(j + 1, k, s)];
                if (k > 0) a -= level.west[at] * conc_[At(j, k - 1, s)];
                if (k + 1 < nE_) a -= level.east[at] * conc_[At(j, k + 1, s)];
                for (int r = 1; r <= nChem_; ++r) {
                    if (chemLeft_[r] == s) a += level.kfDt[r] * c - level.kbDt[r] * conc(chemRight_[r]);
                    if (chemRight_[r] == s) a += level.kbDt[r] * c - level.kfDt[r] * conc(chemLeft_[r]);
                }
                for (int r = 1; r <= nChem2_; ++r)
                    for (int q = 0; q < 4; ++q)
                        if (chem2_[r][q] == s) a += q < 2 ? rate2[r] : -rate2[r];
                residual_[at] = rhs[at] - a;
            }
        }
    // the surface rows' residual, kept in the surface slots (line 0)
    for (int k = 0; k < nE_; ++k) {
        const double* s0 = surf0_.data() + static_cast<std::size_t>(k * ns_ * ns_);
        const double* s1 = surf1_.data() + static_cast<std::size_t>(k * ns_ * ns_);
        for (int i = 0; i < ns_; ++i) {
            double sum = 0.0;
            for (int s = 1; s <= ns_; ++s)
                sum += s1[i * ns_ + s - 1] * conc_[At(1, k, s)] - s0[i * ns_ + s - 1] * conc_[At(0, k, s)];
            residual_[At(0, k, i + 1)] = sum;
        }
    }
}

void DiscRun::SolveLinear(int levelIndex, const std::vector<double>& rhs, double E) {
    DiscLevel& level = levels_[levelIndex];
    if (E != lastE_ || levelIndex != lastLevel_) {
        SetPotential(E);
        BuildSurfaceSystem(level);
        lastE_ = E;
        lastLevel_ = levelIndex;
    }
    Forward(level, rhs, true);
    SurfaceValues(residual_, false, conc_);
    Back(level, conc_);
}

// Second-order chemistry: chord iterations on the whole field with the Jacobian of an earlier
// iterate, taken afresh when the corrections stop shrinking fast. Concentrations of the species
// that react in second order are kept from going negative: there the product of two rates would
// turn the wrong way and throw the iteration off.
void DiscRun::SolveNonlinear(int levelIndex, const std::vector<double>& rhs) {
    DiscLevel& level = levels_[levelIndex];
    auto refresh = [&]() {
        for (int c = 1; c <= nComp_; ++c)
            if (compNonlinear_[c]) Eliminate(level, c, true);
        level.eliminated = true;
        BuildSurfaceSystem(level);
    };
    if (!level.eliminated)
        refresh();
    else if (levelIndex != lastLevel_)
        BuildSurfaceSystem(level);
    lastLevel_ = levelIndex;
    double previous = 0.0;
    int iterations = 0, refreshed = 0;
    for (int v = 1; v <= kMostChordIterations; ++v) {
        iterations = v;
        Residual(level, rhs);
        Forward(level, residual_, false);
        for (int k = 0; k < nE_; ++k)
            for (int s = 1; s <= ns_; ++s) delta_[At(0, k, s)] = 0.0;
        SurfaceValues(residual_, true, delta_);
        Back(level, delta_);
        double moved = 0.0;
        for (int j = 0; j <= nG_; ++j)
            for (int k = 0; k < nE_; ++k)
                for (int s = 1; s <= ns_; ++s) {
                    const std::size_t at = At(j, k, s);
                    double next = conc_[at] + delta_[at];
                    if (secondOrder_[s] && next < 0.0) next = 0.0;
                    moved = std::max(moved, std::fabs(next - conc_[at]));
                    conc_[at] = next;
                }
        Checked(moved);
        if (moved <= kChordTolerance) break;
        if (v > 1 && moved > kChordContraction * previous && v - refreshed >= 2) {
            refresh();
            refreshed = v;
        }
        previous = moved;
    }
    if (iterations > m_.MaxIter) m_.MaxIter = iterations;
}

void DiscRun::Solve(int levelIndex, const std::vector<double>& rhs, double E) {
    if (Ru_ > 0.0) return SolveWithOhmicDrop(levelIndex, rhs, E);
    if (nChem2_ == 0) return SolveLinear(levelIndex, rhs, E);
    if (E != lastE_ || lastLevel_ < 0) {
        SetPotential(E);
        lastE_ = E;
        lastLevel_ = -1;
    }
    const std::vector<double>* source = &rhs;
    if (&rhs == &conc_) {
        rhsCopy_ = rhs;
        source = &rhsCopy_;
    }
    SolveNonlinear(levelIndex, *source);
}

// The step at the interface potential E = applied + Ru I, with I the current at the end of this
// very step. Without second-order chemistry the interior does not depend on the potential: the
// right-hand side is eliminated once, and each trial potential costs only the surface system.
void DiscRun::SolveWithOhmicDrop(int levelIndex, const std::vector<double>& rhs, double applied) {
    DiscLevel& level = levels_[levelIndex];
    double I = 0.0;
    double E = 0.0;
    if (nChem2_ > 0) {
        // Each trial solves the same step from the same right-hand side; it starts from the
        // field of the trial before, which is closer to its answer than the old field is.
        rhsCopy_ = rhs;
        E = SolveOhmicDropAfter(
            applied, Ru_, ohmicShift_,
            [&](double trial) {
                SetPotential(trial);
                lastLevel_ = -1;
                SolveNonlinear(levelIndex, rhsCopy_);
                return SurfaceCurrent();
            },
            I);
    } else {
        Forward(level, rhs, true);
        E = SolveOhmicDropAfter(
            applied, Ru_, ohmicShift_,
            [&](double trial) {
                SetPotential(trial);
                BuildSurfaceSystem(level);
                SurfaceValues(residual_, false, conc_);
                BackLine(level, 1, conc_);
                return SurfaceCurrent();
            },
            I);
        Back(level, conc_);
    }
    lastE_ = E;
    lastLevel_ = -1;
}

void DiscRun::Advance(int levelIndex, double E) {
    Solve(levelIndex, conc_, E);
}

// Implicit Euler when there is no earlier field, else the second-order backward formula, an
// Euler step of 2/3 dt from (4 c(n) - c(n-1)) / 3.
void DiscRun::Step(double E) {
    const bool second = bdf_ && history_;
    // Second-order chemistry iterates from a guess: the field carried on along its last step.
    const bool predict = second && nChem2_ > 0;
    const std::size_t size = conc_.size();
    for (std::size_t i = 0; i < size; ++i) {
        const double now = conc_[i];
        if (second) rhs_[i] = (4 * now - prev_[i]) / 3;
        if (predict) conc_[i] = std::max(2 * now - prev_[i], 0.0);
        prev_[i] = now;
    }
    if (second)
        Solve(1, rhs_, E);
    else
        Solve(0, conc_, E);
    history_ = bdf_;
}

void DiscRun::ResetField() {
    history_ = false;
    for (int j = 0; j <= nG_ + 1; ++j)
        for (int k = 0; k < nE_; ++k)
            for (int s = 1; s <= ns_; ++s) conc_[At(j, k, s)] = c0_[s];
}

// The rate of transfer r on ring k (reduction positive), as the one-dimensional run takes it: the
// flux into box 1 where the kinetics are fast, the rate law where they are slow.
double DiscRun::Rate(int k, int r) const {
    const int i = ownRow_[r];
    if (i > 0 && fluxForm_[static_cast<std::size_t>(k * ns_ + i - 1)]) {
        double sum = 0.0;
        for (int s = 1; s <= ns_; ++s) sum += rowBase_[i][s] * (conc_[At(1, k, s)] - conc_[At(0, k, s)]);
        return sum / (ringFactor_[static_cast<std::size_t>(k)] * rowRate_[i][r]);
    }
    const double cox = ox_[r] > 0 ? conc_[At(0, k, ox_[r])] : 0.0;
    const double cred = red_[r] > 0 ? conc_[At(0, k, red_[r])] : 0.0;
    return kred_[r] * cox - kox_[r] * cred;
}

// Each reaction's rate averaged over the disc's area, ring by ring.
void DiscRun::Currents(double* I) const {
    for (int r = 1; r <= nCharge_; ++r) {
        double sum = 0.0;
        for (int k = 0; k < nE_; ++k) sum += grid_.ring[static_cast<std::size_t>(k)] * Rate(k, r);
        I[r] = Checked(Ifac_ * n_[r] * sum);
    }
}

double DiscRun::SurfaceCurrent() const {
    double I[kMaxCharge + 1] = {};
    Currents(I);
    double total = 0.0;
    for (int r = 1; r <= nCharge_; ++r) total += I[r];
    return Checked(total);
}

void DiscRun::StoreCurrents(int p, Sample kind, const double* I) {
    double total = 0.0;
    for (int r = 1; r <= nCharge_ && r <= kMaxCharge; ++r) {
        if (kind == Sample::Base)
            base_[r] = I[r];
        else
            m_.Ystore(p, r) = technique_ >= technique::DifferentialPulse ? Checked(I[r] - base_[r]) : I[r];
        total += m_.Ystore(p, r);
    }
    m_.Ystore(p, nCharge_ + 1) = Checked(total);
}

// The surface concentrations averaged over the disc.
void DiscRun::StoreSurface(int p) {
    for (int s = 1; s <= ns_; ++s) {
        double sum = 0.0;
        for (int k = 0; k < nE_; ++k) sum += grid_.ring[static_cast<std::size_t>(k)] * conc_[At(0, k, s)];
        m_.Csurf(p, s) = Checked(Cref_ * sum);
    }
}

double DiscRun::EdgeShare() {
    ReadTables(m_);
    ChooseTiming(m_, refinement_.timeSteps);
    const double radius = m_.Radius;
    double Dmax = 0.0;
    for (int s = 1; s <= ns_; ++s) Dmax = std::max(Dmax, D_[s]);
    if (!(radius > 0.0) || !(Dmax >= 0.0)) return 1.0;
    return Checked(std::sqrt(kPi * Dmax * runTime_) / radius);
}

void DiscRun::Prepare() {
    ReadTables(m_);
    ChooseTiming(m_, refinement_.timeSteps);
    FindComponents();
    BuildGrid();
    PrepareSurface();
}

void DiscRun::Run() {
    m_.MaxIter = 1;
    Prepare();
    Ru_ = m_.Ru > 0.0 ? m_.Ru.value() : 0.0;
    ohmicShift_ = 0.0;
    for (int r = 1; r <= nChem_ + nChem2_; ++r) {
        m_.kfDt(r) = Checked(kf_[r] * dt_);
        m_.kbDt(r) = Checked(kb_[r] * dt_);
    }
    const std::size_t size = static_cast<std::size_t>((nG_ + 2) * nE_ * ns_);
    conc_.assign(size, 0.0);
    prev_.assign(size, 0.0);
    rhs_.assign(size, 0.0);
    saved_.assign(size, 0.0);
    residual_.assign(size, 0.0);
    delta_.assign(size, 0.0);
    std::size_t widest = 0;
    for (int c = 1; c <= nComp_; ++c) {
        const std::size_t M = static_cast<std::size_t>(nE_ * compSize_[c]);
        widest = std::max(widest, M * static_cast<std::size_t>(sharing_[c]));
        lines_[c].assign(M * static_cast<std::size_t>(nG_ + 1), 0.0);
    }
    scratch_.assign(2 * widest, 0.0);
    vector_.assign(widest, 0.0);
    ResetField();
    for (int l = 0; l < nLevels_; ++l) BuildLevel(levels_[l], levelDt_[l]);

    if (bdf_ && technique_ != technique::SquareWave) return RunSteps();
    if (bdf_) {
        // Each half-period starts with a potential jump, after which the steps' error is of first
        // order: the run in steps half as long halves it, and the difference removes it.
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
    RunPhases();
}

// Differential pulse: every point from a fresh layer, the base potential, then the pulse run twice
// (in its steps and in twice as many) and extrapolated.
void DiscRun::RunPhases() {
    const int nData = m_.NData;
    const double pointsPerSweep = m_.PointsPerSweep;
    const double Epulse = m_.Epulse;
    for (int p = 1; p <= nData; ++p) {
        if (StopRequested(m_)) break;
        const double Ep = m_.Xdata(p);
        const double P = p <= pointsPerSweep ? Epulse : -Epulse;
        if (freshLayer_) ResetField();
        for (int k = 0; k < nPhases_; ++k) {
            const Phase& phase = phases_[k];
            const double E = phase.pulse ? Ep + P : Ep;
            double I[kMaxCharge + 1];
            if (phase.extrapolate) {
                saved_ = conc_;
                for (int step = 1; step <= phase.steps; ++step) Advance(phase.level, E);
                double coarse[kMaxCharge + 1];
                Currents(coarse);
                conc_ = saved_;
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
        StoreSurface(p);
        completed_ = p;
    }
}

// Sweep (a linear ramp from point to point; the repeated vertex takes no time), DC and normal
// pulse (each point from a fresh layer), square wave (E - Epulse/2 then E + Epulse/2, each tpulse).
void DiscRun::RunSteps() {
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
                if (p > 1 && from == Ep) break;
                for (int k = 1; k <= steps_; ++k) Step(from + (Ep - from) * k / steps_);
                Currents(I);
                break;
            }
            case technique::DC:
            case technique::NormalPulse: {
                const double P = p <= pointsPerSweep ? Epulse : -Epulse;
                const double E = technique_ == technique::NormalPulse ? Ep + P : Ep;
                for (int k = 1; k <= steps_; ++k) Step(E);
                Currents(I);
                break;
            }
            default: {
                for (int k = 1; k <= steps_; ++k) Step(Ep - Epulse / 2);
                Currents(I);
                StoreCurrents(p, Sample::Base, I);
                for (int k = 1; k <= steps_; ++k) Step(Ep + Epulse / 2);
                Currents(I);
                break;
            }
        }
        StoreCurrents(p, Sample::Final, I);
        StoreSurface(p);
        completed_ = p;
    }
}

DigitalGrid DiscRun::Grid() const {
    DigitalGrid g;
    g.N = nG_;
    g.along = nE_;
    g.h = radius_ * std::tan(grid_.gFace.size() > 1 ? grid_.gFace[1] : 0.0);
    g.beta = 0.0;
    g.dt = dt_;
    g.lambdaRef = g.h > 0.0 ? D_[sref_] * dt_ / (g.h * g.h) : 0.0;
    return g;
}

}  // namespace

int SimulateDisc(Model& m, Reporter& reporter, const DigitalRefinement& refinement) {
    std::unique_ptr<DiscRun> run;
    try {
        run = std::make_unique<DiscRun>(m, refinement);
        run->Run();
    } catch (const RunError& e) {
        reporter.Message("CV Error: " + e.description() + "! Please try again by other initial values.");
    }
    return run ? run->completed() : 0;
}

bool DiscActsAsPlane(Model& m) {
    try {
        auto run = std::make_unique<DiscRun>(m, DigitalRefinement{});
        return run->EdgeShare() < kPlanarDisc;
    } catch (const RunError&) {
        return false;
    }
}

DigitalGrid DescribeDiscGrid(Model& m) {
    auto run = std::make_unique<DiscRun>(m, DigitalRefinement{});
    run->Prepare();
    return run->Grid();
}

}  // namespace talvex
