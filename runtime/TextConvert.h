#pragma once
// Conversions between the platform's UTF-16 text, the UTF-8 of system calls, files and ALSA,
// and the 8-bit code page (Windows-1252) of object names and settings streams.
// Thread contract: none (pure functions).
#include "runtime/WinTypes.h"

#include <optional>
#include <string>
#include <string_view>

// Lenient: an ill-formed sequence (a stray byte, an overlong form, a lone surrogate) becomes
// U+FFFD, so a path or a value handed to us is still shown instead of lost.
std::string Utf16ToUtf8(std::u16string_view text);
// A null pointer is the empty text.
std::string Utf16ToUtf8(const WCHAR* text);
WideString Utf8ToUtf16(std::string_view text);

// Strict: nothing when the text is ill-formed, for data that must survive a round trip.
std::optional<WideString> TryUtf8ToUtf16(std::string_view text);
std::optional<std::string> TryUtf16ToUtf8(std::u16string_view text);

// True when every surrogate is part of a pair, i.e. the text converts to UTF-8 and back
// unchanged.
bool IsWellFormedUtf16(std::u16string_view text);

// Every byte has a character: the five bytes that Windows-1252 leaves unassigned (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) stand for the control characters of the same value, as the platform's
// conversion does, so 8-bit text survives a trip through UTF-16 unchanged.
WideString AnsiToUtf16(std::string_view text);
// A character outside the code page becomes "?".
std::string Utf16ToAnsi(std::u16string_view text);
