#include "ChainObjects.h"

#include "WaveDest/THMWavDestFilter.h"
#include "framework/EAssertionFailure.h"
#include "framework/interfaces/RecordingFigures.h"
#include "media/MediaPlatform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <unistd.h>

namespace {
// The filter with its byte count in reach, for the 4 GiB boundary.
class ProbeWavDest final : public THMWavDestFilter {
public:
    using THMWavDestFilter::THMWavDestFilter;
    void SetDataBytes(DWORD n) { DataBytes = n; }
    DWORD Data() const { return DataBytes; }
    HRESULT TransformSample(IMediaSample* input, IMediaSample* output) override {
        lastTransform = THMWavDestFilter::TransformSample(input, output);
        return lastTransform;
    }
    HRESULT lastTransform = S_OK;
};

std::vector<BYTE> Le32(DWORD v) {
    return {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
}
std::vector<BYTE> Text(const char* s) {
    return std::vector<BYTE>(s, s + std::strlen(s));
}
DWORD Le32At(const std::vector<BYTE>& file, std::size_t at) {
    if (file.size() < at + 4) return 0xDEADBEEF;
    return DWORD(file[at]) | DWORD(file[at + 1]) << 8 | DWORD(file[at + 2]) << 16 |
           DWORD(file[at + 3]) << 24;
}
std::vector<BYTE> Concat(std::initializer_list<std::vector<BYTE>> parts) {
    std::vector<BYTE> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Capture → WAV destination → sink, with the real platform allocator.
class WavDestTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterMediaPlatformClasses(); }

    void Build(const std::vector<BYTE>& format, LONG bufferSize = 4096) {
        ScopedType type(MakeType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, format));
        chain = std::make_unique<Chain>(type.type, 4, bufferSize);
        HRESULT hr = E_FAIL;
        filter = new ProbeWavDest("WAV Dest", nullptr, hr);
        holder = static_cast<IBaseFilter*>(filter);
        ASSERT_EQ(S_OK, hr);
        ASSERT_EQ(S_OK, filter->FindPin(u"In", input.put()));
        ASSERT_EQ(S_OK, filter->FindPin(u"Out", output.put()));
    }
    void Connect() {
        const auto [first, second] = chain->Connect(holder.get(), input.get(), output.get());
        ASSERT_EQ(S_OK, first);
        ASSERT_EQ(S_OK, second);
    }
    void TearDown() override {
        chain.reset(); // stops and disconnects before the filter goes
        input = nullptr;
        output = nullptr;
        holder = nullptr;
    }
    IMemInputPin* FilterInput() {
        memInput = nullptr;
        EXPECT_EQ(S_OK, input.As(memInput));
        return memInput.get();
    }

    std::unique_ptr<Chain> chain;
    ProbeWavDest* filter = nullptr;
    ComPtr<IBaseFilter> holder;
    ComPtr<IPin> input, output;
    ComPtr<IMemInputPin> memInput;
};

TEST_F(WavDestTest, PcmRecordingIsByteForByteAWavFile) {
    Build(PcmFormat(1, 8000));
    Connect();
    chain->Run();
    ASSERT_EQ(S_OK, chain->out->Deliver({1, 2, 3, 4}, 0, 10));
    ASSERT_EQ(S_OK, chain->out->Deliver({5, 6}, 10, 20));
    ASSERT_EQ(S_OK, chain->Stop());

    const std::vector<BYTE> expected{
        'R',  'I',  'F',  'F',        //
        0x2C, 0,    0,    0,          // file size less 8: 6 data bytes + 46 - 8
        'W',  'A',  'V',  'E',        //
        'f',  'm',  't',  ' ',        //
        18,   0,    0,    0,          // format length
        0x01, 0x00,                   // wFormatTag PCM
        0x01, 0x00,                   // nChannels 1
        0x40, 0x1F, 0x00, 0x00,       // nSamplesPerSec 8000
        0x80, 0x3E, 0x00, 0x00,       // nAvgBytesPerSec 16000
        0x02, 0x00,                   // nBlockAlign 2
        0x10, 0x00,                   // wBitsPerSample 16
        0x00, 0x00,                   // cbSize 0
        'd',  'a',  't',  'a',        //
        6,    0,    0,    0,          // data bytes
        1,    2,    3,    4,    5, 6, // the samples at offsets 46 and 50
    };
    EXPECT_EQ(expected, chain->in->file);
    ASSERT_EQ(2u, chain->in->received.size());
    EXPECT_EQ(46, chain->in->received[0].start);
    EXPECT_EQ(50, chain->in->received[0].stop);
    EXPECT_EQ(50, chain->in->received[1].start);
    EXPECT_EQ(52, chain->in->received[1].stop);
}

