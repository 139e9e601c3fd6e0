#include "MediaTestSupport.h"

#include "framework/interfaces/MediaGuids.h"
#include "support/SeekWriteStream.h"
#include "support/SoundServerAlsa.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include <sys/resource.h>

Bytes ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

Bytes NoiseBytes(std::size_t size, unsigned seed) {
    Bytes data(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : data) {
        x = x * 1664525u + 1013904223u;
        b = (unsigned char)(x >> 24);
    }
    return data;
}

std::string InstallAlsaFixture(const TempFolder& dir, const std::string& input, bool paced) {
    const std::string slave = paced ? "slave.pcm \"sound_server\"" : "slave.pcm { type null }";
    auto filePcm = [&](const std::string& name, const std::string& description) {
        return "pcm." + name + " {\n  type file\n  " + slave +
               "\n  file \"/dev/null\"\n  infile \"" + input +
               "\"\n  format \"raw\"\n  hint { show on description \"" + description + "\" }\n}\n";
    };
    std::string config = paced ? SoundServerAlsaDefinitions() : std::string();
    config += filePcm("!default", paced ? "Paced test capture" : "Test capture");
    config += filePcm("second", "Second capture");
    config +=
        "pcm.null {\n  type null\n  hint { show on description \"Discard all samples\" }\n}\n";
    config += "pcm.conv {\n  type rate\n  slave { pcm \"second\" rate 44100 }\n"
              "  hint { show on description \"Rate converter\" }\n}\n";
    config +=
        "pcm.gone {\n  type hw\n  card 99\n  hint { show on description \"No such card\" }\n}\n";
    const std::string path = dir.File("asound.conf");
    std::ofstream(path) << config;
    setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
    return path;
}

// ---- scripted ALSA ------------------------------------------------------------------------

ScriptedStream::ScriptedStream(unsigned rate, unsigned channels, unsigned long period,
                               unsigned long buffer, std::deque<Step> script)
    : rate_(rate), channels_(channels), period_(period), buffer_(buffer),
      script_(std::move(script)) {}

