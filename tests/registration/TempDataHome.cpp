#include "TempDataHome.h"

#include "runtime/Registry.h"

#include <filesystem>
#include <fstream>
#include <sstream>

TempDataHome::TempDataHome() : root_(home_.Root().string()) {
    home_.SetEnvironment("XDG_DATA_HOME", root_ + "/data");
}

std::string TempDataHome::RegistryFile() const {
    return RegistryFilePath();
}

void TempDataHome::MakeUnwritable() {
    WriteFileText(root_ + "/plain-file", "not a folder");
    home_.SetEnvironment("XDG_DATA_HOME", root_ + "/plain-file/data");
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFileText(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

bool FileExists(const std::string& path) {
    return std::filesystem::exists(path);
}
