#include "settings/objstream/TFileStream.h"

#include "runtime/TextConvert.h"
#include "settings/KWFileUtils.h"
#include "settings/objstream/ObjStreamErrors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
[[noreturn]] void CannotOpen(const WideString& fileName, const std::string& reason) {
    throw EFOpenError("Cannot open file \"" + Utf16ToUtf8(ExpandFileName(fileName)) + "\". " +
                      reason);
}

// Why an entry of this kind is not read; empty for a regular file.
std::string NotRegularReason(mode_t mode) {
    if (S_ISREG(mode)) return {};
    if (S_ISDIR(mode)) return SystemErrorText(EISDIR);
    if (S_ISFIFO(mode)) return "Not a regular file (a named pipe)";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "Not a regular file (a device)";
    if (S_ISSOCK(mode)) return "Not a regular file (a socket)";
    return "Not a regular file";
}
} // namespace

std::string SystemErrorText(int error) {
    char buffer[256] = {};
    // The GNU variant returns the text, which need not be in the buffer.
    return strerror_r(error, buffer, sizeof buffer);
}

TFileStream::TFileStream(const WideString& fileName) {
    std::string systemPath;
    if (!PathToSystem(fileName, systemPath) || systemPath.empty())
        CannotOpen(fileName, SystemErrorText(ENOENT));
    // A device is not even opened (opening some has effects of its own); the check after the
    // open covers an entry replaced in between.
    struct stat info {};
    if (::stat(systemPath.c_str(), &info) == 0) {
        if (const std::string reason = NotRegularReason(info.st_mode); !reason.empty())
            CannotOpen(fileName, reason);
    }
    // Without blocking: opening a named pipe would otherwise wait for a writer, before any
    // window and deaf to every signal but SIGKILL.
    handle_ = ::open(systemPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (handle_ < 0) CannotOpen(fileName, SystemErrorText(errno));
    std::string reason;
    if (::fstat(handle_, &info) != 0)
        reason = SystemErrorText(errno);
    else
        reason = NotRegularReason(info.st_mode);
    if (reason.empty()) {
        // A regular file reads the same either way; the flag goes so that nothing else sees it.
        const int flags = ::fcntl(handle_, F_GETFL);
        if (flags >= 0) (void)::fcntl(handle_, F_SETFL, flags & ~O_NONBLOCK);
        return;
    }
    (void)::close(handle_);
    handle_ = -1;
    CannotOpen(fileName, reason);
}

TFileStream::~TFileStream() {
    if (handle_ >= 0) (void)::close(handle_);
}

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
    for (;;) {
        const ssize_t done = ::read(handle_, buffer, count);
        if (done >= 0) return std::size_t(done);
        if (errno != EINTR) {
            lastError_ = errno;
            return 0;
        }
    }
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
    for (;;) {
        const ssize_t done = ::write(handle_, buffer, count);
        if (done >= 0) return std::size_t(done);
        if (errno != EINTR) {
            lastError_ = errno;
            return 0;
        }
    }
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                       : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                          : SEEK_END;
    return ::lseek(handle_, off_t(offset), whence);
}

void TFileStream::FlushAndClose() {
    // A full disk may show only here, when the data is written out.
    if (::fsync(handle_) != 0) lastError_ = errno;
    if (::close(handle_) != 0 && lastError_ == 0) lastError_ = errno;
    handle_ = -1;
    if (lastError_ != 0) throw EWriteError("Stream write error");
}