// Every format block is copied verbatim; one of odd length is followed by a zero byte that the
// RIFF size counts and the format chunk's size does not, so the data chunk starts on an even
// offset as RIFF readers expect.
TEST_F(WavDestTest, AnyFormatLengthIsCopiedVerbatim) {
    const struct {
        std::vector<BYTE> format;
        std::vector<BYTE> pad;
    } cases[] = {
        {PcmFormat(2, 44100), {}},      // 18 bytes
        {PcmFormat(2, 44100, 3), {0}},  // 21 bytes
        {PcmFormat(2, 48000, 22), {}},  // 40 bytes, WAVEFORMATEXTENSIBLE's length
        {std::vector<BYTE>{}, {}},      //
        {std::vector<BYTE>(1, 7), {0}}, // too short for any format, copied all the same
    };
    for (const auto& c : cases) {
        Build(c.format);
        Connect();
        chain->Run();
        ASSERT_EQ(S_OK, chain->out->Deliver({9, 8, 7}));
        ASSERT_EQ(S_OK, chain->Stop());
        const DWORD f = DWORD(c.format.size());
        const DWORD header = 28 + f + DWORD(c.pad.size());
        const std::vector<BYTE> expected = Concat({Text("RIFF"),
                                                   Le32(3 + header - 8),
                                                   Text("WAVE"),
                                                   Text("fmt "),
                                                   Le32(f),
                                                   c.format,
                                                   c.pad,
                                                   Text("data"),
                                                   Le32(3),
                                                   {9, 8, 7}});
        EXPECT_EQ(expected, chain->in->file) << "format length " << f;
        EXPECT_EQ(header, chain->in->received.at(0).start);
        TearDown();
    }
}

TEST_F(WavDestTest, AnOddFormatBlockIsPaddedInEveryHeader) {
    std::vector<BYTE> format = PcmFormat(1, 8000, 1); // cbSize 1 and one extra byte: 19 bytes
    Build(format);
    Connect();
    chain->Run();
    const std::vector<BYTE> provisional{
        'R',  'I',  'F',  'F',  //
        0xA8, 0x3E, 0,    0,    // 16000 claimed data bytes + 48 - 8
        'W',  'A',  'V',  'E',  //
        'f',  'm',  't',  ' ',  //
        19,   0,    0,    0,    // format length, without the pad byte
        0x01, 0x00,             // wFormatTag PCM
        0x01, 0x00,             // nChannels 1
        0x40, 0x1F, 0x00, 0x00, // nSamplesPerSec 8000
        0x80, 0x3E, 0x00, 0x00, // nAvgBytesPerSec 16000
        0x02, 0x00,             // nBlockAlign 2
        0x10, 0x00,             // wBitsPerSample 16
        0x01, 0x00,             // cbSize 1
        0xA0,                   // the extra byte
        0x00,                   // pad: the data chunk starts at the even offset 40
        'd',  'a',  't',  'a',  //
        0x80, 0x3E, 0,    0,    // one second claimed ahead: 16000
    };
    EXPECT_EQ(provisional, chain->in->file);
    ASSERT_EQ(S_OK, chain->out->Deliver({1, 2, 3, 4}));
    ASSERT_EQ(S_OK, chain->Stop());
    EXPECT_EQ(48, chain->in->received.at(0).start); // the audio starts behind the pad
    std::vector<BYTE> final = provisional;
    final[4] = 4 + 48 - 8; // the RIFF size
    final[5] = 0;
    final[44] = 4; // the data bytes
    final[45] = 0;
    final.insert(final.end(), {1, 2, 3, 4});
    EXPECT_EQ(final, chain->in->file);
}

