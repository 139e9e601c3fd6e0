#include "MediaTestSupport.h"

#include "framework/interfaces/Control.h"
#include "framework/interfaces/MediaGuids.h"
#include "media/alsa/AlsaCaptureFilter.h"
#include "runtime/ClassTable.h"
#include "runtime/MessageWindow.h"
#include "runtime/TaskMemory.h"
#include "support/GraphFixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <thread>

namespace {
using Step = ScriptedStream::Step;
constexpr unsigned long kPeriod = 4800; // 100 ms at 48 kHz

// A capture filter on a scripted device, connected to a recording sink in a real graph.
class CaptureFilterTest : public GraphFixture {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GraphFixture::SetUp());
        backend->devices = {{"scripted", "Scripted device"}};
        backend->makeStream = [this] {
            auto s = std::make_unique<ScriptedStream>(
                backend->format.rate, backend->format.channels, kPeriod, bufferFrames, script);
            recovered = s->recovered;
            waiting = s->waiting;
            return s;
        };
        capture = new AlsaCaptureFilter(nullptr, "scripted", backend);
        captureFilter = static_cast<IBaseFilter*>(capture);
        sink = new RecordingSink;
        sinkFilter = static_cast<IBaseFilter*>(sink);
    }
    void Build() {
        ASSERT_EQ(S_OK, graph->AddFilter(captureFilter.get(), u"Capture"));
        ASSERT_EQ(S_OK, graph->AddFilter(sinkFilter.get(), u"Sink"));
        ASSERT_EQ(S_OK, graph->Connect(capture->CapturePin(), sink->Input()));
    }
    Bytes Pattern(unsigned long long from, std::size_t n) {
        Bytes b(n);
        for (std::size_t i = 0; i < n; ++i)
            b[i] = ScriptedStream::PatternByte(from + i);
        return b;
    }

    std::shared_ptr<ScriptedBackend> backend = std::make_shared<ScriptedBackend>();
    std::deque<Step> script;
    unsigned long bufferFrames = 48000; // a second
    std::shared_ptr<int> recovered;
    std::shared_ptr<std::atomic<bool>> waiting;
    AlsaCaptureFilter* capture = nullptr;
    ComPtr<IBaseFilter> captureFilter;
    RecordingSink* sink = nullptr;
    ComPtr<IBaseFilter> sinkFilter;
};

TEST_F(CaptureFilterTest, ProposesSixteenBitPcmOfTheDeviceOnACapturePin) {
    backend->format = {44100, 1};
    IPin* pin = capture->CapturePin();
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(S_OK, pin->EnumMediaTypes(types.put()));
    AM_MEDIA_TYPE* type = nullptr;
    ASSERT_EQ(S_OK, types->Next(1, &type, nullptr));
    EXPECT_EQ(MEDIATYPE_Audio, type->majortype);
    EXPECT_EQ(MEDIASUBTYPE_PCM, type->subtype);
    EXPECT_EQ(FORMAT_WaveFormatEx, type->formattype);
    ASSERT_EQ(sizeof(WAVEFORMATEX), type->cbFormat);
    WAVEFORMATEX w{};
    std::memcpy(&w, type->pbFormat, sizeof w);
    // tag, channels, rate, bytes a second, block, bits, extra
    const WAVEFORMATEX expected{WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};
    EXPECT_EQ(0, std::memcmp(&expected, &w, sizeof w));
    EXPECT_EQ(S_OK, pin->QueryAccept(type));
    w.nChannels = 2;
    std::memcpy(type->pbFormat, &w, sizeof w);
    EXPECT_EQ(S_FALSE, pin->QueryAccept(type));
    CoTaskMemFree(type->pbFormat);
    CoTaskMemFree(type);
    EXPECT_EQ(S_FALSE, types->Next(1, &type, nullptr));

    ComPtr<IKsPropertySet> properties;
    ASSERT_EQ(S_OK, pin->QueryInterface(IID_PPV_ARGS(properties.put())));
    GUID category{};
    DWORD returned = 0, support = 0;
    ASSERT_EQ(S_OK, properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                                    sizeof category, &returned));
    EXPECT_EQ(PIN_CATEGORY_CAPTURE, category);
    EXPECT_EQ(S_OK, properties->QuerySupported(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, &support));
    EXPECT_EQ(KSPROPERTY_SUPPORT_GET, support);
    EXPECT_EQ(E_PROP_ID_UNSUPPORTED, properties->Set(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY,
                                                     nullptr, 0, &category, sizeof category));
}

