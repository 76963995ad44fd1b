#pragma once

#include <array>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/model.h"
#include "core/platform.h"
#include "core/reporter.h"
#include "core/result_window.h"
#include "fitting/curves_objective.h"
#include "fitting/marquardt.h"

// The fit of the model to one or more measured curves: the pool of the 29 fittable quantities, the
// driver that iterates the minimiser over an objective that runs the whole simulation of every
// curve for one parameter vector, the summary it returns and the report it prints.
namespace talvex {

// The model quantity behind fit parameter `index` (1..29: C 1..6, ks 7..9, Alpha 10..12, E0
// 13..15, kf 16..19, kb 20..23, D 24..29). Another index raises "Subscript out of range". Where the
// model computes its initial concentrations (pre-equilibration or preconcentration), the
// concentrations 1..6 are the analytical ones they are computed from.
double PoolValue(const Model& m, int index);
void SetPoolValue(Model& m, int index, double value);

// The pool as a fit starts from it (index 0 unused): the model's values for species
// 1..NSpecies, charge-transfer reactions 1..NCharge and chemical reactions 1..NChem + NChem2
// (second-order ones included, since their rows can be ticked too); 0 for the rest.
using FitPool = std::array<double, fit::kCount + 1>;
void FillPool(const Model& m, FitPool& pool);

// The name of fit parameter `index` as scripts and messages write it: "C(1)", "ks(1)", "Alpha(2)";
// and the index of such a name (0 for none).
std::string PoolName(int index);
int PoolIndex(const std::string& name);

// Whether a free parameter is fitted in ln(value): a positive quantity that may span decades
// (concentration, rate constant, diffusion coefficient) with a lower bound above 0.
bool FittedInLn(int index, double lower);

// With overlap off, keeps only curve `column` (the current curve when 0), as curve 1.
void ResetToSingleCurve(Model& m, int column = 0);

// One free parameter of a fit: its pool index and the bounds it must stay within. The starting
// value is the model's.
struct FreeParameter {
    int index = 0;
    double lower = 0;
    double upper = 0;
};

// The refusal of a fit without a free parameter.
inline constexpr const char* kNothingToFit =
    "No parameter is ticked for fitting. Tick the box of each value to fit in the Chemicals dialog (its bounds "
    "appear beside it), then fit again.";

// How a fit ended, in plain words for the report and for callers.
enum class FitStatus {
    Converged,         // the sum of squares fell by less than 2e-4 of itself in an iteration
    PerfectFit,        // the sum of squares fell below 1e-10 of the data's variance
    DampingExhausted,  // no step lowered the sum of squares, even the most damped one
    IterationLimit,    // 51 iterations without converging
    Failed,            // an arithmetic error of the minimiser, or a start that could not be simulated
    Cancelled,         // the caller stopped it; the best point so far stands
};

// Where a fit stands after an iteration, for a caller that shows progress.
struct FitProgress {
    int iteration = 0;
    double ssq = 0;
    std::span<const double> values;  // the free parameters, in their own units
    std::span<const double> fitted;  // every curve's simulated currents there, one after another (A)
};

// What a fit does besides the described iteration.
struct FitOptions {
    // The baseline's start and end currents of every curve are free: projected out of every
    // evaluation, reported, and left in the model.
    bool baseline = false;
    // A rate constant whose bounds span more than two decades is first tried at every decade inside
    // them, and the minimiser starts from the best.
    bool decadeScan = true;
    // Threads that simulate the curves and the Jacobian's probes; 0: one per core.
    int threads = 0;
    // Called after every iteration; returning false stops the fit at the best point so far.
    std::function<bool(const FitProgress&)> progress;
    // Seconds on some clock, for the run time; empty: the steady clock.
    std::function<double()> clock;
};

// One measured curve of a fit, as the driver takes it.
struct FitInputCurve {
    const Model* setup = nullptr;  // its experiment and the chemistry, in fitting mode at its potentials
    std::span<const double> y;     // the measured currents
    std::string label;             // how the report names it
};

// How the fit went, per curve.
struct FitCurveSummary {
    std::string label;
    int points = 0;
    double weight = 1;                          // what its residuals were multiplied by
    double ssq = 0;                             // its own sum of squares, unweighted (A2)
    std::vector<double> fitted;                 // the simulated curve at the solution (A)
    double baselineStart = 0, baselineEnd = 0;  // A, when the baseline was free
};

// Everything a fit found, in the parameters' own units.
struct FitSummary {
    FitStatus status = FitStatus::Failed;
    int flag = 0;                 // the minimiser's convergence flag
    std::vector<int> index;       // pool index of each free parameter
    std::vector<double> initial;  // the model's values before clamping into the bounds
    std::vector<double> start;    // where the minimiser started (after the decade scan)
    std::vector<double> lower, upper;
    std::vector<double> values;    // fitted
    std::vector<bool> determined;  // whether the data fix each value
    std::vector<double> standardErrors;
    std::vector<double> covariance;  // np x np, row by row; 0 where undetermined
    std::vector<double> history;     // the sum of squares after each iteration
    double ssq = 0;                  // weighted sum of squares at the solution
    double variance = 0;             // of the stacked (weighted) data about their mean
    int iterations = 0;
    int objectiveEvaluations = 0;  // trial points ("No. of obj. fun.")
    int marquardts = 0;            // damping adjustments
    int simulations = 0;           // every simulation of every curve, scan included
    int scanSimulations = 0;       // of them, the decade scan's
    int threads = 1;
    double runTime = 0;  // s
    bool baseline = false;
    std::vector<FitCurveSummary> curves;
    std::vector<std::string> notes;  // the decade scan's
    int failedEvaluations = 0;       // evaluations that could not be simulated
    int evaluations = 0;
    std::string firstFailure;
    std::string error;  // with Failed: what stopped the fit
};

// The report in the result window: the "Least square = " line of every iteration, the described
// table (initial and fitted values, sum of squares, variance, flag, counts, run time), the
// standard errors, then for several curves each curve's line and the correlation matrix, and the
// outcome in plain words with a warning for each value that ended at its start or at a bound.
void PrintFitReport(const FitSummary& summary, ResultWindow& result);

// Puts a fit's values into the model (and the baseline it found, for a fit of one curve), with the
// equilibrium constants and initial concentrations they imply, as a Simulate there would have them.
void ApplyFitSolution(Model& m, const FitSummary& summary);

// The message boxes a fit owes its user: how many simulations failed, and a fit error.
std::vector<std::string> FitMessages(const FitSummary& summary);

// What a fit reports to besides the model: the result window, message boxes and the clock.
struct FitServices {
    ResultWindow& result;
    Reporter& reporter;
    Platform& platform;               // its clock times the fit
    std::function<void()> afterCopy;  // runs inside the last simulation of the fit, may be empty
};

// The fit driver. One lives as long as the program: the minimiser's work arrays are sized once.
class FitDriver {
  public:
    // Fits the free parameters, shared by all curves, so that each curve's simulation matches its
    // measured currents. Several curves are weighted by the inverse of their largest measured
    // current, so a fast scan with ten times the current does not drown a slow one; a single curve
    // is not weighted. At most 51 iterations. A simulation that fails counts as a step that did not
    // improve. Raises RunError only for a fit that cannot start (no curve or an empty one, no free
    // parameter or more than 30).
    FitSummary Fit(std::span<const FitInputCurve> curves, std::span<const FreeParameter> free,
                   const FitOptions& options = {});

