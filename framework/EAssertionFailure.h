#pragma once
// The error a violated checked precondition raises: "Assertion failure (Unit, line N)" or the
// check's own message. Such a failure is a programming error and travels to the caller, except
// where the caller is a streaming thread or an enumeration that expects a result code (the
// transform input pin's Receive and stream control, the media-type enumerator): there it
// becomes E_UNEXPECTED.
#include "runtime/Exception.h"

class EAssertionFailure : public Exception {
public:
    using Exception::Exception;
};

// Raises EAssertionFailure with "Assertion failure (unit, line N)".
[[noreturn]] void RaiseAssertionFailure(const char* unit, int line);
// Raises EAssertionFailure with "message (unit, line N)".
[[noreturn]] void RaiseAssertionFailure(const char* message, const char* unit, int line);
// The same check inside a destructor, which cannot throw: prints the message and aborts.
[[noreturn]] void AbortAssertionFailure(const char* unit, int line);

// A checked precondition of unit at line.
#define BC_CHECK(condition, unit, line)                                                            \
    do {                                                                                           \
        if (!(condition)) RaiseAssertionFailure(unit, line);                                       \
    } while (false)

// A checked precondition with its own message.
#define BC_CHECK_MSG(condition, message, unit, line)                                               \
    do {                                                                                           \
        if (!(condition)) RaiseAssertionFailure(message, unit, line);                              \
    } while (false)

// A checked precondition inside a destructor.
#define BC_CHECK_IN_DESTRUCTOR(condition, unit, line)                                              \
    do {                                                                                           \
        if (!(condition)) AbortAssertionFailure(unit, line);                                       \
    } while (false)