long ScriptedStream::Read(void* buffer, unsigned long frames) {
    if (script_.empty() || script_.front().held) {
        // Nothing (or too little) to hand out: the wait for more ends with none.
        if (!script_.empty()) *waiting = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return 0;
    }
    if (const int delay = script_.front().delayMs; delay > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    return Take(buffer, frames);
}

long ScriptedStream::ReadAvailable(void* buffer, unsigned long frames) {
    // Only what a step holds back from Read, and only once a stop or a pause has come: the
    // script's own steps come a read at a time.
    if (script_.empty() || !script_.front().held || !interrupted_) return 0;
    return Take(buffer, frames);
}

long ScriptedStream::Take(void* buffer, unsigned long frames) {
    Step& step = script_.front();
    if (step.throwInstead) {
        script_.pop_front();
        throw std::runtime_error("the device library failed");
    }
    if (step.framesOrError < 0) {
        const long error = step.framesOrError;
        if (!step.repeats) script_.pop_front();
        return error;
    }
    const unsigned long n = std::min<unsigned long>(frames, (unsigned long)step.framesOrError);
    auto* out = static_cast<unsigned char*>(buffer);
    for (unsigned long i = 0; i < n * channels_ * 2; ++i)
        out[i] = PatternByte(produced_++);
    step.framesOrError -= long(n);
    if (step.framesOrError == 0) script_.pop_front();
    return long(n);
}

int ScriptedStream::Recover(int) {
    ++*recovered;
    return 0;
}

// ---- paced device -----------------------------------------------------------------------------

PacedCounterStream::PacedCounterStream(unsigned rate, unsigned long period, unsigned long buffer)
    : rate_(rate), period_(period), buffer_(buffer) {}

unsigned long long PacedCounterStream::Produced() const {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    return (unsigned long long)(std::chrono::duration_cast<std::chrono::microseconds>(elapsed)
                                    .count()) *
           rate_ / 1'000'000;
}

long PacedCounterStream::Copy(void* buffer, unsigned long frames, unsigned long long produced) {
    const unsigned long long held = produced - read_;
    if (held > buffer_) {
        // The device wrote over what nobody took in time.
        overrun_ = true;
        ++*overruns;
        return -EPIPE;
    }
    unsigned long most = mostHeld->load();
    while (held > most && !mostHeld->compare_exchange_weak(most, (unsigned long)held)) {
    }
    const unsigned long n = (unsigned long)std::min<unsigned long long>(frames, held);
    auto* out = static_cast<std::uint16_t*>(buffer);
    for (unsigned long i = 0; i < n; ++i, ++read_) {
        out[2 * i] = std::uint16_t(read_);
        out[2 * i + 1] = std::uint16_t(read_ >> 16);
    }
    return long(n);
}

long PacedCounterStream::Read(void* buffer, unsigned long frames) {
    std::unique_lock lock(lock_);
    if (overrun_) return -EPIPE;
    const unsigned long wanted = std::min(frames, period_);
    for (;;) {
        if (interrupted_) {
            interrupted_ = false;
            return 0;
        }
        const unsigned long long produced = Produced();
        if (produced - read_ >= wanted) return Copy(buffer, frames, produced);
        const auto due =
            start_ + std::chrono::microseconds((read_ + wanted) * 1'000'000 / rate_ + 1);
        wake_.wait_until(lock, due);
    }
}

long PacedCounterStream::ReadAvailable(void* buffer, unsigned long frames) {
    std::lock_guard lock(lock_);
    if (overrun_) return -EPIPE;
    return Copy(buffer, frames, Produced());
}

void PacedCounterStream::Interrupt() {
    {
        std::lock_guard lock(lock_);
        interrupted_ = true;
    }
    wake_.notify_all();
}

int PacedCounterStream::Recover(int) {
    std::lock_guard lock(lock_);
    overrun_ = false;
    read_ = Produced(); // what was overwritten is lost
    return 0;
}

int PacedCounterStream::Restart() {
    return Recover(0);
}

FrameGaps FrameNumberGaps(const unsigned char* audio, std::size_t bytes) {
    FrameGaps gaps;
    unsigned long long previous = 0;
    for (std::size_t at = 0; at + 4 <= bytes; at += 4) {
        const unsigned long long number = unsigned(audio[at]) | unsigned(audio[at + 1]) << 8 |
                                          unsigned(audio[at + 2]) << 16 |
                                          (unsigned long long)audio[at + 3] << 24;
        // Numbers wrap at 2^32 frames, a day at 48 kHz: beyond any recording here.
        if (gaps.frames > 0 && number != previous + 1) {
            ++gaps.gaps;
            gaps.missing += number > previous ? number - previous - 1 : 0;
        }
        previous = number;
        ++gaps.frames;
    }
    return gaps;
}

SoundStream::SoundStream(unsigned rate, unsigned channels, unsigned long period, Bytes sound,
                         bool paced)
    : rate_(rate), channels_(channels), period_(period), sound_(std::move(sound)), paced_(paced) {}

long SoundStream::Read(void* buffer, unsigned long frames) {
    if (paced_) {
        if (at_ == 0) started_ = std::chrono::steady_clock::now();
        const std::size_t end =
            std::min(sound_.size(), at_ + std::min(frames, period_) * channels_ * 2);
        std::this_thread::sleep_until(
            started_ + std::chrono::microseconds(end / (channels_ * 2) * 1'000'000 / rate_));
    }
    const long n = ReadAvailable(buffer, std::min(frames, period_));
    if (n == 0) {
        *drained = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return n;
}

long SoundStream::ReadAvailable(void* buffer, unsigned long frames) {
    const std::size_t frameBytes = channels_ * 2;
    const std::size_t n = std::min<std::size_t>(frames, (sound_.size() - at_) / frameBytes);
    std::memcpy(buffer, sound_.data() + at_, n * frameBytes);
    at_ += n * frameBytes;
    return long(n);
}

// ---- recording sink -------------------------------------------------------------------------

class RecordingSink::Pin final : public TBCBaseInputPin {
public:
    Pin(RecordingSink* sink, HRESULT& hr)
        : TBCBaseInputPin("Recording pin", sink, sink->Lock.get(), hr, u"In"), sink_(sink) {}
    HRESULT AcceptsType(const AM_MEDIA_TYPE&) override { return S_OK; }
    HRESULT Receive(IMediaSample* sample) override {
        const HRESULT ready = TBCBaseInputPin::Receive(sample);
        if (ready != S_OK) return ready;
        Received r;
        BYTE* data = nullptr;
        (void)sample->GetPointer(&data);
        r.data.assign(data, data + sample->GetActualDataLength());
        r.timeResult = sample->GetTime(&r.start, &r.stop);
        r.discontinuity = sample->IsDiscontinuity() == S_OK;
        r.syncPoint = sample->IsSyncPoint() == S_OK;
        std::lock_guard guard(sink_->lock_);
        const std::size_t number = sink_->samples_.size();
        sink_->samples_.push_back(std::move(r));
        sink_->arrived_.notify_all();
        return number == sink_->refuseAt ? sink_->refusal : S_OK;
    }

private:
    RecordingSink* sink_; // owns the pin
};

RecordingSink::RecordingSink()
    : TBCBaseFilter("Recording sink", nullptr, new TBCCritSec, GUID_NULL) {
    HRESULT hr = S_OK;
    pin_ = std::make_unique<Pin>(this, hr);
}

RecordingSink::~RecordingSink() {
    pin_.reset();
}

TBCBasePin* RecordingSink::PinAt(int index) {
    return index == 0 ? pin_.get() : nullptr;
}

IPin* RecordingSink::Input() {
    return pin_.get();
}

bool RecordingSink::WaitFor(std::size_t n, int timeoutMs) {
    std::unique_lock guard(lock_);
    return arrived_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                             [&] { return samples_.size() >= n; });
}

std::vector<RecordingSink::Received> RecordingSink::Samples() {
    std::lock_guard guard(lock_);
    return samples_;
}

// ---- stalling sink --------------------------------------------------------------------------

class StallingSink::Pin final : public TBCBaseInputPin, public SeekWriteStream {
public:
    Pin(StallingSink* sink, HRESULT& hr)
        : TBCBaseInputPin("Stalling pin", sink, sink->Lock.get(), hr, u"In"), sink_(sink) {}
    TBC_DECLARE_DELEGATING_UNKNOWN
    HRESULT InnerQueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IStream) return GetInterface(static_cast<IStream*>(this), object);
        return TBCBaseInputPin::InnerQueryInterface(iid, object);
    }
    HRESULT AcceptsType(const AM_MEDIA_TYPE& t) override {
        return t.majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
    }
    HRESULT Receive(IMediaSample* sample) override {
        const HRESULT ready = TBCBaseInputPin::Receive(sample);
        if (ready != S_OK) return ready;
        REFERENCE_TIME start = 0, stop = 0;
        if (sample->GetTime(&start, &stop) != S_OK || start < 0) return VFW_E_SAMPLE_TIME_NOT_SET;
        BYTE* data = nullptr;
        (void)sample->GetPointer(&data);
        sink_->Store(ULONGLONG(start), data, std::size_t(sample->GetActualDataLength()));
        return S_OK;
    }

