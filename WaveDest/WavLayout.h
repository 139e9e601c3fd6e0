#pragma once
// The layout of the WAV files the WAV destination filter writes, for every writer and reader of
// them. Numbers are little-endian; F is the length of the input's format block:
//
//   offset   size  content
//   0        4     "RIFF"
//   4        4     the file size less 8
//   8        4     "WAVE"
//   12       4     "fmt "
//   16       4     F
//   20       F     the format block, byte for byte (a WAVEFORMATEX and what follows it;
//                  for more than two channels a WAVEFORMATEXTENSIBLE, F = 40, below)
//   20 + F   1     a zero byte, only when F is odd (P below is F rounded up to even)
//   20 + P   4     "data"
//   24 + P   4     the data bytes
//   28 + P         the audio
//
// The pad byte keeps the data chunk on an even offset, as RIFF asks of every chunk and as
// readers rely on; it counts in the RIFF size, not in the format chunk's. The data chunk ends
// the file and is not padded.
// Header only and with the standard library alone, so that tests and tools that read or write
// recordings use it without loading the filter.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace WavLayout {

// A chunk code: the four characters, the first in the lowest byte.
constexpr std::uint32_t FourCC(const char (&code)[5]) {
    return std::uint32_t(std::uint8_t(code[0])) | std::uint32_t(std::uint8_t(code[1])) << 8 |
           std::uint32_t(std::uint8_t(code[2])) << 16 | std::uint32_t(std::uint8_t(code[3])) << 24;
}
inline constexpr std::uint32_t RiffCode = FourCC("RIFF");
inline constexpr std::uint32_t WaveCode = FourCC("WAVE");
inline constexpr std::uint32_t FormatCode = FourCC("fmt ");
inline constexpr std::uint32_t DataCode = FourCC("data");

// The RIFF record at offset 0: "RIFF", the size of what follows (the file size less 8), "WAVE".
inline constexpr std::size_t RiffHeaderBytes = 12;
inline constexpr std::size_t RiffSizeAt = 4;
// Every chunk's record: its code, then the length of its body (a pad byte not counted).
inline constexpr std::size_t ChunkHeaderBytes = 8;
// The format block, behind the "fmt " record.
inline constexpr std::size_t FormatAt = RiffHeaderBytes + ChunkHeaderBytes;
// The most a file can hold: its size less 8 must fit the RIFF size.
inline constexpr std::uint32_t MaxFileBytes = 0xFFFFFFFF;

// The fields every format block of the WAVEFORMATEX family starts with, and those of
// WAVE_FORMAT_EXTENSIBLE, which more than two channels need:
//
//   offset  size  content
//   0       2     format tag (1 PCM, 0xFFFE extensible)
//   2       2     channels
//   4       4     samples a second
//   8       4     bytes a second
//   12      2     bytes a frame (block)
//   14      2     bits a sample
//   16      2     bytes that follow (0 for PCM, 22 for extensible)
//   18      2     extensible: valid bits a sample
//   20      4     extensible: channel mask, one speaker bit per channel in the channels' order
//                 (front left 0x1, front right 0x2, front centre 0x4, LFE 0x8, back left
//                 0x10, back right 0x20, ...); channels beyond the bits set feed none
//   24      16    extensible: the sample format (PcmSubFormat for integer PCM)
struct TWaveFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    // Of an extensible block only (zeros otherwise).
    std::uint16_t validBitsPerSample = 0;
    std::uint32_t channelMask = 0;
    bool pcmSubFormat = false;
};
inline constexpr std::uint32_t WaveFormatBytes = 16;
// A WAVEFORMATEX without extra bytes (TWaveFormat and cbSize), as PCM capture offers it.
inline constexpr std::uint32_t WaveFormatExBytes = 18;
inline constexpr std::uint16_t PcmFormatTag = 1;
inline constexpr std::uint16_t ExtensibleFormatTag = 0xFFFE;
inline constexpr std::uint32_t WaveFormatExtensibleBytes = 40;
inline constexpr std::uint8_t PcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                  0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// A chunk body's length with its pad byte.
constexpr std::uint64_t Padded(std::uint64_t size) {
    return size + (size & 1);
}
// Where the "data" record starts.
constexpr std::uint32_t DataChunkAt(std::uint32_t formatBytes) {
    return std::uint32_t(FormatAt + Padded(formatBytes));
}
// The header's length: where the audio starts (46 for a plain WAVEFORMATEX).
constexpr std::uint32_t HeaderBytes(std::uint32_t formatBytes) {
    return DataChunkAt(formatBytes) + std::uint32_t(ChunkHeaderBytes);
}

inline std::uint16_t GetLe16(const std::uint8_t* at) {
    return std::uint16_t(at[0] | at[1] << 8);
}
inline std::uint32_t GetLe32(const std::uint8_t* at) {
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 |
           std::uint32_t(at[3]) << 24;
}
inline void PutLe32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = std::uint8_t(value >> (8 * i));
}

