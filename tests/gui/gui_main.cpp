// The desktop application's tests: one application object for the whole run, offscreen unless the
// environment names a platform (CI runs them once more on a real X server).
#include <gtest/gtest.h>

#include "gui/talvex_application.h"

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    talvex::gui::TalvexApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
