#include "app/TFlacRecordingRepair.h"

#include "app/TMappedRecording.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
// STREAMINFO is the first metadata block; its 36-bit sample count starts in the low half of
// this byte.
constexpr std::size_t kTotalSamplesAt = 8 + 13;
constexpr std::size_t kSmallestFrame = 8;

constexpr std::array<std::uint16_t, 256> Crc16Table() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t crc = std::uint16_t(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = std::uint16_t((crc & 0x8000) ? (crc << 1) ^ 0x8005 : crc << 1);
        table[i] = crc;
    }
    return table;
}
constexpr auto kCrc16 = Crc16Table();

bool IsFrameSync(const std::uint8_t* at) {
    return at[0] == 0xFF && (at[1] & 0xFE) == 0xF8;
}

// The samples a frame holds, from its header; 0 when the header cannot be read.
std::uint64_t FrameSamples(const std::uint8_t* frame, std::size_t size) {
    if (size < 6) return 0;
    const unsigned code = frame[2] >> 4;
    // The coded frame or sample number: as many bytes as its first byte has leading ones.
    std::size_t at = 4, length = 1;
    for (std::uint8_t first = frame[4]; first & 0x80; first = std::uint8_t(first << 1))
        ++length;
    at += length == 1 ? 1 : length - 1;
    if (code == 1) return 192;
    if (code >= 2 && code <= 5) return 576u << (code - 2);
    if (code == 6) return at < size ? frame[at] + 1u : 0;
    if (code == 7) return at + 1 < size ? ((frame[at] << 8) | frame[at + 1]) + 1u : 0;
    if (code >= 8) return 256u << (code - 8);
    return 0;
}

} // namespace

TRecordingFormatRepair::TOutcome TFlacRecordingRepair::Repair(int fd, std::uint64_t size,
                                                              int& error) {
    error = 0;
    // An empty file may be a name reserved this moment.
    if (size == 0) return TOutcome::LeftAlone;
    const TMappedRecording map(fd, size);
    if (map.Error() != 0) {
        error = map.Error();
        return TOutcome::LeftAlone;
    }
    const std::uint8_t* bytes = map.Bytes();
    const std::size_t end = map.Size();
    if (end < 4 || std::memcmp(bytes, "fLaC", 4) != 0) return TOutcome::LeftAlone;
    std::size_t pos = 4;
    for (bool last = false; !last;) {
        // A killed start writes the metadata whole or not at all; a torn one has no sound.
        if (pos + 4 > end) return TOutcome::NoAudio;
        last = (bytes[pos] & 0x80) != 0;
        pos += 4 + ((std::size_t(bytes[pos + 1]) << 16) | (bytes[pos + 2] << 8) | bytes[pos + 3]);
        if (pos > end) return TOutcome::NoAudio;
    }
    if (kTotalSamplesAt + 5 > pos || (bytes[4] & 0x7F) != 0) return TOutcome::LeftAlone;
    // A stop, or an earlier repair, has counted the samples: the file is complete.
    const std::uint64_t counted = (std::uint64_t(bytes[kTotalSamplesAt] & 0x0F) << 32) |
                                  (std::uint64_t(bytes[kTotalSamplesAt + 1]) << 24) |
                                  (bytes[kTotalSamplesAt + 2] << 16) |
                                  (bytes[kTotalSamplesAt + 3] << 8) | bytes[kTotalSamplesAt + 4];
    if (counted != 0) return TOutcome::Exact;

    // Frame after frame: a frame ends where its CRC-16 matches and the next frame or the file
    // begins.
    std::size_t complete = pos;
    std::uint64_t samples = 0;
    while (complete + 2 <= end && IsFrameSync(bytes + complete)) {
        std::uint16_t crc = 0;
        std::size_t frameEnd = 0;
        for (std::size_t i = complete; i + 2 <= end; ++i) {
            const std::size_t next = i + 2;
            if (next - complete >= kSmallestFrame &&
                (next == end || (next + 2 <= end && IsFrameSync(bytes + next))) &&
                crc == ((bytes[i] << 8) | bytes[i + 1])) {
                frameEnd = next;
                break;
            }
            crc = std::uint16_t((crc << 8) ^ kCrc16[(crc >> 8) ^ bytes[i]]);
        }
        if (frameEnd == 0) break;
        samples += FrameSamples(bytes + complete, frameEnd - complete);
        complete = frameEnd;
    }
    if (complete == pos || samples == 0) return TOutcome::NoAudio;

    // Cut first, then count: a repair cut off in between leaves a file the next one mends.
    if (complete < end && ::ftruncate(fd, off_t(complete)) != 0) {
        error = errno;
        return TOutcome::LeftAlone;
    }
    const std::uint8_t count[5] = {
        std::uint8_t((bytes[kTotalSamplesAt] & 0xF0) | ((samples >> 32) & 0x0F)),
        std::uint8_t(samples >> 24), std::uint8_t(samples >> 16), std::uint8_t(samples >> 8),
        std::uint8_t(samples)};
    if (!WriteAll(fd, count, sizeof count, off_t(kTotalSamplesAt))) {
        error = errno;
        return TOutcome::LeftAlone;
    }
    return TOutcome::Repaired;
}