// What other programs make of the filter's files, an odd format block among them.
TEST_F(WavDestTest, StandardReadersOpenTheFilesWhateverTheFormatLength) {
    char folder[] = "/tmp/hymnaro-wavedest.XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(folder));
    for (const WORD extra : {WORD(0), WORD(1), WORD(3)}) {
        SCOPED_TRACE(extra);
        Build(PcmFormat(1, 8000, extra));
        Connect();
        chain->Run();
        ASSERT_EQ(S_OK, chain->out->Deliver(std::vector<BYTE>(200, 0x10)));
        ASSERT_EQ(S_OK, chain->Stop());
        const std::string path = std::string(folder) + "/format.wav";
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(chain->in->file.data()),
                      std::streamsize(chain->in->file.size()));
            ASSERT_TRUE(out.good());
        }
        // libsndfile, and Python's wave with the frame count it read (100 frames of 2 bytes).
        EXPECT_EQ(0,
                  std::system(("sndfile-info '" + path + "' | grep -q 'Frames *: 100$'").c_str()));
        EXPECT_EQ(0, std::system(("python3 -c \"import sys, wave\n"
                                  "w = wave.open(sys.argv[1])\n"
                                  "sys.exit(0 if w.getnframes() == 100 and "
                                  "len(w.readframes(200)) == 200 else 1)\" '" +
                                  path + "'")
                                     .c_str()));
        std::remove(path.c_str());
        TearDown();
    }
    rmdir(folder);
}

// More than two channels come in a WAVEFORMATEXTENSIBLE block: the header grows with it and
// readers take the channel mask.
TEST_F(WavDestTest, AnExtensibleFormatMakesASixtyEightByteHeaderThatReadersTake) {
    WAVEFORMATEXTENSIBLE w{};
    w.Format = {WAVE_FORMAT_EXTENSIBLE, 6, 48000, 48000 * 12, 12, 16, 22};
    w.wValidBitsPerSample = 16;
    w.dwChannelMask = 0x3F;
    w.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    std::vector<BYTE> format(sizeof w);
    std::memcpy(format.data(), &w, sizeof w);
    Build(format);
    Connect();
    chain->Run();
    ASSERT_EQ(S_OK, chain->out->Deliver(std::vector<BYTE>(1200, 0x10))); // 100 frames
    ASSERT_EQ(S_OK, chain->Stop());
    const std::vector<BYTE>& file = chain->in->file;
    ASSERT_EQ(68u + 1200u, file.size());
    EXPECT_EQ(40u, Le32At(file, 16));
    EXPECT_EQ(0, std::memcmp(file.data() + 20, format.data(), 40));
    EXPECT_EQ(Le32(1200), std::vector<BYTE>(file.begin() + 64, file.begin() + 68));

    char folder[] = "/tmp/hymnaro-wavedest.XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(folder));
    const std::string path = std::string(folder) + "/surround.wav";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    }
    const std::string info = "sndfile-info '" + path + "'";
    EXPECT_EQ(0, std::system((info + " | grep -q 'Frames *: 100$'").c_str()));
    EXPECT_EQ(0, std::system((info + " | grep -q 'Channel Mask  : 0x3F'").c_str()));
    std::remove(path.c_str());
    rmdir(folder);
}

TEST_F(WavDestTest, StopWithoutSamplesWritesAnEmptyRecording) {
    Build(PcmFormat(1, 8000));
    Connect();
    chain->Run();
    ASSERT_EQ(S_OK, chain->Stop());
    ASSERT_EQ(46u, chain->in->file.size());
    EXPECT_EQ(Le32(38),
              std::vector<BYTE>(chain->in->file.begin() + 4, chain->in->file.begin() + 8));
    EXPECT_EQ(Le32(0), std::vector<BYTE>(chain->in->file.begin() + 42, chain->in->file.end()));
}

TEST_F(WavDestTest, SecondRunStartsAgainBehindTheHeader) {
    Build(PcmFormat(1, 8000));
    Connect();
    chain->Run();
    ASSERT_EQ(S_OK, chain->out->Deliver(std::vector<BYTE>(100, 1)));
    ASSERT_EQ(S_OK, chain->Stop());
    chain->in->file.clear();
    chain->Run();
    ASSERT_EQ(S_OK, chain->out->Deliver({2, 2}));
    ASSERT_EQ(S_OK, chain->Stop());
    EXPECT_EQ(46, chain->in->received.back().start);
    EXPECT_EQ(Le32(2),
              std::vector<BYTE>(chain->in->file.begin() + 42, chain->in->file.begin() + 46));
    EXPECT_EQ(48u, chain->in->file.size());
}

