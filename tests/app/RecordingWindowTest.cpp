// Record and Stop in the program's main window, on the offscreen platform, with the paced test
// device as the default capture device: the WAV file a click leaves, and the message of each
// way a recording can fail.
#include "AppTestSupport.h"
#include "CaptureFakes.h"
#include "PacedCapture.h"

#include "app/HMAudioRecorder.h"
#include "app/Main.h"
#include "app/TRecordingPanel.h"
#include "app/TRecordingStatus.h"
#include "app/dm_Recording.h"
#include "capture/EDShowError.h"
#include "capture/TDXShowCaptureAudio.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/ClassTable.h"
#include "settings/TIniData.h"
#include "settings/u_Config.h"
#include "support/Pulse.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTest>

#include <gmock/gmock.h>

using testing::ElementsAre;

namespace {
// The controller the program makes, on a graph the test can send events through, with ways
// to fail Stop (the graph stops all the same), Pause and Play (the graph stays as it was).
class TestCapture : public TDXShowCaptureAudio {
public:
    TestCapture(QObject* owner, ComPtr<SplicedGraph> graph)
        : TDXShowCaptureAudio(owner, graph->Factory()), graph_(std::move(graph)) {}
    HRESULT Stop() override {
        const HRESULT hr = TDXShowCaptureAudio::Stop();
        return failStop ? STG_E_MEDIUMFULL : hr;
    }
    HRESULT Pause() override { return failPause ? E_FAIL : TDXShowCaptureAudio::Pause(); }
    HRESULT Play() override { return failPlay ? E_FAIL : TDXShowCaptureAudio::Play(); }
    void SendGraphEvent(LONG code, LONG_PTR param1) { graph_->SendGraphEvent(code, param1); }
    bool failStop = false;
    bool failPause = false;
    bool failPlay = false;

private:
    ComPtr<SplicedGraph> graph_;
};

class RecordingWindow : public testing::Test {
protected:
    void SetUp() override {
        if (!RequirePulse()) return;
        PacedCapture::Install();
        previousFactory = TdmRecording::SetControllerFactory([this](QObject* owner) {
            if (failCreation)
                throw EDShowError(E_FAIL, "Could not create the filter graph manager");
            capture = new TestCapture(owner, MakeCounted<SplicedGraph>());
            return capture;
        });
    }
    void TearDown() override {
        program.Finish();
        TdmRecording::SetControllerFactory(previousFactory);
    }

    // Starts the program as it runs, recording into a fresh folder that does not exist yet.
    void Start() {
        ASSERT_TRUE(program.Start());
        folder = NewTestFolder(QStringLiteral("recordings")) + QStringLiteral("/Audio");
        IniData->SetFolderForRecordings(folder.toStdU16String());
    }
    QStringList Files() const {
        return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    }
    // Processes events until the recording has data (a loaded machine may be slow to start).
    static void RecordSome(const QString& file, std::size_t bytes = 11025) {
        ASSERT_TRUE(WaitFor([&] { return RecordedBytes(file.toStdString()) >= bytes; }, 20000))
            << file.toStdString();
    }
    static QString NameAt(const QDateTime& moment) {
        return moment.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")) + QStringLiteral(".wav");
    }

