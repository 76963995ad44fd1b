#include "app/simulate_command.h"

#include <string>

#include "app/commands.h"
#include "app/hourglass_pointer.h"
#include "app/workbench.h"
#include "core/constants.h"
#include "dialogs/parameter_dialogs.h"
#include "plot/display.h"
#include "plot/plot_quantity.h"
#include "plot/plot_renderer.h"
#include "simulation/simulation_driver.h"

namespace talvex {
namespace {

constexpr float kSecondsPerDay = 86400.0f;

// Passes the messages on and counts them: during a run only its error traps speak.
class CountingReporter : public Reporter {
  public:
    explicit CountingReporter(Reporter& to) : to_(to) {}
    void Message(const std::string& text) override {
        ++count;
        to_.Message(text);
    }
    int count = 0;

  private:
    Reporter& to_;
};

// The driver on the workbench's model and display; false when one of its error traps fired.
bool RunAndNote(Workbench& wb) {
    Display& display = wb.display;
    CountingReporter reporter(wb.reporter());
    RunSimulation(wb.model, reporter, display.formOption.overlap.checked(), [&display] {
        NoteSimulatedCurrent(display);
        // The quantity transform without its transfer of the dialogs: every caller has just
        // transferred them (Simulate, Manual Fit), and a fit's trial values must stay in the model.
        if (!display.model.Fitting) FillPlotQuantity(display);
    });
    return reporter.count == 0;
}

}  // namespace

void RunSimulation(Workbench& wb) {
    RunAndNote(wb);
}

void Simulate(Workbench& wb) {
    Model& m = wb.model;
    m.RunTime = wb.platform.Timer();
    HourglassPointer pointer(wb.platform);
    wb.formExpr.OK();
    // A failed run has said why; drawing its partial curve would only replace the last good plot
    // with "Error: No data!" or a fragment.
    if (RunAndNote(wb)) {
        TransformAndRender(wb.display);
        EnableAfterNewDataSet(wb);
    }
    pointer.Restore();
    float elapsed = wb.platform.Timer() - m.RunTime;
    // The clock counts seconds since midnight: a run across midnight would otherwise come out
    // negative.
    if (elapsed < 0) elapsed += kSecondsPerDay;
    m.RunTime = elapsed;
}

}  // namespace talvex