TEST_F(WavDestTest, RefusedZeroLengthAndOtherStreamSamples) {
    Build(PcmFormat(1, 8000));
    Connect();
    chain->Run();
    chain->in->receiveAnswers = {S_OK, E_ACCESSDENIED};
    ASSERT_EQ(S_OK, chain->out->Deliver({1, 1}));
    EXPECT_EQ(E_ACCESSDENIED, chain->out->Deliver({2, 2, 2})); // the file writer refused it
    ASSERT_EQ(S_OK, chain->out->Deliver({}));                  // zero length: [48, 48)
    ASSERT_EQ(S_OK, chain->out->Deliver({3}, 5, 6, MarkControlStream));
    ASSERT_EQ(S_OK, chain->out->Deliver({4, 4}));
    ASSERT_EQ(S_OK, chain->Stop());

    const auto& r = chain->in->received;
    ASSERT_EQ(4u, r.size());
    EXPECT_EQ(46, r[0].start);
    EXPECT_EQ(48, r[1].start); // the zero-length sample
    EXPECT_EQ(48, r[1].stop);
    EXPECT_EQ(AM_STREAM_CONTROL, r[2].streamId); // passed on untouched, not counted
    EXPECT_EQ(5, r[2].start);
    EXPECT_EQ(std::vector<BYTE>{3}, r[2].data);
    EXPECT_EQ(48, r[3].start); // the refused sample's bytes were not counted
    EXPECT_EQ(Le32(4),
              std::vector<BYTE>(chain->in->file.begin() + 42, chain->in->file.begin() + 46));
}

TEST_F(WavDestTest, FileEndsAtFourGibibytesLessOne) {
    Build(PcmFormat(1, 8000));
    Connect();
    chain->Run();
    filter->SetDataBytes(0xFFFFFFFFu - 46 - 4);
    ASSERT_EQ(S_OK, chain->out->Deliver({1, 2, 3, 4})); // ends exactly at 4 GiB - 1
    EXPECT_EQ(0xFFFFFFFFll - 4, chain->in->received.back().start);
    EXPECT_EQ(0xFFFFFFFFll, chain->in->received.back().stop);
    // TransformSample refuses with E_FAIL; the input pin tells upstream why.
    EXPECT_EQ(WAVDEST_E_FILE_TOO_LARGE, chain->out->Deliver({5}));
    EXPECT_EQ(E_FAIL, filter->lastTransform);
    EXPECT_EQ(0xFFFFFFFFu - 46, filter->Data());
    ASSERT_EQ(S_OK, chain->out->Deliver({})); // still fits
    EXPECT_EQ(2u, chain->in->received.size());
    ASSERT_EQ(S_OK, chain->Stop());
    EXPECT_EQ(Le32(0xFFFFFFFFu - 8),
              std::vector<BYTE>(chain->in->file.begin() + 4, chain->in->file.begin() + 8));
    EXPECT_EQ(Le32(0xFFFFFFFFu - 46),
              std::vector<BYTE>(chain->in->file.begin() + 42, chain->in->file.begin() + 46));
}

