#pragma once
// The capture devices of alsa-lib: listed from its configuration's device hints and its
// cards' control interfaces, opened with the hardware parameters the capture filter needs.
// Thread contract: any thread.
#include "media/alsa/AlsaBackend.h"

class AlsaLibBackend final : public AlsaBackend {
public:
    std::vector<AlsaCaptureDevice> CaptureDevices() override;
    int ProbeFormat(const std::string& device, AlsaCaptureFormat& format) override;
    int Open(const std::string& device, const AlsaCaptureFormat& format, unsigned minBufferMs,
             std::unique_ptr<AlsaCaptureStream>& stream) override;
};
