// The main window: its layout, its German and English texts, Record, Stop and the recording
// file name.
#include "AppTestSupport.h"

#include "app/Main.h"
#include "app/TApplicationErrors.h"
#include "app/dm_Recording.h"
#include "app/languages/TLangDispatcher.h"
#include "app/languages/TLangTranslator.h"
#include "app/languages/TMsgDlgCaptions.h"
#include "framework/interfaces/StrmifTypes.h"
#include "runtime/Exception.h"
#include "settings/TIniData.h"
#include "settings/u_Config.h"

#include <QAction>
#include <QDateTime>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QSizeGrip>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <gmock/gmock.h>

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

    // Row 0: Record, Stop, a separator, Setup; 50-pixel buttons, 24 x 24 pictures above the
    // captions.
    const QList<QAction*> items = form.ToolBar1->actions();
    ASSERT_EQ(4, items.size());
    EXPECT_EQ(form.btnRecord, items[0]);
    EXPECT_EQ(form.btnStop, items[1]);
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(form.btnSetup, items[3]);
    EXPECT_EQ(Qt::ToolButtonTextUnderIcon, form.ToolBar1->toolButtonStyle());
    EXPECT_EQ(QSize(24, 24), form.ToolBar1->iconSize());
    int right = -1;
    for (QAction* button : {form.btnRecord, form.btnStop, form.btnSetup}) {
        QWidget* widget = form.ToolBar1->widgetForAction(button);
        ASSERT_NE(nullptr, widget);
        EXPECT_EQ(50, widget->width());
        EXPECT_GT(widget->x(), right) << "left to right in this order";
        right = widget->x();
        EXPECT_TRUE(button->isVisible() && button->isEnabled());
    }

    // The pictures: a red disc, a blue square, a tool picture; crisp at any size.
    for (int size : {24, 96}) {
        const QColor record = CentrePixel(form.btnRecord->icon(), size);
        EXPECT_GT(record.red(), 150);
        EXPECT_LT(record.blue(), 80);
        const QColor stop = CentrePixel(form.btnStop->icon(), size);
        EXPECT_GT(stop.blue(), 150);
        EXPECT_LT(stop.red(), 120);
        EXPECT_EQ(QSize(size, size), form.btnSetup->icon().pixmap(QSize(size, size)).size());
        EXPECT_GT(CentrePixel(form.btnSetup->icon(), size).alpha(), 0);
    }

    // Row 1: the file-name label, empty at start.
    EXPECT_EQ(form.ToolBar2, form.lblFileName->parentWidget());
    EXPECT_EQ("", form.lblFileName->text());

    // The empty panel, then a 20-pixel status bar without panels.
    EXPECT_EQ(QRect(0, 68, 573, 301 - 68 - 20), form.Panel1->geometry());
    EXPECT_TRUE(form.Panel1->findChildren<QWidget*>().isEmpty());
    EXPECT_EQ(QRect(0, 281, 573, 20), form.StatusBar1->geometry());
    for (QWidget* child : form.StatusBar1->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_NE(nullptr, qobject_cast<QSizeGrip*>(child)) << "a panel in the status bar";
}

TEST_F(MainWindow, ComesUpInGermanWithTheUntranslatedTextsInEnglish) {
    EXPECT_EQ(LangGerman, form.LangDispatcher1->ActiveLanguage());
    EXPECT_EQ("Deutsch", form.LangTranslator1->Language());
    EXPECT_EQ("Hymnaro Audio Recorder v0.1", form.windowTitle());
    EXPECT_EQ("Start", form.btnRecord->text());
    EXPECT_EQ("Stop", form.btnStop->text());
    EXPECT_EQ("Optionen", form.btnSetup->text());
    EXPECT_EQ("Record", form.btnRecord->toolTip());
    EXPECT_EQ("Stop", form.btnStop->toolTip());
    EXPECT_EQ("Setup", form.btnSetup->toolTip());
    EXPECT_EQ("Custom 1", form.ToolBar1->windowTitle());
    EXPECT_EQ("Custom 2", form.ToolBar2->windowTitle());
    EXPECT_EQ("Error", TMsgDlgCaptions::Caption("SMsgDlgError"));
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

    form.setWindowTitle(QStringLiteral("Renamed"));
    form.LangDispatcher1->SetActiveLanguage(LangGerman);
    EXPECT_EQ("Start", form.btnRecord->text());
    EXPECT_EQ("Record", form.btnRecord->toolTip());
    EXPECT_EQ("Renamed", form.windowTitle()) << "the German caption cell is empty";
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
    const QString refused = QStringLiteral("Aufnehmen ist nicht möglich: Die Audioaufnahme "
                                           "konnte beim Programmstart nicht vorbereitet werden.");
    EXPECT_THAT(shown.Messages(), ElementsAre(refused, refused));
}

