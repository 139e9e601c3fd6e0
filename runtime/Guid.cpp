#include "runtime/Guid.h"

#include <cstdio>

std::string GuidToString(REFGUID g) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  unsigned(g.Data1), unsigned(g.Data2), unsigned(g.Data3), g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

WideString GuidToWideString(REFGUID guid) {
    const std::string text = GuidToString(guid);
    return WideString(text.begin(), text.end());
}

namespace {
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool ReadHex(const std::string& text, std::size_t pos, int digits, std::uint64_t& value) {
    value = 0;
    for (int i = 0; i < digits; ++i) {
        const int d = HexDigit(text[pos + i]);
        if (d < 0) return false;
        value = value << 4 | std::uint64_t(d);
    }
    return true;
}
} // namespace

std::optional<GUID> GuidFromString(const std::string& text) {
    if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' ||
        text[14] != '-' || text[19] != '-' || text[24] != '-')
        return std::nullopt;
    GUID g{};
    std::uint64_t v = 0;
    if (!ReadHex(text, 1, 8, v)) return std::nullopt;
    g.Data1 = DWORD(v);
    if (!ReadHex(text, 10, 4, v)) return std::nullopt;
    g.Data2 = WORD(v);
    if (!ReadHex(text, 15, 4, v)) return std::nullopt;
    g.Data3 = WORD(v);
    const std::size_t bytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!ReadHex(text, bytePos[i], 2, v)) return std::nullopt;
        g.Data4[i] = BYTE(v);
    }
    return g;
}

std::optional<GUID> GuidFromWideString(const WideString& text) {
    std::string narrow;
    for (char16_t c : text) {
        if (c > 0x7F) return std::nullopt;
        narrow += char(c);
    }
    return GuidFromString(narrow);
}
