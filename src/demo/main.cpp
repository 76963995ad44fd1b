// Simulates the default cyclic voltammogram (Fe3+ + e = Fe2+ at a 1 cm2 planar electrode,
// 0.3 -> -0.3 -> 0.3 V at 10 mV/s) with the closed-form kernels and prints it.
#include <cstdio>
#include <iostream>
#include <optional>

#include "core/text_number.h"
#include "core/workbench.h"
#include "simulation/simulation_driver.h"

namespace {

class ConsolePlatform : public talvex::Platform {
public:
    void MessageBox(const std::string& text) override { std::cout << "MessageBox: " << text << "\n"; }
    std::optional<std::string> OpenFileDialog(const std::string&) override { return std::nullopt; }
    std::optional<std::string> SaveFileDialog(const std::string&) override { return std::nullopt; }
    void SetPointer(int) override {}
    float Timer() override { return 0.0f; }
    bool CopyPlotToClipboard() override { return false; }
    bool PrintPlot() override { return false; }
    bool OpenManual(const std::string&) override { return false; }
    void Exit() override {}
};

}  // namespace

int main() {
    using namespace talvex;
    ConsolePlatform platform;
    Workbench wb(platform);
    Model& m = wb.model;
    m.Technique = 1;
    m.Mechanism = 1;
    m.DigitalSim = false;
    m.CaseCode = 11;
    m.Estart = 0.3;
    m.Eend = -0.3;
    m.Estep = 0.005;
    m.ScanRate = 0.01;
    m.tdrop = 0.5;
    m.ScanCycles = 1;
    m.Area = 1;
    m.TempK = 298.14;
    m.FoverRT = (96484.6 / 8.31441) / 298.14;
    m.RToverF = 1 / m.FoverRT;
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
    RunSimulation(wb);
    std::cout << "E /V, I /A\n";
    for (int i = 1; i <= m.NData; ++i)
        std::cout << PrintNumber(m.Xdata(i)) << "," << PrintNumber(m.Yplot(i, m.CurCurve)) << "\n";
    return 0;
}
