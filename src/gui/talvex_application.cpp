#include "gui/talvex_application.h"

#include <QMessageBox>
#include <QMetaObject>
#include <exception>

#include "core/run_error.h"
#include "gui/qt_text.h"

namespace talvex::gui {

TalvexApplication::TalvexApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(QStringLiteral("Talvex"));
    setApplicationName(QStringLiteral("Talvex"));
    setApplicationDisplayName(QStringLiteral("Electrochemical simulation"));
}

bool TalvexApplication::notify(QObject* receiver, QEvent* event) {
    std::string text;
    try {
        return QApplication::notify(receiver, event);
    } catch (const RunError& e) {
        text = e.description();
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
        text = "unknown error";
    }
    // Not from inside the failed event (it may have been a paint): report when it has been left.
    QMetaObject::invokeMethod(
        this, [this, text] { Report(text); }, Qt::QueuedConnection);
    return false;
}

void TalvexApplication::Report(const std::string& text) {
    const std::string message = "Unexpected error: " + text;
    if (reportError) {
        reportError(message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, applicationDisplayName(), Q(message), QMessageBox::Ok, activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace talvex::gui
