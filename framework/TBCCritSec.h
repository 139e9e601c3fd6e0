#pragma once
// The recursive lock of filters and pins. Thread contract: any thread; the same thread may
// enter it again. Usable with std::lock_guard.
#include <mutex>

class TBCCritSec {
public:
    TBCCritSec() = default;
    TBCCritSec(const TBCCritSec&) = delete;
    TBCCritSec& operator=(const TBCCritSec&) = delete;

    void Enter() { Section.lock(); }
    void Leave() { Section.unlock(); }
    // Always true: the framework's "caller holds the lock" checks never fail.
    bool HeldByCaller() const { return true; }

    void lock() { Enter(); }
    void unlock() { Leave(); }

private:
    std::recursive_mutex Section;
};

// Holds a TBCCritSec for the enclosing scope.
using TBCAutoLock = std::lock_guard<TBCCritSec>;
