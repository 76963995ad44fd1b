#pragma once

#include <QString>
#include <string>

namespace talvex::gui {

// The dialog classes hold UTF-8 text (captions with °, ², Ω, α, λ); Qt holds UTF-16.
inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string S(const QString& text) {
    return text.toStdString();
}

}  // namespace talvex::gui
