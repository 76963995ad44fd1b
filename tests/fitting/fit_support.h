#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <span>
#include <vector>

#include "fitting/fit_driver.h"
#include "fitting/marquardt.h"
#include "simulation/simulation_driver.h"
#include "support/experiments.h"
#include "support/fake_platform.h"
#include "support/model_values.h"
#include "support/recording_reporter.h"

namespace talvex::testing {

// A closed-form model f(b, x) at fixed abscissae; remembers every parameter vector it was given.
class ClosedFormObjective : public FitObjective {
  public:
    using Model = std::function<double(std::span<const double> b, double x)>;
    ClosedFormObjective(std::vector<double> x, Model model) : x_(std::move(x)), model_(std::move(model)) {}
    void Evaluate(std::span<const double> p, std::span<double> f) override {
        calls.emplace_back(p.begin(), p.end());
        for (std::size_t k = 0; k < f.size(); ++k) f[k] = model_(p, x_[k]);
    }
    double SumOfSquares(std::span<const double> b, const std::vector<double>& y) const {
        double s = 0;
        for (std::size_t k = 0; k < y.size(); ++k) s += (model_(b, x_[k]) - y[k]) * (model_(b, x_[k]) - y[k]);
        return s;
    }
    std::vector<std::vector<double>> calls;

  private:
    std::vector<double> x_;
    Model model_;
};

inline constexpr double kUnbounded = std::numeric_limits<double>::infinity();

// Starts a fit as the fit driver does: variance and spread of the measured curve, all free.
inline void StartFit(Marquardt& fit, FitObjective& objective, const std::vector<double>& y,
                     const std::vector<double>& x0, std::vector<double> lower = {}, std::vector<double> upper = {}) {
    if (lower.empty()) lower.assign(x0.size(), -kUnbounded);
    if (upper.empty()) upper.assign(x0.size(), kUnbounded);
    FitProblem p;
    p.objective = &objective;
    p.y = y;
    p.lower = lower;
    p.upper = upper;
    p.var = DataVariance(y);
    p.dataStd = std::sqrt(p.var);
    fit.Start(p, x0);
}

// The fit driver's loop: iterate while the flag is positive, at most `limit` iterations (the
// driver's 51). Returns the number made.
inline int RunIterations(Marquardt& fit, int limit = 51) {
    int count = 0;
    do {
        fit.Iterate();
        ++count;
    } while (count < limit && fit.Flag() > 0);
    return count;
}

// The default experiment simulated into the "measured" curve y and fitted by the fit driver.
class SimulatedDataFit : public ::testing::Test {
  protected:
    SimulatedDataFit() : m(*model) { DefaultExperiment(m); }
    void Measure() {
        RunSimulation(m, reporter, false);
        ASSERT_TRUE(reporter.messages.empty()) << reporter.messages.front();
        y = Curve(m, 1);
    }
    void Fit(const std::vector<FreeParameter>& free) {
        m.Fitting = true;
        FitServices services{result, reporter, platform, {}};
        driver->Run(m, y, free, services);
    }

    std::unique_ptr<Model> model = std::make_unique<Model>();
    Model& m;
    std::unique_ptr<FitDriver> driver = std::make_unique<FitDriver>();
    FakePlatform platform;
    RecordingReporter reporter;
    ResultWindow result;
    std::vector<double> y;
};

}  // namespace talvex::testing
