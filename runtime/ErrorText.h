#pragma once
// The platform's message texts for result codes. Thread contract: any thread; the table is
// constant.
#include "runtime/HResult.h"

// Copies the text for code into buffer (at most maxLength characters, the last one a 0) and
// answers the number of characters copied without the 0. Answers 0 and leaves the buffer
// alone when there is no text for the code or no room in the buffer.
DWORD AMGetErrorTextA(HRESULT code, char* buffer, DWORD maxLength);
