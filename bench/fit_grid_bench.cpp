#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "../tests/support/reference_cv.h"
#include "bench_support.h"
#include "fitting/fit_driver.h"

namespace talvex::bench {
namespace {

class QuietReporter : public Reporter {
  public:
    void Message(const std::string&) override {}
};

// The robustness grid: a quasi-reversible cycle made by an independent integral-equation solver
// (E0 0.12 V, alpha 0.5, 10 mV/s, 1 cm2, 1 mM, D 1e-5 cm2/s, a point every 5 mV) for true ks 1e-4,
// 1e-3, 5e-3, 5e-2 cm/s and ks 5e-3 with 1 % noise, fitted digitally (E0, ks, alpha; ks bounds
// 1e-6..10) from ks x0.01 .. x100, E0 +-20 / +-50 mV and alpha 0.3 / 0.5 / 0.7: 360 fits. A fit
// succeeds with E0 within 1 mV, ks within 10 % and alpha within 0.03. range(0): pre-equilibration
// of the starting concentrations at 0.3 V (1) or none (0).
void BM_FitGrid(benchmark::State& state) {
    const bool preEquilibrate = state.range(0) != 0;
    struct Data {
        double ks;
        bool noisy;
    };
    const Data data[] = {{1e-4, false}, {1e-3, false}, {5e-3, false}, {5e-2, false}, {5e-3, true}};
    std::vector<std::vector<double>> curves;
    std::vector<double> potentials;
    for (const Data& d : data) {
        testing::ReferenceCv p;
        p.E0 = 0.12;
        p.ks = d.ks;
        const testing::ReferenceCurve c = testing::ReferenceCycle(p);
        std::vector<double> y = c.I;
        if (d.noisy) {
            const double peak = *std::max_element(y.begin(), y.end());
            std::mt19937 random(7);
            std::normal_distribution<double> z;
            for (double& v : y) v += 0.01 * peak * z(random);
        }
        curves.push_back(std::move(y));
        potentials = c.E;
    }

    QuietPlatform platform;
    QuietReporter reporter;
    auto model = std::make_unique<Model>();
    Model& m = *model;
    auto driver = std::make_unique<FitDriver>();
    ResultWindow result;
    FitServices services{result, reporter, platform, {}};
    const std::vector<FreeParameter> free{
        {fit::E0 + 1, -0.2, 0.4}, {fit::ks + 1, 1e-6, 10}, {fit::Alpha + 1, 0.2, 0.8}};

    int successes = 0, fits = 0;
    std::vector<int> simulations;
    double seconds = 0;
    for (auto _ : state) {
        successes = fits = 0;
        simulations.clear();
        seconds = 0;
        for (std::size_t d = 0; d < curves.size(); ++d) {
            for (double ksFactor : {0.01, 0.1, 0.3, 3.0, 10.0, 100.0}) {
                for (double dE : {-0.05, -0.02, 0.02, 0.05}) {
                    for (double alpha : {0.3, 0.5, 0.7}) {
                        DefaultExperiment(m, 1);
                        m.DigitalSim = true;
                        m.E0(1) = 0.12 + dE;
                        m.ks(1) = data[d].ks * ksFactor;
                        m.Alpha(1) = alpha;
                        m.CAnalytical(1) = m.C(1) = 1e-3;
                        m.CAnalytical(2) = m.C(2) = 0;
                        m.PreEquilibration = preEquilibrate;
                        m.NData = static_cast<int>(potentials.size());
                        for (int k = 1; k <= m.NData; ++k) m.Xdata(k) = potentials[static_cast<std::size_t>(k - 1)];
                        m.Fitting = true;
                        result.Clear();
                        const auto start = std::chrono::steady_clock::now();
                        driver->Run(m, curves[d], free, services);
                        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                        ++fits;
                        simulations.push_back(driver->minimiser().Evaluations() + driver->ScanSimulations());
                        const bool ok = std::fabs(m.E0(1) - 0.12) <= 1e-3 &&
                                        std::fabs(m.ks(1) / data[d].ks - 1) <= 0.10 &&
                                        std::fabs(m.Alpha(1) - 0.5) <= 0.03;
                        successes += ok;
                    }
                }
            }
        }
    }
    std::sort(simulations.begin(), simulations.end());
    state.counters["fits"] = fits;
    state.counters["successes"] = successes;
    state.counters["median_simulations"] = simulations[simulations.size() / 2];
    state.counters["worst_simulations"] = simulations.back();
    state.counters["ms_per_fit"] = 1000 * seconds / fits;
}
BENCHMARK(BM_FitGrid)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace talvex::bench
