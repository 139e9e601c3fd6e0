// The recorder program as a user's session treats it, in a child process recording from the
// PulseAudio sine source: killed outright (kill -9), ended by the signals of a shutdown, a
// closed terminal or Ctrl+C, and refused further writes by a file size limit.
#include "RecorderProcess.h"

#include "WaveDest/WavLayout.h"
#include "support/Pulse.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gmock/gmock.h>

#include <csignal>

namespace {
// The header of a WAV file as the recorder writes it, found only with a format that says how
// its frames are counted.
WavLayout::THeader Layout(const Bytes& file) {
    WavLayout::THeader header = WavLayout::ReadHeader(file);
    if (header.format.blockAlign == 0 || header.format.avgBytesPerSec == 0) header.found = false;
    return header;
}

// A WAV file whose header agrees with its data, as a stop leaves it.
void ExpectComplete(const Bytes& file) {
    const WavLayout::THeader layout = Layout(file);
    ASSERT_TRUE(layout.found) << "no RIFF/WAVE header";
    EXPECT_EQ(file.size() - 8, layout.riffSize);
    EXPECT_EQ(file.size() - layout.dataAt, layout.dataBytes);
}

// Waits until the file holds at least bytes of audio.
bool WaitForAudio(const QString& file, std::size_t bytes, int milliseconds = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (FileSize(file) < WavLayout::HeaderBytes(WavLayout::WaveFormatExBytes) + bytes) {
        if (timer.elapsed() > milliseconds) return false;
        QThread::msleep(2);
    }
    return true;
}

// Every reader takes every whole frame of the file's audio, as it is in the file.
void ExpectPlaysInEveryReader(const QString& file) {
    const Bytes wav = ReadWholeFile(file);
    const WavLayout::THeader layout = Layout(wav);
    ASSERT_TRUE(layout.found) << "no RIFF/WAVE header in " << wav.size() << " bytes";
    const unsigned blockAlign = layout.format.blockAlign;
    const std::size_t frames = (wav.size() - layout.dataAt) / blockAlign;
    const Bytes audio(wav.begin() + std::ptrdiff_t(layout.dataAt),
                      wav.begin() + std::ptrdiff_t(layout.dataAt + frames * blockAlign));
    for (const char* reader : {"python", "sox", "libsndfile"}) {
        SCOPED_TRACE(reader);
        const std::optional<Bytes> got = ReadAudioWith(reader, file);
        ASSERT_TRUE(got) << "the reader refused the file";
        // Every whole frame in the file (Python also hands out a trailing partial one).
        ASSERT_EQ(frames, got->size() / blockAlign);
        EXPECT_TRUE(std::equal(audio.begin(), audio.end(), got->begin()));
    }
}

class ProgramTest : public testing::Test {
protected:
    void SetUp() override { (void)RequirePulse(); }
};

// ---- kill -9 -------------------------------------------------------------------------------

struct KillCase {
    const char* name;
    int afterMs; // from the moment Record was clicked
};

class KilledRecording : public ProgramTest, public testing::WithParamInterface<KillCase> {};

TEST_P(KilledRecording, PlaysInEveryReaderUpToTheKill) {
    RecorderProcess recorder(QStringLiteral("record"));
    const std::optional<QString> file = recorder.WaitForLine(QStringLiteral("recording "));
    ASSERT_TRUE(file && !file->isEmpty()) << "Record did not start";
    QElapsedTimer recording;
    recording.start();
    QThread::msleep(GetParam().afterMs);
    ASSERT_TRUE(recorder.Running());
    const std::size_t seen = FileSize(*file);
    const double elapsed = double(recording.elapsed()) / 1000;
    recorder.Signal(SIGKILL);
    const RecorderProcess::Exit exit = recorder.WaitForExit();
    ASSERT_TRUE(exit.ended && exit.crashed);

    // No repair step: the file as the killed program left it.
    const Bytes wav = ReadWholeFile(*file);
    ASSERT_GE(wav.size(), seen);
    const WavLayout::THeader layout = Layout(wav);
    ASSERT_TRUE(layout.found) << "no RIFF/WAVE header in " << wav.size() << " bytes";
    // Everything up to a second before the kill reached the file.
    const std::size_t frames = (wav.size() - layout.dataAt) / layout.format.blockAlign;
    EXPECT_GE(double(frames * layout.format.blockAlign) / layout.format.avgBytesPerSec,
              elapsed - 1.0);
    ExpectPlaysInEveryReader(*file);
}

INSTANTIATE_TEST_SUITE_P(Moments, KilledRecording,
                         testing::Values(KillCase{"RightAfterRecord", 0},
                                         KillCase{"WithinTheFirstSecond", 600},
                                         KillCase{"AfterSeconds", 4000}),
                         [](const auto& info) { return std::string(info.param.name); });

// A paused recording holds still (the input delivers nothing, the file does not grow) and,
// killed then, plays in every reader with all it recorded.
TEST_F(ProgramTest, APausedRecordingThatIsKilledPlaysInEveryReader) {
    RecorderProcess recorder(QStringLiteral("pause"));
    const std::optional<QString> file = recorder.WaitForLine(QStringLiteral("recording "));
    ASSERT_TRUE(file && !file->isEmpty()) << "Record did not start";
    const std::optional<QString> paused = recorder.WaitForLine(QStringLiteral("paused "));
    ASSERT_EQ(file, paused);
    QThread::msleep(200); // what the input held at the pause reaches the file
    const std::size_t atPause = FileSize(*file);
    QThread::msleep(800);
    EXPECT_EQ(atPause, FileSize(*file)) << "the file grew while paused";
    EXPECT_GE(atPause, WavLayout::HeaderBytes(WavLayout::WaveFormatExBytes) + 96000u);
    ASSERT_TRUE(recorder.Running());
    recorder.Signal(SIGKILL);
    const RecorderProcess::Exit exit = recorder.WaitForExit();
    ASSERT_TRUE(exit.ended && exit.crashed);
    EXPECT_EQ(atPause, ReadWholeFile(*file).size());
    ExpectPlaysInEveryReader(*file);
    EXPECT_TRUE(recorder.Messages().isEmpty()) << recorder.Messages().join(u'|').toStdString();
}

// ---- termination signals -------------------------------------------------------------------

class SignalledProgram : public ProgramTest, public testing::WithParamInterface<int> {};

TEST_P(SignalledProgram, CompletesTheRecordingAndSavesTheSettings) {
    RecorderProcess recorder(QStringLiteral("record"));
    const std::optional<QString> file = recorder.WaitForLine(QStringLiteral("recording "));
    ASSERT_TRUE(file && !file->isEmpty());
    ASSERT_TRUE(recorder.WaitForLine(QStringLiteral("ready")));
    ASSERT_TRUE(WaitForAudio(*file, 48000));
    const std::size_t seen = FileSize(*file);
    ASSERT_FALSE(QFile::exists(recorder.SettingsFile()));

    recorder.Signal(GetParam());
    const RecorderProcess::Exit exit = recorder.WaitForExit();
    ASSERT_TRUE(exit.ended) << "the program did not end";
    EXPECT_FALSE(exit.crashed);
    EXPECT_EQ(0, exit.code);
    EXPECT_TRUE(recorder.Messages().isEmpty()) << recorder.Messages().join(u'|').toStdString();
    const Bytes wav = ReadWholeFile(*file);
    ExpectComplete(wav);
    EXPECT_GE(wav.size(), seen);
    QFile settings(recorder.SettingsFile());
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly)) << "the settings were not saved";
    EXPECT_THAT(settings.readAll().toStdString(),
                testing::StartsWith("object IniData: TIniData\r\n  FolderForRecordings = '"));
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalledProgram, testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

