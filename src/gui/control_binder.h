#pragma once

#include <QLineEdit>
#include <functional>
#include <vector>

#include "dialogs/controls.h"

class QLabel;
class QCheckBox;
class QRadioButton;
class QComboBox;
class QGroupBox;
class QPushButton;

namespace talvex::gui {

class ViewActions;

// A text field whose natural width is a given number of characters, so that a dialog of many
// numbers stays compact. A locked field cannot be typed into and looks it: the dialog's own
// background behind its text, taken from the palette at every paint, so it follows the desktop's
// colours (a dark theme too, also when the theme changes while the program runs). Ctrl+Z and
// Ctrl+Shift+Z reach the program's Undo and Redo, whose history holds every entry.
class FieldEdit : public QLineEdit {
  public:
    FieldEdit(int characters, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    void SetLocked(bool locked);
    bool locked() const { return locked_; }

  protected:
    void initStyleOption(QStyleOptionFrame* option) const override;
    // Undo and Redo belong to the program (Edit menu), not to the field: one history for all.
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    int characters_;
    bool locked_ = false;
};

// Ties each control of a dialog class to the widget that shows it. Refresh copies every
// control's state (text or caption, checked or selected, list, visible, enabled, locked, tooltip)
// into its widget without firing anything; only the user's own edits (textEdited, clicked,
// activated) go back, through the view actions, to the same entry points talvex-batch uses.
class ControlBinder {
  public:
    explicit ControlBinder(ViewActions& actions) : actions_(actions) {}

    // Hidden widgets keep their place, so the rest of a row or column does not move.
    bool retainHidden = true;
    int fieldCharacters = 9;

    QLineEdit* Edit(TextBox& box);
    QLabel* Caption(TextBox& box);  // the label beside the box: its caption, captionVisible
    QLabel* Caption(ComboBox& combo);
    QLabel* Text(Label& label);
    QCheckBox* Check(CheckBox& box);
    QRadioButton* Option(OptionButton& button);
    QComboBox* Combo(ComboBox& combo);
    QGroupBox* Group(Frame& frame);
    QPushButton* Button(CommandButton& button);
    // The widget for any control, of the kind that shows it.
    QWidget* Widget(Control& control);

    void Refresh();
    // The widget bound to a control; nullptr when it has none.
    QWidget* WidgetOf(const Control& control) const;

  private:
    struct Binding {
        const Control* control;
        QWidget* widget;
        std::function<void()> refresh;
    };
    void Add(const Control& control, QWidget* widget, std::function<void()> refresh);
    void Common(QWidget* widget, const Control& control);

    ViewActions& actions_;
    std::vector<Binding> bindings_;
};

}  // namespace talvex::gui
