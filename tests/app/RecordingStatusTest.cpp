// The recording's status in the main window, through the real graph from a scripted capture
// device: what the panel and the status bar show while ready, while recording sound of known
// level, after a stop and after a recording that ended by itself; the room a start needs; and
// that no timer runs while nothing records.
#include "ScriptedRecorder.h"

#include "app/Main.h"
#include "app/TLevelMeter.h"
#include "app/TRecordingPanel.h"
#include "app/dm_Recording.h"
#include "app/languages/TLangDispatcher.h"
#include "capture/TDXShowCaptureAudio.h"
#include "support/AudioFixtures.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>

#include <gmock/gmock.h>

#include <cerrno>

using testing::ElementsAre;

namespace {
// Counts the timer events of every object of the program while it lives.
class TimerEvents : public QObject {
public:
    TimerEvents() { QCoreApplication::instance()->installEventFilter(this); }
    ~TimerEvents() override { QCoreApplication::instance()->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Timer) ++count;
        return false;
    }
};

// The levels a meter's description gives, in dB (German numbers; none for "unter -60 dB").
std::vector<double> Levels(const QString& description) {
    static const QRegularExpression number(QStringLiteral("(-?\\d+,\\d) dB"));
    std::vector<double> levels;
    for (auto it = number.globalMatch(description); it.hasNext();)
        levels.push_back(it.next().captured(1).replace(u',', u'.').toDouble());
    return levels;
}

// What a meter's bar shows for nothing measured.
const double NoLevel = TLevelMeter::ToDb(0);

TRecordingPanel& Panel() {
    return *Form1->RecordingPanel1;
}

QString Description() {
    return Panel().LevelMeter->accessibleDescription();
}

// The program recording from a scripted device that delivers sound at the pace of a real one.
class RecordingStatus : public ScriptedRecorder {
protected:
    void SetUp() override {
        backend->makeStream = [this]() -> std::unique_ptr<AlsaCaptureStream> {
            if (!script.empty())
                return std::make_unique<ScriptedStream>(48000, 2, 4800, 48000, script);
            return std::make_unique<SoundStream>(48000, 2, 2400, sound, true);
        };
        ScriptedRecorder::SetUp();
        Form1->show();
        dmRecording->SetFreeSpace([this](const WideString&) { return freeSpace; });
    }

    Bytes sound = Tone(48000, 30, {Sine(-6), Sine(-20)});
    std::deque<ScriptedStream::Step> script;
    std::optional<std::uint64_t> freeSpace = 1'000'000'000;
};

TEST_F(RecordingStatus, ReadyShowsTheInputAndRunsNoTimerInEitherLanguage) {
    TimerEvents timers;
    EXPECT_EQ("Bereit", Panel().lblState->text());
    EXPECT_TRUE(Panel().lblRecordingMark->isHidden());
    // Nothing is listed before the first Start or Setup: the system default is what records.
    EXPECT_EQ("Eingang: Systemstandard", Panel().lblInput->text());
    EXPECT_EQ("0:00:00", Panel().lblElapsed->text());
    EXPECT_EQ("Eingangspegel", Panel().LevelMeter->accessibleName());
    EXPECT_EQ("Links unter -60 dB, rechts unter -60 dB", Description());
    EXPECT_TRUE(Panel().lblLastRecording->isHidden());
    EXPECT_TRUE(Panel().btnOpenFolder->isHidden());
    EXPECT_TRUE(Panel().lblRoomLeft->isHidden());
    EXPECT_TRUE(Panel().lblDropouts->isHidden());

    Form1->LangDispatcher1->SetActiveLanguage(LangEnglish);
    EXPECT_EQ("Ready", Panel().lblState->text());
    EXPECT_EQ("Input: System default", Panel().lblInput->text());
    // Listed (as Setup lists them), the first device is the one the next Start uses.
    (void)dmRecording->InputDevices();
    dmRecording->SetNextInput(u"");
    EXPECT_EQ("Input: Scripted device", Panel().lblInput->text());
    EXPECT_EQ("Input level", Panel().LevelMeter->accessibleName());
    EXPECT_EQ("Left below -60 dB, right below -60 dB", Description());
    EXPECT_EQ("Open folder", Panel().btnOpenFolder->text());
    Form1->LangDispatcher1->SetActiveLanguage(LangGerman);
    EXPECT_EQ("Ordner öffnen", Panel().btnOpenFolder->text());

    // What the language change started once (the setup dialog's list lays itself out again)
    // is over; then nothing wakes up.
    QTest::qWait(100);
    timers.count = 0;
    QTest::qWait(500);
    EXPECT_FALSE(dmRecording->StatusTimerActive());
    EXPECT_EQ(0, timers.count) << "nothing wakes up while nothing records";
}