// What reached the file, as a status display reads it: frames and bytes of the samples that got
// through (a refused one is not counted), the time they last (bytes over bytes a second), the
// room the 4 GiB limit leaves; after a stop the last run's figures, and a new run from 0.
TEST_F(WavDestTest, ProgressCountsWhatReachedTheFile) {
    Build(PcmFormat(2, 48000), 80000);
    ComPtr<IRecordingProgress> progress;
    ASSERT_EQ(S_OK, holder.As(progress));
    RECORDING_PROGRESS p{};
    EXPECT_EQ(VFW_E_NOT_CONNECTED, progress->GetProgress(&p)) << "no format yet";
    Connect();
    ASSERT_EQ(S_OK, progress->GetProgress(&p));
    EXPECT_EQ(48000u, p.nSamplesPerSec);
    EXPECT_EQ(192000u, p.nAvgBytesPerSec);
    EXPECT_EQ(2u, p.nChannels);
    EXPECT_EQ(16u, p.wBitsPerSample);
    EXPECT_EQ(0u, p.cbWritten);
    EXPECT_EQ(0xFFFFFFFFull - 46, p.cbRoomInFile);

    chain->Run();
    chain->in->receiveAnswers = {S_OK, E_FAIL};
    ASSERT_EQ(S_OK, chain->out->Deliver(std::vector<BYTE>(4800 * 4, 1)));
    EXPECT_EQ(E_FAIL, chain->out->Deliver(std::vector<BYTE>(400, 2)));
    ASSERT_EQ(S_OK, progress->GetProgress(&p));
    EXPECT_EQ(4800u * 4, p.cbWritten) << "the refused sample is not in the file";
    ASSERT_EQ(S_OK, chain->out->Deliver(std::vector<BYTE>(19200 * 4, 3)));
    ASSERT_EQ(S_OK, progress->GetProgress(&p));
    EXPECT_EQ(24000u * 4, p.cbWritten);
    EXPECT_EQ(24000u, p.cFramesWritten);
    EXPECT_DOUBLE_EQ(0.5, double(p.cFramesWritten) / p.nSamplesPerSec);
    EXPECT_DOUBLE_EQ(double(p.cbWritten) / p.nAvgBytesPerSec,
                     double(p.cFramesWritten) / p.nSamplesPerSec);
    EXPECT_EQ(0xFFFFFFFFull - 46 - 24000 * 4, p.cbRoomInFile);

    ASSERT_EQ(S_OK, chain->Stop());
    ASSERT_EQ(S_OK, progress->GetProgress(&p));
    EXPECT_EQ(24000u * 4, p.cbWritten) << "the last run's, once stopped";
    EXPECT_EQ(chain->in->file.size() - 46, p.cbWritten);

    chain->Run();
    ASSERT_EQ(S_OK, progress->GetProgress(&p));
    EXPECT_EQ(0u, p.cbWritten);
    filter->SetDataBytes(0xFFFFFFFFu - 46 - 4);
    ASSERT_EQ(S_OK, chain->out->Deliver({1, 2, 3, 4})); // ends exactly at 4 GiB - 1
    ASSERT_EQ(S_OK, progress->GetProgress(&p));
    EXPECT_EQ(0u, p.cbRoomInFile);
    EXPECT_EQ(0xFFFFFFFFull - 46, p.cbWritten);
    ASSERT_EQ(S_OK, chain->Stop());
}

TEST_F(WavDestTest, FlushingAndEndOfStreamPassDownstream) {
    Build(PcmFormat(1, 8000));
    Connect();
    chain->Run();
    ASSERT_EQ(S_OK, input->BeginFlush());
    EXPECT_EQ(1, chain->in->beginFlushes);
    EXPECT_EQ(S_FALSE, chain->out->Deliver({1})); // dropped while flushing
    EXPECT_EQ(S_FALSE, input->EndOfStream());
    ASSERT_EQ(S_OK, input->EndFlush());
    EXPECT_EQ(1, chain->in->endFlushes);
    EXPECT_EQ(S_OK, input->NewSegment(0, 100, 1.0));
    EXPECT_EQ(1, chain->in->newSegments);
    ASSERT_EQ(S_OK, chain->out->Deliver({2}));
    EXPECT_EQ(S_OK, input->EndOfStream());
    EXPECT_EQ(1, chain->in->endOfStreams);
    ASSERT_EQ(S_OK, chain->Stop());
    EXPECT_EQ(47u, chain->in->file.size()); // header and the one byte after the flush
}

TEST_F(WavDestTest, TypeChangeThatIsNotWaveFormatIsRefusedMidStream) {
    Build(PcmFormat(1, 8000));
    Connect();
    chain->Run();
    ScopedType other(MakeType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_None));
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, chain->out->Deliver({1}, {}, {}, [&](IMediaSample* s) {
        ASSERT_EQ(S_OK, s->SetMediaType(&other.type));
    }));
    EXPECT_EQ(0, chain->in->endOfStreams); // the stream error stops it at the input
    EXPECT_EQ(VFW_E_RUNTIME_ERROR, chain->out->Deliver({2}));
    EXPECT_TRUE(chain->in->received.empty());
    ASSERT_EQ(S_OK, chain->Stop());
}

