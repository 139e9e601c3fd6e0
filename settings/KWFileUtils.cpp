#include "settings/KWFileUtils.h"

#include "runtime/Exception.h"
#include "runtime/TextConvert.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr char16_t kSeparator = u'/';

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = EnvironmentValue("HOME");
    if (!home.empty()) return home;
    // A session without HOME (started by a service manager) still has a password entry.
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return {};
}

std::string ConfigHome() {
    // The base-directory rules ignore a relative value.
    std::string config = EnvironmentValue("XDG_CONFIG_HOME");
    if (!config.empty() && config.front() == '/') return config;
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.config";
}

// The value of XDG_DOCUMENTS_DIR in user-dirs.dirs: "$HOME/..." or an absolute path in double
// quotes, with backslash escapes. "" when the file or the entry is missing or malformed.
std::string UserDocumentsDir(const std::string& configHome, const std::string& home) {
    if (configHome.empty()) return {};
    std::ifstream file(configHome + "/user-dirs.dirs");
    std::string line;
    std::string found;
    while (std::getline(file, line)) {
        std::size_t i = line.find_first_not_of(" \t");
        if (i == std::string::npos || line[i] == '#') continue;
        constexpr std::string_view key = "XDG_DOCUMENTS_DIR";
        if (line.compare(i, key.size(), key) != 0) continue;
        i = line.find_first_not_of(" \t", i + key.size());
        if (i == std::string::npos || line[i] != '=') continue;
        i = line.find_first_not_of(" \t", i + 1);
        if (i == std::string::npos || line[i] != '"') continue;
        ++i;
        std::string value;
        if (line.compare(i, 5, "$HOME") == 0 &&
            (i + 5 >= line.size() || line[i + 5] == '/' || line[i + 5] == '"')) {
            if (home.empty()) continue;
            value = home;
            i += 5;
        } else if (i >= line.size() || line[i] != '/') {
            continue;
        }
        bool closed = false;
        for (; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                value += line[++i];
            } else if (line[i] == '"') {
                closed = true;
                break;
            } else {
                value += line[i];
            }
        }
        if (closed) found = value; // the last entry wins, as when the file is sourced
    }
    return found;
}

bool StatPath(const WideString& path, struct stat& info) {
    std::string systemPath;
    if (path.empty() || !PathToSystem(path, systemPath)) return false;
    return ::stat(systemPath.c_str(), &info) == 0;
}
} // namespace

bool PathToSystem(const WideString& path, std::string& systemPath) {
    // A NUL would end the name early, and a lone surrogate would become another character:
    // either way a system call would reach a file other than the one named.
    if (path.find(u'\0') != WideString::npos || !IsWellFormedUtf16(path)) return false;
    systemPath = Utf16ToUtf8(path);
    return true;
}

WideString SpecialFolderPath(int folderId) {
    std::string folder;
    switch (folderId) {
    case CSIDL_APPDATA:
        folder = ConfigHome();
        break;
    case CSIDL_PERSONAL: {
        const std::string home = HomeFolder();
        folder = UserDocumentsDir(ConfigHome(), home);
        if (folder.empty() && !home.empty()) folder = home + "/Documents";
        break;
    }
    default:
        break;
    }
    if (folder.empty()) return {};
    // Taken as UTF-16 from the file system's UTF-8 with no length limit, so a folder such as
    // ~/Документы or a home folder named outside any 8-bit code page stays intact.
    return WithTrailingBackslash(Utf8ToUtf16(folder));
}

WideString AppDataFolder() {
    return SpecialFolderPath(CSIDL_APPDATA);
}

WideString PersonalFolder() {
    return SpecialFolderPath(CSIDL_PERSONAL);
}

bool CreateFolderPath(const WideString& folder) {
    int error = 0;
    return CreateFolderPath(folder, error);
}

bool CreateFolderPath(const WideString& folder, int& error) {
    error = 0;
    if (folder.empty()) throw Exception("Unable to create directory");
    // A run of separators names one separator, so every trailing one goes; the root "/"
    // thereby becomes "" and ends the recursion like an existing folder.
    WideString path = folder;
    while (!path.empty() && path.back() == kSeparator)
        path.pop_back();
    if (path.empty() || IsExistingFolder(path)) return true;
    const WideString parent = FolderOfPath(path);
    // A relative path ends at its first component, which has no parent to create.
    if (!parent.empty() && !CreateFolderPath(parent, error)) return false;
    std::string systemPath;
    if (!PathToSystem(path, systemPath)) {
        error = EINVAL;
        return false;
    }
    if (::mkdir(systemPath.c_str(), 0777) == 0) return true;
    error = errno;
    // Someone else may have created it in the meantime; a file of that name is a failure.
    if (error == EEXIST && IsExistingFolder(path)) {
        error = 0;
        return true;
    }
    return false;
}

WideString FolderOfPath(const WideString& path) {
    const std::size_t last = path.rfind(kSeparator);
    return last == WideString::npos ? WideString() : path.substr(0, last + 1);
}

WideString WithTrailingBackslash(const WideString& path) {
    if (!path.empty() && path.back() == kSeparator) return path;
    return path + kSeparator;
}

WideString WithoutTrailingBackslash(const WideString& path) {
    if (!path.empty() && path.back() == kSeparator) return path.substr(0, path.size() - 1);
    return path;
}

WideString ExpandFileName(const WideString& path) {
    if (!path.empty() && path.front() == kSeparator) return path;
    char* current = ::getcwd(nullptr, 0);
    if (!current) return path;
    WideString expanded = WithTrailingBackslash(Utf8ToUtf16(current)) + path;
    std::free(current);
    return expanded;
}

bool IsExistingFile(const WideString& path) {
    struct stat info {};
    return StatPath(path, info) && !S_ISDIR(info.st_mode);
}

bool IsExistingFolder(const WideString& path) {
    struct stat info {};
    return StatPath(path, info) && S_ISDIR(info.st_mode);
}

bool IsMissingPath(const WideString& path) {
    std::string systemPath;
    if (path.empty() || !PathToSystem(path, systemPath)) return true;
    struct stat info {};
    if (::stat(systemPath.c_str(), &info) == 0) return false;
    return errno == ENOENT || errno == ENOTDIR;
}
