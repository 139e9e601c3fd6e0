#pragma once
// One buffer of the memory allocator as a media sample. The allocator owns the object; the
// sample's count tracks the users it was handed to, and when it falls to 0 the buffer goes
// back to the allocator. Thread contract: one user thread at a time (the one holding it);
// the count may change on any thread.
#include "framework/interfaces/Strmif.h"
#include "runtime/ComPtr.h"

#include <atomic>

class MediaSample final : public IMediaSample2 {
public:
    MediaSample(BYTE* buffer, LONG size);
    ~MediaSample();
    MediaSample(const MediaSample&) = delete;
    MediaSample& operator=(const MediaSample&) = delete;

    // Hands the buffer out with one reference, holding the allocator until it comes back.
    void HandOut(IMemAllocator* allocator);
    // Clears what a user left in the sample, before it is handed out again.
    void Reset();

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetPointer(BYTE** buffer) override;
    LONG GetSize() override;
    HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
    HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
    HRESULT IsSyncPoint() override;
    HRESULT SetSyncPoint(BOOL isSyncPoint) override;
    HRESULT IsPreroll() override;
    HRESULT SetPreroll(BOOL isPreroll) override;
    LONG GetActualDataLength() override;
    HRESULT SetActualDataLength(LONG length) override;
    HRESULT GetMediaType(AM_MEDIA_TYPE** mediaType) override;
    HRESULT SetMediaType(AM_MEDIA_TYPE* mediaType) override;
    HRESULT IsDiscontinuity() override;
    HRESULT SetDiscontinuity(BOOL discontinuity) override;
    HRESULT GetMediaTime(LONGLONG* start, LONGLONG* end) override;
    HRESULT SetMediaTime(LONGLONG* start, LONGLONG* end) override;
    HRESULT GetProperties(DWORD size, BYTE* properties) override;
    HRESULT SetProperties(DWORD size, const BYTE* properties) override;

private:
    void SetFlag(DWORD flag, bool on);
    bool HasFlag(DWORD flag) const { return (flags_ & flag) != 0; }

    std::atomic<ULONG> refs_{0};
    ComPtr<IMemAllocator> allocator_; // held only while the sample is out
    BYTE* const buffer_;
    const LONG size_;
    LONG actual_;
    DWORD flags_ = 0; // AM_SAMPLE_* bits
    DWORD typeSpecificFlags_ = 0;
    DWORD streamId_ = AM_STREAM_MEDIA;
    REFERENCE_TIME start_ = 0;
    REFERENCE_TIME stop_ = 0;
    bool mediaTimeValid_ = false;
    LONGLONG mediaStart_ = 0;
    LONGLONG mediaStop_ = 0;
    AM_MEDIA_TYPE* type_ = nullptr; // task-allocated copy while AM_SAMPLE_TYPECHANGED is set
};
