#pragma once

#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "core/constants.h"
#include "fitting/fit_objective.h"

// The scaled Levenberg-Marquardt minimiser of the fit: a central-difference Jacobian, box bounds
// that clip each step component, parameters that span decades fitted in ln, and a damping factor
// that persists from iteration to iteration. One call
// of Iterate is one iteration, so the caller can print the sum of squares as the fit goes and
// decide when to stop. Every evaluation may be a whole simulation, so the work arrays are sized
// once for the largest fit and the iteration itself never allocates.
namespace talvex {

inline constexpr int kMaxFitParameters = 30;
// A fit of several curves stacks them: sixteen curves of the most points one curve may have.
inline constexpr int kMaxFitPoints = 16 * kMaxPoints;

// The convergence flag after an iteration. Before the first one it is the number of free
// parameters, so a caller that repeats while the flag is positive always makes one iteration.
inline constexpr int kFlagContinue = 1;     // iteration done, go on
inline constexpr int kFlagPerfectFit = -1;  // the sum of squares was below 1e-10 of the variance
inline constexpr int kFlagConverged = -2;   // relative decrease below 2e-4, or no better step found
inline constexpr int kFlagError = -3;       // the fit cannot go on: see ErrorDescription()

// One fit: the objective, the measured curve and the bounds of every free parameter. The spans
// are copied by Start, so they need not outlive it.
struct FitProblem {
    FitObjective* objective = nullptr;
    std::span<const double> y;      // measured curve, 1..4000 points
    std::span<const double> lower;  // one bound per free parameter
    std::span<const double> upper;
    std::span<const bool> active;  // empty: all free; false keeps that parameter where it is
    // Empty: none. true: a positive parameter that may span decades (a rate constant, a diffusion
    // coefficient, a concentration); the minimiser works on ln(value) between ln(bounds), takes its
    // difference step in ln and moves it by at most a decade per trial. Needs a lower bound above 0.
    std::span<const bool> logScale;
    double var = 0;      // variance of y about its mean, sum (y - mean)^2 / m
    double dataStd = 0;  // sqrt(var): the difference step of a parameter that is 0
};

// The population variance of a measured curve, as FitProblem::var wants it.
double DataVariance(std::span<const double> y);

struct ParameterError {
    bool determined = false;   // false: the data cannot fix this parameter (or it was not free)
    double standardError = 0;  // one standard deviation, in the parameter's own unit
};

class Marquardt {
  public:
    Marquardt();  // sizes the work arrays for 30 parameters and 4000 points (a larger fit, at Start)

    // Begins a fit from x0 (one value per free parameter, already inside its bounds): clears the
    // step of any earlier fit and the counters; the damping factor carries over but is set
    // afresh at the first damping of the fit. A problem of the wrong size raises RunError.
    void Start(const FitProblem& problem, std::span<const double> x0);

    // One iteration; returns the new flag. The first call after Start evaluates the starting
    // point and stops at once (flag -1) when it already fits. A failed objective evaluation is a
    // trial that did not improve; an arithmetic error of the minimiser itself ends the iteration
    // with kFlagError, keeping the best point found so far.
    int Iterate();

    // Standard errors of the free parameters at the point reached, from a fresh Jacobian there
    // (2 evaluations per parameter): sigma^2 = SSQ / (m - rank), covariance sigma^2 (J'J)^-1, in
    // the parameters' own units (an ln-parameter's by the delta method: value times its ln's).
    // A parameter without influence, or one whose value trades off against others so that J'J
    // is singular or ill-conditioned along it, is reported undetermined. out needs NP entries.
    // `linearParameters` counts parameters the objective solves for itself (a baseline projected out
    // of every curve): they take degrees of freedom from sigma^2.
    void StandardErrors(std::span<ParameterError> out, int linearParameters = 0);

    // Evaluates the objective once more at the point reached when the last evaluation was
    // elsewhere (after a fit that ended without a better step, or after StandardErrors), so that
    // whatever the objective writes shows the result. Returns whether it now does.
    bool ReturnToSolution();

    int Flag() const { return flag_; }
    std::span<const double> X() const { return {xOut_, static_cast<std::size_t>(np_)}; }
    // The objective's curve at X().
    std::span<const double> Curve() const { return {f_.data(), static_cast<std::size_t>(m_)}; }
    double SSQ() const { return ssq_; }               // sum of squares at X(); infinite before a point
    int NMarq() const { return nMarq_; }              // damping adjustments in this fit
    int ObjCount() const { return objCount_; }        // evaluations of trial points (not the Jacobian's)
    int Evaluations() const { return evaluations_; }  // every call of the objective
    double Lambda() const { return lambda_; }

