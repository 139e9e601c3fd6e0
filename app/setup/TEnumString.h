#pragma once
// IEnumString over a list of strings that it does not own, for the completion of TACEdit.
// A plain reference-counted object: it dies with its last Release. Thread contract: one
// thread at a time (the GUI thread); no lock. The list must outlive every enumerator.
#include "runtime/ObjIdl.h"

#include <atomic>
#include <cstddef>
#include <vector>

class TEnumString final : public IEnumString {
public:
    // Starts at index 0 with no reference; hand it to a ComPtr at once.
    explicit TEnumString(const std::vector<WideString>& strings, std::size_t index = 0);

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // Up to count strings from the current index on, each a new zero-terminated buffer of
    // the task allocator; S_OK when count strings were delivered, S_FALSE otherwise.
    HRESULT Next(ULONG count, LPWSTR* strings, ULONG* fetched) override;
    // Advances the index; reaching or passing the end sets it back to 0 and gives S_FALSE.
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    // A new enumerator over the same list at the same index.
    HRESULT Clone(IEnumString** enumerator) override;

private:
    ~TEnumString() = default;

    std::atomic<LONG> FRefCount{0};
    // Not owned: the list belongs to the edit that created the enumerator.
    const std::vector<WideString>& FStrings;
    std::size_t FIndex;
};
