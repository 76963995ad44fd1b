#include "app/file_commands.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "api/model_bridge.h"
#include "app/commands.h"
#include "app/measured_curves.h"
#include "app/recent_files.h"
#include "app/workbench.h"
#include "core/codes.h"
#include "core/curve_slot.h"
#include "core/text_number.h"
#include "dialogs/parameter_dialogs.h"
#include "files/data_export.h"
#include "files/data_import.h"
#include "files/instrument_import.h"
#include "files/parameter_file.h"
#include "plot/display.h"
#include "plot/plot_labels.h"
#include "plot/plot_renderer.h"
#include "plot/svg_canvas.h"

namespace talvex {

namespace fs = std::filesystem;

void SaveParameters(Workbench& wb) {
    WriteParameterFile(wb.platform, wb.model);
}

void ExportDataCommand(Workbench& wb) {
    const Model& m = wb.model;
    const auto path = ExportData(wb.platform, m, m.IFirst, m.ILast, m.CurCurve);
    if (!path) return;
    const int points = std::max(0, m.ILast - m.IFirst + 1);
    wb.platform.ShowStatus("Exported curve " + GeneralFormat(m.CurCurve) + " (" + GeneralFormat(points) +
                           (points == 1 ? " point" : " points") + ") to " + FullPath(*path));
}

void ExportPlotCommand(Workbench& wb) {
    auto path = wb.platform.SaveFileDialog(kPlotPictureFilter);
    if (!path || path->empty()) return;  // cancelled
    std::string format = PictureFormatOf(*path);
    if (format.empty()) {
        // No extension at all: a PNG picture, as the first choice offered.
        const std::string name = FileNameOf(*path);
        if (name.find('.') != std::string::npos) {
            wb.Message("Export Plot: " + name +
                       " is neither a PNG, an SVG nor a PDF file; name it .png, .svg or .pdf.");
            return;
        }
        *path += ".png";
        format = "png";
    }
    const auto size = wb.platform.AskPictureSize(kPlotPictureWidth, kPlotPictureHeight);
    if (!size) return;
    const auto [width, height] = *size;
    if (width < 16 || height < 16 || width > 20000 || height > 20000) {
        wb.Message("Export Plot: a picture of " + GeneralFormat(width) + " x " + GeneralFormat(height) +
                   " pixels cannot be made; choose 16 to 20000 pixels each way.");
        return;
    }
    bool written = false;
    if (format == "svg") {
        SvgCanvas svg(width, height);
        wb.formPlot.Replay(svg);
        written = svg.Write(*path);
    } else {
        written = wb.platform.WritePlotPicture(*path, format, width, height);
    }
    if (!written) {
        wb.Message("Export Plot Error: " + FullPath(*path) + " could not be written.");
        return;
    }
    wb.platform.ShowStatus("Exported the plot (" + GeneralFormat(width) + " x " + GeneralFormat(height) + ", " +
                           format + ") to " + FullPath(*path));
}

std::string PictureFormatOf(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return ext == "png" || ext == "svg" || ext == "pdf" ? ext : "";
}

namespace {

// What the user decided about an instrument export: which cycle, whether to flip the current's
// sign, every how many points to keep. No value when the user cancelled a question.
struct InstrumentChoice {
    int cycle = 1;  // 1.. a cycle, 0 all of them
    bool flip = false;
    int step = 1;
    std::vector<std::string> report;
};

std::string Points(std::size_t n) {
    return GeneralFormat(static_cast<double>(n)) + (n == 1 ? " point" : " points");
}

std::optional<InstrumentChoice> AskAboutInstrumentData(Platform& platform, const InstrumentData& data) {
    InstrumentChoice c;
    const int cycles = static_cast<int>(data.cycles.size());
    if (cycles > 1) {
        std::vector<std::string> options;
        for (int k = 1; k <= cycles; ++k)
            options.push_back(data.cycles[static_cast<std::size_t>(k - 1)].label + " (" + Points(CyclePoints(data, k)) +
                              ")");
        options.push_back("all cycles (" + Points(CyclePoints(data, 0)) + ")");
        const auto picked = platform.Choose(
            "The file holds " + GeneralFormat(cycles) + " cycles. Which do you want to import?", options, 0);
        if (!picked) return std::nullopt;
        c.cycle = *picked == cycles ? 0 : *picked + 1;
    }
    const std::size_t points = CyclePoints(data, c.cycle);
    const std::string what = c.cycle == 0 ? "The cycles hold " : (cycles > 1 ? "The cycle holds " : "The file holds ");
    if (points > static_cast<std::size_t>(kMaxPoints)) {
        // Thinning only on request: refusing is the answer offered first.
        c.step = ThinningStep(points);
        const std::size_t kept = (points + static_cast<std::size_t>(c.step) - 1) / static_cast<std::size_t>(c.step);
        const auto picked = platform.Choose(
            what + Points(points) + "; at most " + GeneralFormat(kMaxPoints) + " can be imported.",
            {"Import every " + GeneralFormat(c.step) + ". point (" + Points(kept) + ")", "Do not import"}, 1);
        if (!picked || *picked != 0) return std::nullopt;
        c.report.push_back("Every " + GeneralFormat(c.step) + ". point imported: " + Points(kept) + " of " +
                           Points(points));
    }
    if (data.sign != CurrentSign::CathodicPositive) {
        const bool negative = data.sign == CurrentSign::CathodicNegative;
        const std::string question =
            negative ? std::string("This ") + FormatName(data.format) +
                           " writes cathodic (reduction) current as negative; Talvex's curves have it positive. "
                           "Flip the sign of the current?"
                     : "The file does not say how it signs the current; Talvex's curves have cathodic (reduction) "
                       "current positive. Flip the sign of the current?";
        const auto picked =
            platform.Choose(question, {"Flip the sign", "Keep the sign as in the file"}, negative ? 0 : 1);
        if (!picked) return std::nullopt;
        c.flip = *picked == 0;
    }
    c.report.push_back(c.flip ? "Current sign flipped: cathodic current is positive, as in Talvex's curves"
                              : "Current sign kept as in the file");
    return c;
}

}  // namespace

std::optional<ImportedFile> ReadImportedFile(Platform& platform, const std::string& path) {
    ImportedFile file;
    try {
        file.pairs = ReadDataPairs(path);
    } catch (const RunError& plain) {
        // Not a plain data file: an instrument's export, recognised from its content. A file in
        // the plain layout, or one that cannot be read at all, keeps the plain reader's message.
        std::string bytes;
        try {
            bytes = ReadImportFile(path);
        } catch (const RunError&) {
            throw plain;
        }
        if (IsPlainDataLayout(bytes)) throw plain;
        const InstrumentData data = ParseInstrumentData(bytes);
        const std::optional<InstrumentChoice> choice = AskAboutInstrumentData(platform, data);
        if (!choice) return std::nullopt;  // the user said no
        file.pairs = SelectCycle(data, choice->cycle, choice->flip, choice->step);
        file.notes = DescribeImport(data);
        file.scanRate = data.scanRate;
        if (data.cycles.size() > 1)
            file.notes.push_back("Imported: " + (choice->cycle == 0
                                                     ? std::string("all cycles")
                                                     : data.cycles[static_cast<std::size_t>(choice->cycle - 1)].label));
        file.notes.insert(file.notes.end(), choice->report.begin(), choice->report.end());
    }
    return file;
}

bool ReadData(Workbench& wb, std::optional<std::string> path) {
    Model& m = wb.model;
    if (!path) path = wb.platform.OpenFileDialog(kImportFileFilter);
    if (!path || path->empty()) return false;  // cancelled
    try {
        std::optional<ImportedFile> file = ReadImportedFile(wb.platform, *path);
        if (!file) return false;  // the user said no: nothing changes
        const DataPairs& d = file->pairs;
        const std::vector<std::string>& notes = file->notes;
        const double statedRate = file->scanRate;
        const InstrumentTexts proposed = ProposeInstrument(m, d);

        // Read completely: only now does anything change, the curve slot included, so a failed
        // import leaves every curve and counter as it was (with overlap on as well).
        OpenCurveSlot(m, wb.formOption.overlap.checked());
        const int column = m.CurCurve;
        m.CurveKind(column) = curve::Measured;
        m.CurveLabels(column) = {FileNameOf(*path), 0, 1.0};
        m.XFactor = 1.0;
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
        // The proposed baseline starts at the first current: said, because a fit then keeps it.
        wb.formResult.Print().Text("I start (A) = ").Zone().Text(ins.TxtI0.text()).End();
        wb.formResult.PrintLine(
            "(the first measured current, proposed as the baseline's start; set I start (A) to 0 for a curve "
            "without baseline, or tick \"fit baseline\" in the Instrument dialog to fit it)");
        for (const std::string& line : notes) wb.formResult.PrintLine(line);
        if (statedRate > 0) {
            ins.V.SetText(FieldFormat(statedRate));
            wb.formResult.Print().Text("v (V/s) = ").Zone().Text(ins.V.text()).End();
            wb.formResult.PrintLine("(the scan rate the file states, proposed in the Instrument dialog)");
        }

        // The experiment this curve was recorded with, for a global fit: the dialogs as they now
        // stand (with what was just proposed in them), at the file's potentials.
        ins.OK();
        MeasuredSeries& series = wb.measured;
        if (!wb.formOption.overlap.checked()) {
            series.records.clear();
            series.recordOfColumn.fill(0);
        }
        if (series.records.size() < kMaxSeriesCurves) {
            MeasuredRecord record{fs::path(*path).filename().string(),
                                  api::FromModel(m, wb.formMech.Choice()).experiment, d.y};
            record.experiment.potentials = d.x;
            series.records.push_back(std::move(record));
            series.recordOfColumn[static_cast<std::size_t>(column)] = static_cast<int>(series.records.size());
        } else {
            series.recordOfColumn[static_cast<std::size_t>(column)] = 0;
            wb.formResult.PrintLine("The series of measured curves holds " + GeneralFormat(kMaxSeriesCurves) +
                                    ", the most a global fit takes: this one is shown but not added to it.");
        }

        wb.formPlot.caption = FullPath(*path);
        // A new data set: shown whole.
        wb.formPlot.view.zoomed = false;
        NoteRecentFile(wb, FullPath(*path));
        return true;
    } catch (const RunError& e) {
        wb.Message("ReadData Error: " + e.description());
        return false;
    }
}

void ImportDataCommand(Workbench& wb) {
    ImportDataFile(wb, std::nullopt);
}

void ImportDataFile(Workbench& wb, const std::optional<std::string>& path) {
    if (!ReadData(wb, path)) return;
    RenderPlot(wb.display);
    wb.formResult.Show();
    EnableAfterNewDataSet(wb);
}

}  // namespace talvex
