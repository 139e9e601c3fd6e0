#include "TempDataHome.h"

#include "runtime/Registry.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

TempDataHome::TempDataHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "hymnaro-reg-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
    root_ = pattern;
    if (const char* data = std::getenv("XDG_DATA_HOME")) hadData_ = true, oldData_ = data;
    if (const char* home = std::getenv("HOME")) hadHome_ = true, oldHome_ = home;
    ::setenv("XDG_DATA_HOME", (root_ + "/data").c_str(), 1);
    ::setenv("HOME", (root_ + "/home").c_str(), 1);
}

TempDataHome::~TempDataHome() {
    if (hadData_)
        ::setenv("XDG_DATA_HOME", oldData_.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
    if (hadHome_)
        ::setenv("HOME", oldHome_.c_str(), 1);
    else
        ::unsetenv("HOME");
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

std::string TempDataHome::RegistryFile() const {
    return RegistryFilePath();
}

void TempDataHome::MakeUnwritable() {
    WriteFileText(root_ + "/plain-file", "not a folder");
    ::setenv("XDG_DATA_HOME", (root_ + "/plain-file/data").c_str(), 1);
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
