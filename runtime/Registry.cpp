#include "runtime/Registry.h"

#include "runtime/RegistryFile.h"
#include "runtime/TemporaryFiles.h"
#include "runtime/TextConvert.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <optional>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {
using KeyPath = RegistryFile::KeyPath;

constexpr ULONG_PTR kClassesRoot = 0x80000000;

// Open key handles and their lock (changes of every process are kept apart by the lock file).
struct State {
    std::mutex lock;
    std::unordered_map<ULONG_PTR, KeyPath> handles;
    ULONG_PTR nextHandle = 0x10;
};

State& TheState() {
    static State* state = new State; // outlives every static destructor that may close a key
    return *state;
}

// The file descriptor of an open file, closed when it leaves scope.
class FileHandle {
public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

std::string DataFolder() {
    // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/') return data;
    const char* home = std::getenv("HOME");
    std::string homeFolder = home && home[0] ? home : "";
    if (homeFolder.empty()) {
        passwd entry{};
        passwd* found = nullptr;
        char buffer[4096];
        if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found)
            homeFolder = found->pw_dir;
    }
    return homeFolder + "/.local/share";
}

std::string FolderOf(const std::string& path) {
    return path.substr(0, path.find_last_of('/'));
}

bool MakeFolders(const std::string& folder) {
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/') continue;
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The largest registry file read. It holds a few class registrations, some kilobytes; the
// limit keeps every caller quick and small whatever file lies in its place.
constexpr off_t kMaxRegistryFileSize = 4 << 20;

// Reads the registry; a missing file (or folder) is an empty registry. Anything but a regular
// file is refused without waiting for it (a named pipe would block the open, a device would
// never end) and is never replaced: the caller reports the registry unreadable.
LSTATUS Load(const std::string& path, RegistryFile& file) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return ERROR_CANTREAD;
    FileHandle fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            file = RegistryFile();
            return ERROR_SUCCESS;
        }
        return ERROR_CANTREAD;
    }
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return ERROR_CANTREAD;
    if (info.st_size > kMaxRegistryFileSize) return ERROR_BADDB;
    std::string text;
    text.reserve(std::size_t(info.st_size));
    char buffer[16384];
    while (true) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return ERROR_CANTREAD;
        if (n == 0) break;
        // A file that grows while it is read is bounded all the same.
        if (text.size() + std::size_t(n) > std::size_t(kMaxRegistryFileSize)) return ERROR_BADDB;
        text.append(buffer, std::size_t(n));
    }
    auto parsed = RegistryFile::Parse(text);
    if (!parsed) return ERROR_BADDB;
    file = std::move(*parsed);
    return ERROR_SUCCESS;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    return true;
}

// Replaces the file in one step: a reader sees the old text or the new, never a part.
LSTATUS Save(const std::string& path, const RegistryFile& file) {
    std::string temp;
    FileHandle fd(CreateTemporaryFile(path, 0644, temp));
    if (fd.get() < 0) return ERROR_CANTWRITE;
    const bool written = ::fchmod(fd.get(), 0644) == 0 && WriteAll(fd.get(), file.Serialize()) &&
                         ::fsync(fd.get()) == 0 && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!written) {
        ::unlink(temp.c_str());
        return ERROR_CANTWRITE;
    }
    // The rename itself reaches the disk with the folder.
    FileHandle folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) (void)::fsync(folder.get());
    return ERROR_SUCCESS;
}

// Under the lock no save runs: what saves of killed writers left is removed. (Earlier
// versions named their new file "registry.reg.XXXXXX"; such a name cannot be told from a file
// of the user's, so those are left alone.)
void RemoveLeftovers(const std::string& path) {
    (void)RemoveStaleTemporaryFiles(path);
}

// The lock file that keeps the writers of every process apart, taken (waiting for it unless
// told not to); -1 when it cannot be had.
int TakeLock(const std::string& path, bool wait) {
    FileHandle lock(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC,
                           0644));
    if (lock.get() < 0) return -1;
    while (::flock(lock.get(), LOCK_EX | (wait ? 0 : LOCK_NB)) != 0)
        if (errno != EINTR) return -1;
    return lock.release();
}

