// One QApplication for all GUI tests, on the offscreen platform, in a home folder of its
// own so that no test touches the user's settings or documents.
#include <QApplication>

#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    std::string home = (std::filesystem::temp_directory_path() / "hymnaro-app-XXXXXX").string();
    if (!mkdtemp(home.data())) return 2;
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    unsetenv("XDG_DOCUMENTS_DIR");
    // Listing the tests at build time happens without the test environment.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    int result = 0;
    {
        QApplication application(argc, argv);
        testing::InitGoogleMock(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return result;
}
