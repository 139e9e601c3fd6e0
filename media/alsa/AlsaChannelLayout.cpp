#include "media/alsa/AlsaChannelLayout.h"

#include "framework/interfaces/MediaGuids.h"
#include "framework/interfaces/StrmifTypes.h"

#include <algorithm>
#include <cstring>
#include <numeric>

AlsaChannelLayout::AlsaChannelLayout(const AlsaCaptureFormat& format)
    : rate_(format.rate), channels_(std::min(format.channels, kMaxCaptureChannels)) {
    std::iota(from_.begin(), from_.end(), 0);
    if (channels_ <= 2) return;
    std::vector<unsigned char> placed, unplaced;
    for (unsigned i = 0; i < channels_; ++i) {
        const DWORD speaker = format.speakers[i];
        // One speaker bit, not yet taken: the channel has a place the mask can name.
        if (speaker != 0 && (speaker & (speaker - 1)) == 0 && (mask_ & speaker) == 0) {
            mask_ |= speaker;
            placed.push_back((unsigned char)i);
        } else {
            unplaced.push_back((unsigned char)i);
        }
    }
    std::stable_sort(placed.begin(), placed.end(), [&](unsigned char a, unsigned char b) {
        return format.speakers[a] < format.speakers[b];
    });
    unsigned at = 0;
    for (unsigned char channel : placed)
        from_[at++] = channel;
    for (unsigned char channel : unplaced)
        from_[at++] = channel;
    for (unsigned i = 0; i < channels_; ++i)
        reorders_ = reorders_ || from_[i] != i;
}

std::vector<BYTE> AlsaChannelLayout::FormatBlock() const {
    WAVEFORMATEXTENSIBLE w{};
    w.Format.wFormatTag = WAVE_FORMAT_PCM;
    w.Format.nChannels = WORD(channels_);
    w.Format.nSamplesPerSec = rate_;
    w.Format.wBitsPerSample = 16;
    w.Format.nBlockAlign = WORD(channels_ * 2);
    w.Format.nAvgBytesPerSec = rate_ * w.Format.nBlockAlign;
    std::size_t size = sizeof(WAVEFORMATEX);
    if (channels_ > 2) {
        w.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
        w.Format.cbSize = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);
        w.wValidBitsPerSample = 16;
        w.dwChannelMask = mask_;
        w.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
        size = sizeof(WAVEFORMATEXTENSIBLE);
    }
    std::vector<BYTE> block(size);
    std::memcpy(block.data(), &w, size);
    return block;
}

void AlsaChannelLayout::Arrange(BYTE* data, unsigned long frames) const noexcept {
    if (!reorders_) return;
    const std::size_t frameBytes = std::size_t(channels_) * 2;
    BYTE frame[kMaxCaptureChannels * 2];
    for (unsigned long f = 0; f < frames; ++f, data += frameBytes) {
        std::memcpy(frame, data, frameBytes);
        for (unsigned i = 0; i < channels_; ++i) {
            data[2 * i] = frame[2 * from_[i]];
            data[2 * i + 1] = frame[2 * from_[i] + 1];
        }
    }
}
