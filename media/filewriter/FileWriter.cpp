#include "media/filewriter/FileWriter.h"

#include "framework/interfaces/MediaGuids.h"
#include "runtime/TaskMemory.h"
#include "runtime/TextConvert.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {
// A file that cannot be synchronised (a device, a pipe) has nothing to wait for.
bool CannotSync(int error) {
    return error == EINVAL || error == EROFS || error == ENOTSUP;
}

// What is written reaches the disk this often at least.
constexpr auto kSyncInterval = std::chrono::seconds(1);

// A repair looks at a file under the lock for a moment only; the lock is tried this long.
constexpr int kLockTries = 100;
constexpr auto kLockPause = std::chrono::milliseconds(2);

// 0, or the errno of the last try (EWOULDBLOCK: someone else holds the file).
int LockExclusive(int fd) {
    int error = 0;
    for (int attempt = 0; attempt < kLockTries; ++attempt) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
        error = errno;
        if (error != EWOULDBLOCK && error != EINTR) return error;
        std::this_thread::sleep_for(kLockPause);
    }
    return EWOULDBLOCK;
}

// Opens the file to write without following a symbolic link in its last component and
// without waiting for a named pipe's reader. A new file is made exclusively (created is set);
// a file already there is taken as it is, in overwrite mode only when it is empty. Answers
// the system's errno, 0 on success.
int OpenForWriting(const std::string& path, bool overwrite, int& fd, bool& created) {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    created = fd >= 0;
    if (fd < 0) {
        if (errno != EEXIST) return errno;
        fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return errno;
        // Writes wait for the disk as they always do.
        (void)::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) return errno;
    // A file the writer did not make is never emptied: its old contents are someone's.
    if (!created && overwrite && S_ISREG(info.st_mode) && info.st_size > 0) return EEXIST;
    return 0;
}
} // namespace

FileWriter::FileWriter(IUnknown* outer)
    : TBCBaseFilter("File writer", outer, new TBCCritSec, CLSID_FileWriter) {
    HRESULT hr = S_OK;
    pin_ = std::make_unique<FileWriterPin>(this, Lock.get(), hr);
}

FileWriter::~FileWriter() {
    (void)CloseFile();
    pin_.reset();
}

HRESULT FileWriter::Create(IUnknown* outer, REFIID iid, void** object) {
    return CreateObject<FileWriter>(outer, iid, object);
}

HRESULT FileWriter::InnerQueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IFileSinkFilter || iid == IID_IFileSinkFilter2)
        return GetInterface(static_cast<IFileSinkFilter2*>(this), object);
    return TBCBaseFilter::InnerQueryInterface(iid, object);
}

TBCBasePin* FileWriter::PinAt(int index) {
    return index == 0 ? pin_.get() : nullptr;
}

HRESULT FileWriter::Pause() {
    TBCAutoLock lock(*Lock);
    const bool wasStopped = State == State_Stopped;
    if (wasStopped) RETURN_IF_FAILED(OpenFile());
    const HRESULT hr = TBCBaseFilter::Pause();
    if (FAILED(hr) && wasStopped) (void)CloseFile();
    return hr;
}

HRESULT FileWriter::Stop() {
    TBCAutoLock lock(*Lock);
    const HRESULT stopped = TBCBaseFilter::Stop();
    const HRESULT closed = CloseFile();
    return FAILED(stopped) ? stopped : closed;
}

HRESULT FileWriter::OpenFile() {
    if (fileName_.empty()) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND); // no file to write to
    const std::string path = Utf16ToUtf8(fileName_);
    const bool overwrite = mode_ & AM_FILE_OVERWRITE;
    // The stream position is taken before the file lock, as the pin's stream calls take them.
    pin_->ResetPosition();
    std::lock_guard guard(fileLock_);
    if (fd_ >= 0) return S_OK;
    // A repair elsewhere may remove an empty file between our open and our lock: the name is
    // then opened again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = -1;
        bool created = false;
        const int error = OpenForWriting(path, overwrite, fd, created);
        const auto giveUp = [&](int why) {
            if (fd >= 0) ::close(fd);
            if (created) (void)::unlink(path.c_str());
            return why == EWOULDBLOCK ? HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION)
                                      : HResultFromErrno(why);
        };
        if (error != 0) return giveUp(error);
        if (const int unlocked = LockExclusive(fd); unlocked != 0) return giveUp(unlocked);
        struct stat info {};
        if (::fstat(fd, &info) != 0) return giveUp(errno);
        if (info.st_nlink == 0) { // removed behind us: not ours to unlink
            ::close(fd);
            continue;
        }
        fd_ = fd;
        size_ = ULONGLONG(info.st_size);
        StartSyncing(fd);
        return S_OK;
    }
    return HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION);
}

HRESULT FileWriter::CloseFile() {
    StopSyncing();
    std::lock_guard guard(fileLock_);
    if (fd_ < 0) return S_OK;
    HRESULT hr = S_OK;
    if (const int error = syncError_.exchange(0); error != 0) hr = HResultFromErrno(error);
    // The data must be on the disk before the recording counts as complete.
    if (fsync(fd_) != 0 && !CannotSync(errno) && SUCCEEDED(hr)) hr = HResultFromErrno(errno);
    // Closing the descriptor gives the lock back.
    if (close(fd_) != 0 && SUCCEEDED(hr) && errno != EINTR) hr = HResultFromErrno(errno);
    fd_ = -1;
    return hr;
}

