#include "media/memory/MediaSample.h"

#include "framework/MediaType.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

namespace {
constexpr DWORD kKnownFlags =
    AM_SAMPLE_SPLICEPOINT | AM_SAMPLE_PREROLL | AM_SAMPLE_DATADISCONTINUITY |
    AM_SAMPLE_TYPECHANGED | AM_SAMPLE_TIMEVALID | AM_SAMPLE_TIMEDISCONTINUITY |
    AM_SAMPLE_FLUSH_ON_PAUSE | AM_SAMPLE_STOPVALID | AM_SAMPLE_ENDOFSTREAM;

// Whether the first `size` bytes of the record hold the whole field.
constexpr bool Holds(DWORD size, std::size_t offset, std::size_t length) {
    return offset + length <= size;
}
#define HOLDS(size, field)                                                                         \
    Holds(size, offsetof(AM_SAMPLE2_PROPERTIES, field), sizeof(AM_SAMPLE2_PROPERTIES::field))
} // namespace

MediaSample::MediaSample(BYTE* buffer, LONG size) : buffer_(buffer), size_(size), actual_(size) {}

MediaSample::~MediaSample() {
    MediaTypeDispose(type_);
}

void MediaSample::HandOut(IMemAllocator* allocator) {
    Reset();
    allocator_ = allocator;
    refs_.store(1);
}

void MediaSample::Reset() {
    actual_ = size_;
    flags_ = 0;
    typeSpecificFlags_ = 0;
    streamId_ = AM_STREAM_MEDIA;
    start_ = stop_ = 0;
    mediaTimeValid_ = false;
    mediaStart_ = mediaStop_ = 0;
    MediaTypeDispose(std::exchange(type_, nullptr));
}

HRESULT MediaSample::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IMediaSample || iid == IID_IMediaSample2) {
        *object = static_cast<IMediaSample2*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG MediaSample::AddRef() {
    return ++refs_;
}

ULONG MediaSample::Release() {
    const ULONG left = --refs_;
    if (left == 0) {
        // The allocator may free this sample while taking it back; touch nothing after.
        ComPtr<IMemAllocator> owner = std::move(allocator_);
        if (owner) (void)owner->ReleaseBuffer(this);
    }
    return left;
}

HRESULT MediaSample::GetPointer(BYTE** buffer) {
    if (!buffer) return E_POINTER;
    *buffer = buffer_;
    return S_OK;
}

LONG MediaSample::GetSize() {
    return size_;
}

HRESULT MediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
    if (!start || !end) return E_POINTER;
    if (!HasFlag(AM_SAMPLE_TIMEVALID)) return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = start_;
    if (!HasFlag(AM_SAMPLE_STOPVALID)) {
        *end = start_ + 1;
        return VFW_S_NO_STOP_TIME;
    }
    *end = stop_;
    return S_OK;
}

HRESULT MediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
    if (!start) {
        SetFlag(AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID, false);
        return S_OK;
    }
    start_ = *start;
    SetFlag(AM_SAMPLE_TIMEVALID, true);
    SetFlag(AM_SAMPLE_STOPVALID, end != nullptr);
    if (end) stop_ = *end;
    return S_OK;
}

HRESULT MediaSample::IsSyncPoint() {
    return HasFlag(AM_SAMPLE_SPLICEPOINT) ? S_OK : S_FALSE;
}

HRESULT MediaSample::SetSyncPoint(BOOL isSyncPoint) {
    SetFlag(AM_SAMPLE_SPLICEPOINT, isSyncPoint != FALSE);
    return S_OK;
}

HRESULT MediaSample::IsPreroll() {
    return HasFlag(AM_SAMPLE_PREROLL) ? S_OK : S_FALSE;
}

HRESULT MediaSample::SetPreroll(BOOL isPreroll) {
    SetFlag(AM_SAMPLE_PREROLL, isPreroll != FALSE);
    return S_OK;
}

LONG MediaSample::GetActualDataLength() {
    return actual_;
}

HRESULT MediaSample::SetActualDataLength(LONG length) {
    if (length < 0 || length > size_) return VFW_E_BUFFER_OVERFLOW;
    actual_ = length;
    return S_OK;
}

HRESULT MediaSample::GetMediaType(AM_MEDIA_TYPE** mediaType) {
    if (!mediaType) return E_POINTER;
    *mediaType = nullptr;
    if (!type_) return S_FALSE;
    *mediaType = MediaTypeCreateCopy(*type_);
    return *mediaType ? S_OK : E_OUTOFMEMORY;
}

HRESULT MediaSample::SetMediaType(AM_MEDIA_TYPE* mediaType) {
    AM_MEDIA_TYPE* copy = nullptr;
    if (mediaType) {
        copy = MediaTypeCreateCopy(*mediaType);
        if (!copy) return E_OUTOFMEMORY;
    }
    MediaTypeDispose(std::exchange(type_, copy));
    SetFlag(AM_SAMPLE_TYPECHANGED, copy != nullptr);
    return S_OK;
}

