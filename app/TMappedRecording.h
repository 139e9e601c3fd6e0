#pragma once
// A recording's bytes mapped for reading, for the repairs that walk a whole stream (FLAC
// frames, Ogg pages) to find where its last complete piece ends.
// Thread contract: none of its own; one owner.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <sys/mman.h>

class TMappedRecording {
public:
    TMappedRecording(int fd, std::uint64_t size) : FSize(std::size_t(size)) {
        if (size == 0) return;
        void* at = ::mmap(nullptr, FSize, PROT_READ, MAP_SHARED, fd, 0);
        if (at == MAP_FAILED) {
            FError = errno;
            return;
        }
        FBytes = static_cast<const std::uint8_t*>(at);
    }
    ~TMappedRecording() {
        if (FBytes) ::munmap(const_cast<std::uint8_t*>(FBytes), FSize);
    }
    TMappedRecording(const TMappedRecording&) = delete;
    TMappedRecording& operator=(const TMappedRecording&) = delete;

    const std::uint8_t* Bytes() const { return FBytes; }
    std::size_t Size() const { return FSize; }
    // errno of a failed mapping; 0 when mapped (or empty).
    int Error() const { return FError; }

private:
    const std::uint8_t* FBytes = nullptr;
    std::size_t FSize = 0;
    int FError = 0;
};
