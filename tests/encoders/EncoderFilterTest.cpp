// The FLAC and Opus destination filters between a test source and a test sink that keeps the
// file in memory: what they accept, the files they write (read back by libFLAC and by
// opus-tools), how the pieces are stamped, and what a failed write leaves behind.
#include "ChainObjects.h"
#include "EncoderTestSupport.h"
#include "MediaTestSupport.h"

#include "Encoders/FlacDest/THMFlacDestFilter.h"
#include "Encoders/OpusDest/THMOpusDestFilter.h"
#include "framework/MediaType.h"
#include "media/MediaPlatform.h"
#include "runtime/HResult.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {
using namespace std::chrono_literals;

enum class Kind { Flac, Opus };

const char* Name(Kind kind) {
    return kind == Kind::Flac ? "FLAC" : "Opus";
}

THMEncoderDestFilter* NewFilter(Kind kind) {
    HRESULT hr = E_FAIL;
    THMEncoderDestFilter* filter = nullptr;
    if (kind == Kind::Flac)
        filter = new THMFlacDestFilter("FLAC Dest", nullptr, hr);
    else
        filter = new THMOpusDestFilter("Opus Dest", nullptr, hr);
    EXPECT_EQ(S_OK, hr);
    return filter;
}

const GUID& Subtype(Kind kind) {
    return kind == Kind::Flac ? MEDIASUBTYPE_FlacStream : MEDIASUBTYPE_OggStream;
}

// A WAVE_FORMAT_EXTENSIBLE block: container bits, valid bits and the subformat.
std::vector<BYTE> ExtensibleFormat(WORD channels, DWORD rate, WORD bits, WORD validBits,
                                   const GUID& subFormat) {
    std::vector<BYTE> bytes = PcmFormat(channels, rate, 22);
    WAVEFORMATEX wave{};
    std::memcpy(&wave, bytes.data(), sizeof wave);
    wave.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    wave.wBitsPerSample = bits;
    wave.nBlockAlign = WORD(channels * bits / 8);
    wave.nAvgBytesPerSec = rate * wave.nBlockAlign;
    std::memcpy(bytes.data(), &wave, sizeof wave);
    std::memcpy(bytes.data() + 18, &validBits, 2);
    const DWORD mask = 0;
    std::memcpy(bytes.data() + 20, &mask, 4);
    std::memcpy(bytes.data() + 24, &subFormat, 16);
    return bytes;
}

// A PCM format block with one field changed.
std::vector<BYTE> Changed(std::vector<BYTE> format, std::size_t at, WORD value) {
    std::memcpy(format.data() + at, &value, 2);
    return format;
}

bool HasComment(const std::vector<std::string>& comments, const std::string& wanted) {
    return std::find(comments.begin(), comments.end(), wanted) != comments.end();
}

