#pragma once
// The snapshot of an enumerator over a list of counted items, handed out in order: a copy of
// the list. A fixed list is the snapshot itself and Reset only rewinds. A list that changes
// is taken from its owner (a TBCChangingList), which the snapshot keeps alive; once the owner's
// version differs from the snapshot's, Next, Skip and Clone answer VFW_E_ENUM_OUT_OF_SYNC until
// Reset takes the list again.
// Thread contract: as TBCEnumerator; the owner guards its own list.
#include "runtime/ComPtr.h"

#include <cstddef>
#include <utility>
#include <vector>

// A list that changes: what it holds now, and a number that changes with it.
template <class I>
class TBCChangingList {
public:
    virtual std::vector<ComPtr<I>> Items(LONG* version) = 0;
    virtual LONG Version() = 0;

protected:
    ~TBCChangingList() = default;
};

template <class IEnum, class I>
class TBCListSnapshot {
public:
    using Interface = IEnum;
    using Item = I*;
    static constexpr const char* ObjectName = "List enumerator";

    explicit TBCListSnapshot(std::vector<ComPtr<I>> items) : items_(std::move(items)) {}
    // A snapshot of owner's list; keepAlive holds the owner as long as the enumerator lives.
    TBCListSnapshot(TBCChangingList<I>* owner, ComPtr<IUnknown> keepAlive)
        : owner_(owner), keepAlive_(std::move(keepAlive)) {
        items_ = owner_->Items(&version_);
    }

    bool OutOfSync() const { return owner_ && owner_->Version() != version_; }
    HRESULT BeforeNext() const { return OutOfSync() ? VFW_E_ENUM_OUT_OF_SYNC : S_OK; }
    HRESULT StartNext(ULONG) const { return S_OK; }
    HRESULT NextItem(I*& item, ULONG) {
        if (position_ >= items_.size()) return S_FALSE;
        return items_[position_++].CopyTo(&item);
    }
    // Past the end stops at the end, with S_FALSE.
    HRESULT Skip(ULONG count) {
        if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
        if (count > items_.size() - position_) {
            position_ = items_.size();
            return S_FALSE;
        }
        position_ += count;
        return S_OK;
    }
    void Retake() {
        if (owner_) items_ = owner_->Items(&version_);
        position_ = 0;
    }

private:
    std::vector<ComPtr<I>> items_;
    std::size_t position_ = 0;
    // The list's owner, kept alive by keepAlive_; null for a fixed list.
    TBCChangingList<I>* owner_ = nullptr;
    ComPtr<IUnknown> keepAlive_;
    LONG version_ = 0;
};
