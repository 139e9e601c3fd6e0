// The setup dialog: layout, languages, the keyboard, what OK keeps and refuses, Cancel and
// Escape, Browse, and the completion of folder and file names in its edit.
#include "AppTestSupport.h"
#include "CaptureFakes.h"

#include "app/Main.h"
#include "app/dm_Recording.h"
#include "app/languages/TLangDispatcher.h"
#include "app/setup/KWAutoCompleteEdit.h"
#include "app/setup/dl_Setup.h"
#include "settings/TIniData.h"
#include "settings/u_Config.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gmock/gmock.h>

#include <functional>

using testing::UnorderedElementsAre;

namespace {
// The program's windows as start-up creates them: the main window, then the dialog.
class SetupDialog : public testing::Test {
protected:
    SetupDialog() {
        Form1 = &form1;
        Form2 = &form2;
        IniData->SetFolderForRecordings(u"/settings/folder");
    }
    ~SetupDialog() override {
        Form2 = nullptr;
        Form1 = nullptr;
    }

    // Clicks Setup; the action runs while the dialog is open modally.
    int RunSetup(const std::function<void()>& whileOpen) {
        bool ran = false;
        QTimer::singleShot(0, &form2, [&] {
            EXPECT_TRUE(form2.isVisible() && form2.isModal());
            whileOpen();
            ran = true;
        });
        form1.btnSetup->trigger();
        EXPECT_TRUE(ran);
        EXPECT_FALSE(form2.isVisible());
        return form2.result();
    }

