#pragma once
// Enumerates the pins of a filter over a snapshot of its pin list; pins already handed out
// since creation or the last Reset are not handed out again. Keeps its filter alive.
// Thread contract: one thread at a time per enumerator; it takes no lock and asks the filter
// for PinCount, PinAt and GetPinListVersion directly.
#include "framework/TBCBaseFilter.h"

#include <atomic>
#include <vector>

class TBCEnumPins final : public IEnumPins {
public:
    // A new enumerator on filter, or a copy of source's position and returned pins.
    TBCEnumPins(TBCBaseFilter* filter, const TBCEnumPins* source);

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumPins** enumerator) override;

private:
    ~TBCEnumPins();
    bool OutOfSync() const;
    void Resync();

    std::atomic<LONG> refCount_{0};
    LONG Position = 0;
    LONG SnapshotCount = 0;
    ComPtr<TBCBaseFilter> Filter;
    LONG Version = 0;
    // Pins of the filter, which the enumerator keeps alive; they are not counted on their own.
    std::vector<TBCBasePin*> ReturnedPins;
};
