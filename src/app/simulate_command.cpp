#include "app/simulate_command.h"

#include <algorithm>
#include <vector>

#include "app/commands.h"
#include "app/hourglass_pointer.h"
#include "app/workbench.h"
#include "dialogs/run_inputs.h"
#include "plot/display.h"
#include "plot/plot_quantity.h"
#include "plot/plot_renderer.h"
#include "simulation/simulation_driver.h"

namespace talvex {

SimulationOutcome RunSimulation(Workbench& wb) {
    Display& display = wb.display;
    Model& m = wb.model;
    // What a run that ends without a curve must leave as it was: the curve counters, the point
    // count and the potentials that every stored curve is drawn and exported against. A fit never
    // rebuilds the potentials, so they need no copy then.
    struct Bookkeeping {
        Int NData, IFirst, ILast, NCurves, CurCurve, NCurvesSaved;
        Table1<std::int16_t, 7> CurveKind;
    } const kept{m.NData, m.IFirst, m.ILast, m.NCurves, m.CurCurve, m.NCurvesSaved, m.CurveKind};
    std::vector<double> potentials;
    if (!m.Fitting) potentials.assign(m.Xdata.data(), m.Xdata.data() + m.Xdata.kSize);

    const SimulationOutcome outcome = RunSimulation(m, wb.reporter(), display.formOption.overlap.checked(), [&display] {
        NoteSimulatedCurrent(display);
        // The quantity transform without its transfer of the dialogs: every caller has just
        // transferred them (Simulate, Manual Fit), and a fit's trial values must stay in the
        // model.
        if (!display.model.Fitting) FillPlotQuantity(display);
    });
    if (!outcome.curveWritten) {
        m.NData = kept.NData;
        m.IFirst = kept.IFirst;
        m.ILast = kept.ILast;
        m.NCurves = kept.NCurves;
        m.CurCurve = kept.CurCurve;
        m.NCurvesSaved = kept.NCurvesSaved;
        m.CurveKind = kept.CurveKind;
        if (!potentials.empty()) std::copy(potentials.begin(), potentials.end(), m.Xdata.data());
    }
    return outcome;
}

void Simulate(Workbench& wb) {
    Workbench::OneMessageEach once(wb);
    Model& m = wb.model;
    const float started = wb.platform.Timer();
    HourglassPointer pointer(wb.platform);
    // Entries that cannot be simulated are refused before anything runs: the model, the curves
    // and the plot stay as they were.
    if (!ConfirmForRun(wb.dialogs, RunKind::Simulate)) return;
    const SimulationOutcome outcome = RunSimulation(wb);
    // A run that ended without a curve leaves the plot and the menus as they were. One with a curve
    // has run the quantity transform on the model ConfirmForRun confirmed: the drawing follows.
    if (outcome.curveWritten) {
        RenderPlot(wb.display);
        EnableAfterNewDataSet(wb);
    }
    pointer.Restore();
    m.RunTime = SecondsSince(wb.platform, started);
}

}  // namespace talvex
