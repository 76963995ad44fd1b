#include "app/simulate_command.h"

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

}  // namespace

void RunSimulation(Workbench& wb) {
    Display& display = wb.display;
    RunSimulation(wb.model, wb.reporter(), display.formOption.overlap.checked(), [&display] {
        NoteSimulatedCurrent(display);
        // The quantity transform without its transfer of the dialogs: every caller has just
        // transferred them (Simulate, Manual Fit), and a fit's trial values must stay in the model.
        if (!display.model.Fitting) FillPlotQuantity(display);
    });
}

void Simulate(Workbench& wb) {
    Model& m = wb.model;
    m.RunTime = wb.platform.Timer();
    HourglassPointer pointer(wb.platform);
    wb.formExpr.OK();
    RunSimulation(wb);
    TransformAndRender(wb.display);
    EnableAfterNewDataSet(wb);
    pointer.Restore();
    float elapsed = wb.platform.Timer() - m.RunTime;
    // The clock counts seconds since midnight: a run across midnight would otherwise come out
    // negative.
    if (elapsed < 0) elapsed += kSecondsPerDay;
    m.RunTime = elapsed;
}

}  // namespace talvex
