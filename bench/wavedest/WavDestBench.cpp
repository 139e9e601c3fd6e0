// Pushes 64 KiB samples through source → WAV destination filter → file sink into a file on a
// RAM-backed folder, and writes the same bytes with plain positioned writes in the same run;
// prints both rates and their ratio (goal: the chain reaches at least 80 % of plain writes).
//
//   wavedest_bench [folder] [MiB]     default /dev/shm, 256 MiB
#include "WaveDest/THMWavDestFilter.h"
#include "WaveDest/WavLayout.h"
#include "framework/MediaType.h"
#include "framework/TBCBaseInputPin.h"
#include "framework/TBCBaseOutputPin.h"
#include "framework/interfaces/MediaGuids.h"
#include "media/MediaPlatform.h"
#include "runtime/ObjIdl.h"
#include "runtime/TaskMemory.h"
#include "support/SeekWriteStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {
constexpr LONG kSampleBytes = 64 * 1024;
HRESULT unused = S_OK;

class Host final : public TBCBaseFilter {
public:
    Host() : TBCBaseFilter("host", nullptr, new TBCCritSec, GUID_NULL) {}
    ~Host() override { pins.clear(); }
    int PinCount() override { return int(pins.size()); }
    TBCBasePin* PinAt(int i) override { return i >= 0 && i < PinCount() ? pins[i].get() : nullptr; }
    TBCCritSec* FilterLock() { return Lock.get(); }
    std::vector<std::unique_ptr<TBCBasePin>> pins;
};

// Proposes 16-bit stereo PCM at 48 kHz and delivers caller-filled 64 KiB samples.
class Source final : public TBCBaseOutputPin {
public:
    explicit Source(Host* f) : TBCBaseOutputPin("source", f, f->FilterLock(), unused, u"Out") {}
    HRESULT AcceptsType(const AM_MEDIA_TYPE&) override { return S_OK; }
    HRESULT ProposeType(int position, AM_MEDIA_TYPE& t) override {
        if (position > 0) return VFW_S_NO_MORE_ITEMS;
        WAVEFORMATEX f{WAVE_FORMAT_PCM, 2, 48000, 192000, 4, 16, 0};
        t.majortype = MEDIATYPE_Audio;
        t.subtype = MEDIASUBTYPE_PCM;
        t.formattype = FORMAT_WaveFormatEx;
        t.cbFormat = sizeof f;
        t.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(sizeof f));
        std::memcpy(t.pbFormat, &f, sizeof f);
        return S_OK;
    }
    HRESULT ConfigureAllocator(IMemAllocator* a, ALLOCATOR_PROPERTIES& r) override {
        r.cBuffers = 4;
        r.cbBuffer = kSampleBytes;
        ALLOCATOR_PROPERTIES actual;
        return a->SetProperties(&r, &actual);
    }
    HRESULT Push(const BYTE* bytes) {
        ComPtr<IMediaSample> sample;
        RETURN_IF_FAILED(ObtainBuffer(sample.put(), nullptr, nullptr, 0));
        BYTE* data = nullptr;
        RETURN_IF_FAILED(sample->GetPointer(&data));
        std::memcpy(data, bytes, kSampleBytes);
        RETURN_IF_FAILED(sample->SetActualDataLength(kSampleBytes));
        return DeliverSample(sample.get());
    }
};

// Writes each sample at its start offset with pwrite and offers IStream for the header.
class FileSink final : public TBCBaseInputPin, public SeekWriteStream {
public:
    FileSink(Host* f, int fd)
        : TBCBaseInputPin("sink", f, f->FilterLock(), unused, u"In"), fd_(fd) {}
    TBC_DECLARE_DELEGATING_UNKNOWN
    HRESULT InnerQueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IStream) return GetInterface(static_cast<IStream*>(this), object);
        return TBCBaseInputPin::InnerQueryInterface(iid, object);
    }
    HRESULT AcceptsType(const AM_MEDIA_TYPE& t) override {
        return t.majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
    }
    HRESULT Receive(IMediaSample* sample) override {
        RETURN_IF_FAILED(TBCBaseInputPin::Receive(sample));
        REFERENCE_TIME start = 0, stop = 0;
        RETURN_IF_FAILED(sample->GetTime(&start, &stop));
        BYTE* data = nullptr;
        RETURN_IF_FAILED(sample->GetPointer(&data));
        const std::size_t n = std::size_t(sample->GetActualDataLength());
        return pwrite(fd_, data, n, off_t(start)) == ssize_t(n) ? S_OK : E_FAIL;
    }

private:
    HRESULT WriteAt(ULONGLONG offset, const void* b, ULONG n) override {
        return pwrite(fd_, b, n, off_t(offset)) == ssize_t(n) ? S_OK : E_FAIL;
    }

    int fd_;
};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

