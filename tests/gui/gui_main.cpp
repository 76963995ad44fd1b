// The desktop application's tests: one application object for the whole run, offscreen unless the
// environment names a platform (CI runs them once more on a real X server).
#include <gtest/gtest.h>

#include <QtGlobal>

#include "gui/talvex_application.h"

namespace {
// The offscreen platform says what it cannot do (raise, setParent...) at every window; only the
// rest is worth reading.
void QuietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QStringLiteral("This plugin does not support"))) return;
    qt_message_output(type, context, message);
}
}  // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(QuietOffscreen);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    talvex::gui::TalvexApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
