#include <benchmark/benchmark.h>

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

}  // namespace
}  // namespace talvex::bench