TEST_F(CaptureFilterTest, MoreThanTwoChannelsAreExtensibleWithTheirSpeakersInMaskOrder) {
    // Six channels in ALSA's order (front, rear, centre, LFE), as the sound server's plugin
    // delivers them, at 44.1 kHz.
    backend->format = {44100, 6};
    backend->format.speakers = {SPEAKER_FRONT_LEFT, SPEAKER_FRONT_RIGHT,  SPEAKER_BACK_LEFT,
                                SPEAKER_BACK_RIGHT, SPEAKER_FRONT_CENTER, SPEAKER_LOW_FREQUENCY};
    const unsigned char expected[40] = {
        0xFE, 0xFF,                                     // WAVE_FORMAT_EXTENSIBLE
        6,    0,                                        // channels
        0x44, 0xAC, 0,    0,                            // 44100 Hz
        0x30, 0x13, 0x08, 0,                            // 529200 bytes a second
        12,   0,    16,   0,                            // block of 12, 16 bits
        22,   0,                                        // 22 bytes follow
        16,   0,                                        // valid bits
        0x3F, 0,    0,    0,                            // FL FR FC LFE BL BR
        0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, // KSDATAFORMAT_SUBTYPE_PCM
        0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    IPin* pin = capture->CapturePin();
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(S_OK, pin->EnumMediaTypes(types.put()));
    AM_MEDIA_TYPE* type = nullptr;
    ASSERT_EQ(S_OK, types->Next(1, &type, nullptr));
    ASSERT_EQ(sizeof expected, type->cbFormat);
    EXPECT_EQ(0, std::memcmp(expected, type->pbFormat, sizeof expected));
    EXPECT_EQ(12, type->lSampleSize);
    EXPECT_EQ(S_OK, pin->QueryAccept(type));
    type->pbFormat[20] = 0x3B; // another mask
    EXPECT_EQ(S_FALSE, pin->QueryAccept(type));
    CoTaskMemFree(type->pbFormat);
    CoTaskMemFree(type);

    // The samples come in the mask's order: device channels 0 1 4 5 2 3.
    script = {Step{long(kPeriod)}};
    Build();
    ASSERT_EQ(S_OK, control->Run());
    ASSERT_TRUE(sink->WaitFor(1, 2000));
    ASSERT_EQ(S_OK, control->Stop());
    const Bytes device = Pattern(0, kPeriod * 12);
    Bytes file(device.size());
    const int from[] = {0, 1, 4, 5, 2, 3};
    for (std::size_t frame = 0; frame < kPeriod; ++frame)
        for (int channel = 0; channel < 6; ++channel)
            for (int byte = 0; byte < 2; ++byte)
                file[frame * 12 + channel * 2 + byte] =
                    device[frame * 12 + from[channel] * 2 + byte];
    EXPECT_EQ(file, sink->Samples().at(0).data);
}

TEST_F(CaptureFilterTest, TheMaskNamesEachPlacedChannelOnceAndTheOthersFollowUnplaced) {
    struct Case {
        const char* what;
        unsigned channels;
        std::array<std::uint32_t, 8> speakers;
        DWORD mask;
    };
    const Case cases[] = {
        {"rear pair in order",
         4,
         {SPEAKER_FRONT_LEFT, SPEAKER_FRONT_RIGHT, SPEAKER_BACK_LEFT, SPEAKER_BACK_RIGHT},
         0x33},
        {"the third has no place", 3, {SPEAKER_FRONT_LEFT, SPEAKER_FRONT_RIGHT, 0}, 0x3},
        {"a place taken twice",
         4,
         {SPEAKER_FRONT_CENTER, SPEAKER_FRONT_LEFT, SPEAKER_FRONT_RIGHT, SPEAKER_FRONT_LEFT},
         0x7},
        {"eight without places", 8, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AlsaCaptureFormat format{48000, c.channels};
        format.speakers = c.speakers;
        backend->format = format;
        ComPtr<IBaseFilter> filter(new AlsaCaptureFilter(nullptr, "scripted", backend));
        IPin* pin = static_cast<AlsaCaptureFilter*>(filter.get())->CapturePin();
        ComPtr<IEnumMediaTypes> types;
        ASSERT_EQ(S_OK, pin->EnumMediaTypes(types.put()));
        AM_MEDIA_TYPE* type = nullptr;
        ASSERT_EQ(S_OK, types->Next(1, &type, nullptr));
        ASSERT_EQ(40u, type->cbFormat);
        WAVEFORMATEXTENSIBLE w{};
        std::memcpy(&w, type->pbFormat, sizeof w);
        EXPECT_EQ(c.mask, w.dwChannelMask);
        EXPECT_EQ(c.channels, w.Format.nChannels);
        CoTaskMemFree(type->pbFormat);
        CoTaskMemFree(type);
    }

    // A device that claims more channels than a recording takes is refused.
    backend->format = {48000, 9};
    ComPtr<IBaseFilter> filter(new AlsaCaptureFilter(nullptr, "scripted", backend));
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(
        S_OK,
        static_cast<AlsaCaptureFilter*>(filter.get())->CapturePin()->EnumMediaTypes(types.put()));
    AM_MEDIA_TYPE* type = nullptr;
    EXPECT_NE(S_OK, types->Next(1, &type, nullptr));
    EXPECT_EQ(nullptr, type);
}

TEST_F(CaptureFilterTest, StreamsPeriodsStampedWithStreamTimes) {
    script = {Step{long(kPeriod * 3)}};
    Build();
    ASSERT_EQ(S_OK, control->Run());
    ASSERT_TRUE(sink->WaitFor(3, 2000));
    ASSERT_EQ(S_OK, control->Stop());
    const auto samples = sink->Samples();
    ASSERT_EQ(3u, samples.size());
    const std::size_t bytes = kPeriod * 4;
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Pattern(i * bytes, bytes), samples[i].data);
        EXPECT_EQ(S_OK, samples[i].timeResult);
        EXPECT_EQ(REFERENCE_TIME(i) * 1'000'000, samples[i].start);
        EXPECT_EQ(REFERENCE_TIME(i + 1) * 1'000'000, samples[i].stop);
        EXPECT_TRUE(samples[i].syncPoint);
        EXPECT_EQ(i == 0, samples[i].discontinuity);
    }
    EXPECT_EQ(1, backend->opens);
}

