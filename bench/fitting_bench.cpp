#include <benchmark/benchmark.h>

#include <cmath>
#include <limits>
#include <vector>

#include "fitting/marquardt.h"

namespace talvex::bench {
namespace {

// NIST StRD Misra1a: y = b1 (1 - exp(-b2 x)), 14 points.
class Misra1a : public FitObjective {
  public:
    void Evaluate(std::span<const double> p, std::span<double> f) override {
        for (std::size_t k = 0; k < f.size(); ++k) f[k] = p[0] * (1 - std::exp(-p[1] * x[k]));
    }
    const std::vector<double> x{77.6,  114.9, 141.1, 190.8, 239.9, 289.0, 332.8,
                                378.4, 434.8, 477.3, 536.8, 593.1, 689.1, 760.0};
    const std::vector<double> y{10.07, 14.73, 17.94, 23.93, 29.61, 35.18, 40.02,
                                44.82, 50.76, 55.05, 61.01, 66.40, 75.47, 81.78};
};

// The minimiser's own cost of a whole fit, as the fit driver runs it (at most 51 iterations),
// from the far start (500, 1e-4). With a simulation behind the objective this is noise.
void BM_Misra1aFit(benchmark::State& state) {
    Misra1a objective;
    Marquardt fit;  // sized once, like the one a program keeps
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> lower{-inf, -inf}, upper{inf, inf}, x0{500, 1e-4};
    FitProblem problem;
    problem.objective = &objective;
    problem.y = objective.y;
    problem.lower = lower;
    problem.upper = upper;
    problem.var = DataVariance(objective.y);
    problem.dataStd = std::sqrt(problem.var);
    int iterations = 0;
    for (auto _ : state) {
        fit.Start(problem, x0);
        iterations = 0;
        do {
            fit.Iterate();
            ++iterations;
        } while (iterations <= 50 && fit.Flag() > 0);
        benchmark::DoNotOptimize(fit.SSQ());
    }
    state.counters["iterations"] = iterations;
    state.counters["evaluations"] = fit.Evaluations();
    state.counters["b1"] = fit.X()[0];
}
BENCHMARK(BM_Misra1aFit)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace talvex::bench
