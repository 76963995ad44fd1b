#include "files/data_export.h"

#include "core/model.h"
#include "core/platform.h"
#include "core/result_window.h"
#include "core/text_number.h"
#include "files/file_replace.h"

namespace talvex {

std::string ExportText(const Model& m, int first, int last, int curve) {
    std::string text;
    std::string line;
    // A wide loop counter: `last` may be any whole number, and the store's bounds check ends the
    // loop at point 4001 at the latest.
    for (long long i = first; i <= last; ++i) {
        const int point = static_cast<int>(i);
        line = PrintNumber(m.Xdata(point));
        line += ',';
        PadToNextZone(line);
        line += PrintNumber(m.Yplot(point, curve));
        text += line;
        text += "\r\n";
    }
    return text;
}

std::optional<std::string> ExportData(Platform& platform, const Model& m, int first, int last, int curve) {
    const auto path = platform.SaveFileDialog(kDataFileFilter);
    if (!path || path->empty()) return std::nullopt;  // cancelled
    try {
        ReplaceFileContents(*path, ExportText(m, first, last, curve));
    } catch (const RunError& e) {
        platform.MessageBox("Export Error: " + e.description());
        return std::nullopt;
    }
    return path;
}

}  // namespace talvex
