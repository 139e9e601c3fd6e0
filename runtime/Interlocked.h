#pragma once
// Atomic increment and decrement of shared 32-bit counters; both return the new value.
#include "runtime/WinTypes.h"

#include <atomic>

inline LONG InterlockedIncrement(std::atomic<LONG>& value) {
    return ++value;
}
inline LONG InterlockedDecrement(std::atomic<LONG>& value) {
    return --value;
}
