// 500 times Record and Stop in the main window over the paced test device, each recording
// stopped once its file holds a fixed number of bytes. Every file must be complete and hold the
// device's bytes, and the process must not gain open files or threads; memory that is never
// freed is LeakSanitizer's to find when the process ends.
#include "AppTestSupport.h"
#include "PacedCapture.h"

#include "app/HMAudioRecorder.h"
#include "app/Main.h"
#include "settings/TIniData.h"
#include "settings/u_Config.h"
#include "support/Pulse.h"

#include <QAction>
#include <QFile>
#include <QLabel>

#include <gmock/gmock.h>

#include <filesystem>

namespace {
constexpr int Cycles = 500;
// After these the process has what it keeps for good (the sound server's connection pieces,
// the caches of ALSA's configuration).
constexpr int WarmUpCycles = 5;
// 50 ms of the device's sound: the daemon hands out more than that at once.
constexpr std::size_t StopAfterBytes = 9600;

int Entries(const char* folder) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}
int OpenFiles() {
    return Entries("/proc/self/fd");
}
int Threads() {
    return Entries("/proc/self/task");
}

class RecordingSoak : public testing::Test {
protected:
    void SetUp() override {
        if (!RequirePulse()) return;
        PacedCapture::Install();
        ASSERT_TRUE(program.Start());
        IniData->SetFolderForRecordings(
            NewTestFolder(QStringLiteral("recordings")).toStdU16String());
    }
    void TearDown() override { program.Finish(); }

    TShownMessages shown;
    THMAudioRecorder program;
};

TEST_F(RecordingSoak, EveryFileIsCompleteAndNothingPilesUp) {
    int openFiles = 0;
    int threads = 0;
    for (int cycle = 0; cycle < Cycles; ++cycle) {
        SCOPED_TRACE(cycle);
        Form1->btnRecord->trigger();
        const QString file = Form1->lblFileName->text();
        ASSERT_FALSE(file.isEmpty());
        ASSERT_TRUE(
            WaitFor([&] { return RecordedBytes(file.toStdString()) >= StopAfterBytes; }, 20000));
        Form1->btnStop->trigger();
        ASSERT_TRUE(shown.Messages().isEmpty()) << shown.Messages().join(u'|').toStdString();
        const WavFile wav = ReadWav(file.toStdString());
        ASSERT_TRUE(wav.complete) << wav.problem;
        ASSERT_GE(wav.data.size(), StopAfterBytes);
        ASSERT_TRUE(IsInputPrefix(wav.data));
        QFile::remove(file);
        if (cycle == WarmUpCycles - 1) {
            openFiles = OpenFiles();
            threads = Threads();
        }
    }
    // A thread that has been joined may stay listed for a moment.
    EXPECT_TRUE(WaitFor([&] { return OpenFiles() <= openFiles && Threads() <= threads; }, 2000))
        << "open files " << openFiles << " -> " << OpenFiles() << ", threads " << threads << " -> "
        << Threads();
}
} // namespace
