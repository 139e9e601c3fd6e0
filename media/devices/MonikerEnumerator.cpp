#include "media/devices/MonikerEnumerator.h"

MonikerEnumerator::MonikerEnumerator(IUnknown* outer, std::vector<ComPtr<IMoniker>> monikers,
                                     std::size_t position)
    : MediaObject(outer), monikers_(std::move(monikers)), position_(position) {}

void* MonikerEnumerator::FindInterface(REFIID iid) {
    return iid == IID_IEnumMoniker ? static_cast<IEnumMoniker*>(this) : nullptr;
}

HRESULT MonikerEnumerator::Next(ULONG count, IMoniker** monikers, ULONG* fetched) {
    if (fetched) *fetched = 0;
    if (!monikers) return E_POINTER;
    if (!fetched && count > 1) return E_INVALIDARG;
    ULONG got = 0;
    while (got < count && position_ < monikers_.size()) {
        monikers[got] = nullptr;
        (void)monikers_[position_++].CopyTo(&monikers[got]);
        ++got;
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
}

HRESULT MonikerEnumerator::Skip(ULONG count) {
    const std::size_t left = monikers_.size() - position_;
    if (count > left) {
        position_ = monikers_.size();
        return S_FALSE;
    }
    position_ += count;
    return S_OK;
}

HRESULT MonikerEnumerator::Reset() {
    position_ = 0;
    return S_OK;
}

HRESULT MonikerEnumerator::Clone(IEnumMoniker** enumerator) {
    if (!enumerator) return E_POINTER;
    return CreateMediaObject<MonikerEnumerator>(
        nullptr, IID_IEnumMoniker, reinterpret_cast<void**>(enumerator), monikers_, position_);
}
