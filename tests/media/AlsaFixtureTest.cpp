// Runs against real ALSA through the file plugin: the fixture's default device reads a
// prepared raw file as fast as it is asked.
#include "DeviceListing.h"
#include "MediaTestSupport.h"

#include "WaveDest/THMWavDestFilter.h"
#include "WaveDest/WavLayout.h"
#include "framework/interfaces/Control.h"
#include "framework/interfaces/DeviceEnum.h"
#include "framework/interfaces/MediaGuids.h"
#include "media/alsa/AlsaLibBackend.h"
#include "runtime/ClassTable.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <sys/stat.h>
#include <thread>

namespace {
class AlsaFixtureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new TempFolder;
        input = NoiseBytes(1 << 20, 42); // about 5.5 s of 48 kHz stereo
        WriteWholeFile(dir->File("input.raw"), input);
        InstallAlsaFixture(*dir, dir->File("input.raw"), false);
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }

    static std::vector<ComPtr<IMoniker>> AudioInputs() { return AudioInputMonikers(); }
    static std::u16string Property(IMoniker* moniker, const char16_t* name) {
        return DeviceProperty(moniker, name);
    }

    static TempFolder* dir;
    static Bytes input;
};
TempFolder* AlsaFixtureTest::dir = nullptr;
Bytes AlsaFixtureTest::input;

TEST_F(AlsaFixtureTest, WithoutASoundServerListsTheDefaultDeviceAndTheCardsOnly) {
    // No server answers; "second", "null", "conv" and "gone" are devices of the configuration
    // beside the default one, not sound cards, and none of them is listed.
    const DeviceSeamScope noServer(std::make_shared<AlsaLibBackend>(),
                                   std::make_shared<ScriptedSoundServer>());
    const std::vector<ComPtr<IMoniker>> list = AudioInputs();
    ASSERT_GE(list.size(), 1u);
    EXPECT_EQ(u"Test capture", Property(list[0].get(), u"FriendlyName"));
    EXPECT_EQ(u"default", Property(list[0].get(), u"DevicePath"));
    EXPECT_EQ(GuidToWideString(CLSID_AudioRecord), Property(list[0].get(), u"CLSID"));
    EXPECT_EQ(u"<none>", Property(list[0].get(), u"Description"));
    EXPECT_EQ(u"<none>", Property(list[0].get(), u"MonitorOf"));
    for (std::size_t i = 1; i < list.size(); ++i) // this machine's sound cards, if it has any
        EXPECT_EQ(u"plughw:CARD=", Property(list[i].get(), u"DevicePath").substr(0, 12));

    ComPtr<ICreateDevEnum> devices;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(devices.put())));
    ComPtr<IEnumMoniker> none;
    EXPECT_EQ(S_FALSE,
              devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, none.put(), 0));
    EXPECT_EQ(nullptr, none.get());
    // An empty category answers the same way.
    auto empty = std::make_shared<ScriptedBackend>();
    auto previous = AlsaBackend::Replace(empty);
    EXPECT_EQ(S_FALSE,
              devices->CreateClassEnumerator(CLSID_AudioInputDeviceCategory, none.put(), 0));
    EXPECT_EQ(nullptr, none.get());
    (void)AlsaBackend::Replace(previous);

    // The device binds to a capture filter proposing the device's own format.
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(S_OK, list[0]->BindToObject(nullptr, nullptr, IID_PPV_ARGS(filter.put())));
    CLSID id{};
    ASSERT_EQ(S_OK, filter->GetClassID(&id));
    EXPECT_EQ(CLSID_AudioRecord, id);
}

TEST_F(AlsaFixtureTest, ARecordingThroughARealGraphHoldsTheInputByteForByte) {
    const std::string path = dir->File("recording.wav");
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(graph.put())));
    ComPtr<IMediaControl> control;
    ASSERT_EQ(S_OK, graph.As(control));

    // Built as the recorder builds it: device, WAV destination, file writer.
    ComPtr<IBaseFilter> source;
    ASSERT_EQ(S_OK, AudioInputs()[0]->BindToObject(nullptr, nullptr, IID_PPV_ARGS(source.put())));
    ASSERT_EQ(S_OK, graph->AddFilter(source.get(), u"Test capture"));
    ComPtr<IBaseFilter> wavDest(
        static_cast<IBaseFilter*>(new THMWavDestFilter("", nullptr, IID_IBaseFilter)));
    ComPtr<IFileSinkFilter2> sink;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FileWriter, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(sink.put())));
    ComPtr<IBaseFilter> writer;
    ASSERT_EQ(S_OK, sink->QueryInterface(IID_PPV_ARGS(writer.put())));
    ASSERT_EQ(S_OK, graph->AddFilter(wavDest.get(), u"WAV Dest"));
    ASSERT_EQ(S_OK, graph->AddFilter(writer.get(), u"File Writer"));
    ASSERT_EQ(S_OK, sink->SetMode(AM_FILE_OVERWRITE));
    ASSERT_EQ(S_OK, sink->SetFileName(U16(path).c_str(), nullptr));
    ComPtr<ICaptureGraphBuilder2> builder;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(builder.put())));
    ASSERT_EQ(S_OK, builder->SetFiltergraph(graph.get()));
    ASSERT_EQ(S_OK, builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, source.get(),
                                          nullptr, wavDest.get()));
    ComPtr<IPin> out, in;
    ASSERT_EQ(S_OK,
              builder->FindPin(wavDest.get(), PINDIR_OUTPUT, nullptr, nullptr, TRUE, 0, out.put()));
    ASSERT_EQ(S_OK,
              builder->FindPin(writer.get(), PINDIR_INPUT, nullptr, nullptr, TRUE, 0, in.put()));
    ASSERT_EQ(S_OK, graph->Connect(out.get(), in.get()));

    ASSERT_EQ(S_OK, control->Run());
    // Unpaced: stop once two seconds of sound are in the file.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    struct stat info {};
    while ((stat(path.c_str(), &info) != 0 || info.st_size < 46 + 384000) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(S_OK, control->Stop());

    const Bytes file = ReadWholeFile(path);
    ASSERT_GE(file.size(), 46u + 384000u);
    const unsigned char header[] = {
        'R',  'I',  'F',  'F', 0,   0,   0,  0, 'W', 'A',
        'V',  'E',  'f',  'm', 't', ' ', 18, 0, 0,   0, // format block size
        1,    0,    2,    0,                            // PCM, stereo
        0x80, 0xBB, 0,    0,                            // 48000 Hz
        0x00, 0xEE, 0x02, 0,                            // 192000 bytes a second
        4,    0,    16,   0,   0,   0,                  // block 4, 16 bits, no extra bytes
        'd',  'a',  't',  'a'};
    EXPECT_EQ(0, std::memcmp(header, file.data(), 4));
    EXPECT_EQ(0, std::memcmp(header + 8, file.data() + 8, sizeof header - 8));
    const WavLayout::THeader claims = WavLayout::ReadHeader(file);
    ASSERT_TRUE(claims.found) << claims.problem;
    EXPECT_EQ(file.size() - 8, claims.riffSize);
    EXPECT_EQ(file.size() - 46, claims.dataBytes);
    const std::size_t covered = std::min(file.size() - 46, input.size());
    EXPECT_TRUE(
        std::equal(input.begin(), input.begin() + std::ptrdiff_t(covered), file.begin() + 46));
}
} // namespace
