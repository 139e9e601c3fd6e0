// One QApplication for all GUI tests, on the offscreen platform, in a home folder of its
// own so that no test touches the user's settings or documents.
#include "support/TempHome.h"

#include <QApplication>

#include <gmock/gmock.h>

#include <cstdlib>

int main(int argc, char** argv) {
    TempHome home("hymnaro-app");
    home.SetEnvironment("XDG_CONFIG_HOME", (home.Home() / ".config").string());
    home.SetEnvironment("XDG_DATA_HOME", (home.Home() / ".local/share").string());
    // Listing the tests at build time happens without the test environment.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    QApplication application(argc, argv);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
