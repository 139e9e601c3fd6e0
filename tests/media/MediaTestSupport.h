#pragma once
// Shared pieces of the media platform's tests: files, the ALSA file plugin fixture, a
// scripted ALSA backend, and small framework filters, a byte-stream source and recording and
// stalling sinks, to put at either end of a platform filter.
#include "framework/TBCBaseFilter.h"
#include "framework/TBCBaseInputPin.h"
#include "framework/TBCBaseOutputPin.h"
#include "media/alsa/AlsaBackend.h"
#include "media/devices/SoundServer.h"
#include "support/TempFolder.h"
#include "support/Text.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

Bytes ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const Bytes& data);
// Deterministic noise, the same for the same seed.
Bytes NoiseBytes(std::size_t size, unsigned seed);

// The ALSA configuration of the tests: "default" and "second" read `input` through the file
// plugin (unpaced over a null slave, or paced by the test sound server), "null" discards, "conv"
// only converts and "gone" names a card that does not exist. Writes it into dir and points
// ALSA_CONFIG_PATH at it; call before ALSA is used.
std::string InstallAlsaFixture(const TempFolder& dir, const std::string& input, bool paced);

// A capture stream that plays a script: each step is frames of data, or an error.
class ScriptedStream final : public AlsaCaptureStream {
public:
    struct Step {
        long framesOrError; // > 0: that many frames of the pattern; < 0: that error
        bool throwInstead = false;
        // Frames the device holds but too few for Read, which waits for more (and comes back
        // with none); only ReadAvailable hands them out, once Interrupt has been called (the
        // filter stops or pauses), and nothing else.
        bool held = false;
        // An error step that repeats answers every read from here on (a device that only overruns).
        bool repeats = false;
        // Read waits this long before it answers the step (a device that overruns slowly).
        int delayMs = 0;
    };
    ScriptedStream(unsigned rate, unsigned channels, unsigned long period, unsigned long buffer,
                   std::deque<Step> script);

    unsigned Rate() const override { return rate_; }
    unsigned Channels() const override { return channels_; }
    unsigned long PeriodFrames() const override { return period_; }
    unsigned long BufferFrames() const override { return buffer_; }
    long Read(void* buffer, unsigned long frames) override;
    long ReadAvailable(void* buffer, unsigned long frames) override;
    void Interrupt() override { interrupted_ = true; }
    int Recover(int error) override;
    int Restart() override {
        interrupted_ = false;
        return 0;
    }

    static unsigned char PatternByte(unsigned long long index) {
        return (unsigned char)(index * 7 + 3);
    }

    // Shared with the test: how often Recover ran, and whether Read waits on held frames.
    std::shared_ptr<int> recovered = std::make_shared<int>(0);
    std::shared_ptr<std::atomic<bool>> waiting = std::make_shared<std::atomic<bool>>(false);

private:
    unsigned rate_, channels_;
    unsigned long period_, buffer_;
    std::deque<Step> script_;
    std::atomic<bool> interrupted_{false};
    long Take(void* buffer, unsigned long frames);

    unsigned long long produced_ = 0; // bytes of the pattern handed out
};

// A capture device in real time, as a sound card behaves: frames arrive at the rate by the
// clock into a ring buffer of bufferFrames; a reader that falls further behind than the buffer
// holds gets an overrun, and the frames it missed are gone. Each stereo 16-bit frame carries
// its own number since the start (low half left, high half right), so a recording shows every
// frame lost as a jump (FrameNumberGaps).
class PacedCounterStream final : public AlsaCaptureStream {
public:
    PacedCounterStream(unsigned rate, unsigned long period, unsigned long buffer);

    unsigned Rate() const override { return rate_; }
    unsigned Channels() const override { return 2; }
    unsigned long PeriodFrames() const override { return period_; }
    unsigned long BufferFrames() const override { return buffer_; }
    long Read(void* buffer, unsigned long frames) override;
    long ReadAvailable(void* buffer, unsigned long frames) override;
    void Interrupt() override;
    int Recover(int error) override;
    int Restart() override;

    // Shared with the caller: the fullest the buffer was when read, in frames, and the
    // overruns.
    std::shared_ptr<std::atomic<unsigned long>> mostHeld =
        std::make_shared<std::atomic<unsigned long>>(0);
    std::shared_ptr<std::atomic<unsigned long>> overruns =
        std::make_shared<std::atomic<unsigned long>>(0);

private:
    unsigned long long Produced() const; // frames the clock has brought since the start
    long Copy(void* buffer, unsigned long frames, unsigned long long produced);

    const unsigned rate_;
    const unsigned long period_, buffer_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::mutex lock_;
    std::condition_variable wake_;
    bool interrupted_ = false;
    bool overrun_ = false;
    unsigned long long read_ = 0; // the number of the next frame to hand out
};

// The frames of a recording of PacedCounterStream (16-bit stereo audio bytes): how often a
// frame's number does not follow its predecessor's, and how many frames are missing so.
struct FrameGaps {
    unsigned long gaps = 0;
    unsigned long long missing = 0;
    unsigned long long frames = 0;
};
FrameGaps FrameNumberGaps(const unsigned char* audio, std::size_t bytes);

// A capture stream that hands out prepared sound (in reads of at most a period), then has
// nothing more to give, as a device waiting for sound. Paced, a read waits until its sound
// would have been captured by a real device; unpaced, it hands it out at once.
class SoundStream final : public AlsaCaptureStream {
public:
    SoundStream(unsigned rate, unsigned channels, unsigned long period, Bytes sound,
                bool paced = false);