HRESULT MediaSample::IsDiscontinuity() {
    return HasFlag(AM_SAMPLE_DATADISCONTINUITY) ? S_OK : S_FALSE;
}

HRESULT MediaSample::SetDiscontinuity(BOOL discontinuity) {
    SetFlag(AM_SAMPLE_DATADISCONTINUITY, discontinuity != FALSE);
    return S_OK;
}

HRESULT MediaSample::GetMediaTime(LONGLONG* start, LONGLONG* end) {
    if (!start || !end) return E_POINTER;
    if (!mediaTimeValid_) return VFW_E_MEDIA_TIME_NOT_SET;
    *start = mediaStart_;
    *end = mediaStop_;
    return S_OK;
}

HRESULT MediaSample::SetMediaTime(LONGLONG* start, LONGLONG* end) {
    if (!start) {
        mediaTimeValid_ = false;
        return S_OK;
    }
    if (!end) return E_POINTER;
    mediaStart_ = *start;
    mediaStop_ = *end;
    mediaTimeValid_ = true;
    return S_OK;
}

HRESULT MediaSample::GetProperties(DWORD size, BYTE* properties) {
    if (size == 0) return S_OK;
    if (!properties) return E_POINTER;
    AM_SAMPLE2_PROPERTIES p{};
    p.cbData = DWORD(std::min<std::size_t>(size, sizeof p));
    p.dwTypeSpecificFlags = typeSpecificFlags_;
    p.dwSampleFlags = flags_;
    p.lActual = actual_;
    p.tStart = start_;
    p.tStop = stop_;
    p.dwStreamId = streamId_;
    p.pMediaType = type_; // by reference: the receiver does not own it
    p.pbBuffer = buffer_;
    p.cbBuffer = size_;
    std::memcpy(properties, &p, p.cbData);
    return S_OK;
}

HRESULT MediaSample::SetProperties(DWORD size, const BYTE* properties) {
    if (size == 0) return S_OK;
    if (!properties) return E_POINTER;
    if (size < sizeof(DWORD)) return E_INVALIDARG;
    // Read what the caller gave, never more than the record's own cbData says is there.
    AM_SAMPLE2_PROPERTIES p{};
    std::memcpy(&p, properties, std::min<std::size_t>(size, sizeof p));
    if (size > sizeof p || p.cbData > sizeof p) return E_INVALIDARG;
    const DWORD n = std::min(size, p.cbData);

    // Check everything first, so that a refused record changes nothing.
    DWORD flags = flags_;
    if (HOLDS(n, dwSampleFlags)) {
        if (p.dwSampleFlags & ~kKnownFlags) return E_INVALIDARG;
        if ((p.dwSampleFlags & AM_SAMPLE_TIMEVALID) && !HOLDS(n, tStart)) return E_INVALIDARG;
        if ((p.dwSampleFlags & AM_SAMPLE_STOPVALID) && !HOLDS(n, tStop)) return E_INVALIDARG;
        flags = p.dwSampleFlags;
    }
    if (HOLDS(n, lActual) && (p.lActual < 0 || p.lActual > size_)) return E_INVALIDARG;
    if (HOLDS(n, pbBuffer) && p.pbBuffer && p.pbBuffer != buffer_) return E_INVALIDARG;
    if (HOLDS(n, cbBuffer) && p.cbBuffer != 0 && p.cbBuffer != size_) return E_INVALIDARG;
    AM_MEDIA_TYPE* newType = nullptr;
    bool replaceType = !(flags & AM_SAMPLE_TYPECHANGED);
    if (flags & AM_SAMPLE_TYPECHANGED) {
        if (HOLDS(n, pMediaType) && p.pMediaType != type_) {
            if (!p.pMediaType) return E_INVALIDARG;
            newType = MediaTypeCreateCopy(*p.pMediaType);
            if (!newType) return E_OUTOFMEMORY;
            replaceType = true;
        } else if (!type_) {
            return E_INVALIDARG; // a changed type was announced but none was given
        }
    }

    if (HOLDS(n, dwTypeSpecificFlags)) typeSpecificFlags_ = p.dwTypeSpecificFlags;
    flags_ = flags;
    if (HOLDS(n, lActual)) actual_ = p.lActual;
    if (HOLDS(n, tStart)) start_ = p.tStart;
    if (HOLDS(n, tStop)) stop_ = p.tStop;
    if (HOLDS(n, dwStreamId)) streamId_ = p.dwStreamId;
    if (replaceType) MediaTypeDispose(std::exchange(type_, newType));
    return S_OK;
}

void MediaSample::SetFlag(DWORD flag, bool on) {
    flags_ = on ? (flags_ | flag) : (flags_ & ~flag);
}
