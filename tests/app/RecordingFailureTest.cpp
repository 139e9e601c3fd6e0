// Recordings in the main window that the platform ends: the audio input device vanishes, or the
// file may not grow any more (a file size limit refuses the write as a full disk would). The
// real graph records a scripted device that hands out known bytes at once, so the file must
// hold exactly what was written before the failure, with a header that says so.
#include "PacedCapture.h"
#include "ScriptedRecorder.h"

#include "app/Main.h"
#include "app/dm_Recording.h"
#include "capture/TDXShowCaptureAudio.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>

#include <gmock/gmock.h>

#include <cerrno>
#include <optional>

using testing::ElementsAre;

namespace {
struct FailureCase {
    const char* name;
    std::deque<ScriptedStream::Step> script;
    std::size_t fileSizeLimit; // 0: none
    const char* message;
};

class RecordingFailure : public ScriptedRecorder, public testing::WithParamInterface<FailureCase> {
protected:
    void SetUp() override {
        backend->makeStream = [this] {
            return std::make_unique<ScriptedStream>(48000, 2, Period, 48000, GetParam().script);
        };
        ScriptedRecorder::SetUp();
    }
};

TEST_P(RecordingFailure, EndsTheRecordingWithTheFileCompleteToItsLastSampleAndSaysWhy) {
    const FailureCase& c = GetParam();
    std::optional<FileSizeLimit> limit;
    if (c.fileSizeLimit) limit.emplace(c.fileSizeLimit);
    Form1->btnRecord->trigger();
    const QString file = Form1->lblFileName->text();
    ASSERT_FALSE(file.isEmpty());
    ASSERT_TRUE(WaitFor([&] { return !shown.Messages().isEmpty(); }, 20000));
    limit.reset();

    EXPECT_THAT(shown.Messages(),
                ElementsAre(QString::fromUtf8(c.message).replace(QStringLiteral("<file>"), file)));
    EXPECT_EQ("", Form1->lblFileName->text());
    EXPECT_FALSE(dmRecording->DXShowCaptureAudio()->IsRunning());
    const WavFile wav = ReadWav(file.toStdString());
    ASSERT_TRUE(wav.complete) << wav.problem;
    const Bytes expected = Pattern(3 * PeriodBytes);
    EXPECT_EQ(expected.size(), wav.data.size());
    EXPECT_TRUE(wav.data == expected);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, RecordingFailure,
    testing::Values(
        FailureCase{"DeviceVanishes",
                    {ScriptedStream::Step{long(Period) * 3}, ScriptedStream::Step{-ENODEV}},
                    0,
                    "Die Aufnahme wurde beendet, weil der Audio-Eingang „Scripted device“ "
                    "nicht mehr verfügbar ist. Die Datei „<file>“ enthält alles bis dahin "
                    "Aufgenommene.\nSchließen Sie den Eingang wieder an und drücken Sie dann "
                    "„Start“."},
        // Room for the header and three and a half samples: the fourth is refused.
        FailureCase{"FileMayNotGrow",
                    {ScriptedStream::Step{long(Period) * 10}},
                    HeaderBytes + 3 * PeriodBytes + PeriodBytes / 2,
                    "Die Aufnahme wurde beendet, weil die Datei „<file>“ ihre größtmögliche "
                    "Größe erreicht hat (eine WAV-Datei fasst höchstens 4 GiB). Die Datei "
                    "enthält alles bis dahin Aufgenommene.\nDrücken Sie „Start“, um in einer "
                    "neuen Datei weiter aufzunehmen."}),
    [](const auto& info) { return std::string(info.param.name); });

// A device that another program holds cannot be opened when the graph starts; the file writer
// has made the file by then, and stopping gives it a header, but it holds no audio.
class RecordingNotStarted : public ScriptedRecorder {
protected:
    void SetUp() override {
        backend->openError = -EBUSY;
        ScriptedRecorder::SetUp();
    }
};

TEST_F(RecordingNotStarted, ABusyDeviceIsToldAndLeavesNoEmptyRecordingBehind) {
    Form1->btnRecord->trigger();
    EXPECT_THAT(shown.Messages(),
                ElementsAre("Der Audio-Eingang „Scripted device“ wird gerade von einem anderen "
                            "Programm benutzt.\nBeenden Sie die Aufnahme im anderen Programm und "
                            "drücken Sie dann erneut „Start“."));
    ASSERT_EQ(1, shown.Shown().size());
    EXPECT_EQ("The resource is in use. ($800700AA).", shown.Shown()[0].Details);
    EXPECT_EQ("", Form1->lblFileName->text());
    EXPECT_EQ(1, backend->opens);
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty())
        << QDir(folder).entryList(QDir::Files).join(u'|').toStdString();
}

