// The figures of a recording through the real graph, as the recorder builds it (the first audio
// input → WAV destination filter → file writer): the capture filter's level meter on sound of
// known level from a scripted device, and the WAV filter's count of what reached the file.
#include "MediaTestSupport.h"
#include "RecordingGraph.h"

#include "WaveDest/WavLayout.h"
#include "framework/interfaces/RecordingFigures.h"
#include "support/AudioFixtures.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

namespace {
constexpr unsigned long Period = 1000; // reads that do not end on a block's boundary

struct MeterCase {
    const char* name;
    AlsaCaptureFormat format;
    std::vector<ToneChannel> tones;
    double seconds;
    std::vector<double> peakDb; // per channel; -infinity for silence
    std::vector<ULONG> clipped; // samples at full scale, per channel
};
void PrintTo(const MeterCase& c, std::ostream* out) {
    *out << c.name;
}

class LevelMeter : public testing::TestWithParam<MeterCase> {
protected:
    void SetUp() override {
        backend->devices = {{"scripted", "Scripted device"}};
        previous = AlsaBackend::Replace(backend);
    }
    void TearDown() override { AlsaBackend::Replace(previous); }

    // Records the sound to its end; the meter and the progress stay readable afterwards.
    void Record(const Bytes& sound, const AlsaCaptureFormat& format) {
        backend->format = format;
        backend->makeStream = [&] {
            auto stream =
                std::make_unique<SoundStream>(format.rate, format.channels, Period, sound);
            drained = stream->drained;
            return stream;
        };
        ASSERT_NO_FATAL_FAILURE(BuildRecordingGraph(work.File("meter.wav"), built));
        ASSERT_EQ(S_OK, built.source.As(meter));
        ASSERT_EQ(S_OK, built.wavDest.As(progress));
        ASSERT_EQ(S_OK, built.control->Run());
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!(drained && *drained) && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(drained && *drained);
        ASSERT_EQ(S_OK, built.control->Stop());
    }

