#pragma once
// Conversions between the platform's UTF-16 text and the UTF-8 of system calls and ALSA.
// Thread contract: none (pure functions).
#include "runtime/WinTypes.h"

#include <string>

std::string WideToUtf8(const WCHAR* text);
std::string WideToUtf8(const WideString& text);
// Invalid UTF-8 sequences become U+FFFD.
WideString Utf8ToWide(const std::string& text);
