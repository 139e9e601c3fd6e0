#include "app/TLevelFollower.h"

#include <algorithm>
#include <cmath>

void TLevelFollower::Restart() {
    *this = TLevelFollower();
}

TLevelFollower::TLevels TLevelFollower::Follow(IAudioLevelMeter& meter, std::int64_t nowMs,
                                               AUDIO_METER_INFO& info) {
    info = AUDIO_METER_INFO{};
    if (FAILED(meter.GetMeterInfo(&info)) || info.cChannels == 0 || info.nSamplesPerSec == 0) {
        info = AUDIO_METER_INFO{};
        return {};
    }
    if (info.cBlocks < FNext) Restart(); // the meter began a new stream
    const unsigned channels = std::min(info.cChannels, AUDIO_METER_CHANNELS);
    FChannels = channels;
    const double blockMs = 1000.0 * info.cFramesPerBlock / info.nSamplesPerSec;
    AUDIO_PEAK_BLOCK blocks[32];
    while (FNext < info.cBlocks) {
        ULONG fetched = 0;
        (void)meter.GetPeakBlocks(FNext, ULONG(std::size(blocks)), blocks, &fetched);
        if (fetched == 0) break;
        Push(blocks, fetched, blockMs, channels);
    }
    FNext = std::max(FNext, info.cBlocks);
    return Take(nowMs);
}

void TLevelFollower::Push(const AUDIO_PEAK_BLOCK* blocks, ULONG count, double blockMs,
                          unsigned channels) {
    FBlockMs = blockMs > 0 ? blockMs : FBlockMs;
    FChannels = std::min<unsigned>(channels, AUDIO_METER_CHANNELS);
    for (ULONG i = 0; i < count; ++i) {
        TPeaks peaks;
        std::copy(std::begin(blocks[i].wPeak), std::end(blocks[i].wPeak), peaks.begin());
        PushBack(peaks);
        FNext = std::max(FNext, blocks[i].nBlock + 1);
    }
    // Far more than the lag allows (a first read may bring two seconds at once) is of no use.
    const std::size_t most = std::min(std::size_t(2 * MaxLagMs / FBlockMs) + 1, Capacity);
    while (FPending > most)
        (void)PopFront();
}

void TLevelFollower::PushBack(const TPeaks& peaks) {
    if (FPending == Capacity) (void)PopFront();
    FRing[(FHead + FPending) % Capacity] = peaks;
    ++FPending;
}

TLevelFollower::TPeaks TLevelFollower::PopFront() {
    const TPeaks peaks = FRing[FHead];
    FHead = (FHead + 1) % Capacity;
    --FPending;
    return peaks;
}

TLevelFollower::TLevels TLevelFollower::Take(std::int64_t nowMs) {
    if (!FStarted) {
        FStarted = true;
        FLastTake = FLastDue = nowMs;
    }
    FBudget += double(nowMs - FLastTake) / FBlockMs;
    FLastTake = nowMs;
    std::size_t due = std::size_t(std::max(FBudget, 0.0));
    // Never further behind the newest block than the lag allows.
    const std::size_t kept = std::size_t(MaxLagMs / FBlockMs);
    if (FPending > kept + due) due = FPending - kept;
    due = std::min(due, FPending);

    if (due > 0) {
        TPeaks peak{};
        for (std::size_t i = 0; i < due; ++i) {
            const TPeaks taken = PopFront();
            for (std::size_t c = 0; c < peak.size(); ++c)
                peak[c] = std::max(peak[c], taken[c]);
        }
        FShown.Channels = FChannels;
        for (std::size_t c = 0; c < peak.size(); ++c)
            FShown.Peak[c] = c < FChannels ? double(peak[c]) / AUDIO_METER_FULL_SCALE : 0.0;
        FBudget = std::max(FBudget - double(due), 0.0);
        FLastDue = nowMs;
    } else if (nowMs - FLastDue > HoldEmptyMs) {
        FShown = TLevels{FChannels, {}};
    }
    // Time without blocks to take is not made up for later: that would only run ahead.
    if (FPending == 0) FBudget = std::min(FBudget, 1.0);
    FShown.Channels = FChannels;
    return FShown;
}
