#include "app/fit_commands.h"

#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "analysis/curve_separation.h"
#include "api/fit.h"
#include "api/model_bridge.h"
#include "app/hourglass_pointer.h"
#include "app/long_work.h"
#include "app/simulate_command.h"
#include "app/workbench.h"
#include "core/curve_slot.h"
#include "core/model_pool.h"
#include "core/text_number.h"
#include "dialogs/form_mech.h"
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

// Lays the store out for a fit and returns the column of the measured curve it compares with: the
// current curve when it is measured, else the last measured one, else curve 1 (a curve the user
// made to fit). That curve is marked measured, so the fit never writes over it. With overlap off the
// store is reduced to it, as curve 1, and the fit's curve joins it as curve 2; with overlap on every
// curve stays and the fit's curve replaces the fit's earlier one or is added.
int PrepareStore(Workbench& wb) {
    Model& m = wb.model;
    int measured = MeasuredColumn(m);
    if (measured == 0) measured = 1;
    if (!wb.formOption.overlap.checked()) {
        m.OverlapPlot = false;
        ResetToSingleCurve(m, measured);
        auto& records = wb.measured.recordOfColumn;
        records[1] = records[static_cast<std::size_t>(measured)];
        measured = 1;
    }
    m.CurveKind(measured) = curve::Measured;
    m.CurCurve = measured;
    return measured;
}

std::vector<double> CurveValues(const Model& m, int column) {
    const int nData = m.NData;
    std::vector<double> y(static_cast<std::size_t>(nData > 0 && nData <= kMaxPoints ? nData : 0));
    for (int k = 1; k <= static_cast<int>(y.size()); ++k) y[static_cast<std::size_t>(k - 1)] = m.Yplot(k, column);
    return y;
}

bool RunManualFit(Workbench& wb) {
    // The entries are checked and confirmed before anything runs; a refusal is shown once.
    if (!ConfirmForRun(wb.dialogs, RunKind::Fit)) return false;
    Model& m = wb.model;
    HourglassPointer pointer(wb.platform);
    const int measured = PrepareStore(wb);
    FittingMode fitting(m);
    const SimulationOutcome outcome = RunSimulation(wb);
    if (outcome.curveWritten) {
        // How close the hand-tuned curve comes, in the number Auto Fit minimises.
        double ssq = 0;
        for (int k = 1; k <= m.NData; ++k) ssq += std::pow(m.Yplot(k, m.CurCurve) - m.Yplot(k, measured), 2);
        wb.formResult.Show();
        wb.formResult.Print().Text("Least square = ").Zone().Num(ssq).End();
    }
    RenderPlot(wb.display);
    return true;
}

// The fit's progress as its worker posts it: the status line and the fitted curve redrawn in the
// fit's column (the one the finished fit will write).
void ShowFitProgress(Workbench& wb, const std::string& label, const WorkProgress& progress) {
    wb.platform.ShowStatus(label + ": iteration " + GeneralFormat(progress.iteration) + ", least square " +
                           GeneralFormat(progress.ssq) + " (Run > Stop ends it here)");
    Model& m = wb.model;
    if (!std::isfinite(progress.ssq) || progress.fitted.size() != static_cast<std::size_t>(std::max<int>(m.NData, 0)))
        return;
    FittingMode fitting(m);
    OpenCurveSlot(m, wb.formOption.overlap.checked());
    for (int k = 1; k <= m.NData; ++k) m.Yplot(k, m.CurCurve) = progress.fitted[static_cast<std::size_t>(k - 1)];
    m.IFirst = 1;
    m.ILast = m.NData;
    RenderPlot(wb.display);
}