TEST_F(WavDestTest, OutputAllocatorNegotiation) {
    Build(PcmFormat(1, 8000), 512);
    ComPtr<TestAllocator> offered(new TestAllocator);
    offered->grant = [](ALLOCATOR_PROPERTIES& p) { p.cbBuffer -= 1; };
    chain->in->offeredAllocator = offered;
    chain->in->requirements = ALLOCATOR_PROPERTIES{0, 0, 0, 16};
    Connect(); // the smaller buffer is refused; the pin's own allocator is used
    ASSERT_EQ(1u, offered->requests.size());
    const ALLOCATOR_PROPERTIES& asked = offered->requests[0];
    EXPECT_EQ(1, asked.cBuffers);
    EXPECT_EQ(512, asked.cbBuffer); // as large as the upstream buffers
    EXPECT_EQ(1, asked.cbAlign);
    EXPECT_EQ(16, asked.cbPrefix);
    chain->Run();
    ASSERT_EQ(S_OK, chain->out->Deliver({1, 2}));
    EXPECT_EQ(0, offered->commits);
    ASSERT_EQ(S_OK, chain->Stop());
}

TEST_F(WavDestTest, OutputAllocatorGrantingMoreBuffersViolatesAPrecondition) {
    Build(PcmFormat(1, 8000));
    ComPtr<TestAllocator> offered(new TestAllocator);
    offered->grant = [](ALLOCATOR_PROPERTIES& p) { p.cBuffers = 2; };
    chain->in->offeredAllocator = offered;
    ASSERT_EQ(S_OK, chain->out->Connect(input.get(), nullptr));
    try {
        (void)output->Connect(chain->in, nullptr);
        FAIL();
    } catch (const EAssertionFailure& e) {
        EXPECT_EQ("Assertion failure (HMWavDestMain, line 334)", e.Message());
    }
    // The interrupted connection is taken apart as a graph would after the failure.
    chain->Connect(holder.get(), input.get(), output.get());
}

TEST_F(WavDestTest, ErrorsInsideReceiveBecomeResultsAndKeepTheCount) {
    Build(PcmFormat(1, 8000));
    ComPtr<TestAllocator> offered(new TestAllocator);
    chain->in->offeredAllocator = offered;
    Connect();
    chain->Run();
    offered->sampleSetTimeAnswer = E_FAIL; // a checked precondition fails after counting
    EXPECT_EQ(E_UNEXPECTED, chain->out->Deliver({1, 2, 3}));
    EXPECT_EQ(0u, filter->Data());
    offered->sampleSetTimeAnswer = S_OK;
    offered->sampleGetPointerAnswer = E_POINTER; // "getpointer"
    EXPECT_EQ(E_FAIL, chain->out->Deliver({1, 2, 3}));
    offered->sampleGetPointerAnswer = S_OK;
    ASSERT_EQ(S_OK, chain->out->Deliver({7}));
    EXPECT_EQ(46, chain->in->received.back().start);
    ASSERT_EQ(S_OK, chain->Stop());
}

TEST_F(WavDestTest, HeaderNeedsAStreamDownstream) {
    Build(PcmFormat(1, 8000));
    chain->in->offerStream = false;
    Connect();
    chain->Run();
    EXPECT_EQ(S_OK, chain->source->Stop());
    EXPECT_EQ(E_NOINTERFACE, holder->Stop());
    // The failure is answered, yet streaming has ended: the filter is stopped, so its pins can
    // disconnect and nothing keeps the filters alive.
    FILTER_STATE state;
    EXPECT_EQ(S_OK, holder->GetState(0, &state));
    EXPECT_EQ(State_Stopped, state);
    EXPECT_EQ(S_OK, chain->sink->Stop());
    EXPECT_EQ(S_OK, output->Disconnect());
    EXPECT_EQ(S_OK, input->Disconnect());
}

TEST_F(WavDestTest, AFailedHeaderWriteAtStopStillStops) {
    Build(PcmFormat(1, 8000));
    Connect();
    chain->Run();
    ASSERT_EQ(S_OK, chain->out->Deliver({1, 2}));
    chain->in->writeAnswer = STG_E_MEDIUMFULL;
    EXPECT_EQ(STG_E_MEDIUMFULL, chain->Stop());
    FILTER_STATE state;
    EXPECT_EQ(S_OK, holder->GetState(0, &state));
    EXPECT_EQ(State_Stopped, state);
    EXPECT_EQ(S_OK, output->Disconnect());
}

