#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "../tests/support/reference_cv.h"
#include "api/fit.h"

namespace talvex::bench {
namespace {

// A global fit of four cycles (10, 100, 1000 and 10000 mV/s, 242 points each, made by the
// independent integral-equation solver at ks 0.05 cm/s with 1 % noise) for E0, ks and alpha from 20
// mV, a factor 3 and 0.1 away, simulated digitally. range(0): the threads (1, or 0 for one per core).
void BM_GlobalFit(benchmark::State& state) {
    std::vector<api::MeasuredCurve> series;
    unsigned seed = 1;
    for (double v : {0.01, 0.1, 1.0, 10.0}) {
        testing::ReferenceCv p;
        p.E0 = 0.12, p.ks = 0.05, p.v = v;
        const testing::ReferenceCurve c = testing::ReferenceCycle(p);
        api::MeasuredCurve m;
        m.experiment.scanRate = v;
        m.experiment.cycles = 1;
        m.experiment.potentials = c.E;
        m.current = c.I;
        const double peak = *std::max_element(m.current.begin(), m.current.end());
        std::mt19937 random(seed++);
        std::normal_distribution<double> z;
        for (double& i : m.current) i += 0.01 * peak * z(random);
        series.push_back(m);
    }
    api::ChemicalSystem start = api::ChemicalSystem::Default();
    start.preEquilibration = false;
    start.chargeTransfers[0].E0 = 0.14, start.chargeTransfers[0].ks = 0.15, start.chargeTransfers[0].alpha = 0.6;
    const std::vector<api::FitParameter> free{{"E0(1)", -0.2, 0.4}, {"ks(1)", 1e-6, 10}, {"Alpha(1)", 0.2, 0.8}};
    api::FitSettings settings;
    settings.fit.threads = static_cast<int>(state.range(0));
    api::FitSummary last;
    for (auto _ : state) {
        const auto fit = api::Fit(series, start, free, settings);
        if (!fit.ok()) {
            state.SkipWithError(fit.error().message.c_str());
            return;
        }
        last = fit.value();
    }
    state.counters["threads"] = last.threads;
    state.counters["simulations"] = last.simulations;
    state.counters["iterations"] = last.iterations;
    state.counters["ks"] = last.values[1];
}
BENCHMARK(BM_GlobalFit)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace talvex::bench
