#include <benchmark/benchmark.h>

#include "app/simulate_command.h"
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

// A single sweep of 4000 points (0.3 -> -0.3 V in 0.15 mV steps): the convolution's quadratic
// cost dominates.
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

// The same 4000 points with quasi-reversible kinetics (ks 1e-3 cm/s, psi about 0.3).
void BM_AnalyticalQuasiReversibleSweep4000(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 0.5);
    wb.model.Estep = 0.6 / 3999;
    wb.model.tdrop = wb.model.Estep / wb.model.ScanRate;
    wb.model.ks(1) = 1e-3;
    for (auto _ : state) {
        RunSimulation(wb);
        benchmark::DoNotOptimize(wb.model.Yplot(10, 1));
    }
    state.counters["points"] = wb.model.NData.value();
}
BENCHMARK(BM_AnalyticalQuasiReversibleSweep4000)->Unit(benchmark::kMillisecond);

// The default square wave with quasi-reversible kinetics (ks 1e-2 cm/s): graded nodes in every
// half-period, two runs extrapolated.
void BM_AnalyticalQuasiReversibleSquareWave(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 0.5);
    wb.model.Technique = 5;
    wb.model.CaseCode = 51;
    wb.model.ks(1) = 1e-2;
    for (auto _ : state) {
        RunSimulation(wb);
        benchmark::DoNotOptimize(wb.model.Yplot(10, 1));
    }
}
BENCHMARK(BM_AnalyticalQuasiReversibleSquareWave)->Unit(benchmark::kMillisecond);

// Each technique at the default experiment (planar, single sweep of 121 points): 1 sweep, 2 DC,
// 3 normal pulse, 4 differential pulse, 5 square wave.
void BM_AnalyticalTechnique(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 0.5);
    const int technique = static_cast<int>(state.range(0));
    wb.model.Technique = technique;
    wb.model.CaseCode = 10 * technique + 1;
    for (auto _ : state) {
        RunSimulation(wb);
        benchmark::DoNotOptimize(wb.model.Yplot(10, 1));
    }
    state.SetLabel(wb.model.NData.value() == 121 && platform.lastMessage.empty() ? "121 points" : "failed");
}
BENCHMARK(BM_AnalyticalTechnique)->DenseRange(1, 5)->Unit(benchmark::kMicrosecond);

// The sweep at a sphere: the transient kernel, its semi-derivative and the radial term.
void BM_AnalyticalSphereSweep(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 0.5);
    wb.model.Electrode = 2;
    wb.model.CaseCode = 12;
    for (auto _ : state) {
        RunSimulation(wb);
        benchmark::DoNotOptimize(wb.model.Yplot(10, 1));
    }
}
BENCHMARK(BM_AnalyticalSphereSweep)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace talvex::bench
