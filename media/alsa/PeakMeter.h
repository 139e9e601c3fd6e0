#pragma once
// The peak levels of the sound a capture stream delivers: per channel the highest sample
// magnitude of each block of a fiftieth of a second (the last BlocksKept blocks are kept), and
// the samples that reached full scale. 16-bit interleaved frames of up to AUDIO_METER_CHANNELS
// channels (a stream of more is not measured).
// Thread contract: Start while nothing measures (the filter's control thread before its
// streaming thread starts); Measure on the streaming thread, without a lock or an allocation;
// Info and Blocks on any thread at any time: what they read is published through atomics (a
// kept block is written as a sequence lock: its number is 0 while its peaks change).
#include "framework/interfaces/RecordingFigures.h"

#include <array>
#include <atomic>
#include <cstdint>

class PeakMeter {
public:
    static constexpr unsigned BlocksPerSecond = 50;
    static constexpr ULONG BlocksKept = 64; // 1.28 s: a reader a second late still finds them

    // A new stream: nothing measured yet.
    void Start(unsigned rate, unsigned channels) noexcept;
    // Measures frames just read (one pass, while they are in the cache).
    void Measure(const BYTE* frames, unsigned long count) noexcept;

    // What was measured; cOverruns is the caller's to fill in.
    void Info(AUDIO_METER_INFO& info) const noexcept;
    // As IAudioLevelMeter::GetPeakBlocks: the number of blocks copied.
    ULONG Blocks(ULONG first, ULONG count, AUDIO_PEAK_BLOCK* blocks) const noexcept;

private:
    void Publish() noexcept;

    // The measuring thread's own.
    unsigned channels_ = 0;
    unsigned long framesPerBlock_ = 0;
    unsigned long filled_ = 0; // frames of the block under way
    std::uint16_t peak_[AUDIO_METER_CHANNELS]{};
    ULONG next_ = 0; // the number of the block under way

    // A kept block: its number + 1 (0 while it is written), and four channels' peaks to a word,
    // the first channel in the low bits.
    struct KeptBlock {
        std::atomic<std::uint32_t> number{0};
        std::array<std::atomic<std::uint64_t>, AUDIO_METER_CHANNELS / 4> peaks{};
    };
    static_assert(AUDIO_METER_CHANNELS % 4 == 0);

    // Published: the format, the blocks measured, the kept blocks and the full-scale samples.
    std::atomic<ULONG> publishedChannels_{0};
    std::atomic<ULONG> publishedRate_{0};
    std::atomic<ULONG> publishedFramesPerBlock_{0};
    std::atomic<ULONG> blocks_{0};
    std::array<KeptBlock, BlocksKept> kept_{};
    std::array<std::atomic<ULONG>, AUDIO_METER_CHANNELS> clipped_{};
};