// Source → encoder filter → in-memory sink, with the platform's allocator.
class EncoderChainTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterMediaPlatformClasses(); }
    void TearDown() override {
        chain.reset(); // stops and disconnects before the filter goes
        input = nullptr;
        output = nullptr;
        holder = nullptr;
    }

    void Build(Kind kind, unsigned channels, unsigned rate, LONG bufferSize = 0) {
        const std::vector<BYTE> format = PcmFormat(WORD(channels), rate);
        ScopedType type(MakeType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, format));
        frameBytes = channels * 2;
        // A tenth of a second a sample, as a capture device would deliver it.
        sampleBytes = std::max<std::size_t>(rate / 10, 1) * frameBytes;
        chain = std::make_unique<Chain>(type.type, 4, bufferSize ? bufferSize : LONG(sampleBytes));
        filter = NewFilter(kind);
        holder = static_cast<IBaseFilter*>(filter);
        ASSERT_EQ(S_OK, holder->FindPin(u"In", input.put()));
        ASSERT_EQ(S_OK, holder->FindPin(u"Out", output.put()));
        const auto [first, second] = chain->Connect(holder.get(), input.get(), output.get());
        ASSERT_EQ(S_OK, first);
        ASSERT_EQ(S_OK, second);
    }
    // Delivers pcm in samples of sampleBytes; the first answer that is not S_OK.
    HRESULT Feed(const Bytes& pcm, std::size_t from = 0, std::size_t to = SIZE_MAX) {
        to = std::min(to, pcm.size());
        for (std::size_t at = from; at < to; at += sampleBytes) {
            const std::size_t n = std::min(sampleBytes, to - at);
            const HRESULT hr = chain->out->Deliver(std::vector<BYTE>(
                pcm.begin() + std::ptrdiff_t(at), pcm.begin() + std::ptrdiff_t(at + n)));
            if (hr != S_OK) return hr;
        }
        return S_OK;
    }
    const Bytes& File() const { return chain->in->file; }
    // The file as one on disk, for the tools.
    std::string Saved(const std::string& name) const {
        const std::string path = dir.File(name);
        WriteWholeFile(path, File());
        return path;
    }
    // The samples tile the file behind its start without gaps or overlaps.
    void ExpectContiguousSamples() const {
        const auto& received = chain->in->received;
        ASSERT_FALSE(received.empty());
        EXPECT_GT(received[0].start, 0); // the start of the file came through IStream
        for (std::size_t i = 0; i < received.size(); ++i) {
            EXPECT_EQ(S_OK, received[i].timeAnswer);
            EXPECT_EQ(received[i].start + REFERENCE_TIME(received[i].data.size()),
                      received[i].stop);
            if (i > 0) {
                EXPECT_EQ(received[i - 1].stop, received[i].start) << "sample " << i;
            }
        }
    }

    TempFolder dir;
    std::unique_ptr<Chain> chain;
    THMEncoderDestFilter* filter = nullptr;
    ComPtr<IBaseFilter> holder;
    ComPtr<IPin> input, output;
    std::size_t frameBytes = 0, sampleBytes = 0;
};

// ---- both filters ----------------------------------------------------------------------------

