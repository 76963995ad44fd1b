#include "dialogs/control_state.h"

namespace talvex {

ControlState CaptureControl(const Control& c) {
    ControlState s;
    s.visible = c.visible;
    s.enabled = c.enabled;
    s.locked = c.locked;
    switch (c.kind()) {
        case ControlKind::TextBox: {
            const auto& t = static_cast<const TextBox&>(c);
            s.text = t.text();
            s.caption = t.caption;
            s.captionVisible = t.captionVisible;
            break;
        }
        case ControlKind::Label:
            s.text = static_cast<const Label&>(c).caption();
            break;
        case ControlKind::CheckBox: {
            const auto& b = static_cast<const CheckBox&>(c);
            s.caption = b.caption;
            s.state = b.checked();
            break;
        }
        case ControlKind::OptionButton: {
            const auto& b = static_cast<const OptionButton&>(c);
            s.caption = b.caption;
            s.state = b.selected();
            break;
        }
        case ControlKind::ComboBox: {
            const auto& b = static_cast<const ComboBox&>(c);
            s.caption = b.caption;
            s.listIndex = b.listIndex();
            break;
        }
        case ControlKind::Frame:
            s.caption = static_cast<const Frame&>(c).caption;
            break;
        case ControlKind::CommandButton:
            s.caption = static_cast<const CommandButton&>(c).caption;
            break;
    }
    return s;
}

void RestoreControl(Control& c, const ControlState& s) {
    c.visible = s.visible;
    c.enabled = s.enabled;
    c.locked = s.locked;
    switch (c.kind()) {
        case ControlKind::TextBox: {
            auto& t = static_cast<TextBox&>(c);
            t.Restore(s.text);
            t.caption = s.caption;
            t.captionVisible = s.captionVisible;
            break;
        }
        case ControlKind::Label:
            static_cast<Label&>(c).RestoreCaption(s.text);
            break;
        case ControlKind::CheckBox: {
            auto& b = static_cast<CheckBox&>(c);
            b.caption = s.caption;
            b.RestoreChecked(s.state);
            break;
        }
        case ControlKind::OptionButton: {
            auto& b = static_cast<OptionButton&>(c);
            b.caption = s.caption;
            b.RestoreSelected(s.state);
            break;
        }
        case ControlKind::ComboBox: {
            auto& b = static_cast<ComboBox&>(c);
            b.caption = s.caption;
            b.RestoreSelection(s.listIndex >= 0 && s.listIndex < static_cast<int>(b.list.size()) ? s.listIndex : -1);
            break;
        }
        case ControlKind::Frame:
            static_cast<Frame&>(c).caption = s.caption;
            break;
        case ControlKind::CommandButton:
            static_cast<CommandButton&>(c).caption = s.caption;
            break;
    }
}

FormState CaptureForm(const Form& form) {
    FormState s;
    s.controls.reserve(form.controls().size());
    for (const Control* c : form.controls()) s.controls.push_back(CaptureControl(*c));
    return s;
}

bool RestoreForm(Form& form, const FormState& state) {
    const std::vector<Control*>& controls = form.controls();
    if (controls.size() != state.controls.size()) return false;
    for (std::size_t i = 0; i < controls.size(); ++i) RestoreControl(*controls[i], state.controls[i]);
    return true;
}

bool RevertForm(Form& form, const FormState& state) {
    const std::vector<Control*>& controls = form.controls();
    if (controls.size() != state.controls.size()) return false;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        Control& c = *controls[i];
        const ControlState& was = state.controls[i];
        // Change handlers ignore errors; a click's may not, and the exact state follows anyway.
        IgnoringErrors([&] {
            switch (c.kind()) {
                case ControlKind::TextBox: {
                    auto& t = static_cast<TextBox&>(c);
                    if (t.text() != was.text) t.SetText(was.text);
                    break;
                }
                case ControlKind::CheckBox: {
                    auto& b = static_cast<CheckBox&>(c);
                    if (b.checked() != was.state) b.SetChecked(was.state);
                    break;
                }
                case ControlKind::OptionButton: {
                    auto& b = static_cast<OptionButton&>(c);
                    if (was.state && !b.selected()) b.Select();
                    break;
                }
                case ControlKind::ComboBox: {
                    auto& b = static_cast<ComboBox&>(c);
                    if (b.listIndex() != was.listIndex && was.listIndex >= 0 &&
                        was.listIndex < static_cast<int>(b.list.size()))
                        b.Select(was.listIndex);
                    break;
                }
                default:
                    break;
            }
        });
    }
    return RestoreForm(form, state);
}

}  // namespace talvex
