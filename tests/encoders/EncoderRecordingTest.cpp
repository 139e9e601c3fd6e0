// FLAC and Opus recordings through the real graph: ALSA's file plugin reading a prepared tone
// → the encoder filter → the file writer, built as the recorder builds its graph. A stopped
// recording is checked with libFLAC, flac, opusinfo and opusdec; a recording process killed
// while it records must leave a file that plays up to (nearly) the moment of the kill.
#include "EncoderTestSupport.h"
#include "MediaTestSupport.h"

#include "Encoders/FlacDest/THMFlacDestFilter.h"
#include "Encoders/OpusDest/THMOpusDestFilter.h"
#include "framework/interfaces/Control.h"
#include "framework/interfaces/DeviceEnum.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/ClassTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {
constexpr unsigned kRate = 48000, kChannels = 2, kFrameBytes = 4; // the fixture device
constexpr double kBytesPerSecond = kRate * kFrameBytes;

enum class Kind { Flac, Opus };

// An Opus filter that counts the sound it is given.
class CountingOpusDest final : public THMOpusDestFilter {
public:
    explicit CountingOpusDest(HRESULT& hr) : THMOpusDestFilter("", nullptr, hr) {}
    HRESULT ProcessSample(IMediaSample* sample) override {
        received += std::max(0L, long(sample->GetActualDataLength()));
        return THMOpusDestFilter::ProcessSample(sample);
    }
    std::atomic<long long> received{0};
};

struct EncodingGraph {
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IBaseFilter> source, encoder, writer;
};

// The first audio input device → encoder → file writer at path (overwritten), connected
// through the capture graph builder. Run it inside ASSERT_NO_FATAL_FAILURE.
void BuildEncodingGraph(const std::string& path, IBaseFilter* encoder, EncodingGraph& built) {
    ComPtr<ICreateDevEnum> devices;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(devices.put())));
    ComPtr<IEnumMoniker> list;
    ASSERT_EQ(S_OK, devices->CreateClassEnumerator(CLSID_AudioInputDeviceCategory, list.put(), 0));
    ComPtr<IMoniker> first;
    ASSERT_EQ(S_OK, list->Next(1, first.put(), nullptr));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(built.graph.put())));
    ASSERT_EQ(S_OK, built.graph.As(built.control));
    ASSERT_EQ(S_OK, first->BindToObject(nullptr, nullptr, IID_PPV_ARGS(built.source.put())));
    built.encoder = encoder;
    ComPtr<IFileSinkFilter2> sink;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FileWriter, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(sink.put())));
    ASSERT_EQ(S_OK, sink.As(built.writer));
    ASSERT_EQ(S_OK, sink->SetMode(AM_FILE_OVERWRITE));
    ASSERT_EQ(S_OK, sink->SetFileName(U16(path).c_str(), nullptr));
    ASSERT_EQ(S_OK, built.graph->AddFilter(built.source.get(), u"Capture"));
    ASSERT_EQ(S_OK, built.graph->AddFilter(built.encoder.get(), u"Encoder"));
    ASSERT_EQ(S_OK, built.graph->AddFilter(built.writer.get(), u"File Writer"));
    ComPtr<ICaptureGraphBuilder2> builder;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(builder.put())));
    ASSERT_EQ(S_OK, builder->SetFiltergraph(built.graph.get()));
    ASSERT_EQ(S_OK, builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio,
                                          built.source.get(), nullptr, built.encoder.get()));
    ASSERT_EQ(S_OK, builder->RenderStream(nullptr, nullptr, built.encoder.get(), nullptr,
                                          built.writer.get()));
}

IBaseFilter* NewEncoder(Kind kind) {
    HRESULT hr = E_FAIL;
    if (kind == Kind::Flac)
        return static_cast<IBaseFilter*>(new THMFlacDestFilter("", nullptr, hr));
    return static_cast<IBaseFilter*>(new THMOpusDestFilter("", nullptr, hr));
}

long long FileSize(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_size : -1;
}

