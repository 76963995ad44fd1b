// The parameter dialogs as windows: every control shown as its dialog class says, typing and
// clicking through the widgets fire the dialog's handlers, every change a handler makes appears,
// closing only hides, activation runs the dialog's activation.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <clocale>
#include <string>

#include "core/codes.h"
#include "gui/qt_text.h"
#include "gui_fixture.h"

namespace talvex::gui::testing {
namespace {

// What a control's widget must show of it.
void ExpectShows(const Control& c, QWidget* w) {
    const std::string name = c.form()->name() + "." + c.FullName();
    ASSERT_NE(w, nullptr) << name;
    EXPECT_EQ(w->isHidden(), !c.visible) << name;
    EXPECT_EQ(w->isEnabled(), static_cast<bool>(c.enabled)) << name;
    EXPECT_EQ(w->toolTip(), Q(c.tooltip)) << name;
    if (auto* box = dynamic_cast<const TextBox*>(&c)) {
        auto* edit = dynamic_cast<QLineEdit*>(w);
        ASSERT_NE(edit, nullptr) << name;
        EXPECT_EQ(edit->text(), Q(box->text())) << name;
        EXPECT_EQ(edit->isReadOnly(), static_cast<bool>(box->locked)) << name;
    } else if (auto* label = dynamic_cast<const Label*>(&c)) {
        EXPECT_EQ(dynamic_cast<QLabel*>(w)->text(), Q(label->caption())) << name;
    } else if (auto* check = dynamic_cast<const CheckBox*>(&c)) {
        EXPECT_EQ(dynamic_cast<QCheckBox*>(w)->text(), Q(check->caption)) << name;
        EXPECT_EQ(dynamic_cast<QCheckBox*>(w)->isChecked(), check->checked()) << name;
    } else if (auto* option = dynamic_cast<const OptionButton*>(&c)) {
        EXPECT_EQ(dynamic_cast<QRadioButton*>(w)->text(), Q(option->caption)) << name;
        EXPECT_EQ(dynamic_cast<QRadioButton*>(w)->isChecked(), option->selected()) << name;
    } else if (auto* combo = dynamic_cast<const ComboBox*>(&c)) {
        auto* list = dynamic_cast<QComboBox*>(w);
        EXPECT_EQ(list->count(), static_cast<int>(combo->list.size())) << name;
        EXPECT_EQ(list->currentText(), Q(combo->text())) << name;
    } else if (auto* frame = dynamic_cast<const Frame*>(&c)) {
        EXPECT_EQ(dynamic_cast<QGroupBox*>(w)->title(), Q(frame->caption)) << name;
    } else if (auto* button = dynamic_cast<const CommandButton*>(&c)) {
        EXPECT_EQ(dynamic_cast<QPushButton*>(w)->text(), Q(button->caption)) << name;
    }
}

void ExpectAllShown(MainWindow& window, const Form& form) {
    DialogView& view = *window.View(form);
    EXPECT_EQ(view.windowTitle(), Q(form.caption));
    for (const Control* c : form.controls()) {
        QWidget* w = view.binder().WidgetOf(*c);
        ExpectShows(*c, w);
        if (w) {
            EXPECT_EQ(w->window(), &view) << c->FullName();
        }
    }
}

// Every control of every dialog has its widget in the dialog's window, showing its caption or
// text, state, visibility, enabled state and tooltip; the captions keep °, ², Ω, α, λ.
TEST_F(GuiTest, EveryControlIsShownAsItsDialogSays) {
    OpenEveryDialog();
    for (const Form* form : wb.forms()) {
        SCOPED_TRACE(form->name());
        EXPECT_TRUE(View(*form).isVisible());
        ExpectAllShown(window, *form);
    }
    auto caption = [&](const TextBox& box) {
        return window.findChild<QLabel*>(Q("FormIns." + box.FullName() + ".caption"));
    };
    EXPECT_EQ(caption(wb.formIns.txttemp)->text(), "T ( °C)");
    EXPECT_EQ(caption(wb.formIns.ARE)->text(), "Area (cm ²)");
    EXPECT_EQ(Widget<QLabel>(wb.formIns.LabelOhm)->text(), "Ω");
    EXPECT_EQ(Widget<QLabel>(wb.formExpr.LabelColumn(14))->text(), "α");
    EXPECT_EQ(Widget<QLabel>(wb.formExpr.LabelColumn(2))->text(), "λ (S cm ²/mol)");
}

// A dialog without a layout of its own gets a group box per frame holding the controls inside it.
TEST_F(GuiTest, AnyOtherDialogGetsItsFramesAsGroupBoxes) {
    struct FormNew : Form {
        FormNew() : Form("FormNew", "New") {
            box.caption = "E (V)";
            box.container = &frame;
            check.caption = "Check";
            frame.caption = "Frame";
        }
        TextBox box{this, "box"};
        Frame frame{this, "frame"};
        CheckBox check{this, "check"};
    } form;
    DialogView view(form, window, &window);
    QGroupBox* group = dynamic_cast<QGroupBox*>(view.binder().WidgetOf(form.frame));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(view.binder().WidgetOf(form.box)->parentWidget(), group);
    EXPECT_EQ(view.binder().WidgetOf(form.check)->parentWidget(), &view);
    ExpectShows(form.box, view.binder().WidgetOf(form.box));
    QTest::keyClicks(view.binder().WidgetOf(form.box), "7");
    EXPECT_EQ(form.box.text(), "7");
}

// At the size a dialog opens with, no visible widget is cut off or lies over another one.
TEST_F(GuiTest, DialogsOpenWithNothingCutOffOrOverlapping) {
    OpenEveryDialog();
    ClickOn(wb.formIns.CheckPreCon);  // the preconcentration frame too
    for (const Form* form : wb.forms()) {
        DialogView& view = View(*form);
        QCoreApplication::processEvents();
        const QList<QWidget*> widgets = view.findChildren<QWidget*>();
        for (QWidget* w : widgets) {
            if (!w->isVisible() || !qobject_cast<QWidget*>(w->parent()) || w->objectName().isEmpty()) continue;
            const std::string name = w->objectName().toStdString();
            EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << name;
            if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w)) {
                EXPECT_GE(w->width(), w->minimumSizeHint().width()) << name;
            }
            for (QWidget* other : widgets) {
                if (other == w || !other->isVisible() || other->parentWidget() != w->parentWidget() ||
                    other->objectName().isEmpty())
                    continue;
                EXPECT_FALSE(w->geometry().intersects(other->geometry()))
                    << name << " overlaps " << other->objectName().toStdString();
            }
        }
    }
}

