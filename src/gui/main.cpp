// talvex: the desktop workbench "Electrochemical simulation".
#include <QTimer>

#include "gui/main_window.h"
#include "gui/plot_widget.h"
#include "gui/talvex_application.h"

int main(int argc, char** argv) {
    talvex::gui::TalvexApplication app(argc, argv);
    talvex::gui::MainWindow window;
    app.reportError = [&window](const std::string& text) { window.platform().MessageBox(text); };
    // The start-up benchmark times the program from its start to its first painted window.
    if (qEnvironmentVariableIsSet("TALVEX_QUIT_AFTER_FIRST_PAINT"))
        window.plot().onPainted = [] { QTimer::singleShot(0, qApp, &QCoreApplication::quit); };
    window.show();
    // Work a program left when it did not end properly is offered back once the window is up.
    QTimer::singleShot(0, &window, [&window] { window.OfferRecovery(); });
    return app.exec();
}
