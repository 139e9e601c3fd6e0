// Pause and Resume in the main window, through the real graph, from a scripted device that
// hands out a known pattern: three periods at once, then half a period it holds (as a device
// holds what it captured since its last period), then two more periods. Pausing takes what the
// device holds and stops it: the file stays open and does not grow; resuming goes on in the
// same file with the next byte of the pattern, so the file's audio is the pattern without a gap
// or a repeat. Stop and Start while paused complete the file with an exact header.
#include "PacedCapture.h"
#include "ScriptedRecorder.h"

#include "app/Main.h"
#include "app/dm_Recording.h"
#include "app/languages/TLangDispatcher.h"
#include "capture/TDXShowCaptureAudio.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QTest>

#include <gmock/gmock.h>

namespace {
using Step = ScriptedStream::Step;

class RecordingPause : public ScriptedRecorder {
protected:
    void SetUp() override {
        backend->makeStream = [this] {
            auto stream = std::make_unique<ScriptedStream>(
                48000, 2, Period, 48000,
                std::deque<Step>{Step{long(Period) * 3}, Step{long(Period) / 2, false, true},
                                 Step{long(Period) * 2}});
            waiting = stream->waiting;
            return stream;
        };
        ScriptedRecorder::SetUp();
    }

    // Records until the device has handed out its first three periods and waits on the half
    // it holds; answers the file.
    QString RecordUntilTheDeviceHolds() {
        Form1->btnRecord->trigger();
        const QString file = Form1->lblFileName->text();
        EXPECT_FALSE(file.isEmpty());
        EXPECT_TRUE(WaitFor(
            [&] { return RecordedBytes(file.toStdString()) == 3 * PeriodBytes && *waiting; },
            20000));
        return file;
    }
    TRecordingState State() const { return dmRecording->State(); }

    std::shared_ptr<std::atomic<bool>> waiting = std::make_shared<std::atomic<bool>>(false);
};

TEST_F(RecordingPause, PauseHoldsTheFileAndResumeGoesOnWithoutAGapOrARepeat) {
    const QString file = RecordUntilTheDeviceHolds();
    ASSERT_FALSE(HasFailure());

    Form1->btnPause->trigger();
    EXPECT_EQ(TRecordingState::Paused, State());
    EXPECT_EQ(GraphStatePaused, dmRecording->DXShowCaptureAudio()->GetGraphState());
    EXPECT_EQ("Fortsetzen", Form1->btnPause->text());
    EXPECT_EQ("Resume (Strg+P)", Form1->btnPause->toolTip());
    EXPECT_EQ(file, Form1->lblFileName->text()) << "the same file goes on";
    // What the device held at the pause belongs to the recording; after it, nothing comes
    // although the device has two more periods ready.
    EXPECT_EQ(3 * PeriodBytes + PeriodBytes / 2, RecordedBytes(file.toStdString()));
    QTest::qWait(300);
    EXPECT_EQ(3 * PeriodBytes + PeriodBytes / 2, RecordedBytes(file.toStdString()));
    // In either language while paused.
    Form1->LangDispatcher1->SetActiveLanguage(LangEnglish);
    EXPECT_EQ("Resume", Form1->btnPause->text());
    Form1->LangDispatcher1->SetActiveLanguage(LangGerman);
    EXPECT_EQ("Fortsetzen", Form1->btnPause->text());

    Form1->btnPause->trigger();
    EXPECT_EQ(TRecordingState::Recording, State());
    EXPECT_EQ("Pause", Form1->btnPause->text());
    ASSERT_TRUE(WaitFor(
        [&] { return RecordedBytes(file.toStdString()) >= 5 * PeriodBytes + PeriodBytes / 2; },
        20000));
    Form1->btnStop->trigger();

    const WavFile wav = ReadWav(file.toStdString());
    ASSERT_TRUE(wav.complete) << wav.problem;
    EXPECT_EQ(5 * PeriodBytes + PeriodBytes / 2, wav.data.size());
    EXPECT_TRUE(wav.data == Pattern(5 * PeriodBytes + PeriodBytes / 2)) << "a gap or a repeat";
    EXPECT_EQ(1, backend->opens) << "the device stayed open through the pause";
    EXPECT_TRUE(shown.Messages().isEmpty()) << shown.Messages().join(u'|').toStdString();
}

struct EndWhilePausedCase {
    const char* name;
    bool start; // Record again instead of Stop
};

class EndWhilePaused : public RecordingPause,
                       public testing::WithParamInterface<EndWhilePausedCase> {};

TEST_P(EndWhilePaused, CompletesTheFileWithAnExactHeader) {
    const QString file = RecordUntilTheDeviceHolds();
    ASSERT_FALSE(HasFailure());
    Form1->btnPause->trigger();
    ASSERT_EQ(TRecordingState::Paused, State());

    if (GetParam().start)
        Form1->btnRecord->trigger();
    else
        Form1->btnStop->trigger();

    const WavFile wav = ReadWav(file.toStdString());
    ASSERT_TRUE(wav.complete) << wav.problem; // RIFF and data sizes agree with the file
    EXPECT_TRUE(wav.data == Pattern(3 * PeriodBytes + PeriodBytes / 2));
    EXPECT_EQ("Pause", Form1->btnPause->text());
    if (GetParam().start) {
        EXPECT_EQ(TRecordingState::Recording, State());
        const QString second = Form1->lblFileName->text();
        EXPECT_NE(file, second);
        ASSERT_TRUE(WaitFor([&] { return RecordedBytes(second.toStdString()) > 0; }, 20000));
        Form1->btnStop->trigger();
        EXPECT_TRUE(ReadWav(second.toStdString()).complete);
        EXPECT_EQ(2, QDir(folder).entryList(QDir::Files).size());
    } else {
        EXPECT_EQ(TRecordingState::Stopped, State());
        EXPECT_EQ("", Form1->lblFileName->text());
        EXPECT_EQ(1, QDir(folder).entryList(QDir::Files).size());
    }
    EXPECT_TRUE(shown.Messages().isEmpty()) << shown.Messages().join(u'|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Commands, EndWhilePaused,
                         testing::Values(EndWhilePausedCase{"Stop", false},
                                         EndWhilePausedCase{"Record", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordingPause, ClosingTheWindowWhilePausedCompletesTheFile) {
    const QString file = RecordUntilTheDeviceHolds();
    ASSERT_FALSE(HasFailure());
    Form1->btnPause->trigger();
    Form1->close();
    EXPECT_EQ(TRecordingState::Stopped, State());
    const WavFile wav = ReadWav(file.toStdString());
    ASSERT_TRUE(wav.complete) << wav.problem;
    EXPECT_TRUE(wav.data == Pattern(3 * PeriodBytes + PeriodBytes / 2));
}
} // namespace
