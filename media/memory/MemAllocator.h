#pragma once
// The platform's memory allocator (CLSID_MemoryAllocator): a fixed set of buffers, each a
// MediaSample, made at Commit and freed once decommitted and all are back. GetBuffer waits
// for a free buffer; Decommit releases every waiter with VFW_E_NOT_COMMITTED.
// Thread contract: any thread; one internal lock guards the state.
#include "framework/TBCUnknown.h"
#include "media/memory/MediaSample.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

class MemAllocator final : public TBCUnknown, public IMemAllocator {
public:
    explicit MemAllocator(IUnknown* outer);
    ~MemAllocator() override;

    static HRESULT Create(IUnknown* outer, REFIID iid, void** object);

    TBC_DECLARE_DELEGATING_UNKNOWN

    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

    HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
    HRESULT GetProperties(ALLOCATOR_PROPERTIES* properties) override;
    HRESULT Commit() override;
    HRESULT Decommit() override;
    HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                      DWORD flags) override;
    HRESULT ReleaseBuffer(IMediaSample* sample) override;

private:
    struct Buffer {
        std::unique_ptr<BYTE[]> memory;
        std::unique_ptr<MediaSample> sample;
    };

    void FreeBuffersLocked();

    std::mutex lock_;
    std::condition_variable bufferFreed_;
    ALLOCATOR_PROPERTIES properties_{};
    bool committed_ = false;
    std::vector<Buffer> buffers_; // exist from Commit until decommitted with all back
    std::vector<MediaSample*> free_;
    LONG outstanding_ = 0;
};
