#include "app/setup/TEnumString.h"

#include "runtime/ComPtr.h"
#include "runtime/Interlocked.h"
#include "runtime/TaskMemory.h"

#include <cstring>

TEnumString::TEnumString(const std::vector<WideString>& strings, std::size_t index)
    : FStrings(strings), FIndex(index) {}

HRESULT TEnumString::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IEnumString) return E_NOINTERFACE;
    *object = static_cast<IEnumString*>(this);
    AddRef();
    return S_OK;
}

ULONG TEnumString::AddRef() {
    return ULONG(InterlockedIncrement(FRefCount));
}

ULONG TEnumString::Release() {
    const LONG count = InterlockedDecrement(FRefCount);
    if (count == 0) delete this;
    return ULONG(count);
}

HRESULT TEnumString::Next(ULONG count, LPWSTR* strings, ULONG* fetched) {
    if (fetched) *fetched = 0;
    if (count > 0 && !strings) return E_POINTER;
    ULONG delivered = 0;
    // The list may have shrunk since the index was set (a suggestion deleted).
    while (delivered < count && FIndex < FStrings.size()) {
        const WideString& text = FStrings[FIndex];
        const std::size_t bytes = (text.size() + 1) * sizeof(WCHAR);
        auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
        if (!copy) {
            for (ULONG i = 0; i < delivered; ++i) {
                CoTaskMemFree(strings[i]);
                strings[i] = nullptr;
            }
            FIndex -= delivered;
            return E_OUTOFMEMORY;
        }
        std::memcpy(copy, text.c_str(), bytes);
        strings[delivered++] = copy;
        ++FIndex;
    }
    if (fetched) *fetched = delivered;
    return delivered == count ? S_OK : S_FALSE;
}

HRESULT TEnumString::Skip(ULONG count) {
    FIndex += count;
    if (FIndex >= FStrings.size()) {
        FIndex = 0;
        return S_FALSE;
    }
    return S_OK;
}

HRESULT TEnumString::Reset() {
    FIndex = 0;
    return S_OK;
}

HRESULT TEnumString::Clone(IEnumString** enumerator) {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    const ComPtr<IEnumString> clone(new TEnumString(FStrings, FIndex));
    return clone.CopyTo(enumerator);
}
