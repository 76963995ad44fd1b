#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPalette>
#include <QSettings>
#include <QTest>
#include <chrono>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "app/workbench.h"
#include "dialogs/parameter_dialogs.h"
#include "gui/dialog_view.h"
#include "gui/main_window.h"
#include "gui/plot_widget.h"
#include "gui/recovery_store.h"
#include "plot/display.h"

namespace talvex::gui::testing {

// Ink within a pixel of `at`, and the count of dark pixels in `area`.
inline bool DarkNear(const QImage& image, QPointF at) {
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy) {
            const QPoint p(static_cast<int>(std::lround(at.x())) + dx, static_cast<int>(std::lround(at.y())) + dy);
            if (image.rect().contains(p) && qGray(image.pixel(p)) < 160) return true;
        }
    return false;
}
inline int DarkIn(const QImage& image, QRect area) {
    int n = 0;
    area = area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += qGray(image.pixel(x, y)) < 160;
    return n;
}

// A desktop's dark theme: light text on dark windows and fields (the colours of a common dark
// Fusion scheme). `talvex_gui_tests --dark-palette` runs every test under it.
inline QPalette DarkPalette() {
    QPalette p;
    const QColor window(0x35, 0x35, 0x35), base(0x23, 0x23, 0x23), text(0xee, 0xee, 0xee);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::red);
    p.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
    p.setColor(QPalette::Midlight, QColor(0x42, 0x42, 0x42));
    p.setColor(QPalette::Mid, QColor(0x2a, 0x2a, 0x2a));
    p.setColor(QPalette::Dark, QColor(0x1c, 0x1c, 0x1c));
    p.setColor(QPalette::Shadow, Qt::black);
    p.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::Link, QColor(0x2a, 0x82, 0xda));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(0x7f, 0x7f, 0x7f));
    return p;
}

// While alive, the whole application has another palette, as when the user switches the desktop's
// theme; the one before comes back at the end.
class PaletteSwitch {
  public:
    explicit PaletteSwitch(const QPalette& palette) : before_(QApplication::palette()) {
        QApplication::setPalette(palette);
        QCoreApplication::processEvents();
    }
    ~PaletteSwitch() {
        QApplication::setPalette(before_);
        QCoreApplication::processEvents();
    }
    PaletteSwitch(const PaletteSwitch&) = delete;
    PaletteSwitch& operator=(const PaletteSwitch&) = delete;

  private:
    QPalette before_;
};

// The contrast ratio of two colours by their relative luminance (1 for equal colours, 21 for black
// on white); text is comfortably legible from about 4.5.
inline double Contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// What one test leaves behind does not reach the next: remembered settings and recovery copies
// are gone before its window is made.
struct FreshSettings {
    FreshSettings() {
        QSettings().clear();
        QSettings().sync();
        QDir(RecoveryStore::DefaultFolder()).removeRecursively();
    }
};

// Runs as a second program that a test starts and watches (gui_main: TALVEX_TEST_CHILD names
// what it does); its exit status.
int RunChild(const QString& mode);

// The real main window, shown offscreen, with every modal window answered by the test: message
// boxes are recorded, file dialogs take queued answers, Exit is recorded; the question before
// discarding unsaved work is recorded and answered from a queue (Discard when none is queued); a
// program's left work is not restored unless a test says so.
class GuiTest : public FreshSettings, public ::testing::Test {
  protected:
    GuiTest() {
        window.platform().messageHook = [this](const std::string& text) { messages.push_back(text); };
        window.platform().fileDialogHook = [this](bool, const QString& filter) {
            filters.push_back(filter);
            std::optional<std::string> answer;
            if (!fileAnswers.empty()) {
                answer = fileAnswers.front();
                fileAnswers.erase(fileAnswers.begin());
            }
            return answer;
        };
        window.platform().exitHook = [this] { exited = true; };
        // The size offered for an exported picture is taken.
        window.platform().pictureSizeHook = [](int w, int h) { return std::optional<std::pair<int, int>>({w, h}); };
        window.platform().saveChangesHook = [this](const std::string& question) {
            saveQuestions.push_back(question);
            if (saveAnswers.empty()) return Platform::SaveChoice::Discard;
            const Platform::SaveChoice answer = saveAnswers.front();
            saveAnswers.erase(saveAnswers.begin());
            return answer;
        };
        window.restoreHook = [](const QString&) { return false; };
        // Each command ends before the test goes on, however slow the machine (a test of work
        // beside the window sets its own).
        window.workbench().backgroundAfter = std::chrono::seconds(30);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // Chooses a menu command as the user does.
    void Menu(const char* name) {
        QAction* action = window.Action(name);
        ASSERT_NE(action, nullptr) << name;
        action->trigger();
        QCoreApplication::processEvents();  // the window system's answers, as between two user actions
    }

    // Every dialog on view, the Display options too (they need a curve).
    void OpenEveryDialog() {
        for (const char* name :
             {"mnuTech", "mnuMechamism", "mnuInstrument", "mnuExperimental", "mnuSimulate", "mnuOption"})
            Menu(name);
    }

    DialogView& View(const Form& form) { return *window.View(form); }
    template <typename W>
    W* Widget(const Control& control) {
        auto* widget = dynamic_cast<W*>(window.View(*control.form())->binder().WidgetOf(control));
        EXPECT_NE(widget, nullptr) << control.FullName();
        return widget;
    }

    // Replaces a field's text by typing, key by key, as a user does.
    void TypeInto(const TextBox& box, const QString& text) {
        QLineEdit* edit = Widget<QLineEdit>(box);
        ASSERT_NE(edit, nullptr);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
    }

    void ClickOn(const Control& control) {
        QWidget* widget = window.View(*control.form())->binder().WidgetOf(control);
        ASSERT_NE(widget, nullptr) << control.FullName();
        // A check box or option button is hit on its indicator, a push button anywhere.
        const QPoint at =
            control.kind() == ControlKind::CommandButton ? widget->rect().center() : QPoint(6, widget->height() / 2);
        QTest::mouseClick(widget, Qt::LeftButton, Qt::KeyboardModifiers(), at);
        QCoreApplication::processEvents();
    }

    MainWindow window;
    Workbench& wb = window.workbench();
    std::vector<std::string> messages;
    std::vector<QString> filters;
    std::vector<std::optional<std::string>> fileAnswers;
    std::vector<std::string> saveQuestions;
    std::vector<Platform::SaveChoice> saveAnswers;
    bool exited = false;
};

}  // namespace talvex::gui::testing
