#pragma once
// The pitch of a recorded tone: the frequency of the first channel of 16-bit little-endian PCM
// frames, from the periods between its rising zero crossings. A test source that falls behind
// under load (PipeWire's fed sine) leaves short gaps: the periods that span one (off the
// median by a tenth or more) are left out, so the tone is measured, not the gaps. 0 when it
// cannot be told: fewer than a hundred periods, or more than a tenth of them left out.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

inline double ToneFrequency(const std::vector<unsigned char>& data, unsigned channels,
                            unsigned rate) {
    const std::size_t frameBytes = std::size_t(channels) * 2;
    if (frameBytes == 0) return 0;
    const std::size_t frames = data.size() / frameBytes;
    auto first = [&](std::size_t frame) {
        const std::size_t at = frame * frameBytes;
        return std::int16_t(data[at] | data[at + 1] << 8);
    };
    std::vector<std::size_t> periods;
    for (std::size_t i = 1, previous = 0; i < frames; ++i)
        if (first(i - 1) < 0 && first(i) >= 0) {
            if (previous) periods.push_back(i - previous);
            previous = i;
        }
    if (periods.size() <= 100) return 0;
    std::vector<std::size_t> sorted = periods;
    std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(sorted.size() / 2),
                     sorted.end());
    const double median = double(sorted[sorted.size() / 2]);
    double spanned = 0, kept = 0;
    for (const std::size_t period : periods)
        if (double(period) > 0.9 * median && double(period) < 1.1 * median) {
            spanned += double(period);
            ++kept;
        }
    if (kept <= 0.9 * double(periods.size())) return 0;
    return kept * double(rate) / spanned;
}
