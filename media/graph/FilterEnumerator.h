#pragma once
// Enumerates a graph's filters over a snapshot of its list; once the graph's list changes,
// Next, Skip and Clone answer VFW_E_ENUM_OUT_OF_SYNC until Reset takes a new snapshot.
// Thread contract: one thread at a time per enumerator.
#include "media/graph/FilterGraph.h"

class FilterEnumerator final : public MediaObject, public IEnumFilters {
public:
    FilterEnumerator(IUnknown* outer, FilterGraph* graph, const FilterEnumerator* source);

    MEDIA_OBJECT_UNKNOWN

    HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumFilters** enumerator) override;

private:
    void* FindInterface(REFIID iid) override;
    bool OutOfSync() { return graph_->Version() != version_; }

    ComPtr<IGraphBuilder> keepAlive_; // the graph lives as long as its enumerators
    FilterGraph* graph_;
    std::vector<ComPtr<IBaseFilter>> snapshot_;
    LONG version_ = 0;
    std::size_t position_ = 0;
};
