#pragma once
// Reading back what the encoder filters write: FLAC through libFLAC's decoder, Ogg pages by
// their headers, Opus through opus-tools (opusinfo, opusdec), decoded WAV files; and the PCM
// the tests feed them.
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// Interleaved 16-bit little-endian PCM: a tone of frequency in every channel, at the channel's
// gain (1 when none is given; the full scale is 1), with a little noise, so that a lossless
// encoder has work to do.
Bytes TonePcm(unsigned rate, unsigned channels, double seconds, double frequency = 440,
              const std::vector<double>& gains = {}, unsigned seed = 1);

struct FlacStream {
    bool decoded = false; // the decoder reached the end without a fatal error
    unsigned channels = 0, rate = 0, bits = 0;
    std::uint64_t totalSamples = 0; // STREAMINFO's count; 0 means unknown
    bool md5Set = false;            // STREAMINFO carries an MD5
    bool md5Matched = false;        // and the decoded audio has it
    Bytes pcm;                      // 16-bit little-endian, interleaved
    std::uint64_t lastFrameEnd =
        0;          // the byte offset behind the last complete frame (or the headers)
    int errors = 0; // frames the decoder could not read (a cut-off end)
    std::vector<std::string> comments;
};
FlacStream DecodeFlac(const Bytes& file);

struct OggPage {
    std::size_t offset = 0, size = 0;
    std::int64_t granule = 0;
    unsigned char flags = 0; // 2: first page, 4: last page of the stream
};
// The complete pages from the start of file (a page cut off at the end is not one).
std::vector<OggPage> OggPages(const Bytes& file);

struct Pcm {
    unsigned channels = 0, rate = 0;
    Bytes data; // 16-bit little-endian, interleaved
    std::size_t Frames() const { return channels ? data.size() / (2 * channels) : 0; }
    double Seconds() const { return rate ? double(Frames()) / rate : 0; }
    int Sample(std::size_t frame, unsigned channel) const;
};
// Reads a 16-bit WAV file (PCM or extensible); false when it is not one.
bool ReadWav(const std::string& path, Pcm& pcm);
// Decodes an Opus file with opusdec into a WAV file beside it; false when opusdec fails.
bool DecodeOpus(const std::string& opusPath, Pcm& pcm);

// The frequency of the tone in channel, from its rising zero crossings after skip seconds.
double ToneFrequency(const Pcm& pcm, unsigned channel, double skipSeconds = 0.1);
// The root mean square of channel, full scale 1.
double ChannelLevel(const Pcm& pcm, unsigned channel);

// Runs a shell command; its exit status, with what it printed (both streams) in output.
int RunCommand(const std::string& command, std::string* output = nullptr);
