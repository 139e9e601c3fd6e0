// The audio capture controller with scripted devices: construction, the device list listed at
// the first Open and again after a lost device, the report and raise paths of Open, the graph it
// leaves for ClearGraph.
#include "CaptureFakes.h"
#include "CaptureTestSupport.h"
#include "MediaTestSupport.h"

#include "capture/TDXShowCaptureAudio.h"
#include "capture/TDXShowCaptureDevices.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/ClassTable.h"
#include "support/AudioFixtures.h"

#include <gtest/gtest.h>

namespace {
std::vector<std::u16string> FilterNames(IGraphBuilder* graph) {
    std::vector<std::u16string> names;
    ComPtr<IEnumFilters> filters;
    EXPECT_EQ(graph->EnumFilters(filters.put()), S_OK);
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.put(), nullptr) == S_OK) {
        FILTER_INFO info{};
        EXPECT_EQ(filter->QueryFilterInfo(&info), S_OK);
        if (info.pGraph) info.pGraph->Release(); // handed out counted
        names.emplace_back(info.achName);
    }
    return names;
}

std::vector<std::u16string> PinNames(IBaseFilter* filter) {
    std::vector<std::u16string> names;
    ComPtr<IEnumPins> pins;
    EXPECT_EQ(filter->EnumPins(pins.put()), S_OK);
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.put(), nullptr) == S_OK) {
        PIN_INFO info{};
        EXPECT_EQ(pin->QueryPinInfo(&info), S_OK);
        if (info.pFilter) info.pFilter->Release();
        names.emplace_back(info.achName);
    }
    return names;
}

class CaptureAudioTest : public ::testing::Test {
protected:
    FakeDeviceSet set;
    FakeDeviceEnumScope scope{set};
    ShownMessages shown;
    std::vector<std::u16string> errors;
    ComPtr<SplicedGraph> graph = MakeCounted<SplicedGraph>();

    void Watch(TDXShow& controller) {
        controller.OnError = [this](HRESULT, const WideString& text) { errors.push_back(text); };
    }
};

// Listing asks ALSA and the sound server, so the program's start does not wait for it.
TEST_F(CaptureAudioTest, TheDevicesAreListedAtTheFirstOpenAndAgainAfterALostDevice) {
    set.devices = {{{{u"FriendlyName", u"First"}, {u"DevicePath", u"first"}}}};
    TDXShowCaptureAudio capture(nullptr, graph->Factory());
    EXPECT_EQ(set.enumerations, 0);
    EXPECT_FALSE(capture.Devices().Listed());
    ASSERT_EQ(capture.Open(u"", true), S_OK);
    ASSERT_EQ(capture.Open(u"", true), S_OK);
    EXPECT_EQ(set.enumerations, 1);
    ASSERT_EQ(capture.Devices().Count(), 1);

    set.devices.push_back({{{u"FriendlyName", u"Plugged in"}, {u"DevicePath", u"second"}}});
    int stopped = 0;
    capture.OnRecordingStopped = [&](QObject*, LONG, LONG_PTR, HRESULT) { ++stopped; };
    graph->SendGraphEvent(EC_DEVICE_LOST, 0, 1);
    ASSERT_TRUE(PumpUntil([&] { return set.enumerations == 2; }));
    EXPECT_EQ(capture.Devices().Count(), 2);
    EXPECT_EQ(capture.Devices().Items(1).DeviceName, u"Plugged in");
    EXPECT_EQ(stopped, 0); // nothing was being recorded
    EXPECT_TRUE(shown.messages.isEmpty());
}

struct EndCase {
    const char* name;
    LONG code;
    LONG_PTR param1;
};

class RecordingEndTest : public CaptureAudioTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(RecordingEndTest, ARecordingThatEndsByItselfIsStoppedAndTold) {
    const EndCase& c = GetParam();
    TDXShowCaptureAudio capture(nullptr, graph->Factory());
    ASSERT_EQ(capture.Play(), S_OK);
    std::vector<std::pair<LONG, LONG_PTR>> told;
    capture.OnRecordingStopped = [&](QObject* sender, LONG code, LONG_PTR param1, HRESULT stopped) {
        EXPECT_EQ(sender, &capture);
        EXPECT_FALSE(capture.IsRunning()); // stopped before being told
        EXPECT_EQ(stopped, S_OK);
        told.emplace_back(code, param1);
    };
    graph->SendGraphEvent(c.code, c.param1, 0);
    ASSERT_TRUE(PumpUntil([&] { return !told.empty(); }));
    EXPECT_EQ(told, (std::vector<std::pair<LONG, LONG_PTR>>{{c.code, c.param1}}));
    EXPECT_EQ(capture.GetGraphState(), GraphStateStopped);

