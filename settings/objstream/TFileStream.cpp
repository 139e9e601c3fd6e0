#include "settings/objstream/TFileStream.h"

#include "runtime/TextConvert.h"
#include "settings/KWFileUtils.h"
#include "settings/objstream/ObjStreamErrors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

std::string SystemErrorText(int error) {
    char buffer[256] = {};
    // The GNU variant returns the text, which need not be in the buffer.
    return strerror_r(error, buffer, sizeof buffer);
}

TFileStream::TFileStream(const WideString& fileName) {
    std::string systemPath;
    const bool valid = PathToSystem(fileName, systemPath) && !systemPath.empty();
    if (valid) handle_ = ::open(systemPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (handle_ >= 0) return;
    const std::string reason = SystemErrorText(valid ? errno : ENOENT);
    throw EFOpenError("Cannot open file \"" + Utf16ToUtf8(ExpandFileName(fileName)) + "\". " +
                      reason);
}

TFileStream::~TFileStream() {
    if (handle_ >= 0) (void)::close(handle_);
}

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
    for (;;) {
        const ssize_t done = ::read(handle_, buffer, count);
        if (done >= 0) return std::size_t(done);
        if (errno != EINTR) return 0;
    }
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
    for (;;) {
        const ssize_t done = ::write(handle_, buffer, count);
        if (done >= 0) return std::size_t(done);
        if (errno != EINTR) return 0;
    }
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                       : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                          : SEEK_END;
    return ::lseek(handle_, off_t(offset), whence);
}

void TFileStream::FlushAndClose() {
    const bool synced = ::fsync(handle_) == 0;
    const bool closed = ::close(handle_) == 0;
    handle_ = -1;
    if (!synced || !closed) throw EWriteError("Stream write error");
}
