#include <benchmark/benchmark.h>

#include "app/simulate_command.h"
#include "bench_support.h"
#include "digital/simulate_digital.h"
#include "simulation/simulation_driver.h"

namespace talvex::bench {
namespace {

// The potential programme is built once by the driver; each iteration is one digital run.
void RunDigital(benchmark::State& state, Workbench& wb) {
    wb.model.DigitalSim = true;
    RunSimulation(wb);
    for (auto _ : state) {
        SimulateDigital(wb.model, wb.reporter());
        benchmark::DoNotOptimize(wb.model.Ystore(10, 1));
    }
    state.counters["points"] = wb.model.NData.value();
    state.counters["boxes"] = DescribeDigitalGrid(wb.model).N;
    state.counters["max_iter"] = wb.model.MaxIter.value();
    if (!static_cast<QuietPlatform&>(wb.platform).lastMessage.empty())
        state.SkipWithError(static_cast<QuietPlatform&>(wb.platform).lastMessage.c_str());
}

// The default cyclic voltammogram: 242 points (5 mV steps), the ramp between them in second-order time steps.
void BM_DigitalDefaultCV(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 1);
    RunDigital(state, wb);
}
BENCHMARK(BM_DigitalDefaultCV)->Unit(benchmark::kMicrosecond);

// The whole simulation command's engine part for the same curve, driver included.
void BM_DigitalDefaultCVThroughDriver(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 1);
    wb.model.DigitalSim = true;
    RunEachIteration(state, wb);
}
BENCHMARK(BM_DigitalDefaultCVThroughDriver)->Unit(benchmark::kMicrosecond);

// A cycle of 4000 points (0.3 -> -0.3 -> 0.3 V in 0.3 mV steps).
void BM_DigitalCycle4000(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 1);
    wb.model.Estep = 0.6 / 1999;
    wb.model.tdrop = wb.model.Estep / wb.model.ScanRate;
    RunDigital(state, wb);
}
BENCHMARK(BM_DigitalCycle4000)->Unit(benchmark::kMicrosecond);

// The default differential pulse: 121 points, each a fresh layer, 36 steps at the base
// potential and the pulse in 8 + 16 steps.
void BM_DigitalDifferentialPulse(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 0.5);
    wb.model.Technique = 4;
    RunDigital(state, wb);
}
BENCHMARK(BM_DigitalDifferentialPulse)->Unit(benchmark::kMicrosecond);

// The default square wave: 121 points, each half-period resolved in time steps, the whole run
// twice (the second in steps half as long) for the extrapolation.
void BM_DigitalSquareWave(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 0.5);
    wb.model.Technique = 5;
    RunDigital(state, wb);
}
BENCHMARK(BM_DigitalSquareWave)->Unit(benchmark::kMicrosecond);

// Normal pulse at 1 mV steps: 601 points, each pulse from a fresh layer.
void BM_DigitalNormalPulse1mV(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 0.5);
    wb.model.Technique = 3;
    wb.model.Estep = 0.001;
    wb.model.tdrop = wb.model.Estep / wb.model.ScanRate;
    RunDigital(state, wb);
}
BENCHMARK(BM_DigitalNormalPulse1mV)->Unit(benchmark::kMicrosecond);

// A 1 um microsphere sweep on its resolved grid.
void BM_DigitalMicrosphereSweep(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 0.5);
    wb.model.Electrode = 2;
    wb.model.Radius = 1e-4;
    wb.model.Area = 4 * 3.141592654 * 1e-8;
    RunDigital(state, wb);
}
BENCHMARK(BM_DigitalMicrosphereSweep)->Unit(benchmark::kMicrosecond);

// Six species: A + e = B, B + e = C, B = D, C + D = E + F (second order, Newton iteration).
void BM_DigitalSixSpeciesSecondOrder(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    Model& m = wb.model;
    DefaultExperiment(m, 1);
    SixSpeciesSecondOrder(m);
    RunDigital(state, wb);
}
BENCHMARK(BM_DigitalSixSpeciesSecondOrder)->Unit(benchmark::kMicrosecond);

// The default cyclic voltammogram behind 1 kohm (Ru Ip about 70 mV): each step solves for its own
// interface potential on the small surface system.
void BM_DigitalDefaultCVWithRu(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    DefaultExperiment(wb.model, 1);
    wb.model.Ru = 1000;
    RunDigital(state, wb);
}
BENCHMARK(BM_DigitalDefaultCVWithRu)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace talvex::bench
