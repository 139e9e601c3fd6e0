#pragma once
// The ALSA system as the capture filter and the device enumerator see it: which capture
// devices exist, what format a device offers, and opening one. The process has one current
// backend (ALSA itself unless a test installed another).
// Thread contract: any thread; implementations keep no shared mutable state.
#include "media/alsa/AlsaCaptureStream.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The most channels a recording takes; a device with more is recorded with its first ones.
inline constexpr unsigned kMaxCaptureChannels = 8;
// The device through which ALSA's pulse plugin opens a source of a PulseAudio-compatible sound
// server (PulseAudio, PipeWire's pulse server) by name: "pulse:<source name>".
inline constexpr const char* kSoundServerDevice = "pulse";

struct AlsaCaptureFormat {
    unsigned rate = 0;
    unsigned channels = 0;
    // Where each channel sounds, as a speaker bit of WAVEFORMATEXTENSIBLE (SPEAKER_FRONT_LEFT,
    // ...); 0 where the device does not say.
    std::array<std::uint32_t, kMaxCaptureChannels> speakers{};
};

struct AlsaCaptureDevice {
    std::string name;        // the ALSA device name ("default", "plughw:CARD=X,DEV=0")
    std::string description; // what a user reads
    // A sound card's device (listed only where no sound server answers), as opposed to the
    // default device.
    bool card = false;
    // The default device is a sound server's plugin: it records the server's default source.
    bool followsSoundServer = false;
};

class AlsaBackend {
public:
    virtual ~AlsaBackend() = default;

    // The default capture device first (when it can capture), then, with cards, every capture
    // device of every card through the plug layer, which converts whatever the hardware
    // delivers.
    virtual std::vector<AlsaCaptureDevice> CaptureDevices(bool cards) = 0;
    // ALSA's configuration has the sound server's plugin device (kSoundServerDevice), so a
    // server's source can be opened.
    virtual bool OpensSoundServerSources() = 0;
    // The format to record the device in, 16-bit: the wanted rate and channel count when the
    // device takes them (a sound server's source, whose own format the server names), else
    // the device's own (what the plug layer reports as native: the rate nearest 48000 Hz, the
    // channel count nearest two, at most kMaxCaptureChannels), with the channels' speakers
    // where the device names them. 0 or a negative errno.
    virtual int ProbeFormat(const std::string& device, const AlsaCaptureFormat& wanted,
                            AlsaCaptureFormat& format) = 0;
    // Opens the device in exactly that format with a buffer of at least minBufferMs.
    // 0 or a negative errno.
    virtual int Open(const std::string& device, const AlsaCaptureFormat& format,
                     unsigned minBufferMs, std::unique_ptr<AlsaCaptureStream>& stream) = 0;

    // The backend in use.
    static std::shared_ptr<AlsaBackend> Current();
    // Puts another backend in place (null brings ALSA back); answers the previous one.
    static std::shared_ptr<AlsaBackend> Replace(std::shared_ptr<AlsaBackend> backend);
};
