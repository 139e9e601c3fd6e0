// The setup dialog: layout, languages, what OK, Cancel, Escape and Enter do, and the
// completion of folder and file names in its edit.
#include "AppTestSupport.h"

#include "app/Main.h"
#include "app/dm_Recording.h"
#include "app/languages/TLangDispatcher.h"
#include "app/setup/KWAutoCompleteEdit.h"
#include "app/setup/dl_Setup.h"
#include "settings/TIniData.h"
#include "settings/u_Config.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
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

TEST_F(SetupDialog, IsLaidOutAsDesignedWithOKFirstInTheTabOrder) {
    EXPECT_EQ(QSize(469, 296), form2.size());
    EXPECT_EQ(form2.minimumSize(), form2.maximumSize()) << "fixed size";
    EXPECT_FALSE(form2.windowFlags() &
                 (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(QPoint(8, 8), form2.Label1->pos());
    EXPECT_EQ(QRect(8, 24, 453, 21), form2.edRecordingFolder->geometry());
    EXPECT_EQ(QRect(130, 241, 97, 25), form2.BitBtn1->geometry());
    EXPECT_EQ(QRect(242, 241, 97, 25), form2.BitBtn2->geometry());
    EXPECT_TRUE(form2.BitBtn1->isDefault());
    EXPECT_EQ(acsShell, form2.edRecordingFolder->ACSource());
    QList<QWidget*> tabOrder;
    for (QWidget* widget = form2.nextInFocusChain(); widget != &form2;
         widget = widget->nextInFocusChain())
        if (widget->focusPolicy() & Qt::TabFocus) tabOrder << widget;
    EXPECT_EQ(QList<QWidget*>({form2.BitBtn1, form2.BitBtn2, form2.edRecordingFolder}), tabOrder);
    EXPECT_EQ("MS Shell Dlg 2", form2.font().family());
}

TEST_F(SetupDialog, ComesUpInGermanBecauseItLinksToTheMainWindow) {
    EXPECT_EQ("Optionen", form2.windowTitle());
    EXPECT_EQ(QString::fromUtf8("Ornder für Aufnahmen:"), form2.Label1->text());
    EXPECT_EQ("OK", form2.BitBtn1->text());
    EXPECT_EQ("Abbrechen", form2.BitBtn2->text());
    EXPECT_EQ("edRecordingFolder", form2.edRecordingFolder->text()) << "German cell is empty";
    EXPECT_GE(form2.Label1->width(), form2.Label1->sizeHint().width());

    form1.LangDispatcher1->SetActiveLanguage(LangEnglish);
    EXPECT_EQ("Setup", form2.windowTitle());
    EXPECT_EQ("Folder for audio files:", form2.Label1->text());
    EXPECT_EQ("Cancel", form2.BitBtn2->text());
}

TEST(SetupDialogAlone, StaysEnglishWithoutAMainWindow) {
    TForm2 dialog;
    EXPECT_EQ("Setup", dialog.windowTitle());
    EXPECT_EQ("Folder for audio files:", dialog.Label1->text());
    EXPECT_EQ("Cancel", dialog.BitBtn2->text());
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

TEST_F(SetupDialog, EnterClosesItAtOnceBecauseOKHasTheFocus) {
    const int result = RunSetup([&] {
        EXPECT_EQ(form2.BitBtn1, form2.focusWidget());
        QTest::keyClick(form2.focusWidget(), Qt::Key_Return);
    });
    EXPECT_EQ(QDialog::Accepted, result);
    EXPECT_EQ(u"/settings/folder", IniData->FolderForRecordings());
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
