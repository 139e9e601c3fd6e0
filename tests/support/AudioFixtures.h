#pragma once
// Sound of known level, for the tests and benchmarks of level meters: 16-bit little-endian
// interleaved frames, one wave per channel. A sine of 1 kHz at 48 kHz reaches its peak exactly
// (every 48 samples), so a meter must read its level to the hundredth of a decibel.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

struct ToneChannel {
    enum class TWave { Sine, Square, Silence };
    TWave wave = TWave::Sine;
    double dbfs = 0; // the peak, against a full scale of 32768
    double hz = 1000;
};

inline ToneChannel Sine(double dbfs, double hz = 1000) {
    return {ToneChannel::TWave::Sine, dbfs, hz};
}
// A square wave at full scale: every sample at one end of the 16-bit range.
inline ToneChannel FullScaleSquare(double hz = 1000) {
    return {ToneChannel::TWave::Square, 0, hz};
}
inline ToneChannel Silence() {
    return {ToneChannel::TWave::Silence, 0, 0};
}

// The sample magnitude of a peak level (at most 32767).
inline double PeakOf(double dbfs) {
    return std::min(32768.0 * std::pow(10.0, dbfs / 20.0), 32767.0);
}

inline std::vector<unsigned char> Tone(unsigned rate, double seconds,
                                       const std::vector<ToneChannel>& channels) {
    const auto frames = std::size_t(std::lround(rate * seconds));
    std::vector<unsigned char> bytes(frames * channels.size() * 2);
    const double pi = std::acos(-1.0);
    for (std::size_t f = 0; f < frames; ++f) {
        for (std::size_t c = 0; c < channels.size(); ++c) {
            const ToneChannel& tone = channels[c];
            const double phase = std::fmod(double(f) * tone.hz / rate, 1.0);
            long value = 0;
            switch (tone.wave) {
            case ToneChannel::TWave::Sine:
                value = std::lround(PeakOf(tone.dbfs) * std::sin(2 * pi * phase));
                break;
            case ToneChannel::TWave::Square:
                value = phase < 0.5 ? 32767 : -32768;
                break;
            case ToneChannel::TWave::Silence:
                break;
            }
            const auto sample = std::uint16_t(std::int16_t(value));
            bytes[(f * channels.size() + c) * 2] = std::uint8_t(sample);
            bytes[(f * channels.size() + c) * 2 + 1] = std::uint8_t(sample >> 8);
        }
    }
    return bytes;
}

// The level of a sample magnitude in dBFS.
inline double DbfsOf(double magnitude) {
    return 20.0 * std::log10(magnitude / 32768.0);
}
