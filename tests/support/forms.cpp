#include "support/forms.h"

#include <string>

namespace talvex::testing {

bool TypeInto(Form& form, std::initializer_list<std::string_view> entries) {
    for (const std::string_view entry : entries) {
        const auto equals = entry.find('=');
        auto* box = dynamic_cast<TextBox*>(form.FindByFullName(entry.substr(0, equals)));
        if (equals == std::string_view::npos || !box || !box->Type(std::string(entry.substr(equals + 1)))) return false;
    }
    return true;
}

}  // namespace talvex::testing
