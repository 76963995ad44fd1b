#include "app/fit_commands.h"

#include <string>

#include "analysis/curve_separation.h"
#include "app/hourglass_pointer.h"
#include "app/simulate_command.h"
#include "app/workbench.h"
#include "core/text_number.h"
#include "dialogs/parameter_dialogs.h"
#include "dialogs/run_inputs.h"
#include "plot/display.h"
#include "plot/plot_quantity.h"
#include "plot/plot_renderer.h"

namespace talvex {
namespace {

// Fitting mode for the length of one command, however it ends: the simulation keeps the
// measured potentials, writes curve 2 and adds no noise.
class FittingMode {
  public:
    explicit FittingMode(Model& m) : m_(m) { m_.Fitting = true; }
    ~FittingMode() { m_.Fitting = false; }
    FittingMode(const FittingMode&) = delete;
    FittingMode& operator=(const FittingMode&) = delete;

  private:
    Model& m_;
};

bool RunManualFit(Workbench& wb) {
    // The entries are checked and confirmed before anything runs; a refusal is shown once.
    if (!ConfirmForRun(wb.dialogs, RunKind::Fit)) return false;
    HourglassPointer pointer(wb.platform);
    FittingMode fitting(wb.model);
    RunSimulation(wb);
    RenderPlot(wb.display);
    return true;
}

bool RunAutoFit(Workbench& wb) {
    // The entries are checked and confirmed into the model (the Chemicals dialog's OK) before
    // anything runs; a refusal is shown once and changes nothing.
    if (!ConfirmForRun(wb.dialogs, RunKind::Fit)) return false;
    Model& m = wb.model;
    HourglassPointer pointer(wb.platform);
    m.CurCurve = 1;
    FittingMode fitting(m);
    wb.formOption.overlap.SetChecked(false);
    ResetToSingleCurve(m);
    wb.formResult.Clear();

    const int nData = m.NData;
    std::vector<double> y(static_cast<std::size_t>(nData > 0 && nData <= kMaxPoints ? nData : 0));
    for (int k = 1; k <= static_cast<int>(y.size()); ++k) y[static_cast<std::size_t>(k - 1)] = m.Yplot(k, 1);

    FitDriver& driver = wb.fitDriver();
    Display& display = wb.display;
    FitServices services{wb.formResult, wb.reporter(), wb.platform, [&display] { NoteSimulatedCurrent(display); }};
    try {
        driver.Run(m, y, GatherFreeParameters(wb.formExpr), services);
    } catch (const RunError& e) {
        wb.Message("Fit Error: " + e.description());
        return false;
    }

    const std::span<const double> x = driver.Fitted();
    for (int j = 0; j < driver.NFit(); ++j)
        wb.formExpr.CheckFitted(driver.FitIndex(j)).caption = FormatNumber(x[static_cast<std::size_t>(j)], "0.###e-#");
    RenderPlot(wb.display);
    return true;
}

void Separate(Workbench& wb) {
    try {
        SeparateComponents(wb.model);
    } catch (const RunError& e) {
        wb.Message(e.description());
        return;
    }
    RenderPlot(wb.display);
}

}  // namespace

std::vector<FreeParameter> GatherFreeParameters(const FormExpr& form) {
    std::vector<FreeParameter> free;
    for (int i = 1; i <= fit::kCount; ++i) {
        const CheckBox& box = form.CheckFitted(i);
        if (!box.checked() || !box.visible) continue;
        free.push_back({i, LeadingNumber(form.TextCmin(i).text()), LeadingNumber(form.TextCmax(i).text())});
    }
    return free;
}

void ManualFit(Workbench& wb) {
    RunManualFit(wb);
}

void AutoFit(Workbench& wb) {
    RunAutoFit(wb);
}

void ManualSeparate(Workbench& wb) {
    if (RunManualFit(wb)) Separate(wb);
}

void AutoSeparate(Workbench& wb) {
    if (RunAutoFit(wb)) Separate(wb);
}

}  // namespace talvex
