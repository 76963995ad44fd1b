#pragma once

#include <initializer_list>
#include <string_view>

#include "dialogs/controls.h"

namespace talvex::testing {

// Types into text boxes of `form` as a user does, in order, each entry "name=text" ("Estep=-0.002",
// "V=" empties the box). False when a name is not a text box of the form or the box refuses.
bool TypeInto(Form& form, std::initializer_list<std::string_view> entries);

}  // namespace talvex::testing
