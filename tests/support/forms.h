#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "dialogs/controls.h"

namespace talvex::testing {

// What a user sees of the named controls of `form` ("CheckGrid YmaxText optTech(5)"), joined by
// " | ": the caption; "=text" for text and combo boxes, " on"/" off" for check and option boxes;
// " [tooltip]" when there is one; then the flags: " hidden" when not on screen (itself or a frame
// around it hidden), " disabled", " locked", and " no caption" for a text box whose label is
// hidden. "name?" for a name the form does not have.
std::string Describe(const Form& form, const std::string& names);

// The same for the flags alone, each control named: "V hidden | TextF | tp locked".
std::string Shown(const Form& form, const std::string& names);

// Types into text boxes of `form` as a user does, in order, each entry "name=text" ("Estep=-0.002",
// "V=" empties the box). False when a name is not a text box of the form or the box refuses.
bool TypeInto(Form& form, std::initializer_list<std::string_view> entries);

}  // namespace talvex::testing