// The changes of one transaction of this thread (RegistryTransaction), held until it commits.
struct Pending {
    std::string path;
    FileHandle lock{-1};
    RegistryFile file;
    bool changed = false;
};
thread_local Pending* pending = nullptr;

// Runs a reading step on the registry as it is now.
template <class Step>
LSTATUS Read(Step step) {
    if (pending) return step(std::as_const(pending->file));
    RegistryFile file;
    if (const LSTATUS status = Load(RegistryFilePath(), file); status != ERROR_SUCCESS)
        return status;
    return step(file);
}

// Runs a changing step on the registry and stores the result when the step changed anything
// (inside a transaction, when it commits). The step answers its status and sets changed.
template <class Step>
LSTATUS Write(Step step) {
    if (pending) {
        bool changed = false;
        const LSTATUS status = step(pending->file, changed);
        if (status == ERROR_SUCCESS && changed) pending->changed = true;
        return status;
    }
    const std::string path = RegistryFilePath();
    if (!MakeFolders(FolderOf(path))) return ERROR_CANTWRITE;
    FileHandle lock(TakeLock(path, true));
    if (lock.get() < 0) return ERROR_CANTWRITE;
    RemoveLeftovers(path);
    RegistryFile file;
    if (const LSTATUS status = Load(path, file); status != ERROR_SUCCESS) return status;
    bool changed = false;
    const LSTATUS status = step(file, changed);
    if (status != ERROR_SUCCESS || !changed) return status;
    return Save(path, file);
}

// The key a handle names.
std::optional<KeyPath> PathOf(HKEY key) {
    const auto id = reinterpret_cast<ULONG_PTR>(key);
    if (id == kClassesRoot) return KeyPath{u"HKEY_CLASSES_ROOT"};
    State& state = TheState();
    std::lock_guard guard(state.lock);
    const auto it = state.handles.find(id);
    if (it == state.handles.end()) return std::nullopt;
    return it->second;
}

HKEY NewHandle(KeyPath path) {
    State& state = TheState();
    std::lock_guard guard(state.lock);
    const ULONG_PTR id = state.nextHandle;
    state.nextHandle += 0x10;
    state.handles.emplace(id, std::move(path));
    return reinterpret_cast<HKEY>(id);
}

bool ValidName(const WideString& name) {
    for (const char16_t c : name)
        if (c < 0x20) return false;
    return IsWellFormedUtf16(name);
}

// The key below base that subKey names; the status tells why there is none.
LSTATUS Resolve(HKEY base, LPCWSTR subKey, KeyPath& path) {
    const auto basePath = PathOf(base);
    if (!basePath) return ERROR_INVALID_HANDLE;
    path = *basePath;
    if (!subKey || !*subKey) return ERROR_SUCCESS;
    const std::u16string_view names(subKey);
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = names.find(u'\\', start);
        WideString part(names.substr(start, slash - start));
        if (part.empty()) return ERROR_BAD_PATHNAME;
        if (!ValidName(part)) return ERROR_INVALID_PARAMETER;
        path.push_back(std::move(part));
        if (slash == std::u16string_view::npos) return ERROR_SUCCESS;
        start = slash + 1;
    }
}

LSTATUS ValueName(LPCWSTR valueName, WideString& name) {
    name = valueName ? WideString(valueName) : WideString();
    return ValidName(name) ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}
} // namespace

std::string RegistryFilePath() {
    return DataFolder() + "/Hymnaro/registry.reg";
}

RegistryTransaction::RegistryTransaction() {
    if (pending) return; // part of the one begun before
    const std::string path = RegistryFilePath();
    // Without the file's lock, or the file, each call goes on its own and fails as it would.
    if (!MakeFolders(FolderOf(path))) return;
    auto own = std::make_unique<Pending>();
    own->path = path;
    own->lock.reset(TakeLock(path, true));
    if (own->lock.get() < 0 || Load(path, own->file) != ERROR_SUCCESS) return;
    RemoveLeftovers(path);
    pending = own.release();
    owner_ = true;
}

