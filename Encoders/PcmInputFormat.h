#pragma once
// The input the encoder filters take: 16-bit PCM described by a WAVEFORMATEX format block
// (WAVE_FORMAT_PCM, or WAVE_FORMAT_EXTENSIBLE with the PCM subformat), 1 to 8 channels
// interleaved in the WAV channel order, little-endian.
// Thread contract: plain values; no shared state.
#include "framework/interfaces/MediaGuids.h" // KSDATAFORMAT_SUBTYPE_PCM
#include "framework/interfaces/StrmifTypes.h"

struct PcmInputFormat {
    static constexpr unsigned kBitsPerSample = 16;
    static constexpr unsigned kMaxChannels = 8;

    unsigned channels = 0;
    unsigned samplesPerSec = 0;

    // Bytes of one frame: one sample of every channel.
    unsigned FrameBytes() const { return channels * (kBitsPerSample / 8); }
};

// The format of mediaType when it is 16-bit PCM of 1 to 8 channels at a rate above 0 in a
// WAVEFORMATEX block whose sizes agree with each other; false for anything else.
bool ReadPcmInputFormat(const AM_MEDIA_TYPE& mediaType, PcmInputFormat& format);
