#pragma once
// A fatal failure of the media platform, raised by the graph controller with the formatted
// message (UTF-8) and the platform's result code.
#include "runtime/Exception.h"
#include "runtime/HResult.h"

class EDShowError : public Exception {
public:
    EDShowError(HRESULT code, std::string message)
        : Exception(std::move(message)), ErrorCode(code) {}

    HRESULT ErrorCode;
};
