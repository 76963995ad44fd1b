#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/run_error.h"

// The dialog layer: plain controls with the state a user sees (caption or text, checked or
// selected, visible, enabled, locked, tooltip) and the handlers their events fire. A user action
// is "set the state, then fire the handler"; the Qt views and the batch front end both go through
// the same entry points (Type, Click, Select), so a test of a dialog class is a test of what a
// user sees.
namespace talvex {

class Form;
class Control;

// Tells the control's dialog that something a window shows has changed.
void NoteControlChange(Control* owner);

// A property a window shows (caption, flags, tooltip): assigning a different value marks the
// control's dialog changed, so the window refreshes it after the user's action.
template <typename T>
class Watched {
  public:
    explicit Watched(Control* owner, T value = T{}) : owner_(owner), value_(std::move(value)) {}
    Watched(const Watched&) = delete;
    Watched& operator=(const Watched& other) { return *this = other.value_; }
    Watched& operator=(T value) {
        if (!(value == value_)) {
            value_ = std::move(value);
            NoteControlChange(owner_);
        }
        return *this;
    }
    operator const T&() const { return value_; }  // NOLINT: reads as the plain value
    const T& get() const { return value_; }

  private:
    Control* owner_;
    T value_;
};

inline std::string operator+(const Watched<std::string>& a, const std::string& b) {
    return a.get() + b;
}
inline std::string operator+(const Watched<std::string>& a, const char* b) {
    return a.get() + b;
}
inline std::string operator+(const std::string& a, const Watched<std::string>& b) {
    return a + b.get();
}
inline std::string operator+(const char* a, const Watched<std::string>& b) {
    return a + b.get();
}
inline bool operator==(const Watched<std::string>& a, std::string_view b) {
    return a.get() == b;
}
inline std::ostream& operator<<(std::ostream& out, const Watched<std::string>& a) {
    return out << a.get();
}

enum class ControlKind { TextBox, Label, CheckBox, OptionButton, ComboBox, Frame, CommandButton };

class Control {
  public:
    Control(Form* form, ControlKind kind, std::string name, int index = -1);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    ControlKind kind() const { return kind_; }
    const std::string& name() const { return name_; }
    int index() const { return index_; }  // -1 when the control is not in an array
    std::string FullName() const;         // "charge(3)" or "Estart"
    Form* form() const { return form_; }

    Watched<bool> visible{this, true};
    Watched<bool> enabled{this, true};
    Watched<bool> locked{this, false};  // text boxes: shown but not editable
    Watched<std::string> tooltip{this};

    // Visible and enabled on screen: its own flags and those of every enclosing frame.
    Control* container = nullptr;

    void MarkChanged() { NoteControlChange(this); }
    bool ShownOnScreen() const;

  private:
    Form* form_;
    ControlKind kind_;
    std::string name_;
    int index_;
};

class TextBox : public Control {
  public:
    TextBox(Form* form, std::string name, int index = -1)
        : Control(form, ControlKind::TextBox, std::move(name), index) {}
    const std::string& text() const { return text_; }
    // Sets the text; the Change handler fires when the text actually changes (programmatic
    // writes too, so handlers that write each other's fields stop once nothing changes).
    void SetText(const std::string& text);
    // The user types into the box: refused (false) when the box is locked or disabled.
    bool Type(const std::string& text);
    // Puts back a saved text without firing Change (opening a workspace).
    void Restore(const std::string& text);
    Watched<std::string> caption{this};  // the label shown beside the box
    // The label can stay on screen while the box itself is hidden.
    Watched<bool> captionVisible{this, true};
    std::function<void()> onChange;

  private:
    std::string text_;
    int depth_ = 0;
};

class Label : public Control {
  public:
    Label(Form* form, std::string name, int index = -1) : Control(form, ControlKind::Label, std::move(name), index) {}
    const std::string& caption() const { return caption_; }
    void SetCaption(const std::string& caption);      // Change fires when the caption changes
    void RestoreCaption(const std::string& caption);  // without firing Change
    std::function<void()> onChange;

  private:
    std::string caption_;
    int depth_ = 0;
};

class CheckBox : public Control {
  public:
    CheckBox(Form* form, std::string name, int index = -1)
        : Control(form, ControlKind::CheckBox, std::move(name), index) {}
    bool checked() const { return checked_; }
    // Setting the value fires Click when it changes, as a click does.
    void SetChecked(bool checked);
    bool Click();                       // the user clicks: toggles; refused when disabled
    void RestoreChecked(bool checked);  // without firing Click
    Watched<std::string> caption{this};
    std::function<void()> onClick;

