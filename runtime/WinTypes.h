#pragma once
// Scalar types of the object-model platform, with their published widths on our
// 64-bit build: LONG, ULONG, DWORD, BOOL and HRESULT are 32-bit; the *_PTR types,
// OAHWND and pointers are pointer-sized.
#include <cstddef>
#include <cstdint>
#include <string>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using UINT = std::uint32_t;
using INT = std::int32_t;
using BOOL = std::int32_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using UINT_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using SIZE_T = std::size_t;

// Wide text is UTF-16.
using WCHAR = char16_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPSTR = char*;
using LPCSTR = const char*;
using WideString = std::u16string;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

// Media time in 100-nanosecond units.
using REFERENCE_TIME = LONGLONG;

// Automation booleans and window handles as the video-window interfaces pass them.
using OAHWND = LONG_PTR;
using OAEVENT = LONG_PTR;
using OAFilterState = LONG;
using REFTIME = double;
using VARIANT_BOOL = std::int16_t;
constexpr LONG OATRUE = -1;
constexpr LONG OAFALSE = 0;

// A window handle of the message-window table; 0 is no window.
using HWND = std::uintptr_t;
