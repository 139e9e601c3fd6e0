// The program's start-up and shutdown around the settings: a settings file that cannot be
// loaded ends the program before any window and is left as it was; a failed save at exit is
// shown and shutdown goes on, or, when a signal ends the program, written to the standard
// error stream without waiting for anyone.
#include "AppTestSupport.h"

#include "app/HMAudioRecorder.h"
#include "app/Main.h"
#include "app/TApplicationErrors.h"
#include "app/dm_Recording.h"
#include "app/setup/dl_Setup.h"
#include "runtime/Apartment.h"
#include "settings/TIniData.h"
#include "settings/u_Config.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gmock/gmock.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using testing::HasSubstr;

namespace {
// Each test has a configuration folder of its own, so it starts without a settings file.
class Startup : public testing::Test {
protected:
    Startup() : config(NewTestFolder(QStringLiteral("config"))) {
        previous = std::getenv("XDG_CONFIG_HOME");
        setenv("XDG_CONFIG_HOME", config.toUtf8().constData(), 1);
    }
    ~Startup() override { setenv("XDG_CONFIG_HOME", previous.c_str(), 1); }

    QString SettingsFile() const {
        return config + QStringLiteral("/Hymnaro/Audio Recorder/AudioRecorder.cfg");
    }
    void WriteSettings(const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(SettingsFile()).path());
        QFile file(SettingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray ReadSettings() const {
        QFile file(SettingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static int VisibleWindows() {
        int visible = 0;
        for (QWidget* window : QApplication::topLevelWidgets())
            visible += window->isVisible();
        return visible;
    }

    QString config;
    std::string previous;
    TShownMessages shown;
};

TEST_F(Startup, AnUnreadableSettingsFileEndsTheProgramBeforeAnyWindow) {
    const QByteArray broken = "object IniData: TIniData\r\n  FolderForRecordings = 'x'\r\n";
    WriteSettings(broken);
    const int apartments = CoInitializeCount();
    {
        THMAudioRecorder program;
        EXPECT_FALSE(program.Start());
        EXPECT_EQ(nullptr, Form1);
        EXPECT_EQ(nullptr, IniData);
        EXPECT_EQ(0, VisibleWindows());
    }
    // In German, the language the program starts in, although no window says so yet; the
    // reader's own words are the details.
    ASSERT_EQ(1, shown.Messages().size());
    const TUserMessage& message = shown.Shown()[0];
    EXPECT_EQ("Fehler", message.Title);
    EXPECT_EQ("Die Einstellungsdatei „" + SettingsFile() +
                  "“ kann nicht gelesen werden, daher wird das Programm beendet. Die Datei bleibt "
                  "unverändert.\nKorrigieren oder löschen Sie die Datei und starten Sie das "
                  "Programm dann erneut.",
              message.Text);
    EXPECT_THAT(message.Details.toStdString(), testing::Eq("Identifier expected on line 3"));
    EXPECT_EQ(broken, ReadSettings()) << "the file is left untouched";
    EXPECT_EQ(apartments, CoInitializeCount());
}

TEST_F(Startup, ANamedPipeInPlaceOfTheSettingsFileIsNamedAndRefusedAtOnce) {
    QDir().mkpath(QFileInfo(SettingsFile()).path());
    ASSERT_EQ(0, mkfifo(SettingsFile().toUtf8().constData(), 0644));
    {
        THMAudioRecorder program;
        EXPECT_FALSE(program.Start()); // does not wait for a writer
        EXPECT_EQ(nullptr, Form1);
    }
    ASSERT_EQ(1, shown.Messages().size());
    EXPECT_THAT(shown.Messages()[0].toStdString(),
                HasSubstr("Die Einstellungsdatei „" + SettingsFile().toStdString() + "“"));
    EXPECT_EQ("Die Datei „" + SettingsFile() +
                  "“ kann nicht geöffnet werden. Not a regular file (a named pipe)",
              shown.Shown()[0].Details);
    EXPECT_TRUE(QFileInfo(SettingsFile()).exists());
    EXPECT_FALSE(QFileInfo(SettingsFile()).isFile()) << "the pipe was replaced";
}

TEST_F(Startup, CreatesTheWindowsInOrderAndSavesTheSettingsAtTheEnd) {
    THMAudioRecorder program;
    ASSERT_TRUE(program.Start());
    ASSERT_NE(nullptr, IniData);
    ASSERT_NE(nullptr, Form1);
    ASSERT_NE(nullptr, dmRecording);
    ASSERT_NE(nullptr, Form2);
    EXPECT_EQ(Form1, Form2->parentWidget());
    EXPECT_EQ("Start", Form1->btnRecord->text());
    EXPECT_EQ("Abbrechen", Form2->BitBtn2->text());
    EXPECT_EQ(0, VisibleWindows()) << "nothing shown before the message loop";

    IniData->SetFolderForRecordings(u"/saved/at/exit");
    program.Finish();
    EXPECT_EQ(nullptr, Form1);
    EXPECT_EQ(nullptr, Form2);
    EXPECT_EQ(nullptr, dmRecording);
    EXPECT_EQ(nullptr, IniData);
    EXPECT_EQ(QByteArray("object IniData: TIniData\r\n"
                         "  FolderForRecordings = '/saved/at/exit'\r\n"
                         "end\r\n"),
              ReadSettings());
    EXPECT_TRUE(shown.Messages().isEmpty()) << shown.Messages().join(u'|').toStdString();
}

TEST_F(Startup, RunShowsTheMainWindowUntilItClosesThenSaves) {
    THMAudioRecorder program;
    bool wasVisible = false;
    QTimer::singleShot(0, [&] {
        wasVisible = Form1 && Form1->isVisible();
        if (Form1) Form1->close();
    });
    EXPECT_EQ(0, program.Run(*qApp));
    EXPECT_TRUE(wasVisible);
    EXPECT_EQ(nullptr, Form1);
    EXPECT_THAT(ReadSettings().toStdString(), HasSubstr("object IniData: TIniData"));
}

TEST_F(Startup, AFailedSaveAtExitIsShownAndShutdownGoesOn) {
    THMAudioRecorder program;
    ASSERT_TRUE(program.Start());
    // A file where the settings folder should be: neither folder nor file can be created.
    QFile blocker(config + QStringLiteral("/Hymnaro"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    program.Finish();
    ASSERT_EQ(1, shown.Messages().size());
    EXPECT_EQ("Die Einstellungen konnten nicht in „" + SettingsFile() +
                  "“ gespeichert werden. Die bisherige Einstellungsdatei bleibt, wie sie "
                  "war.\nPrüfen Sie, ob Sie dort schreiben dürfen und ob auf dem Datenträger "
                  "Platz ist.",
              shown.Messages()[0]);
    EXPECT_EQ("Die Datei „" + SettingsFile() + "“ kann nicht erstellt werden. Not a directory",
              shown.Shown()[0].Details);
    EXPECT_EQ(nullptr, Form1) << "the windows and the capture controller are still released";
    EXPECT_EQ(nullptr, dmRecording);
    EXPECT_EQ(nullptr, IniData);
}

// What the program writes to the standard error stream while it lives.
class TStandardError {
public:
    TStandardError() : FFile(NewTestFolder(QStringLiteral("stderr")) + QStringLiteral("/2")) {
        std::fflush(stderr);
        FSaved = dup(2);
        const int file = open(FFile.toUtf8().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(file, 2);
        close(file);
    }
    ~TStandardError() { Restore(); }
    QString Text() {
        Restore();
        QFile file(FFile);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    void Restore() {
        if (FSaved < 0) return;
        std::fflush(stderr);
        dup2(FSaved, 2);
        close(FSaved);
        FSaved = -1;
    }
    QString FFile;
    int FSaved = -1;
};

TEST_F(Startup, ASignalEndsTheProgramWithoutWaitingForAnyoneAndWritesWhatWentWrong) {
    THMAudioRecorder program;
    TStandardError standardError;
    QTimer::singleShot(0, [&] {
        // A file where the settings folder should be: the save at exit will fail.
        QFile blocker(config + QStringLiteral("/Hymnaro"));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ASSERT_EQ(0, kill(getpid(), SIGTERM)); // as a shutdown or a logout sends it
    });
    EXPECT_EQ(0, program.Run(*qApp));
    TApplicationErrors::SetUnattended(false);
    const QString written = standardError.Text();
    EXPECT_TRUE(shown.Messages().isEmpty()) << "a message box would wait for a click";
    // The main text, then the details.
    EXPECT_THAT(written.toStdString(),
                HasSubstr("hymnaro-recorder: Die Einstellungen konnten nicht in „" +
                          SettingsFile().toStdString() + "“ gespeichert werden."));
    EXPECT_THAT(written.toStdString(),
                HasSubstr("Platz ist.\nDie Datei „" + SettingsFile().toStdString() +
                          "“ kann nicht erstellt werden. Not a directory\n"));
    EXPECT_EQ(nullptr, Form1);
    EXPECT_EQ(nullptr, IniData);
}
} // namespace