RegistryTransaction::~RegistryTransaction() {
    if (!owner_) return;
    delete std::exchange(pending, nullptr); // dropped unsaved; the lock goes with it
}

LSTATUS RegistryTransaction::Commit() {
    if (!owner_) return ERROR_SUCCESS;
    owner_ = false;
    std::unique_ptr<Pending> own(std::exchange(pending, nullptr));
    return own->changed ? Save(own->path, own->file) : ERROR_SUCCESS;
}

void RemoveStaleRegistryFiles() {
    const std::string path = RegistryFilePath();
    // A writer at work removes them itself once it is done.
    FileHandle lock(TakeLock(path, false));
    if (lock.get() >= 0) RemoveLeftovers(path);
}

LSTATUS RegCreateKeyW(HKEY key, LPCWSTR subKey, PHKEY result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    KeyPath path;
    if (const LSTATUS status = Resolve(key, subKey, path); status != ERROR_SUCCESS) return status;
    const auto basePath = PathOf(key);
    const LSTATUS status = Write([&](RegistryFile& file, bool& changed) {
        if (!file.Exists(*basePath)) return ERROR_KEY_DELETED;
        if (!file.Find(path) && path.size() > 1) {
            (void)file.Create(path);
            changed = true;
        }
        return ERROR_SUCCESS;
    });
    if (status == ERROR_SUCCESS) *result = NewHandle(std::move(path));
    return status;
}

