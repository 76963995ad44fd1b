#include "fitting/fit_driver.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/checked_math.h"
#include "core/constants.h"
#include "core/run_error.h"
#include "core/text_number.h"
#include "simulation/simulation_driver.h"

namespace talvex {
namespace {

constexpr int kMaxIterationCount = 50;  // the loop stops once the count exceeds it: 51 at most

// The table and row of a pool index.
template <typename M>
auto& PoolEntry(M& m, int index) {
    if (index >= 1 && index <= fit::ks) return m.C(index - fit::C);
    if (index > fit::ks && index <= fit::Alpha) return m.ks(index - fit::ks);
    if (index > fit::Alpha && index <= fit::E0) return m.Alpha(index - fit::Alpha);
    if (index > fit::E0 && index <= fit::kf) return m.E0(index - fit::E0);
    if (index > fit::kf && index <= fit::kb) return m.kf(index - fit::kf);
    if (index > fit::kb && index <= fit::D) return m.kb(index - fit::kb);
    if (index > fit::D && index <= fit::kCount) return m.D(index - fit::D);
    Raise(ErrorCode::SubscriptOutOfRange);
}

double VMax(double a, double b) {
    return a > b ? a : b;
}
double VMin(double a, double b) {
    return a < b ? a : b;
}

}  // namespace

double PoolValue(const Model& m, int index) {
    return PoolEntry(m, index);
}

void SetPoolValue(Model& m, int index, double value) {
    PoolEntry(m, index) = value;
}

void FillPool(const Model& m, FitPool& pool) {
    pool.fill(0.0);
    const int nSpecies = std::clamp<int>(m.NSpecies, 0, kMaxSpecies);
    const int nCharge = std::clamp<int>(m.NCharge, 0, kMaxCharge);
    const int nChem = std::clamp<int>(m.NChem + m.NChem2, 0, kMaxChem);
    for (int i = 1; i <= nSpecies; ++i) {
        pool[fit::C + i] = m.C(i);
        pool[fit::D + i] = m.D(i);
    }
    for (int r = 1; r <= nCharge; ++r) {
        pool[fit::ks + r] = m.ks(r);
        pool[fit::Alpha + r] = m.Alpha(r);
        pool[fit::E0 + r] = m.E0(r);
    }
    for (int j = 1; j <= nChem; ++j) {
        pool[fit::kf + j] = m.kf(j);
        pool[fit::kb + j] = m.kb(j);
    }
}

void ResetToSingleCurve(Model& m) {
    if (m.OverlapPlot) return;
    const int current = m.CurCurve;
    for (int k = 1; k <= m.NData; ++k) m.Yplot(k, 1) = m.Yplot(k, current);
    m.NCurves = 1;
    m.NCurvesSaved = 1;
    m.CurCurve = 1;
}

void SimulationObjective::Bind(Model& m, std::span<const int> fitIndex, std::function<void()> afterCopy) {
    m_ = &m;
    fitIndex_ = fitIndex;
    afterCopy_ = std::move(afterCopy);
}

void SimulationObjective::Evaluate(std::span<const double> p, std::span<double> f) {
    if (m_ == nullptr || p.size() != fitIndex_.size()) Raise(ErrorCode::InvalidProcedureCall);
    Model& m = *m_;
    for (std::size_t j = 0; j < p.size(); ++j) SetPoolValue(m, fitIndex_[j], p[j]);
    reporter_.received = false;
    RunSimulation(m, reporter_, false, afterCopy_);
    if (reporter_.received) throw RunError(ErrorCode::InvalidProcedureCall, reporter_.first);
    const int n = static_cast<int>(f.size());
    if (m.NData != n) Raise(ErrorCode::SubscriptOutOfRange);
    const int column = m.CurCurve;
    for (int k = 1; k <= n; ++k) f[static_cast<std::size_t>(k - 1)] = m.Yplot(k, column);
}

void FitDriver::Run(Model& m, std::span<const double> y, std::span<const FreeParameter> free, FitServices& services) {
    if (y.empty() || y.size() > static_cast<std::size_t>(kMaxPoints) || static_cast<int>(y.size()) != m.NData)
        throw RunError(ErrorCode::InvalidProcedureCall, "No measured curve to fit: import one first");
    if (free.size() > static_cast<std::size_t>(kMaxFitParameters))
        throw RunError(ErrorCode::SubscriptOutOfRange, "At most 30 parameters can be fitted at once");

    const float startTime = services.platform.Timer();
    iterations_ = 0;
    FillPool(m, pool_);

    nFit_ = 0;
    for (const FreeParameter& p : free) {
        if (p.index < 1 || p.index > fit::kCount) Raise(ErrorCode::SubscriptOutOfRange);
        const std::size_t j = static_cast<std::size_t>(nFit_++);
        fitIndex_[j] = p.index;
        x0_[j] = pool_[static_cast<std::size_t>(p.index)];
        lower_[j] = p.lower;
        upper_[j] = p.upper;
        x_[j] = VMax(lower_[j], VMin(upper_[j], x0_[j]));
    }
    const std::size_t np = static_cast<std::size_t>(nFit_);

    const double var = DataVariance(y);
    objective_.Bind(m, {fitIndex_.data(), np}, services.afterCopy);
    FitProblem problem;
    problem.objective = &objective_;
    problem.y = y;
    problem.lower = {lower_.data(), np};
    problem.upper = {upper_.data(), np};
    problem.var = var;
    problem.dataStd = std::sqrt(var);
    marquardt_.Start(problem, {x_.data(), np});

    ResultWindow& result = services.result;
    do {
        marquardt_.Iterate();
        ++iterations_;
        result.Print().Text("Least square = ").Zone().Num(marquardt_.SSQ()).End();
    } while (iterations_ <= kMaxIterationCount && marquardt_.Flag() > 0);

    // The spread of each value needs the Jacobian at the solution; afterwards the model and curve
    // 2 are brought back to the reported point, which the last evaluation may have left.
    for (ParameterError& e : errors_) e = ParameterError{};
    if (nFit_ > 0 && std::isfinite(marquardt_.SSQ())) marquardt_.StandardErrors({errors_.data(), np});
    marquardt_.ReturnToSolution();

    const float elapsed = SecondsSince(services.platform, startTime);
    m.RunTime = elapsed;

    result.Show();
    PrintReport(result, var, elapsed);
    TellFailures(services.reporter);
}

void FitDriver::PrintReport(ResultWindow& result, double var, float runTime) const {
    const std::span<const double> x = marquardt_.X();
    result.Print().Text("No.").Zone().Text("Initial value").Zone().Zone().Text("Fitted value").End();
    for (int j = 0; j < nFit_; ++j) {
        const std::size_t i = static_cast<std::size_t>(j);
        result.Print().Num(j + 1).Zone().Num(x0_[i]).Zone().Num(x[i]).End();
    }
    result.PrintLine("");
    result.Print().Text("Least square = ").Zone().Num(marquardt_.SSQ()).End();
    result.Print().Text("Standard deviation^2 = ").Zone().Num(var).End();
    result.Print().Text("Convergence flag = ").Zone().Num(marquardt_.Flag()).End();
    result.Print().Text("No. of iteration = ").Zone().Num(iterations_).End();
    result.Print().Text("No. of obj. fun. = ").Zone().Num(marquardt_.ObjCount()).End();
    result.Print().Text("No. of MARQUARDS = ").Zone().Num(marquardt_.NMarq()).End();
    result.Print().Text("Computation time (s) =").Zone().Num(runTime).End();

    // How far each value can be trusted: one standard deviation from the curvature of the sum of
    // squares at the solution, or a plain statement where the data do not fix the value.
    if (nFit_ == 0 || !std::isfinite(marquardt_.SSQ())) return;
    result.PrintLine("");
    result.Print().Text("No.").Zone().Text("Standard error").End();
    for (int j = 0; j < nFit_; ++j) {
        const ParameterError& e = errors_[static_cast<std::size_t>(j)];
        ResultWindow::Line line = result.Print();
        line.Num(j + 1).Zone();
        if (e.determined)
            line.Num(e.standardError);
        else
            line.Text("not determined by the data");
        line.End();
    }
}

void FitDriver::TellFailures(Reporter& reporter) const {
    const Marquardt& f = marquardt_;
    const bool startFailed = f.Flag() == kFlagError && !std::isfinite(f.SSQ());
    if (f.FailedEvaluations() > 0 && !startFailed) {
        reporter.Message(
            GeneralFormat(f.FailedEvaluations()) + " of " + GeneralFormat(f.Evaluations()) +
            " simulations of the fit failed and counted as steps that did not improve. The first: " + f.FirstFailure());
    }
    if (f.Flag() == kFlagError) reporter.Message("Fit Error: " + f.ErrorDescription());
}

}  // namespace talvex
