// Choosing the input, end to end through the recording data module, the capture controller and
// the real device list, against the test sound server (scripts/with-pulse or
// scripts/with-pipewire: a 440 Hz default source and an 880 Hz mono one at 44.1 kHz): a chosen
// source is recorded in its own format, the system default records the default source, and a
// chosen source that has gone is replaced by the system default with a message naming it.
#include "AppTestSupport.h"
#include "PacedCapture.h"

#include "app/dm_Recording.h"
#include "capture/TDXShowCaptureAudio.h"
#include "support/Pulse.h"
#include "support/SoundServerAlsa.h"
#include "support/TempFolder.h"
#include "support/Tone.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace {
// The pitch is taken within 1 %: a recording at another rate than its header says is off by
// 8 % or more.
class InputChoice : public testing::Test {
protected:
    void SetUp() override {
        if (!RequirePulse()) return;
        // The default device is the server's default source, through the run's ALSA route;
        // a chosen source opens through ALSA's pulse plugin.
        std::ofstream(work.File("asound.conf"))
            << SoundServerAsDefault("Sound server") << PulseSourceDevice();
        setenv("ALSA_CONFIG_PATH", work.File("asound.conf").c_str(), 1);
        module = std::make_unique<TdmRecording>();
        module->OnMessage = [this](const std::vector<TUserError>& told) {
            messages.insert(messages.end(), told.begin(), told.end());
        };
        folder = NewTestFolder(QStringLiteral("inputs"));
    }

    // Records about a second and a half from the device with the key; the file as read back.
    WavFile Record(const WideString& key) {
        const QString file =
            QString::fromStdU16String(module->StartRecording(folder.toStdU16String(), key));
        inputName = module->RecordingInput();
        missing = module->MissingInput();
        // Past the sound server's first burst, whatever the rate.
        EXPECT_TRUE(WaitFor([&] { return RecordedBytes(file.toStdString()) >= 2 * 88200; }, 20000));
        module->StopRecording();
        EXPECT_EQ("", module->RecordingInput());
        return ReadWav(file.toStdString());
    }

    TempFolder work;
    std::unique_ptr<TdmRecording> module;
    QString folder;
    std::vector<TUserError> messages;
    QString inputName;
    WideString missing;
};

TEST_F(InputChoice, AChosenSourceIsRecordedInItsOwnFormat) {
    const WavFile wav = Record(u"pulse:sine880");
    ASSERT_TRUE(wav.complete) << wav.problem;
    EXPECT_EQ(1u, wav.formatTag);
    EXPECT_EQ(1u, wav.channels);
    EXPECT_EQ(44100u, wav.rate);
    EXPECT_NEAR(880.0, ToneFrequency(wav.data, wav.channels, wav.rate), 880.0 * 0.01);
    EXPECT_EQ(QString::fromStdString(PulseSourceDescriptions().at("sine880")), inputName);
    EXPECT_TRUE(messages.empty()) << messages.size() << " messages";
}

TEST_F(InputChoice, TheSystemDefaultRecordsTheDefaultSource) {
    const WavFile wav = Record(u"");
    ASSERT_TRUE(wav.complete) << wav.problem;
    EXPECT_NEAR(440.0, ToneFrequency(wav.data, wav.channels, wav.rate), 440.0 * 0.01);
    EXPECT_EQ(TdmRecording::InputSystemDefault, inputName);
    EXPECT_TRUE(missing.empty());
    EXPECT_TRUE(messages.empty()) << messages.size() << " messages";
}

TEST_F(InputChoice, AChosenSourceThatHasGoneIsReplacedByTheSystemDefaultAndNamed) {
    // The monitor of an output that is there when it is chosen and gone when Record is pressed.
    const std::string sink = "hymnaro_gone_" + std::to_string(getpid());
    const WideString key = u"pulse:" + QString::fromStdString(sink).toStdU16String() + u".monitor";
    PulseModule output("module-null-sink sink_name=" + sink +
                       " sink_properties=device.description=Gone-" + std::to_string(getpid()));
    ASSERT_TRUE(output.Loaded());
    const QList<TdmRecording::TInputDevice> listed = module->InputDevices();
    const auto chosen = std::find_if(listed.begin(), listed.end(),
                                     [&](const auto& device) { return device.Key == key; });
    ASSERT_NE(listed.end(), chosen);
    EXPECT_EQ(TdmRecording::InputWhatPlays.arg("Gone-" + QString::number(getpid())),
              chosen->Name);
    output.Unload();

    const WavFile wav = Record(key);
    ASSERT_TRUE(wav.complete) << wav.problem;
    EXPECT_NEAR(440.0, ToneFrequency(wav.data, wav.channels, wav.rate), 440.0 * 0.01);
    EXPECT_EQ(TdmRecording::InputSystemDefault, inputName);
    EXPECT_EQ(key, missing);
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(TMessageCause::InputMissing, messages[0].Cause);
    EXPECT_EQ(QStringList{QString::fromStdU16String(key)}, messages[0].Values);
}
} // namespace
