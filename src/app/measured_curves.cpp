#include "app/measured_curves.h"

#include <cmath>
#include <memory>

#include "api/fit.h"
#include "api/model_bridge.h"
#include "app/commands.h"
#include "app/fit_commands.h"
#include "app/hourglass_pointer.h"
#include "app/long_work.h"
#include "app/simulate_command.h"
#include "app/workbench.h"
#include "core/codes.h"
#include "core/curve_slot.h"
#include "core/text_number.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "dialogs/form_tech.h"
#include "dialogs/parameter_dialogs.h"
#include "dialogs/run_inputs.h"
#include "plot/display.h"
#include "plot/form_option.h"
#include "plot/plot_curves.h"
#include "plot/plot_renderer.h"

namespace talvex {
namespace {

constexpr const char* kTechniqueNames[] = {"cyclic voltammetry", "DC voltammetry", "normal pulse voltammetry",
                                           "differential pulse voltammetry", "square wave voltammetry"};

// The record the current curve shows, else the last one imported; nullptr without any.
MeasuredRecord* Current(Workbench& wb) {
    MeasuredSeries& series = wb.measured;
    if (MeasuredRecord* r = series.OfColumn(wb.model, wb.model.CurCurve)) return r;
    return series.records.empty() ? nullptr : &series.records.back();
}

bool SamePotentials(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (std::fabs(a[k] - b[k]) > 1e-9) return false;
    return true;
}

constexpr const char* kNoSeries =
    "There is no measured curve: import the curves of the series one after another, with Overlap checked in "
    "Display > Option.";

}  // namespace

MeasuredRecord* MeasuredSeries::OfColumn(const Model& m, int c) {
    if (c < 1 || c >= static_cast<int>(recordOfColumn.size()) || m.CurveKind(c) != curve::Measured) return nullptr;
    const int r = recordOfColumn[static_cast<std::size_t>(c)];
    return r >= 1 && r <= static_cast<int>(records.size()) ? &records[static_cast<std::size_t>(r - 1)] : nullptr;
}

std::string DescribeRecord(const MeasuredRecord& r) {
    const api::Experiment& e = r.experiment;
    const int t = static_cast<int>(e.technique);
    std::string s = t >= 1 && t <= technique::kCount ? kTechniqueNames[t - 1] : "technique " + GeneralFormat(t);
    if (e.technique == api::Technique::SquareWave)
        s += " at " + GeneralFormat(e.pulseTime > 0 ? 0.5 / e.pulseTime : 0) + " Hz, " +
             GeneralFormat(e.pulsePotential) + " V pulses";
    else
        s += " at " + GeneralFormat(e.scanRate) + " V/s";
    if (e.technique == api::Technique::NormalPulse || e.technique == api::Technique::DifferentialPulse)
        s += ", " + GeneralFormat(e.pulsePotential) + " V pulses of " + GeneralFormat(e.pulseTime) + " s";
    return s + ", " + GeneralFormat(static_cast<double>(r.current.size())) + " points";
}

void ShowCurveSettings(Workbench& wb) {
    MeasuredRecord* r = Current(wb);
    if (!r) {
        wb.Message(kNoSeries);
        return;
    }
    const api::Experiment& e = r->experiment;
    const int t = static_cast<int>(e.technique);
    if (t >= 1 && t <= technique::kCount) {
        wb.Click(wb.formTech.optTech(t));
        wb.formTech.OK();
    }
    FormIns& ins = wb.formIns;
    wb.Type(ins.Estart, FieldFormat(e.startPotential));
    wb.Type(ins.Eend, FieldFormat(e.endPotential));
    wb.Type(ins.Estep, FieldFormat(e.potentialStep));
    wb.Type(ins.V, FieldFormat(e.scanRate));
    if (e.technique == api::Technique::SquareWave && e.pulseTime > 0)
        wb.Type(ins.TextF, FieldFormat(0.5 / e.pulseTime));
    else
        wb.Type(ins.tp, FieldFormat(e.pulseTime));
    wb.Type(ins.Epulse, FieldFormat(e.pulsePotential));
    wb.Choose(ins.ComboScan, e.cycles == 1 ? "cycle" : e.cycles == 2 ? "2 cycles" : "single");
    wb.formResult.Show();
    wb.formResult.PrintLine(r->label + ": " + DescribeRecord(*r));
}

void KeepCurveSettings(Workbench& wb) {
    MeasuredRecord* r = Current(wb);
    if (!r) {
        wb.Message(kNoSeries);
        return;
    }
    wb.formIns.OK();
    std::vector<double> potentials = std::move(r->experiment.potentials);
    r->experiment = api::FromModel(wb.model, wb.formMech.Choice()).experiment;
    r->experiment.potentials = std::move(potentials);
    wb.formResult.Show();
    wb.formResult.PrintLine(r->label + " now: " + DescribeRecord(*r));
}

namespace {

// The plot of a global fit: every measured curve with its fit, each pair in a colour of its own
// and on its own potentials, drawn over the store. The store keeps what its columns can hold (the
// pairs on the potentials of the first curve, two at most) for the commands that read it, and the
// plot shows the whole series until the store changes. `fitted` holds every curve's fitted
// currents, one after another.
void PlotSeriesFit(Workbench& wb, const std::vector<double>& fitted) {
    MeasuredSeries& series = wb.measured;
    Model& m = wb.model;
    const std::vector<double>& axis = series.records[0].experiment.potentials;
    const int n = static_cast<int>(axis.size());
    int column = 0;
    std::size_t offset = 0;
    std::vector<OverlayCurve> overlay;
    for (std::size_t c = 0; c < series.records.size(); ++c) {
        const MeasuredRecord& record = series.records[c];
        const std::size_t points = record.current.size();
        if (offset + points > fitted.size()) break;
        const std::vector<double>& potentials = record.experiment.potentials;
        const auto fit = fitted.begin() + static_cast<std::ptrdiff_t>(offset);
        const int pair = static_cast<int>(c) + 1;
        overlay.push_back({record.label, potentials, record.current, pair, true});
        overlay.push_back(
            {"fit of " + record.label, potentials, {fit, fit + static_cast<std::ptrdiff_t>(points)}, pair, false});
        if (column + 2 <= kMaxCurves && SamePotentials(potentials, axis)) {
            for (int k = 1; k <= n; ++k) {
                m.Yplot(k, column + 1) = record.current[static_cast<std::size_t>(k - 1)];
                m.Yplot(k, column + 2) = fit[k - 1];
            }
            m.CurveKind(column + 1) = curve::Measured;
            series.recordOfColumn[static_cast<std::size_t>(column + 1)] = pair;
            m.CurveKind(column + 2) = curve::Fitted;
            column += 2;
        }
        offset += points;
    }
    if (column == 0) return;
    m.NData = n;
    for (int k = 1; k <= n; ++k) m.Xdata(k) = axis[static_cast<std::size_t>(k - 1)];
    m.NCurves = m.NCurvesSaved = column;
    m.CurCurve = column;
    m.IFirst = 1;
    m.ILast = n;
    wb.display.formOption.overlap.SetChecked(true);
    SetOverlay(wb.display, std::move(overlay));
    RenderPlot(wb.display);
    EnableAfterNewDataSet(wb);
}

}  // namespace

void GlobalFit(Workbench& wb) {
    MeasuredSeries& series = wb.measured;
    if (series.records.empty()) {
        wb.Message(kNoSeries);
        return;
    }
    if (!ConfirmForRun(wb.dialogs, RunKind::Fit)) return;
    const std::vector<FreeParameter> free = GatherFreeParameters(wb.formExpr);
    if (free.empty()) {
        wb.Message(kNothingToFit);
        return;
    }
    HourglassPointer pointer(wb.platform);

    // The worker fits copies of the series and the chemistry; the workbench is only touched again
    // where the command runs.
    const api::Inputs inputs = api::FromModel(wb.model, wb.formMech.Choice());
    std::vector<api::MeasuredCurve> curves;
    for (const MeasuredRecord& r : series.records) curves.push_back({r.experiment, r.current, r.label});
    std::vector<api::FitParameter> parameters;
    for (const FreeParameter& p : free) parameters.push_back({PoolName(p.index), p.lower, p.upper});
    api::FitSettings settings;
    settings.simulation = inputs.options;
    settings.fit.baseline = wb.formIns.CheckFitBaseline.checked();
    const float started = wb.platform.Timer();
    auto result = std::make_shared<api::Expected<FitSummary>>(api::Error{"The fit ended without a result.", {}});

    auto work = std::make_shared<LongWork>();
    work->label = "Global Fit";
    work->compute = [result, settings, parameters, curves = std::move(curves),
                     chemistry = inputs.chemistry](LongWork& self) mutable {
        settings.fit.progress = [&self](const FitProgress& p) {
            self.Post({p.iteration, p.ssq, {p.values.begin(), p.values.end()}, {p.fitted.begin(), p.fitted.end()}});
            return !self.StopRequested();
        };
        *result = api::Fit(curves, chemistry, parameters, settings);
    };
    work->show = [](Workbench& w, const WorkProgress& progress) {
        w.platform.ShowStatus("Global Fit: iteration " + GeneralFormat(progress.iteration) + ", least square " +
                              GeneralFormat(progress.ssq) + " (Run > Stop ends it here)");
        if (std::isfinite(progress.ssq) && !w.measured.records.empty()) PlotSeriesFit(w, progress.fitted);
    };
    work->finish = [result, started](Workbench& w) {
        if (!*result) {
            w.Message(result->error().message);
            return;
        }
        MeasuredSeries& records = w.measured;
        FitSummary summary = std::move(*result).value();
        summary.runTime = SecondsSince(w.platform, started);
        for (std::size_t c = 0; c < summary.curves.size() && c < records.records.size(); ++c)
            summary.curves[c].label = records.records[c].label + ": " + DescribeRecord(records.records[c]);

        // The shared values into the model and beside their boxes, as Auto Fit leaves them.
        Model& m = w.model;
        ApplyFitSolution(m, summary);
        for (std::size_t j = 0; j < summary.values.size(); ++j)
            w.formExpr.CheckFitted(summary.index[j]).caption = FormatNumber(summary.values[j], "0.###e-#");
        m.RunTime = static_cast<float>(summary.runTime);
        w.formResult.Clear();
        w.formResult.Show();
        PrintFitReport(summary, w.formResult);

        std::vector<double> fitted;
        for (const FitCurveSummary& c : summary.curves) fitted.insert(fitted.end(), c.fitted.begin(), c.fitted.end());
        PlotSeriesFit(w, fitted);
        w.lastFit = summary;
        for (const std::string& text : FitMessages(summary)) w.Message(text);
    };
    wb.StartLongWork(std::move(work));
}

}  // namespace talvex