    TempFolder work;
    std::shared_ptr<ScriptedBackend> backend = std::make_shared<ScriptedBackend>();
    std::shared_ptr<AlsaBackend> previous;
    std::shared_ptr<std::atomic<bool>> drained;
    RecordingGraph built;
    ComPtr<IAudioLevelMeter> meter;
    ComPtr<IRecordingProgress> progress;
};

TEST_P(LevelMeter, ReadsTheLevelOfEveryBlockAndCountsFullScaleSamples) {
    const MeterCase& c = GetParam();
    const Bytes sound = Tone(c.format.rate, c.seconds, c.tones);
    ASSERT_NO_FATAL_FAILURE(Record(sound, c.format));

    AUDIO_METER_INFO info{};
    ASSERT_EQ(S_OK, meter->GetMeterInfo(&info));
    const ULONG frames = ULONG(sound.size() / (2 * c.format.channels));
    EXPECT_EQ(c.format.channels, info.cChannels);
    EXPECT_EQ(c.format.rate, info.nSamplesPerSec);
    EXPECT_EQ(c.format.rate / 50, info.cFramesPerBlock);
    EXPECT_EQ(frames / info.cFramesPerBlock, info.cBlocks) << "whole blocks only";
    EXPECT_EQ(0u, info.cOverruns);
    for (std::size_t ch = 0; ch < c.clipped.size(); ++ch)
        EXPECT_EQ(c.clipped[ch], info.cClipped[ch]) << "channel " << ch;

    std::vector<AUDIO_PEAK_BLOCK> blocks(info.cBlocks);
    ULONG fetched = 0;
    ASSERT_EQ(S_OK, meter->GetPeakBlocks(0, info.cBlocks, blocks.data(), &fetched));
    ASSERT_EQ(info.cBlocks, fetched);
    for (ULONG b = 0; b < fetched; ++b) {
        EXPECT_EQ(b, blocks[b].nBlock);
        for (std::size_t ch = 0; ch < c.peakDb.size(); ++ch) {
            const double db = DbfsOf(blocks[b].wPeak[ch]);
            if (std::isinf(c.peakDb[ch]))
                EXPECT_EQ(0, blocks[b].wPeak[ch]) << "block " << b << ", channel " << ch;
            else
                EXPECT_NEAR(c.peakDb[ch], db, 0.05) << "block " << b << ", channel " << ch;
        }
    }

    // What reached the file: all of it, lasting bytes over bytes a second.
    RECORDING_PROGRESS p{};
    ASSERT_EQ(S_OK, progress->GetProgress(&p));
    EXPECT_EQ(frames, p.cFramesWritten);
    EXPECT_EQ(sound.size(), p.cbWritten);
    EXPECT_NEAR(c.seconds, double(p.cbWritten) / p.nAvgBytesPerSec, 1e-9);
    EXPECT_EQ(c.format.channels, p.nChannels);
    const WavLayout::THeader header = WavLayout::ReadHeader(ReadWholeFile(work.File("meter.wav")));
    ASSERT_TRUE(header.ClaimsFit()) << header.problem;
    EXPECT_EQ(p.cbWritten, header.dataBytes);
}

const double None = -INFINITY;
INSTANTIATE_TEST_SUITE_P(
    Sounds, LevelMeter,
    testing::Values(
        MeterCase{
            "SinesOfMinus6AndMinus20", {48000, 2}, {Sine(-6), Sine(-20)}, 0.5, {-6, -20}, {0, 0}},
        // Every sample of the square is at one end of the range; silence beside it stays 0.
        MeterCase{"FullScaleSquareAndSilence",
                  {48000, 2},
                  {FullScaleSquare(), Silence()},
                  0.5,
                  {0, None},
                  {24000, 0}},
        MeterCase{"MonoAt44100", {44100, 1}, {Sine(-20, 441)}, 0.4, {-20}, {0}},
        // The device gives the right front first; the file, and so the meter, the left.
        MeterCase{
            "FourChannelsInTheFilesOrder",
            {48000,
             4,
             {SPEAKER_FRONT_RIGHT, SPEAKER_FRONT_LEFT, SPEAKER_BACK_LEFT, SPEAKER_BACK_RIGHT}},
            {Sine(-6), Sine(-20), Sine(-30), FullScaleSquare()},
            0.5,
            {-20, -6, -30, 0},
            {0, 0, 0, 24000}},
        MeterCase{"EightChannels",
                  {48000, 8},
                  {Sine(-3), Sine(-6), Sine(-10), Sine(-20), Sine(-30), Sine(-40), Silence(),
                   FullScaleSquare()},
                  0.5,
                  {-3, -6, -10, -20, -30, -40, None, 0},
                  {0, 0, 0, 0, 0, 0, 0, 24000}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LevelMeter, KeepsTheLatestBlocksAndTellsTheOverruns) {
    backend->format = {48000, 2};
    // 100 blocks of sound with an overrun in the middle.
    backend->makeStream = [&] {
        return std::make_unique<ScriptedStream>(
            48000, 2, 4800, 48000, std::deque<ScriptedStream::Step>{{48000}, {-EPIPE}, {48000}});
    };
    ASSERT_NO_FATAL_FAILURE(BuildRecordingGraph(work.File("long.wav"), built));
    ASSERT_EQ(S_OK, built.source.As(meter));
    ASSERT_EQ(S_OK, built.control->Run());
    AUDIO_METER_INFO info{};
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (SUCCEEDED(meter->GetMeterInfo(&info)) && info.cBlocks < 100 &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(S_OK, built.control->Stop());
    ASSERT_EQ(S_OK, meter->GetMeterInfo(&info));
    EXPECT_EQ(100u, info.cBlocks);
    EXPECT_EQ(1u, info.cOverruns);

    std::vector<AUDIO_PEAK_BLOCK> blocks(100);
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, meter->GetPeakBlocks(0, 100, blocks.data(), &fetched));
    ASSERT_EQ(64u, fetched) << "the meter keeps the latest 64";
    EXPECT_EQ(36u, blocks[0].nBlock);
    EXPECT_EQ(99u, blocks[63].nBlock);
    EXPECT_EQ(S_OK, meter->GetPeakBlocks(99, 1, blocks.data(), &fetched));
    EXPECT_EQ(S_FALSE, meter->GetPeakBlocks(100, 1, blocks.data(), &fetched));
    EXPECT_EQ(0u, fetched);

    // A new stream starts from nothing (into a new file: the writer makes its file anew).
    ASSERT_TRUE(std::filesystem::remove(work.File("long.wav")));
    ASSERT_EQ(S_OK, built.control->Pause());
    ASSERT_EQ(S_OK, meter->GetMeterInfo(&info));
    EXPECT_EQ(0u, info.cBlocks);
    EXPECT_EQ(0u, info.cOverruns);
    ASSERT_EQ(S_OK, built.control->Stop());
}
} // namespace
