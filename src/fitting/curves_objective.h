#pragma once

#include <array>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/model.h"
#include "core/model_pool.h"
#include "core/reporter.h"
#include "fitting/fit_objective.h"
#include "fitting/worker_team.h"

namespace talvex {

// One measured curve of a fit: the model it is simulated from (its experiment and the shared
// chemistry, in fitting mode at the measured potentials), the measured currents and the weight its
// residuals carry.
struct FitCurve {
    const Model* setup = nullptr;
    std::span<const double> y;
    double weight = 1;
};

// The objective of a fit of one or more curves: for a parameter vector, every curve is simulated
// with its own settings and the shared trial values, and the weighted curves are stacked in the
// curves' order. Every worker of the team simulates on its own copies of the curves' models, so the
// curves (and the Jacobian's probes) run in parallel with nothing shared; the result does not
// depend on the number of threads, bit for bit.
//
// Each simulation starts from the initial concentrations its trial E0 and K imply (as a Simulate
// with those values typed in would). A simulation that shows a message has failed: the point is not
// scored, and its first message is the failure's description. With the baseline free, each curve is
// simulated without one and the straight baseline (start and end current, both linear) that best
// fits what is left of its measured curve is added, at no extra simulation.
class CurvesObjective : public FitObjective {
  public:
    CurvesObjective(std::vector<FitCurve> curves, std::span<const int> fitIndex, bool baseline, int threads);

    void Evaluate(std::span<const double> p, std::span<double> f) override;
    void EvaluateMany(int count, const double* points, int np, double* curves, int m, std::string* failures) override;

    int Points() const { return points_; }
    int Threads() const { return team_->size(); }
    int Curves() const { return static_cast<int>(curves_.size()); }
    int Offset(int curve) const { return offsets_[static_cast<std::size_t>(curve)]; }
    // The baseline each curve was given in the last Evaluate (0 without a free baseline).
    double BaselineStart(int curve) const { return baselines_[static_cast<std::size_t>(curve)][0]; }
    double BaselineEnd(int curve) const { return baselines_[static_cast<std::size_t>(curve)][1]; }

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
    struct Worker {
        std::vector<PooledModel> models;  // one per curve
        CollectingReporter reporter;
    };

    // Simulates curve c at p on worker w into out (weighted); false with `failure` set when it fails.
    bool Simulate(int c, int w, const double* p, double* out, std::string& failure, double* baseline);

    std::vector<FitCurve> curves_;
    std::vector<int> offsets_;
    int points_ = 0;
    std::vector<int> fitIndex_;
    bool baseline_ = false;
    TeamLease team_;
    std::vector<Worker> workers_;
    std::vector<std::string> curveFailures_, taskFailures_;
    std::vector<std::array<double, 2>> baselines_;
};

}  // namespace talvex