    TdmRecording::TControllerFactory previousFactory;
    bool failCreation = false;
    TestCapture* capture = nullptr;
    TShownMessages shown;
    THMAudioRecorder program;
    QString folder;
};

TEST_F(RecordingWindow, RecordWaitStopLeavesACompleteWavNamedAfterTheClick) {
    Start();
    const QDateTime before = QDateTime::currentDateTime();
    Form1->btnRecord->trigger();
    const QDateTime after = QDateTime::currentDateTime();
    ASSERT_EQ(1, Files().size());
    const QString name = Files().front();
    EXPECT_THAT((QStringList{NameAt(before), NameAt(after)}), testing::Contains(name));
    EXPECT_EQ(folder + u'/' + name, Form1->lblFileName->text());

    RecordSome(folder + u'/' + name, 88200);
    Form1->btnStop->trigger();
    EXPECT_EQ("", Form1->lblFileName->text());
    const WavFile wav = ReadWav((folder + u'/' + name).toStdString());
    ASSERT_TRUE(wav.complete) << wav.problem;
    EXPECT_GT(wav.data.size(), 44100u);
    EXPECT_TRUE(IsInputPrefix(wav.data));
    EXPECT_TRUE(shown.Messages().isEmpty()) << shown.Messages().join(u'|').toStdString();
}

// The format chosen in Setup: its destination filter writes the file, its extension names it;
// a stored value this version does not know records WAV and the data module says so.
TEST_F(RecordingWindow, RecordsInTheChosenFormat) {
    struct FormatCase {
        const char16_t* setting;
        const char* extension;
        const char* check; // the command that must accept the file; empty: read as WAV
        const char16_t* unknown;
    };
    const FormatCase cases[] = {
        {u"FLAC", ".flac", "flac -d -s -f -c --force-raw-format --endian=little --sign=signed",
         u""},
        {u"Opus", ".opus", "opusinfo", u""},
        {u"MP3", ".wav", "", u"MP3"},
    };
    Start();
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.extension);
        IniData->SetRecordingFormat(c.setting);
        Form1->btnRecord->trigger();
        const QString file = Form1->lblFileName->text();
        EXPECT_TRUE(file.endsWith(QLatin1String(c.extension))) << file.toStdString();
        EXPECT_EQ(c.unknown, dmRecording->UnknownFormat());
        RecordSome(file, 44100);
        // The status counts what the encoder took and the file grew by, and the panel names a
        // format it could not use.
        const TRecordingStatus status = dmRecording->Status();
        EXPECT_GT(status.ElapsedMs, 0);
        EXPECT_GT(status.SoundBytes, 0u);
        EXPECT_TRUE(status.RoomLeftSeconds.has_value());
        EXPECT_EQ(*c.unknown != 0, Form1->RecordingPanel1->lblInput->text().contains(
                                       QStringLiteral("„MP3“ ist unbekannt")));
        Form1->btnStop->trigger();
        if (!*c.check) {
            const WavFile wav = ReadWav(file.toStdString());
            EXPECT_TRUE(wav.complete) << wav.problem;
            EXPECT_TRUE(IsInputPrefix(wav.data));
            continue;
        }
        QProcess tool;
        QStringList arguments = QString::fromUtf8(c.check).split(u' ');
        const QString program = arguments.takeFirst();
        tool.start(program, arguments << file);
        ASSERT_TRUE(tool.waitForFinished(20000));
        EXPECT_EQ(0, tool.exitCode()) << tool.readAllStandardError().toStdString();
        // FLAC is lossless: what it decodes to is what the device delivered.
        const QByteArray decoded = tool.readAllStandardOutput();
        if (c.extension == std::string_view(".flac"))
            EXPECT_TRUE(IsInputPrefix(Bytes(decoded.begin(), decoded.end())));
    }
    EXPECT_TRUE(shown.Messages().isEmpty()) << shown.Messages().join(u'|').toStdString();
}

TEST_F(RecordingWindow, ClosingTheMainWindowCompletesTheRecordingFirst) {
    Start();
    Form1->btnRecord->trigger();
    const QString file = Form1->lblFileName->text();
    RecordSome(file);
    Form1->close();
    EXPECT_FALSE(capture->IsRunning());
    const WavFile wav = ReadWav(file.toStdString()); // complete before shutdown goes on
    EXPECT_TRUE(wav.complete) << wav.problem;
    EXPECT_TRUE(IsInputPrefix(wav.data));
    EXPECT_TRUE(shown.Messages().isEmpty());
}

