#include "app/measured_curves.h"

#include <cmath>

#include "api/fit.h"
#include "api/model_bridge.h"
#include "app/commands.h"
#include "app/fit_commands.h"
#include "app/hourglass_pointer.h"
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
    Model& m = wb.model;
    HourglassPointer pointer(wb.platform);

    const api::Inputs inputs = api::FromModel(m, wb.formMech.Choice());
    std::vector<api::MeasuredCurve> curves;
    for (const MeasuredRecord& r : series.records) curves.push_back({r.experiment, r.current, r.label});
    std::vector<api::FitParameter> parameters;
    for (const FreeParameter& p : free) parameters.push_back({PoolName(p.index), p.lower, p.upper});
    api::FitSettings settings;
    settings.simulation = inputs.options;
    settings.fit.baseline = wb.formIns.CheckFitBaseline.checked();
    Platform& platform = wb.platform;
    settings.fit.clock = [&platform] { return static_cast<double>(platform.Timer()); };
    const float started = platform.Timer();
    api::Expected<FitSummary> result = api::Fit(curves, inputs.chemistry, parameters, settings);
    if (!result) {
        wb.Message(result.error().message);
        return;
    }
    FitSummary summary = std::move(result).value();
    summary.runTime = SecondsSince(platform, started);
    for (std::size_t c = 0; c < summary.curves.size(); ++c)
        summary.curves[c].label = series.records[c].label + ": " + DescribeRecord(series.records[c]);

    // The shared values into the model and beside their boxes, as Auto Fit leaves them.
    ApplyFitSolution(m, summary);
    for (std::size_t j = 0; j < summary.values.size(); ++j)
        wb.formExpr.CheckFitted(summary.index[j]).caption = FormatNumber(summary.values[j], "0.###e-#");
    m.RunTime = static_cast<float>(summary.runTime);
    wb.formResult.Clear();
    wb.formResult.Show();
    PrintFitReport(summary, wb.formResult);

    // The plot: measured and fitted curve side by side, for the curves that share the potentials of
    // the first (the store has one potential axis) and as many as its five columns hold.
    const std::vector<double>& axis = series.records[0].experiment.potentials;
    const int n = static_cast<int>(axis.size());
    int column = 0, shown = 0;
    for (std::size_t c = 0; c < series.records.size() && column + 2 <= kMaxCurves; ++c) {
        if (!SamePotentials(series.records[c].experiment.potentials, axis)) continue;
        for (int k = 1; k <= n; ++k) {
            m.Yplot(k, column + 1) = series.records[c].current[static_cast<std::size_t>(k - 1)];
            m.Yplot(k, column + 2) = summary.curves[c].fitted[static_cast<std::size_t>(k - 1)];
        }
        m.CurveKind(column + 1) = curve::Measured;
        series.recordOfColumn[static_cast<std::size_t>(column + 1)] = static_cast<int>(c) + 1;
        m.CurveKind(column + 2) = curve::Fitted;
        column += 2;
        ++shown;
    }
    if (shown > 0) {
        m.NData = n;
        for (int k = 1; k <= n; ++k) m.Xdata(k) = axis[static_cast<std::size_t>(k - 1)];
        m.NCurves = m.NCurvesSaved = column;
        m.CurCurve = column;
        m.IFirst = 1;
        m.ILast = n;
        wb.display.formOption.overlap.SetChecked(true);
        RenderPlot(wb.display);
        EnableAfterNewDataSet(wb);
    }
    if (shown < static_cast<int>(series.records.size()))
        wb.formResult.PrintLine("The plot shows " + GeneralFormat(shown) + " of the " +
                                GeneralFormat(static_cast<double>(series.records.size())) +
                                " curves with their fits (the store holds five curves on one potential axis).");
    wb.lastFit = summary;
    for (const std::string& text : FitMessages(summary)) wb.Message(text);
}

}  // namespace talvex