TEST_F(ProgramTest, ASignalWithSettingsThatCannotBeSavedEndsTheProgramWithoutWaitingForAnyone) {
    RecorderProcess recorder(QStringLiteral("record"));
    const std::optional<QString> file = recorder.WaitForLine(QStringLiteral("recording "));
    ASSERT_TRUE(file && !file->isEmpty());
    ASSERT_TRUE(recorder.WaitForLine(QStringLiteral("ready")));
    ASSERT_TRUE(WaitForAudio(*file, 48000));
    // A file where the settings folder belongs (a read-only folder does not stop root).
    ASSERT_TRUE(QDir().mkpath(recorder.Home() + QStringLiteral("/.config")));
    QFile blocker(recorder.Home() + QStringLiteral("/.config/Hymnaro"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    recorder.Signal(SIGTERM);
    // A message box would keep it alive until a click; the wait only bounds a hang.
    const RecorderProcess::Exit exit = recorder.WaitForExit(20000);
    ASSERT_TRUE(exit.ended) << "the program did not end";
    EXPECT_FALSE(exit.crashed);
    EXPECT_EQ(0, exit.code);
    EXPECT_TRUE(recorder.Messages().isEmpty()) << recorder.Messages().join(u'|').toStdString();
    EXPECT_THAT(recorder.ErrorOutput().toStdString(),
                testing::HasSubstr("hymnaro-recorder: Die Einstellungen konnten nicht in „" +
                                   recorder.SettingsFile().toStdString() +
                                   "“ gespeichert werden."));
    ExpectComplete(ReadWholeFile(*file));
}

TEST_F(ProgramTest, ASignalWhileTheSetupDialogIsOpenStillEndsTheProgram) {
    RecorderProcess recorder(QStringLiteral("setup"));
    ASSERT_TRUE(recorder.WaitForLine(QStringLiteral("setup")));
    recorder.Signal(SIGTERM);
    const RecorderProcess::Exit exit = recorder.WaitForExit();
    ASSERT_TRUE(exit.ended) << "the program did not end";
    EXPECT_FALSE(exit.crashed);
    EXPECT_EQ(0, exit.code);
    EXPECT_TRUE(QFile::exists(recorder.SettingsFile()));
}

// ---- a file that may not grow ----------------------------------------------------------------

TEST_F(ProgramTest, AFileSizeLimitEndsTheRecordingWithACompleteFileAndTheProgramGoesOn) {
    constexpr unsigned long long Limit = 300000;
    RecorderProcess recorder(QStringLiteral("record"), Limit);
    const std::optional<QString> file = recorder.WaitForLine(QStringLiteral("recording "));
    ASSERT_TRUE(file && !file->isEmpty());
    const std::optional<QString> message = recorder.WaitForLine(QStringLiteral("message "));
    ASSERT_TRUE(message) << "nobody was told";
    EXPECT_EQ("Die Aufnahme wurde beendet, weil die Datei „" + *file +
                  "“ ihre größtmögliche Größe erreicht hat (eine WAV-Datei fasst höchstens 4 "
                  "GiB). Die Datei enthält alles bis dahin Aufgenommene.\\nDrücken Sie „Start“, "
                  "um in einer neuen Datei weiter aufzunehmen.",
              *message);
    ASSERT_TRUE(recorder.Running());
    const Bytes wav = ReadWholeFile(*file);
    ExpectComplete(wav);
    EXPECT_LE(wav.size(), Limit);
    EXPECT_GT(wav.size(), Limit / 2) << "it stopped early";

    recorder.Signal(SIGTERM);
    const RecorderProcess::Exit exit = recorder.WaitForExit();
    ASSERT_TRUE(exit.ended && !exit.crashed);
    EXPECT_EQ(0, exit.code);
    EXPECT_EQ(1, recorder.Messages().size()) << recorder.Messages().join(u'|').toStdString();
    EXPECT_TRUE(QFile::exists(recorder.SettingsFile()));
}
} // namespace
