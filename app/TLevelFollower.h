#pragma once
// Follows a capture filter's level meter at the pace of the sound. The meter's blocks arrive a
// device period at a time (a quarter of a second of them at once); handed out as they arrive, a
// meter would jump four times a second. The follower plays them back at the rate they were
// captured instead: each Take hands out the highest peaks of the blocks that became due since
// the last one, about a period behind the sound and never more than MaxLagMs. When the blocks
// run out for a moment the last level stays; after HoldEmptyMs without any it falls to silence.
// Thread contract: one thread (the GUI thread), no lock.
#include "framework/interfaces/RecordingFigures.h"

#include <array>
#include <cstddef>
#include <cstdint>

class TLevelFollower {
public:
    static constexpr int MaxLagMs = 500;
    static constexpr int HoldEmptyMs = 300;

    struct TLevels {
        unsigned Channels = 0;
        std::array<double, AUDIO_METER_CHANNELS> Peak{}; // fractions of full scale, 0 to 1
    };

    // A new stream: nothing taken, nothing pending.
    void Restart();
    // Reads the meter's new blocks (info gets what the meter tells besides) and takes the
    // levels due at nowMs (a steady clock's milliseconds).
    TLevels Follow(IAudioLevelMeter& meter, std::int64_t nowMs, AUDIO_METER_INFO& info);

    // The two halves of Follow: blocks of blockMs each measuring channels, and the levels due
    // at nowMs.
    void Push(const AUDIO_PEAK_BLOCK* blocks, ULONG count, double blockMs, unsigned channels);
    TLevels Take(std::int64_t nowMs);

private:
    using TPeaks = std::array<WORD, AUDIO_METER_CHANNELS>;
    // The blocks not yet taken, oldest first: a ring, so that following allocates nothing.
    static constexpr std::size_t Capacity = 128;
    void PushBack(const TPeaks& peaks);
    TPeaks PopFront();
    std::array<TPeaks, Capacity> FRing{};
    std::size_t FHead = 0;
    std::size_t FPending = 0;
    ULONG FNext = 0; // the meter's next block to read
    unsigned FChannels = 0;
    double FBlockMs = 20;
    double FBudget = 0; // blocks due but not yet taken
    bool FStarted = false;
    std::int64_t FLastTake = 0;
    std::int64_t FLastDue = 0;
    TLevels FShown;
};