// The number rules on a desktop that writes 0,5: the point is the decimal point, and text with a
// comma reads as its leading number. Typing the radius key by key rewrites the area.
TEST_F(GuiTest, CommaDecimalDesktopReadsNumbersByTheRules) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no German locale";
    Menu("mnuInstrument");
    ClickOn(wb.formIns.optElectrode(electrode::Sphere));
    TypeInto(wb.formIns.radius, "0.5");
    TypeInto(wb.formIns.Estart, "0,25");
    ClickOn(wb.formIns.cmdOK);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(wb.formIns.ARE.text(), "3.14e0");
    EXPECT_EQ(Widget<QLineEdit>(wb.formIns.ARE)->text(), "3.14e0");  // the radius handler's change, shown
    EXPECT_EQ(wb.model.Radius, 0.5);
    EXPECT_EQ(wb.model.Estart, 0.0);
}

// Closing a dialog only hides it; opening it again shows what was entered.
TEST_F(GuiTest, ClosingAndReopeningKeepsTheEntries) {
    Menu("mnuInstrument");
    DialogView& ins = View(wb.formIns);
    TypeInto(wb.formIns.Estart, "0.25");
    ClickOn(wb.formIns.CheckPreCon);
    ins.close();
    EXPECT_FALSE(ins.isVisible());
    EXPECT_FALSE(wb.formIns.visible());
    Menu("mnuInstrument");
    EXPECT_TRUE(ins.isVisible());
    EXPECT_EQ(Widget<QLineEdit>(wb.formIns.Estart)->text(), "0.25");
    EXPECT_TRUE(Widget<QCheckBox>(wb.formIns.CheckPreCon)->isChecked());
    EXPECT_FALSE(Widget<QGroupBox>(wb.formIns.FramePre)->isHidden());

    Menu("mnuSimulate");
    Menu("mnuOption");
    ClickOn(wb.formOption.CheckGrid);
    ClickOn(wb.formOption.Xauto);
    View(wb.formOption).close();
    EXPECT_FALSE(View(wb.formOption).isVisible());
    Menu("mnuOption");
    EXPECT_TRUE(Widget<QCheckBox>(wb.formOption.CheckGrid)->isChecked());
    EXPECT_FALSE(Widget<QLineEdit>(wb.formOption.XminText)->isHidden());
    ExpectAllShown(window, wb.formOption);
}

