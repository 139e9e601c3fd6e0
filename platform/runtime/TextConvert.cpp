#include "runtime/TextConvert.h"

namespace {
// Windows-1252 from 0x80 to 0x9F; the rest of the page is Latin-1.
constexpr char16_t kAnsiHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}
} // namespace

std::optional<WideString> Utf8ToUtf16(std::string_view text) {
    WideString result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra;
        char32_t c;
        if (lead < 0x80) {
            extra = 0;
            c = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            c = lead & 0x07;
        } else {
            return std::nullopt;
        }
        if (text.size() - i <= std::size_t(extra)) return std::nullopt;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past the last plane are not UTF-8.
        if ((extra == 2 && c < 0x800) || (extra == 3 && (c < 0x10000 || c > 0x10FFFF)) ||
            IsHighSurrogate(c) || IsLowSurrogate(c))
            return std::nullopt;
        if (c >= 0x10000) {
            c -= 0x10000;
            result.push_back(char16_t(0xD800 + (c >> 10)));
            result.push_back(char16_t(0xDC00 + (c & 0x3FF)));
        } else {
            result.push_back(char16_t(c));
        }
        i += 1 + extra;
    }
    return result;
}

std::optional<std::string> Utf16ToUtf8(std::u16string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (IsLowSurrogate(c)) return std::nullopt;
        if (IsHighSurrogate(c)) {
            if (i + 1 == text.size() || !IsLowSurrogate(text[i + 1])) return std::nullopt;
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (c < 0x80) {
            result.push_back(char(c));
        } else if (c < 0x800) {
            result.push_back(char(0xC0 | (c >> 6)));
            result.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            result.push_back(char(0xE0 | (c >> 12)));
            result.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            result.push_back(char(0x80 | (c & 0x3F)));
        } else {
            result.push_back(char(0xF0 | (c >> 18)));
            result.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            result.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            result.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return result;
}

WideString AnsiToUtf16(std::string_view text) {
    WideString result;
    result.reserve(text.size());
    for (const char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        result.push_back(b >= 0x80 && b < 0xA0 ? kAnsiHigh[b - 0x80] : char16_t(b));
    }
    return result;
}
