// The main window: its layout, its German and English texts, the keyboard (shortcuts, Tab,
// Space and Enter), Record, Pause, Stop and the recording file name.
#include "AppTestSupport.h"

#include "app/EUserError.h"
#include "app/Main.h"
#include "app/TApplicationErrors.h"
#include "app/TLevelMeter.h"
#include "app/TRecordingPanel.h"
#include "app/TUserMessages.h"
#include "app/dm_Recording.h"
#include "app/languages/TLangDispatcher.h"
#include "app/languages/TLangTranslator.h"
#include "app/languages/TMsgDlgCaptions.h"
#include "framework/interfaces/StrmifTypes.h"
#include "runtime/Exception.h"
#include "settings/TIniData.h"
#include "settings/u_Config.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSizeGrip>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gmock/gmock.h>

#include <cmath>
#include <stdexcept>

using testing::ElementsAre;

namespace {
// The program's data module, here without a capture controller (recording with one is tested
// in RecordingWindowTest.cpp).
struct TModuleWithoutController {
    TModuleWithoutController() { dmRecording = &module; }
    ~TModuleWithoutController() {
        dmRecording = nullptr;
        TdmRecording::SetControllerFactory(previous);
    }
    TdmRecording::TControllerFactory previous = TdmRecording::SetControllerFactory(
        [](QObject*) -> TDXShowCaptureAudio* { return nullptr; });
    TdmRecording module;
};

class MainWindow : public testing::Test {
protected:
    TSettingsScope settings;
    TShownMessages shown;
    TForm1 form;
    TModuleWithoutController recording;
};

QColor CentrePixel(const QIcon& icon, int size) {
    const QImage image = icon.pixmap(QSize(size, size)).toImage();
    return image.pixelColor(size / 2, size / 2);
}

TEST_F(MainWindow, IsLaidOutAsDesigned) {
    form.show();
    ASSERT_TRUE(WaitFor([&] { return form.isVisible(); }));

    EXPECT_EQ(QSize(573, 301), form.size()) << "client area";
    const QRect screen = form.screen()->availableGeometry();
    EXPECT_LE((form.frameGeometry().center() - screen.center()).manhattanLength(), 1);
    EXPECT_EQ("MS Shell Dlg 2", form.font().family());
    EXPECT_EQ(8, form.font().pointSize());

    // Docking area: 68 pixels, two toolbars each alone on its row and as wide as the window.
    EXPECT_EQ(QRect(0, 0, 573, 68), form.Dock1->geometry());
    EXPECT_EQ(0, form.ToolBar1->y());
    EXPECT_EQ(form.ToolBar1->height(), form.ToolBar2->y());
    EXPECT_EQ(68, form.ToolBar2->geometry().bottom() + 1);
    EXPECT_EQ(573, form.ToolBar1->width());
    EXPECT_EQ(573, form.ToolBar2->width());

    // Row 0: Record, Pause, Stop, a separator, Setup; 50-pixel buttons (Pause as wide as its
    // longer caption needs), 24 x 24 pictures above the captions.
    const QList<QAction*> items = form.ToolBar1->actions();
    ASSERT_EQ(5, items.size());
    EXPECT_EQ(form.btnRecord, items[0]);
    EXPECT_EQ(form.btnPause, items[1]);
    EXPECT_EQ(form.btnStop, items[2]);
    EXPECT_TRUE(items[3]->isSeparator());
    EXPECT_EQ(form.btnSetup, items[4]);
    EXPECT_EQ(Qt::ToolButtonTextUnderIcon, form.ToolBar1->toolButtonStyle());
    EXPECT_EQ(QSize(24, 24), form.ToolBar1->iconSize());
    int right = -1;
    for (QAction* button : {form.btnRecord, form.btnPause, form.btnStop, form.btnSetup}) {
        QWidget* widget = form.ToolBar1->widgetForAction(button);
        ASSERT_NE(nullptr, widget);
        if (button == form.btnPause) {
            EXPECT_GE(widget->width(), 50);
            const QFontMetrics metrics(widget->font());
            EXPECT_LE(metrics.horizontalAdvance(QStringLiteral("Fortsetzen")), widget->width());
        } else {
            EXPECT_EQ(50, widget->width());
        }
        EXPECT_GT(widget->x(), right) << "left to right in this order";
        right = widget->x();
        EXPECT_TRUE(button->isVisible() && button->isEnabled());
    }

    // The pictures: a red disc, two bars, a blue square, a tool picture; crisp at any size.
    for (int size : {24, 96}) {
        const QColor record = CentrePixel(form.btnRecord->icon(), size);
        EXPECT_GT(record.red(), 150);
        EXPECT_LT(record.blue(), 80);
        const QImage pause = form.btnPause->icon().pixmap(QSize(size, size)).toImage();
        EXPECT_EQ(0, pause.pixelColor(size / 2, size / 2).alpha()) << "the gap between the bars";
        for (const double bar : {8.0, 16.0}) {
            const QColor colour = pause.pixelColor(int(bar * size / 24), size / 2);
            EXPECT_EQ(255, colour.alpha());
            EXPECT_GT(colour.red(), 150);
            EXPECT_LT(colour.blue(), 80);
        }
        const QColor stop = CentrePixel(form.btnStop->icon(), size);
        EXPECT_GT(stop.blue(), 150);
        EXPECT_LT(stop.red(), 120);
        EXPECT_EQ(QSize(size, size), form.btnSetup->icon().pixmap(QSize(size, size)).size());
        EXPECT_GT(CentrePixel(form.btnSetup->icon(), size).alpha(), 0);
    }

    // Row 1: the file-name label, empty at start.
    EXPECT_EQ(form.ToolBar2, form.lblFileName->parentWidget());
    EXPECT_EQ("", form.lblFileName->text());

    // The panel with the recording's status, then a 20-pixel status bar holding its room left
    // and dropouts (shown while recording); nothing in it pushes the window's size.
    EXPECT_EQ(QRect(0, 68, 573, 301 - 68 - 20), form.Panel1->geometry());
    EXPECT_EQ(form.Panel1->contentsRect(), form.RecordingPanel1->geometry());
    EXPECT_EQ(QRect(0, 281, 573, 20), form.StatusBar1->geometry());
    for (QWidget* child : form.StatusBar1->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(qobject_cast<QSizeGrip*>(child) || child == form.RecordingPanel1->lblRoomLeft ||
                    child == form.RecordingPanel1->lblDropouts)
            << child->objectName().toStdString();
    const QRect meter = form.RecordingPanel1->LevelMeter->geometry();
    EXPECT_GE(meter.width(), 500);
    EXPECT_LE(meter.bottom(), form.Panel1->height());
    // A long name is cut, never widening the window.
    TRecordingStatus status;
    status.InputsListed = true;
    status.DeviceName = QString(300, u'x');
    form.RecordingPanel1->Show(status);
    QTest::qWait(10);
    EXPECT_EQ(QSize(573, 301), form.size());
}

TEST_F(MainWindow, ComesUpInGermanWithTheUntranslatedTextsInEnglish) {
    EXPECT_EQ(LangGerman, form.LangDispatcher1->ActiveLanguage());
    EXPECT_EQ("Deutsch", form.LangTranslator1->Language());
    EXPECT_EQ("Hymnaro Audio Recorder v0.1", form.windowTitle());
    EXPECT_EQ("Start", form.btnRecord->text());
    EXPECT_EQ("Pause", form.btnPause->text());
    EXPECT_EQ("Stop", form.btnStop->text());
    EXPECT_EQ("Optionen", form.btnSetup->text());
    // The hints stay English; the shortcut follows in the keyboard's German names.
    EXPECT_EQ("Record (Strg+R)", form.btnRecord->toolTip());
    EXPECT_EQ("Pause (Strg+P)", form.btnPause->toolTip());
    EXPECT_EQ("Stop (Strg+S)", form.btnStop->toolTip());
    EXPECT_EQ("Setup (Strg+,)", form.btnSetup->toolTip());
    EXPECT_EQ("Custom 1", form.ToolBar1->windowTitle());
    EXPECT_EQ("Custom 2", form.ToolBar2->windowTitle());
    EXPECT_EQ("Fehler", TMsgDlgCaptions::Caption("SMsgDlgError"));
    EXPECT_EQ("DEFAULT_CHARSET", form.property("FontCharset").toString());
}

TEST_F(MainWindow, SwitchesToEnglishAndBackKeepingWhatEmptyCellsDoNotCover) {
    form.lblFileName->setText(QStringLiteral("/rec/2024-03-03 14-05-09.wav"));
    form.LangDispatcher1->SetActiveLanguage(LangEnglish);
    EXPECT_EQ("Record", form.btnRecord->text());
    EXPECT_EQ("Stop", form.btnStop->text());
    EXPECT_EQ("Setup", form.btnSetup->text());
    EXPECT_EQ("/rec/2024-03-03 14-05-09.wav", form.lblFileName->text());
    EXPECT_EQ("English", form.LangDispatcher1->Language());

    EXPECT_EQ("Record (Ctrl+R)", form.btnRecord->toolTip());
    EXPECT_EQ("Setup (Ctrl+,)", form.btnSetup->toolTip());

    form.setWindowTitle(QStringLiteral("Renamed"));
    form.LangDispatcher1->SetActiveLanguage(LangGerman);
    EXPECT_EQ("Start", form.btnRecord->text());
    EXPECT_EQ("Record (Strg+R)", form.btnRecord->toolTip());
    EXPECT_EQ("Renamed", form.windowTitle()) << "the German caption cell is empty";
}

// What a screen reader says of each control, in the language the window shows.
TEST_F(MainWindow, EveryControlHasAnAccessibleNameInTheActiveLanguage) {
    struct Names {
        int language;
        QStringList buttons, others;
    };
    const Names cases[] = {
        {LangGerman,
         {"Start", "Pause", "Stop", "Optionen"},
         {"Aufnahmebefehle", "Datei der Aufnahme", "Dateiname", "Aufnahme", "Statusleiste"}},
        {LangEnglish,
         {"Record", "Pause", "Stop", "Setup"},
         {"Recording commands", "File being recorded", "File name", "Recording", "Status bar"}},
    };
    for (const Names& c : cases) {
        form.LangDispatcher1->SetActiveLanguage(c.language);
        QStringList buttons;
        for (QAction* button : {form.btnRecord, form.btnPause, form.btnStop, form.btnSetup}) {
            QWidget* widget = form.ToolBar1->widgetForAction(button);
            buttons << widget->accessibleName();
            EXPECT_EQ(button->toolTip(), widget->accessibleDescription());
        }
        EXPECT_EQ(c.buttons, buttons);
        const QStringList others{form.ToolBar1->accessibleName(), form.ToolBar2->accessibleName(),
                                 form.lblFileName->accessibleName(), form.Panel1->accessibleName(),
                                 form.StatusBar1->accessibleName()};
        EXPECT_EQ(c.others, others);
    }
}

// ---- keyboard ---------------------------------------------------------------------------------

class Keyboard : public MainWindow {
protected:
    void SetUp() override {
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    QWidget* Button(QAction* action) { return form.ToolBar1->widgetForAction(action); }
    QList<QAction*> Commands() {
        return {form.btnRecord, form.btnPause, form.btnStop, form.btnSetup};
    }
};

TEST_F(Keyboard, EachShortcutTriggersItsCommandWhicheverControlHasTheFocus) {
    const std::pair<QKeyCombination, QAction*> shortcuts[] = {
        {Qt::CTRL | Qt::Key_R, form.btnRecord},
        {Qt::CTRL | Qt::Key_P, form.btnPause},
        {Qt::CTRL | Qt::Key_S, form.btnStop},
        {Qt::CTRL | Qt::Key_Comma, form.btnSetup},
    };
    // Every control that can have the focus, and none.
    QList<QWidget*> focused{nullptr};
    for (QAction* command : Commands())
        focused << Button(command);
    for (QWidget* focus : focused) {
        if (focus)
            focus->setFocus(Qt::TabFocusReason);
        else if (QWidget* current = QApplication::focusWidget())
            current->clearFocus();
        for (const auto& [key, command] : shortcuts) {
            QSignalSpy triggered(command, &QAction::triggered);
            QTest::keyClick(focus ? focus : &form, key.key(), key.keyboardModifiers());
            EXPECT_EQ(1, triggered.count())
                << command->objectName().toStdString() << " with the focus on "
                << (focus ? focus->accessibleName().toStdString() : "nothing");
        }
    }
}

TEST_F(Keyboard, TabWalksTheButtonsInOrderAndShowsTheFocus) {
    Button(form.btnSetup)->setFocus(Qt::TabFocusReason);
    QList<QWidget*> walked;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked << QApplication::focusWidget();
    }
    EXPECT_EQ((QList<QWidget*>{Button(form.btnRecord), Button(form.btnPause), Button(form.btnStop),
                               Button(form.btnSetup), Button(form.btnRecord)}),
              walked);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(Button(form.btnSetup), QApplication::focusWidget());

    // The button with the focus looks different from the same button without it.
    QWidget* stop = Button(form.btnStop);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    ASSERT_EQ(stop, QApplication::focusWidget());
    const QImage focusedLook = stop->grab().toImage();
    QTest::keyClick(stop, Qt::Key_Tab);
    ASSERT_NE(stop, QApplication::focusWidget());
    const QImage plainLook = stop->grab().toImage();
    EXPECT_NE(focusedLook, plainLook);
    EXPECT_EQ(plainLook, stop->grab().toImage()) << "the look changes by itself";
}

TEST_F(Keyboard, SpaceEnterAndTheKeypadsEnterPressTheFocusedButton) {
    const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {
        {Qt::Key_Space, Qt::NoModifier},
        {Qt::Key_Return, Qt::NoModifier},
        {Qt::Key_Enter, Qt::KeypadModifier},
    };
    for (QAction* command : {form.btnPause, form.btnStop}) {
        for (const auto& [key, modifiers] : keys) {
            Button(command)->setFocus(Qt::TabFocusReason);
            QSignalSpy triggered(command, &QAction::triggered);
            QTest::keyClick(Button(command), key, modifiers);
            EXPECT_EQ(1, triggered.count()) << command->objectName().toStdString() << " " << key;
        }
    }
    // Enter with a modifier is not a press.
    QSignalSpy triggered(form.btnStop, &QAction::triggered);
    QTest::keyClick(Button(form.btnStop), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(0, triggered.count());
}

TEST_F(MainWindow, PauseWithoutARecordingDoesNothing) {
    form.btnPause->trigger();
    EXPECT_TRUE(shown.Messages().isEmpty()) << shown.Messages().join(u'|').toStdString();
    EXPECT_EQ("Pause", form.btnPause->text());
    EXPECT_EQ("", form.lblFileName->text());
}

// Recording with a capture controller is tested in RecordingWindowTest.cpp.
TEST_F(MainWindow, WithoutACaptureControllerRecordAndStopAreRefused) {
    const QString folder = NewTestFolder(QStringLiteral("rec")) + QStringLiteral("/one/two");
    IniData->SetFolderForRecordings(folder.toStdU16String());
    int readings = 0;
    recording.module.SetClock([&] {
        ++readings;
        return QDateTime(QDate(2024, 3, 3), QTime(14, 5, 9));
    });

    form.btnRecord->trigger();
    EXPECT_TRUE(QFileInfo(folder).isDir()) << "the folder is created first, as always";
    EXPECT_EQ("", form.lblFileName->text());
    EXPECT_EQ(0, readings);
    form.btnStop->trigger();
    const QString refused = QStringLiteral(
        "Aufnehmen ist nicht möglich: Die Audioaufnahme konnte beim Programmstart nicht "
        "vorbereitet werden.\nBeenden Sie das Programm und starten Sie es erneut.");
    EXPECT_THAT(shown.Messages(), ElementsAre(refused, refused));
    EXPECT_EQ("Fehler", shown.Shown()[0].Title);
}

TEST_F(MainWindow, RecordWithAnEmptyFolderShowsTheErrorAndLeavesTheLabel) {
    IniData->SetFolderForRecordings(u"");
    form.lblFileName->setText(QStringLiteral("before"));
    form.btnRecord->trigger();
    EXPECT_THAT(shown.Messages(),
                ElementsAre("Es ist kein Ordner für Aufnahmen eingestellt.\nWählen Sie unter "
                            "„Optionen“ einen Ordner."));
    EXPECT_EQ("before", form.lblFileName->text());
    // The window goes on working (here without a capture controller, so Stop is refused).
    form.btnStop->trigger();
    EXPECT_EQ("", form.lblFileName->text());
}

TEST_F(MainWindow, EveryHandlerErrorIsShownInTheActiveLanguageAndGoesNoFurther) {
    RunGuiHandler(&form, [] { throw EUserError(TMessageCause::NoInput); });
    RunGuiHandler(&form, [] { throw Exception("Unable to create directory"); });
    RunGuiHandler(&form, [] { throw std::runtime_error("plain"); });
    RunGuiHandler(&form, [] { throw 42; });
    EXPECT_THAT(shown.Messages(),
                ElementsAre("Kein Audio-Eingang gefunden. Ist ein Mikrofon angeschlossen und "
                            "läuft der Sound-Server?",
                            "Ordner kann nicht erstellt werden",
                            "Etwas Unerwartetes ist schiefgegangen.\nVersuchen Sie es erneut; "
                            "bleibt das Problem, beenden Sie das Programm und starten Sie es "
                            "erneut.",
                            "Ein unbekannter Fehler ist aufgetreten."));
    // A text the tables do not know is no main text: it is the technical reason.
    EXPECT_EQ("plain", shown.Shown()[2].Details);

    // A display that fails itself loses the message, never the program.
    auto recorder = TApplicationErrors::SetDisplay(
        [](QWidget*, const TUserMessage&) { throw std::bad_alloc(); });
    RunGuiHandler(&form, [] { throw Exception("lost"); });
    TApplicationErrors::SetDisplay(recorder);
    EXPECT_EQ(4, shown.Messages().size());
}

struct StoppedCase {
    LONG code;
    HRESULT param1;
    TMessageCause cause;
    QStringList values;
    const char* details;
};

// A recording that ends by itself names its cause, its input and its file; the code that ended
// it is a detail.
TEST(RecordingStopped, NamesTheCauseTheInputAndTheFile) {
    const QString input = QStringLiteral("USB-Mikrofon");
    const QString file = QStringLiteral("/rec/2024-03-03 14-05-09.wav");
    const StoppedCase cases[] = {
        {EC_DEVICE_LOST, S_OK, TMessageCause::InputLost, {input, file}, ""},
        {EC_COMPLETE, S_OK, TMessageCause::StreamEnded, {input, file}, ""},
        // ENOSPC and EDQUOT, as the file writer reports them; the storage code of the same.
        {EC_ERRORABORT,
         HRESULT_FROM_WIN32(ERROR_DISK_FULL),
         TMessageCause::DiskFull,
         {file},
         "There is not enough space on the disk. ($80070070)."},
        {EC_ERRORABORT,
         STG_E_MEDIUMFULL,
         TMessageCause::DiskFull,
         {file},
         "There is not enough space on the disk. ($80030070)."},
        // EFBIG, and the WAV destination's refusal at 4 GiB - 1 bytes.
        {EC_ERRORABORT,
         HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE),
         TMessageCause::SizeLimit,
         {file},
         "The file has reached the largest size it can have. ($800700DF)."},
        {EC_ERRORABORT,
         E_FAIL,
         TMessageCause::RecordingAborted,
         {file},
         "The operation failed. ($80004005)."},
    };
    for (const StoppedCase& c : cases) {
        const TUserError error =
            TdmRecording::RecordingStoppedError(c.code, LONG_PTR(c.param1), input, file);
        EXPECT_EQ(TUserMessages::Key(c.cause), TUserMessages::Key(error.Cause));
        EXPECT_EQ(c.values, error.Values);
        EXPECT_EQ(QString::fromUtf8(c.details), error.Details);
    }
}

struct PanelCase {
    const char* name;
    TRecordingStatus status;
    // The panel's and the status bar's texts in German and in English: input, last recording,
    // reason, room left, dropouts ("-" where the part is hidden).
    std::array<const char*, 5> german, english;
    bool warning;
};
void PrintTo(const PanelCase& c, std::ostream* out) {
    *out << c.name;
}

TRecordingStatus Recording(unsigned rate, unsigned channels, std::int64_t roomLeft,
                           unsigned long dropouts) {
    TRecordingStatus s;
    s.State = TRecordingStatus::TState::Recording;
    s.InputsListed = true;
    s.DeviceName = QStringLiteral("Mic");
    s.FileName = QStringLiteral("/rec/2024-03-03 14-05-09.wav");
    s.Rate = rate;
    s.Channels = channels;
    s.Bits = 16;
    s.RoomLeftSeconds = roomLeft;
    s.Dropouts = dropouts;
    return s;
}

TRecordingStatus Stopped(std::vector<TUserError> reasons) {
    TRecordingStatus s = Recording(48000, 2, 0, 2);
    s.State = TRecordingStatus::TState::Ready;
    s.DeviceName = QStringLiteral("Next");
    s.ElapsedMs = 754'999;
    s.FileBytes = 145'234'567;
    s.RoomLeftSeconds.reset();
    s.EndReason = std::move(reasons);
    return s;
}

TRecordingStatus WithoutDevice() {
    TRecordingStatus s;
    s.InputsListed = true;
    return s;
}

class PanelTexts : public MainWindow, public testing::WithParamInterface<PanelCase> {};

// Every text of the status in both languages, numbers as each language writes them.
TEST_P(PanelTexts, AreWrittenInTheActiveLanguage) {
    const PanelCase& c = GetParam();
    TRecordingPanel& panel = *form.RecordingPanel1;
    panel.Show(c.status);
    for (const int language : {LangGerman, LangEnglish, LangGerman}) {
        form.LangDispatcher1->SetActiveLanguage(language);
        const auto& expected = language == LangGerman ? c.german : c.english;
        const QLabel* labels[] = {panel.lblInput, panel.lblLastRecording, panel.lblEndReason,
                                  panel.lblRoomLeft, panel.lblDropouts};
        for (std::size_t i = 0; i < std::size(labels); ++i)
            EXPECT_EQ(QString::fromUtf8(expected[i]),
                      labels[i]->isHidden() ? QStringLiteral("-") : labels[i]->text())
                << labels[i]->objectName().toStdString() << " in language " << language;
    }
    EXPECT_EQ(c.warning, panel.lblRoomLeft->property("Warning").toBool());
    EXPECT_EQ(c.status.HasLastRecording(), !panel.btnOpenFolder->isHidden());
}

INSTANTIATE_TEST_SUITE_P(
    Status, PanelTexts,
    testing::Values(
        PanelCase{
            "RecordingStereo",
            Recording(48000, 2, 3 * 3600 + 12 * 60 + 59, 2),
            {"Eingang: Mic · 48 kHz · Stereo · 16 Bit", "-", "-", "noch 3 Std. 12 Min.",
             "2 Aussetzer"},
            {"Input: Mic · 48 kHz · Stereo · 16 bit", "-", "-", "3 h 12 min left", "2 dropouts"},
            false},
        PanelCase{
            "RecordingMonoBelowFiveMinutes",
            Recording(44100, 1, 299, 1),
            {"Eingang: Mic · 44,1 kHz · Mono · 16 Bit", "-", "-", "noch 4 Min.", "1 Aussetzer"},
            {"Input: Mic · 44.1 kHz · Mono · 16 bit", "-", "-", "4 min left", "1 dropout"},
            true},
        PanelCase{"RecordingTheLastSeconds",
                  Recording(96000, 4, 45, 0),
                  {"Eingang: Mic · 96 kHz · 4 Kanäle · 16 Bit", "-", "-", "noch 45 Sek.", "-"},
                  {"Input: Mic · 96 kHz · 4 channels · 16 bit", "-", "-", "45 s left", "-"},
                  true},
        PanelCase{"StoppedByTheUser",
                  Stopped({}),
                  {"Eingang: Next",
                   "Letzte Aufnahme: 2024-03-03 14-05-09.wav · 0:12:34 · 145,2 MB · 2 Aussetzer",
                   "-", "-", "-"},
                  {"Input: Next",
                   "Last recording: 2024-03-03 14-05-09.wav · 0:12:34 · 145.2 MB · 2 dropouts", "-",
                   "-", "-"},
                  false},
        PanelCase{
            "EndedByItselfAndNotCompleted",
            Stopped({{TMessageCause::DiskFull, {QStringLiteral("/rec/a.wav")}, {}},
                     {TMessageCause::StopFailed,
                      {QStringLiteral("/rec/a.wav")},
                      QStringLiteral("The disk is full. ($80070070).")}}),
            {"Eingang: Next",
             "Letzte Aufnahme: 2024-03-03 14-05-09.wav · 0:12:34 · 145,2 MB · 2 Aussetzer",
             "Die Aufnahme wurde beendet, weil der Datenträger voll ist. Die Datei „/rec/a.wav“ "
             "enthält alles bis dahin Aufgenommene.\n"
             "Die Aufnahme „/rec/a.wav“ konnte nicht abgeschlossen werden: Die Datei enthält den "
             "Ton, aber ihr Kopf gibt womöglich nicht die ganze Länge an.",
             "-", "-"},
            {"Input: Next",
             "Last recording: 2024-03-03 14-05-09.wav · 0:12:34 · 145.2 MB · 2 dropouts",
             "The recording stopped because the disk is full. The file “/rec/a.wav” holds "
             "everything recorded until then.\n"
             "The recording “/rec/a.wav” could not be completed: the file holds the audio, but "
             "its header may not give its full length.",
             "-", "-"},
            false},
        PanelCase{"NoInput",
                  WithoutDevice(),
                  {"Es wurde kein Audio-Eingabegerät gefunden.", "-", "-", "-", "-"},
                  {"No audio input device was found.", "-", "-", "-", "-"},
                  false}),
    [](const auto& info) { return std::string(info.param.name); });

// The meter holds the highest level for 1.5 s, then lets the mark fall at 20 dB a second; its
// description is its value.
TEST_F(MainWindow, TheMeterHoldsItsPeakAndDescribesItsLevels) {
    TLevelMeter& meter = *form.RecordingPanel1->LevelMeter;
    const double half = std::pow(10.0, -6.0 / 20);
    const double tenth = 0.1;
    meter.SetLevels(2, {half, tenth}, {false, false}, 1000);
    EXPECT_NEAR(-6.0, meter.LevelDb(0), 1e-9);
    EXPECT_NEAR(-20.0, meter.LevelDb(1), 1e-9);
    EXPECT_EQ("Links -6,0 dB, rechts -20,0 dB", meter.accessibleDescription());
    meter.SetLevels(2, {tenth, tenth}, {false, true}, 2000);
    EXPECT_NEAR(-20.0, meter.LevelDb(0), 1e-9);
    EXPECT_NEAR(-6.0, meter.HoldDb(0), 1e-9) << "held";
    EXPECT_EQ("Links -20,0 dB, rechts -20,0 dB, übersteuert", meter.accessibleDescription());
    meter.SetLevels(2, {tenth, tenth}, {false, true}, 2500);
    EXPECT_NEAR(-6.0, meter.HoldDb(0), 1e-9) << "held for 1.5 s";
    meter.SetLevels(2, {tenth, tenth}, {false, true}, 2600);
    EXPECT_NEAR(-8.0, meter.HoldDb(0), 1e-9) << "then falling";
    meter.SetLevels(2, {tenth, tenth}, {false, true}, 3600);
    EXPECT_NEAR(-20.0, meter.HoldDb(0), 1e-9) << "down to the level";
    meter.SetLevels(1, {0.0, 0.0}, {false, false}, 3700);
    EXPECT_EQ(1u, meter.Bars());
    EXPECT_EQ("unter -60 dB", meter.accessibleDescription());
    form.LangDispatcher1->SetActiveLanguage(LangEnglish);
    EXPECT_EQ("below -60 dB", meter.accessibleDescription());
    meter.SetLevels(1, {1.0, 0.0}, {true, false}, 3800);
    EXPECT_EQ("0.0 dB, clipped", meter.accessibleDescription());

    // More channels: a bar each, the meter growing for them, the window not.
    form.show();
    ASSERT_TRUE(WaitFor([&] { return form.isVisible(); }));
    const int stereoHeight = meter.sizeHint().height();
    const auto six = [&](std::int64_t nowMs) {
        meter.SetLevels(6, {half, tenth, 0.0, half, half, 1.0},
                        {false, false, false, false, false, true}, nowMs);
    };
    six(3900);
    EXPECT_EQ(6u, meter.Bars());
    EXPECT_EQ("Channel 1 -6.0 dB, Channel 2 -20.0 dB, Channel 3 below -60 dB, Channel 4 -6.0 dB, "
              "Channel 5 -6.0 dB, Channel 6 0.0 dB, clipped",
              meter.accessibleDescription());
    form.LangDispatcher1->SetActiveLanguage(LangGerman);
    six(4000);
    EXPECT_EQ("Kanal 1 -6,0 dB, Kanal 2 -20,0 dB, Kanal 3 unter -60 dB, Kanal 4 -6,0 dB, "
              "Kanal 5 -6,0 dB, Kanal 6 0,0 dB, übersteuert",
              meter.accessibleDescription());
    EXPECT_GT(meter.sizeHint().height(), stereoHeight);
    ASSERT_TRUE(WaitFor([&] { return meter.height() >= meter.sizeHint().height(); }))
        << meter.height();
    EXPECT_LE(meter.geometry().bottom(), form.Panel1->height());
    EXPECT_EQ(QSize(573, 301), form.size());
}

} // namespace