TEST_F(CaptureFilterTest, AnOverrunIsRecoveredCountedAndMarksTheNextSample) {
    script = {Step{long(kPeriod)}, Step{-EPIPE}, Step{long(kPeriod) * 2}};
    Build();
    ASSERT_EQ(S_OK, control->Run());
    ASSERT_TRUE(sink->WaitFor(3, 2000));
    ASSERT_EQ(S_OK, control->Stop());
    const auto samples = sink->Samples();
    EXPECT_FALSE(samples[1].discontinuity && samples[2].discontinuity);
    EXPECT_TRUE(samples[1].discontinuity); // the first sound after the gap
    EXPECT_FALSE(samples[2].discontinuity);
    EXPECT_EQ(1ul, capture->CapturePin()->Overruns());
    EXPECT_EQ(1, *recovered);
    // Nothing was delivered twice or lost from what the device gave.
    EXPECT_EQ(Pattern(kPeriod * 4, kPeriod * 4), samples[1].data);
}

// Overruns that bring audio between them are recovered however many come; a device whose
// reads bring none across 20 recoveries in a row, or for two seconds, is lost, after what it
// gave reached the recording.
struct OverrunCase {
    const char* name;
    std::deque<Step> script;
    bool lost;
    int recoveriesAtMost;
};

class CaptureOverruns : public CaptureFilterTest, public testing::WithParamInterface<OverrunCase> {};

TEST_P(CaptureOverruns, EndTheStreamOnlyWhenTheyBringNoAudio) {
    const OverrunCase& c = GetParam();
    script = c.script;
    Build();
    ASSERT_EQ(S_OK, control->Run());
    const LONG event = NextEvent(c.lost ? 10000 : 1500);
    ASSERT_EQ(S_OK, control->Stop());
    EXPECT_EQ(c.lost ? EC_DEVICE_LOST : 0, event);
    EXPECT_LE(*recovered, c.recoveriesAtMost);
    // Every overrun is counted, the one that ended the stream too.
    EXPECT_EQ(unsigned(*recovered + (c.lost ? 1 : 0)), capture->CapturePin()->Overruns());
    std::size_t bytes = 0;
    for (const auto& sample : sink->Samples())
        bytes += sample.data.size();
    EXPECT_EQ(std::size_t(kPeriod * 4 * 5) / 2, bytes) << "what the device gave is kept";
}