// Ready, the panel names the input the next Start will use: the chosen one, or that it is not
// there, in the active language; Start records from the one it names.
TEST_F(RecordingStatus, ReadyNamesTheInputTheNextStartWillUse) {
    ASSERT_EQ(2, dmRecording->InputDevices().size()) << "the system default, then the device";
    const WideString device = dmRecording->InputDevices().at(1).Key;
    dmRecording->SetNextInput(u"gone");
    EXPECT_EQ("Eingang: gone (nicht verfügbar)", Panel().lblInput->text());
    Form1->LangDispatcher1->SetActiveLanguage(LangEnglish);
    EXPECT_EQ("Input: gone (not available)", Panel().lblInput->text());
    Form1->LangDispatcher1->SetActiveLanguage(LangGerman);

    dmRecording->SetNextInput(device);
    EXPECT_EQ("Eingang: Scripted device", Panel().lblInput->text());
    (void)dmRecording->StartRecording(folder.toStdU16String(), device);
    EXPECT_EQ("Eingang: Scripted device · 48 kHz · Stereo · 16 Bit", Panel().lblInput->text());
    dmRecording->StopRecording();
    EXPECT_EQ("Eingang: Scripted device", Panel().lblInput->text());
}

struct SoundCase {
    const char* name;
    std::vector<ToneChannel> tones;
    const char* description; // the meter's, once it follows the sound
    std::vector<double> levels;
    std::array<bool, 2> clipped;
};
void PrintTo(const SoundCase& c, std::ostream* out) {
    *out << c.name;
}

class RecordingSound : public RecordingStatus, public testing::WithParamInterface<SoundCase> {
protected:
    void SetUp() override {
        sound = Tone(48000, 30, GetParam().tones);
        RecordingStatus::SetUp();
    }
};