// Waits until the file at path holds at least bytes (false after 30 s).
bool WaitForSize(const std::string& path, long long bytes) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (FileSize(path) < bytes) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// The fixture's prepared input: a tone long enough that no test reads past it.
class EncoderRecordingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new TempFolder;
        input = new Bytes(TonePcm(kRate, kChannels, 60.0));
        WriteWholeFile(InputPath(), *input);
        InstallAlsaFixture(*dir, InputPath(), false);
    }
    static void TearDownTestSuite() {
        delete input;
        delete dir;
    }
    static std::string InputPath() { return dir->File("input.raw"); }

    // Records into path until the file holds bytes, then stops.
    static void RecordUntil(IBaseFilter* encoder, const std::string& path, long long bytes) {
        EncodingGraph built;
        ASSERT_NO_FATAL_FAILURE(BuildEncodingGraph(path, encoder, built));
        ASSERT_EQ(S_OK, built.control->Run());
        // Unpaced: the device delivers as fast as the chain takes it.
        const bool reached = WaitForSize(path, bytes);
        ASSERT_EQ(S_OK, built.control->Stop());
        ASSERT_TRUE(reached);
    }

    static TempFolder* dir;
    static Bytes* input;
};
TempFolder* EncoderRecordingTest::dir = nullptr;
Bytes* EncoderRecordingTest::input = nullptr;

