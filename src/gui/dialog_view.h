#pragma once

#include <QDialog>

class QPushButton;

#include "gui/control_binder.h"

namespace talvex {
class Form;
}

namespace talvex::gui {

class ViewActions;

// A parameter dialog as a modeless window: its widgets are bound to the controls of one dialog
// class and laid out for it (dialog_layouts.h). Closing it only hides it, through the dialog
// class, so it keeps its entries; Cancel (and Esc) takes them back to what they were when it was
// shown; its coming to the front is reported as the dialog's activation.
class DialogView : public QDialog {
  public:
    DialogView(Form& form, ViewActions& actions, QWidget* parent);

    Form& form() const { return form_; }
    ControlBinder& binder() { return binder_; }
    const ControlBinder& binder() const { return binder_; }

    // Copies the dialog class into the widgets, the title and the window's visibility.
    void Refresh();
    // Shows the window on top and gives it the focus (the dialog class was just activated).
    void BringToFront();
    // The Cancel button beside OK, made by the layout where it places it.
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* MakeCancelButton();
    // Remembers where the window is (QSettings), for the next time it opens, in this run or the next.
    void RememberPlace();
    // Another window came to the front since this one asked to: that request will not be answered.
    void ForgetActivationRequest() { activationRequested_ = false; }

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;

  private:
    Form& form_;
    ViewActions& actions_;
    ControlBinder binder_;
    QPushButton* cancel_ = nullptr;
    // The window system answers a request to activate the window some time later; that answer is
    // no activation by the user.
    bool activationRequested_ = false;
    bool placed_ = false;
};

}  // namespace talvex::gui
