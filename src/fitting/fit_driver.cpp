#include "fitting/fit_driver.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/checked_math.h"
#include "core/constants.h"
#include "core/run_error.h"
#include "core/text_number.h"
#include "digital/initial_concentrations.h"
#include "simulation/corrections.h"
#include "simulation/simulation_driver.h"

namespace talvex {
namespace {

constexpr int kMaxIterationCount = 50;  // the loop stops once the count exceeds it: 51 at most

// Whether the model computes its initial concentrations from analytical ones.
bool ComputesInitialConcentrations(const Model& m) {
    return m.PreEquilibration || m.Preconcentration;
}

// The table and row of a pool index.
template <typename M>
auto& PoolEntry(M& m, int index) {
    if (index >= 1 && index <= fit::ks)
        return ComputesInitialConcentrations(m) ? m.CAnalytical(index - fit::C) : m.C(index - fit::C);
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
        pool[fit::C + i] = PoolValue(m, fit::C + i);
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

std::string PoolName(int index) {
    struct Kind {
        int offset;
        const char* name;
    };
    static constexpr Kind kKinds[] = {{fit::D, "D"},         {fit::kb, "kb"}, {fit::kf, "kf"}, {fit::E0, "E0"},
                                      {fit::Alpha, "Alpha"}, {fit::ks, "ks"}, {fit::C, "C"}};
    if (index < 1 || index > fit::kCount) Raise(ErrorCode::SubscriptOutOfRange);
    for (const Kind& k : kKinds)
        if (index > k.offset) return std::string(k.name) + "(" + std::to_string(index - k.offset) + ")";
    Raise(ErrorCode::SubscriptOutOfRange);
}

bool FittedInLn(int index, double lower) {
    const bool spansDecades = (index > fit::C && index <= fit::ks) || (index > fit::ks && index <= fit::Alpha) ||
                              (index > fit::kf && index <= fit::kCount);
    return spansDecades && lower > 0;
}

void ResetToSingleCurve(Model& m, int column) {
    if (m.OverlapPlot) return;
    const int keep = column > 0 ? column : m.CurCurve.value();
    for (int k = 1; k <= m.NData; ++k) m.Yplot(k, 1) = m.Yplot(k, keep);
    m.CurveKind(1) = m.CurveKind(keep);
    m.CurveLabels(1) = m.CurveLabels(keep);
    m.NCurves = 1;
    m.NCurvesSaved = 1;
    m.CurCurve = 1;
}

void SimulationObjective::Bind(Model& m, std::span<const int> fitIndex, std::span<const double> y, bool baseline,
                               std::function<void()> afterCopy) {
    m_ = &m;
    fitIndex_ = fitIndex;
    y_ = y;
    baseline_ = baseline;
    afterCopy_ = std::move(afterCopy);
    withBaseline_ = [this] {
        AddBestBaseline();
        if (afterCopy_) afterCopy_();
    };
}

// The start and end currents b0, b1 of the baseline b0 (1 - s) + b1 s (s from 0 at the start to 1
// at the vertex) that fit y - f best, by the 2 x 2 normal equations; the line is then added as a
// simulation adds it, so a Simulate with these currents typed in gives the same curve. Where the
// potentials give the line no length (the vertex at the start potential) there is no line to fit.
void SimulationObjective::AddBestBaseline() {
    Model& m = *m_;
    const int n = m.NData;
    const int col = m.CurCurve;
    double a00 = 0, a01 = 0, a11 = 0, g0 = 0, g1 = 0;
    try {
        for (int k = 1; k <= n; ++k) {
            const double r = y_[static_cast<std::size_t>(k - 1)] - m.Yplot(k, col);
            const double s = BackgroundShare(m, k);
            a00 += (1 - s) * (1 - s), a01 += (1 - s) * s, a11 += s * s;
            g0 += (1 - s) * r, g1 += s * r;
        }
    } catch (const RunError&) {
        return;
    }
    const double det = a00 * a11 - a01 * a01;
    if (!(det > 1e-12 * a00 * a11)) return;
    m.BackgroundI0 = Checked((g0 * a11 - g1 * a01) / det);
    m.BackgroundI1 = Checked((g1 * a00 - g0 * a01) / det);
    AddBackgroundLine(m);
    for (int k = 1; k <= n; ++k) m.Yplot(k, col) = m.Ystore(k, m.StoreCol);
}

void SimulationObjective::Evaluate(std::span<const double> p, std::span<double> f) {
    if (m_ == nullptr || p.size() != fitIndex_.size()) Raise(ErrorCode::InvalidProcedureCall);
    Model& m = *m_;
    for (std::size_t j = 0; j < p.size(); ++j) SetPoolValue(m, fitIndex_[j], p[j]);
    // The starting solution follows the trial's E0, K and concentrations, as it would in a Simulate
    // with those values typed in.
    RecomputeInitialConcentrations(m);
    if (baseline_) m.BackgroundI0 = m.BackgroundI1 = 0.0;
    reporter_.received = false;
    RunSimulation(m, reporter_, false, baseline_ ? withBaseline_ : afterCopy_);
    if (reporter_.received) throw RunError(ErrorCode::InvalidProcedureCall, reporter_.first);
    const int n = static_cast<int>(f.size());
    if (m.NData != n) Raise(ErrorCode::SubscriptOutOfRange);
    const int column = m.CurCurve;
    for (int k = 1; k <= n; ++k) f[static_cast<std::size_t>(k - 1)] = m.Yplot(k, column);
}

void FitDriver::Run(Model& m, std::span<const double> y, std::span<const FreeParameter> free, FitServices& services,
                    const FitOptions& options) {
    if (y.empty() || y.size() > static_cast<std::size_t>(kMaxPoints) || static_cast<int>(y.size()) != m.NData)
        throw RunError(ErrorCode::InvalidProcedureCall, "No measured curve to fit: import one first");
    if (free.empty()) throw RunError(ErrorCode::InvalidProcedureCall, kNothingToFit);
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
        log_[j] = FittedInLn(p.index, p.lower) && x_[j] > 0;
    }
    const std::size_t np = static_cast<std::size_t>(nFit_);

    const double var = DataVariance(y);
    objective_.Bind(m, {fitIndex_.data(), np}, y, options.baseline, services.afterCopy);
    scanSimulations_ = 0;
    scanNotes_.clear();
    if (options.decadeScan) ScanDecades(y, free);
    xStart_ = x_;

    FitProblem problem;
    problem.objective = &objective_;
    problem.y = y;
    problem.lower = {lower_.data(), np};
    problem.upper = {upper_.data(), np};
    problem.logScale = {log_.data(), np};
    problem.var = var;
    problem.dataStd = std::sqrt(var);
    marquardt_.Start(problem, {x_.data(), np});

    ResultWindow& result = services.result;
    do {
        marquardt_.Iterate();
        ++iterations_;
        result.Print().Text("Least square = ").Zone().Num(marquardt_.SSQ()).End();
    } while (iterations_ <= kMaxIterationCount && marquardt_.Flag() > 0);
    switch (marquardt_.Flag()) {
        case kFlagPerfectFit:
            status_ = FitStatus::PerfectFit;
            break;
        case kFlagError:
            status_ = FitStatus::Failed;
            break;
        case kFlagConverged:
            status_ = marquardt_.DampingExhausted() ? FitStatus::DampingExhausted : FitStatus::Converged;
            break;
        default:
            status_ = FitStatus::IterationLimit;
    }

    // The spread of each value needs the Jacobian at the solution; afterwards the model and the
    // fit's curve are brought back to the reported point, which the last evaluation may have left.
    for (ParameterError& e : errors_) e = ParameterError{};
    if (std::isfinite(marquardt_.SSQ())) marquardt_.StandardErrors({errors_.data(), np}, options.baseline ? 2 : 0);
    marquardt_.ReturnToSolution();
    baselineFitted_ = options.baseline;
    baselineStart_ = m.BackgroundI0;
    baselineEnd_ = m.BackgroundI1;

    const float elapsed = SecondsSince(services.platform, startTime);
    m.RunTime = elapsed;

    result.Show();
    PrintReport(result, var, elapsed);
    PrintOutcome(result);
    TellFailures(services.reporter);
}

// A rate constant that may lie anywhere within several decades is the parameter a local minimiser
// loses: far from the data's value the curve hardly depends on it. A few simulations at each
// decade tell where to start.
void FitDriver::ScanDecades(std::span<const double> y, std::span<const FreeParameter> free) {
    scanCurve_.resize(y.size());
    const std::size_t np = static_cast<std::size_t>(nFit_);
    auto sumOfSquares = [&]() {
        ++scanSimulations_;
        try {
            objective_.Evaluate({x_.data(), np}, scanCurve_);
        } catch (const RunError&) {
            return HUGE_VAL;
        }
        double ssq = 0;
        for (std::size_t k = 0; k < y.size(); ++k) ssq += (scanCurve_[k] - y[k]) * (scanCurve_[k] - y[k]);
        return std::isfinite(ssq) ? ssq : HUGE_VAL;
    };
    double best = HUGE_VAL;
    bool evaluated = false;
    for (std::size_t j = 0; j < np; ++j) {
        const int index = fitIndex_[j];
        const bool rate = (index > fit::ks && index <= fit::Alpha) || (index > fit::kf && index <= fit::D);
        if (!rate || !(free[j].lower > 0) || !(free[j].upper > 100 * free[j].lower)) continue;
        if (!evaluated) best = sumOfSquares(), evaluated = true;
        const int first = static_cast<int>(std::ceil(std::log10(free[j].lower) - 1e-9));
        const int last = static_cast<int>(std::floor(std::log10(free[j].upper) + 1e-9));
        const double start = x_[j];
        double bestValue = start;
        for (int k = first; k <= last; ++k) {
            const double value = std::pow(10.0, k);
            if (value == start) continue;
            x_[j] = value;
            const double ssq = sumOfSquares();
            if (ssq < best) best = ssq, bestValue = value;
        }
        x_[j] = bestValue;
        scanNotes_.push_back(PoolName(index) + " was first tried at the " + GeneralFormat(last - first + 1) +
                             " decades from " + GeneralFormat(std::pow(10.0, first)) + " to " +
                             GeneralFormat(std::pow(10.0, last)) + "; the fit started from " + GeneralFormat(x_[j]) +
                             ".");
    }
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
    if (!std::isfinite(marquardt_.SSQ())) return;
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

void FitDriver::PrintOutcome(ResultWindow& result) const {
    result.PrintLine("");
    for (const std::string& note : scanNotes_) result.PrintLine(note);
    if (baselineFitted_) {
        result.Print().Text("Baseline I start (A) = ").Zone().Num(baselineStart_).End();
        result.Print().Text("Baseline I end (A) = ").Zone().Num(baselineEnd_).End();
    }
    switch (status_) {
        case FitStatus::Converged:
            result.PrintLine("Converged: the last iteration lowered the sum of squares by less than 0.02 %.");
            break;
        case FitStatus::PerfectFit:
            result.PrintLine(
                "Converged: the curve is reproduced exactly (sum of squares below 1e-10 of the variance).");
            break;
        case FitStatus::DampingExhausted:
            result.PrintLine(
                "Stopped: no step lowered the sum of squares, not even the most damped one (damping exhausted). "
                "Check on the plot that the curves agree.");
            break;
        case FitStatus::IterationLimit:
            result.PrintLine("Stopped after 51 iterations without converging: run Auto Fit again to go on from here.");
            break;
        case FitStatus::Failed:
            result.PrintLine("Stopped on an error; the values are the best point reached.");
            break;
    }
    const std::span<const double> x = marquardt_.X();
    for (int j = 0; j < nFit_; ++j) {
        const std::size_t i = static_cast<std::size_t>(j);
        const std::string which = "Warning: No. " + GeneralFormat(j + 1) + " (" + PoolName(fitIndex_[i]) + ") ended ";
        auto same = [](double a, double b) { return std::fabs(a - b) <= 1e-12 * std::fabs(b); };
        if (same(x[i], lower_[i]))
            result.PrintLine(which + "at its lower bound " + GeneralFormat(lower_[i]) + ".");
        else if (same(x[i], upper_[i]))
            result.PrintLine(which + "at its upper bound " + GeneralFormat(upper_[i]) + ".");
        else if (x[i] == xStart_[i])
            result.PrintLine(which + "exactly at its start value " + GeneralFormat(xStart_[i]) +
                             ": the fit did not move it.");
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
