#include "media/alsa/AlsaBackend.h"

#include "media/alsa/AlsaLibBackend.h"

#include <mutex>

namespace {
std::mutex lock;
std::shared_ptr<AlsaBackend>& Slot() {
    static auto* slot = new std::shared_ptr<AlsaBackend>; // outlives static destructors
    return *slot;
}
} // namespace

std::shared_ptr<AlsaBackend> AlsaBackend::Current() {
    std::lock_guard guard(lock);
    if (!Slot()) Slot() = std::make_shared<AlsaLibBackend>();
    return Slot();
}

std::shared_ptr<AlsaBackend> AlsaBackend::Replace(std::shared_ptr<AlsaBackend> backend) {
    std::lock_guard guard(lock);
    std::shared_ptr<AlsaBackend> previous = std::move(Slot());
    Slot() = std::move(backend);
    return previous;
}