TEST_F(EncoderRecordingTest, AFlacRecordingDecodesToTheInputBitForBitAndPassesFlacTest) {
    const std::string path = dir->File("recording.flac");
    ASSERT_NO_FATAL_FAILURE(RecordUntil(NewEncoder(Kind::Flac), path, 300'000));

    const FlacStream flac = DecodeFlac(ReadWholeFile(path));
    EXPECT_TRUE(flac.decoded);
    EXPECT_EQ(kChannels, flac.channels);
    EXPECT_EQ(kRate, flac.rate);
    EXPECT_TRUE(flac.md5Matched);
    EXPECT_EQ(flac.pcm.size() / kFrameBytes, flac.totalSamples);
    ASSERT_GT(flac.pcm.size(), std::size_t(kBytesPerSecond)); // more than a second
    ASSERT_LT(flac.pcm.size(), input->size());
    EXPECT_TRUE(std::equal(flac.pcm.begin(), flac.pcm.end(), input->begin()));

    std::string said;
    EXPECT_EQ(0, RunCommand("flac -t -s '" + path + "'", &said)) << said;
}

TEST_F(EncoderRecordingTest, AnOpusRecordingPlaysTheToneAtItsLength) {
    HRESULT hr = E_FAIL;
    auto* counting = new CountingOpusDest(hr);
    ComPtr<IBaseFilter> encoder(static_cast<IBaseFilter*>(counting));
    const std::string path = dir->File("recording.opus");
    ASSERT_NO_FATAL_FAILURE(RecordUntil(encoder.get(), path, 40'000));

    std::string info;
    EXPECT_EQ(0, RunCommand("opusinfo '" + path + "'", &info)) << info;
    Pcm decoded;
    ASSERT_TRUE(DecodeOpus(path, decoded));
    EXPECT_EQ(kChannels, decoded.channels);
    EXPECT_EQ(kRate, decoded.rate);
    const double recorded = double(counting->received) / kBytesPerSecond;
    ASSERT_GT(recorded, 1.0);
    EXPECT_NEAR(recorded, decoded.Seconds(), 0.030);
    EXPECT_NEAR(440, ToneFrequency(decoded, 0), 4.4);
    EXPECT_NEAR(440, ToneFrequency(decoded, 1), 4.4);
}

// ---- a recording process killed while it records ---------------------------------------------

// The child: records the fixture's device through the real graph into path until it is
// killed. It never returns.
[[noreturn]] void RecordUntilKilled(Kind kind, const std::string& path) {
    EncodingGraph built;
    BuildEncodingGraph(path, NewEncoder(kind), built);
    if (::testing::Test::HasFatalFailure() || built.control->Run() != S_OK) _exit(3);
    for (;;)
        pause();
}

// How far the process has read the file at path (-1 when it does not have it open).
long long ReadPosition(pid_t process, const std::string& path) {
    char wanted[PATH_MAX];
    if (!realpath(path.c_str(), wanted)) return -1;
    const std::string fds = "/proc/" + std::to_string(process) + "/fd";
    DIR* folder = opendir(fds.c_str());
    if (!folder) return -1;
    long long position = -1;
    while (dirent* entry = readdir(folder)) {
        char target[PATH_MAX] = {};
        const std::string link = fds + "/" + entry->d_name;
        const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        if (n <= 0 || std::string(target, std::size_t(n)) != wanted) continue;
        std::ifstream info("/proc/" + std::to_string(process) + "/fdinfo/" + entry->d_name);
        std::string key;
        while (info >> key)
            if (key == "pos:") {
                info >> position;
                break;
            }
    }
    closedir(folder);
    return position;
}

TEST_F(EncoderRecordingTest, AKilledRecordingPlaysUpToTheKill) {
    // The moment of the kill is set by the sound read, not by what was written, so that it
    // falls anywhere between two writes.
    const struct {
        Kind kind;
        double cutAt; // seconds of sound the device has delivered (0: the file has begun)
        const char* what;
    } cuts[] = {
        {Kind::Flac, 0, "FLAC, at once"},
        {Kind::Flac, 3.1, "FLAC, seconds in"},
        {Kind::Opus, 0, "Opus, at once"},
        {Kind::Opus, 3.1, "Opus, seconds in"},
    };
    for (const auto& cut : cuts) {
        SCOPED_TRACE(cut.what);
        const std::string path = dir->File(cut.kind == Kind::Flac ? "cut.flac" : "cut.opus");
        (void)unlink(path.c_str());
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) RecordUntilKilled(cut.kind, path);
        bool reached = WaitForSize(path, 1);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (reached && ReadPosition(child, InputPath()) < cut.cutAt * kBytesPerSecond)
            reached = std::chrono::steady_clock::now() < until;
        // Frozen first, so that what it has read and what it has written belong together.
        ASSERT_EQ(0, kill(child, SIGSTOP));
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, WUNTRACED));
        const bool exited = !WIFSTOPPED(status);
        const long long read = exited ? -1 : ReadPosition(child, InputPath());
        if (!exited) {
            ASSERT_EQ(0, kill(child, SIGKILL));
            ASSERT_EQ(child, waitpid(child, &status, 0));
        }
        ASSERT_FALSE(exited) << "the recording process ended by itself";
        ASSERT_TRUE(reached);
        // The file's start is written before the device opens: not open yet, nothing read.
        const double readSeconds = double(std::max(read, 0LL)) / kBytesPerSecond;
        ASSERT_GE(readSeconds, cut.cutAt);
        const Bytes file = ReadWholeFile(path);

        if (cut.kind == Kind::Flac) {
            const FlacStream flac = DecodeFlac(file);
            EXPECT_EQ(kChannels, flac.channels);
            EXPECT_EQ(0u, flac.totalSamples) << "a cut-off recording does not claim a length";
            EXPECT_TRUE(std::equal(flac.pcm.begin(), flac.pcm.end(), input->begin()));
            // Up to the last complete frame: what is left is less than a frame.
            EXPECT_LT(file.size() - flac.lastFrameEnd, 4096u * 4 + 64);
            // Only the frame the encoder was filling and the sound on its way are missing.
            EXPECT_GE(double(flac.pcm.size()) / kBytesPerSecond, readSeconds - 0.4)
                << "read " << readSeconds << " s";
        } else {
            // A stream without its last page: opusinfo warns, but finds nothing wrong.
            std::string info;
            (void)RunCommand("opusinfo '" + path + "'", &info);
            EXPECT_EQ(std::string::npos, info.find("ERROR")) << info;
            Pcm decoded;
            if (!DecodeOpus(path, decoded)) {
                // Killed before the first sound was encoded: the headers alone, which players
                // do not open, but nothing of a second is lost.
                EXPECT_EQ(2u, OggPages(file).size());
                EXPECT_LT(readSeconds, 1.0);
                continue;
            }
            EXPECT_EQ(kChannels, decoded.channels);
            EXPECT_GE(decoded.Seconds(), readSeconds - 1.0) << "read " << readSeconds << " s";
            EXPECT_LE(decoded.Seconds(), readSeconds + 0.1);
            if (decoded.Seconds() > 0.5) {
                EXPECT_NEAR(440, ToneFrequency(decoded, 0), 4.4);
            }
        }
    }
}
} // namespace