  private:
    bool checked_ = false;
};

class OptionButton : public Control {
  public:
    OptionButton(Form* form, std::string name, int index = -1)
        : Control(form, ControlKind::OptionButton, std::move(name), index) {}
    bool selected() const { return selected_; }
    // Selecting a button clears the others of its group and fires Click.
    void Select();
    bool Click();  // the user clicks: refused when disabled
    // Sets this button alone, without touching the others of its group or firing Click.
    void RestoreSelected(bool selected);
    void SetGroup(std::shared_ptr<std::vector<OptionButton*>> group);
    Watched<std::string> caption{this};
    std::function<void()> onClick;

  private:
    bool selected_ = false;
    std::shared_ptr<std::vector<OptionButton*>> group_;
};

class ComboBox : public Control {
  public:
    ComboBox(Form* form, std::string name, int index = -1)
        : Control(form, ControlKind::ComboBox, std::move(name), index) {}
    std::vector<std::string> list;
    int listIndex() const { return listIndex_; }  // -1: nothing selected
    const std::string& text() const { return text_; }
    void Select(int index);                    // fires Click
    void RestoreSelection(int index);          // without firing Click; -1 selects nothing
    bool SelectText(const std::string& text);  // the user picks an entry by its text
    Watched<std::string> caption{this};
    std::function<void()> onClick;

  private:
    int listIndex_ = -1;
    std::string text_;
};

class Frame : public Control {
  public:
    Frame(Form* form, std::string name, int index = -1) : Control(form, ControlKind::Frame, std::move(name), index) {}
    Watched<std::string> caption{this};
};

class CommandButton : public Control {
  public:
    CommandButton(Form* form, std::string name, int index = -1)
        : Control(form, ControlKind::CommandButton, std::move(name), index) {}
    bool Click();  // refused when disabled
    Watched<std::string> caption{this};
    std::function<void()> onClick;
};

// A control array indexed First..Last, as the system indexes it.
template <typename T, int First, int Last>
class ControlArray {
  public:
    ControlArray(Form* form, const std::string& name) {
        for (int i = First; i <= Last; ++i) items_.push_back(std::make_unique<T>(form, name, i));
    }
    T& operator()(int i) {
        if (i < First || i > Last) Raise(ErrorCode::SubscriptOutOfRange);
        return *items_[static_cast<std::size_t>(i - First)];
    }
    const T& operator()(int i) const {
        if (i < First || i > Last) Raise(ErrorCode::SubscriptOutOfRange);
        return *items_[static_cast<std::size_t>(i - First)];
    }
    static constexpr int first() { return First; }
    static constexpr int last() { return Last; }

  private:
    std::vector<std::unique_ptr<T>> items_;
};

// Change handlers ignore errors: a step that cannot be computed leaves what it would have written.
template <typename F>
void IgnoringErrors(F&& step) {
    try {
        step();
    } catch (const RunError&) {
    }
}

// Makes option buttons one group: selecting one clears the others.
void GroupOptions(std::initializer_list<OptionButton*> buttons);
template <int First, int Last>
void GroupOptions(ControlArray<OptionButton, First, Last>& buttons) {
    auto group = std::make_shared<std::vector<OptionButton*>>();
    for (int i = First; i <= Last; ++i) group->push_back(&buttons(i));
    for (OptionButton* b : *group) b->SetGroup(group);
}

// A dialog: a named set of controls, shown and hidden but never destroyed.
class Form {
  public:
    Form(std::string name, std::string title) : caption(std::move(title)), name_(std::move(name)) {}
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form() = default;

    std::string caption;
    const std::string& name() const { return name_; }
    bool visible() const { return visible_; }

    // Show brings the dialog to the front, which fires its activation handler.
    void Show();
    void Hide() {
        if (visible_) MarkChanged();
        visible_ = false;
    }
    void Activate();
    // The window's close box: dialogs only hide.
    virtual void Close() { Hide(); }
    // Shows or hides without bringing the dialog to the front (opening a workspace).
    void RestoreShown(bool shown) {
        if (shown != visible_) MarkChanged();
        visible_ = shown;
    }

    // Controls by name: "Estart", "charge(3)", or name and index.
    Control* Find(std::string_view name, int index = -1) const;
    Control* FindByFullName(std::string_view fullName) const;
    const std::vector<Control*>& controls() const { return controls_; }
    void Register(Control* control) { controls_.push_back(control); }

    std::function<void()> onActivate;

    // Set when anything a window shows of this dialog changed; the workbench collects and clears
    // it after each user action.
    bool changed() const { return changed_; }
    void MarkChanged() { changed_ = true; }
    void ClearChanged() { changed_ = false; }

  private:
    std::string name_;
    bool visible_ = false;
    bool changed_ = true;  // a new dialog has never been shown
    std::vector<Control*> controls_;
};

}  // namespace talvex
