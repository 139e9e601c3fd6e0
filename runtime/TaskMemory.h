#pragma once
// The task allocator: memory handed across interfaces. Thread contract: any thread.
#include "runtime/WinTypes.h"

void* CoTaskMemAlloc(SIZE_T size);
void* CoTaskMemRealloc(void* block, SIZE_T size);
void CoTaskMemFree(void* block);
