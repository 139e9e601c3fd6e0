#pragma once
// System error codes by their published names and values: what the registry functions answer,
// and what HRESULT_FROM_WIN32 turns into results (HResultFromErrno maps system errors to them).
#include "runtime/WinTypes.h"

// A registry function's status: ERROR_SUCCESS or a system error code.
using LSTATUS = LONG;

constexpr LSTATUS ERROR_SUCCESS = 0;
constexpr LSTATUS ERROR_FILE_NOT_FOUND = 2;
constexpr LSTATUS ERROR_PATH_NOT_FOUND = 3;
constexpr LSTATUS ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr LSTATUS ERROR_ACCESS_DENIED = 5;
constexpr LSTATUS ERROR_INVALID_HANDLE = 6;
constexpr LSTATUS ERROR_OUTOFMEMORY = 14;
constexpr LSTATUS ERROR_GEN_FAILURE = 31;
constexpr LSTATUS ERROR_SHARING_VIOLATION = 32;
constexpr LSTATUS ERROR_HANDLE_DISK_FULL = 39;
constexpr LSTATUS ERROR_FILE_EXISTS = 80;
constexpr LSTATUS ERROR_INVALID_PARAMETER = 87;
constexpr LSTATUS ERROR_INVALID_NAME = 123;
constexpr LSTATUS ERROR_DISK_FULL = 112;
constexpr LSTATUS ERROR_BAD_PATHNAME = 161;
constexpr LSTATUS ERROR_BUSY = 170;
constexpr LSTATUS ERROR_FILENAME_EXCED_RANGE = 206;
constexpr LSTATUS ERROR_FILE_TOO_LARGE = 223;
constexpr LSTATUS ERROR_MORE_DATA = 234;
constexpr LSTATUS ERROR_DIRECTORY = 267;
constexpr LSTATUS ERROR_BADDB = 1009;
constexpr LSTATUS ERROR_CANTREAD = 1012;
constexpr LSTATUS ERROR_CANTWRITE = 1013;
constexpr LSTATUS ERROR_KEY_DELETED = 1018;
constexpr LSTATUS ERROR_DEVICE_NOT_CONNECTED = 1167;
constexpr LSTATUS ERROR_CANT_RESOLVE_FILENAME = 1921;
constexpr LSTATUS ERROR_UNSUPPORTED_TYPE = 1630;
