#include <benchmark/benchmark.h>

#include "api/simulation.h"
#include "app/simulate_command.h"
#include "bench_support.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_mech.h"

namespace talvex::bench {
namespace {

// The dialogs' OK chain alone (activation, initial concentrations, transfer), default dialogs in
// analytical mode: what every Simulate and fit start pays before the simulation.
void BM_ChemicalsOkChain(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    wb.formMech.CheckDigital.Click();
    for (auto _ : state) {
        wb.formExpr.OK();
        benchmark::DoNotOptimize(wb.model.C(1).value());
    }
}
BENCHMARK(BM_ChemicalsOkChain)->Unit(benchmark::kMicrosecond);

// The whole Simulate command on the default dialogs (121-point analytical sweep).
void BM_SimulateDefaultDialogs(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    wb.formMech.CheckDigital.Click();
    for (auto _ : state) {
        Simulate(wb);
        benchmark::DoNotOptimize(wb.model.Yplot(10, 1));
    }
}
BENCHMARK(BM_SimulateDefaultDialogs)->Unit(benchmark::kMicrosecond);

// The same 121-point analytical sweep through the engine's interface: a Simulator kept from run to
// run (range 1, as the window and a fit keep theirs) or a fresh one each time (range 0, the free
// function Simulate, what one call from Python does).
void BM_SimulateThroughTheInterface(benchmark::State& state) {
    const api::Experiment e;
    const api::ChemicalSystem c = api::ChemicalSystem::Default();
    api::Simulator simulator;
    for (auto _ : state) {
        const auto curve = state.range(0) ? simulator.Run(e, c, {false}) : api::Simulate(e, c, {false});
        benchmark::DoNotOptimize(curve->current[10]);
    }
}
BENCHMARK(BM_SimulateThroughTheInterface)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace talvex::bench
