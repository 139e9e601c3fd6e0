#pragma once
// Enumerates the pins of a filter over a snapshot of its pin list (its PinCount and pin list
// version); pins already handed out since creation or the last Reset are not handed out
// again. Keeps its filter alive. When the filter's pin list changes, Next starts over on the
// new list, while Skip and Clone answer VFW_E_ENUM_OUT_OF_SYNC until Reset.
// Thread contract: as TBCEnumerator; it asks the filter for PinCount, PinAt and
// GetPinListVersion directly.
#include "framework/TBCBaseFilter.h"
#include "framework/TBCEnumerator.h"

#include <vector>

class TBCPinSnapshot {
public:
    using Interface = IEnumPins;
    using Item = IPin*;
    static constexpr const char* ObjectName = "Pin enumerator";

    explicit TBCPinSnapshot(TBCBaseFilter* filter);

    bool OutOfSync() const;
    HRESULT BeforeNext() const { return S_OK; }
    HRESULT StartNext(ULONG count);
    HRESULT NextItem(IPin*& pin, ULONG handedOut);
    HRESULT Skip(ULONG count);
    void Retake();

private:
    // Takes the filter's pin list again, keeping the pins handed out.
    void Resync();

    LONG Position = 0;
    LONG SnapshotCount = 0;
    ComPtr<TBCBaseFilter> Filter;
    LONG Version = 0;
    // Pins of the filter, which the enumerator keeps alive; they are not counted on their own.
    std::vector<TBCBasePin*> ReturnedPins;
    ULONG Wanted = 0; // how many pins the Next under way hands out at most
};

using TBCEnumPins = TBCEnumerator<TBCPinSnapshot>;
