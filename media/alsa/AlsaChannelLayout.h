#pragma once
// Where the channels of a capture format go in a WAV file. Up to two channels are PCM as the
// device delivers them. More need WAVE_FORMAT_EXTENSIBLE, whose channel mask names the speakers
// and requires the channels in the order of their speaker bits: the channels the device places
// come first in that order, the others (no place, or a place taken already) after them in the
// device's order, feeding no speaker in particular.
// Thread contract: made while the pin is stopped; Arrange runs on the streaming thread and
// changes nothing of the layout.
#include "media/alsa/AlsaBackend.h"
#include "runtime/WinTypes.h"

#include <array>
#include <vector>

class AlsaChannelLayout {
public:
    AlsaChannelLayout() = default;
    explicit AlsaChannelLayout(const AlsaCaptureFormat& format);

    // The format block to propose: a WAVEFORMATEX, or a WAVEFORMATEXTENSIBLE for more than
    // two channels.
    std::vector<BYTE> FormatBlock() const;
    DWORD ChannelMask() const { return mask_; }
    // The device's channels need another order in the file.
    bool Reorders() const { return reorders_; }
    // Puts frames of 16-bit samples into the file's order, in place; allocates nothing.
    void Arrange(BYTE* data, unsigned long frames) const noexcept;

private:
    unsigned rate_ = 0;
    unsigned channels_ = 0;
    DWORD mask_ = 0;
    bool reorders_ = false;
    // The device channel that each channel of the file comes from.
    std::array<unsigned char, kMaxCaptureChannels> from_{};
};
