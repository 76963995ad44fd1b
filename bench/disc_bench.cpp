#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "bench_support.h"
#include "digital/simulate_digital.h"
#include "fitting/fit_driver.h"
#include "simulation/simulation_driver.h"

// The digital simulation at the microdisc in two dimensions (digital/simulate_disc.cpp).
namespace talvex::bench {
namespace {

class QuietReporter : public Reporter {
  public:
    void Message(const std::string&) override {}
};

// The default experiment at a 25 um disc (A + e = B, 1 mM, ks 1e4 cm/s), digital.
void DiscExperiment(Model& m, double cycles) {
    DefaultExperiment(m, cycles);
    m.DigitalSim = true;
    m.Electrode = 4;
    m.Radius = 25e-4;
    m.Area = 3.141592654 * 25e-4 * 25e-4;
}

// One digital run per iteration on the potentials the driver built once; the grid and the time
// steps as counters.
void RunDisc(benchmark::State& state, Model& m) {
    m.CaseCode = 10 * m.Technique + 4;
    QuietReporter reporter;
    RunSimulation(m, reporter, false);
    for (auto _ : state) {
        SimulateDigital(m, reporter);
        benchmark::DoNotOptimize(m.Ystore(10, 1));
    }
    const DigitalGrid grid = DescribeDigitalGrid(m);
    state.counters["points"] = m.NData.value();
    state.counters["across"] = grid.N;
    state.counters["along"] = grid.along;
    state.counters["dt_ms"] = 1000 * grid.dt;
    state.counters["max_iter"] = m.MaxIter.value();
}

// The default-sized microdisc CV: 25 um, 10 mV/s, 0.3 -> -0.3 -> 0.3 V in 5 mV steps (121 points
// per sweep), one second-order time step of 0.5 s per point.
void BM_DiscCV(benchmark::State& state) {
    auto m = std::make_unique<Model>();
    DiscExperiment(*m, 1);
    RunDisc(state, *m);
}
BENCHMARK(BM_DiscCV)->Unit(benchmark::kMillisecond);

// The same at 100 mV/s, where the transient between the planar and the steady-state limits is largest.
void BM_DiscCV100mVs(benchmark::State& state) {
    auto m = std::make_unique<Model>();
    DiscExperiment(*m, 1);
    m->ScanRate = 0.1;
    m->tdrop = 0.05;
    RunDisc(state, *m);
}
BENCHMARK(BM_DiscCV100mVs)->Unit(benchmark::kMillisecond);

// DC, normal pulse, differential pulse and square wave at the default timing (121 points).
void BM_DiscTechnique(benchmark::State& state) {
    auto m = std::make_unique<Model>();
    DiscExperiment(*m, 0.5);
    m->Technique = static_cast<int>(state.range(0));
    RunDisc(state, *m);
}
BENCHMARK(BM_DiscTechnique)->DenseRange(2, 5)->Unit(benchmark::kMillisecond);

// An EC' mechanism (B = A, kf 10/s) on the default CV: two species in one block.
void BM_DiscCatalyticCV(benchmark::State& state) {
    auto m = std::make_unique<Model>();
    DiscExperiment(*m, 1);
    m->NChem = 1;
    m->ChemSpecies(1, 1) = 2;
    m->ChemSpecies(1, 2) = 1;
    m->kf(1) = 10;
    m->kb(1) = 0;
    RunDisc(state, *m);
}
BENCHMARK(BM_DiscCatalyticCV)->Unit(benchmark::kMillisecond);

// Six species with a second-order step (A + e = B, B + e = C, B = D, C + D = E + F, kf 100) on the
// default CV: iterated every step.
void BM_DiscSixSpeciesSecondOrder(benchmark::State& state) {
    auto model = std::make_unique<Model>();
    Model& m = *model;
    DiscExperiment(m, 1);
    SixSpeciesSecondOrder(m);
    RunDisc(state, m);
}
BENCHMARK(BM_DiscSixSpeciesSecondOrder)->Unit(benchmark::kMillisecond)->Iterations(2);

// A fit of ks alone to the default-sized disc CV (25 um, 10 mV/s, 121 points per sweep) of a
// quasi-reversible couple (ks 0.01 cm/s, ks a / D = 2.5), started a factor 5 away, through the fit
// driver: every evaluation a whole two-dimensional run.
void BM_DiscFitKs(benchmark::State& state) {
    QuietPlatform platform;
    QuietReporter reporter;
    auto model = std::make_unique<Model>();
    Model& m = *model;
    DiscExperiment(m, 1);
    m.CaseCode = 14;
    m.ks(1) = 0.01;
    RunSimulation(m, reporter, false);
    std::vector<double> y;
    for (int k = 1; k <= m.NData; ++k) y.push_back(m.Yplot(k, 1));
    const std::vector<FreeParameter> free{{fit::ks + 1, 1e-5, 1e2}};
    auto driver = std::make_unique<FitDriver>();
    ResultWindow result;
    FitServices services{result, reporter, platform, {}};
    m.Fitting = true;
    for (auto _ : state) {
        m.ks(1) = 0.05;
        result.Clear();
        driver->Run(m, y, free, services);
        benchmark::DoNotOptimize(m.ks(1).value());
    }
    state.counters["iterations"] = driver->Iterations();
    state.counters["evaluations"] = driver->minimiser().Evaluations();
    state.counters["ks"] = m.ks(1).value();
}
BENCHMARK(BM_DiscFitKs)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace talvex::bench
