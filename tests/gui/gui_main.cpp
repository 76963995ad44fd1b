// The desktop application's tests: one application object for the whole run, offscreen unless the
// environment names a platform (CI runs them once more on a real X server). QT_SCALE_FACTOR runs
// them on a high-resolution screen; --dark-palette under a dark desktop theme.
#include <gtest/gtest.h>

#include <QStyleFactory>
#include <QtGlobal>
#include <cstring>

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
    talvex::gui::TalvexApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dark-palette") != 0) continue;
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(talvex::gui::testing::DarkPalette());
    }
    return RUN_ALL_TESTS();
}
