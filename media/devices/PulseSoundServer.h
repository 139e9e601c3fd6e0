#pragma once
// The sources of a running PulseAudio-compatible sound server (PulseAudio itself, or PipeWire's
// pulse server), asked through libpulse's introspection on a main loop of the call's own:
// the server's default source, every source with its description and sample format, and for a
// monitor the description of the output it belongs to. A server is never started
// (PA_CONTEXT_NOAUTOSPAWN); one that does not answer within the time is given up, and so is
// every server where libpulse is not installed (it is loaded at the first call, PulseLibrary).
// Thread contract: any thread; each call has its own connection.
#include "media/devices/SoundServer.h"

class PulseSoundServer final : public SoundServer {
public:
    SoundServerAnswer Sources(std::chrono::milliseconds timeout) override;
};
