#include "app/TWavRecordingRepair.h"

#include "WaveDest/WavLayout.h"

#include <cerrno>
#include <cstdint>
#include <unistd.h>

namespace {
// More than every header the filter writes.
constexpr std::size_t kHeaderRead = 4096;

} // namespace

TRecordingFormatRepair::TOutcome TWavRecordingRepair::Repair(int fd, std::uint64_t size,
                                                             int& error) {
    error = 0;
    // An empty file has no header to make exact: it may be a name reserved this moment.
    if (size == 0) return TOutcome::LeftAlone;
    std::uint8_t bytes[kHeaderRead];
    ssize_t count = 0;
    do {
        count = ::pread(fd, bytes, sizeof bytes, 0);
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        error = errno;
        return TOutcome::LeftAlone;
    }
    const WavLayout::THeader header = WavLayout::ReadHeader(bytes, std::size_t(count), size);
    const unsigned block = header.format.blockAlign;
    if (!header.found || block == 0 || header.formatAt != WavLayout::FormatAt ||
        header.dataAt != WavLayout::HeaderBytes(header.formatBytes))
        return TOutcome::LeftAlone;
    const std::uint64_t audio = header.AudioBytesInFile();
    const std::uint64_t whole = audio - audio % block;
    if (header.ClaimsFit() && whole == audio) return TOutcome::Exact;
    // Chunks after the data, which the RIFF size covers: a file of another program.
    if (header.RiffSizeFits() && header.dataAt + header.dataBytes < size)
        return TOutcome::LeftAlone;
    if (header.dataAt + whole > WavLayout::MaxFileBytes) return TOutcome::LeftAlone;
    if (whole == 0) return TOutcome::NoAudio;

    const std::uint64_t exactSize = header.dataAt + whole;
    std::uint8_t riffSize[4], dataSize[4];
    WavLayout::PutLe32(riffSize, std::uint32_t(exactSize - 8));
    WavLayout::PutLe32(dataSize, std::uint32_t(whole));
    // Cut first, then the sizes: a repair cut off in between leaves a file the next one mends.
    if ((exactSize < size && ::ftruncate(fd, off_t(exactSize)) != 0) ||
        !WriteAll(fd, riffSize, 4, off_t(WavLayout::RiffSizeAt)) ||
        !WriteAll(fd, dataSize, 4, off_t(header.dataAt - 4)) || ::fdatasync(fd) != 0) {
        error = errno != 0 ? errno : EIO;
        return TOutcome::LeftAlone;
    }
    return TOutcome::Repaired;
}
