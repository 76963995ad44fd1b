#include "gui/result_view.h"

#include <QScrollBar>

#include "core/result_window.h"
#include "gui/fixed_font.h"
#include "gui/qt_text.h"

namespace talvex::gui {

ResultView::ResultView(ResultWindow& window, QWidget* parent) : QPlainTextEdit(parent), window_(window) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setWordWrapMode(QTextOption::NoWrap);
    setFont(ResultFont());
    for (const std::string& line : window.lines()) AppendLine(line);
    window.onLine = [this](const std::string& line) { AppendLine(line); };
    window.onClear = [this] { clear(); };
}

ResultView::~ResultView() {
    window_.onLine = nullptr;
    window_.onClear = nullptr;
}

void ResultView::AppendLine(const std::string& line) {
    appendPlainText(Q(line));
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

}  // namespace talvex::gui
