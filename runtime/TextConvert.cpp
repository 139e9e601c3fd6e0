#include "runtime/TextConvert.h"

namespace {
constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 from 0x80 to 0x9F; the rest of the code page equals the first 256 Unicode
// characters.
constexpr char16_t kAnsiHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98..9F
};

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

void AppendUtf16(WideString& out, char32_t code) {
    if (code < 0x10000) {
        out += char16_t(code);
    } else {
        code -= 0x10000;
        out += char16_t(0xD800 + (code >> 10));
        out += char16_t(0xDC00 + (code & 0x3FF));
    }
}

// Decodes UTF-8; wellFormed turns false at the first ill-formed sequence, which is replaced as
// a whole up to the first byte that cannot continue it, so the bytes after it decode normally.
WideString DecodeUtf8(std::string_view text, bool& wellFormed) {
    wellFormed = true;
    WideString out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out += char16_t(lead);
            ++i;
            continue;
        }
        int length = 0;
        char32_t code = 0;
        char32_t minimum = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, code = lead & 0x1F, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, code = lead & 0x0F, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, code = lead & 0x07, minimum = 0x10000;
        }
        int taken = 1;
        bool valid = length > 0;
        while (valid && taken < length) {
            if (i + taken >= text.size()) {
                valid = false;
                break;
            }
            const auto next = static_cast<unsigned char>(text[i + taken]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            code = (code << 6) | (next & 0x3F);
            ++taken;
        }
        if (valid && (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)))
            valid = false;
        if (!valid) wellFormed = false;
        AppendUtf16(out, valid ? code : kReplacement);
        i += taken;
    }
    return out;
}
} // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::string Utf16ToUtf8(const WCHAR* text) {
    return text ? Utf16ToUtf8(std::u16string_view(text)) : std::string();
}

WideString Utf8ToUtf16(std::string_view text) {
    bool wellFormed = true;
    return DecodeUtf8(text, wellFormed);
}

std::optional<WideString> TryUtf8ToUtf16(std::string_view text) {
    bool wellFormed = true;
    WideString out = DecodeUtf8(text, wellFormed);
    if (!wellFormed) return std::nullopt;
    return out;
}

std::optional<std::string> TryUtf16ToUtf8(std::u16string_view text) {
    if (!IsWellFormedUtf16(text)) return std::nullopt;
    return Utf16ToUtf8(text);
}

bool IsWellFormedUtf16(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsHighSurrogate(text[i])) {
            if (i + 1 >= text.size() || !IsLowSurrogate(text[i + 1])) return false;
            ++i;
        } else if (IsLowSurrogate(text[i])) {
            return false;
        }
    }
    return true;
}

WideString AnsiToUtf16(std::string_view text) {
    WideString out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        out += byte >= 0x80 && byte <= 0x9F ? kAnsiHigh[byte - 0x80] : char16_t(byte);
    }
    return out;
}

std::string Utf16ToAnsi(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        // One character outside the code page is one "?", also when it takes two units.
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
        char byte = '?';
        if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
            byte = char(unit);
        } else {
            for (int k = 0; k < 32; ++k)
                if (kAnsiHigh[k] == unit) byte = char(0x80 + k);
        }
        out += byte;
    }
    return out;
}