    // Evaluations that failed in this fit (raised RunError, or gave a value that is not a finite
    // number), and the description of the first, so the caller can report them once.
    int FailedEvaluations() const { return failedEvaluations_; }
    const std::string& FirstFailure() const { return firstFailure_; }
    // With kFlagError: the error that ended the fit (for a starting point that could not be
    // evaluated, the objective's own description).
    const std::string& ErrorDescription() const { return errorDescription_; }
    // Whether the objective's last evaluation was at X().
    bool SolutionIsLastEvaluated() const { return solutionIsLastEvaluated_; }
    // Whether the last iteration ended because no trial lowered the sum of squares, not even the
    // most damped one, although the undamped step promised a decrease of more than 2e-4 of it
    // (rather than at a minimum, where no better point exists).
    bool DampingExhausted() const { return dampingExhausted_; }
    // The covariance of the free parameters from the last StandardErrors (in their own units, row
    // by row, NP x NP; 0 where a parameter is undetermined).
    double Covariance(int i, int j) const { return cov_[i][j]; }

  private:
    void IterateOnce();
    bool Evaluate(const double* p, std::span<double> out);  // p internal
    double TrialStep();
    void ComputeJacobian(bool zeroStepIsError);
    void NormalEquations();
    void ScaleNormalEquations();
    void DampedCopy(double lambda);
    void SolveDamped();
    void Accept(double ssqNew);
    void RecordFailure(const char* description);
    // The parameters as the objective takes them: ln-parameters back in their own units.
    std::span<const double> Params(const double* p);
    double External(int i, double u) const { return log_[i] ? std::exp(u) : u; }
    std::span<double> Column(int j) {
        return {J_.data() + static_cast<std::size_t>(j) * m_, static_cast<std::size_t>(m_)};
    }
    // Sizes the work arrays for m points and np parameters; they only ever grow.
    void Reserve(int m, int np);

    static constexpr int kCols = kMaxFitParameters + 1;  // the gradient in column NP

    FitObjective* objective_ = nullptr;
    int np_ = 0;
    int m_ = 0;
    double var_ = 0;
    double dataStd_ = 0;
    // Bounds and points are internal: ln(value) for the ln-parameters, the value for the others.
    double lower_[kMaxFitParameters]{};
    double upper_[kMaxFitParameters]{};
    double lowerOut_[kMaxFitParameters]{};  // the bounds in the parameters' own units
    double upperOut_[kMaxFitParameters]{};
    bool active_[kMaxFitParameters]{};
    bool log_[kMaxFitParameters]{};

    double x_[kMaxFitParameters]{};      // point reached
    double xOut_[kMaxFitParameters]{};   // X() in the parameters' own units
    double pOut_[kMaxFitParameters]{};   // the point handed to the objective
    double xw_[kMaxFitParameters]{};     // point most recently evaluated
    double delta_[kMaxFitParameters]{};  // step of the last trial
    double scale_[kMaxFitParameters]{};  // square roots of the diagonal of J'J
    double A_[kMaxFitParameters][kCols]{};
    double W_[kMaxFitParameters][kCols]{};
    double lambda_ = 0;

    std::vector<double> y_, f_, fTrial_, J_;  // J_ by column, m apart
    // The Jacobian's probes: up to two points per parameter, their curves and failures.
    double probePoints_[2 * kMaxFitParameters * kMaxFitParameters]{};
    std::vector<double> probeCurves_;
    std::string probeFailures_[2 * kMaxFitParameters];

    double ssq_ = 0;
    int mode_ = 0;
    int flag_ = 0;
    int nMarq_ = 0;
    int objCount_ = 0;
    int evaluations_ = 0;
    int failedEvaluations_ = 0;
    bool solutionIsLastEvaluated_ = false;
    bool dampingExhausted_ = false;
    std::string firstFailure_;
    std::string errorDescription_;

    // Standard-error work: the scaled J'J of the determinable parameters and its eigenvectors.
    int index_[kMaxFitParameters]{};
    double C_[kMaxFitParameters][kMaxFitParameters]{};
    double V_[kMaxFitParameters][kMaxFitParameters]{};
    double eigen_[kMaxFitParameters]{};
    double cov_[kMaxFitParameters][kMaxFitParameters]{};
};

}  // namespace talvex
