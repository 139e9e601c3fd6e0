#pragma once
// A value that one thread writes and another reads without a lock, as a plain flag or state:
// atomic so the program is free of data races, relaxed because no other memory is published
// through it (the locks order everything else).
#include <atomic>

template <class T>
class TRelaxedAtomic {
public:
    TRelaxedAtomic(T value = T{}) : value_(value) {}
    TRelaxedAtomic(const TRelaxedAtomic&) = delete;
    TRelaxedAtomic& operator=(const TRelaxedAtomic&) = delete;

    operator T() const { return value_.load(std::memory_order_relaxed); }
    TRelaxedAtomic& operator=(T value) {
        value_.store(value, std::memory_order_relaxed);
        return *this;
    }

private:
    std::atomic<T> value_;
};