// The header in the file while samples flow: it claims the data delivered plus one second of
// audio, and is renewed before a sample would pass that claim.
TEST_F(WavDestTest, ProvisionalHeaderStaysAheadOfTheData) {
    Build(PcmFormat(1, 8000), 4096); // 16000 bytes a second
    Connect();
    chain->Run();
    const auto& file = chain->in->file;
    ASSERT_EQ(46u, file.size()); // written when streaming began
    EXPECT_EQ(Concat({Text("RIFF"), Le32(16000 + 38), Text("WAVE"), Text("fmt "), Le32(18),
                      PcmFormat(1, 8000), Text("data"), Le32(16000)}),
              file);
    struct Step {
        std::size_t bytes;
        DWORD claim; // data bytes the header claims after the sample
    };
    const Step steps[] = {
        {4096, 16000},         // within the first second's claim
        {4096, 16000},         //
        {4096, 16000},         // 12288
        {4096, 16384 + 16000}, // 16384 would pass 16000: renewed first
        {4000, 16384 + 16000}, // 20384
        {0, 16384 + 16000},    // an empty sample changes nothing
        {4096, 16384 + 16000}, // 24480
        {4096, 16384 + 16000}, // 28576
        {4096, 32672 + 16000}, // 32672 would pass 32384
    };
    DWORD written = 0;
    for (const Step& step : steps) {
        ASSERT_EQ(S_OK, chain->out->Deliver(std::vector<BYTE>(step.bytes, 7)));
        written += DWORD(step.bytes);
        SCOPED_TRACE(written);
        EXPECT_EQ(46 + written, file.size()); // every byte behind the header is in the file
        EXPECT_EQ(step.claim, Le32At(file, 42));
        EXPECT_EQ(step.claim + 38, Le32At(file, 4));
        EXPECT_GE(Le32At(file, 42), written);
    }
    ASSERT_EQ(S_OK, chain->Stop());
    EXPECT_EQ(written, Le32At(file, 42)); // the header at stop is exact
    EXPECT_EQ(written + 38, Le32At(file, 4));
}

// How far ahead the provisional header claims depends on what the format says of its rate.
TEST_F(WavDestTest, ProvisionalClaimFollowsTheFormatsByteRate) {
    std::vector<BYTE> oddRate = PcmFormat(2, 8000); // block 4, 32002 bytes a second: rounded up
    oddRate[8] = 0x02;
    oddRate[9] = 0x7D;
    const struct {
        std::vector<BYTE> format;
        DWORD firstClaim;       // when streaming began
        DWORD claimAfterSample; // after a first sample of 100 bytes
    } cases[] = {
        {PcmFormat(2, 48000), 192000, 192000},
        {oddRate, 32004, 32004},
        {std::vector<BYTE>{}, 0, 100},      // no format block: renewed with every sample
        {std::vector<BYTE>(10, 0), 0, 100}, // too short to carry a rate
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format.size());
        Build(c.format);
        Connect();
        chain->Run();
        const DWORD f = DWORD(c.format.size());
        EXPECT_EQ(c.firstClaim, Le32At(chain->in->file, 24 + f));
        ASSERT_EQ(S_OK, chain->out->Deliver(std::vector<BYTE>(100, 1)));
        EXPECT_EQ(c.claimAfterSample, Le32At(chain->in->file, 24 + f));
        EXPECT_EQ(c.claimAfterSample + 20 + f, Le32At(chain->in->file, 4));
        ASSERT_EQ(S_OK, chain->Stop());
        EXPECT_EQ(100u, Le32At(chain->in->file, 24 + f));
        TearDown();
    }
}

TEST_F(WavDestTest, EnumeratingPastTheOneOutputTypeEndsTheList) {
    Build(PcmFormat(1, 8000));
    Connect();
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(S_OK, output->EnumMediaTypes(types.put()));
    AM_MEDIA_TYPE* type = nullptr;
    ASSERT_EQ(S_OK, types->Next(1, &type, nullptr));
    EXPECT_EQ(MEDIATYPE_Stream, type->majortype);
    MediaTypeDispose(type);
    EXPECT_EQ(S_FALSE, types->Next(1, &type, nullptr));
    // Positions past 1 fail the filter's check: still an answer, never an exception.
    EXPECT_NE(S_OK, types->Next(1, &type, nullptr));
    EXPECT_NE(S_OK, types->Skip(3));
    ASSERT_EQ(S_OK, types->Reset());
    EXPECT_EQ(S_OK, types->Skip(1));
    AM_MEDIA_TYPE* two[2] = {};
    ULONG fetched = 9;
    ASSERT_EQ(S_OK, types->Reset());
    EXPECT_EQ(S_FALSE, types->Next(2, two, &fetched));
    EXPECT_EQ(1u, fetched);
    MediaTypeDispose(two[0]);
}

