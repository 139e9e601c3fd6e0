#pragma once
// The ALSA system as the capture filter and the device enumerator see it: which capture
// devices exist, what format a device offers, and opening one. The process has one current
// backend (ALSA itself unless a test installed another).
// Thread contract: any thread; implementations keep no shared mutable state.
#include "media/alsa/AlsaCaptureStream.h"

#include <memory>
#include <string>
#include <vector>

struct AlsaCaptureDevice {
    std::string name;        // the ALSA device name ("default", "plughw:CARD=X,DEV=0")
    std::string description; // what a user reads
};

struct AlsaCaptureFormat {
    unsigned rate = 0;
    unsigned channels = 0;
};

class AlsaBackend {
public:
    virtual ~AlsaBackend() = default;

    // The default capture device first, then every capture device of every card, then other
    // configured capture devices; never one that cannot capture.
    virtual std::vector<AlsaCaptureDevice> CaptureDevices() = 0;
    // The device's 16-bit format nearest to 48000 Hz, stereo where it can, else mono.
    // 0 or a negative errno.
    virtual int ProbeFormat(const std::string& device, AlsaCaptureFormat& format) = 0;
    // Opens the device in exactly that format with a buffer of at least minBufferMs.
    // 0 or a negative errno.
    virtual int Open(const std::string& device, const AlsaCaptureFormat& format,
                     unsigned minBufferMs, std::unique_ptr<AlsaCaptureStream>& stream) = 0;

    // The backend in use.
    static std::shared_ptr<AlsaBackend> Current();
    // Puts another backend in place (null brings ALSA back); answers the previous one.
    static std::shared_ptr<AlsaBackend> Replace(std::shared_ptr<AlsaBackend> backend);
};
