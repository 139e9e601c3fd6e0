#pragma once
// Small helpers of the framework: a wide string in task memory, the seeking pass-through for
// pins, four-character codes, the platform's error text and freeing an object held in a
// variable. Thread contract: any thread; no shared state.
#include "framework/interfaces/Strmif.h"

#include <string>

// Copies text with its terminating 0 into task memory that the receiver frees.
HRESULT WideStringToTaskMem(const WideString& text, LPWSTR* buffer);

// Creates the platform's seeking pass-through, aggregated by outer, initialised with pin, and
// hands out its IUnknown.
HRESULT CreateSeekingPassThru(IUnknown* outer, bool isRenderer, IPin* pin, IUnknown** passThru);

// The first four characters as a code, the first in the lowest byte ("RIFF" is 0x46464952).
DWORD TextToFourCC(const std::string& text);

// The platform's message text for code; empty when there is none.
std::string MediaErrorText(HRESULT code);

// Takes the object out of the variable, clears the variable, then frees the object.
template <class T>
void FreeAndClear(T*& object) {
    T* taken = object;
    object = nullptr;
    delete taken;
}

// The failure a published method answers, inside a catch block, for the exception being
// handled: E_OUTOFMEMORY for exhausted memory, E_UNEXPECTED for a violated checked
// precondition or anything unknown, E_FAIL for any other error with a message.
HRESULT HResultFromCurrentException() noexcept;