TEST_P(RecordingSound, ShowsTheLevelsTheTimeTheFormatAndTheRoomThenTheLastRecording) {
    const SoundCase& c = GetParam();
    Form1->btnRecord->trigger();
    const QString file = Form1->lblFileName->text();
    ASSERT_FALSE(file.isEmpty()) << shown.Messages().join(u'|').toStdString();
    EXPECT_EQ("Aufnahme", Panel().lblState->text());
    EXPECT_FALSE(Panel().lblRecordingMark->isHidden());
    EXPECT_TRUE(dmRecording->StatusTimerActive());
    EXPECT_EQ("Eingang: Scripted device · 48 kHz · Stereo · 16 Bit", Panel().lblInput->text());

    // The meter follows the sound and reads its level.
    ASSERT_TRUE(WaitFor([&] { return Levels(Description()).size() == c.levels.size(); }, 5000))
        << Description().toStdString();
    const std::vector<double> levels = Levels(Description());
    for (std::size_t i = 0; i < c.levels.size(); ++i)
        EXPECT_NEAR(c.levels[i], levels[i], 0.5) << Description().toStdString();
    EXPECT_THAT(Description().toStdString(), testing::MatchesRegex(c.description));
    EXPECT_EQ(c.clipped[0], Panel().LevelMeter->Clipped(0));
    EXPECT_EQ(c.clipped[1], Panel().LevelMeter->Clipped(1));

    // Elapsed is the sound in the file, by its bytes.
    ASSERT_TRUE(WaitFor([&] { return Panel().lblElapsed->text() == "0:00:01"; }, 5000))
        << Panel().lblElapsed->text().toStdString();
    const TRecordingStatus status = dmRecording->Status();
    EXPECT_GT(status.SoundBytes, 0u);
    EXPECT_EQ(std::int64_t(status.SoundBytes * 1000 / 192000), status.ElapsedMs);

    // The room: 1 GB at 192000 bytes a second, then 50 MB, which is less than five minutes.
    ASSERT_TRUE(WaitFor([] { return !Panel().lblRoomLeft->isHidden(); }));
    EXPECT_EQ("noch 1 Std. 26 Min.", Panel().lblRoomLeft->text());
    EXPECT_FALSE(Panel().lblRoomLeft->property("Warning").toBool());
    freeSpace = 50'000'000;
    ASSERT_TRUE(WaitFor([] { return Panel().lblRoomLeft->text() == "noch 4 Min."; }, 3000))
        << Panel().lblRoomLeft->text().toStdString();
    EXPECT_TRUE(Panel().lblRoomLeft->property("Warning").toBool());
    EXPECT_TRUE(Panel().lblDropouts->isHidden());

    Form1->btnStop->trigger();
    EXPECT_FALSE(dmRecording->StatusTimerActive());
    EXPECT_EQ("Bereit", Panel().lblState->text());
    EXPECT_TRUE(Panel().lblRecordingMark->isHidden());
    EXPECT_TRUE(Panel().lblRoomLeft->isHidden());
    EXPECT_EQ("Links unter -60 dB" + std::string(c.clipped[0] ? ", übersteuert" : "") +
                  ", rechts unter -60 dB" + (c.clipped[1] ? ", übersteuert" : ""),
              Description().toStdString())
        << "the clip mark stays lit until the next start";
    const TRecordingStatus last = dmRecording->Status();
    const QFileInfo info(file);
    EXPECT_EQ(std::uint64_t(info.size()), last.FileBytes);
    EXPECT_EQ(std::uint64_t(info.size() - 46), last.SoundBytes);
    EXPECT_EQ("Letzte Aufnahme: " + info.fileName() + " · " +
                  TRecordingPanel::ElapsedText(last.ElapsedMs) + " · " +
                  QLocale(QStringLiteral("de_DE"))
                      .formattedDataSize(info.size(), 1, QLocale::DataSizeSIFormat),
              Panel().lblLastRecording->text());
    EXPECT_FALSE(Panel().btnOpenFolder->isHidden());
    EXPECT_TRUE(Panel().lblEndReason->isHidden());
    EXPECT_TRUE(shown.Messages().isEmpty()) << shown.Messages().join(u'|').toStdString();

    TimerEvents timers;
    QTest::qWait(300);
    EXPECT_EQ(0, timers.count) << "nothing wakes up once the recording stopped";
}

INSTANTIATE_TEST_SUITE_P(Sounds, RecordingSound,
                         testing::Values(SoundCase{"SinesOfMinus6AndMinus20",
                                                   {Sine(-6), Sine(-20)},
                                                   "Links -6,0 dB, rechts -20,0 dB",
                                                   {-6, -20},
                                                   {false, false}},
                                         SoundCase{"FullScaleSquareAndSilence",
                                                   {FullScaleSquare(), Silence()},
                                                   "Links 0,0 dB, übersteuert, rechts unter -60 dB",
                                                   {0},
                                                   {true, false}}),
                         [](const auto& info) { return std::string(info.param.name); });