    // The controls Tab walks through, from the dialog on.
    QList<QWidget*> TabOrder() {
        QList<QWidget*> order;
        for (QWidget* widget = form2.nextInFocusChain(); widget != &form2;
             widget = widget->nextInFocusChain())
            if ((widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled()) order << widget;
        return order;
    }

    // The folder of the name the next Record would record into.
    QString NextRecordingFolder() {
        return QFileInfo(QString::fromStdU16String(TdmRecording::RecordingFileNameAt(
                             form1.RecordingFolder(), QDateTime::currentDateTime())))
            .path();
    }

    TSettingsScope settings;
    TShownMessages shown;
    TForm1 form1;
    TForm2 form2{&form1};
};

// The design's rows: the label at 8, 8 above the 21-pixel field at 8, 24, which shares its row
// with Browse; 8 pixels below, the input device's label above its drop-down, and below that the
// format's; OK and Cancel centred at the bottom.
TEST_F(SetupDialog, IsLaidOutAsDesignedWithTheFolderFirstInTheTabOrder) {
    form2.layout()->activate();
    EXPECT_EQ(QSize(469, 296), form2.size());
    EXPECT_EQ(form2.minimumSize(), form2.maximumSize()) << "fixed size";
    EXPECT_FALSE(form2.windowFlags() &
                 (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(QPoint(8, 8), form2.Label1->pos());
    EXPECT_GE(form2.Label1->width(), form2.Label1->sizeHint().width());
    const QRect edit = form2.edRecordingFolder->geometry();
    const QRect browse = form2.btnBrowse->geometry();
    EXPECT_EQ(QRect(8, 24, edit.width(), 21), edit);
    EXPECT_EQ(24, browse.top());
    EXPECT_EQ(21, browse.height());
    EXPECT_GT(browse.left(), edit.right()) << "Browse is beside the field";
    EXPECT_EQ(461, browse.right() + 1) << "and ends where the field ended";
    EXPECT_GE(browse.width(), form2.btnBrowse->sizeHint().width()) << "its caption fits";
    EXPECT_EQ(QPoint(8, 53), form2.Label2->pos());
    EXPECT_EQ(QRect(8, 69, 453, 21), form2.cbCaptureDevice->geometry());
    EXPECT_EQ(form2.cbCaptureDevice, form2.Label2->buddy());
    EXPECT_EQ(QPoint(8, 98), form2.Label3->pos());
    EXPECT_EQ(QRect(8, 114, 453, 21), form2.cbRecordingFormat->geometry());
    EXPECT_EQ(form2.cbRecordingFormat, form2.Label3->buddy());
    EXPECT_EQ(QRect(130, 241, 97, 25), form2.BitBtn1->geometry());
    EXPECT_EQ(QRect(242, 241, 97, 25), form2.BitBtn2->geometry());
    EXPECT_TRUE(form2.BitBtn1->isDefault());
    EXPECT_EQ(acsShell, form2.edRecordingFolder->ACSource());
    EXPECT_EQ((QList<QWidget*>{form2.edRecordingFolder, form2.btnBrowse, form2.cbCaptureDevice,
                               form2.cbRecordingFormat, form2.BitBtn1, form2.BitBtn2}),
              TabOrder());
    EXPECT_EQ("MS Shell Dlg 2", form2.font().family());
}

TEST_F(SetupDialog, ComesUpInGermanBecauseItLinksToTheMainWindow) {
    EXPECT_EQ("Optionen", form2.windowTitle());
    EXPECT_EQ("Ordner für Aufnahmen:", form2.Label1->text());
    EXPECT_EQ("Durchsuchen…", form2.btnBrowse->text());
    EXPECT_EQ("OK", form2.BitBtn1->text());
    EXPECT_EQ("Abbrechen", form2.BitBtn2->text());
    EXPECT_EQ("Ordner für Aufnahmen", form2.edRecordingFolder->accessibleName());
    EXPECT_EQ("Eingabegerät:", form2.Label2->text());
    EXPECT_EQ("Eingabegerät", form2.cbCaptureDevice->accessibleName());
    EXPECT_EQ("edRecordingFolder", form2.edRecordingFolder->text()) << "German cell is empty";

    form1.LangDispatcher1->SetActiveLanguage(LangEnglish);
    EXPECT_EQ("Setup", form2.windowTitle());
    EXPECT_EQ("Folder for audio files:", form2.Label1->text());
    EXPECT_EQ("Browse…", form2.btnBrowse->text());
    EXPECT_EQ("Cancel", form2.BitBtn2->text());
    EXPECT_EQ("Folder for audio files", form2.edRecordingFolder->accessibleName());
    EXPECT_EQ("Input device:", form2.Label2->text());
}

TEST(SetupDialogAlone, StaysEnglishWithoutAMainWindow) {
    TForm2 dialog;
    EXPECT_EQ("Setup", dialog.windowTitle());
    EXPECT_EQ("Folder for audio files:", dialog.Label1->text());
    EXPECT_EQ("Cancel", dialog.BitBtn2->text());
}

TEST_F(SetupDialog, OpensReadyToTypeInTheFolderFieldWithEnterForOKAndEscapeForCancel) {
    const QString folder = NewTestFolder(QStringLiteral("typed"));
    IniData->SetFolderForRecordings(folder.toStdU16String());
    // Typing goes to the end of the folder, and a space is typed, not a press of OK.
    int result = RunSetup([&] {
        ASSERT_EQ(form2.edRecordingFolder, form2.focusWidget());
        EXPECT_EQ(folder.size(), form2.edRecordingFolder->cursorPosition());
        EXPECT_FALSE(form2.edRecordingFolder->hasSelectedText());
        QTest::keyClicks(form2.edRecordingFolder, QStringLiteral("/new one"));
        EXPECT_TRUE(form2.isVisible());
        QTest::keyClick(form2.edRecordingFolder, Qt::Key_Return);
    });
    EXPECT_EQ(QDialog::Accepted, result);
    EXPECT_EQ((folder + QStringLiteral("/new one")).toStdU16String(),
              IniData->FolderForRecordings());

    result = RunSetup([&] {
        QTest::keyClicks(form2.edRecordingFolder, QStringLiteral("/not kept"));
        QTest::keyClick(form2.edRecordingFolder, Qt::Key_Escape);
    });
    EXPECT_EQ(QDialog::Rejected, result);
    EXPECT_EQ((folder + QStringLiteral("/new one")).toStdU16String(),
              IniData->FolderForRecordings());
    EXPECT_TRUE(shown.Messages().isEmpty());
}

TEST_F(SetupDialog, ShowsTheSettingsFolderAndOKStoresTheEditedOne) {
    const QString edited = NewTestFolder(QStringLiteral("edited"));
    const int result = RunSetup([&] {
        EXPECT_EQ("/settings/folder", form2.edRecordingFolder->text());
        form2.edRecordingFolder->setText(edited);
        form2.BitBtn1->click();
    });
    EXPECT_EQ(QDialog::Accepted, result);
    EXPECT_EQ(edited.toStdU16String(), IniData->FolderForRecordings());
    EXPECT_EQ(edited, NextRecordingFolder());
    RunSetup([&] {
        EXPECT_EQ(edited, form2.edRecordingFolder->text());
        form2.BitBtn2->click();
    });
    EXPECT_TRUE(shown.Messages().isEmpty());
}

TEST_F(SetupDialog, CancelEscapeCloseAndBlankTextLeaveTheSettings) {
    const QString kept = NewTestFolder(QStringLiteral("kept"));
    IniData->SetFolderForRecordings(kept.toStdU16String());
    const std::pair<const char*, std::function<void()>> endings[] = {
        {"Cancel", [&] { form2.BitBtn2->click(); }},
        {"Escape", [&] { QTest::keyClick(&form2, Qt::Key_Escape); }},
        {"close button", [&] { form2.close(); }},
        {"blank text and OK",
         [&] {
             form2.edRecordingFolder->setText(QStringLiteral("   "));
             form2.BitBtn1->click();
         }},
    };
    for (const auto& [name, end] : endings) {
        RunSetup([&] {
            form2.edRecordingFolder->setText(QStringLiteral("/elsewhere"));
            end();
        });
        EXPECT_EQ(kept.toStdU16String(), IniData->FolderForRecordings()) << name;
        EXPECT_EQ(kept, NextRecordingFolder()) << name;
    }
}

struct TypedCase {
    const char* typed;
    const char* kept;    // the folder OK keeps ("" when it is refused)
    const char* refusal; // the German message when it is refused
};

// What OK makes of a typed text: the blanks around it dropped, "~" the home folder; a relative
// path, a file and a path below a file refused, in the dialog's language, the dialog left open
// with the text.
TEST_F(SetupDialog, OKChecksTheTypedFolder) {
    const QString home = QDir::homePath();
    const QString root = NewTestFolder(QStringLiteral("checks"));
    QFile file(root + QStringLiteral("/take.wav"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString existing = NewTestFolder(QStringLiteral("existing"));
    auto at = [&](const char* path) {
        return QString::fromUtf8(path)
            .replace(QStringLiteral("<home>"), home)
            .replace(QStringLiteral("<root>"), root);
    };
    const TypedCase cases[] = {
        {"~", "<home>", ""},
        {"~/Musik/Aufnahmen", "<home>/Musik/Aufnahmen", ""},
        {"  \t<root>/not there yet/deeper  ", "<root>/not there yet/deeper", ""},
        {"<root>", "<root>", ""},
        {"Musik", "", "„Musik“ ist kein vollständiger Pfad."},
        {"  ~Musik ", "", "„~Musik“ ist kein vollständiger Pfad."},
        {"./Aufnahmen", "", "„./Aufnahmen“ ist kein vollständiger Pfad."},
        {"<root>/take.wav", "", "„<root>/take.wav“ ist eine Datei und kein Ordner."},
        {"<root>/take.wav/Aufnahmen", "",
         "„<root>/take.wav/Aufnahmen“ kann kein Ordner sein, weil „<root>/take.wav“ eine Datei "
         "ist."},
    };
    for (const TypedCase& c : cases) {
        SCOPED_TRACE(c.typed);
        IniData->SetFolderForRecordings(existing.toStdU16String());
        const qsizetype before = shown.Messages().size();
        const int result = RunSetup([&] {
            form2.edRecordingFolder->setText(at(c.typed));
            form2.BitBtn1->click();
            if (!*c.kept) {
                EXPECT_TRUE(form2.isVisible()) << "the dialog stays open";
                EXPECT_EQ(at(c.typed), form2.edRecordingFolder->text()) << "with the text";
                EXPECT_EQ(form2.edRecordingFolder, form2.focusWidget());
                form2.BitBtn2->click();
            }
        });
        if (*c.kept) {
            EXPECT_EQ(QDialog::Accepted, result);
            EXPECT_EQ(at(c.kept).toStdU16String(), IniData->FolderForRecordings());
            EXPECT_EQ(before, shown.Messages().size());
            continue;
        }
        EXPECT_EQ(existing.toStdU16String(), IniData->FolderForRecordings());
        ASSERT_EQ(before + 1, shown.Messages().size());
        const TUserMessage& refusal = shown.Shown().back();
        EXPECT_THAT(refusal.Text.toStdString(), testing::StartsWith(at(c.refusal).toStdString()));
        EXPECT_THAT(refusal.Text.toStdString(), testing::HasSubstr("„Durchsuchen…“"));
        EXPECT_EQ("Warnung", refusal.Title);
    }

    // In the dialog's language.
    form1.LangDispatcher1->SetActiveLanguage(LangEnglish);
    RunSetup([&] {
        form2.edRecordingFolder->setText(QStringLiteral("Music"));
        form2.BitBtn1->click();
        form2.BitBtn2->click();
    });
    EXPECT_EQ("“Music” is not a full path.\nEnter a path that begins with “/” (or with “~” for "
              "your home folder), or choose the folder with the Browse button.",
              shown.Messages().back());
    EXPECT_EQ("Warning", shown.Shown().back().Title);
}

// Browse asks the desktop's folder chooser, starting where the typed folder is (or the nearest
// folder above it that exists), and takes what was chosen.
TEST_F(SetupDialog, BrowseOpensTheFolderChooserWhereTheTypedFolderIsAndTakesTheChoice) {
    const QString root = NewTestFolder(QStringLiteral("browse"));
    struct Asked {
        QString title, start;
    };
    QList<Asked> asked;
    QString answer;
    const auto previous =
        TForm2::SetFolderChooser([&](QWidget* parent, const QString& title, const QString& start) {
            EXPECT_EQ(&form2, parent);
            asked.append({title, start});
            return answer;
        });
    RunSetup([&] {
        form2.edRecordingFolder->setText(root + QStringLiteral("/not/there"));
        answer = root + QStringLiteral("/chosen");
        form2.btnBrowse->click();
        EXPECT_EQ(root + QStringLiteral("/chosen"), form2.edRecordingFolder->text());
        EXPECT_EQ(form2.edRecordingFolder, form2.focusWidget());
        answer.clear(); // the chooser was cancelled
        form2.btnBrowse->click();
        EXPECT_EQ(root + QStringLiteral("/chosen"), form2.edRecordingFolder->text());
        form2.edRecordingFolder->setText(QStringLiteral("relative"));
        form2.btnBrowse->click();
        form2.BitBtn2->click();
    });
    TForm2::SetFolderChooser(previous);
    ASSERT_EQ(3, asked.size());
    EXPECT_EQ("Ordner für Aufnahmen", asked[0].title);
    EXPECT_EQ(root, asked[0].start);
    EXPECT_EQ(root, asked[1].start) << "the nearest folder that exists";
    EXPECT_EQ(QDir::homePath(), asked[2].start);
}

TEST_F(SetupDialog, TheDesktopsChooserChoosesAFolder) {
    const QString root = NewTestFolder(QStringLiteral("desktop"));
    QDir(root).mkdir(QStringLiteral("picked"));
    RunSetup([&] {
        form2.edRecordingFolder->setText(root);
        QTimer::singleShot(0, &form2, [&] {
            auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(nullptr, chooser) << "no folder chooser";
            EXPECT_EQ(QFileDialog::Directory, chooser->fileMode());
            EXPECT_EQ(root, chooser->directory().absolutePath());
            chooser->selectFile(root + QStringLiteral("/picked"));
            static_cast<QDialog*>(chooser)->accept(); // what its Choose button does
        });
        form2.btnBrowse->click();
        EXPECT_EQ(root + QStringLiteral("/picked"), form2.edRecordingFolder->text());
        form2.BitBtn2->click();
    });
}

// Another setting goes below the folder, its field in the tab order before OK.
TEST_F(SetupDialog, ARowAddedGoesBelowTheLastAndBeforeOKInTheTabOrder) {
    auto* label = new QLabel(QStringLiteral("Another setting:"), &form2);
    auto* field = new QComboBox(&form2);
    form2.AddRow(label, field);
    form2.layout()->activate();
    EXPECT_EQ(8, label->x());
    EXPECT_GT(label->y(), form2.cbRecordingFormat->geometry().bottom());
    EXPECT_EQ(label->geometry().bottom() + 1, field->y());
    EXPECT_LT(field->geometry().bottom(), form2.BitBtn1->y());
    EXPECT_EQ(field, label->buddy());
    EXPECT_EQ((QList<QWidget*>{form2.edRecordingFolder, form2.btnBrowse, form2.cbCaptureDevice,
                               form2.cbRecordingFormat, field, form2.BitBtn1, form2.BitBtn2}),
              TabOrder());
}

// The input devices of the recording data module, over a scripted device enumerator.
class SetupDialogInputs : public SetupDialog {
protected:
    SetupDialogInputs() {
        devices.devices = {
            {{{u"FriendlyName", u"Default ALSA device"}, {u"DevicePath", u"default"}}},
            {{{u"FriendlyName", u"USB Mikrofon"}, {u"DevicePath", u"pulse:usb_mic"}}},
            {{{u"FriendlyName", u"Monitor of Speakers"},
              {u"DevicePath", u"pulse:speakers.monitor"},
              {u"MonitorOf", u"Lautsprecher"}}},
        };
        dmRecording = &module;
    }
    ~SetupDialogInputs() override { dmRecording = nullptr; }

    QStringList Listed() const {
        QStringList names;
        for (int i = 0; i < form2.cbCaptureDevice->count(); ++i)
            names << form2.cbCaptureDevice->itemText(i);
        return names;
    }

    FakeDeviceSet devices;
    FakeDeviceEnumScope scope{devices};
    TdmRecording module;
};

TEST_F(SetupDialogInputs, ListsTheInputsAsTheyAreNowAndOKKeepsTheChoice) {
    const int enumerated = devices.enumerations;
    RunSetup([&] {
        EXPECT_EQ((QStringList{"Systemstandard", "USB Mikrofon", "Was Lautsprecher wiedergibt"}),
                  Listed());
        EXPECT_EQ(0, form2.cbCaptureDevice->currentIndex()) << "nothing chosen yet";
        form2.cbCaptureDevice->setCurrentIndex(2);
        form2.BitBtn1->click();
    });
    EXPECT_EQ(enumerated + 1, devices.enumerations) << "listed anew when the dialog opens";
    EXPECT_EQ(u"pulse:speakers.monitor", IniData->CaptureDevice());

    // Cancel leaves the choice; the next opening shows it.
    RunSetup([&] {
        EXPECT_EQ(2, form2.cbCaptureDevice->currentIndex());
        form2.cbCaptureDevice->setCurrentIndex(1);
        form2.BitBtn2->click();
    });
    EXPECT_EQ(u"pulse:speakers.monitor", IniData->CaptureDevice());

    // The system default is no choice at all: the settings file stays as it was.
    RunSetup([&] {
        form2.cbCaptureDevice->setCurrentIndex(0);
        form2.BitBtn1->click();
    });
    EXPECT_EQ(u"", IniData->CaptureDevice());

    // A folder that OK refuses keeps the dialog open, and the choice is not stored yet.
    RunSetup([&] {
        form2.cbCaptureDevice->setCurrentIndex(1);
        form2.edRecordingFolder->setText(QStringLiteral("relative/folder"));
        form2.BitBtn1->click();
        EXPECT_TRUE(form2.isVisible());
        EXPECT_EQ(u"", IniData->CaptureDevice());
        form2.BitBtn2->click();
    });
    EXPECT_EQ(1, shown.Messages().size());
}

TEST_F(SetupDialogInputs, AChosenDeviceThatIsNotThereStaysTheChoiceUntilAnotherIsMade) {
    IniData->SetCaptureDevice(u"pulse:headset");
    RunSetup([&] {
        EXPECT_EQ((QStringList{"Systemstandard", "USB Mikrofon", "Was Lautsprecher wiedergibt",
                               "pulse:headset (nicht verfügbar)"}),
                  Listed());
        EXPECT_EQ(3, form2.cbCaptureDevice->currentIndex());
        form2.BitBtn1->click();
    });
    EXPECT_EQ(u"pulse:headset", IniData->CaptureDevice());

    // A key in another letter case is the same device; the default device's own key is the
    // system default.
    for (const auto& [stored, index] : {std::pair{u"PULSE:USB_MIC", 1}, std::pair{u"default", 0}}) {
        IniData->SetCaptureDevice(stored);
        RunSetup([&, index = index] {
            EXPECT_EQ(3, form2.cbCaptureDevice->count());
            EXPECT_EQ(index, form2.cbCaptureDevice->currentIndex());
            form2.BitBtn2->click();
        });
    }
}

TEST_F(SetupDialog, TheFormatIsChosenInTheInterfacesLanguageAndWavIsNoChoice) {
    auto listed = [&] {
        QStringList names;
        for (int i = 0; i < form2.cbRecordingFormat->count(); ++i)
            names << form2.cbRecordingFormat->itemText(i);
        return names;
    };
    RunSetup([&] {
        EXPECT_EQ((QStringList{"WAV (unkomprimiert)", "FLAC (verlustfrei)", "Opus (klein)"}),
                  listed());
        EXPECT_EQ(0, form2.cbRecordingFormat->currentIndex());
        form2.cbRecordingFormat->setCurrentIndex(1);
        form2.BitBtn1->click();
    });
    EXPECT_EQ(u"FLAC", IniData->RecordingFormat());

    form1.LangDispatcher1->SetActiveLanguage(LangEnglish);
    RunSetup([&] {
        EXPECT_EQ((QStringList{"WAV (uncompressed)", "FLAC (lossless)", "Opus (small)"}), listed());
        EXPECT_EQ(1, form2.cbRecordingFormat->currentIndex());
        form2.cbRecordingFormat->setCurrentIndex(2);
        form2.BitBtn2->click();
    });
    EXPECT_EQ(u"FLAC", IniData->RecordingFormat()) << "Cancel keeps it";

    RunSetup([&] {
        form2.cbRecordingFormat->setCurrentIndex(0);
        form2.BitBtn1->click();
    });
    EXPECT_EQ(u"", IniData->RecordingFormat()) << "WAV is stored as no choice";
}

// A value from a newer program or a typo records WAV, so it shows as WAV; OK without a choice
// keeps it, a choice replaces it.
TEST_F(SetupDialog, AnUnknownStoredFormatShowsAsWavAndStaysUntilAFormatIsChosen) {
    IniData->SetRecordingFormat(u"MP3");
    RunSetup([&] {
        EXPECT_EQ(0, form2.cbRecordingFormat->currentIndex());
        form2.BitBtn1->click();
    });
    EXPECT_EQ(u"MP3", IniData->RecordingFormat());
    RunSetup([&] {
        form2.cbRecordingFormat->setCurrentIndex(2);
        form2.BitBtn1->click();
    });
    EXPECT_EQ(u"Opus", IniData->RecordingFormat());
}

TEST_F(SetupDialog, TypingAFolderPathOffersItsMatchingFoldersAndFiles) {
    const QString root = NewTestFolder(QStringLiteral("complete"));
    for (const char* folder : {"alpha", "alpine", "beta"})
        QDir(root).mkdir(folder);
    for (const char* file : {"album.wav", "bass.wav"}) {
        QFile f(root + u'/' + QLatin1String(file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    form1.show();
    form2.show();
    ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == &form2; }));
    TACEdit* edit = form2.edRecordingFolder;
    edit->setFocus();
    edit->clear();
    const QString typed = root + QStringLiteral("/al");
    QTest::keyClicks(edit, typed);

    QCompleter* completer = edit->AutoComplete();
    ASSERT_NE(nullptr, completer);
    ASSERT_EQ(completer, edit->completer());
    auto offered = [&] {
        QStringList names;
        QAbstractItemModel* model = completer->completionModel();
        for (int row = 0; row < model->rowCount(); ++row)
            names << model->index(row, 0).data().toString();
        return names;
    };
    bool ok = WaitFor([&] { return completer->popup()->isVisible() && offered().size() == 3; });
    ASSERT_TRUE(ok) << offered().join(u',').toStdString();
    EXPECT_THAT(offered(), UnorderedElementsAre("alpha", "alpine", "album.wav"));
    EXPECT_EQ(typed, edit->text()) << "nothing is appended without acAutoAppend";

    // The down key walks the list; the edit shows the highlighted entry.
    QTest::keyClick(completer->popup(), Qt::Key_Down);
    const QModelIndex first = completer->popup()->currentIndex();
    ASSERT_TRUE(first.isValid());
    EXPECT_EQ(0, first.row());
    QTest::keyClick(completer->popup(), Qt::Key_Down);
    EXPECT_EQ(1, completer->popup()->currentIndex().row());
    EXPECT_TRUE(edit->text().startsWith(root + QStringLiteral("/al")))
        << edit->text().toStdString();
    QTest::keyClick(completer->popup(), Qt::Key_Escape);
    form2.hide();
}
} // namespace
