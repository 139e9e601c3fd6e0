#pragma once
// An enumerator object over a snapshot: what a list held, or how far it reached, when the
// enumerator was made or last Reset. The snapshot knows its list: how the item at its position
// is handed out, whether the list changed since, and how far Skip goes. This class is what every
// enumerator shares: the counted object, the out-places and arguments of Next, Reset and Clone.
//
// A Snapshot provides:
//   using Interface (the IEnumXxx), using Item (what Next's array holds);
//   static constexpr const char* ObjectName;
//   a constructor from the enumerator's arguments, and a copy constructor for Clone;
//   HRESULT BeforeNext() - S_OK, or what Next answers before it looks at its arguments;
//   HRESULT StartNext(ULONG count) - S_OK to hand out items, or what Next answers instead;
//   HRESULT NextItem(Item& item, ULONG handedOut) - S_OK with the next item stored (counted),
//       S_FALSE at the end, or a failure that Next answers;
//   HRESULT Skip(ULONG count); void Retake() (Reset); bool OutOfSync() const (Clone refuses).
// Thread contract: one thread at a time per enumerator; no lock (a snapshot that reads its list
// as it goes asks the list's owner directly).
#include "framework/TBCUnknown.h"

#include <utility>

template <class Snapshot>
class TBCEnumerator final : public TBCUnknown, public Snapshot::Interface {
public:
    using Interface = typename Snapshot::Interface;
    using Item = typename Snapshot::Item;

    // An enumerator never has a controlling object; outer is here for CreateObject.
    template <class... Args>
    explicit TBCEnumerator(IUnknown* outer, Args&&... args)
        : TBCUnknown(Snapshot::ObjectName, outer), snapshot_(std::forward<Args>(args)...) {}

    TBC_DECLARE_DELEGATING_UNKNOWN

    HRESULT InnerQueryInterface(REFIID iid, void** object) override {
        if (iid == Interface::Iid) return GetInterface(static_cast<Interface*>(this), object);
        return TBCUnknown::InnerQueryInterface(iid, object);
    }

    // Up to count items from the position on; without a fetched place only one may be asked.
    // S_OK when count items were handed out, S_FALSE when fewer.
    HRESULT Next(ULONG count, Item* items, ULONG* fetched) override {
        if (const HRESULT hr = snapshot_.BeforeNext(); hr != S_OK) return hr;
        if (items && count > 0) items[0] = Item{};
        if (fetched)
            *fetched = 0;
        else if (count > 1)
            return E_INVALIDARG;
        if (!items) return E_POINTER;
        if (const HRESULT hr = snapshot_.StartNext(count); hr != S_OK) return hr;
        ULONG got = 0;
        HRESULT hr = S_OK;
        while (got < count && (hr = snapshot_.NextItem(items[got], got)) == S_OK)
            ++got;
        if (FAILED(hr)) return hr;
        if (fetched) *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }

    HRESULT Skip(ULONG count) override { return snapshot_.Skip(count); }

    HRESULT Reset() override {
        snapshot_.Retake();
        return S_OK;
    }

    // A new enumerator at the same place; none once the list has changed.
    HRESULT Clone(Interface** enumerator) override {
        if (!enumerator) return E_POINTER;
        *enumerator = nullptr;
        if (snapshot_.OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
        return CreateObject<TBCEnumerator>(nullptr, Interface::Iid,
                                           reinterpret_cast<void**>(enumerator), snapshot_);
    }

private:
    Snapshot snapshot_;
};
