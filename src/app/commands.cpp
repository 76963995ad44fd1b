#include "app/commands.h"

#include "analysis/half_wave.h"
#include "analysis/peak_finding.h"
#include "analysis/theoretical_peak.h"
#include "app/file_commands.h"
#include "app/fit_commands.h"
#include "app/measured_curves.h"
#include "app/recent_files.h"
#include "app/simulate_command.h"
#include "app/workbench.h"
#include "app/workspace_commands.h"
#include "dialogs/parameter_dialogs.h"
#include "dialogs/parameter_transfer.h"
#include "plot/axis_commands.h"
#include "plot/display.h"
#include "plot/form_plot.h"
#include "plot/plot_renderer.h"
#include "plot/plot_view.h"
#include "simulation/curve_transforms.h"

namespace talvex {

void EnableAfterNewDataSet(Workbench& wb) {
    for (const char* name : {"mnuDisplay", "mnuData", "mnuManualFit", "mnuManualSeparate"}) wb.menu.Enable(name);
}

void NextCurve(Workbench& wb) {
    Model& m = wb.model;
    if (m.CurCurve < m.NCurves)
        m.CurCurve = m.CurCurve + 1;
    else
        m.CurCurve = 1;
    wb.formResult.Show();
    wb.formResult.Print().Text("Curve Number is ").Num(m.CurCurve).End();
}

void PrintTime(Workbench& wb) {
    wb.formResult.Show();
    wb.formResult.Print().Text("time = ").Num(wb.model.RunTime).Text("s").End();
    wb.formResult.Print().Text("max iteration in simulation = ").Num(wb.model.MaxIter).End();
}

void ClearResults(Workbench& wb) {
    wb.formResult.Clear();
}

namespace {

using Handler = std::function<void(Workbench&)>;

// An analysis that prints its findings to the result window and draws nothing. A failure ends it
// with its description; what it printed so far stays.
template <typename Fn>
Handler ReportInResultWindow(Fn fn) {
    return [fn](Workbench& wb) {
        wb.formResult.Show();
        try {
            fn(wb);
        } catch (const RunError& e) {
            wb.Message(e.description());
        }
    };
}

// A transform of the current curve followed by a redraw. `order` is what it adds to the curve's
// order of d/dE in halves (2 for Differentiate), so that the axis names what is plotted.
template <typename Fn>
Handler TransformCurrentCurve(Fn fn, int order) {
    return [fn, order](Workbench& wb) {
        Model& m = wb.model;
        try {
            fn(m, m.Yplot);
        } catch (const RunError& e) {
            wb.Message(e.description());
            return;
        }
        // Fewer than four points: the (semi-)derivative leaves the curve as it is, so the
        // semi-integral is the integral alone.
        int added = order;
        if (m.NData <= 0)
            added = 0;
        else if (m.NData < 4)
            added = order > 0 ? 0 : -2;
        if (m.CurveLabels.InRange(m.CurCurve)) m.CurveLabels(m.CurCurve).order += added;
        RenderPlot(wb.display);
    };
}

// Zooms the plot about the middle of its frame.
Handler ZoomAboutCentre(double factor) {
    return [factor](Workbench& wb) {
        const PlotView& v = wb.formPlot.view;
        if (!v.framed) return;
        ZoomAbout(wb.display, (v.frameXmin + v.frameXmax) / 2, (v.frameYmin + v.frameYmax) / 2, factor, factor);
    };
}

}  // namespace

void RegisterCommands(CommandTable& t) {
    auto submenu = [&](const char* name, const char* caption, const char* parent, bool enabled = true) {
        t.Add({name, caption, parent, enabled, nullptr, "", ""});
    };
    auto separator = [&](const char* name, const char* parent) { t.Add({name, "-", parent, true, nullptr, "", ""}); };
    auto command = [&](const char* name, const char* caption, const char* parent, Handler handler, const char* shortcut,
                       const char* tip, bool enabled = true) {
        t.Add({name, caption, parent, enabled, std::move(handler), shortcut, tip});
    };
    // The axis commands work on the display alone.
    auto onDisplay = [](void (*fn)(Display&)) { return [fn](Workbench& wb) { fn(wb.display); }; };

    submenu("mnuFile", "&File", "");
    command("mnuSave", "&Save...", "mnuFile", SaveParameters, "Ctrl+S",
            "Write the main parameters to a parameter file");
    command("mnuSaveWorkspace", "Save Workspace...", "mnuFile", SaveWorkspaceCommand, "Ctrl+Shift+S",
            "Save the dialogs' entries and the curves to a workspace file");
    command("mnuOpenWorkspace", "Open Workspace...", "mnuFile", OpenWorkspaceCommand, "Ctrl+Shift+O",
            "Open a workspace file: the dialogs' entries and the curves as they were saved");
    submenu("mnuRecent", "Recent &Files", "mnuFile", false);
    for (int i = 1; i <= kRecentFiles; ++i) {
        t.Add({"mnuRecent" + std::to_string(i), "Recent file " + std::to_string(i), "mnuRecent", true,
               [i](Workbench& wb) { OpenRecentFile(wb, i); }, "", "Open this file again", false});
    }
    separator("mnuBar1", "mnuFile");
    command("mnuImport", "&Import Data...", "mnuFile", ImportDataCommand, "Ctrl+O",
            "Read a measured curve from a data file");
    command("mnuExport", "&Export Data...", "mnuFile", ExportDataCommand, "Ctrl+E",
            "Write the current curve to a data file");
    command("mnuExportPlot", "Export &Plot...", "mnuFile", ExportPlotCommand, "Ctrl+Shift+E",
            "Save the plot as a PNG, SVG or PDF picture of a size you choose");
    separator("mnuBar2", "mnuFile");
    command(
        "mnuCopyto", "&Copy to Clipboard", "mnuFile",
        [](Workbench& wb) {
            if (!wb.platform.CopyPlotToClipboard()) wb.Message("There is no clipboard to copy the plot to.");
        },
        "Ctrl+C", "Copy the plot to the clipboard as a picture");
    command(
        "mnuPrint", "&Print", "mnuFile",
        [](Workbench& wb) {
            if (!wb.platform.PrintPlot()) wb.Message("There is no printer to print the plot on.");
        },
        "Ctrl+P", "Print the plot");
    separator("mnuBar3", "mnuFile");
    command(
        "mnuExit", "E&xit", "mnuFile",
        [](Workbench& wb) {
            // A fit or run still going ends at its best point first, so that what may be saved is whole.
            if (wb.Busy()) wb.FinishLongWork(true);
            if (AllowDiscard(wb, "quitting")) wb.platform.Exit();
        },
        "Ctrl+Q", "End the program (it asks first when the work on view was not saved)");

    submenu("mnuEdit", "&Edit", "");
    command(
        "mnuUndo", "&Undo", "mnuEdit", [](Workbench& wb) { wb.Undo(); }, "Ctrl+Z",
        "Take back the last change of an entry or of the curves (Simulate, Import, the Analyze commands, fits...)",
        false);
    command(
        "mnuRedo", "&Redo", "mnuEdit", [](Workbench& wb) { wb.Redo(); }, "Ctrl+Shift+Z",
        "Make the change taken back last again", false);

    submenu("mnuInput", "&Input", "");
    command(
        "mnuTech", "&Techniques...", "mnuInput", [](Workbench& wb) { wb.Activate(wb.formTech); }, "Ctrl+1",
        "Choose the voltammetric technique");
    command(
        "mnuMechamism", "&Mechanism...", "mnuInput", [](Workbench& wb) { wb.Activate(wb.formMech); }, "Ctrl+2",
        "Choose the reaction mechanism or type one into the reaction editor");
    command(
        "mnuInstrument", "&Instrument...", "mnuInput", [](Workbench& wb) { wb.Activate(wb.formIns); }, "Ctrl+3",
        "Set the potential programme, the electrode and the instrument");
    command(
        "mnuExperimental", "&Chemicals...", "mnuInput",
        [](Workbench& wb) {
            wb.formMech.SetupMechanism();
            wb.Activate(wb.formExpr);
        },
        "Ctrl+4", "Set diffusion coefficients, concentrations, rate constants and fit parameters");

    submenu("mnuRun", "&Run", "");
    command("mnuSimulate", "&Simulate", "mnuRun", Simulate, "F5", "Simulate the experiment and plot the curve");
    separator("mnuBar31", "mnuRun");
    command("mnuManualFit", "&Manual Fit", "mnuRun", ManualFit, "F6",
            "Simulate at the measured potentials to compare with curve 1", false);
    command("mnuAutoFit", "&Auto Fit", "mnuRun", AutoFit, "F7", "Fit the checked parameters to the measured curve");
    command("mnuGlobalFit", "&Global Fit", "mnuRun", GlobalFit, "Ctrl+G",
            "Fit every imported curve at once, each with its own settings, sharing the checked parameters");
    command("mnuUseFitted", "&Use Fitted Values", "mnuRun", UseFittedValues, "Ctrl+U",
            "Copy the last fit's values into the entry fields, so that Simulate reproduces the fitted curve");
    command("mnuCurveSettings", "Curve Se&ttings", "mnuRun", ShowCurveSettings, "",
            "Show the settings the current measured curve was recorded with in the Techniques and Instrument dialogs");
    command("mnuKeepCurveSettings", "&Keep As Curve Settings", "mnuRun", KeepCurveSettings, "",
            "Make the Techniques and Instrument dialogs' settings those of the current measured curve");
    separator("mnuBar32", "mnuRun");
    command("mnuManualSeparate", "M&anual Separate", "mnuRun", ManualSeparate, "",
            "Manual fit, then the current of each reaction as its own curve");
    command("mnuAutoSeparate", "Auto S&eparate", "mnuRun", AutoSeparate, "",
            "Auto fit, then the current of each reaction as its own curve");
    separator("mnuBar33", "mnuRun");
    command(
        "mnuStop", "S&top", "mnuRun", [](Workbench& wb) { wb.StopLongWork(); }, "Ctrl+.",
        "End the running fit or simulation: a fit keeps its best point so far, a simulation the points computed",
        false);

    submenu("mnuDisplay", "&Display", "", false);
    command(
        "mnuOption", "&Option...", "mnuDisplay", [](Workbench& wb) { wb.Activate(wb.formOption); }, "Ctrl+5",
        "Axis ranges, grid, overlap, quantity and line styles");
    command(
        "mnuPlot", "&Plot", "mnuDisplay", [](Workbench& wb) { RenderPlot(wb.display); }, "Ctrl+R",
        "Draw the curves again");
    command(
        "mnuResetView", "&Reset View", "mnuDisplay", [](Workbench& wb) { ResetView(wb.display); }, "Home",
        "Show the whole plot again after zooming or panning (also: double-click the plot)");
    command("mnuZoomIn", "Zoom &In", "mnuDisplay", ZoomAboutCentre(0.5), "Ctrl++",
            "Show half the range about the middle of the plot (also: the mouse wheel, or drag a frame with Shift)");
    command("mnuZoomOut", "Zoom O&ut", "mnuDisplay", ZoomAboutCentre(2), "Ctrl+-",
            "Show twice the range about the middle of the plot");
    command("mnuNextCurve", "&Next Curve", "mnuDisplay", NextCurve, "Ctrl+N", "Make the next curve the current one");
    command("mnuTime", "&Time", "mnuDisplay", PrintTime, "Ctrl+T",
            "Print the run time and the solver's iterations of the last run");
    command("mnuClear", "&Clear", "mnuDisplay", ClearResults, "Ctrl+L", "Clear the result window");

    submenu("mnuData", "&Analyze", "", false);
    command("mnuFindPeak", "&Find Peak", "mnuData",
            ReportInResultWindow([](Workbench& wb) { FindPeaks(wb.model, wb.peakTables, wb.formResult); }), "Ctrl+F",
            "Find the peaks of the curves");
    command("mnuFindHalfwaveE", "Find &Halfwave E", "mnuData",
            ReportInResultWindow([](Workbench& wb) { FindHalfWave(wb.model, wb.formResult); }), "Ctrl+H",
            "Find the half-wave potential of the current curve");
    command("mnuTheoPeak", "&Theoretical Peak", "mnuData", ReportInResultWindow([](Workbench& wb) {
                TransferParameters(wb.dialogs);
                TheoreticalPeaks(wb.model, wb.formResult);
            }),
            "", "Print the peak values theory predicts for the experiment");
    separator("mnuBar51", "mnuData");
    command("mnuSemi", "&Semi-differentiate", "mnuData",
            TransformCurrentCurve([](Model& m, auto& y) { SemiDifferentiate(m, y); }, 1), "",
            "Semi-differentiate the current curve");
    command("mnuSemiInte", "S&emi-integrate", "mnuData",
            TransformCurrentCurve([](Model& m, auto& y) { SemiIntegrate(m, y); }, -1), "",
            "Semi-integrate the current curve");
    command("mnuDerivative", "&Differentiate", "mnuData",
            TransformCurrentCurve([](Model& m, auto& y) { Differentiate(m, y); }, 2), "",
            "Differentiate the current curve");
    command("mnuIntegral", "&Integrate", "mnuData",
            TransformCurrentCurve([](Model& m, auto& y) { Integrate(m, y); }, -2), "", "Integrate the current curve");
    separator("mnuBar52", "mnuData");
    submenu("mnuXData", "&X Data", "mnuData");
    command("mnu1000X", "1000X", "mnuXData", onDisplay(mnu1000X), "", "Multiply the potentials by 1000");
    command("mnu10X", "10X", "mnuXData", onDisplay(mnu10X), "", "Multiply the potentials by 10");
    command("mnu01X", "0.1X", "mnuXData", onDisplay(mnu01X), "", "Multiply the potentials by 0.1");
    command("mnu0001X", "0.001X", "mnuXData", onDisplay(mnu0001X), "", "Multiply the potentials by 0.001");
    submenu("mnuYData", "&Y Data", "mnuData");
    command("mnu1000Y", "1000Y", "mnuYData", onDisplay(mnu1000Y), "", "Multiply the current curve by 1000");
    command("mnu10Y", "10Y", "mnuYData", onDisplay(mnu10Y), "", "Multiply the current curve by 10");
    command("mnu01Y", "0.1Y", "mnuYData", onDisplay(mnu01Y), "", "Multiply the current curve by 0.1");
    command("mnu0001Y", "0.001Y", "mnuYData", onDisplay(mnu0001Y), "", "Multiply the current curve by 0.001");
    command("mnuMinusY", "-Y", "mnuYData", onDisplay(mnuMinusY), "", "Change the sign of the current curve");
    separator("manubar", "mnuData");
    command("mnuMinusX", "Reverse", "mnuData", onDisplay(mnuMinusX), "", "Reverse the order of the points");

    submenu("mnuWindow", "&Window", "");
    command(
        "mnuTile", "&Tile", "mnuWindow", [](Workbench& wb) { wb.platform.ArrangeWindows(Platform::Arrangement::Tile); },
        "", "The plot and result windows side by side, filling the main window as it grows and shrinks");
    command(
        "mnuCascade", "&Cascade", "mnuWindow",
        [](Workbench& wb) { wb.platform.ArrangeWindows(Platform::Arrangement::Cascade); }, "",
        "The plot and result windows one over the other, each offset so that its title shows");

    submenu("mnuHelp", "&Help", "");
    command(
        "mnuManual", "&Manual", "mnuHelp",
        [](Workbench& wb) {
            const std::string path = wb.applicationDirectory + "/talvex.html";
            if (!wb.platform.OpenManual(path)) wb.Message("The manual " + path + " could not be opened.");
        },
        "F1", "Open the user manual in the web browser");
}

}  // namespace talvex