TEST(EncoderDest, TakesSixteenBitPcmOfOneToEightChannels) {
    RegisterMediaPlatformClasses();
    const std::vector<BYTE> stereo = PcmFormat(2, 48000);
    std::vector<BYTE> shortExtensible =
        ExtensibleFormat(2, 48000, 16, 16, KSDATAFORMAT_SUBTYPE_PCM);
    shortExtensible.pop_back();
    const struct {
        const char* what;
        GUID formatType;
        std::vector<BYTE> format;
        HRESULT flac, opus;
    } cases[] = {
        {"mono 8 kHz", FORMAT_WaveFormatEx, PcmFormat(1, 8000), S_OK, S_OK},
        {"stereo 48 kHz", FORMAT_WaveFormatEx, stereo, S_OK, S_OK},
        {"8 channels 96 kHz", FORMAT_WaveFormatEx, PcmFormat(8, 96000), S_OK, S_OK},
        {"PCMWAVEFORMAT without cbSize", FORMAT_WaveFormatEx,
         std::vector<BYTE>(stereo.begin(), stereo.begin() + 16), S_OK, S_OK},
        {"extensible PCM", FORMAT_WaveFormatEx,
         ExtensibleFormat(6, 48000, 16, 16, KSDATAFORMAT_SUBTYPE_PCM), S_OK, S_OK},
        {"extensible 24 bits in 32", FORMAT_WaveFormatEx,
         ExtensibleFormat(2, 48000, 32, 24, KSDATAFORMAT_SUBTYPE_PCM), S_FALSE, S_FALSE},
        {"extensible float", FORMAT_WaveFormatEx,
         ExtensibleFormat(2, 48000, 16, 16,
                          GUID{3, 0, 0x10, {0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71}}),
         S_FALSE, S_FALSE},
        {"extensible cut short", FORMAT_WaveFormatEx, shortExtensible, S_FALSE, S_FALSE},
        {"9 channels", FORMAT_WaveFormatEx, PcmFormat(9, 48000), S_FALSE, S_FALSE},
        {"no channels", FORMAT_WaveFormatEx, PcmFormat(0, 48000), S_FALSE, S_FALSE},
        {"8 bits", FORMAT_WaveFormatEx, Changed(Changed(stereo, 14, 8), 12, 2), S_FALSE, S_FALSE},
        {"24 bits", FORMAT_WaveFormatEx, Changed(Changed(stereo, 14, 24), 12, 6), S_FALSE, S_FALSE},
        {"IEEE float tag", FORMAT_WaveFormatEx, Changed(stereo, 0, 3), S_FALSE, S_FALSE},
        {"block size that disagrees", FORMAT_WaveFormatEx, Changed(stereo, 12, 8), S_FALSE,
         S_FALSE},
        {"format block too short", FORMAT_WaveFormatEx,
         std::vector<BYTE>(stereo.begin(), stereo.begin() + 14), S_FALSE, S_FALSE},
        {"no WAVEFORMATEX", FORMAT_None, stereo, S_FALSE, S_FALSE},
        {"1 Hz", FORMAT_WaveFormatEx, PcmFormat(1, 1), S_OK, S_FALSE},
        {"7999 Hz", FORMAT_WaveFormatEx, PcmFormat(2, 7999), S_OK, S_FALSE},
        {"768 kHz", FORMAT_WaveFormatEx, PcmFormat(2, 768000), S_OK, S_OK},
        {"768001 Hz", FORMAT_WaveFormatEx, PcmFormat(2, 768001), S_OK, S_FALSE},
        {"1048575 Hz", FORMAT_WaveFormatEx, PcmFormat(1, 1048575), S_OK, S_FALSE},
        {"1048576 Hz", FORMAT_WaveFormatEx, PcmFormat(1, 1048576), S_FALSE, S_FALSE},
    };
    for (const auto& c : cases) {
        for (const Kind kind : {Kind::Flac, Kind::Opus}) {
            ComPtr<IBaseFilter> filter(static_cast<IBaseFilter*>(NewFilter(kind)));
            ComPtr<IPin> in;
            ASSERT_EQ(S_OK, filter->FindPin(u"In", in.put()));
            ScopedType type(MakeType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, c.formatType, c.format));
            EXPECT_EQ(kind == Kind::Flac ? c.flac : c.opus, in->QueryAccept(&type.type))
                << Name(kind) << ", " << c.what;
        }
    }
}

TEST_F(EncoderChainTest, OffersAndAcceptsOnlyItsOwnByteStream) {
    for (const Kind kind : {Kind::Flac, Kind::Opus}) {
        SCOPED_TRACE(Name(kind));
        Build(kind, 2, 48000);
        AM_MEDIA_TYPE connected{};
        ASSERT_EQ(S_OK, output->ConnectionMediaType(&connected));
        EXPECT_EQ(MEDIATYPE_Stream, connected.majortype);
        EXPECT_EQ(Subtype(kind), connected.subtype);
        MediaTypeClear(connected);

        ComPtr<IEnumMediaTypes> types;
        ASSERT_EQ(S_OK, output->EnumMediaTypes(types.put()));
        AM_MEDIA_TYPE* offered[2] = {};
        ULONG fetched = 0;
        EXPECT_EQ(S_FALSE, types->Next(2, offered, &fetched));
        ASSERT_EQ(1u, fetched);
        EXPECT_EQ(Subtype(kind), offered[0]->subtype);
        MediaTypeDispose(offered[0]);

        for (const GUID* sub :
             {&MEDIASUBTYPE_WAVE, &MEDIASUBTYPE_FlacStream, &MEDIASUBTYPE_OggStream}) {
            ScopedType stream(MakeType(MEDIATYPE_Stream, *sub, GUID_NULL));
            EXPECT_EQ(*sub == Subtype(kind) ? S_OK : S_FALSE, output->QueryAccept(&stream.type));
        }
        TearDown();
    }
}

