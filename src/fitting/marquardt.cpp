#include "fitting/marquardt.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/checked_math.h"
#include "core/run_error.h"
#include "fitting/symmetric_eigen.h"

namespace talvex {

namespace {

constexpr double kRelativeStep = 0.01;  // difference step of the Jacobian, times |x|
constexpr double kInsensitive = 1e-20;  // a diagonal of J'J at or below it: no influence
constexpr double kSmallestPivot = 1e-15;
constexpr double kFirstLambda = 1e-4;
constexpr double kLambdaLimit = 1000;
constexpr double kConverged = 2e-4;    // relative decrease of the sum of squares
constexpr double kPerfectFit = 1e-10;  // sum of squares below this times the variance
// Standard errors: the Jacobian comes from differences with a 1% step, so the columns are good
// to about 1e-4 and J'J to about 1e-8 of its scale; an eigenvalue below that is noise.
constexpr double kIllConditioned = 1e-8;
// A parameter with more than this weight along such a direction has no determinable value.
constexpr double kUndeterminedWeight = 1e-6;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// An ln-parameter moves by at most a decade per trial: a rate constant that barely changes the curve
// gets a Gauss-Newton step of many decades, which would only land on a bound.
const double kDecade = std::log(10.0);

}  // namespace

double DataVariance(std::span<const double> y) {
    if (y.empty()) return 0;
    double sum = 0;
    for (double v : y) sum += v;
    const double mean = sum / static_cast<double>(y.size());
    double var = 0;
    for (double v : y) var += (v - mean) * (v - mean);
    return var / static_cast<double>(y.size());
}

Marquardt::Marquardt() {
    Reserve(kMaxPoints, kMaxFitParameters);
}

void Marquardt::Reserve(int m, int np) {
    const std::size_t points = static_cast<std::size_t>(m), columns = static_cast<std::size_t>(np);
    if (y_.size() < points) {
        y_.resize(points);
        f_.resize(points);
        fTrial_.resize(points);
    }
    if (J_.size() < points * columns) J_.resize(points * columns);
    if (probeCurves_.size() < 2 * points * columns) probeCurves_.resize(2 * points * columns);
}

void Marquardt::Start(const FitProblem& problem, std::span<const double> x0) {
    const std::size_t np = x0.size();
    if (np > kMaxFitParameters || problem.y.empty() || problem.y.size() > kMaxFitPoints || problem.lower.size() != np ||
        problem.upper.size() != np || (!problem.active.empty() && problem.active.size() != np) ||
        (!problem.logScale.empty() && problem.logScale.size() != np))
        Raise(ErrorCode::SubscriptOutOfRange);
    if (problem.objective == nullptr || !std::isfinite(problem.var) || problem.var < 0 ||
        !std::isfinite(problem.dataStd) || problem.dataStd < 0)
        Raise(ErrorCode::InvalidProcedureCall);

    objective_ = problem.objective;
    np_ = static_cast<int>(np);
    m_ = static_cast<int>(problem.y.size());
    Reserve(m_, np_);
    var_ = problem.var;
    dataStd_ = problem.dataStd;
    std::copy(problem.y.begin(), problem.y.end(), y_.begin());
    for (std::size_t i = 0; i < np; ++i) {
        log_[i] = !problem.logScale.empty() && problem.logScale[i];
        active_[i] = problem.active.empty() || problem.active[i];
        xOut_[i] = x0[i];
        lowerOut_[i] = problem.lower[i];
        upperOut_[i] = problem.upper[i];
        if (log_[i]) {
            if (!(problem.lower[i] > 0) || !(x0[i] > 0) || !(problem.upper[i] >= problem.lower[i]))
                Raise(ErrorCode::InvalidProcedureCall);
            lower_[i] = std::log(problem.lower[i]);
            upper_[i] = std::log(problem.upper[i]);
            x_[i] = std::log(x0[i]);
        } else {
            lower_[i] = problem.lower[i];
            upper_[i] = problem.upper[i];
            x_[i] = x0[i];
        }
    }
    // A step left over from an earlier fit would move the first point of this one.
    std::fill(std::begin(delta_), std::end(delta_), 0.0);

    ssq_ = kInfinity;
    mode_ = 0;
    flag_ = np_;
    nMarq_ = 0;
    objCount_ = 0;
    evaluations_ = 0;
    failedEvaluations_ = 0;
    solutionIsLastEvaluated_ = false;
    dampingExhausted_ = false;
    firstFailure_.clear();
    errorDescription_.clear();
}

int Marquardt::Iterate() {
    if (objective_ == nullptr) Raise(ErrorCode::InvalidProcedureCall);
    try {
        IterateOnce();
    } catch (const RunError& e) {
        // Only the minimiser's own arithmetic gets here (Evaluate keeps the objective's errors);
        // x_, f_ and ssq_ still hold the best point, since they change only on acceptance.
        flag_ = kFlagError;
        errorDescription_ = e.what();
    }
    return flag_;
}

void Marquardt::IterateOnce() {
    const double perfect = kPerfectFit * var_;
    // An exact zero is a perfect fit too, even of data without spread.
    auto isPerfect = [perfect](double ssq) { return ssq < perfect || ssq == 0; };

    if (mode_ == 0) {
        for (int i = 0; i < np_; ++i) xw_[i] = x_[i];
        const double ssq = TrialStep();
        if (!std::isfinite(ssq)) {  // nothing to improve on: the fit cannot start
            flag_ = kFlagError;
            errorDescription_ = firstFailure_;
            return;
        }
        Accept(ssq);
        if (isPerfect(ssq_)) {
            flag_ = kFlagPerfectFit;
            return;
        }
        mode_ = 1;
    }

    const double ssqOld = ssq_;
    dampingExhausted_ = false;
    for (int i = 0; i < np_; ++i) xw_[i] = x_[i];
    ComputeJacobian(true);
    NormalEquations();
    ScaleNormalEquations();
    DampedCopy(0);  // the first trial is the undamped Gauss-Newton step

    int trials = 0;
    double factor = 2;
    double ssqNew = kInfinity;
    bool improved = false;
    double predicted = 0;  // the decrease the undamped step promises: g'delta in the linear model
    for (;;) {
        SolveDamped();
        if (trials == 0)
            for (int i = 0; i < np_; ++i) predicted += A_[i][np_] * W_[i][np_];
        ssqNew = TrialStep();
        if (isPerfect(ssqOld)) {
            flag_ = kFlagPerfectFit;
            if (ssqNew < ssqOld) Accept(ssqNew);  // never hand back a worse point
            return;
        }
        factor = std::isinf(ssqNew) ? 10 : std::max(2.0, std::min(10.0, Div(ssqNew, ssqOld)));
        if (ssqNew < ssqOld) {
            improved = true;
            break;
        }
        if (trials > 0) lambda_ *= factor;
        if (nMarq_ == 0) lambda_ = kFirstLambda;
        DampedCopy(lambda_);
        ++nMarq_;
        ++trials;
        if (lambda_ > kLambdaLimit) break;
    }
    if (nMarq_ != 0) lambda_ /= factor;

    // Without a better step the iteration stays where it began.
    if (improved) Accept(ssqNew);
    // Without a better step at a point where the linear model still promises a decrease the fit
    // has not converged: it has run out of damping.
    dampingExhausted_ = !improved && predicted > kConverged * ssqOld;
    const double rel = Div(ssqOld - ssq_, ssqOld + ssq_);
    flag_ = rel < kConverged ? kFlagConverged : kFlagContinue;
}

void Marquardt::RecordFailure(const char* description) {
    if (failedEvaluations_ == 0) firstFailure_ = description;
    ++failedEvaluations_;
}

std::span<const double> Marquardt::Params(const double* p) {
    for (int i = 0; i < np_; ++i) pOut_[i] = External(i, p[i]);
    return {pOut_, static_cast<std::size_t>(np_)};
}

bool Marquardt::Evaluate(const double* p, std::span<double> out) {
    ++evaluations_;
    solutionIsLastEvaluated_ = false;
    try {
        objective_->Evaluate(Params(p), out);
        for (double v : out) Checked(v);
    } catch (const RunError& e) {
        RecordFailure(e.what());
        return false;
    }
    return true;
}

// Moves xw to x + delta and returns the sum of squares there (infinite when the evaluation fails);
// the curve goes to fTrial_. A step that would move an ln-parameter by more than a decade shrinks
// as a whole, keeping its direction; then each component that would leave its bounds stops at the
// bound, so the parameter still moves as far as it may while the others take their full step.
double Marquardt::TrialStep() {
    double largest = 0;
    for (int i = 0; i < np_; ++i)
        if (log_[i]) largest = std::max(largest, std::fabs(delta_[i]));
    if (largest > kDecade) {
        const double shrink = kDecade / largest;
        for (int i = 0; i < np_; ++i) delta_[i] *= shrink;
    }
    for (int i = 0; i < np_; ++i) {
        const double t = x_[i] + delta_[i];
        if (t > upper_[i])
            delta_[i] = upper_[i] - x_[i];
        else if (t < lower_[i])
            delta_[i] = lower_[i] - x_[i];
        xw_[i] = x_[i] + delta_[i];
    }
    ++objCount_;
    const std::span<double> f{fTrial_.data(), static_cast<std::size_t>(m_)};
    if (!Evaluate(xw_, f)) return kInfinity;
    double ssq = 0;
    for (int k = 0; k < m_; ++k) {
        const double r = f[k] - y_[k];
        ssq += r * r;
    }
    if (!std::isfinite(ssq)) {
        RecordFailure(Description(ErrorCode::Overflow));
        return kInfinity;
    }
    return ssq;
}

void Marquardt::Accept(double ssqNew) {
    for (int i = 0; i < np_; ++i) {
        // A value the step did not move, or moved onto a bound, is that value exactly: ln and exp
        // would not give it back to the last bit.
        if (xw_[i] == x_[i]) continue;
        x_[i] = xw_[i];
        xOut_[i] = x_[i] == upper_[i] ? upperOut_[i] : x_[i] == lower_[i] ? lowerOut_[i] : External(i, x_[i]);
    }
    std::copy(fTrial_.begin(), fTrial_.begin() + m_, f_.begin());
    ssq_ = ssqNew;
    solutionIsLastEvaluated_ = true;
}

// Central differences at xw_ with a step of 1% of the value (0.01 in ln for an ln-parameter), or
// the spread of the data for a value of 0. When one side cannot be evaluated the other side's one-sided difference
// stands in; when neither can, the column stays 0 and the parameter sits out this iteration. A step of 0 (a value of 0
// in data without spread) cannot give a derivative: an error in the iteration, an undetermined parameter for the
// standard errors.
void Marquardt::ComputeJacobian(bool zeroStepIsError) {
    // The probes: x + h and x - h of every parameter that takes part, all handed over at once.
    int probes = 0;
    int probeOf[kMaxFitParameters];
    double step[kMaxFitParameters];
    for (int j = 0; j < np_; ++j) {
        std::fill(Column(j).begin(), Column(j).end(), 0.0);
        probeOf[j] = -1;
        if (!active_[j]) continue;  // excluded from the step whatever its column says
        const double saved = xw_[j];
        step[j] = log_[j] ? kRelativeStep : saved != 0 ? kRelativeStep * std::fabs(saved) : dataStd_;
        if (step[j] == 0) {
            if (zeroStepIsError) Raise(ErrorCode::DivisionByZero);
            continue;
        }
        for (int side = 0; side < 2; ++side) {
            double* point = probePoints_ + (probes + side) * kMaxFitParameters;
            for (int i = 0; i < np_; ++i) point[i] = External(i, xw_[i]);
            point[j] = External(j, side == 0 ? saved + step[j] : saved - step[j]);
        }
        probeOf[j] = probes;
        probes += 2;
    }
    if (probes == 0) return;
    // The objective reads np values per point, kMaxFitParameters apart: pack them.
    for (int k = 1; k < probes; ++k) std::copy_n(probePoints_ + k * kMaxFitParameters, np_, probePoints_ + k * np_);
    objective_->EvaluateMany(probes, probePoints_, np_, probeCurves_.data(), m_, probeFailures_);
    evaluations_ += probes;
    solutionIsLastEvaluated_ = false;

    for (int j = 0; j < np_; ++j) {
        if (probeOf[j] < 0) continue;
        bool ok[2];
        const double* curve[2];
        for (int side = 0; side < 2; ++side) {
            const int k = probeOf[j] + side;
            curve[side] = probeCurves_.data() + static_cast<std::size_t>(k) * m_;
            std::string& failure = probeFailures_[k];
            if (failure.empty()) {
                for (int i = 0; i < m_; ++i) {
                    if (std::isfinite(curve[side][i])) continue;
                    failure = Description(ErrorCode::Overflow);
                    break;
                }
            }
            ok[side] = failure.empty();
            if (!ok[side]) RecordFailure(failure.c_str());
        }
        const std::span<double> col = Column(j);
        const double h = step[j];
        if (ok[0] && ok[1]) {
            for (int k = 0; k < m_; ++k) col[k] = Div(curve[0][k] - curve[1][k], 2 * h);
        } else if (ok[0]) {
            for (int k = 0; k < m_; ++k) col[k] = Div(curve[0][k] - f_[k], h);
        } else if (ok[1]) {
            for (int k = 0; k < m_; ++k) col[k] = Div(f_[k] - curve[1][k], h);
        }
    }
}

// J'J with the gradient J'(y - f) beside it; a parameter that is not free or has no influence
// gets a unit row and column of its own, so its step comes out 0.
void Marquardt::NormalEquations() {
    const int np = np_;
    for (int i = 0; i < np; ++i) {
        const std::span<double> ci = Column(i);
        for (int j = 0; j <= i; ++j) {
            const std::span<double> cj = Column(j);
            double sum = 0;
            for (int k = 0; k < m_; ++k) sum += ci[k] * cj[k];
            A_[i][j] = A_[j][i] = Checked(sum);
        }
        double grad = 0;
        for (int k = 0; k < m_; ++k) grad += ci[k] * (y_[k] - f_[k]);
        A_[i][np] = Checked(grad);
    }
    for (int i = 0; i < np; ++i) {
        if (active_[i] && A_[i][i] > kInsensitive) continue;
        for (int j = 0; j < np; ++j) A_[i][j] = A_[j][i] = 0;
        A_[i][i] = 1;
        A_[i][np] = 0;
    }
}

// Divides by the square roots of the diagonal, so the matrix has a unit diagonal and the damping
// weighs every parameter alike whatever its unit.
void Marquardt::ScaleNormalEquations() {
    const int np = np_;
    for (int i = 0; i < np; ++i) scale_[i] = Sqrt(A_[i][i]);
    for (int i = 0; i < np; ++i) {
        A_[i][np] = Div(A_[i][np], scale_[i]);
        for (int j = 0; j < np; ++j) A_[i][j] = Div(A_[i][j], scale_[i] * scale_[j]);
    }
}

void Marquardt::DampedCopy(double lambda) {
    for (int i = 0; i < np_; ++i) {
        for (int j = 0; j <= np_; ++j) W_[i][j] = A_[i][j];
        W_[i][i] += lambda;
    }
}

// Gauss-Jordan elimination in pivot order: the damped matrix is symmetric and positive, so no row
// exchange is needed; a vanishing pivot is lifted to 1e-15 rather than stopping the fit.
void Marquardt::SolveDamped() {
    const int np = np_;
    for (int p = 0; p < np; ++p) {
        if (std::fabs(W_[p][p]) < kSmallestPivot) W_[p][p] = kSmallestPivot;
        const double pivot = W_[p][p];
        for (int c = p + 1; c <= np; ++c) W_[p][c] = Div(W_[p][c], pivot);
        for (int r = 0; r < np; ++r) {
            if (r == p) continue;
            const double factor = W_[r][p];
            for (int c = p + 1; c <= np; ++c) W_[r][c] -= factor * W_[p][c];
        }
    }
    for (int i = 0; i < np; ++i) delta_[i] = Div(W_[i][np], scale_[i]);
}

bool Marquardt::ReturnToSolution() {
    if (solutionIsLastEvaluated_ || objective_ == nullptr || !std::isfinite(ssq_)) return solutionIsLastEvaluated_;
    const std::span<double> f{fTrial_.data(), static_cast<std::size_t>(m_)};
    solutionIsLastEvaluated_ = Evaluate(x_, f);
    return solutionIsLastEvaluated_;
}

void Marquardt::StandardErrors(std::span<ParameterError> out, int linearParameters) {
    if (out.size() < static_cast<std::size_t>(np_) || linearParameters < 0) Raise(ErrorCode::SubscriptOutOfRange);
    for (int i = 0; i < np_; ++i) out[i] = ParameterError{};
    for (auto& row : cov_) std::fill(std::begin(row), std::end(row), 0.0);
    if (objective_ == nullptr || !std::isfinite(ssq_) || np_ == 0) return;

    try {
        for (int i = 0; i < np_; ++i) xw_[i] = x_[i];
        ComputeJacobian(false);

        // The parameters with influence, scaled to a unit diagonal.
        int n = 0;
        for (int i = 0; i < np_; ++i) {
            if (!active_[i]) continue;
            const std::span<double> ci = Column(i);
            double sum = 0;
            for (int k = 0; k < m_; ++k) sum += ci[k] * ci[k];
            if (Checked(sum) <= kInsensitive) continue;
            scale_[i] = Sqrt(sum);
            index_[n++] = i;
        }
        for (int a = 0; a < n; ++a) {
            const std::span<double> ca = Column(index_[a]);
            for (int b = 0; b <= a; ++b) {
                const std::span<double> cb = Column(index_[b]);
                double sum = 0;
                for (int k = 0; k < m_; ++k) sum += ca[k] * cb[k];
                C_[a][b] = C_[b][a] = Div(sum, scale_[index_[a]] * scale_[index_[b]]);
            }
        }
        SymmetricEigen(C_, n, V_, eigen_);

        double largest = 0;
        for (int k = 0; k < n; ++k) largest = std::max(largest, eigen_[k]);
        int rank = 0;
        for (int k = 0; k < n; ++k)
            if (eigen_[k] > kIllConditioned * largest) ++rank;
        const int dof = m_ - rank - linearParameters;
        if (dof <= 0) return;
        const double sigma2 = ssq_ / dof;

        // In the parameters' own units: an ln-parameter's spread is its value times that of its ln.
        auto unit = [this](int i) { return (log_[i] ? xOut_[i] : 1.0) / scale_[i]; };
        bool determined[kMaxFitParameters] = {};
        for (int a = 0; a < n; ++a) {
            double illWeight = 0;
            for (int k = 0; k < n; ++k)
                if (!(eigen_[k] > kIllConditioned * largest)) illWeight += V_[a][k] * V_[a][k];
            determined[a] = illWeight <= kUndeterminedWeight;
        }
        for (int a = 0; a < n; ++a) {
            if (!determined[a]) continue;
            for (int b = 0; b < n; ++b) {
                if (!determined[b]) continue;
                double sum = 0;
                for (int k = 0; k < n; ++k)
                    if (eigen_[k] > kIllConditioned * largest) sum += V_[a][k] * V_[b][k] / eigen_[k];
                cov_[index_[a]][index_[b]] = sigma2 * sum * unit(index_[a]) * unit(index_[b]);
            }
            const int i = index_[a];
            out[i] = {true, Sqrt(cov_[i][i])};
        }
    } catch (const RunError&) {
        for (int i = 0; i < np_; ++i) out[i] = ParameterError{};
        for (auto& row : cov_) std::fill(std::begin(row), std::end(row), 0.0);
    }
}

}  // namespace talvex