TEST_F(MainWindow, RecordWithAnEmptyFolderShowsTheErrorAndLeavesTheLabel) {
    IniData->SetFolderForRecordings(u"");
    form.lblFileName->setText(QStringLiteral("before"));
    form.btnRecord->trigger();
    EXPECT_THAT(shown.Messages(), ElementsAre("Ordner kann nicht erstellt werden"));
    EXPECT_EQ("before", form.lblFileName->text());
    // The window goes on working (here without a capture controller, so Stop is refused).
    form.btnStop->trigger();
    EXPECT_EQ("", form.lblFileName->text());
}

TEST_F(MainWindow, EveryHandlerErrorIsShownInTheActiveLanguageAndGoesNoFurther) {
    RunGuiHandler(&form, [] { throw Exception("Unable to create directory"); });
    RunGuiHandler(&form, [] { throw std::runtime_error("plain"); });
    RunGuiHandler(&form, [] { throw 42; });
    EXPECT_THAT(shown.Messages(), ElementsAre("Ordner kann nicht erstellt werden", "plain",
                                              "Ein unbekannter Fehler ist aufgetreten."));

    // A display that fails itself loses the message, never the program.
    auto recorder =
        TApplicationErrors::SetDisplay([](QWidget*, const QString&) { throw std::bad_alloc(); });
    RunGuiHandler(&form, [] { throw Exception("lost"); });
    TApplicationErrors::SetDisplay(recorder);
    EXPECT_EQ(3, shown.Messages().size());
}

struct StoppedCase {
    LONG code;
    HRESULT param1;
    const char* english;
    const char* german;
};

// A recording that ends by itself names its cause, in the language the window shows.
TEST_F(MainWindow, TellsWhyARecordingStoppedInBothLanguages) {
    const StoppedCase cases[] = {
        {EC_DEVICE_LOST, S_OK, "The recording stopped because the audio input device was lost.",
         "Die Aufnahme wurde beendet, weil das Audio-Eingabegerät nicht mehr verfügbar ist."},
        {EC_COMPLETE, S_OK,
         "The recording stopped because the audio input device ended the stream.",
         "Die Aufnahme wurde beendet, weil das Audio-Eingabegerät keine Daten mehr liefert."},
        // ENOSPC and EDQUOT, as the file writer reports them; the storage code of the same.
        {EC_ERRORABORT, HRESULT_FROM_WIN32(ERROR_DISK_FULL),
         "The recording stopped because the disk is full.",
         "Die Aufnahme wurde beendet, weil der Datenträger voll ist."},
        {EC_ERRORABORT, STG_E_MEDIUMFULL, "The recording stopped because the disk is full.",
         "Die Aufnahme wurde beendet, weil der Datenträger voll ist."},
        // EFBIG, and the WAV destination's refusal at 4 GiB - 1 bytes.
        {EC_ERRORABORT, HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE),
         "The recording stopped because the file reached its size limit.",
         "Die Aufnahme wurde beendet, weil die Datei ihre maximale Größe erreicht hat."},
        {EC_ERRORABORT, E_FAIL,
         "The recording stopped because of an error.\nThe operation failed. ($80004005).",
         "Die Aufnahme wurde wegen eines Fehlers beendet.\nThe operation failed. ($80004005)."},
    };
    for (const int language : {LangGerman, LangEnglish}) {
        form.LangDispatcher1->SetActiveLanguage(language);
        for (const StoppedCase& c : cases) {
            SCOPED_TRACE(c.english);
            const QString text = TdmRecording::RecordingStoppedText(c.code, LONG_PTR(c.param1));
            EXPECT_EQ(QString::fromUtf8(c.english), text);
            EXPECT_EQ(QString::fromUtf8(language == LangGerman ? c.german : c.english),
                      TApplicationErrors::Translate(text));
        }
    }
}

} // namespace