TEST_F(RecordingWindow, WithoutAControllerRecordAndStopAreRefused) {
    failCreation = true;
    Start();
    ASSERT_EQ(nullptr, dmRecording->DXShowCaptureAudio());
    Form1->btnRecord->trigger();
    Form1->btnStop->trigger();
    ASSERT_EQ(3, shown.Messages().size());
    EXPECT_THAT(shown.Messages()[0].toStdString(),
                testing::StartsWith("Die Audioaufnahme konnte nicht vorbereitet werden"));
    EXPECT_EQ("Could not create the filter graph manager", shown.Shown()[0].Details);
    const QString refused = QStringLiteral(
        "Aufnehmen ist nicht möglich: Die Audioaufnahme konnte beim Programmstart nicht "
        "vorbereitet werden.\nBeenden Sie das Programm und starten Sie es erneut.");
    EXPECT_EQ(refused, shown.Messages()[1]);
    EXPECT_EQ(refused, shown.Messages()[2]);
    EXPECT_EQ("", Form1->lblFileName->text());
    EXPECT_TRUE(Files().isEmpty());
}

TEST_F(RecordingWindow, NoDeviceAtRecordIsToldAfterLookingAgain) {
    FakeDeviceSet devices;
    FakeDeviceEnumScope scope(devices);
    Start();
    ASSERT_EQ(0, devices.enumerations) << "listed at the first Start, not before the window";
    Form1->btnRecord->trigger();
    EXPECT_EQ(1, devices.enumerations);
    EXPECT_THAT(shown.Messages(), ElementsAre("Kein Audio-Eingang gefunden. Ist ein Mikrofon "
                                              "angeschlossen und läuft der Sound-Server?"));
    EXPECT_EQ("", Form1->lblFileName->text());
    EXPECT_TRUE(Files().isEmpty());

    // A device plugged in since then is found; this one cannot be bound, so the graph does not
    // run: one message naming the input, the formatted error in its details, the label
    // cleared, no headerless file left.
    devices.devices = {{{{u"FriendlyName", u"Broken"}, {u"DevicePath", u"broken"}}, S_OK, E_FAIL}};
    Form1->btnRecord->trigger();
    EXPECT_EQ(2, devices.enumerations) << "an empty list is listed again at Start";
    ASSERT_EQ(2, shown.Messages().size());
    EXPECT_EQ("Der Audio-Eingang „Broken“ kann nicht geöffnet werden.\nPrüfen Sie, ob er "
              "angeschlossen ist und der Sound-Server läuft, und drücken Sie dann erneut „Start“.",
              shown.Messages()[1]);
    EXPECT_EQ("TDXShowCapture->BindToObject Reason: The operation failed. ($80004005).",
              shown.Shown()[1].Details);
    EXPECT_EQ("", Form1->lblFileName->text());
    EXPECT_TRUE(Files().isEmpty()) << Files().join(u'|').toStdString();
}

TEST_F(RecordingWindow, ARaisedErrorReachesTheDisplayOnce) {
    Start();
    ASSERT_TRUE(CoRevokeClassCreator(CLSID_FileWriter));
    Form1->btnRecord->trigger();
    RestorePlatformClasses();
    ASSERT_EQ(1, shown.Messages().size());
    EXPECT_THAT(shown.Messages()[0].toStdString(),
                testing::StartsWith("Die Aufnahme konnte nicht gestartet werden, weil ein Teil"));
    EXPECT_EQ("Could not create FileWriter Reason: The class is not registered. ($80040154).",
              shown.Shown()[0].Details);
    EXPECT_EQ("", Form1->lblFileName->text());
    EXPECT_FALSE(capture->IsRunning());
}

// A file where the folder for recordings should be: nothing is started, and the message names
// the folder and the file in its way.
TEST_F(RecordingWindow, AFolderThatCannotBeCreatedIsNamedWithWhatIsInItsWay) {
    Start();
    const QString blocker = NewTestFolder(QStringLiteral("blocked")) + QStringLiteral("/file");
    QFile(blocker).open(QIODevice::WriteOnly);
    const QString wanted = blocker + QStringLiteral("/Audio");
    IniData->SetFolderForRecordings(wanted.toStdU16String());
    Form1->btnRecord->trigger();
    ASSERT_EQ(1, shown.Messages().size());
    EXPECT_EQ("Der Ordner für Aufnahmen „" + wanted + "“ kann nicht erstellt werden, weil „" +
                  blocker +
                  "“ eine Datei und kein Ordner ist.\nWählen Sie unter „Optionen“ "
                  "einen anderen Ordner oder verschieben Sie die Datei.",
              shown.Messages()[0]);
    EXPECT_EQ("mkdir: File exists (errno 17)", shown.Shown()[0].Details);
    EXPECT_EQ("", Form1->lblFileName->text());
    EXPECT_FALSE(capture->IsRunning());
}

