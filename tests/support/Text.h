#pragma once
// UTF-16 of UTF-8 text (a path, a literal) for comparisons and for the platform's wide names;
// decoded here so that tests do not check the program's conversion with itself.
#include <string>

inline std::u16string U16(const std::string& utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = utf8[i];
        char32_t code;
        int n;
        if (c < 0x80)
            code = c, n = 1;
        else if (c < 0xE0)
            code = c & 0x1F, n = 2;
        else if (c < 0xF0)
            code = c & 0x0F, n = 3;
        else
            code = c & 0x07, n = 4;
        for (int k = 1; k < n && i + k < utf8.size(); ++k)
            code = (code << 6) | (utf8[i + k] & 0x3F);
        i += n;
        if (code >= 0x10000) {
            code -= 0x10000;
            out += char16_t(0xD800 + (code >> 10));
            out += char16_t(0xDC00 + (code & 0x3FF));
        } else {
            out += char16_t(code);
        }
    }
    return out;
}
