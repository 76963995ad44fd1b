#include "support/forms.h"

#include <sstream>

namespace talvex::testing {
namespace {

std::string Flags(const Control& c) {
    const auto* box = dynamic_cast<const TextBox*>(&c);
    return std::string(c.ShownOnScreen() ? "" : " hidden") + (c.enabled ? "" : " disabled") +
           (c.locked ? " locked" : "") + (box && !box->captionVisible ? " no caption" : "");
}

std::string Looks(const Control& c) {
    const auto onOff = [](bool on) { return on ? " on" : " off"; };
    std::string s;
    if (const auto* t = dynamic_cast<const TextBox*>(&c)) s = t->caption + "=" + t->text();
    if (const auto* l = dynamic_cast<const Label*>(&c)) s = l->caption();
    if (const auto* b = dynamic_cast<const CheckBox*>(&c)) s = b->caption + onOff(b->checked());
    if (const auto* o = dynamic_cast<const OptionButton*>(&c)) s = o->caption + onOff(o->selected());
    if (const auto* x = dynamic_cast<const ComboBox*>(&c)) s = x->caption + "=" + x->text();
    if (const auto* f = dynamic_cast<const Frame*>(&c)) s = f->caption;
    if (const auto* k = dynamic_cast<const CommandButton*>(&c)) s = k->caption;
    return s + (c.tooltip.get().empty() ? "" : " [" + c.tooltip + "]") + Flags(c);
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
        auto* box = dynamic_cast<TextBox*>(form.FindByFullName(entry.substr(0, equals)));
        if (equals == std::string_view::npos || !box || !box->Type(std::string(entry.substr(equals + 1)))) return false;
    }
    return true;
}

}  // namespace talvex::testing