// Minimized, nobody sees the status: nothing wakes up for it until the window is back.
TEST_F(RecordingStatus, AMinimizedWindowIsNotFedItsStatus) {
    Form1->btnRecord->trigger();
    ASSERT_TRUE(dmRecording->StatusTimerActive());
    Form1->showMinimized();
    ASSERT_TRUE(Form1->isMinimized());
    ASSERT_TRUE(WaitFor([] { return !dmRecording->StatusTimerActive(); }, 1000));
    TimerEvents timers;
    QTest::qWait(300);
    EXPECT_EQ(0, timers.count);
    EXPECT_TRUE(dmRecording->IsRecording());

    Form1->showNormal();
    EXPECT_TRUE(dmRecording->StatusTimerActive());
    EXPECT_EQ("Aufnahme", Panel().lblState->text());
    ASSERT_TRUE(WaitFor([] { return Panel().lblElapsed->text() >= "0:00:01"; }, 5000));
    Form1->btnStop->trigger();
    EXPECT_EQ("Bereit", Panel().lblState->text());
}

// Paused, the time stands still, the meter falls to nothing and nothing wakes up; Resume goes
// on from there.
TEST_F(RecordingStatus, PausedTheTimeStandsStillAndTheMeterFalls) {
    Form1->btnRecord->trigger();
    ASSERT_TRUE(WaitFor([] { return Panel().lblElapsed->text() == "0:00:01"; }, 5000));
    ASSERT_EQ(2u, Levels(Description()).size()) << Description().toStdString();

    Form1->btnPause->trigger();
    ASSERT_EQ(TRecordingState::Paused, dmRecording->State());
    EXPECT_EQ("Pausiert", Panel().lblState->text());
    EXPECT_TRUE(Panel().lblRecordingMark->isHidden());
    EXPECT_EQ("Links unter -60 dB, rechts unter -60 dB", Description());
    EXPECT_EQ(NoLevel, Panel().LevelMeter->HoldDb(0)) << "no mark held either";
    EXPECT_FALSE(dmRecording->StatusTimerActive());
    const TRecordingStatus paused = dmRecording->Status();
    const QString elapsed = Panel().lblElapsed->text();
    TimerEvents timers;
    QTest::qWait(300);
    EXPECT_EQ(0, timers.count) << "nothing wakes up while paused";
    EXPECT_EQ(paused.SoundBytes, dmRecording->Status().SoundBytes);
    EXPECT_EQ(paused.ElapsedMs, dmRecording->Status().ElapsedMs);
    EXPECT_EQ(elapsed, Panel().lblElapsed->text());
    Form1->LangDispatcher1->SetActiveLanguage(LangEnglish);
    EXPECT_EQ("Paused", Panel().lblState->text());
    Form1->LangDispatcher1->SetActiveLanguage(LangGerman);

    Form1->btnPause->trigger();
    EXPECT_EQ("Aufnahme", Panel().lblState->text());
    EXPECT_TRUE(dmRecording->StatusTimerActive());
    ASSERT_TRUE(
        WaitFor([&] { return dmRecording->Status().ElapsedMs >= paused.ElapsedMs + 500; }, 5000));
    ASSERT_TRUE(WaitFor([] { return Levels(Description()).size() == 2; }, 5000));
    Form1->btnStop->trigger();
    EXPECT_GE(dmRecording->Status().ElapsedMs, paused.ElapsedMs + 500);
}

// Takes the URLs the desktop would be asked to open.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls << url; }
};