// The fields of a format block of at least WaveFormatBytes (formatBytes long).
inline TWaveFormat GetWaveFormat(const std::uint8_t* block, std::uint32_t formatBytes) {
    TWaveFormat format;
    format.formatTag = GetLe16(block);
    format.channels = GetLe16(block + 2);
    format.samplesPerSec = GetLe32(block + 4);
    format.avgBytesPerSec = GetLe32(block + 8);
    format.blockAlign = GetLe16(block + 12);
    format.bitsPerSample = GetLe16(block + 14);
    if (format.formatTag == ExtensibleFormatTag && formatBytes >= WaveFormatExtensibleBytes) {
        format.validBitsPerSample = GetLe16(block + 18);
        format.channelMask = GetLe32(block + 20);
        format.pcmSubFormat = std::memcmp(block + 24, PcmSubFormat, sizeof PcmSubFormat) == 0;
    }
    return format;
}

// Lays out the header of a file with dataBytes of audio in the given format block into out,
// which has room for HeaderBytes(formatBytes). The caller keeps the file within MaxFileBytes.
inline void PutHeader(std::uint8_t* out, const std::uint8_t* format, std::uint32_t formatBytes,
                      std::uint32_t dataBytes) {
    const std::uint32_t dataChunk = DataChunkAt(formatBytes);
    PutLe32(out, RiffCode);
    PutLe32(out + RiffSizeAt, dataBytes + HeaderBytes(formatBytes) - 8);
    PutLe32(out + 8, WaveCode);
    PutLe32(out + RiffHeaderBytes, FormatCode);
    PutLe32(out + RiffHeaderBytes + 4, formatBytes);
    if (formatBytes != 0) std::memcpy(out + FormatAt, format, formatBytes);
    if (formatBytes & 1) out[FormatAt + formatBytes] = 0;
    PutLe32(out + dataChunk, DataCode);
    PutLe32(out + dataChunk + 4, dataBytes);
}

// What a file's header says, and how that compares with the file.
struct THeader {
    // RIFF/WAVE with a format chunk and, behind it, a data chunk's record.
    bool found = false;
    // Why not, for messages; empty when found.
    const char* problem = "";
    std::uint64_t fileBytes = 0;
    std::uint32_t riffSize = 0; // as claimed
    std::uint64_t formatAt = 0;
    std::uint32_t formatBytes = 0;
    TWaveFormat format;          // zeros when the block is shorter than WaveFormatBytes
    std::uint64_t dataAt = 0;    // where the audio starts
    std::uint32_t dataBytes = 0; // as claimed

    // The audio the file holds behind the header, whatever the header claims.
    std::uint64_t AudioBytesInFile() const { return fileBytes > dataAt ? fileBytes - dataAt : 0; }
    // The RIFF size is the file size less 8.
    bool RiffSizeFits() const { return found && std::uint64_t(riffSize) + 8 == fileBytes; }
    // The data chunk ends the file.
    bool DataSizeFits() const { return found && dataAt + dataBytes == fileBytes; }
    // Both claims fit the file, as a stop leaves it; a recording cut off while it ran claims
    // more than the file holds (ClaimsBeyondFile).
    bool ClaimsFit() const { return RiffSizeFits() && DataSizeFits(); }
    bool ClaimsBeyondFile() const {
        return found && (std::uint64_t(riffSize) + 8 > fileBytes || dataAt + dataBytes > fileBytes);
    }
};

// Reads the header from the first count bytes of a file of fileBytes bytes; a few hundred bytes
// hold every header the filter writes. Other chunks before the data chunk are stepped over.
inline THeader ReadHeader(const std::uint8_t* bytes, std::size_t count, std::uint64_t fileBytes) {
    THeader header;
    header.fileBytes = fileBytes;
    if (count > fileBytes) count = std::size_t(fileBytes);
    if (count < RiffHeaderBytes || GetLe32(bytes) != RiffCode || GetLe32(bytes + 8) != WaveCode) {
        header.problem = "no RIFF/WAVE header";
        return header;
    }
    header.riffSize = GetLe32(bytes + RiffSizeAt);
    bool haveFormat = false;
    for (std::uint64_t at = RiffHeaderBytes; at + ChunkHeaderBytes <= count;) {
        const std::uint32_t code = GetLe32(bytes + at);
        const std::uint32_t size = GetLe32(bytes + at + 4);
        const std::uint64_t body = at + ChunkHeaderBytes;
        if (code == DataCode) {
            if (!haveFormat) {
                header.problem = "data chunk before the format chunk";
                return header;
            }
            header.dataAt = body;
            header.dataBytes = size;
            header.found = true;
            return header;
        }
        if (code == FormatCode && !haveFormat) {
            if (body + size > count) {
                header.problem = "format chunk cut short";
                return header;
            }
            haveFormat = true;
            header.formatAt = body;
            header.formatBytes = size;
            if (size >= WaveFormatBytes) header.format = GetWaveFormat(bytes + body, size);
        }
        at = body + Padded(size);
    }
    header.problem = haveFormat ? "no data chunk" : "no format chunk";
    return header;
}

// The header of a whole file held in a byte container (std::vector, std::string, QByteArray).
template <class Bytes>
THeader ReadHeader(const Bytes& file) {
    return ReadHeader(reinterpret_cast<const std::uint8_t*>(file.data()), std::size_t(file.size()),
                      std::uint64_t(file.size()));
}

} // namespace WavLayout
