// The audio input category against the test sound server (the private PulseAudio daemon of
// scripts/with-pulse, or the PipeWire session of scripts/with-pipewire, both with a 440 Hz and
// an 880 Hz sine source): the default device, then the server's inputs by their descriptions,
// then the monitors of its outputs, one of them an output this test adds.
#include "DeviceListing.h"
#include "MediaTestSupport.h"

#include "support/Pulse.h"
#include "support/SoundServerAlsa.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace {
std::string Narrow(const std::u16string& text) {
    return std::string(text.begin(), text.end()); // the names here are ASCII
}

TEST(SoundServerDevices, TheDefaultThenEveryInputThenEveryMonitorByTheServersNames) {
    if (!RequirePulse()) return;
    TempFolder work;
    const std::string config = work.File("asound.conf");
    std::ofstream(config) << SoundServerAsDefault("Sound server") << PulseSourceDevice();
    setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    const std::string sink = "hymnaro_output_" + std::to_string(getpid());
    // (Both servers take a description without spaces the same way.)
    const std::string output = "Test-output-" + std::to_string(getpid());
    PulseModule added("module-null-sink sink_name=" + sink +
                      " sink_properties=device.description=" + output);
    ASSERT_TRUE(added.Loaded());

    struct Listed {
        std::string key, name, monitorOf;
    };
    std::vector<Listed> listed;
    for (const ComPtr<IMoniker>& moniker : AudioInputMonikers())
        listed.push_back({Narrow(DeviceProperty(moniker.get(), u"DevicePath")),
                          Narrow(DeviceProperty(moniker.get(), u"FriendlyName")),
                          Narrow(DeviceProperty(moniker.get(), u"MonitorOf"))});
    ASSERT_GE(listed.size(), 4u);
    EXPECT_EQ("default", listed[0].key);
    EXPECT_EQ("Sound server", listed[0].name);

    const std::map<std::string, std::string> described = PulseSourceDescriptions();
    bool monitors = false, sine440 = false, sine880 = false, ours = false;
    for (std::size_t i = 1; i < listed.size(); ++i) {
        SCOPED_TRACE(listed[i].key);
        ASSERT_EQ("pulse:", listed[i].key.substr(0, 6)) << "no sound card beside a server";
        const std::string source = listed[i].key.substr(6);
        EXPECT_EQ(described.at(source), listed[i].name);
        const bool monitor = listed[i].monitorOf != "<none>";
        EXPECT_TRUE(monitor || !monitors) << "an input after a monitor";
        monitors = monitors || monitor;
        sine440 = sine440 || (source == "sine_input" && !monitor);
        sine880 = sine880 || (source == "sine880" && !monitor);
        if (source == sink + ".monitor") {
            ours = true;
            EXPECT_EQ(output, listed[i].monitorOf);
        }
    }
    EXPECT_TRUE(sine440);
    EXPECT_TRUE(sine880);
    EXPECT_TRUE(ours) << "the monitor of " << sink;
}
} // namespace
