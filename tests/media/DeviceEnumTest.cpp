// The audio input category of the system device enumerator over a scripted ALSA and a
// scripted sound server: which devices it lists in which order, what their property bags say
// and in which format their filters record; and libpulse's answer when no server runs or one
// never answers.
#include "DeviceListing.h"
#include "MediaTestSupport.h"

#include "framework/interfaces/MediaGuids.h"
#include "media/devices/PulseSoundServer.h"
#include "media/devices/SystemDeviceEnum.h"
#include "runtime/TaskMemory.h"
#include "support/EnvironmentScope.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {
SoundServerSource Source(const std::string& name, const std::string& description, unsigned rate,
                         unsigned channels, const std::string& monitorOf = "") {
    SoundServerSource source;
    source.name = name;
    source.description = description;
    source.monitor = !monitorOf.empty();
    source.monitorOf = monitorOf;
    source.rate = rate;
    source.channels = channels;
    return source;
}

AlsaCaptureDevice Device(const std::string& name, const std::string& description, bool card,
                         bool followsSoundServer = false) {
    AlsaCaptureDevice device{name, description};
    device.card = card;
    device.followsSoundServer = followsSoundServer;
    return device;
}

class DeviceEnumTest : public ::testing::Test {
protected:
    DeviceEnumTest() {
        backend->devices = {Device("default", "Default device", false, true),
                            Device("plughw:CARD=USB,DEV=0", "USB Mic: Capture", true)};
        server->answer.answered = true;
        server->answer.defaultSource = "usb_mic";
        // The server's own order: a monitor between the inputs.
        server->answer.sources = {
            Source("builtin_mic", "Built-in Microphone", 48000, 2),
            Source("speakers.monitor", "Monitor of Speakers", 44100, 2, "Speakers"),
            Source("usb_mic", "USB Microphone", 44100, 1),
            Source("surround.monitor", "Monitor of Surround", 48000, 12, "Surround"),
        };
    }

    // Each device as "DevicePath|FriendlyName|MonitorOf".
    static std::vector<std::string> Listed() {
        std::vector<std::string> listed;
        for (const ComPtr<IMoniker>& moniker : AudioInputMonikers()) {
            std::u16string line = DeviceProperty(moniker.get(), u"DevicePath") + u"|" +
                                  DeviceProperty(moniker.get(), u"FriendlyName") + u"|" +
                                  DeviceProperty(moniker.get(), u"MonitorOf");
            listed.emplace_back(line.begin(), line.end()); // ASCII only here
        }
        return listed;
    }

    // The format the filter of the index-th device asks the backend for when it connects.
    AlsaCaptureFormat WantedBy(std::size_t index) {
        const std::vector<ComPtr<IMoniker>> monikers = AudioInputMonikers();
        backend->wanted = {};
        ComPtr<IBaseFilter> filter;
        EXPECT_EQ(S_OK,
                  monikers.at(index)->BindToObject(nullptr, nullptr, IID_PPV_ARGS(filter.put())));
        ComPtr<IEnumPins> pins;
        ComPtr<IPin> pin;
        EXPECT_EQ(S_OK, filter->EnumPins(pins.put()));
        EXPECT_EQ(S_OK, pins->Next(1, pin.put(), nullptr));
        ComPtr<IEnumMediaTypes> types;
        EXPECT_EQ(S_OK, pin->EnumMediaTypes(types.put()));
        AM_MEDIA_TYPE* type = nullptr;
        EXPECT_EQ(S_OK, types->Next(1, &type, nullptr)); // the pin probes the device here
        if (type) {
            CoTaskMemFree(type->pbFormat);
            CoTaskMemFree(type);
        }
        return backend->wanted;
    }

    std::shared_ptr<ScriptedBackend> backend = std::make_shared<ScriptedBackend>();
    std::shared_ptr<ScriptedSoundServer> server = std::make_shared<ScriptedSoundServer>();
    DeviceSeamScope seams{backend, server};
};