LSTATUS RegOpenKeyW(HKEY key, LPCWSTR subKey, PHKEY result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    KeyPath path;
    if (const LSTATUS status = Resolve(key, subKey, path); status != ERROR_SUCCESS) return status;
    const LSTATUS status = Read([&](const RegistryFile& file) {
        return file.Exists(path) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
    if (status == ERROR_SUCCESS) *result = NewHandle(std::move(path));
    return status;
}

LSTATUS RegCloseKey(HKEY key) {
    const auto id = reinterpret_cast<ULONG_PTR>(key);
    if (id == kClassesRoot) return ERROR_SUCCESS;
    State& state = TheState();
    std::lock_guard guard(state.lock);
    return state.handles.erase(id) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data,
                       DWORD dataSize) {
    KeyPath path;
    if (const LSTATUS status = Resolve(key, nullptr, path); status != ERROR_SUCCESS) return status;
    RegistryFile::Value value;
    if (const LSTATUS status = ValueName(valueName, value.name); status != ERROR_SUCCESS)
        return status;
    if (!data && dataSize != 0) return ERROR_INVALID_PARAMETER;
    value.type = type;
    if (dataSize != 0) value.data.assign(data, data + dataSize);
    return Write([&](RegistryFile& file, bool& changed) {
        if (!file.Exists(path)) return ERROR_KEY_DELETED;
        changed = RegistryFile::SetValue(file.Create(path), std::move(value));
        return ERROR_SUCCESS;
    });
}

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, DWORD*, DWORD* type, BYTE* data,
                         DWORD* dataSize) {
    if (data && !dataSize) return ERROR_INVALID_PARAMETER;
    KeyPath path;
    if (const LSTATUS status = Resolve(key, nullptr, path); status != ERROR_SUCCESS) return status;
    WideString name;
    if (const LSTATUS status = ValueName(valueName, name); status != ERROR_SUCCESS) return status;
    return Read([&](const RegistryFile& file) {
        if (!file.Exists(path)) return ERROR_KEY_DELETED;
        const RegistryFile::Key* found = file.Find(path);
        const RegistryFile::Value* value = found ? RegistryFile::FindValue(*found, name) : nullptr;
        if (!value) return ERROR_FILE_NOT_FOUND;
        if (type) *type = value->type;
        if (!dataSize) return ERROR_SUCCESS;
        const auto size = DWORD(value->data.size());
        const DWORD room = *dataSize;
        *dataSize = size;
        if (!data) return ERROR_SUCCESS;
        if (room < size) return ERROR_MORE_DATA;
        if (size != 0) std::memcpy(data, value->data.data(), size);
        return ERROR_SUCCESS;
    });
}

LSTATUS RegDeleteValueW(HKEY key, LPCWSTR valueName) {
    KeyPath path;
    if (const LSTATUS status = Resolve(key, nullptr, path); status != ERROR_SUCCESS) return status;
    WideString name;
    if (const LSTATUS status = ValueName(valueName, name); status != ERROR_SUCCESS) return status;
    return Write([&](RegistryFile& file, bool& changed) {
        if (!file.Exists(path)) return ERROR_KEY_DELETED;
        RegistryFile::Key* found = file.Find(path);
        changed = found && RegistryFile::DeleteValue(*found, name);
        return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
    if (!subKey) return ERROR_INVALID_PARAMETER;
    KeyPath path;
    if (const LSTATUS status = Resolve(key, subKey, path); status != ERROR_SUCCESS) return status;
    if (path.size() == 1) return ERROR_ACCESS_DENIED;
    return Write([&](RegistryFile& file, bool& changed) {
        if (!file.Exists(path)) return ERROR_FILE_NOT_FOUND;
        if (file.HasSubKeys(path)) return ERROR_ACCESS_DENIED;
        file.EraseTree(path);
        changed = true;
        return ERROR_SUCCESS;
    });
}

LSTATUS RegDeleteTreeW(HKEY key, LPCWSTR subKey) {
    KeyPath path;
    if (const LSTATUS status = Resolve(key, subKey, path); status != ERROR_SUCCESS) return status;
    const bool wholeKey = subKey && *subKey;
    if (wholeKey && path.size() == 1) return ERROR_ACCESS_DENIED;
    return Write([&](RegistryFile& file, bool& changed) {
        if (!file.Exists(path)) return wholeKey ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
        if (wholeKey) {
            file.EraseTree(path);
        } else {
            file.EraseSubKeys(path);
            if (RegistryFile::Key* found = file.Find(path)) found->values.clear();
        }
        changed = true;
        return ERROR_SUCCESS;
    });
}

LSTATUS RegSetStringValue(HKEY key, LPCWSTR valueName, const WideString& text) {
    const WideString terminated = text + u'\0';
    return RegSetValueExW(key, valueName, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(terminated.data()),
                          DWORD(terminated.size() * sizeof(WCHAR)));
}

LSTATUS RegSetDwordValue(HKEY key, LPCWSTR valueName, DWORD number) {
    const BYTE data[4] = {BYTE(number), BYTE(number >> 8), BYTE(number >> 16), BYTE(number >> 24)};
    return RegSetValueExW(key, valueName, 0, REG_DWORD, data, sizeof data);
}

LSTATUS RegQueryStringValue(HKEY key, LPCWSTR valueName, WideString& text) {
    text.clear();
    KeyPath path;
    if (const LSTATUS status = Resolve(key, nullptr, path); status != ERROR_SUCCESS) return status;
    WideString name;
    if (const LSTATUS status = ValueName(valueName, name); status != ERROR_SUCCESS) return status;
    // One reading, so that a value changed by another process between asking for its size and
    // reading it cannot be seen half.
    return Read([&](const RegistryFile& file) {
        if (!file.Exists(path)) return ERROR_KEY_DELETED;
        const RegistryFile::Key* found = file.Find(path);
        const RegistryFile::Value* value = found ? RegistryFile::FindValue(*found, name) : nullptr;
        if (!value) return ERROR_FILE_NOT_FOUND;
        if (value->type != REG_SZ && value->type != REG_EXPAND_SZ) return ERROR_UNSUPPORTED_TYPE;
        for (std::size_t i = 0; i + 1 < value->data.size(); i += 2) {
            const auto c = char16_t(value->data[i] | (value->data[i + 1] << 8));
            if (c == 0) break;
            text.push_back(c);
        }
        return ERROR_SUCCESS;
    });
}
