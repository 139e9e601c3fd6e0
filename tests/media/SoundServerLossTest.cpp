// A recording from a PipeWire session whose daemon is killed under it, through the ALSA plugin
// of the run (PipeWire's own, which then answers every read with an overrun, or ALSA's pulse
// plugin to pipewire-pulse): the recording ends as a lost device, the file is complete and
// the process stays as large as it was. Runs only beside scripts/with-pipewire, which names
// the session script; the session killed is one of the test's own.
#include "MediaTestSupport.h"
#include "RecordingGraph.h"

#include "WaveDest/WavLayout.h"
#include "framework/interfaces/Control.h"
#include "support/EnvironmentScope.h"
#include "support/Pulse.h"
#include "support/SoundServerAlsa.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {
// A PipeWire session of the test's own in runtime, ended with the object.
class OwnSession {
public:
    OwnSession(const std::string& script, const std::string& runtime)
        : script_(script), runtime_(runtime) {
        started_ = std::system(("'" + script_ + "' start '" + runtime_ + "'").c_str()) == 0;
    }
    ~OwnSession() { (void)std::system(("'" + script_ + "' stop '" + runtime_ + "'").c_str()); }
    bool Started() const { return started_; }
    // A process id the session script recorded (PIPEWIRE_PID, ...); 0 when there is none.
    pid_t Pid(const std::string& name) const {
        std::ifstream env(runtime_ + "/session.env");
        for (std::string line; std::getline(env, line);)
            if (line.rfind(name + "=", 0) == 0) return pid_t(std::atol(line.c_str() + name.size() + 1));
        return 0;
    }

private:
    std::string script_, runtime_;
    bool started_ = false;
};

// The resident memory of this process.
long long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

std::uint64_t AudioBytes(const std::string& path) {
    const Bytes file = ReadWholeFile(path);
    const auto header = WavLayout::HeaderBytes(WavLayout::WaveFormatExBytes);
    return file.size() > header ? file.size() - header : 0;
}

TEST(SoundServerLoss, AKilledPipeWireDaemonEndsTheRecordingWithACompleteFileAndFlatMemory) {
    if (!RequirePulse()) return;
    const char* script = std::getenv("HYMNARO_PIPEWIRE_SESSION");
    if (!script || !*script) GTEST_SKIP() << "needs a PipeWire session (scripts/with-pipewire)";

    TempFolder work("hymnaro-pw-loss");
    const std::string runtime = work.File("runtime");
    OwnSession session(script, runtime);
    ASSERT_TRUE(session.Started()) << "the PipeWire session did not start";
    const pid_t daemon = session.Pid("PIPEWIRE_PID");
    ASSERT_GT(daemon, 0);

    EnvironmentScope environment;
    environment.Set("XDG_RUNTIME_DIR", runtime);
    environment.Set("PULSE_RUNTIME_PATH", runtime + "/pulse");
    environment.Unset("PULSE_COOKIE");
    const std::string config = work.File("asound.conf");
    std::ofstream(config) << SoundServerAsDefault("Own PipeWire session");
    environment.Set("ALSA_CONFIG_PATH", config);

    const std::string path = work.File("killed.wav");
    RecordingGraph built;
    ASSERT_NO_FATAL_FAILURE(BuildRecordingGraph(path, built));
    ComPtr<IMediaEventEx> events;
    ASSERT_EQ(S_OK, built.graph.As(events));
    ASSERT_EQ(S_OK, built.control->Run());

    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (AudioBytes(path) < 48000 * 4 / 2 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(AudioBytes(path), 48000u * 4 / 2) << "no sound came from the session";
    const long long before = ResidentBytes();
    ASSERT_EQ(0, ::kill(daemon, SIGKILL));

    // The next event says the device is gone; nothing else may come first.
    LONG code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    ASSERT_EQ(S_OK, events->GetEvent(&code, &param1, &param2, 20000)) << "the recording went on";
    (void)events->FreeEventParams(code, param1, param2);
    EXPECT_EQ(EC_DEVICE_LOST, code);
    // However the plugin behaves after the daemon went, the process stays the size it was.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const long long grown = ResidentBytes() - before;
    EXPECT_LT(grown, 32ll << 20) << "the process grew by " << (grown >> 20) << " MiB";

    ASSERT_EQ(S_OK, built.control->Stop());
    const Bytes file = ReadWholeFile(path);
    const WavLayout::THeader header = WavLayout::ReadHeader(file);
    ASSERT_TRUE(header.found) << header.problem;
    EXPECT_TRUE(header.ClaimsFit()) << "RIFF " << header.riffSize << ", data " << header.dataBytes
                                    << ", file " << file.size();
    EXPECT_EQ(0u, header.dataBytes % 4);
}
} // namespace
