#pragma once

#include <string>
#include <vector>

#include "dialogs/controls.h"

namespace talvex {

// What one control shows, as a value: its text or caption, checked or selected state, selected
// entry, and the flags visible, enabled, locked and (a text box's label) caption visible. Taken
// before a change and put back, it returns the control to exactly what it was.
struct ControlState {
    std::string text;     // a text box's text, a label's caption
    std::string caption;  // the caption beside a text box, of a check box, option button, combo box, frame or button
    int listIndex = -1;   // a combo box's entry
    bool state = false;   // checked, selected
    bool visible = true, enabled = true, locked = false, captionVisible = true;
    bool operator==(const ControlState&) const = default;
};

// Every control of one dialog, in the dialog's own order.
struct FormState {
    std::vector<ControlState> controls;
    bool operator==(const FormState&) const = default;
};

ControlState CaptureControl(const Control& control);
// Puts a state back without firing the control's handlers (they could rewrite a value put back
// before them); a combo box entry it does not have selects nothing.
void RestoreControl(Control& control, const ControlState& state);

FormState CaptureForm(const Form& form);
// Every control of the form as the state says; a state of another length (another dialog) changes
// nothing and returns false.
bool RestoreForm(Form& form, const FormState& state);

// Takes a dialog back to a state as a user would: each entry that differs is typed, clicked or
// picked back, so that its handlers tell the other dialogs, then every control is put back exactly.
bool RevertForm(Form& form, const FormState& state);

}  // namespace talvex