TEST_F(RecordingStatus, TheOpenFolderButtonAsksTheDesktopForTheRecordingsFolder) {
    Form1->btnRecord->trigger();
    const QString file = Form1->lblFileName->text();
    ASSERT_TRUE(WaitFor([&] { return QFileInfo(file).size() > 46; }));
    Form1->btnStop->trigger();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
    QTest::mouseClick(Panel().btnOpenFolder, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_THAT(catcher.urls, ElementsAre(QUrl::fromLocalFile(folder)));
}

struct RoomCase {
    const char* name;
    std::uint64_t free;
    bool starts;
};

void PrintTo(const RoomCase& c, std::ostream* out) {
    *out << c.name;
}

class RecordingRoomAtStart : public RecordingStatus,
                             public testing::WithParamInterface<RoomCase> {};

// Less than ten seconds at 192000 bytes a second is refused with the folder and the free space;
// nothing is left behind and nothing runs.
TEST_P(RecordingRoomAtStart, IsRefusedBelowTenSeconds) {
    freeSpace = GetParam().free;
    Form1->btnRecord->trigger();
    if (GetParam().starts) {
        EXPECT_TRUE(dmRecording->IsRecording());
        EXPECT_TRUE(shown.Messages().isEmpty());
        Form1->btnStop->trigger();
        return;
    }
    EXPECT_THAT(shown.Messages(),
                ElementsAre(QStringLiteral("Die Aufnahme kann nicht beginnen: Der Datenträger des "
                                           "Ordners „%1“ hat Platz für weniger als zehn Sekunden "
                                           "Ton (%2 kB sind frei).\nSchaffen Sie Platz auf dem "
                                           "Datenträger oder wählen Sie unter „Optionen“ einen "
                                           "Ordner auf einem anderen Datenträger.")
                                .arg(folder)
                                .arg(GetParam().free / 1000)));
    EXPECT_FALSE(dmRecording->IsRecording());
    EXPECT_FALSE(dmRecording->StatusTimerActive());
    EXPECT_EQ("", Form1->lblFileName->text());
    EXPECT_EQ("Bereit", Panel().lblState->text());
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Room, RecordingRoomAtStart,
                         testing::Values(RoomCase{"NineSeconds", 1'919'999, false},
                                         RoomCase{"None", 0, false},
                                         RoomCase{"TenSeconds", 1'920'000, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Sound lost once, then the device goes: the dropout is counted and stays with the last
// recording, whose reason stays visible, in the active language.
TEST_F(RecordingStatus, ARecordingThatEndedByItselfKeepsItsReasonAndDropouts) {
    script = {{9600}, {-EPIPE}, {9600}, {-ENODEV}};
    Form1->btnRecord->trigger();
    ASSERT_TRUE(WaitFor([&] { return !shown.Messages().isEmpty(); }, 10000));
    const QString file = dmRecording->Status().FileName;
    const QString lost = QStringLiteral("Die Aufnahme wurde beendet, weil der Audio-Eingang "
                                        "„Scripted device“ nicht mehr verfügbar ist. Die Datei "
                                        "„%1“ enthält alles bis dahin Aufgenommene.")
                             .arg(file);
    ASSERT_EQ(1, shown.Messages().size());
    EXPECT_TRUE(shown.Messages().front().startsWith(lost + u'\n'));
    EXPECT_FALSE(dmRecording->StatusTimerActive());
    EXPECT_EQ("Bereit", Panel().lblState->text());
    EXPECT_FALSE(Panel().lblEndReason->isHidden());
    EXPECT_EQ(lost, Panel().lblEndReason->text());
    const qint64 size = QFileInfo(file).size();
    EXPECT_EQ(46 + 19200 * 4, size);
    EXPECT_EQ(" · 0:00:00 · 76,8 kB · 1 Aussetzer",
              Panel().lblLastRecording->text().section(QStringLiteral(".wav"), 1));
    Form1->LangDispatcher1->SetActiveLanguage(LangEnglish);
    EXPECT_EQ(QStringLiteral("The recording stopped because the audio input “Scripted device” is "
                             "no longer available. The file “%1” holds everything recorded "
                             "until then.")
                  .arg(file),
              Panel().lblEndReason->text());
    EXPECT_EQ(" · 0:00:00 · 76.8 kB · 1 dropout",
              Panel().lblLastRecording->text().section(QStringLiteral(".wav"), 1));
    Form1->LangDispatcher1->SetActiveLanguage(LangGerman);

    // The next recording starts afresh.
    script.clear();
    Form1->btnRecord->trigger();
    EXPECT_TRUE(Panel().lblEndReason->isHidden());
    EXPECT_TRUE(Panel().lblLastRecording->isHidden());
    Form1->btnStop->trigger();
}
} // namespace

#include "RecordingStatusTest.moc"
