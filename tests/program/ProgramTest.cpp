// The recorder program as a user's session treats it, in a child process recording from the
// PulseAudio sine source: killed outright (kill -9), ended by the signals of a shutdown, a
// closed terminal or Ctrl+C, and refused further writes by a file size limit.
#include "RecorderProcess.h"

#include "WaveDest/WavLayout.h"
#include "support/Pulse.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <gmock/gmock.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

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

// Recordings killed at random moments, then a restart: the repair at start makes every one
// exact, so that no reader complains, and one message lists them. (The recorders run side by
// side, so that none of them repairs another's file at its own start.)
TEST_F(ProgramTest, KilledRecordingsAreMadeExactAtTheNextStart) {
    TempFolder home("hymnaro-killed");
    RecorderProcess::Options options;
    options.home = QString::fromStdString(home.Path());
    options.driveAt = QDateTime::currentMSecsSinceEpoch() + 4000;
    std::vector<std::unique_ptr<RecorderProcess>> recorders;
    for (int i = 0; i < 3; ++i)
        recorders.push_back(std::make_unique<RecorderProcess>(QStringLiteral("record"), options));
    QStringList files;
    for (auto& recorder : recorders) {
        const std::optional<QString> file = recorder->WaitForLine(QStringLiteral("recording "));
        ASSERT_TRUE(file && !file->isEmpty()) << "Record did not start";
        files << *file;
    }
    // From the first sound on (a sound server may take a while to hand out the first).
    for (const QString& file : files)
        ASSERT_TRUE(WaitForAudio(file, 4)) << "no sound reached " << file.toStdString();
    std::srand(unsigned(QDateTime::currentMSecsSinceEpoch()));
    QStringList cutOff;
    int waited = 0;
    for (std::size_t i = 0; i < recorders.size(); ++i) {
        // Right away, then at random moments within the next seconds.
        const int at = i == 0 ? 0 : std::rand() % 2500;
        QThread::msleep(std::max(0, at - waited));
        waited = std::max(waited, at);
        recorders[i]->Signal(SIGKILL);
        ASSERT_TRUE(recorders[i]->WaitForExit().crashed);
        const Bytes wav = ReadWholeFile(files[int(i)]);
        const WavLayout::THeader layout = Layout(wav);
        ASSERT_TRUE(layout.found) << "no header after " << at << " ms";
        ASSERT_GE(layout.AudioBytesInFile(), layout.format.blockAlign);
        // The provisional header claims a second ahead; only when the audio had just reached
        // the claim is the file exact as it is.
        if (!layout.ClaimsFit()) cutOff << files[int(i)];
    }
    ASSERT_FALSE(cutOff.isEmpty());
    cutOff.sort();

    RecorderProcess restarted(QString(), options);
    const std::optional<QString> message = restarted.WaitForLine(QStringLiteral("message "));
    ASSERT_TRUE(message) << "nobody was told";
    EXPECT_EQ((QStringLiteral("Diese Aufnahmen waren durch einen Absturz, ein erzwungenes "
                              "Beenden oder einen Stromausfall abgebrochen und wurden "
                              "vervollständigt; jede behält ihren Ton bis zur Stelle des "
                              "Abbruchs:\\n") +
               cutOff.join(QStringLiteral("\\n")))
                  .toStdString(),
              message->toStdString());
    const QStringList left = QDir(restarted.RecordingsFolder()).entryList(QDir::Files);
    EXPECT_EQ(files.size(), left.size()) << left.join(u'|').toStdString();
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        const Bytes wav = ReadWholeFile(file);
        ExpectComplete(wav);
        EXPECT_EQ(0u, (wav.size() - Layout(wav).dataAt) % Layout(wav).format.blockAlign);
        const QString info = SndfileInfo(file);
        EXPECT_FALSE(info.contains(QLatin1String("should be")) || info.contains(u'*') ||
                     info.contains(QLatin1String("arning")))
            << info.toStdString();
    }
}

