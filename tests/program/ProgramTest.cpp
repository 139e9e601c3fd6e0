// The recorder program as a user's session treats it, in a child process recording from the
// PulseAudio sine source: killed outright (kill -9), ended by the signals of a shutdown, a
// closed terminal or Ctrl+C, and refused further writes by a file size limit.
#include "RecorderProcess.h"

#include "support/Pulse.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gmock/gmock.h>

#include <csignal>
#include <cstring>

namespace {
std::uint32_t Le32(const Bytes& b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

// Where the audio of a WAV file as the recorder writes it begins, and how it is laid out.
struct WavLayout {
    bool valid = false;
    std::size_t dataStart = 0;
    std::uint32_t dataSize = 0; // what the data chunk claims
    std::uint32_t riffSize = 0;
    unsigned blockAlign = 0;
    unsigned bytesPerSecond = 0;
};

WavLayout Layout(const Bytes& file) {
    WavLayout layout;
    if (file.size() < 28 || std::memcmp(file.data(), "RIFF", 4) != 0 ||
        std::memcmp(file.data() + 8, "WAVE", 4) != 0 || std::memcmp(file.data() + 12, "fmt ", 4))
        return layout;
    const std::uint32_t format = Le32(file, 16);
    if (format < 16 || file.size() < 28 + std::size_t(format) ||
        std::memcmp(file.data() + 20 + format, "data", 4) != 0)
        return layout;
    layout.riffSize = Le32(file, 4);
    layout.bytesPerSecond = Le32(file, 28);
    layout.blockAlign = unsigned(file[32]) | unsigned(file[33]) << 8;
    layout.dataSize = Le32(file, 24 + format);
    layout.dataStart = 28 + format;
    layout.valid = layout.blockAlign > 0 && layout.bytesPerSecond > 0;
    return layout;
}

// A WAV file whose header agrees with its data, as a stop leaves it.
void ExpectComplete(const Bytes& file) {
    const WavLayout layout = Layout(file);
    ASSERT_TRUE(layout.valid) << "no RIFF/WAVE header";
    EXPECT_EQ(file.size() - 8, layout.riffSize);
    EXPECT_EQ(file.size() - layout.dataStart, layout.dataSize);
}

// Waits until the file holds at least bytes of audio.
bool WaitForAudio(const QString& file, std::size_t bytes, int milliseconds = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (FileSize(file) < 46 + bytes) {
        if (timer.elapsed() > milliseconds) return false;
        QThread::msleep(2);
    }
    return true;
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
    const WavLayout layout = Layout(wav);
    ASSERT_TRUE(layout.valid) << "no RIFF/WAVE header in " << wav.size() << " bytes";
    const std::size_t frames = (wav.size() - layout.dataStart) / layout.blockAlign;
    // Everything up to a second before the kill reached the file.
    EXPECT_GE(double(frames * layout.blockAlign) / layout.bytesPerSecond, elapsed - 1.0);
    const Bytes audio(wav.begin() + std::ptrdiff_t(layout.dataStart),
                      wav.begin() + std::ptrdiff_t(layout.dataStart + frames * layout.blockAlign));
    for (const char* reader : {"python", "sox", "libsndfile"}) {
        SCOPED_TRACE(reader);
        const std::optional<Bytes> got = ReadAudioWith(reader, *file);
        ASSERT_TRUE(got) << "the reader refused the file";
        // Every whole frame in the file (Python also hands out a trailing partial one).
        ASSERT_EQ(frames, got->size() / layout.blockAlign);
        EXPECT_TRUE(std::equal(audio.begin(), audio.end(), got->begin()));
    }
}

INSTANTIATE_TEST_SUITE_P(Moments, KilledRecording,
                         testing::Values(KillCase{"RightAfterRecord", 0},
                                         KillCase{"WithinTheFirstSecond", 600},
                                         KillCase{"AfterSeconds", 4000}),
                         [](const auto& info) { return std::string(info.param.name); });

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
                testing::HasSubstr("hymnaro-recorder: Die Einstellungen konnten nicht in \"" +
                                   recorder.SettingsFile().toStdString() +
                                   "\" gespeichert werden.\n"));
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
    EXPECT_EQ(QStringLiteral("Die Aufnahme wurde beendet, weil die Datei ihre maximale Größe "
                             "erreicht hat."),
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
