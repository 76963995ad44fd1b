#include "app/simulate_command.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "api/model_bridge.h"
#include "api/simulation.h"
#include "app/commands.h"
#include "app/hourglass_pointer.h"
#include "app/long_work.h"
#include "app/workbench.h"
#include "core/curve_slot.h"
#include "dialogs/form_mech.h"
#include "dialogs/run_inputs.h"
#include "plot/display.h"
#include "plot/plot_quantity.h"
#include "plot/plot_renderer.h"
#include "simulation/simulation_driver.h"

namespace talvex {

namespace {

// Copies a finished run from the engine's model into the desktop's store: the potentials, the
// working columns (the reaction currents a separation reads) and the surface concentrations, then
// the curve into the column the overlap box chooses.
void StoreRun(Workbench& wb, const Model& run, int computed) {
    Model& m = wb.model;
    const int n = run.NData;
    m.NData = n;
    m.PointsPerSweep = run.PointsPerSweep;
    m.ScanDir = run.ScanDir;
    m.StoreCol = run.StoreCol;
    m.MaxIter = run.MaxIter;
    for (int k = 1; k <= n; ++k) {
        m.Xdata(k) = run.Xdata(k);
        for (int c = 1; c < Table2<double, kMaxPoints + 1, 9>::kCols; ++c) m.Ystore(k, c) = run.Ystore(k, c);
        for (int s = 1; s < Table2<double, kMaxPoints + 1, 8>::kCols; ++s) m.Csurf(k, s) = run.Csurf(k, s);
    }
    OpenCurveSlot(m, wb.display.formOption.overlap.checked());
    for (int k = 1; k <= n; ++k) m.Yplot(k, m.CurCurve) = run.Yplot(k, run.CurCurve);
    m.IFirst = 1;
    m.ILast = computed;
}

}  // namespace

namespace {

// The engine's inputs as the dialogs have confirmed them into the model (at the measured
// potentials while a fit runs).
api::Inputs RunInputs(Workbench& wb) {
    const Model& m = wb.model;
    api::Inputs in = api::FromModel(m, wb.formMech.Choice());
    if (m.Fitting) in.experiment.potentials.assign(&m.Xdata(1), &m.Xdata(1) + std::max<int>(m.NData, 0));
    return in;
}

}  // namespace

// A run's result into the store (the engine's model holds the working columns beside the curve),
// its messages told.
SimulationOutcome StoreEngineRun(Workbench& wb, const api::Expected<api::Curve>& result) {
    Model& m = wb.model;
    SimulationOutcome outcome;
    if (!result) {
        for (const std::string& text : result.error().earlier) wb.Message(text);
        wb.Message(result.error().message);
        return outcome;
    }
    for (const std::string& text : result->messages) wb.Message(text);
    outcome.points = static_cast<int>(result->potential.size());
    outcome.computed = result->computedPoints;
    outcome.curveWritten = true;
    try {
        StoreRun(wb, wb.simulator().model(), outcome.computed);
        NoteSimulatedCurrent(wb.display);
        // The quantity transform without its transfer of the dialogs: every caller has just
        // confirmed them, and a fit's trial values must stay in the model.
        if (!m.Fitting) FillPlotQuantity(wb.display);
    } catch (const RunError& e) {
        wb.Message("Analytical simulation Error: " + e.description() + "! Please try again by other initial values.");
    }
    return outcome;
}

SimulationOutcome RunSimulation(Workbench& wb) {
    const api::Inputs in = RunInputs(wb);
    return StoreEngineRun(wb, wb.simulator().Run(in.experiment, in.chemistry, in.options));
}

void Simulate(Workbench& wb) {
    Workbench::OneMessageEach once(wb);
    const float started = wb.platform.Timer();
    HourglassPointer pointer(wb.platform);
    // Entries that cannot be simulated are refused before anything runs: the model, the curves
    // and the plot stay as they were.
    if (!ConfirmForRun(wb.dialogs, RunKind::Simulate)) return;

    // A long digital run goes on on its own thread (with the workbench's engine, which nothing else
    // uses meanwhile) and can be stopped after any point.
    auto work = std::make_shared<LongWork>();
    auto result = std::make_shared<api::Expected<api::Curve>>(api::Error{"The simulation ended without a curve.", {}});
    work->label = "Simulate";
    work->compute = [result, in = RunInputs(wb), engine = &wb.simulator()](LongWork& self) mutable {
        in.options.stop = &self.stopFlag();
        *result = engine->Run(in.experiment, in.chemistry, in.options);
    };
    work->finish = [result, started](Workbench& w) {
        const SimulationOutcome outcome = StoreEngineRun(w, *result);
        // A run that ended without a curve leaves the plot and the menus as they were. One with a
        // curve has run the quantity transform on the model ConfirmForRun confirmed: the drawing
        // follows.
        if (outcome.curveWritten) {
            RenderPlot(w.display);
            EnableAfterNewDataSet(w);
        }
        w.model.RunTime = SecondsSince(w.platform, started);
    };
    wb.StartLongWork(std::move(work));
}

}  // namespace talvex
