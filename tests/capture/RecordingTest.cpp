// Recordings end to end: the audio capture controller on the platform's graph, the ALSA
// capture filter on the paced test device, the WAV destination filter and the file writer.
#include "CaptureFakes.h"
#include "CaptureTestSupport.h"
#include "PacedCapture.h"

#include "capture/TDXShowCaptureAudio.h"
#include "capture/TDXShowCaptureDevices.h"
#include "support/Pulse.h"
#include "support/Text.h"

#include <QPointer>

#include <gtest/gtest.h>

namespace {
// One second of the device's data at its slowest likely rate (44.1 kHz 16-bit mono).
constexpr std::size_t OneSecondAtLeast = 88200;

class RecordingTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!RequirePulse()) return;
        PacedCapture::Install();
    }

    static std::string File(const std::string& name) { return PacedCapture::Folder() + "/" + name; }

    // Records into name for about the given time, on the GUI thread's event loop.
    void Record(TDXShowCaptureAudio& capture, const std::string& name) {
        capture.SetFileName(U16(File(name)));
        ASSERT_EQ(capture.Open(u"", true), S_OK);
        ASSERT_EQ(capture.Play(), S_OK);
        ASSERT_EQ(capture.GetGraphState(), GraphStateRunning);
    }

    // Processes events until the recording has at least bytes of data (a loaded machine may
    // be slow to start the stream, so this waits on the data, not on the clock alone).
    static void RecordAtLeast(const std::string& name, std::size_t bytes) {
        ASSERT_TRUE(PumpUntil([&] { return RecordedBytes(File(name)) >= bytes; }, 20000))
            << name << " has " << RecordedBytes(File(name)) << " bytes";
    }

    std::vector<std::u16string> errors;
    ShownMessages shown;
};

void ExpectDeviceRecording(const WavFile& wav, std::size_t atLeast) {
    ASSERT_TRUE(wav.complete) << wav.problem;
    EXPECT_EQ(wav.formatTag, 1u);
    EXPECT_EQ(wav.bits, 16u);
    EXPECT_GT(wav.rate, 0u);
    EXPECT_GE(wav.data.size(), atLeast);
    EXPECT_TRUE(IsInputPrefix(wav.data)) << "the data is not the device's bytes";
}

TEST_F(RecordingTest, OpenPlayStopWritesTheDevicesBytes) {
    TDXShowCaptureAudio capture;
    capture.OnError = [&](HRESULT, const WideString& text) { errors.push_back(text); };
    Record(capture, "one.wav");
    ASSERT_GE(capture.Devices().Count(), 1);
    EXPECT_EQ(capture.Devices().Items(0).DeviceName, u"Paced test capture");
    RecordAtLeast("one.wav", 2 * OneSecondAtLeast); // past the daemon's first burst
    PumpFor(300);                                   // and into the paced part
    ASSERT_EQ(capture.Stop(), S_OK);
    EXPECT_TRUE(errors.empty());
    ExpectDeviceRecording(ReadWav(File("one.wav")), 2 * OneSecondAtLeast);
}

TEST_F(RecordingTest, RecordTwiceCompletesTheFirstFileAndStartsTheSecond) {
    TDXShowCaptureAudio capture;
    capture.OnError = [&](HRESULT, const WideString& text) { errors.push_back(text); };
    Record(capture, "first.wav");
    RecordAtLeast("first.wav", OneSecondAtLeast / 4);
    Record(capture, "second.wav"); // clears the running graph first
    const WavFile first = ReadWav(File("first.wav"));
    RecordAtLeast("second.wav", OneSecondAtLeast / 4);
    ASSERT_EQ(capture.Stop(), S_OK);
    EXPECT_TRUE(errors.empty());
    ExpectDeviceRecording(first, OneSecondAtLeast / 4);
    ExpectDeviceRecording(ReadWav(File("second.wav")), OneSecondAtLeast / 4);
    EXPECT_EQ(ReadWav(File("first.wav")).data, first.data); // left alone by the second
}

class EndingTest : public RecordingTest, public ::testing::WithParamInterface<LONG> {};

TEST_P(EndingTest, ARecordingThatEndsByItselfKeepsACompleteFile) {
    auto graph = MakeCounted<SplicedGraph>();
    TDXShowCaptureAudio capture(nullptr, graph->Factory());
    Record(capture, "ended.wav");
    RecordAtLeast("ended.wav", OneSecondAtLeast / 4);
    int told = 0;
    capture.OnRecordingStopped = [&](QObject*, LONG, LONG_PTR, HRESULT stopped) {
        EXPECT_EQ(stopped, S_OK);
        ++told;
    };
    // As the file writer or the capture filter would send it, through the graph.
    graph->SendGraphEvent(GetParam(), GetParam() == EC_DEVICE_LOST ? 0 : LONG_PTR(E_FAIL));
    ASSERT_TRUE(PumpUntil([&] { return told > 0; }));
    EXPECT_EQ(told, 1);
    EXPECT_EQ(capture.GetGraphState(), GraphStateStopped);
    const WavFile wav = ReadWav(File("ended.wav"));
    ExpectDeviceRecording(wav, OneSecondAtLeast / 4);
    PumpFor(100); // nothing cues the stopped graph again and empties the file
    EXPECT_EQ(ReadWav(File("ended.wav")).data, wav.data);
}

INSTANTIATE_TEST_SUITE_P(Events, EndingTest,
                         ::testing::Values(EC_COMPLETE, EC_ERRORABORT, EC_DEVICE_LOST),
                         [](const auto& info) {
                             return info.param == EC_COMPLETE     ? std::string("Complete")
                                    : info.param == EC_ERRORABORT ? std::string("ErrorAbort")
                                                                  : std::string("DeviceLost");
                         });

// A paused recording is still a recording: an event the stream queued just before the pause
// ends it, and its file is completed.
TEST_F(RecordingTest, AnEventWhilePausedEndsThePausedRecording) {
    auto graph = MakeCounted<SplicedGraph>();
    TDXShowCaptureAudio capture(nullptr, graph->Factory());
    Record(capture, "paused.wav");
    RecordAtLeast("paused.wav", OneSecondAtLeast / 4);
    ASSERT_EQ(capture.Pause(), S_OK);
    EXPECT_TRUE(capture.IsRecording());
    EXPECT_FALSE(capture.IsRunning());
    int told = 0;
    capture.OnRecordingStopped = [&](QObject*, LONG, LONG_PTR, HRESULT stopped) {
        EXPECT_EQ(stopped, S_OK);
        ++told;
    };
    graph->SendGraphEvent(EC_ERRORABORT, LONG_PTR(E_FAIL));
    ASSERT_TRUE(PumpUntil([&] { return told > 0; }));
    EXPECT_FALSE(capture.IsRecording());
    EXPECT_EQ(capture.GetGraphState(), GraphStateStopped);
    ExpectDeviceRecording(ReadWav(File("paused.wav")), OneSecondAtLeast / 4);
}

TEST_F(RecordingTest, DestroyingTheControllerCompletesTheRecording) {
    auto* capture = new TDXShowCaptureAudio;
    Record(*capture, "destroyed.wav");
    RecordAtLeast("destroyed.wav", OneSecondAtLeast / 4);
    delete capture;
    ExpectDeviceRecording(ReadWav(File("destroyed.wav")), OneSecondAtLeast / 4);
}
} // namespace