// Auto Fit, then `then` (Auto Separate's separation) once the fit has ended with its report.
bool RunAutoFit(Workbench& wb, std::function<void(Workbench&)> then = nullptr) {
    // The entries are checked and confirmed into the model (the Chemicals dialog's OK) before
    // anything runs; a refusal is shown once and changes nothing.
    if (!ConfirmForRun(wb.dialogs, RunKind::Fit)) return false;
    // The confirmation has shown the rows of the mechanism: a box in a hidden row is not free.
    const std::vector<FreeParameter> free = GatherFreeParameters(wb.formExpr);
    if (free.empty()) {
        wb.Message(kNothingToFit);
        return false;
    }
    Model& m = wb.model;
    HourglassPointer pointer(wb.platform);
    const float started = wb.platform.Timer();
    const int measured = PrepareStore(wb);
    wb.formResult.Clear();

    // The measured curve with the experiment the dialogs describe, at its potentials. The worker
    // fits copies of them; the workbench is only touched again where the command runs.
    api::Inputs inputs = api::FromModel(m, wb.formMech.Choice());
    inputs.experiment.potentials.assign(&m.Xdata(1), &m.Xdata(1) + std::max<int>(m.NData, 0));
    std::vector<api::FitParameter> parameters;
    for (const FreeParameter& p : free) parameters.push_back({PoolName(p.index), p.lower, p.upper});
    api::FitSettings settings;
    settings.simulation = inputs.options;
    settings.fit.baseline = wb.formIns.CheckFitBaseline.checked();
    auto result = std::make_shared<api::Expected<FitSummary>>(api::Error{"The fit ended without a result.", {}});

    // The fit's curve at the reported point is simulated on the worker too, by the workbench's
    // engine (which nothing else uses meanwhile) from a copy of the model with the solution put in,
    // as RunSimulation would read it once the solution is in the workbench's model.
    auto curve = std::make_shared<api::Expected<api::Curve>>(api::Error{"The fit ended without a curve.", {}});
    auto work = std::make_shared<LongWork>();
    work->label = "Auto Fit";
    work->compute = [result, curve, settings, parameters, inputs = std::move(inputs), y = CurveValues(m, measured),
                     start = std::shared_ptr<Model>(AcquireModel(m)), choice = wb.formMech.Choice(),
                     engine = &wb.simulator()](LongWork& self) mutable {
        settings.fit.progress = [&self](const FitProgress& p) {
            self.Post({p.iteration, p.ssq, {p.values.begin(), p.values.end()}, {p.fitted.begin(), p.fitted.end()}});
            return !self.StopRequested();
        };
        *result = api::Fit({{inputs.experiment, std::move(y), ""}}, inputs.chemistry, parameters, settings);
        if (!*result || !std::isfinite((*result)->ssq)) return;
        ApplyFitSolution(*start, result->value());
        api::Inputs at = api::FromModel(*start, choice);
        at.experiment.potentials = inputs.experiment.potentials;
        *curve = engine->Run(at.experiment, at.chemistry, at.options);
    };
    work->show = [](Workbench& w, const WorkProgress& progress) { ShowFitProgress(w, "Auto Fit", progress); };
    work->finish = [result, curve, started, then = std::move(then)](Workbench& w) {
        Model& model = w.model;
        if (!*result) {
            w.Message(result->error().message);
            return;
        }
        FitSummary summary = std::move(*result).value();
        // The model at the reported point, and the fit's curve simulated there into the store.
        FittingMode fitting(model);
        ApplyFitSolution(model, summary);
        if (std::isfinite(summary.ssq)) StoreEngineRun(w, *curve);
        summary.runTime = model.RunTime = SecondsSince(w.platform, started);

        w.formResult.Show();
        PrintFitReport(summary, w.formResult);
        for (const std::string& text : FitMessages(summary)) w.Message(text);
        for (std::size_t j = 0; j < summary.values.size(); ++j)
            w.formExpr.CheckFitted(summary.index[j]).caption = FormatNumber(summary.values[j], "0.###e-#");
        w.lastFit = std::move(summary);
        RenderPlot(w.display);
        if (then) then(w);
    };
    wb.StartLongWork(std::move(work));
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

void UseFittedValues(Workbench& wb) {
    if (!wb.lastFit) {
        wb.Message("There are no fitted values yet: run Auto Fit first.");
        return;
    }
    FormExpr& e = wb.formExpr;
    auto box = [&e](int index) -> TextBox& {
        if (index <= fit::ks) return e.C(index - fit::C);
        if (index <= fit::Alpha) return e.ks(index - fit::ks);
        if (index <= fit::E0) return e.alph(index - fit::Alpha);
        if (index <= fit::kf) return e.Eze(index - fit::E0);
        if (index <= fit::kb) return e.kf(index - fit::kf);
        if (index <= fit::D) return e.kb(index - fit::kb);
        return e.D(index - fit::D);
    };
    const FitSummary& fit = *wb.lastFit;
    for (std::size_t j = 0; j < fit.values.size(); ++j) wb.Type(box(fit.index[j]), FieldFormat(fit.values[j]));
    // A single curve's baseline belongs to the experiment in the dialogs; a series' to each curve.
    if (fit.baseline && fit.curves.size() == 1) {
        wb.Type(wb.formIns.TxtI0, FieldFormat(fit.curves[0].baselineStart));
        wb.Type(wb.formIns.TxtI1, FieldFormat(fit.curves[0].baselineEnd));
    }
}

void ManualSeparate(Workbench& wb) {
    if (RunManualFit(wb)) Separate(wb);
}

void AutoSeparate(Workbench& wb) {
    RunAutoFit(wb, Separate);
}

}  // namespace talvex
