#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "simulation/simulation_driver.h"

namespace talvex::bench {
namespace {

// The default analytical cyclic voltammogram: 242 points.
void BM_AnalyticalDefaultCV(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 1);
    for (auto _ : state) {
        RunSimulation(wb);
        benchmark::DoNotOptimize(wb.model.Yplot(10, 1));
    }
}
BENCHMARK(BM_AnalyticalDefaultCV)->Unit(benchmark::kMicrosecond);

// A single sweep of 4000 points (0.3 -> -0.3 V in 0.15 mV steps): the semi-differentiation's
// quadratic cost dominates.
void BM_AnalyticalSweep4000(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 0.5);
    wb.model.Estep = 0.6 / 3999;
    wb.model.tdrop = wb.model.Estep / wb.model.ScanRate;
    for (auto _ : state) {
        RunSimulation(wb);
        benchmark::DoNotOptimize(wb.model.Yplot(10, 1));
    }
    state.counters["points"] = wb.model.NData.value();
}
BENCHMARK(BM_AnalyticalSweep4000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace talvex::bench
