#include "gui/dialog_view.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QSettings>

#include "dialogs/controls.h"
#include "gui/dialog_layouts.h"
#include "gui/qt_text.h"
#include "gui/view_actions.h"

namespace talvex::gui {

DialogView::DialogView(Form& form, ViewActions& actions, QWidget* parent)
    : QDialog(parent), form_(form), actions_(actions), binder_(actions) {
    setObjectName(Q(form.name()));
    setModal(false);
    setSizeGripEnabled(false);
    BuildDialogLayout(*this);
    Refresh();
}

QPushButton* DialogView::MakeCancelButton() {
    cancel_ = new QPushButton(QStringLiteral("Cancel"));
    cancel_->setObjectName(Q(form_.name()) + QStringLiteral(".Cancel"));
    cancel_->setAutoDefault(false);
    cancel_->setToolTip(QStringLiteral("Back to the entries the dialog had when it was opened (Esc)"));
    connect(cancel_, &QPushButton::clicked, this, &DialogView::reject);
    return cancel_;
}

void DialogView::Refresh() {
    binder_.Refresh();
    setWindowTitle(Q(form_.caption));
    if (form_.visible() != isVisible()) setVisible(form_.visible());
}

void DialogView::BringToFront() {
    if (!isVisible()) show();
    if (isMinimized()) showNormal();
    raise();
    if (!isActiveWindow()) {
        activationRequested_ = true;
        activateWindow();
    }
}

bool DialogView::event(QEvent* event) {
    // A late answer for a window hidden meanwhile is no activation at all.
    if (event->type() == QEvent::WindowActivate && isVisible()) {
        const bool requested = activationRequested_;
        activationRequested_ = false;
        actions_.WindowActivated(*this, form_, requested);
    }
    return QDialog::event(event);
}

void DialogView::hideEvent(QHideEvent* event) {
    activationRequested_ = false;
    RememberPlace();
    QDialog::hideEvent(event);
}

namespace {
QString PlaceKey(const Form& form) {
    return QStringLiteral("dialogs/") + Q(form.name()) + QStringLiteral("/pos");
}
}  // namespace

void DialogView::RememberPlace() {
    if (placed_) QSettings().setValue(PlaceKey(form_), pos());
}

void DialogView::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (placed_) return;
    placed_ = true;
    // Where the user last left it, as long as that is still on a screen.
    const QVariant saved = QSettings().value(PlaceKey(form_));
    if (!saved.isValid()) return;
    const QPoint at = saved.toPoint();
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().contains(at)) {
            move(at);
            return;
        }
}

void DialogView::closeEvent(QCloseEvent* event) {
    // The dialog class decides; it hides, and the refresh that follows hides the window.
    event->ignore();
    actions_.Close(form_);
}

void DialogView::reject() {
    // Esc and the Cancel button: the entries as they were when the dialog was shown.
    actions_.Cancel(form_);
}

}  // namespace talvex::gui
