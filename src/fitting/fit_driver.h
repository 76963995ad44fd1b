#pragma once

#include <array>
#include <functional>
#include <span>
#include <string>

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
// 13..15, kf 16..19, kb 20..23, D 24..29). Another index raises "Subscript out of range".
double PoolValue(const Model& m, int index);
void SetPoolValue(Model& m, int index, double value);

// The pool as a fit starts from it (index 0 unused): the model's values for species
// 1..NSpecies, charge-transfer reactions 1..NCharge and chemical reactions 1..NChem + NChem2
// (second-order ones included, since their rows can be ticked too); 0 for the rest.
using FitPool = std::array<double, fit::kCount + 1>;
void FillPool(const Model& m, FitPool& pool);

// With overlap off, keeps only the current curve, as curve 1.
void ResetToSingleCurve(Model& m);

// One free parameter of a fit: its pool index and the bounds it must stay within. The starting
// value is the model's.
struct FreeParameter {
    int index = 0;
    double lower = 0;
    double upper = 0;
};

// The fit's objective: writes the trial values into the model, runs the simulation (which while
// Fitting keeps the measured potentials and writes curve 2) and reads the curve back. A simulation
// that shows a message has failed: its message becomes the RunError the minimiser counts, instead
// of a message box, and the curve it left is not scored.
class SimulationObjective : public FitObjective {
  public:
    // `fitIndex` (pool index of each free parameter) must outlive the evaluations; `afterCopy`
    // runs inside each simulation once its curve is stored.
    void Bind(Model& m, std::span<const int> fitIndex, std::function<void()> afterCopy);
    void Evaluate(std::span<const double> p, std::span<double> f) override;

  private:
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
    std::function<void()> afterCopy_;
    CollectingReporter reporter_;
};

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
    void Run(Model& m, std::span<const double> y, std::span<const FreeParameter> free, FitServices& services);

    int NFit() const { return nFit_; }
    int FitIndex(int j) const { return fitIndex_[static_cast<std::size_t>(j)]; }  // j = 0..NFit-1
    std::span<const double> Fitted() const { return marquardt_.X(); }
    std::span<const ParameterError> StandardErrors() const { return {errors_.data(), static_cast<std::size_t>(nFit_)}; }
    int Iterations() const { return iterations_; }
    const Marquardt& minimiser() const { return marquardt_; }

  private:
    void PrintReport(ResultWindow& result, double var, float runTime) const;
    void TellFailures(Reporter& reporter) const;

    Marquardt marquardt_;
    SimulationObjective objective_;
    FitPool pool_{};
    int nFit_ = 0;
    int iterations_ = 0;
    std::array<int, kMaxFitParameters> fitIndex_{};
    std::array<double, kMaxFitParameters> x0_{}, x_{}, lower_{}, upper_{};
    std::array<ParameterError, kMaxFitParameters> errors_{};
};

}  // namespace talvex
