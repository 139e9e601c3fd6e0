#include "media/memory/MemAllocator.h"

#include <algorithm>
#include <cstdint>
#include <new>

MemAllocator::MemAllocator(IUnknown* outer) : TBCUnknown("Memory allocator", outer) {}

MemAllocator::~MemAllocator() {
    // Every sample out holds a reference on us, so all buffers are back by now.
    FreeBuffersLocked();
}

HRESULT MemAllocator::Create(IUnknown* outer, REFIID iid, void** object) {
    return CreateUnaggregatedObject<MemAllocator>(outer, iid, object);
}

HRESULT MemAllocator::InnerQueryInterface(REFIID iid, void** object) {
    if (iid == IID_IMemAllocator) return GetInterface(static_cast<IMemAllocator*>(this), object);
    return TBCUnknown::InnerQueryInterface(iid, object);
}

HRESULT MemAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) {
    if (!request || !actual) return E_POINTER;
    const LONG align = request->cbAlign;
    if (align <= 0 || (align & (align - 1)) != 0) return VFW_E_BADALIGN;
    if (request->cBuffers < 0 || request->cbBuffer < 0 || request->cbPrefix < 0)
        return E_INVALIDARG;
    // One buffer with its prefix and alignment padding must fit the signed sizes we hand out.
    const std::int64_t stride = std::int64_t(request->cbBuffer) + request->cbPrefix + align;
    if (stride > INT32_MAX) return E_OUTOFMEMORY;

    std::lock_guard guard(lock_);
    if (committed_) return VFW_E_ALREADY_COMMITTED;
    if (outstanding_ > 0 || !buffers_.empty()) return VFW_E_BUFFERS_OUTSTANDING;
    properties_ = *request;
    *actual = properties_;
    return S_OK;
}

HRESULT MemAllocator::GetProperties(ALLOCATOR_PROPERTIES* properties) {
    if (!properties) return E_POINTER;
    std::lock_guard guard(lock_);
    *properties = properties_;
    return S_OK;
}

HRESULT MemAllocator::Commit() {
    std::lock_guard guard(lock_);
    if (committed_) return S_OK;
    if (properties_.cBuffers <= 0 || properties_.cbBuffer <= 0) return VFW_E_SIZENOTSET;
    if (buffers_.empty()) {
        // The data starts aligned, with at least cbPrefix bytes before it.
        const std::size_t align = std::size_t(properties_.cbAlign);
        const std::size_t lead = (std::size_t(properties_.cbPrefix) + align - 1) / align * align;
        const std::size_t bytes = lead + std::size_t(properties_.cbBuffer) + align;
        std::vector<Buffer> made;
        try {
            made.reserve(std::size_t(properties_.cBuffers));
            for (LONG i = 0; i < properties_.cBuffers; ++i) {
                Buffer b;
                b.memory.reset(new BYTE[bytes]);
                const auto base = reinterpret_cast<std::uintptr_t>(b.memory.get());
                const std::uintptr_t data = (base + lead + align - 1) / align * align;
                b.sample = std::make_unique<MediaSample>(reinterpret_cast<BYTE*>(data),
                                                         properties_.cbBuffer);
                made.push_back(std::move(b));
            }
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        buffers_ = std::move(made);
        free_.clear();
        for (Buffer& b : buffers_)
            free_.push_back(b.sample.get());
    }
    committed_ = true;
    return S_OK;
}

HRESULT MemAllocator::Decommit() {
    std::lock_guard guard(lock_);
    if (!committed_) return S_OK;
    committed_ = false;
    if (outstanding_ == 0) FreeBuffersLocked();
    bufferFreed_.notify_all();
    return S_OK;
}

HRESULT MemAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME*, REFERENCE_TIME*,
                                DWORD flags) {
    if (!sample) return E_POINTER;
    *sample = nullptr;
    MediaSample* taken = nullptr;
    {
        std::unique_lock guard(lock_);
        for (;;) {
            if (!committed_) return VFW_E_NOT_COMMITTED;
            if (!free_.empty()) break;
            if (flags & AM_GBF_NOWAIT) return VFW_E_TIMEOUT;
            bufferFreed_.wait(guard);
        }
        taken = free_.back();
        free_.pop_back();
        ++outstanding_;
    }
    taken->HandOut(this);
    *sample = taken;
    return S_OK;
}

HRESULT MemAllocator::ReleaseBuffer(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    std::lock_guard guard(lock_);
    auto it = std::find_if(buffers_.begin(), buffers_.end(),
                           [&](const Buffer& b) { return b.sample.get() == sample; });
    if (it == buffers_.end() ||
        std::find(free_.begin(), free_.end(), it->sample.get()) != free_.end())
        return E_INVALIDARG;
    it->sample->Reset();
    free_.push_back(it->sample.get());
    --outstanding_;
    if (!committed_ && outstanding_ == 0)
        FreeBuffersLocked();
    else
        bufferFreed_.notify_one();
    return S_OK;
}

void MemAllocator::FreeBuffersLocked() {
    free_.clear();
    buffers_.clear();
}
