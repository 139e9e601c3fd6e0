#pragma once
// The capture devices of alsa-lib: the default device from its configuration and the capture
// devices of its cards, probed for their own format and opened with the hardware parameters
// the capture filter needs.
// Thread contract: any thread.
#include "media/alsa/AlsaBackend.h"

class AlsaLibBackend final : public AlsaBackend {
public:
    std::vector<AlsaCaptureDevice> CaptureDevices(bool cards) override;
    bool OpensSoundServerSources() override;
    int ProbeFormat(const std::string& device, const AlsaCaptureFormat& wanted,
                    AlsaCaptureFormat& format) override;
    int Open(const std::string& device, const AlsaCaptureFormat& format, unsigned minBufferMs,
             std::unique_ptr<AlsaCaptureStream>& stream) override;
};
