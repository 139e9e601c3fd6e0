#include "media/alsa/PeakMeter.h"

#include <algorithm>
#include <cstring>

namespace {
// A sample at either end of the 16-bit range reached full scale.
constexpr unsigned kFullScale = 32767;

// The highest magnitude and the full-scale samples of each channel of n interleaved frames.
template <unsigned Channels>
void MeasureFrames(const BYTE* at, unsigned long n, std::uint16_t* peak, ULONG* clipped) {
    unsigned highest[Channels]{};
    ULONG full[Channels]{};
    for (unsigned long f = 0; f < n; ++f, at += 2 * Channels) {
        for (unsigned c = 0; c < Channels; ++c) {
            std::int16_t sample;
            std::memcpy(&sample, at + 2 * c, 2);
            const unsigned magnitude = unsigned(sample < 0 ? -int(sample) : int(sample));
            highest[c] = std::max(highest[c], magnitude);
            full[c] += magnitude >= kFullScale;
        }
    }
    for (unsigned c = 0; c < Channels; ++c) {
        peak[c] = std::max(peak[c], std::uint16_t(highest[c]));
        clipped[c] += full[c];
    }
}

using TMeasure = void (*)(const BYTE*, unsigned long, std::uint16_t*, ULONG*);
// The loop for each channel count, so that the compiler unrolls the channels.
constexpr TMeasure kMeasure[AUDIO_METER_CHANNELS] = {
    MeasureFrames<1>, MeasureFrames<2>, MeasureFrames<3>, MeasureFrames<4>,
    MeasureFrames<5>, MeasureFrames<6>, MeasureFrames<7>, MeasureFrames<8>};
} // namespace

void PeakMeter::Start(unsigned rate, unsigned channels) noexcept {
    channels_ = channels <= AUDIO_METER_CHANNELS ? channels : 0;
    framesPerBlock_ = std::max<unsigned long>(rate / BlocksPerSecond, 1);
    filled_ = 0;
    std::fill(std::begin(peak_), std::end(peak_), 0);
    next_ = 0;
    blocks_.store(0, std::memory_order_relaxed);
    for (auto& block : kept_) {
        block.number.store(0, std::memory_order_relaxed);
        for (auto& word : block.peaks)
            word.store(0, std::memory_order_relaxed);
    }
    for (auto& count : clipped_)
        count.store(0, std::memory_order_relaxed);
    publishedRate_.store(rate, std::memory_order_relaxed);
    publishedFramesPerBlock_.store(ULONG(framesPerBlock_), std::memory_order_relaxed);
    publishedChannels_.store(channels_, std::memory_order_release);
}

void PeakMeter::Measure(const BYTE* frames, unsigned long count) noexcept {
    if (channels_ == 0 || !frames) return;
    const TMeasure measure = kMeasure[channels_ - 1];
    ULONG clipped[AUDIO_METER_CHANNELS]{};
    while (count > 0) {
        const unsigned long n = std::min(count, framesPerBlock_ - filled_);
        measure(frames, n, peak_, clipped);
        frames += n * channels_ * 2;
        count -= n;
        filled_ += n;
        if (filled_ == framesPerBlock_) Publish();
    }
    for (unsigned c = 0; c < channels_; ++c)
        if (clipped[c]) clipped_[c].fetch_add(clipped[c], std::memory_order_relaxed);
}

void PeakMeter::Publish() noexcept {
    KeptBlock& block = kept_[next_ % BlocksKept];
    block.number.store(0, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    for (std::size_t w = 0; w < block.peaks.size(); ++w) {
        std::uint64_t word = 0;
        for (unsigned i = 0; i < 4; ++i)
            word |= std::uint64_t(peak_[4 * w + i]) << (16 * i);
        block.peaks[w].store(word, std::memory_order_relaxed);
    }
    block.number.store(std::uint32_t(next_ + 1), std::memory_order_release);
    ++next_;
    blocks_.store(next_, std::memory_order_release);
    filled_ = 0;
    std::fill(std::begin(peak_), std::end(peak_), 0);
}

void PeakMeter::Info(AUDIO_METER_INFO& info) const noexcept {
    info = AUDIO_METER_INFO{};
    info.cChannels = publishedChannels_.load(std::memory_order_acquire);
    info.nSamplesPerSec = publishedRate_.load(std::memory_order_relaxed);
    info.cFramesPerBlock = publishedFramesPerBlock_.load(std::memory_order_relaxed);
    info.cBlocks = blocks_.load(std::memory_order_acquire);
    for (ULONG c = 0; c < AUDIO_METER_CHANNELS; ++c)
        info.cClipped[c] = clipped_[c].load(std::memory_order_relaxed);
}

ULONG PeakMeter::Blocks(ULONG first, ULONG count, AUDIO_PEAK_BLOCK* blocks) const noexcept {
    const ULONG measured = blocks_.load(std::memory_order_acquire);
    ULONG number = measured > BlocksKept ? std::max(first, measured - BlocksKept) : first;
    ULONG copied = 0;
    for (; number < measured && copied < count; ++number) {
        const KeptBlock& kept = kept_[number % BlocksKept];
        const std::uint32_t wanted = std::uint32_t(number + 1);
        // Being overwritten, or overwritten by a newer block since blocks_ was read: that one
        // is gone.
        if (kept.number.load(std::memory_order_acquire) != wanted) continue;
        std::uint64_t words[AUDIO_METER_CHANNELS / 4];
        for (std::size_t w = 0; w < std::size(words); ++w)
            words[w] = kept.peaks[w].load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (kept.number.load(std::memory_order_relaxed) != wanted) continue;
        AUDIO_PEAK_BLOCK& block = blocks[copied++];
        block.nBlock = number;
        for (ULONG c = 0; c < AUDIO_METER_CHANNELS; ++c)
            block.wPeak[c] = WORD(words[c / 4] >> (16 * (c % 4)) & 0xFFFF);
    }
    return copied;
}