TEST_F(RecordingWindow, AFailedStopIsShownWithItsReason) {
    Start();
    Form1->btnRecord->trigger();
    RecordSome(Form1->lblFileName->text());
    capture->failStop = true;
    const QString file = Form1->lblFileName->text();
    Form1->btnStop->trigger();
    ASSERT_EQ(1, shown.Messages().size());
    EXPECT_EQ("Die Aufnahme „" + file +
                  "“ konnte nicht abgeschlossen werden: Die Datei enthält "
                  "den Ton, aber ihr Kopf gibt womöglich nicht die ganze Länge an.\nPrüfen Sie, ob "
                  "auf dem Datenträger Platz ist und ob er noch angeschlossen ist.",
              shown.Messages()[0]);
    EXPECT_EQ("There is not enough space on the disk. ($80030070).", shown.Shown()[0].Details);
    EXPECT_EQ("", Form1->lblFileName->text());
    capture->failStop = false;
}

TEST_F(RecordingWindow, RecordWhileRecordingTellsWhenTheFirstFileCannotBeCompleted) {
    Start();
    Form1->btnRecord->trigger();
    const QString first = Form1->lblFileName->text();
    RecordSome(first);
    capture->failStop = true;
    Form1->btnRecord->trigger();
    capture->failStop = false;
    ASSERT_EQ(1, shown.Messages().size());
    EXPECT_THAT(shown.Messages()[0].toStdString(),
                testing::StartsWith("Die Aufnahme „" + first.toStdString() +
                                    "“ konnte nicht abgeschlossen werden"));
    // The new recording starts all the same.
    EXPECT_NE(first, Form1->lblFileName->text());
    EXPECT_TRUE(capture->IsRunning());
    RecordSome(Form1->lblFileName->text());
    Form1->btnStop->trigger();
    EXPECT_TRUE(ReadWav(first.toStdString()).complete);
    EXPECT_EQ(2, Files().size());
}

// A Pause or a Resume the graph refuses ends the recording: its file is completed, the user
// told which file it was.
TEST_F(RecordingWindow, APauseOrResumeTheGraphRefusesEndsTheRecordingWithACompleteFile) {
    struct Case {
        const char* name;
        bool pausedFirst;
        const char* message;
    };
    const Case cases[] = {
        {"Pause", false,
         "Die Aufnahme „<file>“ konnte nicht angehalten werden und wurde deshalb beendet. Die "
         "Datei enthält alles bis dahin Aufgenommene.\nDrücken Sie „Start“, um erneut "
         "aufzunehmen."},
        {"Resume", true,
         "Die Aufnahme „<file>“ konnte nicht fortgesetzt werden und wurde deshalb beendet. Die "
         "Datei enthält alles bis zur Pause Aufgenommene.\nPrüfen Sie den Audio-Eingang und "
         "drücken Sie dann „Start“, um erneut aufzunehmen."},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const qsizetype before = shown.Messages().size();
        Form1->btnRecord->trigger();
        const QString file = Form1->lblFileName->text();
        RecordSome(file);
        if (c.pausedFirst) Form1->btnPause->trigger();
        capture->failPause = capture->failPlay = true;
        Form1->btnPause->trigger();
        capture->failPause = capture->failPlay = false;
        ASSERT_EQ(before + 1, shown.Messages().size());
        EXPECT_EQ(QString::fromUtf8(c.message).replace(QStringLiteral("<file>"), file),
                  shown.Messages().back());
        EXPECT_EQ("The operation failed. ($80004005).", shown.Shown().back().Details);
        EXPECT_EQ(TRecordingState::Stopped, dmRecording->State());
        EXPECT_EQ("", Form1->lblFileName->text());
        EXPECT_EQ("Pause", Form1->btnPause->text());
        EXPECT_EQ(GraphStateStopped, capture->GetGraphState());
        const WavFile wav = ReadWav(file.toStdString());
        EXPECT_TRUE(wav.complete) << wav.problem;
        EXPECT_TRUE(IsInputPrefix(wav.data));
    }
}