TEST_F(EncoderChainTest, CommentsNameTheProgramAndTheStartOfTheRecording) {
    std::tm start{};
    start.tm_year = 2024 - 1900;
    start.tm_mon = 2;
    start.tm_mday = 3;
    start.tm_hour = 14;
    start.tm_min = 5;
    start.tm_sec = 9;
    start.tm_isdst = -1;
    const auto at = std::chrono::system_clock::from_time_t(std::mktime(&start));
    const RecordingTags tags = THMEncoderDestFilter::TagsFor(at);
    EXPECT_EQ(0u, tags.encoder.rfind("Hymnaro Audio Recorder", 0)) << tags.encoder;

    for (const Kind kind : {Kind::Flac, Kind::Opus}) {
        for (const bool set : {true, false}) {
            SCOPED_TRACE(std::string(Name(kind)) + (set ? ", start set" : ", start not set"));
            Build(kind, 1, 48000);
            if (set) filter->SetRecordingStart(at);
            const std::string before =
                THMEncoderDestFilter::TagsFor(std::chrono::system_clock::now()).date;
            chain->Run();
            const std::string after =
                THMEncoderDestFilter::TagsFor(std::chrono::system_clock::now()).date;
            ASSERT_EQ(S_OK, Feed(TonePcm(48000, 1, 0.5)));
            ASSERT_EQ(S_OK, chain->Stop());

            std::vector<std::string> comments;
            if (kind == Kind::Flac) {
                comments = DecodeFlac(File()).comments;
            } else {
                std::string info;
                ASSERT_EQ(0, RunCommand("opusinfo '" + Saved("tags.opus") + "'", &info)) << info;
                for (std::size_t line = info.find('\t'); line != std::string::npos;
                     line = info.find('\t', line + 1))
                    comments.push_back(info.substr(line + 1, info.find('\n', line) - line - 1));
            }
            EXPECT_TRUE(HasComment(comments, "ENCODER=" + tags.encoder));
            if (set) {
                EXPECT_TRUE(HasComment(comments, "DATE=" + tags.date));
            } else {
                // The moment streaming began.
                const auto date = std::find_if(comments.begin(), comments.end(),
                                               [](auto& c) { return c.rfind("DATE=", 0) == 0; });
                ASSERT_NE(comments.end(), date);
                EXPECT_LE("DATE=" + before, *date);
                EXPECT_GE("DATE=" + after, *date);
            }
            TearDown();
        }
    }
}