bool Check(HRESULT hr, const char* what) {
    if (SUCCEEDED(hr)) return true;
    std::fprintf(stderr, "%s failed: 0x%08X\n", what, unsigned(hr));
    return false;
}

// One recording through the chain; the seconds it took, or a negative number on failure.
double RunChain(const std::string& path, const std::vector<BYTE>& data, int samples) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return -1;
    double seconds = -1;
    {
        ComPtr<Host> source(new Host), sink(new Host);
        source->pins.push_back(std::make_unique<Source>(source.get()));
        sink->pins.push_back(std::make_unique<FileSink>(sink.get(), fd));
        auto* out = static_cast<Source*>(source->pins[0].get());
        auto* in = static_cast<FileSink*>(sink->pins[0].get());
        HRESULT hr = S_OK;
        ComPtr<IBaseFilter> wav(
            static_cast<IBaseFilter*>(new THMWavDestFilter("WAV Dest", nullptr, hr)));
        ComPtr<IPin> wavIn, wavOut;
        bool ok = Check(wav->FindPin(u"In", wavIn.put()), "FindPin") &&
                  Check(wav->FindPin(u"Out", wavOut.put()), "FindPin") &&
                  Check(out->Connect(wavIn.get(), nullptr), "connect source") &&
                  Check(wavOut->Connect(in, nullptr), "connect sink") &&
                  Check(sink->Pause(), "pause") && Check(wav->Pause(), "pause") &&
                  Check(source->Pause(), "pause") && Check(sink->Run(0), "run") &&
                  Check(wav->Run(0), "run") && Check(source->Run(0), "run");
        const auto start = Clock::now();
        for (int i = 0; ok && i < samples; ++i)
            ok = Check(out->Push(data.data() + std::size_t(i % 16) * kSampleBytes), "push");
        ok = Check(source->Stop(), "stop") && Check(wav->Stop(), "stop") &&
             Check(sink->Stop(), "stop") && ok;
        if (ok) seconds = Seconds(start);
        (void)out->Disconnect();
        (void)wavIn->Disconnect();
        (void)wavOut->Disconnect();
        (void)in->Disconnect();
    }
    close(fd);
    return seconds;
}

// The same bytes with plain positioned writes, header last as the filter writes it.
double RunPlain(const std::string& path, const std::vector<BYTE>& data, int samples) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return -1;
    const auto start = Clock::now();
    const std::uint32_t headerBytes = WavLayout::HeaderBytes(WavLayout::WaveFormatExBytes);
    off_t offset = headerBytes;
    for (int i = 0; i < samples; ++i, offset += kSampleBytes)
        if (pwrite(fd, data.data() + std::size_t(i % 16) * kSampleBytes, kSampleBytes, offset) !=
            kSampleBytes)
            return close(fd), -1;
    std::vector<BYTE> header(headerBytes);
    const std::vector<BYTE> format(WavLayout::WaveFormatExBytes);
    WavLayout::PutHeader(header.data(), format.data(), WavLayout::WaveFormatExBytes,
                         std::uint32_t(samples) * kSampleBytes);
    if (pwrite(fd, header.data(), header.size(), 0) != ssize_t(header.size())) return close(fd), -1;
    const double seconds = Seconds(start);
    close(fd);
    return seconds;
}
} // namespace

int main(int argc, char** argv) {
    RegisterMediaPlatformClasses();
    const std::string folder = argc > 1 ? argv[1] : "/dev/shm";
    const int mebibytes = argc > 2 ? std::atoi(argv[2]) : 256;
    const int samples = mebibytes * 1024 * 1024 / kSampleBytes;
    std::vector<BYTE> data(std::size_t(16) * kSampleBytes);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = BYTE(i * 31 + 7);
    const std::string chainPath = folder + "/hymnaro-bench-chain.wav";
    const std::string plainPath = folder + "/hymnaro-bench-plain.raw";

    // Alternating rounds, best of each, so both see the same machine state.
    double bestChain = 1e30, bestPlain = 1e30;
    for (int round = 0; round < 5; ++round) {
        const double plain = RunPlain(plainPath, data, samples);
        const double chain = RunChain(chainPath, data, samples);
        if (plain < 0 || chain < 0) {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
        bestPlain = std::min(bestPlain, plain);
        bestChain = std::min(bestChain, chain);
    }
    unlink(chainPath.c_str());
    unlink(plainPath.c_str());
    const double bytes = double(samples) * kSampleBytes;
    const double plainRate = bytes / bestPlain / (1024 * 1024);
    const double chainRate = bytes / bestChain / (1024 * 1024);
    std::printf("samples: %d x 64 KiB into %s\n", samples, folder.c_str());
    std::printf("plain positioned writes: %8.1f MiB/s\n", plainRate);
    std::printf("WAV destination chain:   %8.1f MiB/s\n", chainRate);
    std::printf("chain / plain: %.3f (goal >= 0.80)\n", chainRate / plainRate);
    return 0;
}