// Cancel, and Escape, take a dialog's entries back to what they were when it was shown, the fields
// that depend on them too (the radius sets the area), and hide it; Edit > Undo brings the typing
// back.
TEST_F(GuiTest, CancelAndEscapeRestoreTheEntriesAsShown) {
    Menu("mnuInstrument");
    DialogView& ins = View(wb.formIns);
    const QString v = Widget<QLineEdit>(wb.formIns.V)->text();
    const QString area = Widget<QLineEdit>(wb.formIns.ARE)->text();
    TypeInto(wb.formIns.V, "0.5");
    ClickOn(wb.formIns.optElectrode(2));
    TypeInto(wb.formIns.radius, "0.05");
    ASSERT_NE(Widget<QLineEdit>(wb.formIns.ARE)->text(), area);
    ASSERT_NE(ins.cancelButton(), nullptr);
    QTest::mouseClick(ins.cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(ins.isVisible());
    Menu("mnuInstrument");
    EXPECT_EQ(Widget<QLineEdit>(wb.formIns.V)->text(), v);
    EXPECT_EQ(Widget<QLineEdit>(wb.formIns.ARE)->text(), area);
    EXPECT_TRUE(Widget<QRadioButton>(wb.formIns.optElectrode(1))->isChecked());
    EXPECT_EQ(wb.model.Electrode, 1);

    Menu("mnuSimulate");
    Menu("mnuOption");
    ClickOn(wb.formOption.CheckGrid);
    ClickOn(wb.formOption.Xauto);
    QTest::keyClick(&View(wb.formOption), Qt::Key_Escape);
    EXPECT_FALSE(View(wb.formOption).isVisible());
    Menu("mnuOption");
    EXPECT_FALSE(Widget<QCheckBox>(wb.formOption.CheckGrid)->isChecked());
    EXPECT_TRUE(Widget<QLineEdit>(wb.formOption.XminText)->isHidden());

    Menu("mnuUndo");  // the Cancel
    EXPECT_TRUE(Widget<QCheckBox>(wb.formOption.CheckGrid)->isChecked());
    EXPECT_FALSE(Widget<QLineEdit>(wb.formOption.XminText)->isHidden());
}

// The program's shortcuts work from a dialog that has the focus, a text field of it too: F5
// simulates, Ctrl+Z undoes the typing (the field's own history does not), Ctrl+Shift+Z redoes it,
// Ctrl+1 opens the Techniques dialog; Ctrl+C in a field still copies its text.
TEST_F(GuiTest, ShortcutsFromAFocusedDialog) {
    Menu("mnuInstrument");
    DialogView& ins = View(wb.formIns);
    ins.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&ins));
    QLineEdit* v = Widget<QLineEdit>(wb.formIns.V);
    v->setFocus();
    const QString before = v->text();
    QTest::keyClick(v, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(v, "0.07");
    ASSERT_EQ(v->text(), "0.07");
    QTest::keyClick(v, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(v->text(), before);
    EXPECT_EQ(wb.formIns.V.text(), S(before));
    QTest::keyClick(v, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(v->text(), "0.07");

    QTest::keyClick(v, Qt::Key_F5);
    EXPECT_TRUE(window.Action("mnuDisplay")->isEnabled());  // the simulation ran
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_GT(wb.model.NData, 0);

    QTest::keyClick(v, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(v, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "0.07");

    QTest::keyClick(v, Qt::Key_1, Qt::ControlModifier);
    EXPECT_TRUE(View(wb.formTech).isVisible());
}

// Opening a workspace puts back every dialog's entries; the windows show them at once.
TEST_F(GuiTest, OpeningAWorkspaceRefreshesTheDialogs) {
    QTemporaryDir folder;
    const std::string path = S(folder.filePath("session.tvw"));
    Menu("mnuInstrument");
    TypeInto(wb.formIns.Estart, "0.25");
    ClickOn(wb.formIns.CheckPreCon);
    fileAnswers.push_back(path);
    Menu("mnuSaveWorkspace");
    TypeInto(wb.formIns.Estart, "0.1");
    ClickOn(wb.formIns.CheckPreCon);
    fileAnswers.push_back(path);
    Menu("mnuOpenWorkspace");
    ASSERT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(Widget<QLineEdit>(wb.formIns.Estart)->text(), "0.25");
    EXPECT_TRUE(Widget<QCheckBox>(wb.formIns.CheckPreCon)->isChecked());
    EXPECT_FALSE(Widget<QGroupBox>(wb.formIns.FramePre)->isHidden());
    ExpectAllShown(window, wb.formIns);
}

// A handler's changes to another dialog appear there: the digital box of the Mechanism dialog
// switches the Instrument dialog's electrodes; the OK button hides its dialog.
TEST_F(GuiTest, ChangesReachEveryDialogTheyTouch) {
    Menu("mnuMechamism");
    EXPECT_TRUE(Widget<QRadioButton>(wb.formIns.optElectrode(electrode::Cylinder))->isEnabled());
    ClickOn(wb.formMech.CheckDigital);
    EXPECT_FALSE(wb.formMech.CheckDigital.checked());
    EXPECT_FALSE(Widget<QGroupBox>(wb.formMech.FrameAnalytical)->isHidden());
    EXPECT_TRUE(Widget<QGroupBox>(wb.formMech.FrameEditor)->isHidden());
    EXPECT_FALSE(Widget<QRadioButton>(wb.formIns.optElectrode(electrode::Cylinder))->isEnabled());
    EXPECT_TRUE(Widget<QRadioButton>(wb.formIns.optElectrode(electrode::ThinFilm))->isEnabled());
    // A disabled mechanism cannot be chosen.
    ClickOn(wb.formMech.mech(3));
    EXPECT_TRUE(wb.formMech.mech(1).selected());
    EXPECT_TRUE(Widget<QRadioButton>(wb.formMech.mech(1))->isChecked());
    ClickOn(wb.formMech.Command1);
    EXPECT_FALSE(View(wb.formMech).isVisible());
    EXPECT_EQ(wb.model.Mechanism, 1);

    Menu("mnuExperimental");
    ClickOn(wb.formExpr.CheckFitted(fit::D + 1));
    EXPECT_FALSE(Widget<QLineEdit>(wb.formExpr.TextCmin(fit::D + 1))->isHidden());
    EXPECT_EQ(Widget<QLineEdit>(wb.formExpr.TextCmin(fit::D + 1))->text(), "1e-6");
    Menu("mnuInstrument");
    QComboBox* scan = Widget<QComboBox>(wb.formIns.ComboScan);
    scan->setCurrentIndex(2);
    emit scan->activated(2);  // what picking the entry with the mouse emits
    EXPECT_EQ(wb.formIns.ComboScan.text(), "2 cycles");
}

// A dialog that comes to the front runs its activation: the Instrument dialog shows the fields of
// the technique confirmed meanwhile. Getting the focus back from a message box is no activation.
TEST_F(GuiTest, ComingToTheFrontRunsTheActivation) {
    Menu("mnuTech");
    ClickOn(wb.formTech.optTech(technique::SquareWave));
    ClickOn(wb.formTech.cmdOK);
    EXPECT_EQ(wb.model.Technique, technique::SquareWave);
    Menu("mnuInstrument");
    EXPECT_TRUE(Widget<QLineEdit>(wb.formIns.V)->isHidden());
    EXPECT_FALSE(Widget<QLineEdit>(wb.formIns.TextF)->isHidden());
    EXPECT_TRUE(Widget<QLineEdit>(wb.formIns.tp)->isReadOnly());

    // Technique 1 confirmed while the Instrument dialog stays open behind the main window.
    Menu("mnuTech");
    ClickOn(wb.formTech.optTech(technique::Sweep));
    ClickOn(wb.formTech.cmdOK);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }));
    EXPECT_TRUE(Widget<QLineEdit>(wb.formIns.V)->isHidden());
    DialogView& ins = View(wb.formIns);
    ins.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &ins; }));
    EXPECT_FALSE(Widget<QLineEdit>(wb.formIns.V)->isHidden());
    EXPECT_TRUE(Widget<QLineEdit>(wb.formIns.TextF)->isHidden());

    // Back from a message box: the activation does not run again.
    int activations = 0;
    wb.formIns.onActivate = [&] { ++activations; };
    window.platform().messageHook = [&](const std::string&) {
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&ins, &activate);
    };
    TypeInto(wb.formIns.Estep, "x");
    ClickOn(wb.formIns.cmdOK);  // "E step (V) must be a number ..."
    EXPECT_EQ(activations, 0);
}

}  // namespace
}  // namespace talvex::gui::testing