    graph->SendGraphEvent(c.code, c.param1, 0); // no longer recording: not told again
    PumpFor(50);
    EXPECT_EQ(told.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Events, RecordingEndTest,
                         ::testing::Values(EndCase{"Complete", EC_COMPLETE, S_OK},
                                           EndCase{"ErrorAbort", EC_ERRORABORT, LONG_PTR(E_FAIL)},
                                           EndCase{"DeviceLost", EC_DEVICE_LOST, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// The stop that ends a completed stream is the one whose result the user is told: a graph whose
// file could not be completed is stopped all the same, so asking again would answer success.
TEST_F(CaptureAudioTest, ACompletedStreamIsStoppedOnceAndAFailedStopIsTold) {
    CallLog log;
    ComPtr<IMediaControl> real;
    ASSERT_EQ(ComPtr<IGraphBuilder>(graph->Real()).As(real), S_OK);
    auto control = MakeCounted<LoggingMediaControl>(log, real);
    control->failingStops = 1;
    control->stopFailure = STG_E_MEDIUMFULL;
    graph->control = control;
    TDXShowCaptureAudio capture(nullptr, graph->Factory());
    ASSERT_EQ(capture.Play(), S_OK);
    std::vector<HRESULT> told;
    capture.OnRecordingStopped = [&](QObject*, LONG, LONG_PTR, HRESULT stopped) {
        told.push_back(stopped);
    };
    graph->SendGraphEvent(EC_COMPLETE, S_OK, 0);
    ASSERT_TRUE(PumpUntil([&] { return !told.empty(); }));
    EXPECT_EQ(told, std::vector<HRESULT>{STG_E_MEDIUMFULL});
    EXPECT_EQ(log, (CallLog{"Run", "Stop"}));
}

// Events the emptied graph left in the queue belong to a recording that is already complete;
// the pump that delivers them after the next Record must not end the new one.
TEST_F(CaptureAudioTest, EventsOfTheEmptiedGraphDoNotEndTheNextRecording) {
    set.devices = {{{{u"FriendlyName", u"First"}, {u"DevicePath", u"first"}}}};
    TDXShowCaptureAudio capture(nullptr, graph->Factory());
    ASSERT_EQ(capture.Play(), S_OK);
    int stopped = 0;
    capture.OnRecordingStopped = [&](QObject*, LONG, LONG_PTR, HRESULT) { ++stopped; };
    graph->SendGraphEvent(EC_ERRORABORT, LONG_PTR(E_FAIL), 0);
    graph->SendGraphEvent(EC_DEVICE_LOST, 0, 0);
    const int enumerations = set.enumerations;

    ASSERT_EQ(capture.Open(u"", true), S_OK);      // before the pump has run
    EXPECT_EQ(set.enumerations, enumerations + 1); // the lost device still refreshed the list
    ASSERT_EQ(capture.Play(), S_OK);
    PumpFor(50);
    EXPECT_EQ(stopped, 0);
    EXPECT_TRUE(capture.IsRunning());
    EXPECT_EQ(capture.GetGraphState(), GraphStateRunning);
}

TEST_F(CaptureAudioTest, NoDeviceBuildsNothingAndSaysNothing) {
    TDXShowCaptureAudio capture(nullptr, graph->Factory());
    Watch(capture);
    capture.SetFileName(u"/nonexistent/never.wav");
    EXPECT_EQ(capture.Open(u"", true), S_OK);
    EXPECT_EQ(capture.Open(u"unknown key", true), S_OK);
    EXPECT_TRUE(FilterNames(graph->Real()).empty());
    EXPECT_TRUE(errors.empty());
}

TEST_F(CaptureAudioTest, AFailedBindIsReportedAndTheBuildGoesOn) {
    set.devices = {{{{u"FriendlyName", u"Broken"}, {u"DevicePath", u"broken"}}, S_OK, E_FAIL}};
    TDXShowCaptureAudio capture(nullptr, graph->Factory());
    Watch(capture);
    capture.SetFileName(u"/tmp/hymnaro-capture-never-written.wav");
    EXPECT_EQ(capture.Open(u"BROKEN", true), S_OK);
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0],
              u"TDXShowCapture->BindToObject Reason: The operation failed. ($80004005).");
    EXPECT_EQ(errors[1].substr(0, 28), u"Could not render capture pin");
    // A writer left unconnected is reported too, so the recorder can tell the graph is broken.
    EXPECT_EQ(errors[2].substr(0, 41), u"Could not connect Wav Dest to File Writer");
    // The WAV filter of the recording graph has the transform base's own pins.
    EXPECT_EQ(FilterNames(graph->Real()),
              (std::vector<std::u16string>{u"WAV Dest", u"File Writer"}));
    ComPtr<IBaseFilter> wavDest;
    ASSERT_EQ(graph->Real()->FindFilterByName(u"WAV Dest", wavDest.put()), S_OK);
    EXPECT_EQ(PinNames(wavDest.get()), (std::vector<std::u16string>{u"XForm In", u"XForm Out"}));

    capture.ClearGraph();
    EXPECT_TRUE(FilterNames(graph->Real()).empty());
}

TEST_F(CaptureAudioTest, AMissingFileWriterRaisesAfterReportingIt) {
    set.devices = {{{{u"FriendlyName", u"Broken"}, {u"DevicePath", u"broken"}}, S_OK, E_FAIL}};
    TDXShowCaptureAudio capture(nullptr, graph->Factory());
    Watch(capture);
    capture.SetFileName(u"/tmp/hymnaro-capture-never-written.wav");
    ASSERT_TRUE(CoRevokeClassCreator(CLSID_FileWriter));
    ExpectDShowError([&] { (void)capture.Open(u"", true); }, REGDB_E_CLASSNOTREG,
                     "Could not create FileWriter Reason: The class is not registered. "
                     "($80040154).");
    RestorePlatformClasses();
    ASSERT_EQ(errors.size(), 2u); // the bind, then the raised one
    EXPECT_EQ(errors[1],
              u"Could not create FileWriter Reason: The class is not registered. ($80040154).");
}

TEST_F(CaptureAudioTest, AMissingCaptureGraphBuilderFailsConstruction) {
    ASSERT_TRUE(CoRevokeClassCreator(CLSID_CaptureGraphBuilder2));
    QObject owner;
    ExpectDShowError([&] { new TDXShowCaptureAudio(&owner); }, REGDB_E_CLASSNOTREG,
                     "Could not obtain the ICaptureGraphBuilder Reason: The class is not "
                     "registered. ($80040154).");
    RestorePlatformClasses();
    EXPECT_TRUE(owner.children().isEmpty()); // the half-built controller is gone again
}

TEST_F(CaptureAudioTest, LoopStaysOff) {
    TDXShowCaptureAudio capture(nullptr, graph->Factory());
    capture.SetLoop(true);
    EXPECT_FALSE(capture.Loop());
}
} // namespace

namespace {
// The figures of a recording come from the filters of the graph Open built, through their own
// interfaces, and go with the graph; a graph without a file has no progress to tell.
TEST(CaptureFigures, AreQueriedFromTheGraphsFiltersAndGoWithIt) {
    auto backend = std::make_shared<ScriptedBackend>();
    backend->devices = {{"scripted", "Scripted device"}};
    const Bytes sound = Tone(48000, 0.5, {Sine(-6), Sine(-20)});
    std::shared_ptr<std::atomic<bool>> drained;
    backend->makeStream = [&] {
        auto stream = std::make_unique<SoundStream>(48000, 2, 4800, sound);
        drained = stream->drained;
        return stream;
    };
    const auto previous = AlsaBackend::Replace(backend);
    TempFolder work;
    {
        TDXShowCaptureAudio capture;
        EXPECT_EQ(nullptr, capture.LevelMeter());
        EXPECT_EQ(nullptr, capture.RecordingProgress());
        capture.SetFileName(U16(work.File("figures.wav")));
        ASSERT_EQ(S_OK, capture.Open(u"", true));
        ASSERT_NE(nullptr, capture.LevelMeter());
        ASSERT_NE(nullptr, capture.RecordingProgress());
        EXPECT_EQ(u"Scripted device", capture.SourceName());
        ASSERT_EQ(S_OK, capture.Play());
        ASSERT_TRUE(PumpUntil([&] { return drained && *drained; }));
        ASSERT_EQ(S_OK, capture.Stop());

        AUDIO_METER_INFO info{};
        ASSERT_EQ(S_OK, capture.LevelMeter()->GetMeterInfo(&info));
        EXPECT_EQ(25u, info.cBlocks);
        AUDIO_PEAK_BLOCK block{};
        ASSERT_EQ(S_OK, capture.LevelMeter()->GetPeakBlocks(24, 1, &block, nullptr));
        EXPECT_NEAR(-6, DbfsOf(block.wPeak[0]), 0.05);
        EXPECT_NEAR(-20, DbfsOf(block.wPeak[1]), 0.05);
        RECORDING_PROGRESS progress{};
        ASSERT_EQ(S_OK, capture.RecordingProgress()->GetProgress(&progress));
        EXPECT_EQ(24000u, progress.cFramesWritten);

        capture.ClearGraph();
        EXPECT_EQ(nullptr, capture.LevelMeter());
        EXPECT_EQ(nullptr, capture.RecordingProgress());
        EXPECT_EQ(u"", capture.SourceName());

        capture.SetFileName(u"");
        ASSERT_EQ(S_OK, capture.Open(u"", true));
        EXPECT_NE(nullptr, capture.LevelMeter());
        EXPECT_EQ(nullptr, capture.RecordingProgress()) << "no file, no progress";
    }
    AlsaBackend::Replace(previous);
}
} // namespace
