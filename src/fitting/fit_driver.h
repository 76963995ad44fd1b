#pragma once

#include <array>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/model.h"
#include "core/platform.h"
#include "core/reporter.h"
#include "core/result_window.h"
#include "fitting/fit_objective.h"
#include "fitting/marquardt.h"

// The fit of the model to a measured curve: the pool of the 29 fittable quantities, the objective
// that runs the whole simulation for one parameter vector, and the driver that iterates the
// minimiser and prints the report.
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

// The name of fit parameter `index` as scripts and messages write it: "C(1)", "ks(1)", "Alpha(2)".
std::string PoolName(int index);

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

// The fit's objective: writes the trial values into the model, recomputes the initial
// concentrations from them as the Chemicals dialog would, runs the simulation (which while Fitting
// keeps the measured potentials and writes the fit's curve) and reads the curve back. A simulation
// that shows a message has failed: its message becomes the RunError the minimiser counts, instead
// of a message box, and the curve it left is not scored. With the baseline free, the simulation
// runs without one and the straight baseline (its start and end currents enter linearly) that
// best fits what is left of the measured curve is added to the curve, at no extra simulation.
class SimulationObjective : public FitObjective {
  public:
    // `fitIndex` (pool index of each free parameter) and `y` (the measured curve) must outlive
    // the evaluations; `afterCopy` runs inside each simulation once its curve is stored.
    void Bind(Model& m, std::span<const int> fitIndex, std::span<const double> y, bool baseline,
              std::function<void()> afterCopy);
    void Evaluate(std::span<const double> p, std::span<double> f) override;

  private:
    void AddBestBaseline();

    class CollectingReporter : public Reporter {
      public:
        void Message(const std::string& text) override {
            if (!received) first = text;
            received = true;
        }
        bool received = false;
        std::string first;
    };

    Model* m_ = nullptr;
    std::span<const int> fitIndex_;
    std::span<const double> y_;
    bool baseline_ = false;
    std::function<void()> afterCopy_;
    std::function<void()> withBaseline_;
    CollectingReporter reporter_;
};

// How a fit ended, in plain words for the report and for callers.
enum class FitStatus {
    Converged,         // the sum of squares fell by less than 2e-4 of itself in an iteration
    PerfectFit,        // the sum of squares fell below 1e-10 of the data's variance
    DampingExhausted,  // no step lowered the sum of squares, even the most damped one
    IterationLimit,    // 51 iterations without converging
    Failed,            // an arithmetic error of the minimiser, or a start that could not be simulated
};

// What a fit does besides the described iteration.
struct FitOptions {
    // The baseline's start and end currents (BackgroundI0, BackgroundI1) are free: projected out of
    // every evaluation, reported, and left in the model.
    bool baseline = false;
    // A rate constant whose bounds span more than two decades is first tried at every decade inside
    // them, and the minimiser starts from the best.
    bool decadeScan = true;
};

// The refusal of a fit without a free parameter.
inline constexpr const char* kNothingToFit =
    "No parameter is ticked for fitting. Tick the box of each value to fit in the Chemicals dialog (its bounds "
    "appear beside it), then fit again.";

// What a fit reports to besides the model: the result window, message boxes and the clock.
struct FitServices {
    ResultWindow& result;
    Reporter& reporter;
    Platform& platform;               // its clock times the fit
    std::function<void()> afterCopy;  // runs inside every simulation of the fit, may be empty
};

// The fit driver. One lives as long as the program: the minimiser's work arrays are sized once.
class FitDriver {
  public:
    // Fits the free parameters so that the simulated curve matches y (the measured curve, one
    // value per point 1..NData; the model is in fitting mode), printing "Least square = " after
    // every iteration (at most 51) and then the report. When it ends, the model holds the
    // reported point and curve 2 shows it. A simulation that fails counts as a step that did not
    // improve; how many failed is told once at the end. An arithmetic error of the minimiser
    // ends the fit with "Fit Error: " and its description, keeping the best point. Raises RunError
    // only for a fit that cannot start (no measured points, more than 30 free parameters).
    void Run(Model& m, std::span<const double> y, std::span<const FreeParameter> free, FitServices& services,
             const FitOptions& options = {});

    int NFit() const { return nFit_; }
    int FitIndex(int j) const { return fitIndex_[static_cast<std::size_t>(j)]; }  // j = 0..NFit-1
    std::span<const double> Fitted() const { return marquardt_.X(); }
    std::span<const ParameterError> StandardErrors() const { return {errors_.data(), static_cast<std::size_t>(nFit_)}; }
    int Iterations() const { return iterations_; }
    const Marquardt& minimiser() const { return marquardt_; }
    FitStatus Status() const { return status_; }
    // The fitted baseline (A) when the fit freed it.
    bool BaselineFitted() const { return baselineFitted_; }
    double BaselineStart() const { return baselineStart_; }
    double BaselineEnd() const { return baselineEnd_; }
    // Simulations of the decade scan before the minimiser started (0 when there was none).
    int ScanSimulations() const { return scanSimulations_; }

  private:
    void ScanDecades(std::span<const double> y, std::span<const FreeParameter> free);
    void PrintReport(ResultWindow& result, double var, float runTime) const;
    void PrintOutcome(ResultWindow& result) const;
    void TellFailures(Reporter& reporter) const;

    Marquardt marquardt_;
    SimulationObjective objective_;
    FitPool pool_{};
    int nFit_ = 0;
    int iterations_ = 0;
    std::array<int, kMaxFitParameters> fitIndex_{};
    std::array<double, kMaxFitParameters> x0_{}, x_{}, xStart_{}, lower_{}, upper_{};
    std::array<ParameterError, kMaxFitParameters> errors_{};
    std::array<bool, kMaxFitParameters> log_{};
    FitStatus status_ = FitStatus::Converged;
    bool baselineFitted_ = false;
    double baselineStart_ = 0, baselineEnd_ = 0;
    int scanSimulations_ = 0;
    std::vector<std::string> scanNotes_;
    std::vector<double> scanCurve_;
};

}  // namespace talvex
