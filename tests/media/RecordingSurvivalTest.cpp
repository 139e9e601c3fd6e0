// Recordings through the real graph (capture filter → WAV destination → file sink) that end
// any way but a plain Stop: a full disk, a vanished device, the 4 GiB limit, a stalled disk,
// and a process killed while it records. Each must leave a file that standard readers play.
#include "MediaTestSupport.h"
#include "RecordingGraph.h"

#include "WaveDest/THMWavDestFilter.h"
#include "WaveDest/WavLayout.h"
#include "framework/FrameworkUtil.h"
#include "framework/interfaces/Control.h"
#include "framework/interfaces/DeviceEnum.h"
#include "framework/interfaces/MediaGuids.h"
#include "media/alsa/AlsaCaptureFilter.h"
#include "runtime/ClassTable.h"
#include "support/GraphFixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <future>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {
using Step = ScriptedStream::Step;
constexpr unsigned long kPeriod = 4800;           // 100 ms at 48 kHz
constexpr std::size_t kPeriodBytes = kPeriod * 4; // 16-bit stereo
constexpr std::size_t kHeader = WavLayout::HeaderBytes(WavLayout::WaveFormatExBytes);

Bytes Pattern(unsigned long long from, std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = ScriptedStream::PatternByte(from + i);
    return b;
}

// The file is a complete WAV file of 48 kHz 16-bit stereo holding exactly data.
void ExpectCompleteWav(const Bytes& file, const Bytes& data) {
    ASSERT_EQ(kHeader + data.size(), file.size());
    const WavLayout::THeader header = WavLayout::ReadHeader(file);
    ASSERT_TRUE(header.found) << header.problem;
    EXPECT_EQ(2, header.format.channels);
    EXPECT_EQ(kHeader, header.dataAt);
    EXPECT_EQ(file.size() - 8, header.riffSize);
    EXPECT_EQ(data.size(), header.dataBytes);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), file.begin() + kHeader));
}

// A scripted capture device → WAV destination → sink, in a real graph.
class RecordingSurvivalTest : public GraphFixture {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GraphFixture::SetUp());
        backend->devices = {{"scripted", "Scripted device"}};
        backend->makeStream = [this] {
            return std::make_unique<ScriptedStream>(48000, 2, kPeriod, 48000, script);
        };
        capture = new AlsaCaptureFilter(nullptr, "scripted", backend);
        captureFilter = static_cast<IBaseFilter*>(capture);
    }
    // Builds the chain into sink, or into the platform's file writer at path.
    void Build(IBaseFilter* wavDest, IBaseFilter* sink, const std::string& path = {}) {
        wavDestFilter = wavDest;
        if (!sink) {
            ComPtr<IFileSinkFilter2> fileSink;
            ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FileWriter, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_PPV_ARGS(fileSink.put())));
            ASSERT_EQ(S_OK, fileSink->SetMode(AM_FILE_OVERWRITE));
            ASSERT_EQ(S_OK, fileSink->SetFileName(U16(path).c_str(), nullptr));
            ASSERT_EQ(S_OK, fileSink.As(sinkFilter));
        } else {
            sinkFilter = sink;
        }
        ASSERT_EQ(S_OK, graph->AddFilter(captureFilter.get(), u"Capture"));
        ASSERT_EQ(S_OK, graph->AddFilter(wavDestFilter.get(), u"WAV Dest"));
        ASSERT_EQ(S_OK, graph->AddFilter(sinkFilter.get(), u"File Writer"));
        ComPtr<IPin> in, out, sinkIn;
        ASSERT_EQ(S_OK, wavDestFilter->FindPin(u"In", in.put()));
        ASSERT_EQ(S_OK, wavDestFilter->FindPin(u"Out", out.put()));
        ComPtr<IEnumPins> pins;
        ASSERT_EQ(S_OK, sinkFilter->EnumPins(pins.put()));
        ASSERT_EQ(S_OK, pins->Next(1, sinkIn.put(), nullptr));
        ASSERT_EQ(S_OK, graph->Connect(capture->CapturePin(), in.get()));
        ASSERT_EQ(S_OK, graph->Connect(out.get(), sinkIn.get()));
    }
    static ComPtr<IBaseFilter> NewWavDest() {
        return ComPtr<IBaseFilter>(
            static_cast<IBaseFilter*>(new THMWavDestFilter("", nullptr, IID_IBaseFilter)));
    }

    std::shared_ptr<ScriptedBackend> backend = std::make_shared<ScriptedBackend>();
    std::deque<Step> script;
    TempFolder dir;
    AlsaCaptureFilter* capture = nullptr;
    ComPtr<IBaseFilter> captureFilter, wavDestFilter, sinkFilter;
};