    // The fit of the one measured curve y to the model `m` (in fitting mode, at the measured
    // potentials), as Auto Fit runs it: the report printed, the messages told, and the model left
    // at the reported point with the fit's curve simulated into its store.
    void Run(Model& m, std::span<const double> y, std::span<const FreeParameter> free, FitServices& services,
             const FitOptions& options = {});

    const FitSummary& Summary() const { return summary_; }
    int NFit() const { return static_cast<int>(summary_.values.size()); }
    int FitIndex(int j) const { return summary_.index[static_cast<std::size_t>(j)]; }  // j = 0..NFit-1
    std::span<const double> Fitted() const { return summary_.values; }
    ParameterError StandardError(int j) const;
    int Iterations() const { return summary_.iterations; }
    const Marquardt& minimiser() const { return marquardt_; }
    FitStatus Status() const { return summary_.status; }
    bool BaselineFitted() const { return summary_.baseline; }
    double BaselineStart() const { return summary_.curves.empty() ? 0 : summary_.curves[0].baselineStart; }
    double BaselineEnd() const { return summary_.curves.empty() ? 0 : summary_.curves[0].baselineEnd; }
    int ScanSimulations() const { return summary_.scanSimulations; }

  private:
    void ScanDecades(CurvesObjective& objective, std::span<const double> y, std::span<const FreeParameter> free,
                     std::span<double> x, std::vector<std::string>& notes, int& simulations);

    Marquardt marquardt_;
    FitSummary summary_;
    std::vector<double> y_, scanCurve_;
};

}  // namespace talvex
