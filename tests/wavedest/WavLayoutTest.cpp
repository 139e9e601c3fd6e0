// The WAV layout's reader: where the audio starts and what the header claims, against the file
// it came from, for the files a recorder leaves (complete, cut off while running, never given
// a header) and for what other writers put in.
#include "WaveDest/WavLayout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes Le32(std::uint32_t v) {
    return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}
Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}
Bytes Code(const char (&code)[5]) {
    return Bytes(code, code + 4);
}

// 48 kHz 16-bit stereo PCM: tag 1, 2 channels, 48000 Hz, 192000 bytes a second, block 4,
// 16 bits, then cbSize 0.
const Bytes kPcm = {1, 0, 2, 0, 0x80, 0xBB, 0, 0, 0x00, 0xEE, 0x02, 0, 4, 0, 16, 0, 0, 0};

struct ReadCase {
    const char* name;
    Bytes file;
    std::size_t readBytes; // of the file's start given to the reader; 0: all of it
    std::uint64_t fileBytes;
    bool found;
    const char* problem;
    std::uint64_t dataAt;
    std::uint32_t dataBytes;
    bool claimsFit;
    bool claimsBeyondFile;
};

TEST(WavLayout, ReadsWhereTheAudioStartsAndWhatTheHeaderClaims) {
    const Bytes audio(100, 0x55);
    const Bytes complete = Concat({Code("RIFF"), Le32(46 + 100 - 8), Code("WAVE"), Code("fmt "),
                                   Le32(18), kPcm, Code("data"), Le32(100), audio});
    // Cut off while running: the provisional header claims a second ahead of the data.
    const Bytes torn = Concat({Code("RIFF"), Le32(46 + 192100 - 8), Code("WAVE"), Code("fmt "),
                               Le32(18), kPcm, Code("data"), Le32(192100), audio});
    // A 19-byte format block (cbSize 1 and one extra byte) with its pad byte.
    Bytes odd = kPcm;
    odd[16] = 1;
    odd.push_back(0xA0);
    const Bytes padded = Concat({Code("RIFF"),
                                 Le32(48 + 100 - 8),
                                 Code("WAVE"),
                                 Code("fmt "),
                                 Le32(19),
                                 odd,
                                 {0},
                                 Code("data"),
                                 Le32(100),
                                 audio});
    // Another writer's chunk of odd length between the format and the audio.
    const Bytes foreign = Concat({Code("RIFF"),
                                  Le32(60 + 100 - 8),
                                  Code("WAVE"),
                                  Code("fmt "),
                                  Le32(18),
                                  kPcm,
                                  Code("LIST"),
                                  Le32(5),
                                  {'a', 'b', 'c', 'd', 'e', 0},
                                  Code("data"),
                                  Le32(100),
                                  audio});
    const Bytes dataFirst = Concat({Code("RIFF"), Le32(12 + 100), Code("WAVE"), Code("data"),
                                    Le32(100), audio, Code("fmt "), Le32(18), kPcm});
    const std::uint64_t big = 3'000'000'000ull; // a long recording, of which the start is read

    const ReadCase cases[] = {
        {"complete", complete, 0, complete.size(), true, "", 46, 100, true, false},
        {"torn", torn, 0, torn.size(), true, "", 46, 192100, false, true},
        {"odd format block", padded, 0, padded.size(), true, "", 48, 100, true, false},
        {"foreign chunk", foreign, 0, foreign.size(), true, "", 60, 100, true, false},
        {"start of a large file",
         Concat({Code("RIFF"), Le32(std::uint32_t(big - 8)), Code("WAVE"), Code("fmt "), Le32(18),
                 kPcm, Code("data"), Le32(std::uint32_t(big - 46)), audio}),
         64, big, true, "", 46, std::uint32_t(big - 46), true, false},
        // The header was never written: the writer leaves zeros below the audio.
        {"no header", Concat({Bytes(46, 0), audio}), 0, 146, false, "no RIFF/WAVE header", 0, 0,
         false, false},
        {"empty file", {}, 0, 0, false, "no RIFF/WAVE header", 0, 0, false, false},
        {"header cut short", Bytes(complete.begin(), complete.begin() + 30), 0, 30, false,
         "format chunk cut short", 0, 0, false, false},
        {"no data chunk", Bytes(complete.begin(), complete.begin() + 38), 0, 38, false,
         "no data chunk", 0, 0, false, false},
        {"data before the format", dataFirst, 0, dataFirst.size(), false,
         "data chunk before the format chunk", 0, 0, false, false},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t given = c.readBytes ? c.readBytes : c.file.size();
        const WavLayout::THeader header = WavLayout::ReadHeader(c.file.data(), given, c.fileBytes);
        EXPECT_EQ(c.found, header.found);
        EXPECT_STREQ(c.problem, header.problem);
        EXPECT_EQ(c.fileBytes, header.fileBytes);
        EXPECT_EQ(c.dataAt, header.dataAt);
        EXPECT_EQ(c.dataBytes, header.dataBytes);
        EXPECT_EQ(c.claimsFit, header.ClaimsFit());
        EXPECT_EQ(c.claimsBeyondFile, header.ClaimsBeyondFile());
        if (c.found) {
            EXPECT_EQ(c.fileBytes - c.dataAt, header.AudioBytesInFile());
        }
    }
}

