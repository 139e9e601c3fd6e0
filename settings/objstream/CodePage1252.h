#pragma once
// The 8-bit code page of the object stream, Windows-1252, so that settings files are the
// bytes a Western-European Windows system writes. Free functions without state; any thread.
#include "runtime/WinTypes.h"

#include <string>
#include <string_view>

// Every byte has a character: the five bytes that Windows-1252 leaves unassigned (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) stand for the control characters of the same value, so 8-bit text
// survives a trip through UTF-16 unchanged.
WideString AnsiToUtf16(std::string_view text);
// A character outside the code page becomes "?".
std::string Utf16ToAnsi(std::u16string_view text);
