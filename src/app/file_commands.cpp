#include "app/file_commands.h"

#include "app/commands.h"
#include "app/workbench.h"
#include "core/curve_slot.h"
#include "core/text_number.h"
#include "dialogs/parameter_dialogs.h"
#include "files/data_export.h"
#include "files/data_import.h"
#include "files/parameter_file.h"
#include "plot/display.h"
#include "plot/plot_renderer.h"

namespace talvex {

void SaveParameters(Workbench& wb) {
    WriteParameterFile(wb.platform, wb.model);
}

void ExportDataCommand(Workbench& wb) {
    const Model& m = wb.model;
    ExportData(wb.platform, m, m.IFirst, m.ILast, m.CurCurve);
}

bool ReadData(Workbench& wb) {
    Model& m = wb.model;
    const auto path = wb.platform.OpenFileDialog(kDataFileFilter);
    if (!path || path->empty()) return false;  // cancelled
    try {
        const DataPairs d = ReadDataPairs(*path);
        const InstrumentTexts proposed = ProposeInstrument(m, d);

        // Read completely: only now does anything change, the curve slot included, so a failed
        // import leaves every curve and counter as it was (with overlap on as well).
        OpenCurveSlot(m, wb.formOption.overlap.checked());
        const int column = m.NCurvesSaved;
        const int k = static_cast<int>(d.x.size());
        for (int i = 1; i <= k; ++i) {
            m.Xdata(i) = d.x[static_cast<std::size_t>(i - 1)];
            m.Yplot(i, column) = d.y[static_cast<std::size_t>(i - 1)];
        }
        m.NData = k;
        m.IFirst = 1;
        m.ILast = k;

        FormIns& ins = wb.formIns;
        ins.Estart.SetText(proposed.Estart);
        ins.Eend.SetText(proposed.Eend);
        ins.Estep.SetText(proposed.Estep);
        ins.TxtI0.SetText(proposed.I0);

        wb.formResult.Print().Text("Number of data point = ").Zone().Num(m.NData).End();
        wb.formResult.Print().Text("E start = ").Zone().Text(ins.Estart.text()).End();
        wb.formResult.Print().Text("E end = ").Zone().Text(ins.Eend.text()).End();
        wb.formResult.Print().Text("E step = ").Zone().Text(ins.Estep.text()).End();

        wb.formPlot.caption = FullPath(*path);
        return true;
    } catch (const RunError& e) {
        wb.Message("ReadData Error: " + e.description());
        return false;
    }
}

void ImportDataCommand(Workbench& wb) {
    if (!ReadData(wb)) return;
    RenderPlot(wb.display);
    wb.formResult.Show();
    EnableAfterNewDataSet(wb);
}

}  // namespace talvex
