#include "runtime/OleAuto.h"

#include <cstdlib>
#include <cstring>

namespace {
UINT LengthOf(LPCOLESTR text) {
    UINT n = 0;
    while (text[n])
        ++n;
    return n;
}
} // namespace

BSTR SysAllocString(LPCOLESTR text) {
    return text ? SysAllocStringLen(text, LengthOf(text)) : nullptr;
}

BSTR SysAllocStringLen(LPCOLESTR text, UINT length) {
    // The byte count sits in front of the characters, as the published layout has it.
    auto* block =
        static_cast<BYTE*>(std::malloc(sizeof(DWORD) + (std::size_t(length) + 1) * sizeof(WCHAR)));
    if (!block) return nullptr;
    const DWORD bytes = DWORD(length * sizeof(WCHAR));
    std::memcpy(block, &bytes, sizeof bytes);
    auto* chars = reinterpret_cast<WCHAR*>(block + sizeof(DWORD));
    if (text)
        std::memcpy(chars, text, length * sizeof(WCHAR));
    else
        std::memset(chars, 0, length * sizeof(WCHAR));
    chars[length] = 0;
    return chars;
}

void SysFreeString(BSTR text) {
    if (text) std::free(reinterpret_cast<BYTE*>(text) - sizeof(DWORD));
}

UINT SysStringLen(BSTR text) {
    if (!text) return 0;
    DWORD bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<BYTE*>(text) - sizeof(DWORD), sizeof bytes);
    return bytes / sizeof(WCHAR);
}

void VariantInit(VARIANT* variant) {
    std::memset(variant, 0, sizeof *variant);
    variant->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* variant) {
    if (!variant) return E_INVALIDARG;
    if (variant->vt == VT_BSTR) SysFreeString(variant->bstrVal);
    VariantInit(variant);
    return S_OK;
}
