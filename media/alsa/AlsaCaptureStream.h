#pragma once
// One capture device opened for 16-bit little-endian interleaved frames: the thin seam over
// ALSA that the capture filter reads from (tests put a scripted stream in its place).
// Thread contract: one thread at a time (the filter's control thread while stopped or
// paused, its streaming thread while running); Interrupt from any thread.
#include <cstddef>

class AlsaCaptureStream {
public:
    virtual ~AlsaCaptureStream() = default;

    virtual unsigned Rate() const = 0;
    virtual unsigned Channels() const = 0;
    virtual unsigned long PeriodFrames() const = 0;
    virtual unsigned long BufferFrames() const = 0;
    // Reads up to `frames` frames into buffer, waiting for data (at least a period) until it
    // comes or Interrupt is called: the number of frames read (0 when interrupted) or a
    // negative errno (-EPIPE for an overrun, -ESTRPIPE for a suspend, anything else means the
    // device is gone).
    virtual long Read(void* buffer, unsigned long frames) = 0;
    // Reads, without waiting, up to `frames` of the frames the device already holds (fewer
    // than Read waits for): the number read, 0 when it holds none, or a negative errno.
    virtual long ReadAvailable(void* buffer, unsigned long frames) = 0;
    // Makes a waiting Read (or the next one) come back at once. Any thread may call it.
    virtual void Interrupt() = 0;
    // Brings the device back after an overrun or a suspend; 0 or a negative errno.
    virtual int Recover(int error) = 0;
    // Drops what the device holds and makes it ready to start again (a pause).
    virtual int Restart() = 0;
};
