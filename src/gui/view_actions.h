#pragma once

#include <string>

class QWidget;

namespace talvex {
class Control;
class TextBox;
class ComboBox;
class Form;
}  // namespace talvex

namespace talvex::gui {

// What a view may ask of the program: the user's own edits, clicks, picks and window events. The
// main window forwards them to the workbench (reporting any error) and refreshes what changed.
class ViewActions {
  public:
    virtual ~ViewActions() = default;
    virtual void Type(TextBox& box, const std::string& text) = 0;
    virtual void Click(Control& control) = 0;
    virtual void Choose(ComboBox& combo, const std::string& entry) = 0;
    virtual void Close(Form& form) = 0;
    // The dialog's Cancel (Esc): back to its entries as shown, then hidden.
    virtual void Cancel(Form& form) = 0;
    // A dialog's window came to the front, by the user or (`requested`) because the program asked
    // the window system for it; whether that runs its activation is the receiver's call.
    virtual void WindowActivated(QWidget& window, Form& form, bool requested) = 0;
};

}  // namespace talvex::gui