// Two programs sharing a home press Record in the same second: two names, two files, each
// complete and holding its own recording.
TEST_F(ProgramTest, TwoRecordersStartingInTheSameSecondWriteTwoCompleteFiles) {
    TempFolder home("hymnaro-two");
    RecorderProcess::Options options;
    options.home = QString::fromStdString(home.Path());
    // Just after a whole second some time ahead, so both start up first.
    options.driveAt = (QDateTime::currentMSecsSinceEpoch() / 1000 + 6) * 1000 + 100;
    RecorderProcess first(QStringLiteral("record"), options),
        second(QStringLiteral("record"), options);
    const std::optional<QString> a = first.WaitForLine(QStringLiteral("recording "));
    const std::optional<QString> b = second.WaitForLine(QStringLiteral("recording "));
    ASSERT_TRUE(a && b && !a->isEmpty() && !b->isEmpty());
    // The same second: one name is the other's with " (2)".
    const QString& plain = a->size() < b->size() ? *a : *b;
    const QString& numbered = a->size() < b->size() ? *b : *a;
    EXPECT_EQ((plain.chopped(4) + QStringLiteral(" (2).wav")).toStdString(),
              numbered.toStdString());
    ASSERT_TRUE(WaitForAudio(*a, 48000 * 4) && WaitForAudio(*b, 48000 * 4));
    first.Signal(SIGTERM);
    second.Signal(SIGTERM);
    ASSERT_TRUE(first.WaitForExit().ended && second.WaitForExit().ended);
    EXPECT_TRUE(first.Messages().isEmpty()) << first.Messages().join(u'|').toStdString();
    EXPECT_TRUE(second.Messages().isEmpty()) << second.Messages().join(u'|').toStdString();
    for (const QString& file : {*a, *b}) {
        SCOPED_TRACE(file.toStdString());
        const Bytes wav = ReadWholeFile(file);
        ExpectComplete(wav);
        EXPECT_GE(wav.size(), 46u + 48000u * 4);
    }
}

// What saves that were killed midway left beside the settings and the registry files goes at
// the next start; what a running process is writing stays.
TEST_F(ProgramTest, TemporaryFilesOfKilledSavesAreRemovedAtTheNextStart) {
    TempFolder home("hymnaro-leftovers");
    RecorderProcess::Options options;
    options.home = QString::fromStdString(home.Path());
    const QString settings = options.home + QStringLiteral("/.config/Hymnaro/Audio Recorder/");
    const QString data = options.home + QStringLiteral("/.local/share/Hymnaro/");
    ASSERT_TRUE(QDir().mkpath(settings) && QDir().mkpath(data));
    const pid_t gone = fork();
    if (gone == 0) _exit(0);
    ASSERT_GT(gone, 0);
    ASSERT_EQ(gone, waitpid(gone, nullptr, 0));
    const QString dead = QString::number(gone);
    const QString alive = QString::number(QCoreApplication::applicationPid());
    const QStringList stale{settings + "AudioRecorder.cfg.tmp-" + dead + "-0",
                            data + "registry.reg.tmp-" + dead + "-7"};
    const QStringList kept{settings + "AudioRecorder.cfg.tmp-" + alive + "-0",
                           data + "registry.reg.tmp-" + alive + "-1",
                           settings + "AudioRecorder.cfg.old", data + "registry.reg.backup"};
    for (const QString& path : stale + kept) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("half a save");
    }

    RecorderProcess recorder(QString(), options);
    ASSERT_TRUE(recorder.WaitForLine(QStringLiteral("ready")));
    for (const QString& path : stale)
        EXPECT_FALSE(QFile::exists(path)) << path.toStdString();
    for (const QString& path : kept)
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
}

// ---- start-up ------------------------------------------------------------------------------

// The inputs are listed at the first Start or Setup: the window shows without asking ALSA's
// devices or the sound server (neither libpulse nor an ALSA plugin of the server is loaded).
TEST_F(ProgramTest, TheWindowShowsWithoutListingTheInputs) {
    auto soundLibraries = [](const RecorderProcess& program) {
        const QStringList loaded = program.LoadedLibraries();
        return (loaded.filter(QStringLiteral("pulse")) +
                loaded.filter(QStringLiteral("libasound_module_pcm_")))
            .join(u' ')
            .toStdString();
    };
    RecorderProcess recorder(QString{});
    ASSERT_TRUE(recorder.WaitForLine(QStringLiteral("ready")));
    ASSERT_TRUE(recorder.LoadedLibraries().contains(QStringLiteral("libhymnaro_media.so")));
    EXPECT_EQ("", soundLibraries(recorder));

    // Start opens the input through the server's ALSA plugin (pulse or pipewire).
    RecorderProcess recording(QStringLiteral("record"));
    ASSERT_TRUE(recording.WaitForLine(QStringLiteral("ready")));
    EXPECT_THAT(soundLibraries(recording), testing::HasSubstr("libasound_module_pcm_"));
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
