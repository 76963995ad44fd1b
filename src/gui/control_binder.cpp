#include "gui/control_binder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyleOptionFrame>

#include "gui/qt_text.h"
#include "gui/view_actions.h"

namespace talvex::gui {

FieldEdit::FieldEdit(int characters, QWidget* parent) : QLineEdit(parent), characters_(characters) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize FieldEdit::sizeHint() const {
    const QSize full = QLineEdit::sizeHint();
    // QLineEdit's own hint is 17 characters wide; keep its margins and frame.
    const int perCharacter = fontMetrics().horizontalAdvance(QLatin1Char('x'));
    return {full.width() - (17 - characters_) * perCharacter, full.height()};
}

QSize FieldEdit::minimumSizeHint() const {
    return {sizeHint().width(), QLineEdit::minimumSizeHint().height()};
}

void FieldEdit::SetLocked(bool locked) {
    setReadOnly(locked);
    if (locked_ == locked) return;
    locked_ = locked;
    update();
}

namespace {
bool IsUndoOrRedo(QKeyEvent* key) {
    return key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo);
}
}  // namespace

bool FieldEdit::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && IsUndoOrRedo(static_cast<QKeyEvent*>(event))) {
        event->ignore();  // the Edit menu's shortcut takes it
        return false;
    }
    return QLineEdit::event(event);
}

