// The desktop application's tests: one application object for the whole run, offscreen unless the
// environment names a platform (CI runs them once more on a real X server). QT_SCALE_FACTOR runs
// them on a high-resolution screen; --dark-palette under a dark desktop theme.
#include <gtest/gtest.h>

#include <QStyleFactory>
#include <QTemporaryDir>
#include <QtGlobal>
#include <cstring>
#include <memory>

#include "gui/talvex_application.h"
#include "gui_fixture.h"

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
    // Settings, recent files and recovery copies go to a folder of this run (and of the programs it
    // starts), never to the user's own.
    std::unique_ptr<QTemporaryDir> home;
    if (!qEnvironmentVariableIsSet("TALVEX_TEST_HOME")) {
        home = std::make_unique<QTemporaryDir>();
        qputenv("TALVEX_TEST_HOME", home->path().toLocal8Bit());
    }
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(variable, qgetenv("TALVEX_TEST_HOME"));
    talvex::gui::TalvexApplication app(argc, argv);
    // A second program started by a test to be watched from outside (killed, or ended).
    if (qEnvironmentVariableIsSet("TALVEX_TEST_CHILD"))
        return talvex::gui::testing::RunChild(qEnvironmentVariable("TALVEX_TEST_CHILD"));
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dark-palette") != 0) continue;
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(talvex::gui::testing::DarkPalette());
    }
    return RUN_ALL_TESTS();
}
