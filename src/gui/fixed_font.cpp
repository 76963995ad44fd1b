#include "gui/fixed_font.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <cmath>

namespace talvex::gui {

bool HasEqualAdvances(const QFont& font) {
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(QLatin1Char('0'));
    if (!(width > 0)) return false;
    // Advances are whole 1/64 pixels in Qt's metrics; a hundredth of a pixel is far below any
    // real difference between a narrow and a wide glyph.
    for (char c = ' '; c <= '~'; ++c)
        if (std::abs(metrics.horizontalAdvance(QLatin1Char(c)) - width) > 0.01) return false;
    return true;
}

QFont EqualAdvanceFont(const QStringList& families, const QFont& base) {
    for (const QString& family : families) {
        QFont font = base;
        font.setFamilies({family});
        if (HasEqualAdvances(font)) return font;
    }
    QFont font = base;
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    return font;
}

QFont ResultFont() {
    const QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    return EqualAdvanceFont(
        {QStringLiteral("DejaVu Sans Mono"), system.family(), QStringLiteral("Noto Sans Mono"),
         QStringLiteral("Liberation Mono"), QStringLiteral("Courier New"), QStringLiteral("monospace")},
        system);
}

}  // namespace talvex::gui
