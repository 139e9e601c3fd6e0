#include "media/devices/SoundServer.h"

#include "media/devices/PulseSoundServer.h"

#include <mutex>

namespace {
std::mutex lock;
std::shared_ptr<SoundServer>& Slot() {
    static auto* slot = new std::shared_ptr<SoundServer>; // outlives static destructors
    return *slot;
}
} // namespace

std::shared_ptr<SoundServer> SoundServer::Current() {
    std::lock_guard guard(lock);
    if (!Slot()) Slot() = std::make_shared<PulseSoundServer>();
    return Slot();
}

std::shared_ptr<SoundServer> SoundServer::Replace(std::shared_ptr<SoundServer> server) {
    std::lock_guard guard(lock);
    std::shared_ptr<SoundServer> previous = std::move(Slot());
    Slot() = std::move(server);
    return previous;
}