TEST(WavLayout, NamesTheFormatAndTheClaimsOfACompleteFile) {
    const Bytes file = Concat({Code("RIFF"), Le32(46 + 8 - 8), Code("WAVE"), Code("fmt "), Le32(18),
                               kPcm, Code("data"), Le32(8), Bytes(8, 1)});
    const WavLayout::THeader header = WavLayout::ReadHeader(file);
    ASSERT_TRUE(header.found) << header.problem;
    EXPECT_EQ(20u, header.formatAt);
    EXPECT_EQ(18u, header.formatBytes);
    EXPECT_EQ(1, header.format.formatTag);
    EXPECT_EQ(2, header.format.channels);
    EXPECT_EQ(48000u, header.format.samplesPerSec);
    EXPECT_EQ(192000u, header.format.avgBytesPerSec);
    EXPECT_EQ(4, header.format.blockAlign);
    EXPECT_EQ(16, header.format.bitsPerSample);
    EXPECT_EQ(46u, header.riffSize);
    EXPECT_TRUE(header.RiffSizeFits());
    EXPECT_TRUE(header.DataSizeFits());

    // A RIFF size that disagrees with the file on its own is told apart from the data's claim.
    Bytes longer = file;
    longer.push_back(0);
    const WavLayout::THeader trailing = WavLayout::ReadHeader(longer);
    EXPECT_FALSE(trailing.RiffSizeFits());
    EXPECT_FALSE(trailing.DataSizeFits());
    EXPECT_FALSE(trailing.ClaimsBeyondFile()); // the file holds more than the header says
    EXPECT_EQ(9u, trailing.AudioBytesInFile());
}
TEST(WavLayout, ReadsTheChannelMaskOfAnExtensibleFormat) {
    // 5.1 at 44.1 kHz, 16-bit, as the capture filter proposes more than two channels.
    const Bytes extensible = {
        0xFE, 0xFF, 6,    0,                            // WAVE_FORMAT_EXTENSIBLE, 6 channels
        0x44, 0xAC, 0,    0,    0x30, 0x13, 0x08, 0,    // 44100 Hz, 529200 bytes a second
        12,   0,    16,   0,    22,   0,                // block 12, 16 bits, 22 bytes follow
        16,   0,    0x3F, 0,    0,    0,                // 16 valid bits; FL FR FC LFE BL BR
        0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, // integer PCM
        0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    ASSERT_EQ(WavLayout::WaveFormatExtensibleBytes, extensible.size());
    const Bytes file = Concat({Code("RIFF"), Le32(68 + 12 - 8), Code("WAVE"), Code("fmt "),
                               Le32(40), extensible, Code("data"), Le32(12), Bytes(12, 1)});
    const WavLayout::THeader header = WavLayout::ReadHeader(file);
    ASSERT_TRUE(header.found) << header.problem;
    EXPECT_EQ(68u, header.dataAt);
    EXPECT_EQ(68u, WavLayout::HeaderBytes(40));
    EXPECT_TRUE(header.ClaimsFit());
    EXPECT_EQ(WavLayout::ExtensibleFormatTag, header.format.formatTag);
    EXPECT_EQ(6, header.format.channels);
    EXPECT_EQ(44100u, header.format.samplesPerSec);
    EXPECT_EQ(16, header.format.validBitsPerSample);
    EXPECT_EQ(0x3Fu, header.format.channelMask);
    EXPECT_TRUE(header.format.pcmSubFormat);

    // The same fields of a plain PCM block stay zero, and so do those of an extensible one
    // cut short.
    const WavLayout::THeader pcm =
        WavLayout::ReadHeader(Concat({Code("RIFF"), Le32(46 - 8), Code("WAVE"), Code("fmt "),
                                      Le32(18), kPcm, Code("data"), Le32(0)}));
    EXPECT_EQ(0u, pcm.format.channelMask);
    EXPECT_FALSE(pcm.format.pcmSubFormat);
    const Bytes cut(extensible.begin(), extensible.begin() + 18);
    const WavLayout::THeader shortened =
        WavLayout::ReadHeader(Concat({Code("RIFF"), Le32(46 - 8), Code("WAVE"), Code("fmt "),
                                      Le32(18), cut, Code("data"), Le32(0)}));
    EXPECT_EQ(0u, shortened.format.channelMask);
}
} // namespace