TEST_F(RecordingSurvivalTest, AFullDiskEndsTheRecordingWithACompleteFile) {
    script = {Step{long(kPeriod) * 10}};
    const std::string path = dir.File("full.wav");
    Build(NewWavDest().get(), nullptr, path);
    {
        // Room for the header and three and a half samples.
        FileSizeLimit limit(kHeader + 3 * kPeriodBytes + kPeriodBytes / 2);
        ASSERT_EQ(S_OK, control->Run());
        LONG_PTR param1 = 0;
        ASSERT_EQ(EC_ERRORABORT, NextEvent(5000, &param1));
        EXPECT_EQ(LONG_PTR(std::int32_t(HResultFromErrno(EFBIG))), param1);
        EXPECT_EQ(S_OK, control->Stop()); // the header still fits where it always was
    }
    ExpectCompleteWav(ReadWholeFile(path), Pattern(0, 3 * kPeriodBytes));
}

// A device that vanishes, and one that answers every read with an overrun from some moment on
// (a sound server that died under its plugin).
class LostDevice : public RecordingSurvivalTest, public testing::WithParamInterface<Step> {};

TEST_P(LostDevice, EndsTheRecordingWithACompleteFile) {
    script = {Step{long(kPeriod) * 3}, GetParam()};
    const std::string path = dir.File("lost.wav");
    Build(NewWavDest().get(), nullptr, path);
    ASSERT_EQ(S_OK, control->Run());
    LONG_PTR param1 = 0;
    ASSERT_EQ(EC_DEVICE_LOST, NextEvent(5000, &param1));
    EXPECT_EQ(S_OK, control->Stop());
    ExpectCompleteWav(ReadWholeFile(path), Pattern(0, 3 * kPeriodBytes));
}

INSTANTIATE_TEST_SUITE_P(Ways, LostDevice,
                         testing::Values(Step{-ENODEV}, Step{-EPIPE, false, false, true}),
                         [](const auto& info) {
                             return std::string(info.param.repeats ? "OnlyOverruns" : "Vanishes");
                         });

// A WAV destination whose count starts close to the 4 GiB - 1 limit, so the limit is reached
// without writing 4 GiB (the file is sparse below the last samples).
class NearlyFullWavDest final : public THMWavDestFilter {
public:
    explicit NearlyFullWavDest(DWORD startAt)
        : THMWavDestFilter("", nullptr, IID_IBaseFilter), startAt_(startAt) {}
    HRESULT BeginStreaming() override {
        RETURN_IF_FAILED(THMWavDestFilter::BeginStreaming());
        DataBytes = startAt_;
        return S_OK;
    }

private:
    const DWORD startAt_;
};

TEST_F(RecordingSurvivalTest, TheFourGibibyteLimitEndsTheRecordingWithACompleteFile) {
    script = {Step{long(kPeriod) * 10}};
    const std::string path = dir.File("limit.wav");
    const DWORD startAt = 0xFFFFFFFFu - DWORD(kHeader) - 2 * DWORD(kPeriodBytes) - 100;
    Build(static_cast<IBaseFilter*>(new NearlyFullWavDest(startAt)), nullptr, path);
    ASSERT_EQ(S_OK, control->Run());
    LONG_PTR param1 = 0;
    ASSERT_EQ(EC_ERRORABORT, NextEvent(5000, &param1)); // the third sample no longer fits
    EXPECT_EQ(LONG_PTR(std::int32_t(WAVDEST_E_FILE_TOO_LARGE)), param1);
    EXPECT_FALSE(MediaErrorText(WAVDEST_E_FILE_TOO_LARGE).empty()); // there is a text to show
    EXPECT_EQ(S_OK, control->Stop());

    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    struct stat info {};
    ASSERT_EQ(0, fstat(fd, &info));
    const DWORD data = startAt + 2 * DWORD(kPeriodBytes);
    EXPECT_EQ(off_t(kHeader) + off_t(data), info.st_size);
    Bytes header(kHeader), tail(2 * kPeriodBytes);
    ASSERT_EQ(ssize_t(kHeader), pread(fd, header.data(), kHeader, 0));
    ASSERT_EQ(ssize_t(tail.size()),
              pread(fd, tail.data(), tail.size(), info.st_size - off_t(tail.size())));
    close(fd);
    const WavLayout::THeader claims =
        WavLayout::ReadHeader(header.data(), header.size(), std::uint64_t(info.st_size));
    ASSERT_TRUE(claims.found) << claims.problem;
    EXPECT_EQ(kHeader, claims.dataAt);
    EXPECT_EQ(data + kHeader - 8, claims.riffSize);
    EXPECT_EQ(data, claims.dataBytes);
    EXPECT_TRUE(claims.ClaimsFit());
    EXPECT_EQ(Pattern(0, 2 * kPeriodBytes), tail);
}

