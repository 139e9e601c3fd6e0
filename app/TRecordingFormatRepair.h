#pragma once
// How recordings of one file format are made exact after a crash, a kill or a power cut left
// them cut off: the seam through which the repair at start knows each format it writes (WAV
// now; further formats add a class of their own).
// Thread contract: none of its own; one call at a time per object.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <unistd.h>

class TRecordingFormatRepair {
public:
    enum class TOutcome {
        Exact,    // the file says what it holds: nothing was done
        Repaired, // the file was made exact
        NoAudio,  // the file would be exact without a single frame: there is nothing to keep
        LeftAlone // not laid out as the recorder writes this format, or nothing to tell
    };

    virtual ~TRecordingFormatRepair() = default;
    // The file name extension of the format, without the dot ("wav").
    virtual std::string Extension() const = 0;
    // Looks at the file (open for reading and writing, size bytes long, locked by the caller)
    // and makes it exact where it is cut off; a failure of the system is answered as errno
    // (0: none).
    virtual TOutcome Repair(int fd, std::uint64_t size, int& error) = 0;

protected:
    // Writes all of data at the offset; false (errno set) when the system refuses.
    static bool WriteAll(int fd, const std::uint8_t* data, std::size_t size, off_t at) {
        while (size > 0) {
            const ssize_t n = ::pwrite(fd, data, size, at);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            data += n;
            size -= std::size_t(n);
            at += n;
        }
        return true;
    }
};
