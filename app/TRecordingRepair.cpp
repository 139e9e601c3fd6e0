#include "app/TRecordingRepair.h"

#include "app/TFlacRecordingRepair.h"
#include "app/TOpusRecordingRepair.h"
#include "app/TWavRecordingRepair.h"
#include "runtime/TextConvert.h"
#include "settings/KWFileUtils.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits where the pattern has '9', the character itself elsewhere.
bool FitsPattern(std::string_view text, std::string_view pattern) {
    if (text.size() != pattern.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (pattern[i] == '9' ? !IsDigit(text[i]) : text[i] != pattern[i]) return false;
    return true;
}

// A descriptor closed when it leaves scope.
class TDescriptor {
public:
    explicit TDescriptor(int fd) : FFd(fd) {}
    ~TDescriptor() {
        if (FFd >= 0) ::close(FFd);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int Get() const { return FFd; }

private:
    int FFd;
};
} // namespace

TRecordingRepair::TRecordingRepair() {
    AddFormat(std::make_unique<TWavRecordingRepair>());
    AddFormat(std::make_unique<TFlacRecordingRepair>());
    AddFormat(std::make_unique<TOpusRecordingRepair>());
}

void TRecordingRepair::AddFormat(std::unique_ptr<TRecordingFormatRepair> format) {
    FFormats.push_back(std::move(format));
}

bool TRecordingRepair::IsRecordingName(std::string_view name, std::string_view extension) {
    constexpr std::string_view moment = "9999-99-99 99-99-99";
    if (name.size() < moment.size() + 1 + extension.size() || !name.ends_with(extension) ||
        name[name.size() - extension.size() - 1] != '.')
        return false;
    const std::string_view stem = name.substr(0, name.size() - extension.size() - 1);
    if (!FitsPattern(stem.substr(0, moment.size()), moment)) return false;
    const std::string_view copy = stem.substr(moment.size());
    if (copy.empty()) return true;
    // " (N)": N from 2 on, without leading zeros.
    if (copy.size() < 4 || !copy.starts_with(" (") || !copy.ends_with(')')) return false;
    const std::string_view number = copy.substr(2, copy.size() - 3);
    if (!std::all_of(number.begin(), number.end(), IsDigit) || number.front() == '0') return false;
    return number.size() > 1 || number.front() >= '2';
}

TRecordingRepair::TResult TRecordingRepair::RepairFolder(const WideString& folder) const {
    TResult result;
    std::string path;
    if (folder.empty() || !PathToSystem(folder, path)) return result;
    DIR* listing = ::opendir(path.c_str());
    if (!listing) return result;
    const WideString prefix = WithTrailingBackslash(folder);
    const int folderFd = ::dirfd(listing);
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(listing))
        names.emplace_back(entry->d_name);
    std::sort(names.begin(), names.end());

    for (const std::string& name : names) {
        TRecordingFormatRepair* format = nullptr;
        for (const auto& candidate : FFormats)
            if (IsRecordingName(name, candidate->Extension())) format = candidate.get();
        if (!format) continue;
        // Opened where it lies, never through a link, never waiting for a pipe.
        TDescriptor file(
            ::openat(folderFd, name.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info {};
        if (file.Get() < 0 || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        // A running recorder holds the file it writes.
        if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0) continue;
        const WideString fullName = prefix + Utf8ToUtf16(name);
        int error = 0;
        switch (format->Repair(file.Get(), std::uint64_t(info.st_size), error)) {
        case TRecordingFormatRepair::TOutcome::Repaired:
            result.repaired.push_back(fullName);
            break;
        case TRecordingFormatRepair::TOutcome::NoAudio: {
            // Only while the name still is the file looked at, under the lock.
            struct stat now {};
            if (::fstatat(folderFd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
                now.st_dev == info.st_dev && now.st_ino == info.st_ino &&
                ::unlinkat(folderFd, name.c_str(), 0) == 0)
                result.removed.push_back(fullName);
            break;
        }
        case TRecordingFormatRepair::TOutcome::Exact:
        case TRecordingFormatRepair::TOutcome::LeftAlone:
            if (error != 0) result.failed.push_back(fullName);
            break;
        }
    }
    ::closedir(listing);
    return result;
}
