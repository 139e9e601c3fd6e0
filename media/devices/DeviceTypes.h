#pragma once
// Records of the system device enumerator: what a sound server says of its sources, and one
// device of the audio input category as its moniker, its property bag and its filter need it.
#include "media/alsa/AlsaBackend.h"

#include <string>
#include <vector>

// One source of a PulseAudio-compatible sound server, as its introspection describes it.
struct SoundServerSource {
    std::string name;        // the server's name of it; ALSA opens it as "pulse:<name>"
    std::string description; // the server's description
    // A monitor (what an output plays) rather than an input (a microphone, a line input).
    bool monitor = false;
    std::string monitorOf; // a monitor's output, by its description
    unsigned rate = 0;     // its sample format
    unsigned channels = 0;
};

// What a sound server answered, its sources in its own order.
struct SoundServerAnswer {
    bool answered = false; // false: no server answered in time
    std::string defaultSource;
    std::vector<SoundServerSource> sources;
};

// One device of the audio input category.
struct CaptureDeviceEntry {
    AlsaCaptureDevice device; // the ALSA device its filter opens, and its name
    AlsaCaptureFormat wanted; // its own format where a sound server named it (zeros: ask)
    std::string monitorOf;    // the output whose sound a monitor records ("MonitorOf")
};