TEST_F(DeviceEnumTest, TheDefaultThenTheServersInputsThenItsMonitorsAndNoCard) {
    EXPECT_EQ((std::vector<std::string>{
                  "default|Default device|<none>",
                  "pulse:builtin_mic|Built-in Microphone|<none>",
                  "pulse:usb_mic|USB Microphone|<none>",
                  "pulse:speakers.monitor|Monitor of Speakers|Speakers",
                  "pulse:surround.monitor|Monitor of Surround|Surround",
              }),
              Listed());
    EXPECT_EQ(1, server->asked);
}

TEST_F(DeviceEnumTest, EachServerSourceRecordsInItsOwnFormatAndTheDefaultInTheDefaultSources) {
    struct Case {
        std::size_t index;
        unsigned rate, channels;
    };
    const Case cases[] = {
        {0, 44100, 1},  // the default device is the server's: its default source, usb_mic
        {1, 48000, 2},  // builtin_mic
        {2, 44100, 1},  // usb_mic
        {4, 48000, 12}, // as the server has it; the backend takes the channels it can
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        const AlsaCaptureFormat wanted = WantedBy(c.index);
        EXPECT_EQ(c.rate, wanted.rate);
        EXPECT_EQ(c.channels, wanted.channels);
    }

    // A default device of its own (not the server's plugin) is asked for its own format.
    backend->devices[0].followsSoundServer = false;
    EXPECT_EQ(0u, WantedBy(0).rate);
    // So is one whose server has no such default source.
    backend->devices[0].followsSoundServer = true;
    server->answer.defaultSource = "gone";
    EXPECT_EQ(0u, WantedBy(0).rate);
}

TEST_F(DeviceEnumTest, WithoutAServerOrWithoutTheAlsaPluginTheCardsAreListed) {
    const std::vector<std::string> withoutServer{
        "default|Default device|<none>",
        "plughw:CARD=USB,DEV=0|USB Mic: Capture|<none>",
    };
    server->answer.answered = false;
    EXPECT_EQ(withoutServer, Listed());
    EXPECT_EQ(0u, WantedBy(0).rate) << "nothing is known of the default device's format";

    // A server whose sources ALSA cannot open (no pulse plugin) is not even asked.
    server->answer.answered = true;
    server->asked = 0;
    backend->opensSoundServerSources = false;
    EXPECT_EQ(withoutServer, Listed());
    EXPECT_EQ(0, server->asked);
}

// ---- libpulse without a server ---------------------------------------------------------------

// A unix socket that takes connections and never says a word.
class SilentServer {
public:
    explicit SilentServer(const std::string& path) : path_(path) {
        fd_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        listening_ = fd_ >= 0 &&
                     bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     listen(fd_, 4) == 0;
    }
    ~SilentServer() {
        if (fd_ >= 0) close(fd_);
        unlink(path_.c_str());
    }
    bool Listening() const { return listening_; }

private:
    std::string path_;
    int fd_ = -1;
    bool listening_ = false;
};

double SecondsFor(const std::function<void()>& action) {
    const auto started = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

TEST(PulseSoundServer, GivesUpOnAServerThatIsNotThereOrDoesNotAnswer) {
    TempFolder folder;
    EnvironmentScope environment;
    PulseSoundServer pulse;
    SoundServerAnswer answer;

    environment.Set("PULSE_SERVER", "unix:" + folder.File("nobody"));
    const double nobody = SecondsFor([&] { answer = pulse.Sources(std::chrono::seconds(10)); });
    EXPECT_FALSE(answer.answered);
    EXPECT_LT(nobody, 5.0) << "a refused connection is not waited out";

    SilentServer silent(folder.File("silent"));
    ASSERT_TRUE(silent.Listening());
    environment.Set("PULSE_SERVER", "unix:" + folder.File("silent"));
    const double waited =
        SecondsFor([&] { answer = pulse.Sources(SystemDeviceEnum::kSoundServerTimeout); });
    EXPECT_FALSE(answer.answered);
    EXPECT_GE(waited, 0.45);
    EXPECT_LT(waited, 5.0) << "given up once the time has passed";
}
} // namespace