struct EndCase {
    const char* name;
    LONG code;
    LONG_PTR param1;
    const char* message; // <input> and <file> stand for the input (as Setup names it) and the file
    const char* details;
    bool failStop = false;
};

class RecordingEnds : public RecordingWindow, public testing::WithParamInterface<EndCase> {};

TEST_P(RecordingEnds, TheFileIsCompletedTheLabelClearedAndTheUserTold) {
    const EndCase& c = GetParam();
    Start();
    Form1->btnRecord->trigger();
    const QString file = Form1->lblFileName->text();
    RecordSome(file);
    capture->failStop = c.failStop;
    capture->SendGraphEvent(c.code, c.param1);
    ASSERT_TRUE(WaitFor([&] { return !shown.Messages().isEmpty(); }));
    capture->failStop = false;
    ASSERT_EQ(1, shown.Messages().size());
    EXPECT_EQ(QString::fromUtf8(c.message)
                  .replace(QStringLiteral("<input>"), QStringLiteral("Systemstandard"))
                  .replace(QStringLiteral("<file>"), file),
              shown.Messages()[0]);
    EXPECT_EQ(QString::fromUtf8(c.details), shown.Shown()[0].Details);
    EXPECT_EQ("", Form1->lblFileName->text());
    EXPECT_FALSE(capture->IsRunning());
    const WavFile wav = ReadWav(file.toStdString());
    EXPECT_TRUE(wav.complete) << wav.problem;
    EXPECT_FALSE(wav.data.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Events, RecordingEnds,
    testing::Values(
        EndCase{"ErrorAbort", EC_ERRORABORT, LONG_PTR(E_FAIL),
                "Die Aufnahme wurde wegen eines Fehlers beendet. Die Datei „<file>“ enthält alles "
                "bis dahin Aufgenommene.\nDrücken Sie „Start“, um erneut aufzunehmen.",
                "The operation failed. ($80004005)."},
        EndCase{"DeviceLost", EC_DEVICE_LOST, 0,
                "Die Aufnahme wurde beendet, weil der Audio-Eingang „<input>“ nicht mehr "
                "verfügbar ist. Die Datei „<file>“ enthält alles bis dahin Aufgenommene.\n"
                "Schließen Sie den Eingang wieder an und drücken Sie dann „Start“.",
                ""},
        EndCase{"Complete", EC_COMPLETE, S_OK,
                "Die Aufnahme wurde beendet, weil der Audio-Eingang „<input>“ keinen Ton mehr "
                "liefert. Die Datei „<file>“ enthält alles bis dahin Aufgenommene.\nDrücken Sie "
                "„Start“, um erneut aufzunehmen.",
                ""},
        // The cause, and that the file could not be completed after all.
        EndCase{"StopFails", EC_ERRORABORT, LONG_PTR(HRESULT_FROM_WIN32(ERROR_DISK_FULL)),
                "Die Aufnahme wurde beendet, weil der Datenträger voll ist. Die Datei „<file>“ "
                "enthält alles bis dahin Aufgenommene.\nSchaffen Sie Platz auf dem Datenträger, "
                "bevor Sie wieder aufnehmen.\n\nDie Aufnahme „<file>“ konnte nicht abgeschlossen "
                "werden: Die Datei enthält den Ton, aber ihr Kopf gibt womöglich nicht die ganze "
                "Länge an.\nPrüfen Sie, ob auf dem Datenträger Platz ist und ob er noch "
                "angeschlossen ist.",
                "There is not enough space on the disk. ($80070070).\n"
                "There is not enough space on the disk. ($80030070).",
                true}),
    [](const auto& info) { return std::string(info.param.name); });
} // namespace
