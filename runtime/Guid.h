#pragma once
// 16-byte identifiers of classes, interfaces, media and format types.
#include "runtime/WinTypes.h"

#include <optional>
#include <string>

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];

    friend constexpr bool operator==(const GUID& a, const GUID& b) {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
        for (int i = 0; i < 8; ++i)
            if (a.Data4[i] != b.Data4[i]) return false;
        return true;
    }
};
static_assert(sizeof(GUID) == 16);

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr GUID GUID_NULL{};

// The registry form: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, upper-case digits.
std::string GuidToString(REFGUID guid);
WideString GuidToWideString(REFGUID guid);
// Reads the registry form (either letter case); nothing for any other text.
std::optional<GUID> GuidFromString(const std::string& text);
std::optional<GUID> GuidFromWideString(const WideString& text);
