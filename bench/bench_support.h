#pragma once

#include <benchmark/benchmark.h>

#include <optional>
#include <string>

#include "app/simulate_command.h"
#include "app/workbench.h"
#include "core/platform.h"

namespace talvex::bench {

class QuietPlatform : public Platform {
  public:
    void MessageBox(const std::string& text) override { lastMessage = text; }
    std::optional<std::string> OpenFileDialog(const std::string&) override { return std::nullopt; }
    std::optional<std::string> SaveFileDialog(const std::string&) override { return std::nullopt; }
    void SetPointer(int) override {}
    float Timer() override { return 0.0f; }
    bool CopyPlotToClipboard() override { return false; }
    bool PrintPlot() override { return false; }
    bool OpenManual(const std::string&) override { return false; }
    void Exit() override {}
    std::string lastMessage;
};

// The default experiment (Fe3+ + e = Fe2+, 1 mM, D 1e-5 cm2/s, E0 0.1 V, 25 C, 1 cm2 planar,
// 0.3 -> -0.3 V, 5 mV steps at 10 mV/s) written straight into the model.
inline void DefaultExperiment(Model& m, double cycles) {
    m.Technique = 1;
    m.Mechanism = 1;
    m.Electrode = 1;
    m.DigitalSim = false;
    m.CaseCode = 11;
    m.Estart = 0.3;
    m.Eend = -0.3;
    m.Estep = 0.005;
    m.ScanRate = 0.01;
    m.tdrop = 0.5;
    m.tpulse = 0.05;
    m.Epulse = -0.05;
    m.ScanCycles = cycles;
    m.Area = 1;
    m.Radius = 0.2821;
    m.TempK = 298.14;
    m.FoverRT = (96484.6 / 8.31441) / 298.14;
    m.RToverF = 1 / m.FoverRT;
    m.Viscosity = 0.01;
    m.Omega = 100 * 3.141592654 / 30;
    m.NSpecies = 2;
    m.NCharge = 1;
    m.ChargeSpecies(1, 1) = 1;
    m.ChargeSpecies(1, 2) = 2;
    m.n(1) = 1;
    m.E0(1) = 0.1;
    m.Alpha(1) = 0.5;
    m.ks(1) = 1e4;
    m.D(1) = 1e-5;
    m.D(2) = 1e-5;
    m.C(1) = 9.996e-4;
    m.C(2) = 4.159e-7;
}

// Each iteration one whole simulation through the driver, as Simulate runs it; a run that shows a
// message fails the benchmark instead of timing a run that did nothing.
inline void RunEachIteration(benchmark::State& state, Workbench& wb) {
    for (auto _ : state) {
        RunSimulation(wb);
        benchmark::DoNotOptimize(wb.model.Yplot(10, 1));
    }
    state.counters["points"] = wb.model.NData.value();
    const std::string& message = static_cast<QuietPlatform&>(wb.platform).lastMessage;
    if (!message.empty()) state.SkipWithError(message.c_str());
}

// Six species on top of the experiment's couple: A + e = B, B + e = C (E0 -0.1 V, ks 0.01 cm/s),
// B = D first order (kf 1/s, kb 0.1/s), C + D = E + F second order (kf 100, kb 1).
inline void SixSpeciesSecondOrder(Model& m) {
    m.NSpecies = 6;
    m.NCharge = 2;
    m.ChargeSpecies(2, 1) = 2;
    m.ChargeSpecies(2, 2) = 3;
    m.n(2) = 1;
    m.E0(2) = -0.1;
    m.Alpha(2) = 0.5;
    m.ks(2) = 0.01;
    for (int s = 3; s <= 6; ++s) {
        m.D(s) = 1e-5 * (1 + 0.1 * s);
        m.C(s) = 0;
    }
    m.NChem = 1;
    m.ChemSpecies(1, 1) = 2;
    m.ChemSpecies(1, 2) = 4;
    m.kf(1) = 1;
    m.kb(1) = 0.1;
    m.NChem2 = 1;
    m.Chem2Species(1, 1) = 3;
    m.Chem2Species(1, 2) = 4;
    m.Chem2Species(1, 3) = 5;
    m.Chem2Species(1, 4) = 6;
    m.kf(2) = 100;
    m.kb(2) = 1;
}

}  // namespace talvex::bench
