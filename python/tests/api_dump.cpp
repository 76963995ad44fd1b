// Prints curves and fit results computed in C++, every number as a hexadecimal float, for the
// Python tests to compare with what the module gives: bit for bit, or the binding changed a number.
//   talvex_api_dump window-default | window-cycle-closed-form | fit
#include <cstdio>
#include <string>
#include <vector>

#include "api/fit.h"
#include "api/simulation.h"
#include "app/workbench.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"

namespace {

class Silent : public talvex::Platform {
  public:
    void MessageBox(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    std::optional<std::string> OpenFileDialog(const std::string&) override { return std::nullopt; }
    std::optional<std::string> SaveFileDialog(const std::string&) override { return std::nullopt; }
    void SetPointer(int) override {}
    float Timer() override { return 0.0f; }
    bool CopyPlotToClipboard() override { return false; }
    bool PrintPlot() override { return false; }
    bool OpenManual(const std::string&) override { return false; }
    void Exit() override {}
};

void Print(const std::vector<double>& values) {
    for (double v : values) std::printf("%a\n", v);
}

// The window's Simulate on the dialogs as a user leaves them.
int Window(bool cycleClosedForm) {
    Silent platform;
    talvex::Workbench wb(platform);
    if (cycleClosedForm) {
        wb.Choose(wb.formIns.ComboScan, "cycle");
        wb.Click(wb.formMech.CheckDigital);
    }
    if (!wb.RunCommand("mnuSimulate")) return 1;
    const talvex::Model& m = wb.model;
    std::vector<double> y;
    for (int k = 1; k <= m.NData; ++k) y.push_back(m.Yplot(k, m.CurCurve));
    Print(y);
    return 0;
}

// A fit of E0 and ks to a closed-form curve of the default experiment at ks 5e-3, E0 0.12 V.
int Fit() {
    namespace api = talvex::api;
    api::ChemicalSystem truth = api::ChemicalSystem::Default();
    truth.chargeTransfers[0].ks = 5e-3;
    truth.chargeTransfers[0].E0 = 0.12;
    api::Experiment e;
    e.cycles = 1;
    const auto data = api::Simulate(e, truth, {false});
    if (!data.ok()) return 1;
    e.potentials = data->potential;
    const auto fit = api::Fit({{e, data->current, "closed form"}}, api::ChemicalSystem::Default(),
                              {{"E0(1)", -0.2, 0.4}, {"ks(1)", 1e-6, 10}});
    if (!fit.ok()) return 1;
    Print(fit->values);
    Print(fit->standardErrors);
    Print({fit->ssq});
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string which = argc > 1 ? argv[1] : "";
    if (which == "window-default") return Window(false);
    if (which == "window-cycle-closed-form") return Window(true);
    if (which == "fit") return Fit();
    std::fprintf(stderr, "talvex_api_dump window-default | window-cycle-closed-form | fit\n");
    return 2;
}