// ---- where a recording goes -------------------------------------------------------------------

class RecordingFiles : public ScriptedRecorder {
protected:
    void SetUp() override {
        backend->makeStream = [] {
            return std::make_unique<ScriptedStream>(48000, 2, Period, 48000,
                                                    std::deque{ScriptedStream::Step{5 * Period}});
        };
        ScriptedRecorder::SetUp();
        outside = NewTestFolder(QStringLiteral("outside"));
        victim = outside + QStringLiteral("/victim");
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(victimBytes);
    }
    QStringList Outside() const {
        return QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    }
    QByteArray Victim() const {
        QFile file(victim);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString outside, victim;
    const QByteArray victimBytes = QByteArray("a file of somebody else's, which must stay as it is");
};

// A folder value that no file name can hold (as a settings file can give it) reaches no file:
// a NUL would cut the name at the victim, a lone surrogate would become another character.
TEST_F(RecordingFiles, AFolderNoFileNameCanHoldIsRefusedBeforeAnythingIsOpened) {
    const struct {
        const char* name;
        WideString folder;
        QString shown;
    } cases[] = {
        {"NUL", victim.toStdU16String() + u'\0' + u"x", victim + QStringLiteral("\u2400x")},
        {"lone surrogate", (outside + QStringLiteral("/rec")).toStdU16String() + u'\xD800',
         outside + QStringLiteral("/rec\uFFFD")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        IniData->SetFolderForRecordings(c.folder);
        Form1->btnRecord->trigger();
        ASSERT_EQ(1, shown.Messages().size());
        EXPECT_EQ(QStringLiteral("Der Ordner für Aufnahmen „%1“ kann nicht verwendet werden: "
                                 "Sein Name enthält ein Zeichen, das kein Dateiname enthalten "
                                 "kann.\nWählen Sie unter „Optionen“ einen anderen Ordner.")
                      .arg(c.shown),
                  shown.Messages().front());
        EXPECT_EQ("", Form1->lblFileName->text());
        EXPECT_EQ(0, backend->opens);
        EXPECT_EQ(QStringList{QStringLiteral("victim")}, Outside());
        EXPECT_EQ(victimBytes, Victim());
        shown.Clear();
    }
}

// Links named like the next recording, one to a file elsewhere and one leading nowhere, are
// names taken: the recording goes to the next free name in the folder.
TEST_F(RecordingFiles, ALinkNamedLikeTheNextRecordingIsNeverFollowed) {
    const QDateTime moment({2024, 3, 3}, {14, 5, 9});
    dmRecording->SetClock([moment] { return moment; });
    const QString stem = folder + QStringLiteral("/2024-03-03 14-05-09");
    ASSERT_TRUE(QFile::link(outside + QStringLiteral("/made-through-a-link"), stem + ".wav"));
    ASSERT_TRUE(QFile::link(victim, stem + " (2).wav"));

    Form1->btnRecord->trigger();
    EXPECT_TRUE(shown.Messages().isEmpty()) << shown.Messages().join(u'|').toStdString();
    EXPECT_EQ(stem + " (3).wav", Form1->lblFileName->text());
    ASSERT_TRUE(WaitFor([&] {
        return QFile(stem + " (3).wav").size() >= qint64(HeaderBytes + 5 * PeriodBytes);
    }));
    Form1->btnStop->trigger();

    EXPECT_EQ(QStringList{QStringLiteral("victim")}, Outside());
    EXPECT_EQ(victimBytes, Victim());
    const WavFile wav = ReadWav((stem + " (3).wav").toStdString());
    ASSERT_TRUE(wav.complete) << wav.problem;
    EXPECT_EQ(5 * PeriodBytes, wav.data.size());
}

// A recording that never got a frame of audio leaves no file: the file may not grow at all (as
// on a full disk), or Stop comes before the device gave anything.
TEST_F(RecordingFiles, ARecordingWithoutAudioLeavesNoFile) {
    {
        FileSizeLimit limit(10);
        Form1->btnRecord->trigger();
        ASSERT_TRUE(WaitFor([&] { return !shown.Messages().isEmpty(); }));
    }
    EXPECT_EQ("", Form1->lblFileName->text());
    EXPECT_TRUE(QDir(folder).isEmpty()) << QDir(folder).entryList().join(u'|').toStdString();

    backend->makeStream = [] {
        return std::make_unique<ScriptedStream>(48000, 2, Period, 48000,
                                                std::deque<ScriptedStream::Step>{});
    };
    Form1->btnRecord->trigger();
    ASSERT_FALSE(Form1->lblFileName->text().isEmpty());
    Form1->btnStop->trigger();
    EXPECT_TRUE(QDir(folder).isEmpty()) << QDir(folder).entryList().join(u'|').toStdString();
}
} // namespace
