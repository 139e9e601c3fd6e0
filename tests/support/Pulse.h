#pragma once
// The test sound server: the private PulseAudio daemon of scripts/with-pulse or the private
// PipeWire session of scripts/with-pipewire, started beside the tests; both scripts name its
// runtime folder in HYMNARO_PULSE_RUNTIME_DIR. How ALSA reaches it: SoundServerAlsa.h.
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Makes the test sound server this process's and answers true; without one the running test
// is skipped, or failed where HYMNARO_REQUIRE_PULSE=1 demands one (scripts/test and CI do),
// and the answer is false. Call it first in SetUp or in a test and return when it
// answers false.
bool RequirePulse();

// The variables that lead a client to the server (XDG_RUNTIME_DIR, PULSE_RUNTIME_PATH and,
// when the server made one, PULSE_COOKIE); none without a server.
std::vector<std::pair<std::string, std::string>> PulseClientEnvironment();

// What pactl prints for the arguments, run against the test sound server (after
// RequirePulse); nothing when it fails. PulseAudio and PipeWire's pulse server both answer it.
std::optional<std::string> Pactl(const std::string& arguments);

// Each source of the test sound server by name, with its description.
std::map<std::string, std::string> PulseSourceDescriptions();

// A module loaded into the test sound server for the scope (module-null-sink, say), unloaded
// at the end or by Unload.
class PulseModule {
public:
    explicit PulseModule(const std::string& arguments);
    ~PulseModule();
    PulseModule(const PulseModule&) = delete;
    PulseModule& operator=(const PulseModule&) = delete;

    bool Loaded() const { return !index_.empty(); }
    void Unload();

private:
    std::string index_;
};
