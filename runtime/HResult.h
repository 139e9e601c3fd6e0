#pragma once
// Result codes of the object-model platform with their published values.
// HRESULT is a [[nodiscard]] 32-bit enumeration: a result that is deliberately not
// looked at is written (void)call(), so every ignored result is visible in the code.
#include "runtime/WinError.h"
#include "runtime/WinTypes.h"

enum [[nodiscard]] HRESULT : std::int32_t{};

constexpr HRESULT MakeHResult(std::uint32_t value) {
    return HRESULT(std::int32_t(value));
}
constexpr bool SUCCEEDED(HRESULT hr) {
    return std::int32_t(hr) >= 0;
}
constexpr bool FAILED(HRESULT hr) {
    return std::int32_t(hr) < 0;
}

// Propagates a failure to the caller; success codes other than S_OK pass.
#define RETURN_IF_FAILED(expr)                                                                     \
    do {                                                                                           \
        const HRESULT hr_ = (expr);                                                                \
        if (FAILED(hr_)) return hr_;                                                               \
    } while (false)

constexpr std::uint32_t FACILITY_WIN32 = 7;
// The result of a system error code (runtime/WinError.h names them).
constexpr HRESULT HRESULT_FROM_WIN32(std::uint32_t code) {
    return code == 0 ? HRESULT(0)
                     : MakeHResult((code & 0xFFFFu) | (FACILITY_WIN32 << 16) | 0x80000000u);
}
// A failure made from a system error number (errno): the Win32 code of the same meaning
// where there is one, so that the error text service can name it.
HRESULT HResultFromErrno(int error);

// Common codes.
constexpr HRESULT S_OK = MakeHResult(0x00000000);
constexpr HRESULT S_FALSE = MakeHResult(0x00000001);
constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001);
constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002);
constexpr HRESULT E_POINTER = MakeHResult(0x80004003);
constexpr HRESULT E_ABORT = MakeHResult(0x80004004);
constexpr HRESULT E_FAIL = MakeHResult(0x80004005);
constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFF);
constexpr HRESULT E_ACCESSDENIED = MakeHResult(0x80070005);
constexpr HRESULT E_HANDLE = MakeHResult(0x80070006);
constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000E);
constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057);
constexpr HRESULT E_PROP_ID_UNSUPPORTED = MakeHResult(0x80070490);
constexpr HRESULT E_PROP_SET_UNSUPPORTED = MakeHResult(0x80070492);
constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHResult(0x80040111);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154);
constexpr HRESULT REGDB_E_READREGDB = MakeHResult(0x80040150);
constexpr HRESULT SELFREG_E_CLASS = MakeHResult(0x80040201);
constexpr HRESULT CO_E_NOTINITIALIZED = MakeHResult(0x800401F0);
constexpr HRESULT CO_E_DLLNOTFOUND = MakeHResult(0x800401F8);
constexpr HRESULT CO_E_ERRORINDLL = MakeHResult(0x800401F9);
constexpr HRESULT STG_E_INVALIDFUNCTION = MakeHResult(0x80030001);
constexpr HRESULT STG_E_SEEKERROR = MakeHResult(0x80030019);
constexpr HRESULT STG_E_WRITEFAULT = MakeHResult(0x8003001D);
constexpr HRESULT STG_E_MEDIUMFULL = MakeHResult(0x80030070);

