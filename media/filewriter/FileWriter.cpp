#include "media/filewriter/FileWriter.h"

#include "framework/interfaces/MediaGuids.h"
#include "runtime/TaskMemory.h"
#include "runtime/TextConvert.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// A file that cannot be synchronised (a device, a pipe) has nothing to wait for.
bool CannotSync(int error) {
    return error == EINVAL || error == EROFS || error == ENOTSUP;
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
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
    if (mode_ & AM_FILE_OVERWRITE) flags |= O_TRUNC;
    // The stream position is taken before the file lock, as the pin's stream calls take them.
    pin_->ResetPosition();
    std::lock_guard guard(fileLock_);
    if (fd_ >= 0) return S_OK;
    const int fd = open(path.c_str(), flags, 0666);
    if (fd < 0) return HResultFromErrno(errno);
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        const int error = errno;
        close(fd);
        return HResultFromErrno(error);
    }
    fd_ = fd;
    size_ = ULONGLONG(info.st_size);
    return S_OK;
}

HRESULT FileWriter::CloseFile() {
    std::lock_guard guard(fileLock_);
    if (fd_ < 0) return S_OK;
    HRESULT hr = S_OK;
    // The data must be on the disk before the recording counts as complete.
    if (fsync(fd_) != 0 && !CannotSync(errno)) hr = HResultFromErrno(errno);
    if (close(fd_) != 0 && SUCCEEDED(hr) && errno != EINTR) hr = HResultFromErrno(errno);
    fd_ = -1;
    return hr;
}

HRESULT FileWriter::WriteAt(ULONGLONG offset, const void* data, std::size_t size) {
    if (size > 0 && !data) return E_POINTER;
    if (offset > ULONGLONG(std::numeric_limits<off_t>::max()) - size) return E_INVALIDARG;
    std::lock_guard guard(fileLock_);
    if (fd_ < 0) return VFW_E_WRONG_STATE;
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