std::deque<Step> AudioBetweenOverruns() {
    std::deque<Step> script{Step{long(kPeriod) / 2}};
    for (int i = 0; i < 40; ++i)
        script.insert(script.end(), {Step{-EPIPE}, Step{long(kPeriod) / 20}});
    return script;
}

INSTANTIATE_TEST_SUITE_P(
    Storms, CaptureOverruns,
    testing::Values(
        OverrunCase{"WithAudioBetweenThem", AudioBetweenOverruns(), false, 40},
        OverrunCase{"OnlyOverrunsAfterAudio",
                    {Step{long(kPeriod) * 2}, Step{long(kPeriod) / 2},
                     Step{-EPIPE, false, false, true}},
                    true, 20},
        OverrunCase{"SlowOverrunsForTwoSeconds",
                    {Step{long(kPeriod) * 2}, Step{long(kPeriod) / 2},
                     Step{-EPIPE, false, false, true, 150}},
                    true, 15}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CaptureFilterTest, WhatTheDeviceHoldsWhenStoppedOrPausedReachesTheRecording) {
    // Less than a period waits in the device when the request comes: recorded before it.
    const long held = long(kPeriod) / 4;
    script = {Step{long(kPeriod)}, Step{held, false, true}};
    Build();
    const std::size_t period = kPeriod * 4, rest = std::size_t(held) * 4;
    struct Case {
        const char* how;
        HRESULT (IMediaControl::*request)();
    };
    std::size_t before = 0;
    for (const Case c :
         {Case{"stop", &IMediaControl::Stop}, Case{"pause", &IMediaControl::Pause}}) {
        SCOPED_TRACE(c.how);
        ASSERT_EQ(S_OK, control->Run()); // a device opened anew plays the script again
        ASSERT_TRUE(sink->WaitFor(before + 1, 2000));
        for (int i = 0; i < 1000 && !*waiting; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_TRUE(*waiting); // the filter waits for the rest of a period
        ASSERT_EQ(S_OK, (control.get()->*c.request)());
        const auto samples = sink->Samples();
        ASSERT_EQ(before + 2, samples.size());
        EXPECT_EQ(Pattern(0, period), samples[before].data);
        EXPECT_EQ(Pattern(period, rest), samples[before + 1].data);
        EXPECT_FALSE(samples[before + 1].discontinuity);
        ASSERT_EQ(S_OK, control->Stop());
        before = samples.size();
    }
}

TEST_F(CaptureFilterTest, AVanishedDeviceIsReportedOnThePumpingThread) {
    script = {Step{long(kPeriod)}, Step{-ENODEV}};
    Build();
    std::vector<std::thread::id> deliveredOn;
    const HWND window = CreateMessageWindow([&](HWND, UINT, WPARAM, LPARAM) {
        deliveredOn.push_back(std::this_thread::get_id());
        return LRESULT(0);
    });
    ASSERT_EQ(S_OK, events->SetNotifyWindow(OAHWND(window), WM_USER + 1, 0));
    const ULONG before = captureFilter->AddRef() - 1;
    captureFilter->Release();
    ASSERT_EQ(S_OK, control->Run());
    ASSERT_TRUE(WaitForPostedMessage(2000));
    EXPECT_GE(DispatchPostedMessages(), 1);
    ASSERT_FALSE(deliveredOn.empty());
    EXPECT_EQ(std::this_thread::get_id(), deliveredOn[0]);

    const Event lost = TakeEvent(2000);
    ASSERT_EQ(EC_DEVICE_LOST, lost.code);
    ComPtr<IUnknown> identity;
    ASSERT_EQ(S_OK, captureFilter->QueryInterface(IID_PPV_ARGS(identity.put())));
    EXPECT_EQ(identity.get(), reinterpret_cast<IUnknown*>(lost.param1));
    identity.reset();
    EXPECT_EQ(S_OK, events->FreeEventParams(lost.code, lost.param1, lost.param2));
    EXPECT_EQ(S_OK, control->Stop());
    EXPECT_EQ(before, captureFilter->AddRef() - 1); // the event's count was given back
    captureFilter->Release();
    (void)DestroyWindow(window);
}

TEST_F(CaptureFilterTest, ARefusedSampleEndsStreamingWithErrorAbort) {
    script = {Step{long(kPeriod) * 10}};
    sink->refuseAt = 1;
    sink->refusal = HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    Build();
    ASSERT_EQ(S_OK, control->Run());
    LONG_PTR param1 = 0;
    ASSERT_EQ(EC_ERRORABORT, NextEvent(2000, &param1));
    EXPECT_EQ(LONG_PTR(std::int32_t(HRESULT_FROM_WIN32(ERROR_DISK_FULL))), param1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(2u, sink->Samples().size()); // nothing after the refusal
    EXPECT_EQ(S_OK, control->Stop());
}

TEST_F(CaptureFilterTest, AFailureBelowTheFilterNeverLeavesTheStreamingThread) {
    script = {Step{long(kPeriod)}, Step{0, true}};
    Build();
    ASSERT_EQ(S_OK, control->Run());
    LONG_PTR param1 = 0;
    ASSERT_EQ(EC_ERRORABORT, NextEvent(2000, &param1));
    EXPECT_EQ(LONG_PTR(std::int32_t(E_UNEXPECTED)), param1);
    EXPECT_EQ(S_OK, control->Stop());
}

TEST_F(CaptureFilterTest, ADeviceThatCannotOpenOrHoldHalfASecondMakesRunFail) {
    Build();
    backend->openError = -EBUSY;
    EXPECT_EQ(HResultFromErrno(EBUSY), control->Run());
    FILTER_STATE state = State_Running;
    EXPECT_EQ(S_OK, captureFilter->GetState(0, &state));
    EXPECT_EQ(State_Stopped, state);

    backend->openError = 0;
    bufferFrames = 48000 * 4 / 10; // 400 ms granted: a stall would lose sound
    EXPECT_EQ(HResultFromErrno(ENOBUFS), control->Run());

    bufferFrames = 48000 / 2;
    script = {Step{long(kPeriod)}};
    EXPECT_EQ(S_OK, control->Run());
    EXPECT_TRUE(sink->WaitFor(1, 2000));
    EXPECT_EQ(S_OK, control->Pause());
    EXPECT_EQ(VFW_S_CANT_CUE, captureFilter->GetState(0, &state));
    EXPECT_EQ(State_Paused, state);
}

TEST_F(CaptureFilterTest, TheBuilderConnectsTheCapturePinOfTheWantedType) {
    ASSERT_EQ(S_OK, graph->AddFilter(captureFilter.get(), u"Capture"));
    ASSERT_EQ(S_OK, graph->AddFilter(sinkFilter.get(), u"Sink"));
    ComPtr<ICaptureGraphBuilder2> builder;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(builder.put())));
    EXPECT_EQ(E_UNEXPECTED, builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio,
                                                  captureFilter.get(), nullptr, sinkFilter.get()));
    ASSERT_EQ(S_OK, builder->SetFiltergraph(graph.get()));
    EXPECT_EQ(E_UNEXPECTED, builder->SetFiltergraph(graph.get()));

    ComPtr<IPin> found;
    EXPECT_EQ(S_OK, builder->FindPin(captureFilter.get(), PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE,
                                     &MEDIATYPE_Audio, TRUE, 0, found.put()));
    EXPECT_EQ(static_cast<IPin*>(capture->CapturePin()), found.get());
    EXPECT_EQ(E_FAIL, builder->FindPin(captureFilter.get(), PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE,
                                       &MEDIATYPE_Audio, TRUE, 1, found.put()));

    EXPECT_EQ(E_FAIL, builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Audio,
                                            captureFilter.get(), nullptr, sinkFilter.get()));
    EXPECT_EQ(E_FAIL, builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                            captureFilter.get(), nullptr, sinkFilter.get()));
    ASSERT_EQ(S_OK, builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio,
                                          captureFilter.get(), nullptr, sinkFilter.get()));
    ComPtr<IPin> peer;
    ASSERT_EQ(S_OK, capture->CapturePin()->ConnectedTo(peer.put()));
    EXPECT_EQ(sink->Input(), peer.get());
    // Connected now, the pin is no longer free; and without a sink nothing takes a stream.
    EXPECT_EQ(E_FAIL, builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio,
                                            captureFilter.get(), nullptr, nullptr));
    ASSERT_EQ(S_OK, graph->RemoveFilter(sinkFilter.get()));
    EXPECT_EQ(VFW_E_CANNOT_RENDER, builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio,
                                                         captureFilter.get(), nullptr, nullptr));
}
} // namespace