// Media codes.
constexpr HRESULT VFW_S_NO_MORE_ITEMS = MakeHResult(0x00040103);
constexpr HRESULT VFW_S_DUPLICATE_NAME = MakeHResult(0x0004022D);
constexpr HRESULT VFW_S_STATE_INTERMEDIATE = MakeHResult(0x00040237);
constexpr HRESULT VFW_S_PARTIAL_RENDER = MakeHResult(0x00040242);
constexpr HRESULT VFW_S_AUDIO_NOT_RENDERED = MakeHResult(0x00040258);
constexpr HRESULT VFW_S_CANT_CUE = MakeHResult(0x00040268);
constexpr HRESULT VFW_S_NO_STOP_TIME = MakeHResult(0x00040270);
constexpr HRESULT VFW_E_INVALIDMEDIATYPE = MakeHResult(0x80040200);
constexpr HRESULT VFW_E_INVALIDSUBTYPE = MakeHResult(0x80040201);
constexpr HRESULT VFW_E_NEED_OWNER = MakeHResult(0x80040202);
constexpr HRESULT VFW_E_ENUM_OUT_OF_SYNC = MakeHResult(0x80040203);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = MakeHResult(0x80040204);
constexpr HRESULT VFW_E_FILTER_ACTIVE = MakeHResult(0x80040205);
constexpr HRESULT VFW_E_NO_TYPES = MakeHResult(0x80040206);
constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = MakeHResult(0x80040207);
constexpr HRESULT VFW_E_INVALID_DIRECTION = MakeHResult(0x80040208);
constexpr HRESULT VFW_E_NOT_CONNECTED = MakeHResult(0x80040209);
constexpr HRESULT VFW_E_NO_ALLOCATOR = MakeHResult(0x8004020A);
constexpr HRESULT VFW_E_RUNTIME_ERROR = MakeHResult(0x8004020B);
constexpr HRESULT VFW_E_BUFFER_NOTSET = MakeHResult(0x8004020C);
constexpr HRESULT VFW_E_BUFFER_OVERFLOW = MakeHResult(0x8004020D);
constexpr HRESULT VFW_E_BADALIGN = MakeHResult(0x8004020E);
constexpr HRESULT VFW_E_ALREADY_COMMITTED = MakeHResult(0x8004020F);
constexpr HRESULT VFW_E_BUFFERS_OUTSTANDING = MakeHResult(0x80040210);
constexpr HRESULT VFW_E_NOT_COMMITTED = MakeHResult(0x80040211);
constexpr HRESULT VFW_E_SIZENOTSET = MakeHResult(0x80040212);
constexpr HRESULT VFW_E_NO_CLOCK = MakeHResult(0x80040213);
constexpr HRESULT VFW_E_NO_SINK = MakeHResult(0x80040214);
constexpr HRESULT VFW_E_NO_INTERFACE = MakeHResult(0x80040215);
constexpr HRESULT VFW_E_NOT_FOUND = MakeHResult(0x80040216);
constexpr HRESULT VFW_E_CANNOT_CONNECT = MakeHResult(0x80040217);
constexpr HRESULT VFW_E_CANNOT_RENDER = MakeHResult(0x80040218);
constexpr HRESULT VFW_E_CHANGING_FORMAT = MakeHResult(0x80040219);
constexpr HRESULT VFW_E_STATE_CHANGED = MakeHResult(0x80040223);
constexpr HRESULT VFW_E_NOT_STOPPED = MakeHResult(0x80040224);
constexpr HRESULT VFW_E_NOT_PAUSED = MakeHResult(0x80040225);
constexpr HRESULT VFW_E_NOT_RUNNING = MakeHResult(0x80040226);
constexpr HRESULT VFW_E_WRONG_STATE = MakeHResult(0x80040227);
constexpr HRESULT VFW_E_START_TIME_AFTER_END = MakeHResult(0x80040228);
constexpr HRESULT VFW_E_INVALID_RECT = MakeHResult(0x80040229);
constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = MakeHResult(0x8004022A);
constexpr HRESULT VFW_E_SAMPLE_REJECTED = MakeHResult(0x8004022B);
constexpr HRESULT VFW_E_SAMPLE_REJECTED_EOS = MakeHResult(0x8004022C);
constexpr HRESULT VFW_E_DUPLICATE_NAME = MakeHResult(0x8004022D);
constexpr HRESULT VFW_E_TIMEOUT = MakeHResult(0x8004022E);
constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = MakeHResult(0x8004022F);
constexpr HRESULT VFW_E_ENUM_OUT_OF_RANGE = MakeHResult(0x80040230);
constexpr HRESULT VFW_E_CIRCULAR_GRAPH = MakeHResult(0x80040231);
constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = MakeHResult(0x80040240);
constexpr HRESULT VFW_E_CANNOT_LOAD_SOURCE_FILTER = MakeHResult(0x80040241);
constexpr HRESULT VFW_E_SAMPLE_TIME_NOT_SET = MakeHResult(0x80040249);
constexpr HRESULT VFW_E_MEDIA_TIME_NOT_SET = MakeHResult(0x80040251);
constexpr HRESULT VFW_E_NO_TIME_FORMAT_SET = MakeHResult(0x80040252);
constexpr HRESULT VFW_E_NO_AUDIO_HARDWARE = MakeHResult(0x80040256);
constexpr HRESULT VFW_E_NOT_IN_GRAPH = MakeHResult(0x8004025F);
constexpr HRESULT VFW_E_NO_TIME_FORMAT = MakeHResult(0x80040261);
constexpr HRESULT VFW_E_READ_ONLY = MakeHResult(0x80040262);
constexpr HRESULT VFW_E_NO_CAPTURE_HARDWARE = MakeHResult(0x80040275);
