#include "app/TOpusRecordingRepair.h"

#include "app/TMappedRecording.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
constexpr std::size_t kPageHeader = 27;
constexpr std::uint8_t kEndOfStream = 0x04;
constexpr std::size_t kCrcAt = 22;

constexpr std::array<std::uint32_t, 256> Crc32Table() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t crc = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        table[i] = crc;
    }
    return table;
}
constexpr auto kCrc32 = Crc32Table();

std::uint32_t Le32(const std::uint8_t* at) {
    return at[0] | (at[1] << 8) | (at[2] << 16) | (std::uint32_t(at[3]) << 24);
}

// The page's CRC-32 as Ogg computes it: over the whole page with its CRC field as zeros,
// with the flags given.
std::uint32_t PageCrc(const std::uint8_t* page, std::size_t size, std::uint8_t flags) {
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        std::uint8_t byte = page[i];
        if (i == 5) byte = flags;
        if (i >= kCrcAt && i < kCrcAt + 4) byte = 0;
        crc = (crc << 8) ^ kCrc32[(crc >> 24) ^ byte];
    }
    return crc;
}

// The size of the complete page at the start of bytes, or 0.
std::size_t PageSize(const std::uint8_t* bytes, std::size_t available) {
    if (available < kPageHeader || std::memcmp(bytes, "OggS", 4) != 0 || bytes[4] != 0) return 0;
    const std::size_t segments = bytes[26];
    if (available < kPageHeader + segments) return 0;
    std::size_t size = kPageHeader + segments;
    for (std::size_t i = 0; i < segments; ++i)
        size += bytes[kPageHeader + i];
    if (size > available || PageCrc(bytes, size, bytes[5]) != Le32(bytes + kCrcAt)) return 0;
    return size;
}

} // namespace

TRecordingFormatRepair::TOutcome TOpusRecordingRepair::Repair(int fd, std::uint64_t size,
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
    const std::size_t first = PageSize(bytes, end);
    if (first == 0 || first < kPageHeader + 1 + 8 ||
        std::memcmp(bytes + kPageHeader + bytes[26], "OpusHead", 8) != 0)
        return first == 0 && end < kPageHeader + 255 * 256 ? TOutcome::NoAudio
                                                           : TOutcome::LeftAlone;

    // A stop, or an earlier repair, ended the stream on a page that ends the file.
    constexpr std::size_t kLargestPage = kPageHeader + 255 + 255 * 255;
    for (std::size_t at = end - std::min(end, kLargestPage); at + kPageHeader <= end; ++at)
        if (std::memcmp(bytes + at, "OggS", 4) == 0 && PageSize(bytes + at, end - at) == end - at)
            if (bytes[at + 5] & kEndOfStream) return TOutcome::Exact;

    // Page after page; the last complete one ends the stream.
    std::size_t complete = 0, last = 0;
    bool sound = false;
    for (std::size_t page; (page = PageSize(bytes + complete, end - complete)) != 0;) {
        // The headers are at granule position 0; a page of sound is past it.
        std::uint64_t granule = 0;
        for (int i = 7; i >= 0; --i)
            granule = (granule << 8) | bytes[complete + 6 + std::size_t(i)];
        if (granule != 0 && granule != ~std::uint64_t(0)) sound = true;
        last = complete;
        complete += page;
    }
    if (!sound) return TOutcome::NoAudio;
    const bool ended = (bytes[last + 5] & kEndOfStream) != 0;
    if (complete == end && ended) return TOutcome::Exact;

    // Cut first, then end the stream on the last page.
    if (complete < end && ::ftruncate(fd, off_t(complete)) != 0) {
        error = errno;
        return TOutcome::LeftAlone;
    }
    if (!ended) {
        const std::uint8_t flags = std::uint8_t(bytes[last + 5] | kEndOfStream);
        const std::uint32_t crc = PageCrc(bytes + last, complete - last, flags);
        const std::uint8_t crcBytes[4] = {std::uint8_t(crc), std::uint8_t(crc >> 8),
                                          std::uint8_t(crc >> 16), std::uint8_t(crc >> 24)};
        // The CRC last: a repair cut off in between leaves a torn page the next one cuts.
        if (!WriteAll(fd, &flags, 1, off_t(last + 5)) ||
            !WriteAll(fd, crcBytes, 4, off_t(last + kCrcAt))) {
            error = errno;
            return TOutcome::LeftAlone;
        }
    }
    return TOutcome::Repaired;
}
