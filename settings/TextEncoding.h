#pragma once
// Conversions between the UTF-16 text of the program and the UTF-8 of the file system and of
// the object stream. Free functions without state; any thread.
#include "runtime/WinTypes.h"

#include <string>
#include <string_view>

// Malformed input never fails: an ill-formed sequence becomes U+FFFD, so a path or a value
// that the file system or a stream hands us is still shown instead of lost.
std::string Utf16ToUtf8(std::u16string_view text);
WideString Utf8ToUtf16(std::string_view text);

// True when every surrogate is part of a pair, i.e. the text converts to UTF-8 and back
// unchanged.
bool IsWellFormedUtf16(std::u16string_view text);
