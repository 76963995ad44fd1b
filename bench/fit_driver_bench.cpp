#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "app/fit_commands.h"
#include "bench_support.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "fitting/fit_driver.h"
#include "simulation/simulation_driver.h"

namespace talvex::bench {
namespace {

class QuietReporter : public Reporter {
  public:
    void Message(const std::string&) override {}
};

// Auto Fit of E0, ks and alpha to the default digital cyclic voltammogram (242 points), started
// 20 mV, a factor 3 and 0.05 away, through the fit driver as the command runs it: every
// evaluation a whole digital simulation. range(0) is ks in units of 1e-4 cm/s: 1e8 is the
// default reversible couple (ks then barely matters), 20 a quasi-reversible one.
void BM_AutoFitDigitalCV(benchmark::State& state) {
    const double ks = static_cast<double>(state.range(0)) * 1e-4;
    QuietPlatform platform;
    QuietReporter reporter;
    auto model = std::make_unique<Model>();
    Model& m = *model;
    DefaultExperiment(m, 1);
    m.DigitalSim = true;
    m.ks(1) = ks;
    RunSimulation(m, reporter, false);
    std::vector<double> y;
    for (int k = 1; k <= m.NData; ++k) y.push_back(m.Yplot(k, 1));
    const std::vector<FreeParameter> free{
        {fit::ks + 1, 1e-5, 1e5}, {fit::Alpha + 1, 0.3, 0.7}, {fit::E0 + 1, -0.2, 0.3}};

    auto driver = std::make_unique<FitDriver>();  // one per program, like the workbench's
    ResultWindow result;
    FitServices services{result, reporter, platform, {}};
    m.Fitting = true;
    for (auto _ : state) {
        m.E0(1) = 0.12;
        m.ks(1) = 3 * ks;
        m.Alpha(1) = 0.55;
        result.Clear();
        driver->Run(m, y, free, services);
        benchmark::DoNotOptimize(m.E0(1).value());
    }
    state.counters["iterations"] = driver->Iterations();
    state.counters["evaluations"] = driver->minimiser().Evaluations();
    state.counters["trials"] = driver->minimiser().ObjCount();
    state.counters["E0_mV"] = 1000 * m.E0(1);
    state.counters["ks"] = m.ks(1).value();
    state.counters["alpha"] = m.Alpha(1).value();
}
BENCHMARK(BM_AutoFitDigitalCV)->Arg(100000000)->Arg(20)->Unit(benchmark::kMillisecond);

// The whole Auto Fit command from the menu, dialogs' OK chain and redraw included, on the same
// default curve with the dialog's own bounds widened for ks.
void BM_AutoFitCommand(benchmark::State& state) {
    QuietPlatform platform;
    Workbench wb(platform);
    wb.Choose(wb.formIns.ComboScan, "cycle");
    wb.RunCommand("mnuSimulate");
    for (int i : {fit::ks + 1, fit::Alpha + 1, fit::E0 + 1}) wb.Click(wb.formExpr.CheckFitted(i));
    wb.Type(wb.formExpr.TextCmax(fit::ks + 1), "1e5");
    wb.Type(wb.formExpr.TextCmin(fit::Alpha + 1), "0.3");
    wb.Type(wb.formExpr.TextCmax(fit::Alpha + 1), "0.7");
    wb.Type(wb.formExpr.TextCmax(fit::E0 + 1), "0.3");
    for (auto _ : state) {
        wb.formExpr.Eze(1).SetText("0.12");
        wb.formExpr.ks(1).SetText("3e4");
        wb.formExpr.alph(1).SetText("0.55");
        wb.RunCommand("mnuAutoFit");
    }
    state.counters["iterations"] = wb.lastFit ? wb.lastFit->iterations : 0;
    state.counters["simulations"] = wb.lastFit ? wb.lastFit->simulations : 0;
    state.counters["E0_mV"] = 1000 * wb.model.E0(1);
    if (!platform.lastMessage.empty()) state.SkipWithError(platform.lastMessage.c_str());
}
BENCHMARK(BM_AutoFitCommand)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace talvex::bench
