#include "Encoders/PcmInputFormat.h"

#include "framework/interfaces/MediaGuids.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {
// WAVE_FORMAT_EXTENSIBLE adds, behind the WAVEFORMATEX: valid bits (2 bytes), the channel
// mask (4) and the subformat (16).
constexpr std::size_t kValidBitsAt = sizeof(WAVEFORMATEX);
constexpr std::size_t kSubFormatAt = sizeof(WAVEFORMATEX) + 6;
constexpr std::size_t kExtensibleBytes = sizeof(WAVEFORMATEX) + 22;
} // namespace

bool ReadPcmInputFormat(const AM_MEDIA_TYPE& mediaType, PcmInputFormat& format) {
    // The 16-byte PCMWAVEFORMAT that some sources send is a WAVEFORMATEX without cbSize.
    if (mediaType.formattype != FORMAT_WaveFormatEx || !mediaType.pbFormat ||
        mediaType.cbFormat < offsetof(WAVEFORMATEX, cbSize))
        return false;
    WAVEFORMATEX wave{};
    std::memcpy(&wave, mediaType.pbFormat, std::min<std::size_t>(mediaType.cbFormat, sizeof wave));
    if (wave.wFormatTag == WAVE_FORMAT_EXTENSIBLE) {
        if (mediaType.cbFormat < kExtensibleBytes) return false;
        WORD validBits = 0;
        GUID subFormat{};
        std::memcpy(&validBits, mediaType.pbFormat + kValidBitsAt, sizeof validBits);
        std::memcpy(&subFormat, mediaType.pbFormat + kSubFormatAt, sizeof subFormat);
        if (subFormat != KSDATAFORMAT_SUBTYPE_PCM || validBits != PcmInputFormat::kBitsPerSample)
            return false;
    } else if (wave.wFormatTag != WAVE_FORMAT_PCM) {
        return false;
    }
    const PcmInputFormat read{wave.nChannels, wave.nSamplesPerSec};
    if (wave.wBitsPerSample != PcmInputFormat::kBitsPerSample || read.channels < 1 ||
        read.channels > PcmInputFormat::kMaxChannels || read.samplesPerSec == 0 ||
        wave.nBlockAlign != read.FrameBytes())
        return false;
    format = read;
    return true;
}
