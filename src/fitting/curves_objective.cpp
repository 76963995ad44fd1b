#include "fitting/curves_objective.h"

#include <exception>
#include <functional>

#include "core/checked_math.h"
#include "core/run_error.h"
#include "digital/initial_concentrations.h"
#include "fitting/fit_driver.h"
#include "simulation/corrections.h"
#include "simulation/simulation_driver.h"

namespace talvex {
namespace {

// The start and end currents b0, b1 of the baseline b0 (1 - s) + b1 s (s from 0 at the start to 1
// at the vertex) that fit y - f best, by the 2 x 2 normal equations; the line is then added as a
// simulation adds it, so a Simulate with these currents typed in gives the same curve. Where the
// potentials give the line no length (the vertex at the start potential) there is no line to fit.
void AddBestBaseline(Model& m, std::span<const double> y) {
    const int n = m.NData;
    const int col = m.CurCurve;
    double a00 = 0, a01 = 0, a11 = 0, g0 = 0, g1 = 0;
    try {
        for (int k = 1; k <= n; ++k) {
            const double r = y[static_cast<std::size_t>(k - 1)] - m.Yplot(k, col);
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

}  // namespace

CurvesObjective::CurvesObjective(std::vector<FitCurve> curves, std::span<const int> fitIndex, bool baseline,
                                 int threads)
    : curves_(std::move(curves)),
      fitIndex_(fitIndex.begin(), fitIndex.end()),
      baseline_(baseline),
      team_(LeaseTeam(threads)) {
    for (const FitCurve& c : curves_) {
        if (c.setup == nullptr || c.y.empty()) Raise(ErrorCode::InvalidProcedureCall);
        offsets_.push_back(points_);
        points_ += static_cast<int>(c.y.size());
    }
    // Every worker's copy of every curve's model, copied by the team.
    const int nCurves = Curves();
    workers_.resize(static_cast<std::size_t>(team_->size()));
    for (Worker& w : workers_) w.models.resize(curves_.size());
    std::vector<std::exception_ptr> failed(workers_.size() * curves_.size());
    team_->Run(static_cast<int>(failed.size()), [&](int task, int) {
        const auto w = static_cast<std::size_t>(task / nCurves), c = static_cast<std::size_t>(task % nCurves);
        try {
            workers_[w].models[c] = AcquireModel(*curves_[c].setup);
        } catch (...) {  // out of memory
            failed[static_cast<std::size_t>(task)] = std::current_exception();
        }
    });
    for (const std::exception_ptr& e : failed)
        if (e) std::rethrow_exception(e);
    curveFailures_.resize(curves_.size());
    baselines_.assign(curves_.size(), {0.0, 0.0});
}

bool CurvesObjective::Simulate(int c, int w, const double* p, double* out, std::string& failure, double* baseline) {
    const FitCurve& curve = curves_[static_cast<std::size_t>(c)];
    Worker& worker = workers_[static_cast<std::size_t>(w)];
    Model& m = *worker.models[static_cast<std::size_t>(c)];
    failure.clear();
    try {
        for (std::size_t j = 0; j < fitIndex_.size(); ++j) SetPoolValue(m, fitIndex_[j], p[j]);
        // The starting solution follows the trial's E0, K and concentrations, as it would in a
        // Simulate with those values typed in.
        UpdateEquilibriumConstants(m);
        if (m.PreEquilibration || m.Preconcentration) RecomputeInitialConcentrations(m);
        if (baseline_) m.BackgroundI0 = m.BackgroundI1 = 0.0;
        worker.reporter.received = false;
        const std::span<const double> y = curve.y;
        if (baseline_)
            RunSimulation(m, worker.reporter, false, [&m, y] { AddBestBaseline(m, y); });
        else
            RunSimulation(m, worker.reporter, false);
        if (worker.reporter.received) {
            failure = worker.reporter.first;
            return false;
        }
        const int n = static_cast<int>(y.size());
        if (m.NData != n) Raise(ErrorCode::SubscriptOutOfRange);
        const int column = m.CurCurve;
        for (int k = 0; k < n; ++k) out[k] = curve.weight * m.Yplot(k + 1, column);
        baseline[0] = m.BackgroundI0;
        baseline[1] = m.BackgroundI1;
    } catch (const RunError& e) {
        failure = e.what();
        return false;
    }
    return true;
}

void CurvesObjective::Evaluate(std::span<const double> p, std::span<double> f) {
    if (p.size() != fitIndex_.size() || static_cast<int>(f.size()) != points_) Raise(ErrorCode::InvalidProcedureCall);
    team_->Run(Curves(), [&](int c, int w) {
        Simulate(c, w, p.data(), f.data() + Offset(c), curveFailures_[static_cast<std::size_t>(c)],
                 baselines_[static_cast<std::size_t>(c)].data());
    });
    for (const std::string& failure : curveFailures_)
        if (!failure.empty()) throw RunError(ErrorCode::InvalidProcedureCall, failure);
}

void CurvesObjective::EvaluateMany(int count, const double* points, int np, double* curves, int m,
                                   std::string* failures) {
    if (np != static_cast<int>(fitIndex_.size()) || m != points_) Raise(ErrorCode::InvalidProcedureCall);
    const int nCurves = Curves();
    if (taskFailures_.size() < static_cast<std::size_t>(count * nCurves)) taskFailures_.resize(count * nCurves);
    team_->Run(count * nCurves, [&](int task, int w) {
        const int k = task / nCurves, c = task % nCurves;
        double baseline[2];
        Simulate(c, w, points + static_cast<std::size_t>(k) * np, curves + static_cast<std::size_t>(k) * m + Offset(c),
                 taskFailures_[static_cast<std::size_t>(task)], baseline);
    });
    for (int k = 0; k < count; ++k) {
        failures[k].clear();
        for (int c = 0; c < nCurves && failures[k].empty(); ++c)
            failures[k] = taskFailures_[static_cast<std::size_t>(k * nCurves + c)];
    }
}

}  // namespace talvex