private:
    HRESULT WriteAt(ULONGLONG offset, const void* buffer, ULONG size) override {
        sink_->Store(offset, static_cast<const BYTE*>(buffer), size);
        return S_OK;
    }

    StallingSink* sink_; // owns the pin
};

StallingSink::StallingSink(int delayMs)
    : TBCBaseFilter("Stalling sink", nullptr, new TBCCritSec, GUID_NULL), delayMs_(delayMs) {
    HRESULT hr = S_OK;
    pin_ = std::make_unique<Pin>(this, hr);
}

StallingSink::~StallingSink() {
    pin_.reset();
}

TBCBasePin* StallingSink::PinAt(int index) {
    return index == 0 ? pin_.get() : nullptr;
}

IPin* StallingSink::Input() {
    return pin_.get();
}

void StallingSink::Store(ULONGLONG offset, const BYTE* data, std::size_t size) {
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs_));
    std::lock_guard guard(lock_);
    ++writes_;
    if (file_.size() < offset + size) file_.resize(offset + size);
    if (size > 0) std::memcpy(file_.data() + offset, data, size);
}

Bytes StallingSink::File() {
    std::lock_guard guard(lock_);
    return file_;
}

int StallingSink::Writes() {
    std::lock_guard guard(lock_);
    return writes_;
}

