#include "runtime/TemporaryFiles.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr const char* kMarker = ".tmp-";

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The writer's process of a name "BASE.tmp-PID-N", 0 when the name is not one.
pid_t WriterOf(const std::string& name, const std::string& base) {
    const std::string prefix = base + kMarker;
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return 0;
    const std::string rest = name.substr(prefix.size());
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || dash + 1 == rest.size()) return 0;
    for (std::size_t i = 0; i < rest.size(); ++i)
        if (i != dash && (rest[i] < '0' || rest[i] > '9')) return 0;
    const long pid = std::strtol(rest.substr(0, dash).c_str(), nullptr, 10);
    return pid > 0 ? pid_t(pid) : 0;
}
} // namespace

bool IsProcessRunning(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

int CreateTemporaryFile(const std::string& target, mode_t mode, std::string& path) {
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = target + kMarker + std::to_string(::getpid()) + "-" +
               std::to_string(serial.fetch_add(1));
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                              mode);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return -1;
        }
        // A fresh file: nobody else can hold it, the lock is taken at once.
        (void)::flock(fd, LOCK_EX);
        return fd;
    }
    errno = EEXIST;
    return -1;
}

int RemoveStaleTemporaryFiles(const std::string& target) {
    const std::string base = NameOf(target);
    DIR* folder = ::opendir(FolderOf(target).c_str());
    if (!folder) return 0;
    const int folderFd = ::dirfd(folder);
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(folder)) {
        const pid_t writer = WriterOf(entry->d_name, base);
        if (writer != 0 && writer != ::getpid() && !IsProcessRunning(writer))
            stale.emplace_back(entry->d_name);
    }
    int removed = 0;
    for (const std::string& name : stale) {
        // A process of that number in another namespace may still be writing it: it holds
        // the lock then.
        const int fd = ::openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK |
                                                            O_CLOEXEC);
        if (fd < 0) continue;
        struct stat info {}, now {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(folderFd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
            now.st_ino == info.st_ino && now.st_dev == info.st_dev &&
            ::unlinkat(folderFd, name.c_str(), 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(folder);
    return removed;
}
