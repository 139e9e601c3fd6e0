#pragma once
// Value types of the registry functions, with their published values; their status codes are
// the system error codes.
#include "runtime/WinError.h"

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;
