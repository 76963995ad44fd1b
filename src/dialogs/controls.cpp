#include "dialogs/controls.h"

#include <charconv>

namespace talvex {
namespace {
// Handlers that write each other's fields stop once the text no longer changes; this only
// guards against a pair that never settles.
constexpr int kMaxChangeDepth = 64;

// Fires a Change handler; `depth` counts the handlers of this control still running.
void FireChange(const std::function<void()>& handler, int& depth) {
    if (!handler || depth >= kMaxChangeDepth) return;
    struct Depth {
        int& d;
        explicit Depth(int& x) : d(++x) {}
        ~Depth() { --d; }
    } guard(depth);
    handler();
}
}  // namespace

void NoteControlChange(Control* owner) {
    if (owner && owner->form()) owner->form()->MarkChanged();
}

Control::Control(Form* form, ControlKind kind, std::string name, int index)
    : form_(form), kind_(kind), name_(std::move(name)), index_(index) {
    if (form_) form_->Register(this);
}

std::string Control::FullName() const {
    if (index_ < 0) return name_;
    return name_ + "(" + std::to_string(index_) + ")";
}

bool Control::ShownOnScreen() const {
    for (const Control* c = this; c; c = c->container)
        if (!c->visible) return false;
    return true;
}

void TextBox::SetText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    MarkChanged();
    FireChange(onChange, depth_);
}

bool TextBox::Type(const std::string& text) {
    if (locked || !enabled) return false;
    SetText(text);
    return true;
}

void TextBox::Restore(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    MarkChanged();
}

void Label::RestoreCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    MarkChanged();
}

void Label::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    MarkChanged();
    FireChange(onChange, depth_);
}

void CheckBox::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    MarkChanged();
    if (onClick) onClick();
}

void CheckBox::RestoreChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    MarkChanged();
}

bool CheckBox::Click() {
    if (!enabled) return false;
    SetChecked(!checked_);
    return true;
}

void OptionButton::SetGroup(std::shared_ptr<std::vector<OptionButton*>> group) {
    group_ = std::move(group);
}

void OptionButton::Select() {
    if (group_)
        for (OptionButton* b : *group_) b->selected_ = false;
    selected_ = true;
    MarkChanged();
    if (onClick) onClick();
}

void OptionButton::RestoreSelected(bool selected) {
    if (selected == selected_) return;
    selected_ = selected;
    MarkChanged();
}

bool OptionButton::Click() {
    if (!enabled) return false;
    Select();
    return true;
}

void GroupOptions(std::initializer_list<OptionButton*> buttons) {
    auto group = std::make_shared<std::vector<OptionButton*>>(buttons);
    for (OptionButton* b : *group) b->SetGroup(group);
}

void ComboBox::Select(int index) {
    if (index < -1 || index >= static_cast<int>(list.size())) Raise(ErrorCode::InvalidProcedureCall);
    listIndex_ = index;
    MarkChanged();
    text_ = index >= 0 ? list[static_cast<std::size_t>(index)] : std::string();
    if (onClick) onClick();
}

void ComboBox::RestoreSelection(int index) {
    if (index < -1 || index >= static_cast<int>(list.size())) Raise(ErrorCode::InvalidProcedureCall);
    listIndex_ = index;
    text_ = index >= 0 ? list[static_cast<std::size_t>(index)] : std::string();
    MarkChanged();
}

bool ComboBox::SelectText(const std::string& text) {
    if (!enabled) return false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == text) {
            Select(static_cast<int>(i));
            return true;
        }
    }
    return false;
}

bool CommandButton::Click() {
    if (!enabled) return false;
    if (onClick) onClick();
    return true;
}

void Form::Show() {
    if (!visible_) MarkChanged();
    visible_ = true;
    Activate();
}

void Form::Activate() {
    if (onActivate) onActivate();
}

Control* Form::Find(std::string_view name, int index) const {
    for (Control* c : controls_)
        if (c->name() == name && c->index() == index) return c;
    return nullptr;
}

Control* Form::FindByFullName(std::string_view fullName) const {
    const auto open = fullName.find('(');
    if (open == std::string_view::npos) return Find(fullName);
    if (fullName.back() != ')') return nullptr;
    int index = 0;
    const char* first = fullName.data() + open + 1;
    const char* last = fullName.data() + fullName.size() - 1;
    const auto [ptr, ec] = std::from_chars(first, last, index);
    if (ec != std::errc() || ptr != last) return nullptr;
    return Find(fullName.substr(0, open), index);
}

}  // namespace talvex
