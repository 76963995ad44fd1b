#include "core/command_table.h"

#include "analysis/transforms.h"
#include "core/workbench.h"
#include "digital/mechanism_setup.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "dialogs/form_tech.h"
#include "files/data_export.h"
#include "files/data_import.h"
#include "files/parameter_file.h"
#include "plot/axis_commands.h"
#include "plot/form_option.h"
#include "plot/plot_renderer.h"
#include "simulation/simulate_command.h"

namespace talvex {

MenuItem* CommandTable::Find(const std::string& name) {
    for (MenuItem& item : items_)
        if (item.name == name) return &item;
    return nullptr;
}

const MenuItem* CommandTable::Find(const std::string& name) const {
    for (const MenuItem& item : items_)
        if (item.name == name) return &item;
    return nullptr;
}

void CommandTable::Enable(const std::string& name, bool enabled) {
    if (MenuItem* item = Find(name)) item->enabled = enabled;
}

bool CommandTable::IsAvailable(const std::string& name) const {
    for (const MenuItem* item = Find(name); item; item = item->parent.empty() ? nullptr : Find(item->parent))
        if (!item->enabled) return false;
    return Find(name) != nullptr;
}

void EnableAfterNewDataSet(Workbench& wb) {
    for (const char* name : {"mnuDisplay", "mnuData", "mnuManualFit", "mnuManualSeparate"}) wb.menu.Enable(name);
}

void NextCurve(Workbench& wb) {
    Model& m = wb.model;
    if (m.CurCurve < m.NCurves) m.CurCurve = m.CurCurve + 1;
    else m.CurCurve = 1;
    wb.formResult.Show();
    wb.formResult.Print().Text("Curve Number is ").Num(m.CurCurve).End();
}

void PrintTime(Workbench& wb) {
    wb.formResult.Show();
    wb.formResult.Print().Text("time = ").Num(wb.model.RunTime).Text("s").End();
    wb.formResult.Print().Text("max iteration in simulation = ").Num(wb.model.MaxIter).End();
}

void ClearResults(Workbench& wb) { wb.formResult.Clear(); }

namespace {

using Handler = std::function<void(Workbench&)>;

// Commands whose work has not been built yet say so plainly instead of doing nothing.
Handler NotYetAvailable(const std::string& what) {
    return [what](Workbench& wb) { wb.Message(what + " is not available yet in this version of Talvex."); };
}

// A transform of the current curve followed by a redraw.
template <typename Fn>
Handler TransformCurrentCurve(Fn fn) {
    return [fn](Workbench& wb) {
        try {
            fn(wb.model, wb.model.Yplot);
        } catch (const RunError& e) {
            wb.Message(e.description());
            return;
        }
        RenderPlot(wb);
    };
}

}  // namespace

void RegisterCommands(CommandTable& t) {
    auto submenu = [&](const char* name, const char* caption, const char* parent, bool enabled = true) {
        t.Add({name, caption, parent, enabled, nullptr});
    };
    auto separator = [&](const char* name, const char* parent) { t.Add({name, "-", parent, true, nullptr}); };
    auto command = [&](const char* name, const char* caption, const char* parent, Handler handler, bool enabled = true) {
        t.Add({name, caption, parent, enabled, std::move(handler)});
    };

    submenu("mnuFile", "&File", "");
    command("mnuSave", "&Save...", "mnuFile", WriteParameterFile);
    separator("mnuBar1", "mnuFile");
    command("mnuImport", "&Import Data...", "mnuFile", ImportDataCommand);
    command("mnuExport", "&Export Data...", "mnuFile", ExportDataCommand);
    separator("mnuBar2", "mnuFile");
    command("mnuCopyto", "&Copy to Clipboard", "mnuFile", [](Workbench& wb) {
        if (!wb.platform.CopyPlotToClipboard()) wb.Message("There is no clipboard to copy the plot to.");
    });
    command("mnuPrint", "&Print", "mnuFile", [](Workbench& wb) {
        if (!wb.platform.PrintPlot()) wb.Message("There is no printer to print the plot on.");
    });
    separator("mnuBar3", "mnuFile");
    command("mnuExit", "E&xit", "mnuFile", [](Workbench& wb) { wb.platform.Exit(); });

    submenu("mnuInput", "&Input", "");
    command("mnuTech", "&Techniques...", "mnuInput", [](Workbench& wb) { wb.formTech.Show(); });
    command("mnuMechamism", "&Mechanism...", "mnuInput", [](Workbench& wb) { wb.formMech.Show(); });
    command("mnuInstrument", "&Instrument...", "mnuInput", [](Workbench& wb) { wb.formIns.Show(); });
    command("mnuExperimental", "&Chemicals...", "mnuInput", [](Workbench& wb) {
        SetupMechanism(wb);
        wb.formExpr.Show();
    });

    submenu("mnuRun", "&Run", "");
    command("mnuSimulate", "&Simulate", "mnuRun", Simulate);
    separator("mnuBar31", "mnuRun");
    command("mnuManualFit", "&Manual Fit", "mnuRun", NotYetAvailable("Manual Fit"), false);
    command("mnuAutoFit", "&Auto Fit", "mnuRun", NotYetAvailable("Auto Fit"));
    separator("mnuBar32", "mnuRun");
    command("mnuManualSeparate", "M&anual Separate", "mnuRun", NotYetAvailable("Manual Separate"));
    command("mnuAutoSeparate", "Auto S&eparate", "mnuRun", NotYetAvailable("Auto Separate"));

    submenu("mnuDisplay", "&Display", "", false);
    command("mnuOption", "&Option...", "mnuDisplay", [](Workbench& wb) { wb.formOption.Show(); });
    command("mnuPlot", "&Plot", "mnuDisplay", [](Workbench& wb) { RenderPlot(wb); });
    command("mnuNextCurve", "&Next Curve", "mnuDisplay", NextCurve);
    command("mnuTime", "&Time", "mnuDisplay", PrintTime);
    command("mnuClear", "&Clear", "mnuDisplay", ClearResults);

    submenu("mnuData", "&Analyze", "", false);
    command("mnuFindPeak", "&Find Peak", "mnuData", NotYetAvailable("Find Peak"));
    command("mnuFindHalfwaveE", "Find &Halfwave E", "mnuData", NotYetAvailable("Find Halfwave E"));
    command("mnuTheoPeak", "&Theoretical Peak", "mnuData", NotYetAvailable("Theoretical Peak"));
    separator("mnuBar51", "mnuData");
    command("mnuSemi", "&Semi-differentiate", "mnuData",
            TransformCurrentCurve([](Model& m, auto& y) { SemiDifferentiate(m, y); }));
    command("mnuSemiInte", "S&emi-integrate", "mnuData",
            TransformCurrentCurve([](Model& m, auto& y) { SemiIntegrate(m, y); }));
    command("mnuDerivative", "&Differentiate", "mnuData",
            TransformCurrentCurve([](Model& m, auto& y) { Differentiate(m, y); }));
    command("mnuIntegral", "&Integrate", "mnuData",
            TransformCurrentCurve([](Model& m, auto& y) { Integrate(m, y); }));
    separator("mnuBar52", "mnuData");
    submenu("mnuXData", "&X Data", "mnuData");
    command("mnu1000X", "1000X", "mnuXData", mnu1000X);
    command("mnu10X", "10X", "mnuXData", mnu10X);
    command("mnu01X", "0.1X", "mnuXData", mnu01X);
    command("mnu0001X", "0.001X", "mnuXData", mnu0001X);
    submenu("mnuYData", "&Y Data", "mnuData");
    command("mnu1000Y", "1000Y", "mnuYData", mnu1000Y);
    command("mnu10Y", "10Y", "mnuYData", mnu10Y);
    command("mnu01Y", "0.1Y", "mnuYData", mnu01Y);
    command("mnu0001Y", "0.001Y", "mnuYData", mnu0001Y);
    command("mnuMinusY", "-Y", "mnuYData", mnuMinusY);
    separator("manubar", "mnuData");
    command("mnuMinusX", "Reverse", "mnuData", mnuMinusX);

    submenu("mnuHelp", "&Help", "");
    command("mnuManual", "&Manual", "mnuHelp", [](Workbench& wb) {
        const std::string path = wb.applicationDirectory + "/talvex.html";
        if (!wb.platform.OpenManual(path)) wb.Message("The manual " + path + " could not be opened.");
    });
}

}  // namespace talvex
