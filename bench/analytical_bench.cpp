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
    RunEachIteration(state, wb);
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
    RunEachIteration(state, wb);
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
    RunEachIteration(state, wb);
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
    RunEachIteration(state, wb);
}
BENCHMARK(BM_AnalyticalQuasiReversibleSquareWave)->Unit(benchmark::kMillisecond);

// The default differential pulse with quasi-reversible kinetics (ks 1e-3 cm/s): every point the
// integral equation of its base level and pulse.
void BM_AnalyticalQuasiReversibleDifferentialPulse(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 0.5);
    wb.model.Technique = 4;
    wb.model.CaseCode = 41;
    wb.model.ks(1) = 1e-3;
    RunEachIteration(state, wb);
}
BENCHMARK(BM_AnalyticalQuasiReversibleDifferentialPulse)->Unit(benchmark::kMillisecond);

// The default cyclic voltammogram at a microdisc of radius 5 um and at a 1 um thin film: the
// disc's field beside the plane's kernel, the film's jump response in two runs.
void BM_AnalyticalDiscAndFilmCV(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 1);
    Model& m = wb.model;
    m.Electrode = static_cast<int>(state.range(0)), m.CaseCode = 10 + m.Electrode;
    m.Radius = 5e-4, m.Area = 3.141592654 * 25e-8, m.ElectrodeLength = 1e-4;
    RunEachIteration(state, wb);
}
BENCHMARK(BM_AnalyticalDiscAndFilmCV)->Arg(4)->Arg(9)->Unit(benchmark::kMicrosecond);

// Each technique at the default experiment (planar, single sweep of 121 points): 1 sweep, 2 DC,
// 3 normal pulse, 4 differential pulse, 5 square wave.
void BM_AnalyticalTechnique(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 0.5);
    const int technique = static_cast<int>(state.range(0));
    wb.model.Technique = technique;
    wb.model.CaseCode = 10 * technique + 1;
    RunEachIteration(state, wb);
}
BENCHMARK(BM_AnalyticalTechnique)->DenseRange(1, 5)->Unit(benchmark::kMicrosecond);

// The sweep at a sphere: the transient kernel, its semi-derivative and the radial term.
void BM_AnalyticalSphereSweep(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 0.5);
    wb.model.Electrode = 2;
    wb.model.CaseCode = 12;
    RunEachIteration(state, wb);
}
BENCHMARK(BM_AnalyticalSphereSweep)->Unit(benchmark::kMicrosecond);

// The default analytical cyclic voltammogram behind 1 kohm: one scalar equation per node.
void BM_AnalyticalDefaultCVWithRu(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 1);
    wb.model.Ru = 1000;
    RunEachIteration(state, wb);
}
BENCHMARK(BM_AnalyticalDefaultCVWithRu)->Unit(benchmark::kMicrosecond);

// DC at a cylinder (radius 10 um): every point the integral equation of its step.
void BM_AnalyticalCylinderDC(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 0.5);
    Model& m = wb.model;
    m.Technique = 2, m.Electrode = 5, m.CaseCode = 25, m.Radius = 1e-3, m.ElectrodeLength = 0.1;
    RunEachIteration(state, wb);
}
BENCHMARK(BM_AnalyticalCylinderDC)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace talvex::bench
