#pragma once
// Conversions between the platform's UTF-16 text, the UTF-8 of system calls and files, and the
// 8-bit code page (Windows-1252) of object names. Thread contract: none (pure functions).
#include "runtime/WinTypes.h"

#include <optional>
#include <string>
#include <string_view>

// Nothing when text is not valid UTF-8 (a stray byte, an overlong form, a surrogate).
std::optional<WideString> Utf8ToUtf16(std::string_view text);
// Nothing when text holds an unpaired surrogate.
std::optional<std::string> Utf16ToUtf8(std::u16string_view text);
// Every byte has a character in Windows-1252; the five unassigned bytes map to the C1 controls
// of the same value, as the platform's conversion does.
WideString AnsiToUtf16(std::string_view text);
