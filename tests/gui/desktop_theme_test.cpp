// The window on other desktops: whatever monospace fonts are installed, the result window's
// print zones line up; under a dark theme (also one switched to while the program runs) the plot
// keeps its white paper and black ink while dialogs and the result window take the desktop's
// colours and stay legible.
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QRadioButton>
#include <QStyle>
#include <cstdlib>
#include <map>

#include "gui/control_binder.h"
#include "gui/fixed_font.h"
#include "gui/qt_text.h"
#include "gui/result_view.h"
#include "gui_fixture.h"

namespace talvex::gui::testing {
namespace {

QFont Family(const QString& family) {
    QFont font(family);
    font.setPointSize(10);
    return font;
}

// The monospace families of common font packages that this machine has (setup installs the first
// two; a desktop may have any of them).
QStringList InstalledMonospace() {
    QStringList installed;
    for (const char* family : {"DejaVu Sans Mono", "Noto Sans Mono", "Noto Mono", "Liberation Mono"})
        if (QFontDatabase::hasFamily(QString::fromLatin1(family))) installed << QString::fromLatin1(family);
    return installed;
}

// Equal advances are measured, not read from the font's flag: a proportional family fails, every
// installed monospace family passes, Noto Sans Mono (flagged as proportional by fontconfig) too.
TEST(ResultFont, EqualAdvancesAreMeasured) {
    EXPECT_FALSE(HasEqualAdvances(Family(QStringLiteral("DejaVu Sans"))));
    const QStringList monospace = InstalledMonospace();
    ASSERT_FALSE(monospace.isEmpty()) << "setup installs fonts-dejavu-core and fonts-noto-mono";
    for (const QString& family : monospace) EXPECT_TRUE(HasEqualAdvances(Family(family))) << S(family);
}

// The first family that measures equal wins; a proportional one, or one that is not installed
// (replaced by a proportional default), is passed over; with none, the desktop's own font.
TEST(ResultFont, FirstEqualFamilyWins) {
    const QStringList monospace = InstalledMonospace();
    ASSERT_FALSE(monospace.isEmpty());
    QFont base = Family(monospace.front());
    base.setPointSizeF(11.5);
    const QFont chosen = EqualAdvanceFont(
        {QStringLiteral("DejaVu Sans"), QStringLiteral("No Such Family Anywhere"), monospace.back()}, base);
    EXPECT_EQ(QFontInfo(chosen).family(), monospace.back());
    EXPECT_EQ(chosen.pointSizeF(), 11.5);
    const QFont none = EqualAdvanceFont({QStringLiteral("DejaVu Sans")}, Family(QStringLiteral("DejaVu Serif")));
    EXPECT_EQ(QFontInfo(none).family(), QFontInfo(Family(QStringLiteral("DejaVu Serif"))).family());
    EXPECT_EQ(none.styleHint(), QFont::Monospace);
}

// The result window's font measures equal advances at the desktop's fixed-font size, and is
// DejaVu Sans Mono, which setup installs, whatever the desktop's own monospace font is.
TEST(ResultFont, PrefersTheFontSetupInstalls) {
    const QFont font = ResultFont();
    EXPECT_TRUE(HasEqualAdvances(font));
    EXPECT_EQ(font.pointSizeF(), QFontDatabase::systemFont(QFontDatabase::FixedFont).pointSizeF());
    if (QFontDatabase::hasFamily(QStringLiteral("DejaVu Sans Mono"))) {
        EXPECT_EQ(QFontInfo(font).family(), "DejaVu Sans Mono");
    }
}

// The part of a grabbed top-level window that shows `widget`, in device pixels.
QImage Part(const QImage& grabbed, QWidget& top, QWidget& widget) {
    const double ratio = grabbed.devicePixelRatio();
    const QRect logical(widget.mapTo(&top, QPoint(0, 0)), widget.size());
    const QRect device((QPointF(logical.topLeft()) * ratio).toPoint(), (QSizeF(logical.size()) * ratio).toSize());
    return grabbed.copy(device.intersected(grabbed.rect())).convertToFormat(QImage::Format_RGB32);
}

// The colour most pixels of `image` have, and the pixel that stands out most against it.
struct Look {
    QColor ground, ink;
};
Look LookOf(const QImage& image) {
    std::map<QRgb, int> count;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ++count[image.pixel(x, y)];
    QRgb ground = 0;
    int most = -1;
    for (const auto& [rgb, n] : count)
        if (n > most) {
            most = n;
            ground = rgb;
        }
    QColor ink = QColor(ground);
    for (const auto& [rgb, n] : count)
        if (Contrast(QColor(rgb), QColor(ground)) > Contrast(ink, QColor(ground))) ink = QColor(rgb);
    return {QColor(ground), ink};
}

// Styles shade a window's ground a little (Fusion: #ececec on a palette's #efefef).
bool Near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 4 && std::abs(a.green() - b.green()) <= 4 &&
           std::abs(a.blue() - b.blue()) <= 4;
}

// Every visible caption, check box, option button and field with text in every dialog stands out
// from what is behind it (contrast ratio above 4.5, the usual floor for legible text); the dialogs are in the palette's
// colours, a field the user cannot type into has the dialog's colour behind its text, one that can the field colour.
void ExpectDialogsLegible(MainWindow& window, Workbench& wb) {
    const QPalette palette = QApplication::palette();
    for (const Form* form : wb.forms()) {
        DialogView& view = *window.View(*form);
        if (!view.isVisible()) continue;
        SCOPED_TRACE(form->name());
        const QImage grabbed = view.grab().toImage();
        const QColor ground = LookOf(grabbed.convertToFormat(QImage::Format_RGB32)).ground;
        EXPECT_TRUE(Near(ground, palette.color(QPalette::Window))) << S(ground.name());
        int checked = 0;
        for (QWidget* w : view.findChildren<QWidget*>()) {
            if (!w->isVisibleTo(&view) || w->width() < 4 || w->height() < 4) continue;
            QString text;
            if (auto* label = qobject_cast<QLabel*>(w)) text = label->text();
            if (auto* check = qobject_cast<QCheckBox*>(w)) text = check->text();
            if (auto* option = qobject_cast<QRadioButton*>(w)) text = option->text();
            if (auto* edit = qobject_cast<QLineEdit*>(w)) text = edit->text();
            if (text.trimmed().isEmpty()) continue;
            const QImage part = Part(grabbed, view, *w);
            const Look look = LookOf(part);
            // A control that cannot be used now is dimmed on purpose, yet still readable.
            EXPECT_GT(Contrast(look.ink, look.ground), w->isEnabled() ? 4.5 : 1.8)
                << S(w->objectName()) << " '" << S(text) << "' " << S(look.ink.name()) << " on "
                << S(look.ground.name());
            if (auto* field = dynamic_cast<FieldEdit*>(w)) {
                // Right of the text, inside the frame: the field's own colour.
                const double r = part.devicePixelRatio();
                const QColor behind = QColor(
                    part.pixel(static_cast<int>((field->width() - 6) * r), static_cast<int>(field->height() * r / 2)));
                EXPECT_TRUE(Near(behind, palette.color(field->locked() ? QPalette::Window : QPalette::Base)))
                    << S(w->objectName()) << " " << S(behind.name());
            }
            ++checked;
        }
        EXPECT_GT(checked, 3);
    }
}

// The plot keeps white paper and black ink; the result window's text stands out from its ground,
// which is the palette's field colour; the area behind the child windows takes the palette's.
void ExpectWindowLook(MainWindow& window) {
    const QPalette palette = QApplication::palette();
    const QImage plot = window.plot().grab().toImage().convertToFormat(QImage::Format_RGB32);
    const Look paper = LookOf(plot);
    EXPECT_EQ(paper.ground, QColor(Qt::white));
    EXPECT_EQ(paper.ink, QColor(Qt::black));
    EXPECT_GT(DarkIn(plot, plot.rect()), 2000);

    const QImage result = window.result().viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const Look text = LookOf(result);
    EXPECT_EQ(text.ground, palette.color(QPalette::Base));
    EXPECT_GT(Contrast(text.ink, text.ground), 4.5) << S(text.ink.name()) << " on " << S(text.ground.name());

    auto* area = qobject_cast<QMdiArea*>(window.centralWidget());
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->background().color(), palette.color(QPalette::Dark));
}

// Under the style's own light palette and under a dark one, each switched to while the program
// runs with every window open (the run itself may already be under a dark desktop palette).
TEST_F(GuiTest, PlotKeepsItsPaperAndDialogsFollowTheDesktop) {
    OpenEveryDialog();
    Menu("mnuTime");
    ASSERT_TRUE(messages.empty());
    ASSERT_TRUE(wb.formIns.td.locked);  // a field the user cannot type into, shown in the Instrument dialog
    {
        SCOPED_TRACE("as the desktop started");
        ExpectWindowLook(window);
        ExpectDialogsLegible(window, wb);
    }
    for (const auto& [what, palette] :
         {std::pair{"light", QApplication::style()->standardPalette()}, std::pair{"dark", DarkPalette()}}) {
        SCOPED_TRACE(what);
        const PaletteSwitch theme(palette);
        ExpectWindowLook(window);
        ExpectDialogsLegible(window, wb);
    }
}

}  // namespace
}  // namespace talvex::gui::testing
