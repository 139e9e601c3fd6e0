#include "media/filewriter/FileWriterPin.h"

#include "framework/interfaces/MediaGuids.h"
#include "media/filewriter/FileWriter.h"
#include "runtime/TaskMemory.h"

#include <cstring>
#include <exception>

FileWriterPin::FileWriterPin(FileWriter* filter, TBCCritSec* lock, HRESULT& hr)
    : TBCBaseInputPin("File writer input pin", filter, lock, hr, u"in"), writer_(filter) {}

HRESULT FileWriterPin::InnerQueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IStream || iid == IID_ISequentialStream)
        return GetInterface(static_cast<IStream*>(this), object);
    return TBCBaseInputPin::InnerQueryInterface(iid, object);
}

HRESULT FileWriterPin::AcceptsType(const AM_MEDIA_TYPE& mediaType) {
    return mediaType.majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
}

HRESULT FileWriterPin::Receive(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    try {
        const HRESULT ready = TBCBaseInputPin::Receive(sample);
        if (ready != S_OK) return ready;
        const AM_SAMPLE2_PROPERTIES& p = CurrentSampleProperties();
        if (!(p.dwSampleFlags & AM_SAMPLE_TIMEVALID)) return VFW_E_SAMPLE_TIME_NOT_SET;
        if (p.tStart < 0 || p.lActual < 0) return E_INVALIDARG;
        if (p.lActual == 0) return S_OK;
        return writer_->WriteAt(ULONGLONG(p.tStart), p.pbBuffer, std::size_t(p.lActual));
    } catch (const std::exception&) {
        return E_UNEXPECTED; // a broken precondition fails this sample, not the caller
    }
}

HRESULT FileWriterPin::EndOfStream() {
    try {
        const HRESULT ready = ReadyToStream();
        if (ready != S_OK) return ready;
    } catch (const std::exception&) {
        return E_UNEXPECTED;
    }
    // All the stream has arrived: the filter, a renderer, completes.
    (void)Filter->SendEvent(EC_COMPLETE, LONG_PTR(S_OK), 0);
    return S_OK;
}

HRESULT FileWriterPin::BeginFlush() {
    try {
        return TBCBaseInputPin::BeginFlush();
    } catch (const std::exception&) {
        return E_UNEXPECTED;
    }
}

HRESULT FileWriterPin::EndFlush() {
    try {
        return TBCBaseInputPin::EndFlush();
    } catch (const std::exception&) {
        return E_UNEXPECTED;
    }
}

void FileWriterPin::ResetPosition() {
    std::lock_guard guard(positionLock_);
    position_ = 0;
}

HRESULT FileWriterPin::Read(void*, ULONG, ULONG* read) {
    if (read) *read = 0;
    return E_NOTIMPL; // the file is written, never read back
}

HRESULT FileWriterPin::Write(const void* buffer, ULONG size, ULONG* written) {
    if (written) *written = 0;
    if (!buffer && size > 0) return E_POINTER;
    std::lock_guard guard(positionLock_);
    RETURN_IF_FAILED(writer_->WriteAt(position_, buffer, size));
    position_ += size;
    if (written) *written = size;
    return S_OK;
}

HRESULT FileWriterPin::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
    std::lock_guard guard(positionLock_);
    LONGLONG base = 0;
    switch (origin) {
    case STREAM_SEEK_SET:
        break;
    case STREAM_SEEK_CUR:
        base = LONGLONG(position_);
        break;
    case STREAM_SEEK_END: {
        ULONGLONG size = 0;
        RETURN_IF_FAILED(writer_->FileSize(size));
        base = LONGLONG(size);
        break;
    }
    default:
        return STG_E_INVALIDFUNCTION;
    }
    // The move is the caller's and may be anything: a position that does not fit is refused.
    LONGLONG target = 0;
    if (__builtin_add_overflow(base, move.QuadPart, &target) || target < 0)
        return STG_E_INVALIDFUNCTION;
    position_ = ULONGLONG(target);
    if (newPosition) newPosition->QuadPart = position_;
    return S_OK;
}

HRESULT FileWriterPin::SetSize(ULARGE_INTEGER newSize) {
    return writer_->Truncate(newSize.QuadPart);
}

HRESULT FileWriterPin::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER* read,
                              ULARGE_INTEGER* written) {
    if (read) read->QuadPart = 0;
    if (written) written->QuadPart = 0;
    return E_NOTIMPL;
}

HRESULT FileWriterPin::Commit(DWORD) {
    return writer_->Flush();
}

HRESULT FileWriterPin::Revert() {
    return S_OK; // writes go straight to the file; there is nothing to revert
}

HRESULT FileWriterPin::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return STG_E_INVALIDFUNCTION;
}

HRESULT FileWriterPin::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return STG_E_INVALIDFUNCTION;
}

HRESULT FileWriterPin::Stat(STATSTG* stat, DWORD flags) {
    if (!stat) return E_POINTER;
    *stat = STATSTG{};
    ULONGLONG size = 0;
    RETURN_IF_FAILED(writer_->FileSize(size));
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = size;
    if (!(flags & STATFLAG_NONAME)) {
        const WideString name = writer_->CurrentName();
        const std::size_t bytes = (name.size() + 1) * sizeof(WCHAR);
        auto* copy = static_cast<WCHAR*>(CoTaskMemAlloc(bytes));
        if (!copy) return E_OUTOFMEMORY;
        std::memcpy(copy, name.c_str(), bytes);
        stat->pwcsName = copy;
    }
    return S_OK;
}

HRESULT FileWriterPin::Clone(IStream** stream) {
    if (stream) *stream = nullptr;
    return E_NOTIMPL;
}
