// The level follower plays a meter's blocks, which come a device period at a time, back at the
// pace of the sound: each take shows the loudest of the blocks due since the last one.
#include "app/TLevelFollower.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
constexpr double BlockMs = 20;

// Blocks first.. of count, each as loud as its number (in sample magnitude).
std::vector<AUDIO_PEAK_BLOCK> Blocks(ULONG first, ULONG count) {
    std::vector<AUDIO_PEAK_BLOCK> blocks;
    for (ULONG n = first; n < first + count; ++n)
        blocks.push_back({n, {WORD(n), WORD(2 * n)}});
    return blocks;
}

double Magnitude(const TLevelFollower::TLevels& levels, int channel) {
    return levels.Peak[channel] * AUDIO_METER_FULL_SCALE;
}

TEST(LevelFollower, PlaysABurstBackAtThePaceOfTheSoundAndHoldsItBriefly) {
    TLevelFollower follower;
    const auto burst = Blocks(1, 12); // a quarter of a second, read at once
    follower.Push(burst.data(), ULONG(burst.size()), BlockMs, 2);
    EXPECT_EQ(0, Magnitude(follower.Take(0), 0)) << "nothing is due at once";
    for (std::int64_t now = 40; now <= 240; now += 40) {
        const TLevelFollower::TLevels levels = follower.Take(now);
        EXPECT_DOUBLE_EQ(double(now / 20), Magnitude(levels, 0)) << now << " ms";
        EXPECT_DOUBLE_EQ(double(now / 10), Magnitude(levels, 1)) << now << " ms";
    }
    // The next period is late: the last level stays for a while, then falls to silence.
    EXPECT_DOUBLE_EQ(12, Magnitude(follower.Take(500), 0));
    EXPECT_DOUBLE_EQ(0, Magnitude(follower.Take(560), 0));
    // Time without blocks is not made up for (but for one block): the next burst is again played
    // at its pace.
    const auto next = Blocks(13, 6);
    follower.Push(next.data(), ULONG(next.size()), BlockMs, 2);
    EXPECT_DOUBLE_EQ(15, Magnitude(follower.Take(600), 0));
    EXPECT_DOUBLE_EQ(17, Magnitude(follower.Take(640), 0));
    EXPECT_DOUBLE_EQ(18, Magnitude(follower.Take(680), 0));
}

TEST(LevelFollower, NeverLagsTheSoundByMoreThanHalfASecond) {
    TLevelFollower follower;
    // A first read may bring two seconds at once: the meter shows their end, not their start.
    const auto burst = Blocks(0, 100);
    follower.Push(burst.data(), ULONG(burst.size()), BlockMs, 2);
    EXPECT_DOUBLE_EQ(74, Magnitude(follower.Take(0), 0)) << "the loudest of what is too old";
    EXPECT_DOUBLE_EQ(75, Magnitude(follower.Take(20), 0));
    EXPECT_DOUBLE_EQ(99, Magnitude(follower.Take(500), 0));
}
} // namespace