// ---- file size limit ------------------------------------------------------------------------

FileSizeLimit::FileSizeLimit(unsigned long long bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    (void)getrlimit(RLIMIT_FSIZE, &limit);
    previousSoft_ = limit.rlim_cur;
    limit.rlim_cur = rlim_t(bytes);
    (void)setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit limit{};
    (void)getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(previousSoft_);
    (void)setrlimit(RLIMIT_FSIZE, &limit);
    (void)std::signal(SIGXFSZ, previousHandler_);
}

// ---- byte source ----------------------------------------------------------------------------

class ByteSource::Pin final : public TBCBaseOutputPin {
public:
    Pin(ByteSource* source, HRESULT& hr)
        : TBCBaseOutputPin("Byte source pin", source, source->Lock.get(), hr, u"Out") {}
    HRESULT AcceptsType(const AM_MEDIA_TYPE& type) override {
        return type.majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
    }
    HRESULT ProposeType(int position, AM_MEDIA_TYPE& type) override {
        if (position > 0) return VFW_S_NO_MORE_ITEMS;
        type.majortype = MEDIATYPE_Stream;
        type.subtype = MEDIASUBTYPE_WAVE;
        return S_OK;
    }
    HRESULT ConfigureAllocator(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request) override {
        request.cBuffers = 2;
        request.cbBuffer = 65536;
        ALLOCATOR_PROPERTIES actual{};
        return allocator->SetProperties(&request, &actual);
    }
    HRESULT Deliver(const Bytes& data, LONGLONG offset) {
        ComPtr<IMediaSample> sample;
        RETURN_IF_FAILED(ObtainBuffer(sample.put(), nullptr, nullptr, 0));
        BYTE* p = nullptr;
        RETURN_IF_FAILED(sample->GetPointer(&p));
        if (!data.empty()) std::memcpy(p, data.data(), data.size());
        RETURN_IF_FAILED(sample->SetActualDataLength(LONG(data.size())));
        REFERENCE_TIME start = offset, stop = offset + LONGLONG(data.size());
        RETURN_IF_FAILED(sample->SetTime(&start, &stop));
        return DeliverSample(sample.get());
    }
};

ByteSource::ByteSource() : TBCBaseFilter("Byte source", nullptr, new TBCCritSec, GUID_NULL) {
    HRESULT hr = S_OK;
    pin_ = std::make_unique<Pin>(this, hr);
}

ByteSource::~ByteSource() {
    pin_.reset();
}

TBCBasePin* ByteSource::PinAt(int index) {
    return index == 0 ? pin_.get() : nullptr;
}

IPin* ByteSource::Output() {
    return pin_.get();
}

HRESULT ByteSource::Deliver(const Bytes& data, LONGLONG offset) {
    return pin_->Deliver(data, offset);
}

HRESULT ByteSource::SendEndOfStream() {
    return pin_->ForwardEndOfStream();
}
