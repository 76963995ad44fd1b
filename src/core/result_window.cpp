#include "core/result_window.h"

#include "core/text_number.h"

namespace talvex {

void PadToNextZone(std::string& text) {
    const std::size_t next = (text.size() / ResultWindow::kZoneWidth + 1) * ResultWindow::kZoneWidth;
    text.append(next - text.size(), ' ');
}

ResultWindow::Line& ResultWindow::Line::Text(std::string_view text) {
    text_ += text;
    return *this;
}

ResultWindow::Line& ResultWindow::Line::Num(double x) {
    text_ += PrintNumber(x);
    return *this;
}

ResultWindow::Line& ResultWindow::Line::Num(float x) {
    text_ += PrintNumber(static_cast<double>(x), 7);
    return *this;
}

ResultWindow::Line& ResultWindow::Line::Zone() {
    PadToNextZone(text_);
    return *this;
}

void ResultWindow::Line::End() {
    window_.PrintLine(text_);
}

void ResultWindow::PrintLine(const std::string& text) {
    lines_.push_back(text);
    changed = true;
    if (onLine) onLine(text);
}

void ResultWindow::Clear() {
    lines_.clear();
    changed = true;
    if (onClear) onClear();
}

}  // namespace talvex
