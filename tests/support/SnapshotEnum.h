#pragma once
// A fake enumerator (IEnumPins, IEnumFilters, IEnumMoniker, ...) over the objects it is given
// when it is made: Next hands them out counted, in order; Skip passes some; Reset starts
// again; Clone copies the list and the place.
#include "support/CountedObject.h"

#include <algorithm>
#include <vector>

template <class IEnum, class Item>
class SnapshotEnum final : public CountedObject<IEnum> {
public:
    explicit SnapshotEnum(std::vector<ComPtr<Item>> items, std::size_t next = 0)
        : items_(std::move(items)), next_(next) {}

    HRESULT Next(ULONG count, Item** items, ULONG* fetched) override {
        if (!items) return E_POINTER;
        ULONG n = 0;
        while (n < count && next_ < items_.size())
            (void)items_[next_++].CopyTo(&items[n++]);
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        const std::size_t left = items_.size() - next_;
        next_ += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT Clone(IEnum** clone) override {
        if (!clone) return E_POINTER;
        *clone = MakeCounted<SnapshotEnum>(items_, next_).detach();
        return S_OK;
    }

private:
    std::vector<ComPtr<Item>> items_;
    std::size_t next_;
};