TEST_F(WavDestTest, AHeaderThatCannotBeWrittenWhileRunningIsTriedAgain) {
    Build(PcmFormat(1, 8000), 4096);
    Connect();
    chain->in->writeAnswer = STG_E_MEDIUMFULL;
    chain->Run(); // the start goes on without its header
    EXPECT_TRUE(chain->in->file.empty());
    chain->in->writeAnswer = S_OK;
    ASSERT_EQ(S_OK, chain->out->Deliver({1, 2}));
    EXPECT_EQ(2u + 16000, Le32At(chain->in->file, 42));
    ASSERT_EQ(S_OK, chain->Stop());
}

TEST(WavDestFilter, OutputTypeAndTheFrameworkPinsOfTheSecondConstruction) {
    HRESULT hr = E_FAIL;
    ComPtr<THMWavDestFilter> own(new THMWavDestFilter("", nullptr, hr));
    AM_MEDIA_TYPE t;
    MediaTypeReset(t);
    EXPECT_EQ(S_OK, own->ProposeOutputType(0, t));
    EXPECT_EQ(MEDIATYPE_Stream, t.majortype);
    EXPECT_EQ(MEDIASUBTYPE_WAVE, t.subtype);
    EXPECT_EQ(VFW_S_NO_MORE_ITEMS, own->ProposeOutputType(1, t));
    EXPECT_THROW((void)own->ProposeOutputType(2, t), EAssertionFailure);
    EXPECT_EQ(S_OK, own->PinAt(1)->AcceptsType(t));
    t.subtype = MEDIASUBTYPE_PCM;
    EXPECT_EQ(S_FALSE, own->PinAt(1)->AcceptsType(t));
    CLSID id;
    EXPECT_EQ(S_OK, own->GetClassID(&id));
    EXPECT_EQ(CLSID_HMWavDest, id);

    ComPtr<THMWavDestFilter> framework(new THMWavDestFilter("", nullptr, IID_IBaseFilter));
    EXPECT_EQ(u"XForm In", framework->PinAt(0)->Name());
    EXPECT_EQ(u"XForm Out", framework->PinAt(1)->Name());
    ComPtr<IPin> pin;
    EXPECT_EQ(S_OK, framework->FindPin(u"Out", pin.put()));
    EXPECT_EQ(VFW_E_NOT_FOUND, framework->FindPin(u"XForm Out", pin.put()));
}

TEST(WavDestFilter, FrameworkOutputPinAcceptsAnyTypeOnceTheInputIsConnected) {
    RegisterMediaPlatformClasses();
    ScopedType pcm(
        MakeType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, PcmFormat(1, 8000)));
    ComPtr<THMWavDestFilter> filter(new THMWavDestFilter("", nullptr, IID_IBaseFilter));
    Chain chain(pcm.type, 2, 256); // taken apart before the filter is released
    TBCBasePin* output = filter->PinAt(1);
    EXPECT_EQ(E_INVALIDARG, output->AcceptsType(pcm.type));
    chain.sink->pins.clear(); // the sink accepts only the byte stream here
    chain.sink->pins.push_back(std::make_unique<SinkPin>(chain.sink));
    chain.in = static_cast<SinkPin*>(chain.sink->pins[0].get());
    const auto [first, second] = chain.Connect(filter.get(), static_cast<IPin*>(filter->PinAt(0)),
                                               static_cast<IPin*>(output));
    EXPECT_EQ(S_OK, first);
    EXPECT_EQ(S_OK, second);
    EXPECT_EQ(S_OK, output->AcceptsType(pcm.type));
    EXPECT_EQ(MEDIATYPE_Stream, output->CurrentType()->majortype);
}
} // namespace