TEST_F(RecordingSurvivalTest, StopDoesNotHangWhenTheWriterStalls) {
    script = {Step{long(kPeriod) * 100}};
    auto* sink = new StallingSink(200);
    Build(NewWavDest().get(), static_cast<IBaseFilter*>(sink));
    ASSERT_EQ(S_OK, control->Run());
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (sink->Writes() < 4 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(sink->Writes(), 4);
    // The bound only tells a hang from a slow stop.
    auto stopped = std::async(std::launch::async, [&] { return control->Stop(); });
    ASSERT_EQ(std::future_status::ready, stopped.wait_for(std::chrono::seconds(30)));
    EXPECT_EQ(S_OK, stopped.get());
    const Bytes file = sink->File();
    ASSERT_GE(file.size(), kHeader);
    ExpectCompleteWav(file, Pattern(0, file.size() - kHeader));
}

// ---- a recording process killed while it records ---------------------------------------------

// Runs a reader over a WAV file; the audio bytes it got into rawPath, or -1 when it failed.
long ReadWith(const std::string& reader, const std::string& wav, const std::string& rawPath) {
    std::string command;
    if (reader == "python")
        command = "python3 -c \"import sys, wave\nw = wave.open(sys.argv[1])\n"
                  "o = open(sys.argv[2], 'wb')\nwhile True:\n  d = w.readframes(4096)\n"
                  "  if not d: break\n  o.write(d)\n\" '" +
                  wav + "' '" + rawPath + "'";
    else if (reader == "sox")
        command = "sox -V1 '" + wav + "' -t raw '" + rawPath + "'";
    else
        command = "sndfile-info '" + wav + "' >/dev/null && sndfile-convert '" + wav + "' '" +
                  rawPath + "'";
    if (std::system(command.c_str()) != 0) return -1;
    return long(ReadWholeFile(rawPath).size());
}

// The child: records the fixture's first device through the real graph into path until it is
// killed. It never returns.
[[noreturn]] void RecordUntilKilled(const std::string& path) {
    RecordingGraph built;
    BuildRecordingGraph(path, built);
    const bool ok = !::testing::Test::HasFatalFailure() && built.control->Run() == S_OK;
    if (!ok) _exit(3);
    for (;;)
        pause();
}

TEST(RecordingCutOff, AKilledRecordingPlaysInEveryReaderUpToTheCut) {
    TempFolder dir;
    const Bytes input = NoiseBytes(16 << 20, 11); // about 87 s of 48 kHz stereo
    WriteWholeFile(dir.File("input.raw"), input);
    InstallAlsaFixture(dir, dir.File("input.raw"), false);
    // Cut at several moments: right after the start, within the first second, later on.
    for (const std::size_t cutAt :
         {std::size_t(0), std::size_t(100'000), std::size_t(700'000), std::size_t(3'000'000)}) {
        SCOPED_TRACE(cutAt);
        const std::string path = dir.File("cut.wav");
        (void)unlink(path.c_str());
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) RecordUntilKilled(path);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        struct stat info {};
        bool exited = false;
        while (std::chrono::steady_clock::now() < until) {
            if (stat(path.c_str(), &info) == 0 && std::size_t(info.st_size) >= kHeader + cutAt)
                break;
            int status = 0;
            if (waitpid(child, &status, WNOHANG) == child) {
                exited = true;
                break;
            }
            std::this_thread::yield();
        }
        if (!exited) {
            ASSERT_EQ(0, kill(child, SIGKILL));
            int status = 0;
            ASSERT_EQ(child, waitpid(child, &status, 0));
        }
        ASSERT_FALSE(exited) << "the recording process ended by itself";

        const Bytes file = ReadWholeFile(path);
        ASSERT_GE(file.size(), kHeader + cutAt);
        const std::size_t frames = (file.size() - kHeader) / 4;
        for (const char* reader : {"python", "sox", "libsndfile"}) {
            SCOPED_TRACE(reader);
            const std::string raw = dir.File(std::string(reader) + ".raw");
            const long got = ReadWith(reader, path, raw);
            ASSERT_GE(got, 0) << "the reader refused the file";
            // Every whole frame that reached the file (Python also hands out a partial one).
            ASSERT_EQ(frames, std::size_t(got) / 4);
            const Bytes audio = ReadWholeFile(raw);
            const std::size_t covered = std::min(frames * 4, input.size());
            EXPECT_TRUE(
                std::equal(input.begin(), input.begin() + std::ptrdiff_t(covered), audio.begin()));
        }
    }
}
} // namespace