    unsigned Rate() const override { return rate_; }
    unsigned Channels() const override { return channels_; }
    unsigned long PeriodFrames() const override { return period_; }
    unsigned long BufferFrames() const override { return rate_; }
    long Read(void* buffer, unsigned long frames) override;
    long ReadAvailable(void* buffer, unsigned long frames) override;
    void Interrupt() override {}
    int Recover(int) override { return 0; }
    int Restart() override { return 0; }

    // Shared with the test: all the sound was handed out.
    std::shared_ptr<std::atomic<bool>> drained = std::make_shared<std::atomic<bool>>(false);

private:
    unsigned rate_, channels_;
    unsigned long period_;
    Bytes sound_;
    bool paced_;
    std::size_t at_ = 0;
    std::chrono::steady_clock::time_point started_{};
};

// A backend with fixed devices whose streams come from a factory the test sets. The format is
// what ProbeFormat answers whatever was wanted (which it keeps).
class ScriptedBackend final : public AlsaBackend {
public:
    std::vector<AlsaCaptureDevice> devices;
    AlsaCaptureFormat format{48000, 2};
    int probeError = 0;
    int openError = 0;
    bool opensSoundServerSources = true;
    std::function<std::unique_ptr<AlsaCaptureStream>()> makeStream;
    int opens = 0;
    AlsaCaptureFormat wanted;

    std::vector<AlsaCaptureDevice> CaptureDevices(bool cards) override {
        std::vector<AlsaCaptureDevice> listed;
        for (const AlsaCaptureDevice& device : devices)
            if (cards || !device.card) listed.push_back(device);
        return listed;
    }
    bool OpensSoundServerSources() override { return opensSoundServerSources; }
    int ProbeFormat(const std::string&, const AlsaCaptureFormat& w, AlsaCaptureFormat& f) override {
        wanted = w;
        f = format;
        return probeError;
    }
    int Open(const std::string&, const AlsaCaptureFormat&, unsigned,
             std::unique_ptr<AlsaCaptureStream>& stream) override {
        ++opens;
        if (openError) return openError;
        stream = makeStream();
        return 0;
    }
};

// A sound server that answers what the test put in place, and counts how often it was asked.
class ScriptedSoundServer final : public SoundServer {
public:
    SoundServerAnswer answer; // answered false: as if none runs
    int asked = 0;
    SoundServerAnswer Sources(std::chrono::milliseconds) override {
        ++asked;
        return answer;
    }
};

// Puts a backend and a sound server in place for the scope and the previous ones back after.
class DeviceSeamScope {
public:
    DeviceSeamScope(std::shared_ptr<AlsaBackend> backend, std::shared_ptr<SoundServer> server)
        : backend_(AlsaBackend::Replace(std::move(backend))),
          server_(SoundServer::Replace(std::move(server))) {}
    ~DeviceSeamScope() {
        (void)AlsaBackend::Replace(std::move(backend_));
        (void)SoundServer::Replace(std::move(server_));
    }
    DeviceSeamScope(const DeviceSeamScope&) = delete;
    DeviceSeamScope& operator=(const DeviceSeamScope&) = delete;

private:
    std::shared_ptr<AlsaBackend> backend_;
    std::shared_ptr<SoundServer> server_;
};

// A sink with one input pin that accepts every type and keeps what it receives.
class RecordingSink final : public TBCBaseFilter {
public:
    struct Received {
        Bytes data;
        REFERENCE_TIME start = 0, stop = 0;
        HRESULT timeResult = S_OK;
        bool discontinuity = false, syncPoint = false;
    };

    RecordingSink();
    ~RecordingSink() override;
    int PinCount() override { return 1; }
    TBCBasePin* PinAt(int index) override;
    IPin* Input();

    // Waits until at least n samples arrived (false on time-out).
    bool WaitFor(std::size_t n, int timeoutMs);
    std::vector<Received> Samples();

    // Answer for the sample with this 0-based number (S_OK for the others).
    std::size_t refuseAt = SIZE_MAX;
    HRESULT refusal = E_FAIL;

private:
    class Pin;
    friend class Pin;
    std::unique_ptr<Pin> pin_;
    std::mutex lock_;
    std::condition_variable arrived_;
    std::vector<Received> samples_;
};

// A file sink whose every write (a sample, or a header through its IStream) first sleeps for
// the given time, as a stalled disk would; it keeps the file in memory.
class StallingSink final : public TBCBaseFilter {
public:
    explicit StallingSink(int delayMs);
    ~StallingSink() override;
    int PinCount() override { return 1; }
    TBCBasePin* PinAt(int index) override;
    IPin* Input();
    Bytes File();
    int Writes();

private:
    class Pin;
    friend class Pin;
    void Store(ULONGLONG offset, const BYTE* data, std::size_t size);
    const int delayMs_;
    std::unique_ptr<Pin> pin_;
    std::mutex lock_;
    Bytes file_;
    int writes_ = 0;
};

// Lowers this process's file size limit (RLIMIT_FSIZE) with SIGXFSZ ignored, so a write past
// it fails with EFBIG as on a full disk; gives back limit and signal handling at destruction.
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long long bytes);
    ~FileSizeLimit();

private:
    unsigned long long previousSoft_;
    void (*previousHandler_)(int);
};

// A source with one output pin proposing the byte-stream type; the test pushes bytes.
class ByteSource final : public TBCBaseFilter {
public:
    ByteSource();
    ~ByteSource() override;
    int PinCount() override { return 1; }
    TBCBasePin* PinAt(int index) override;
    IPin* Output();
    // Delivers data stamped [offset, offset + size) downstream; the downstream answer.
    HRESULT Deliver(const Bytes& data, LONGLONG offset);
    HRESULT SendEndOfStream();

private:
    class Pin;
    std::unique_ptr<Pin> pin_;
};
