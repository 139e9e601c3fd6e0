#include "media/graph/FilterEnumerator.h"

FilterEnumerator::FilterEnumerator(IUnknown* outer, FilterGraph* graph,
                                   const FilterEnumerator* source)
    : MediaObject(outer), keepAlive_(graph), graph_(graph) {
    if (source) {
        snapshot_ = source->snapshot_;
        version_ = source->version_;
        position_ = source->position_;
    } else {
        snapshot_ = graph_->Filters(&version_);
    }
}

void* FilterEnumerator::FindInterface(REFIID iid) {
    return iid == IID_IEnumFilters ? static_cast<IEnumFilters*>(this) : nullptr;
}

HRESULT FilterEnumerator::Next(ULONG count, IBaseFilter** filters, ULONG* fetched) {
    if (fetched) *fetched = 0;
    if (!filters) return E_POINTER;
    if (!fetched && count > 1) return E_INVALIDARG;
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG got = 0;
    while (got < count && position_ < snapshot_.size()) {
        filters[got] = nullptr;
        (void)snapshot_[position_++].CopyTo(&filters[got]);
        ++got;
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
}

HRESULT FilterEnumerator::Skip(ULONG count) {
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    const std::size_t left = snapshot_.size() - position_;
    if (count > left) {
        position_ = snapshot_.size();
        return S_FALSE;
    }
    position_ += count;
    return S_OK;
}

HRESULT FilterEnumerator::Reset() {
    snapshot_ = graph_->Filters(&version_);
    position_ = 0;
    return S_OK;
}

HRESULT FilterEnumerator::Clone(IEnumFilters** enumerator) {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    return CreateMediaObject<FilterEnumerator>(nullptr, IID_IEnumFilters,
                                               reinterpret_cast<void**>(enumerator), graph_, this);
}
