#pragma once
// The error self-registration raises when a registry key cannot be made or a value cannot be
// written. It travels to the caller of the registration; the exported registration functions
// and IAMovieSetup turn it into SELFREG_E_CLASS. Thread contract: none (a value).
#include "runtime/Exception.h"

class ERegistrationError : public Exception {
public:
    ERegistrationError() : Exception("Error creating system registry entry") {}
};