void FieldEdit::keyPressEvent(QKeyEvent* event) {
    // With nothing to undo the menu item is off and the key arrives here: the field's own history
    // would undo behind the program's back.
    if (IsUndoOrRedo(event)) {
        event->ignore();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void FieldEdit::initStyleOption(QStyleOptionFrame* option) const {
    QLineEdit::initStyleOption(option);
    // The style fills the field with Base; the text keeps the palette's Text colour, which every
    // palette makes legible on Window as on Base.
    if (locked_) option->palette.setBrush(QPalette::Base, option->palette.brush(QPalette::Window));
}

void ControlBinder::Add(const Control& control, QWidget* widget, std::function<void()> refresh) {
    if (retainHidden) {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
    }
    widget->setObjectName(Q(control.form()->name() + "." + control.FullName()));
    bindings_.push_back({&control, widget, std::move(refresh)});
    bindings_.back().refresh();
}

void ControlBinder::Common(QWidget* widget, const Control& control) {
    widget->setHidden(!control.visible);
    widget->setEnabled(control.enabled);
    widget->setToolTip(Q(control.tooltip));
}

QLineEdit* ControlBinder::Edit(TextBox& box) {
    auto* edit = new FieldEdit(fieldCharacters);
    Add(box, edit, [this, edit, &box] {
        const QSignalBlocker block(edit);
        Common(edit, box);
        edit->SetLocked(box.locked);
        // Rewriting the same text would move the cursor of a user who is typing.
        const QString text = Q(box.text());
        if (edit->text() != text) edit->setText(text);
    });
    QObject::connect(edit, &QLineEdit::textEdited, edit, [this, edit, &box](const QString& text) {
        actions_.Type(box, S(text));
        // A refused edit (a locked box) must not stay on screen.
        const QString shown = Q(box.text());
        if (edit->text() != shown) {
            const QSignalBlocker block(edit);
            edit->setText(shown);
        }
    });
    return edit;
}

QLabel* ControlBinder::Caption(TextBox& box) {
    auto* label = new QLabel;
    // Bound to the box's name with a suffix: the box itself is the control.
    bindings_.push_back({nullptr, label, [label, &box] {
                             label->setText(Q(box.caption));
                             label->setHidden(!box.captionVisible);
                             label->setToolTip(Q(box.tooltip));
                         }});
    label->setObjectName(Q(box.form()->name() + "." + box.FullName() + ".caption"));
    if (retainHidden) {
        QSizePolicy policy = label->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        label->setSizePolicy(policy);
    }
    bindings_.back().refresh();
    return label;
}

QLabel* ControlBinder::Caption(ComboBox& combo) {
    auto* label = new QLabel;
    bindings_.push_back({nullptr, label, [label, &combo] {
                             label->setText(Q(combo.caption));
                             label->setHidden(!combo.visible);
                         }});
    label->setObjectName(Q(combo.form()->name() + "." + combo.FullName() + ".caption"));
    bindings_.back().refresh();
    return label;
}

QLabel* ControlBinder::Text(Label& control) {
    auto* label = new QLabel;
    Add(control, label, [this, label, &control] {
        Common(label, control);
        label->setText(Q(control.caption()));
    });
    return label;
}

QCheckBox* ControlBinder::Check(CheckBox& box) {
    auto* check = new QCheckBox;
    Add(box, check, [this, check, &box] {
        const QSignalBlocker block(check);
        Common(check, box);
        check->setText(Q(box.caption));
        check->setChecked(box.checked());
    });
    QObject::connect(check, &QCheckBox::clicked, check, [this, check, &box] {
        actions_.Click(box);
        const QSignalBlocker block(check);
        check->setChecked(box.checked());
    });
    return check;
}

QRadioButton* ControlBinder::Option(OptionButton& button) {
    auto* radio = new QRadioButton;
    // The dialog class keeps its groups; Qt's own exclusivity would fight it.
    radio->setAutoExclusive(false);
    Add(button, radio, [this, radio, &button] {
        const QSignalBlocker block(radio);
        Common(radio, button);
        radio->setText(Q(button.caption));
        radio->setChecked(button.selected());
    });
    QObject::connect(radio, &QRadioButton::clicked, radio, [this, radio, &button] {
        actions_.Click(button);
        const QSignalBlocker block(radio);
        radio->setChecked(button.selected());
    });
    return radio;
}

QComboBox* ControlBinder::Combo(ComboBox& combo) {
    auto* box = new QComboBox;
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    Add(combo, box, [this, box, &combo] {
        const QSignalBlocker block(box);
        Common(box, combo);
        QStringList items;
        for (const std::string& entry : combo.list) items << Q(entry);
        QStringList shown;
        for (int i = 0; i < box->count(); ++i) shown << box->itemText(i);
        if (shown != items) {
            box->clear();
            box->addItems(items);
        }
        box->setCurrentIndex(combo.listIndex());
    });
    QObject::connect(box, &QComboBox::activated, box, [this, box, &combo](int index) {
        if (index >= 0 && index < static_cast<int>(combo.list.size()))
            actions_.Choose(combo, combo.list[static_cast<std::size_t>(index)]);
        const QSignalBlocker block(box);
        box->setCurrentIndex(combo.listIndex());
    });
    return box;
}

QGroupBox* ControlBinder::Group(Frame& frame) {
    auto* group = new QGroupBox;
    const bool retain = retainHidden;
    retainHidden = false;  // a hidden frame gives its place to what replaces it
    Add(frame, group, [this, group, &frame] {
        Common(group, frame);
        group->setTitle(Q(frame.caption));
    });
    retainHidden = retain;
    return group;
}

QPushButton* ControlBinder::Button(CommandButton& button) {
    auto* push = new QPushButton;
    push->setAutoDefault(false);
    Add(button, push, [this, push, &button] {
        Common(push, button);
        push->setText(Q(button.caption));
    });
    QObject::connect(push, &QPushButton::clicked, push, [this, &button] { actions_.Click(button); });
    return push;
}

QWidget* ControlBinder::Widget(Control& control) {
    switch (control.kind()) {
        case ControlKind::TextBox:
            return Edit(static_cast<TextBox&>(control));
        case ControlKind::Label:
            return Text(static_cast<Label&>(control));
        case ControlKind::CheckBox:
            return Check(static_cast<CheckBox&>(control));
        case ControlKind::OptionButton:
            return Option(static_cast<OptionButton&>(control));
        case ControlKind::ComboBox:
            return Combo(static_cast<ComboBox&>(control));
        case ControlKind::Frame:
            return Group(static_cast<Frame&>(control));
        case ControlKind::CommandButton:
            return Button(static_cast<CommandButton&>(control));
    }
    return nullptr;
}

void ControlBinder::Refresh() {
    for (Binding& b : bindings_) b.refresh();
}

QWidget* ControlBinder::WidgetOf(const Control& control) const {
    for (const Binding& b : bindings_)
        if (b.control == &control) return b.widget;
    return nullptr;
}

}  // namespace talvex::gui