void FileWriter::StartSyncing(int fd) {
    syncError_ = 0;
    unsynced_ = false;
    {
        std::lock_guard guard(syncLock_);
        syncStop_ = false;
    }
    try {
        syncer_ = std::thread([this, fd] {
            std::unique_lock lock(syncLock_);
            while (!syncWake_.wait_for(lock, kSyncInterval, [this] { return syncStop_; })) {
                lock.unlock();
                Sync(fd);
                lock.lock();
            }
        });
    } catch (const std::system_error&) {
        // Without the thread the data still reaches the disk when the file is closed.
    }
}

void FileWriter::StopSyncing() {
    if (!syncer_.joinable()) return;
    {
        std::lock_guard guard(syncLock_);
        syncStop_ = true;
    }
    syncWake_.notify_all();
    syncer_.join();
}

void FileWriter::Sync(int fd) {
    if (!unsynced_.exchange(false)) return;
    // Outside the file lock: writes go on while the disk catches up.
    if (::fdatasync(fd) != 0 && !CannotSync(errno)) {
        int none = 0;
        (void)syncError_.compare_exchange_strong(none, errno);
    }
    ++syncs_;
}

HRESULT FileWriter::WriteAt(ULONGLONG offset, const void* data, std::size_t size) {
    if (size > 0 && !data) return E_POINTER;
    if (offset > ULONGLONG(std::numeric_limits<off_t>::max()) - size) return E_INVALIDARG;
    std::lock_guard guard(fileLock_);
    if (fd_ < 0) return VFW_E_WRONG_STATE;
    // Data that could not be brought to the disk is lost; the stream is told so.
    if (const int error = syncError_.load(); error != 0) return HResultFromErrno(error);
    unsynced_ = true;
    auto* p = static_cast<const char*>(data);
    HRESULT hr = S_OK;
    while (size > 0) {
        const ssize_t n = pwrite(fd_, p, size, off_t(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            hr = HResultFromErrno(errno);
            break;
        }
        if (n == 0) {
            hr = HResultFromErrno(ENOSPC);
            break;
        }
        p += n;
        size -= std::size_t(n);
        offset += ULONGLONG(n);
    }
    if (FAILED(hr)) {
        // A write that fails midway (a full disk, a size limit) leaves nothing of itself
        // beyond what the file held, so the file ends with the last complete write.
        if (offset > size_) (void)ftruncate(fd_, off_t(size_));
        return hr;
    }
    size_ = std::max(size_, offset);
    return S_OK;
}

HRESULT FileWriter::FileSize(ULONGLONG& size) {
    std::lock_guard guard(fileLock_);
    if (fd_ < 0) return VFW_E_WRONG_STATE;
    struct stat info {};
    if (fstat(fd_, &info) != 0) return HResultFromErrno(errno);
    size = ULONGLONG(info.st_size);
    return S_OK;
}

HRESULT FileWriter::Truncate(ULONGLONG size) {
    if (size > ULONGLONG(std::numeric_limits<off_t>::max())) return E_INVALIDARG;
    std::lock_guard guard(fileLock_);
    if (fd_ < 0) return VFW_E_WRONG_STATE;
    if (ftruncate(fd_, off_t(size)) != 0) return HResultFromErrno(errno);
    size_ = size;
    return S_OK;
}

HRESULT FileWriter::Flush() {
    std::lock_guard guard(fileLock_);
    if (fd_ < 0) return VFW_E_WRONG_STATE;
    if (fdatasync(fd_) != 0 && !CannotSync(errno)) return HResultFromErrno(errno);
    return S_OK;
}

WideString FileWriter::CurrentName() {
    TBCAutoLock lock(*Lock);
    return fileName_;
}

HRESULT FileWriter::SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE*) {
    if (!fileName) return E_POINTER;
    if (!*fileName) return E_INVALIDARG;
    // A name that UTF-8 cannot spell would open another file than the one named.
    if (!IsWellFormedUtf16(fileName)) return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    TBCAutoLock lock(*Lock);
    if (State != State_Stopped) return VFW_E_NOT_STOPPED; // the open file stays what it is
    fileName_ = fileName;
    return S_OK;
}

HRESULT FileWriter::GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* mediaType) {
    if (!fileName) return E_POINTER;
    *fileName = nullptr;
    if (mediaType) {
        *mediaType = AM_MEDIA_TYPE{};
        mediaType->majortype = MEDIATYPE_Stream;
    }
    TBCAutoLock lock(*Lock);
    if (fileName_.empty()) return E_FAIL;
    const std::size_t bytes = (fileName_.size() + 1) * sizeof(WCHAR);
    auto* copy = static_cast<WCHAR*>(CoTaskMemAlloc(bytes));
    if (!copy) return E_OUTOFMEMORY;
    std::memcpy(copy, fileName_.c_str(), bytes);
    *fileName = copy;
    return S_OK;
}

HRESULT FileWriter::SetMode(DWORD flags) {
    if (flags & ~AM_FILE_OVERWRITE) return E_INVALIDARG;
    TBCAutoLock lock(*Lock);
    mode_ = flags;
    return S_OK;
}

HRESULT FileWriter::GetMode(DWORD* flags) {
    if (!flags) return E_POINTER;
    TBCAutoLock lock(*Lock);
    *flags = mode_;
    return S_OK;
}
