// Records in real time from the test sound server (a private PulseAudio daemon started by
// scripts/with-pulse, or a private PipeWire session started by scripts/with-pipewire, reached
// through the ALSA plugin the script names): its 440 Hz sine source (found again in the file),
// and a prepared raw file paced by the server (found byte for byte).
#include "MediaTestSupport.h"
#include "RecordingGraph.h"

#include "WaveDest/WavLayout.h"
#include "framework/interfaces/Control.h"
#include "support/Pulse.h"
#include "support/SoundServerAlsa.h"
#include "support/Tone.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <thread>

namespace {
// Records the first audio input device for the given time into path; the seconds it took.
// (The daemon's sine source hands out sound in blocks of about two seconds, so a client that
// starts beside another may wait that long for its first sound: recordings last three.)
double Record(const std::string& path, int milliseconds) {
    double elapsed = -1;
    [&] {
        RecordingGraph built;
        ASSERT_NO_FATAL_FAILURE(BuildRecordingGraph(path, built));
        ComPtr<IMediaControl> control = built.control;

        const auto started = std::chrono::steady_clock::now();
        ASSERT_EQ(S_OK, control->Run());
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        ASSERT_EQ(S_OK, control->Stop());
        elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    }();
    return elapsed;
}

TEST(PulseCapture, RecordsTheSineSourceInRealTime) {
    if (!RequirePulse()) return;
    TempFolder work;
    const std::string config = work.File("asound.conf");
    std::ofstream(config) << SoundServerAsDefault("Sound server");
    setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    const std::string path = work.File("sine.wav");
    const double elapsed = Record(path, 3000);
    ASSERT_GT(elapsed, 0);

    const Bytes file = ReadWholeFile(path);
    ASSERT_GT(file.size(), 46u + 48000u * 4 / 2); // at least half a second of sound
    const std::size_t frames = (file.size() - 46) / 4;
    // Paced: never much more sound than time passed (the server hands out about two seconds
    // at the first read).
    EXPECT_LT(double(frames) / 48000.0, elapsed + 3.0);

    const Bytes data(file.begin() + 46, file.end());
    const double frequency = ToneFrequency(data, 2, 48000);
    EXPECT_NEAR(440.0, frequency, 2.0);
}
} // namespace

namespace {
TEST(PulseCapture, APacedFileDeviceGivesItsBytesExactly) {
    if (!RequirePulse()) return;
    TempFolder work;
    const Bytes input = NoiseBytes(48000 * 4 * 12, 7); // more than the recording takes
    WriteWholeFile(work.File("input.raw"), input);
    InstallAlsaFixture(work, work.File("input.raw"), true);
    const std::string path = work.File("paced.wav");
    const double elapsed = Record(path, 3000);
    ASSERT_GT(elapsed, 0);

    const Bytes file = ReadWholeFile(path);
    ASSERT_GT(file.size(), 46u + 48000u * 4 / 4);
    const std::size_t data = file.size() - 46;
    EXPECT_LT(double(data) / (48000.0 * 4), elapsed + 3.0); // paced, not as fast as read
    ASSERT_LE(data, input.size());
    EXPECT_TRUE(std::equal(file.begin() + 46, file.end(), input.begin()));
}
} // namespace

namespace {
// A sound server of this test's own, so that stopping it disturbs no other test.
class PrivateSoundServer {
public:
    explicit PrivateSoundServer(const TempFolder& dir) : runtime_(dir.File("pulse-runtime")) {
        mkdir(runtime_.c_str(), 0700);
        started_ = Run("pulseaudio --daemonize=yes --exit-idle-time=-1 -n "
                       "--load=module-native-protocol-unix --load=module-null-sink "
                       "--load='module-sine-source frequency=440 rate=48000' 2>/dev/null") == 0;
        for (int i = 0; started_ && i < 50 && Run("pactl info >/dev/null 2>&1") != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        started_ = started_ && Run("pactl set-default-source sine_input") == 0;
    }
    ~PrivateSoundServer() { Stop(); }
    bool Started() const { return started_; }
    // Points this process at the server.
    void Reach() const {
        setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
        setenv("PULSE_RUNTIME_PATH", (runtime_ + "/pulse").c_str(), 1);
        setenv("HOME", runtime_.c_str(), 1);
    }
    void Stop() {
        if (!started_) return;
        (void)Run("pulseaudio --kill >/dev/null 2>&1");
        started_ = false;
    }

private:
    int Run(const std::string& command) const {
        const std::string withEnv = "env XDG_RUNTIME_DIR='" + runtime_ + "' HOME='" + runtime_ +
                                    "' PULSE_RUNTIME_PATH='" + runtime_ + "/pulse' " + command;
        return std::system(withEnv.c_str());
    }
    std::string runtime_;
    bool started_ = false;
};

TEST(PulseCapture, AStoppedSoundServerEndsTheRecordingWithACompleteFile) {
    if (!RequirePulse()) return; // pulseaudio is installed and may run here
    const char* run = std::getenv("HYMNARO_SOUND_SERVER");
    if (run && std::string(run) == "pipewire")
        GTEST_SKIP() << "stops a PulseAudio daemon of its own: the PipeWire runs add nothing";
    TempFolder work;
    PrivateSoundServer server(work);
    ASSERT_TRUE(server.Started());
    server.Reach();
    const std::string config = work.File("asound.conf");
    std::ofstream(config) << "pcm.!default {\n  type pulse\n  hint { show on description "
                             "\"PulseAudio\" }\n}\nctl.!default { type pulse }\n";
    setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    const std::string path = work.File("lost.wav");

    RecordingGraph built;
    ASSERT_NO_FATAL_FAILURE(BuildRecordingGraph(path, built));
    ComPtr<IMediaControl> control = built.control;
    ComPtr<IMediaEvent> events;
    ASSERT_EQ(S_OK, built.graph.As(events));

    ASSERT_EQ(S_OK, control->Run());
    struct stat info {};
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((stat(path.c_str(), &info) != 0 || info.st_size < 46 + 48000 * 4) &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_GE(info.st_size, 46 + 48000 * 4); // a second of sound
    server.Stop();
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    ASSERT_EQ(S_OK, events->GetEvent(&code, &p1, &p2, 10000)) << "no event for the lost server";
    (void)events->FreeEventParams(code, p1, p2);
    EXPECT_EQ(EC_DEVICE_LOST, code);
    ASSERT_EQ(S_OK, control->Stop());

    const Bytes file = ReadWholeFile(path);
    ASSERT_GE(file.size(), 46u + 48000 * 4);
    const WavLayout::THeader claims = WavLayout::ReadHeader(file);
    ASSERT_TRUE(claims.found) << claims.problem;
    EXPECT_EQ(file.size() - 8, claims.riffSize);
    EXPECT_EQ(file.size() - 46, claims.dataBytes);
}
} // namespace
