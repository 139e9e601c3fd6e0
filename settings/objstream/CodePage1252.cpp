#include "settings/objstream/CodePage1252.h"

namespace {
// 0x80..0x9F; the rest of the code page equals the first 256 Unicode characters.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98..9F
};

char16_t AnsiChar(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? kHigh[byte - 0x80] : char16_t(byte);
}

char ToAnsi(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return char(unit);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == unit) return char(0x80 + i);
    return '?';
}
} // namespace

WideString AnsiToUtf16(std::string_view text) {
    WideString out;
    out.reserve(text.size());
    for (const char c : text)
        out += AnsiChar(static_cast<unsigned char>(c));
    return out;
}

std::string Utf16ToAnsi(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        // One character outside the code page is one "?", also when it takes two units.
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            ++i;
        out += ToAnsi(unit);
    }
    return out;
}
