#include "support/forms.h"

#include <sstream>

namespace talvex::testing {
namespace {

std::string Flags(const Control& c) {
    std::string s;
    if (!c.ShownOnScreen()) s += " hidden";
    if (!c.enabled) s += " disabled";
    if (c.locked) s += " locked";
    if (c.kind() == ControlKind::TextBox && !static_cast<const TextBox&>(c).captionVisible)
        s += " no caption";
    return s;
}

std::string Looks(const Control& c) {
    const auto onOff = [](bool on) { return on ? " on" : " off"; };
    std::string s;
    switch (c.kind()) {
        case ControlKind::TextBox: {
            const auto& t = static_cast<const TextBox&>(c);
            s = t.caption + "=" + t.text();
            break;
        }
        case ControlKind::Label:
            s = static_cast<const Label&>(c).caption();
            break;
        case ControlKind::CheckBox: {
            const auto& b = static_cast<const CheckBox&>(c);
            s = b.caption + onOff(b.checked());
            break;
        }
        case ControlKind::OptionButton: {
            const auto& b = static_cast<const OptionButton&>(c);
            s = b.caption + onOff(b.selected());
            break;
        }
        case ControlKind::ComboBox: {
            const auto& b = static_cast<const ComboBox&>(c);
            s = b.caption + "=" + b.text();
            break;
        }
        case ControlKind::Frame:
            s = static_cast<const Frame&>(c).caption;
            break;
        case ControlKind::CommandButton:
            s = static_cast<const CommandButton&>(c).caption;
            break;
    }
    if (!c.tooltip.empty()) s += " [" + c.tooltip + "]";
    return s + Flags(c);
}

template <typename F>
std::string Join(const Form& form, const std::string& names, F&& describe) {
    std::istringstream in(names);
    std::string out, name;
    for (bool first = true; in >> name; first = false) {
        const Control* c = form.FindByFullName(name);
        out.append(first ? "" : " | ").append(c ? describe(*c) : name + "?");
    }
    return out;
}

}  // namespace

std::string Describe(const Form& form, const std::string& names) {
    return Join(form, names, Looks);
}

std::string Shown(const Form& form, const std::string& names) {
    return Join(form, names, [](const Control& c) { return c.FullName() + Flags(c); });
}

bool TypeInto(Form& form, std::initializer_list<std::string_view> entries) {
    for (const std::string_view entry : entries) {
        const auto equals = entry.find('=');
        Control* c = form.FindByFullName(entry.substr(0, equals));
        if (equals == std::string_view::npos || !c || c->kind() != ControlKind::TextBox ||
            !static_cast<TextBox*>(c)->Type(std::string(entry.substr(equals + 1))))
            return false;
    }
    return true;
}

}  // namespace talvex::testing
