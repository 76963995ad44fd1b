#include "fitting/fit_driver.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

#include "core/checked_math.h"
#include "core/constants.h"
#include "core/model_pool.h"
#include "core/run_error.h"
#include "core/text_number.h"
#include "digital/initial_concentrations.h"
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

int PoolIndex(const std::string& name) {
    for (int i = 1; i <= fit::kCount; ++i)
        if (PoolName(i) == name) return i;
    return 0;
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

namespace {

double SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool IsRateConstant(int index) {
    return (index > fit::ks && index <= fit::Alpha) || (index > fit::kf && index <= fit::D);
}

}  // namespace

ParameterError FitDriver::StandardError(int j) const {
    const std::size_t i = static_cast<std::size_t>(j);
    return {summary_.determined[i], summary_.standardErrors[i]};
}

FitSummary FitDriver::Fit(std::span<const FitInputCurve> curves, std::span<const FreeParameter> free,
                          const FitOptions& options) {
    if (curves.empty()) throw RunError(ErrorCode::InvalidProcedureCall, "No measured curve to fit: import one first");
    for (const FitInputCurve& c : curves)
        if (c.setup == nullptr || c.y.empty() || c.y.size() > static_cast<std::size_t>(kMaxPoints) ||
            static_cast<int>(c.y.size()) != c.setup->NData)
            throw RunError(ErrorCode::InvalidProcedureCall, "No measured curve to fit: import one first");
    if (free.empty()) throw RunError(ErrorCode::InvalidProcedureCall, kNothingToFit);
    if (free.size() > static_cast<std::size_t>(kMaxFitParameters))
        throw RunError(ErrorCode::SubscriptOutOfRange, "At most 30 parameters can be fitted at once");
    for (const FreeParameter& p : free)
        if (p.index < 1 || p.index > fit::kCount) Raise(ErrorCode::SubscriptOutOfRange);

    const auto clock = options.clock ? options.clock : std::function<double()>(SteadySeconds);
    const double started = clock();
    FitSummary s;
    s.baseline = options.baseline;

    // The shared chemistry's values from the first curve's model; each free value clamped.
    FitPool pool{};
    FillPool(*curves[0].setup, pool);
    const std::size_t np = free.size();
    std::vector<double> x(np);
    std::vector<bool> logScale(np);
    for (std::size_t j = 0; j < np; ++j) {
        const FreeParameter& p = free[j];
        s.index.push_back(p.index);
        s.initial.push_back(pool[static_cast<std::size_t>(p.index)]);
        s.lower.push_back(p.lower);
        s.upper.push_back(p.upper);
        x[j] = VMax(p.lower, VMin(p.upper, s.initial.back()));
        logScale[j] = FittedInLn(p.index, p.lower) && x[j] > 0;
    }

    // Several curves weighted so that each has its largest current at 1 (a single one as it is).
    std::vector<FitCurve> fitCurves;
    std::size_t points = 0;
    for (const FitInputCurve& c : curves) points += c.y.size();
    y_.resize(points);
    std::size_t at = 0;
    for (const FitInputCurve& c : curves) {
        double peak = 0;
        for (double v : c.y) peak = std::max(peak, std::fabs(v));
        const double weight = curves.size() == 1 || peak == 0 ? 1.0 : 1.0 / peak;
        for (double v : c.y) y_[at++] = weight * v;
        fitCurves.push_back({c.setup, c.y, weight});
        s.curves.push_back({c.label, static_cast<int>(c.y.size()), weight, 0, {}, 0, 0});
    }
    CurvesObjective objective(std::move(fitCurves), s.index, options.baseline, options.threads);
    s.threads = objective.Threads();

    if (options.decadeScan) ScanDecades(objective, y_, free, x, s.notes, s.scanSimulations);
    s.start = x;

    FitProblem problem;
    problem.objective = &objective;
    problem.y = y_;
    problem.lower = s.lower;
    problem.upper = s.upper;
    std::unique_ptr<bool[]> flags(new bool[np]);
    for (std::size_t j = 0; j < np; ++j) flags[j] = logScale[j];
    problem.logScale = {flags.get(), np};
    problem.var = DataVariance(y_);
    problem.dataStd = std::sqrt(problem.var);
    s.variance = problem.var;
    marquardt_.Start(problem, x);

    // The progress carries the curves at the best point in amperes, unweighted.
    std::vector<double> progressCurve(options.progress ? points : 0);
    auto keepGoing = [&] {
        if (!options.progress) return true;
        const std::span<const double> f = marquardt_.Curve();
        for (std::size_t c = 0; c < s.curves.size(); ++c) {
            const std::size_t offset = static_cast<std::size_t>(objective.Offset(static_cast<int>(c)));
            for (std::size_t k = 0; k < static_cast<std::size_t>(s.curves[c].points); ++k)
                progressCurve[offset + k] = f[offset + k] / s.curves[c].weight;
        }
        return options.progress({s.iterations, marquardt_.SSQ(), marquardt_.X(), progressCurve});
    };
    bool cancelled = false;
    do {
        marquardt_.Iterate();
        ++s.iterations;
        s.history.push_back(marquardt_.SSQ());
        if (!keepGoing()) cancelled = true;
    } while (!cancelled && s.iterations <= kMaxIterationCount && marquardt_.Flag() > 0);
    s.flag = marquardt_.Flag();
    switch (s.flag) {
        case kFlagPerfectFit:
            s.status = FitStatus::PerfectFit;
            break;
        case kFlagError:
            s.status = FitStatus::Failed;
            break;
        case kFlagConverged:
            s.status = marquardt_.DampingExhausted() ? FitStatus::DampingExhausted : FitStatus::Converged;
            break;
        default:
            s.status = cancelled ? FitStatus::Cancelled : FitStatus::IterationLimit;
    }

    // The spread of each value needs the Jacobian at the solution; afterwards the objective is
    // brought back to the solution, which the last evaluation may have left.
    std::vector<ParameterError> errors(np);
    const int linear = options.baseline ? 2 * static_cast<int>(curves.size()) : 0;
    if (std::isfinite(marquardt_.SSQ())) marquardt_.StandardErrors(errors, linear);
    marquardt_.ReturnToSolution();

    s.values.assign(marquardt_.X().begin(), marquardt_.X().end());
    for (std::size_t j = 0; j < np; ++j) {
        s.determined.push_back(errors[j].determined);
        s.standardErrors.push_back(errors[j].standardError);
        for (std::size_t i = 0; i < np; ++i)
            s.covariance.push_back(marquardt_.Covariance(static_cast<int>(j), static_cast<int>(i)));
    }
    s.ssq = marquardt_.SSQ();
    s.objectiveEvaluations = marquardt_.ObjCount();
    s.marquardts = marquardt_.NMarq();
    s.evaluations = marquardt_.Evaluations();
    s.simulations = (s.evaluations + s.scanSimulations) * static_cast<int>(curves.size());
    s.failedEvaluations = marquardt_.FailedEvaluations();
    s.firstFailure = marquardt_.FirstFailure();
    s.error = marquardt_.ErrorDescription();
    const std::span<const double> f = marquardt_.Curve();
    for (std::size_t c = 0; c < s.curves.size(); ++c) {
        FitCurveSummary& cs = s.curves[c];
        const std::size_t offset = static_cast<std::size_t>(objective.Offset(static_cast<int>(c)));
        double ssq = 0;
        for (std::size_t k = 0; k < static_cast<std::size_t>(cs.points); ++k) {
            const double fitted = std::isfinite(s.ssq) ? f[offset + k] / cs.weight : 0.0;
            cs.fitted.push_back(fitted);
            ssq += (fitted - curves[c].y[k]) * (fitted - curves[c].y[k]);
        }
        cs.ssq = ssq;
        if (options.baseline && marquardt_.SolutionIsLastEvaluated()) {
            cs.baselineStart = objective.BaselineStart(static_cast<int>(c));
            cs.baselineEnd = objective.BaselineEnd(static_cast<int>(c));
        }
    }
    s.runTime = clock() - started;
    summary_ = s;
    return s;
}

// A rate constant that may lie anywhere within several decades is the parameter a local minimiser
// loses: far from the data's value the curve hardly depends on it. A few simulations at each
// decade tell where to start.
void FitDriver::ScanDecades(CurvesObjective& objective, std::span<const double> y, std::span<const FreeParameter> free,
                            std::span<double> x, std::vector<std::string>& notes, int& simulations) {
    scanCurve_.resize(y.size());
    auto sumOfSquares = [&]() {
        ++simulations;
        try {
            objective.Evaluate(x, scanCurve_);
        } catch (const RunError&) {
            return HUGE_VAL;
        }
        double ssq = 0;
        for (std::size_t k = 0; k < y.size(); ++k) ssq += (scanCurve_[k] - y[k]) * (scanCurve_[k] - y[k]);
        return std::isfinite(ssq) ? ssq : HUGE_VAL;
    };
    double best = HUGE_VAL;
    bool evaluated = false;
    for (std::size_t j = 0; j < x.size(); ++j) {
        if (!IsRateConstant(free[j].index) || !(free[j].lower > 0) || !(free[j].upper > 100 * free[j].lower)) continue;
        if (!evaluated) best = sumOfSquares(), evaluated = true;
        const int first = static_cast<int>(std::ceil(std::log10(free[j].lower) - 1e-9));
        const int last = static_cast<int>(std::floor(std::log10(free[j].upper) + 1e-9));
        const double start = x[j];
        double bestValue = start;
        for (int k = first; k <= last; ++k) {
            const double value = std::pow(10.0, k);
            if (value == start) continue;
            x[j] = value;
            const double ssq = sumOfSquares();
            if (ssq < best) best = ssq, bestValue = value;
        }
        x[j] = bestValue;
        notes.push_back(PoolName(free[j].index) + " was first tried at the " + GeneralFormat(last - first + 1) +
                        " decades from " + GeneralFormat(std::pow(10.0, first)) + " to " +
                        GeneralFormat(std::pow(10.0, last)) + "; the fit started from " + GeneralFormat(x[j]) + ".");
    }
}

void FitDriver::Run(Model& m, std::span<const double> y, std::span<const FreeParameter> free, FitServices& services,
                    const FitOptions& options) {
    if (y.empty() || y.size() > static_cast<std::size_t>(kMaxPoints) || static_cast<int>(y.size()) != m.NData)
        throw RunError(ErrorCode::InvalidProcedureCall, "No measured curve to fit: import one first");
    m.Fitting = true;
    const PooledModel setup = AcquireModel(m);
    const FitInputCurve curve{setup.get(), y, ""};
    FitOptions timed = options;
    Platform& platform = services.platform;
    if (!timed.clock) timed.clock = [&platform] { return static_cast<double>(platform.Timer()); };
    const float startTime = platform.Timer();
    const FitSummary& s = Fit({&curve, 1}, free, timed);

    // The model and the fit's curve at the reported point, as a Simulate there would give them.
    ApplyFitSolution(m, s);
    if (std::isfinite(s.ssq)) {
        struct Quiet : Reporter {
            void Message(const std::string&) override {}
        } quiet;
        RunSimulation(m, quiet, false, services.afterCopy);
    }
    summary_.runTime = m.RunTime = SecondsSince(platform, startTime);

    services.result.Show();
    PrintFitReport(summary_, services.result);
    for (const std::string& text : FitMessages(summary_)) services.reporter.Message(text);
}

void PrintFitReport(const FitSummary& s, ResultWindow& result) {
    for (double ssq : s.history) result.Print().Text("Least square = ").Zone().Num(ssq).End();
    const std::size_t np = s.values.size();
    result.Print().Text("No.").Zone().Text("Initial value").Zone().Zone().Text("Fitted value").End();
    for (std::size_t j = 0; j < np; ++j)
        result.Print().Num(static_cast<double>(j + 1)).Zone().Num(s.initial[j]).Zone().Num(s.values[j]).End();
    result.PrintLine("");
    result.Print().Text("Least square = ").Zone().Num(s.ssq).End();
    result.Print().Text("Standard deviation^2 = ").Zone().Num(s.variance).End();
    result.Print().Text("Convergence flag = ").Zone().Num(s.flag).End();
    result.Print().Text("No. of iteration = ").Zone().Num(s.iterations).End();
    result.Print().Text("No. of obj. fun. = ").Zone().Num(s.objectiveEvaluations).End();
    result.Print().Text("No. of MARQUARDS = ").Zone().Num(s.marquardts).End();
    result.Print().Text("Computation time (s) =").Zone().Num(static_cast<float>(s.runTime)).End();

    // How far each value can be trusted: one standard deviation from the curvature of the sum of
    // squares at the solution, or a plain statement where the data do not fix the value.
    if (std::isfinite(s.ssq)) {
        result.PrintLine("");
        result.Print().Text("No.").Zone().Text("Standard error").End();
        for (std::size_t j = 0; j < np; ++j) {
            ResultWindow::Line line = result.Print();
            line.Num(static_cast<double>(j + 1)).Zone();
            if (s.determined[j])
                line.Num(s.standardErrors[j]);
            else
                line.Text("not determined by the data");
            line.End();
        }
    }

    // Several curves: each one's share, and how the shared values trade off against each other.
    if (s.curves.size() > 1) {
        result.PrintLine("");
        result.Print()
            .Text("Curve")
            .Zone()
            .Text("Points")
            .Zone()
            .Text("Weight (1/A)")
            .Zone()
            .Text("Least square")
            .End();
        for (const FitCurveSummary& c : s.curves) {
            result.PrintLine(c.label);
            result.Print().Zone().Num(c.points).Zone().Num(c.weight).Zone().Num(c.ssq).End();
        }
        if (std::isfinite(s.ssq)) {
            result.PrintLine("");
            result.PrintLine("Correlation of the fitted values:");
            for (std::size_t i = 0; i < np; ++i) {
                ResultWindow::Line line = result.Print();
                line.Num(static_cast<double>(i + 1));
                for (std::size_t j = 0; j < np; ++j) {
                    line.Zone();
                    const double cij = s.covariance[i * np + j];
                    const double norm = std::sqrt(s.covariance[i * np + i] * s.covariance[j * np + j]);
                    if (s.determined[i] && s.determined[j] && norm > 0)
                        line.Text(FormatNumber(cij / norm, "0.000"));
                    else
                        line.Text("-");
                }
                line.End();
            }
        }
    }

    result.PrintLine("");
    for (const std::string& note : s.notes) result.PrintLine(note);
    if (s.baseline) {
        for (const FitCurveSummary& c : s.curves) {
            if (s.curves.size() > 1) result.PrintLine("Baseline of " + c.label + ":");
            result.Print().Text("Baseline I start (A) = ").Zone().Num(c.baselineStart).End();
            result.Print().Text("Baseline I end (A) = ").Zone().Num(c.baselineEnd).End();
        }
    }
    switch (s.status) {
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
        case FitStatus::Cancelled:
            result.PrintLine("Stopped by the user; the values are the best point reached.");
            break;
    }
    auto same = [](double a, double b) { return std::fabs(a - b) <= 1e-12 * std::fabs(b); };
    for (std::size_t j = 0; j < np; ++j) {
        const std::string which =
            "Warning: No. " + GeneralFormat(static_cast<double>(j + 1)) + " (" + PoolName(s.index[j]) + ") ended ";
        if (same(s.values[j], s.lower[j]))
            result.PrintLine(which + "at its lower bound " + GeneralFormat(s.lower[j]) + ".");
        else if (same(s.values[j], s.upper[j]))
            result.PrintLine(which + "at its upper bound " + GeneralFormat(s.upper[j]) + ".");
        else if (s.values[j] == s.start[j])
            result.PrintLine(which + "exactly at its start value " + GeneralFormat(s.start[j]) +
                             ": the fit did not move it.");
    }
}

void ApplyFitSolution(Model& m, const FitSummary& s) {
    for (std::size_t j = 0; j < s.values.size(); ++j) SetPoolValue(m, s.index[j], s.values[j]);
    UpdateEquilibriumConstants(m);
    if (m.PreEquilibration || m.Preconcentration) RecomputeInitialConcentrations(m);
    if (s.baseline && s.curves.size() == 1) {
        m.BackgroundI0 = s.curves[0].baselineStart;
        m.BackgroundI1 = s.curves[0].baselineEnd;
    }
}

std::vector<std::string> FitMessages(const FitSummary& s) {
    std::vector<std::string> messages;
    const bool startFailed = s.status == FitStatus::Failed && !std::isfinite(s.ssq);
    if (s.failedEvaluations > 0 && !startFailed) {
        messages.push_back(
            GeneralFormat(s.failedEvaluations) + " of " + GeneralFormat(s.evaluations) +
            " simulations of the fit failed and counted as steps that did not improve. The first: " + s.firstFailure);
    }
    if (s.status == FitStatus::Failed) messages.push_back("Fit Error: " + s.error);
    return messages;
}

}  // namespace talvex
