#include "settings/TextEncoding.h"

namespace {
constexpr char32_t kReplacement = 0xFFFD;

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
} // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t unit = text[i];
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

WideString Utf8ToUtf16(std::string_view text) {
    WideString out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
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
            const unsigned char next = static_cast<unsigned char>(text[i + taken]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            code = (code << 6) | (next & 0x3F);
            ++taken;
        }
        if (valid && (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)))
            valid = false;
        // An ill-formed sequence is replaced as a whole up to the first byte that cannot
        // continue it, so the bytes after it are decoded normally.
        AppendUtf16(out, valid ? code : kReplacement);
        i += taken;
    }
    return out;
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