TEST(EncoderDest, TheDateIsLocalTimeWithItsOffset) {
    const char* previous = std::getenv("TZ");
    const std::string kept = previous ? previous : "";
    const auto at = std::chrono::system_clock::from_time_t(1709471109); // 2024-03-03 13:05:09 UTC
    const auto summer = std::chrono::system_clock::from_time_t(1719839109); // 2024-07-01 13:05:09
    const struct {
        const char* zone;
        std::chrono::system_clock::time_point when;
        const char* date;
    } cases[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", at, "2024-03-03T14:05:09+01:00"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", summer, "2024-07-01T15:05:09+02:00"},
        {"UTC0", at, "2024-03-03T13:05:09+00:00"},
        {"<-0330>3:30", at, "2024-03-03T09:35:09-03:30"},
    };
    for (const auto& c : cases) {
        setenv("TZ", c.zone, 1);
        tzset();
        EXPECT_EQ(c.date, THMEncoderDestFilter::TagsFor(c.when).date) << c.zone;
    }
    if (previous)
        setenv("TZ", kept.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

// What a status display reads: the frames the encoder took, the bytes of the file, the data
// rate (the PCM's until a second of sound tells the file's own), no limit to the file; a new
// run counts afresh.
TEST_F(EncoderChainTest, ProgressTellsTheSoundTakenAndTheFileWritten) {
    for (const Kind kind : {Kind::Flac, Kind::Opus}) {
        SCOPED_TRACE(Name(kind));
        Build(kind, 2, 48000);
        ComPtr<IRecordingProgress> progress;
        ASSERT_EQ(S_OK, holder.As(progress));
        const Bytes pcm = TonePcm(48000, 2, 2.0);
        for (int run = 0; run < 2; ++run) {
            chain->in->file.clear();
            chain->Run();
            RECORDING_PROGRESS p{};
            ASSERT_EQ(S_OK, progress->GetProgress(&p));
            EXPECT_EQ(0u, p.cFramesWritten) << "run " << run;
            EXPECT_EQ(File().size(), p.cbWritten) << "the headers";
            EXPECT_EQ(48000u, p.nSamplesPerSec);
            EXPECT_EQ(2, p.nChannels);
            EXPECT_EQ(16, p.wBitsPerSample);
            EXPECT_EQ(~ULONGLONG(0), p.cbRoomInFile);

            ASSERT_EQ(S_OK, Feed(pcm, 0, pcm.size() / 4));
            ASSERT_EQ(S_OK, progress->GetProgress(&p));
            EXPECT_EQ(24000u, p.cFramesWritten);
            EXPECT_EQ(File().size(), p.cbWritten);
            EXPECT_EQ(192000u, p.nAvgBytesPerSec) << "half a second tells nothing yet";

            ASSERT_EQ(S_OK, Feed(pcm, pcm.size() / 4));
            ASSERT_EQ(S_OK, progress->GetProgress(&p));
            EXPECT_EQ(96000u, p.cFramesWritten);
            EXPECT_EQ(File().size(), p.cbWritten);
            EXPECT_EQ(ULONG(p.cbWritten * 48000 / 96000), p.nAvgBytesPerSec);
            EXPECT_LT(p.nAvgBytesPerSec, 192000u) << "packed";

            ASSERT_EQ(S_OK, chain->Stop());
            ASSERT_EQ(S_OK, progress->GetProgress(&p));
            EXPECT_EQ(96000u, p.cFramesWritten) << "the last run's, once stopped";
            EXPECT_EQ(File().size(), p.cbWritten);
        }
        TearDown();
    }
}

TEST_F(EncoderChainTest, AFailedDeliveryEndsTheFileThereAndTheStopStillSucceeds) {
    const HRESULT diskFull = HResultFromErrno(ENOSPC);
    for (const Kind kind : {Kind::Flac, Kind::Opus}) {
        SCOPED_TRACE(Name(kind));
        Build(kind, 2, 48000);
        chain->in->receiveAnswers = {S_OK, S_OK, diskFull};
        chain->Run();
        const Bytes pcm = TonePcm(48000, 2, 4.0);
        std::size_t at = 0;
        HRESULT hr = S_OK;
        for (; at < pcm.size() && hr == S_OK; at += sampleBytes)
            hr = Feed(pcm, at, at + sampleBytes);
        ASSERT_EQ(diskFull, hr) << "the refusal reaches the upstream filter";
        const Bytes cut = File();
        const std::size_t delivered = chain->in->received.size();
        // Nothing more can follow: the next samples are refused with the same failure.
        EXPECT_EQ(diskFull, Feed(pcm, at));
        EXPECT_EQ(S_OK, chain->Stop());
        EXPECT_EQ(cut, File()) << "nothing was written after the failure";
        EXPECT_EQ(delivered, chain->in->received.size());

        if (kind == Kind::Flac) {
            const FlacStream flac = DecodeFlac(File());
            EXPECT_TRUE(flac.decoded);
            EXPECT_EQ(0u, flac.totalSamples) << "STREAMINFO still says: length unknown";
            EXPECT_EQ(2u * 4096 * 4, flac.pcm.size()) << "the two frames that got through";
            EXPECT_TRUE(std::equal(flac.pcm.begin(), flac.pcm.end(), pcm.begin()));
        } else {
            const std::vector<OggPage> pages = OggPages(File());
            ASSERT_FALSE(pages.empty());
            EXPECT_EQ(File().size(), pages.back().offset + pages.back().size);
            EXPECT_EQ(0, pages.back().flags & 4) << "no end-of-stream page was written";
        }
        TearDown();
    }
}

TEST_F(EncoderChainTest, AStopBeforeAnySoundLeavesTheHeaders) {
    for (const Kind kind : {Kind::Flac, Kind::Opus}) {
        SCOPED_TRACE(Name(kind));
        Build(kind, 2, 48000);
        chain->Run();
        ASSERT_EQ(S_OK, chain->Stop());
        if (kind == Kind::Flac) {
            const FlacStream flac = DecodeFlac(File());
            EXPECT_TRUE(flac.decoded);
            EXPECT_EQ(2u, flac.channels);
            EXPECT_TRUE(flac.pcm.empty());
        } else {
            const std::vector<OggPage> pages = OggPages(File());
            EXPECT_EQ(2u, pages.size()) << "identification and comment header";
            EXPECT_EQ(File().size(), pages.back().offset + pages.back().size);
        }
        TearDown();
    }
}

TEST_F(EncoderChainTest, AStopWhoseLastWritesFailAnswersTheFailureButStops) {
    for (const Kind kind : {Kind::Flac, Kind::Opus}) {
        SCOPED_TRACE(Name(kind));
        Build(kind, 2, 48000);
        chain->Run();
        ASSERT_EQ(S_OK, Feed(TonePcm(48000, 2, 1.0)));
        chain->in->writeAnswer = STG_E_MEDIUMFULL;
        EXPECT_EQ(S_OK, chain->source->Stop());
        EXPECT_EQ(STG_E_MEDIUMFULL, holder->Stop());
        FILTER_STATE state = State_Running;
        EXPECT_EQ(S_OK, holder->GetState(0, &state));
        EXPECT_EQ(State_Stopped, state);
        TearDown();
    }
}

TEST_F(EncoderChainTest, AStartWhoseHeaderCannotBeWrittenFails) {
    for (const Kind kind : {Kind::Flac, Kind::Opus}) {
        for (const bool offerStream : {false, true}) {
            SCOPED_TRACE(std::string(Name(kind)) +
                         (offerStream ? ", write fails" : ", no IStream"));
            Build(kind, 2, 48000);
            chain->in->offerStream = offerStream;
            chain->in->writeAnswer = STG_E_MEDIUMFULL;
            ASSERT_EQ(S_OK, chain->sink->Pause());
            EXPECT_EQ(offerStream ? STG_E_MEDIUMFULL : E_NOINTERFACE, holder->Pause());
            FILTER_STATE state = State_Running;
            EXPECT_EQ(S_OK, holder->GetState(0, &state));
            EXPECT_EQ(State_Stopped, state);
            EXPECT_EQ(S_OK, chain->sink->Stop());
            TearDown();
        }
    }
}

// ---- FLAC ------------------------------------------------------------------------------------

TEST_F(EncoderChainTest, FlacHoldsTheRecordingBitForBitInEveryFormat) {
    const struct {
        unsigned channels, rate;
    } formats[] = {{1, 8000}, {2, 44100}, {2, 48000}, {6, 96000}, {8, 22050}, {2, 700000}};
    for (const auto& f : formats) {
        SCOPED_TRACE(std::to_string(f.channels) + " channels at " + std::to_string(f.rate));
        Build(Kind::Flac, f.channels, f.rate);
        chain->Run();
        const Bytes pcm = TonePcm(f.rate, f.channels, 1.3);
        ASSERT_EQ(S_OK, Feed(pcm));
        ASSERT_EQ(S_OK, chain->Stop());

        const FlacStream flac = DecodeFlac(File());
        EXPECT_TRUE(flac.decoded);
        EXPECT_EQ(0, flac.errors);
        EXPECT_EQ(f.channels, flac.channels);
        EXPECT_EQ(f.rate, flac.rate);
        EXPECT_EQ(16u, flac.bits);
        EXPECT_EQ(pcm.size() / frameBytes, flac.totalSamples);
        EXPECT_TRUE(flac.md5Set);
        EXPECT_TRUE(flac.md5Matched);
        EXPECT_TRUE(flac.pcm == pcm) << "decoded " << flac.pcm.size() << " of " << pcm.size();
        ExpectContiguousSamples();
        EXPECT_LT(std::size_t(chain->in->received.back().stop), File().size())
            << "the last frame came through IStream";
        TearDown();
    }
}

TEST_F(EncoderChainTest, FlacWhileRecordingIsAValidStreamOfUnknownLength) {
    Build(Kind::Flac, 2, 48000);
    chain->Run();
    const Bytes pcm = TonePcm(48000, 2, 2.05);
    ASSERT_EQ(S_OK, Feed(pcm));

    const FlacStream flac = DecodeFlac(File());
    EXPECT_TRUE(flac.decoded);
    EXPECT_EQ(0, flac.errors);
    EXPECT_EQ(0u, flac.totalSamples);
    EXPECT_FALSE(flac.md5Set);
    EXPECT_EQ(File().size(), flac.lastFrameEnd) << "the file ends behind a whole frame";
    // Every frame but the one the encoder still fills.
    EXPECT_EQ(pcm.size() / (4096 * 4) * 4096 * 4, flac.pcm.size());
    EXPECT_TRUE(std::equal(flac.pcm.begin(), flac.pcm.end(), pcm.begin()));
    ExpectContiguousSamples();
    ASSERT_EQ(S_OK, chain->Stop());
}

TEST_F(EncoderChainTest, FlacJoinsFramesSplitOverSamples) {
    // Sample lengths that cut frames anywhere, an empty one among them.
    const std::size_t pieces[] = {4801, 3, 0, 1, 9594, 2, 19201, 6, 4};
    std::size_t total = 0;
    for (const std::size_t n : pieces)
        total += n;
    ASSERT_EQ(0u, total % 4);
    Build(Kind::Flac, 2, 48000, 32768);
    chain->Run();
    const Bytes pcm = TonePcm(48000, 2, double(total / 4) / 48000);
    ASSERT_EQ(total, pcm.size());
    std::size_t at = 0;
    for (const std::size_t n : pieces) {
        ASSERT_EQ(S_OK,
                  chain->out->Deliver(std::vector<BYTE>(pcm.begin() + std::ptrdiff_t(at),
                                                        pcm.begin() + std::ptrdiff_t(at + n))));
        at += n;
    }
    ASSERT_EQ(S_OK, chain->Stop());
    const FlacStream flac = DecodeFlac(File());
    EXPECT_TRUE(flac.md5Matched);
    EXPECT_TRUE(flac.pcm == pcm);
}

TEST_F(EncoderChainTest, FlacStartsAFreshFileOnEveryRun) {
    Build(Kind::Flac, 1, 16000);
    for (const double seconds : {1.5, 0.7}) {
        chain->in->file.clear();
        chain->in->received.clear();
        chain->Run();
        const Bytes pcm = TonePcm(16000, 1, seconds, 440, {}, unsigned(seconds * 10));
        ASSERT_EQ(S_OK, Feed(pcm));
        ASSERT_EQ(S_OK, chain->Stop());
        const FlacStream flac = DecodeFlac(File());
        EXPECT_TRUE(flac.md5Matched) << seconds;
        EXPECT_TRUE(flac.pcm == pcm) << seconds;
        EXPECT_EQ(0, std::memcmp(File().data(), "fLaC", 4));
    }
}

// ---- Opus ------------------------------------------------------------------------------------

TEST_F(EncoderChainTest, OpusPlaysTheToneAtItsLengthInEveryFormat) {
    const struct {
        unsigned channels, rate;
    } formats[] = {{1, 48000}, {2, 48000}, {2, 44100}, {1, 8000}, {6, 48000}, {8, 96000}};
    for (const auto& f : formats) {
        const std::string what =
            std::to_string(f.channels) + " channels at " + std::to_string(f.rate);
        SCOPED_TRACE(what);
        Build(Kind::Opus, f.channels, f.rate);
        chain->Run();
        const Bytes pcm = TonePcm(f.rate, f.channels, 2.0);
        ASSERT_EQ(S_OK, Feed(pcm));
        ASSERT_EQ(S_OK, chain->Stop());
        ExpectContiguousSamples();

        const std::string path = Saved("tone.opus");
        std::string info;
        ASSERT_EQ(0, RunCommand("opusinfo '" + path + "'", &info)) << info;
        EXPECT_NE(std::string::npos, info.find("Channels: " + std::to_string(f.channels))) << info;
        EXPECT_NE(std::string::npos,
                  info.find("Original sample rate: " + std::to_string(f.rate) + " Hz"))
            << info;
        const std::vector<OggPage> pages = OggPages(File());
        ASSERT_FALSE(pages.empty());
        EXPECT_EQ(File().size(), pages.back().offset + pages.back().size);
        EXPECT_EQ(4, pages.back().flags & 4) << "the stop writes the end of the stream";

        Pcm decoded;
        ASSERT_TRUE(DecodeOpus(path, decoded));
        EXPECT_EQ(f.channels, decoded.channels);
        EXPECT_EQ(f.rate, decoded.rate);
        EXPECT_NEAR(2.0, decoded.Seconds(), 0.030);
        for (unsigned c = 0; c < f.channels; ++c) {
            // Opus keeps only the lowest frequencies of an LFE channel (the fourth in WAV order).
            if (f.channels >= 6 && c == 3) continue;
            EXPECT_NEAR(440, ToneFrequency(decoded, c), 4.4) << "channel " << c;
        }
        TearDown();
    }
}

TEST_F(EncoderChainTest, OpusKeepsSurroundChannelsInTheirPlaces) {
    // One channel louder than the rest, another quieter, the others silent.
    const struct {
        unsigned channels;
        std::vector<double> gains;
    } layouts[] = {
        {3, {0, 0, 1}},                  // centre
        {6, {0, 0.3, 1, 0, 0, 0}},       // front right, centre
        {8, {0, 0, 0, 0, 0.3, 0, 1, 0}}, // back left, side left
        {6, {0, 0, 0, 0, 1, 0}},         // back left
    };
    for (const auto& layout : layouts) {
        SCOPED_TRACE(std::to_string(layout.channels) + " channels");
        Build(Kind::Opus, layout.channels, 48000);
        chain->Run();
        ASSERT_EQ(S_OK, Feed(TonePcm(48000, layout.channels, 1.0, 440, layout.gains)));
        ASSERT_EQ(S_OK, chain->Stop());
        Pcm decoded;
        ASSERT_TRUE(DecodeOpus(Saved("surround.opus"), decoded));
        ASSERT_EQ(layout.channels, decoded.channels);
        for (unsigned c = 0; c < layout.channels; ++c) {
            const double expected = layout.gains[c] * 12000 / 32768 / std::sqrt(2.0);
            EXPECT_NEAR(expected, ChannelLevel(decoded, c), 0.2 * expected + 0.01)
                << "channel " << c;
        }
        TearDown();
    }
}

TEST_F(EncoderChainTest, OpusPagesReachTheFileWithinASecondOfTheirSound) {
    Build(Kind::Opus, 2, 48000);
    chain->Run();
    const Bytes pcm = TonePcm(48000, 2, 6.0);
    constexpr std::int64_t kPreSkip = 312; // what libopusenc puts before the sound
    for (std::size_t at = 0; at < pcm.size(); at += sampleBytes) {
        ASSERT_EQ(S_OK, Feed(pcm, at, at + sampleBytes));
        const std::int64_t fed = std::int64_t((at + sampleBytes) / 4);
        const std::vector<OggPage> pages = OggPages(File());
        ASSERT_GE(pages.size(), 2u) << "the headers are there from the start";
        const std::int64_t inFile = std::max<std::int64_t>(0, pages.back().granule - kPreSkip);
        EXPECT_LE(fed - inFile, 48000) << "after " << fed << " frames";
    }
    ASSERT_EQ(S_OK, chain->Stop());
}
} // namespace
