#pragma once
// The PulseAudio-compatible sound server as the device enumerator sees it: its sources. The
// process has one current sound server (libpulse's, PulseSoundServer, unless a test installed
// another).
// Thread contract: any thread; implementations keep no shared mutable state.
#include "media/devices/DeviceTypes.h"

#include <chrono>
#include <memory>

class SoundServer {
public:
    virtual ~SoundServer() = default;

    // Asks the running server for its sources; never starts one. Gives up once the time has
    // passed (answered false, as when none runs).
    virtual SoundServerAnswer Sources(std::chrono::milliseconds timeout) = 0;

    // The sound server in use.
    static std::shared_ptr<SoundServer> Current();
    // Puts another in place (null brings libpulse's back); answers the previous one.
    static std::shared_ptr<SoundServer> Replace(std::shared_ptr<SoundServer> server);
};
