// What the user reads: every cause in both languages names what it concerns and holds no code;
// the technical reason goes into the details; texts of the layers below; the message box; and
// the decisions that pick a cause (a folder that cannot be created, a Start that fails).
#include "AppTestSupport.h"

#include "app/EUserError.h"
#include "app/TApplicationErrors.h"
#include "app/TRecordingFolder.h"
#include "app/TUserMessages.h"
#include "app/dm_Recording.h"
#include "app/languages/LangTypes.h"
#include "runtime/WinError.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gmock/gmock.h>

#include <cerrno>
#include <map>
#include <set>

using testing::HasSubstr;

namespace {
using enum TMessageCause;

const QString Folder = QStringLiteral("/home/anna/Dokumente/Aufnahmen");
const QString File = QStringLiteral("/home/anna/Dokumente/Aufnahmen/2024-03-03 14-05-09.wav");
const QString Input = QStringLiteral("USB-Mikrofon");
const QString Blocker = QStringLiteral("/home/anna/Dokumente");
const QString Settings =
    QStringLiteral("/home/anna/.config/Hymnaro/Audio Recorder/AudioRecorder.cfg");

struct CauseCase {
    TMessageCause cause;
    QStringList values; // each must be named in the main text
    TMessageKind kind = TMessageKind::Error;
};

const std::vector<CauseCase>& CauseCases() {
    static const std::vector<CauseCase> cases = {
        {NoCaptureController, {}},
        {CaptureNotPrepared, {}},
        {FolderNotSet, {}},
        {FolderNoPermission, {Folder}},
        {FolderNotAFolder, {Folder, Blocker}},
        {FolderDiskFull, {Folder}},
        {FolderNotCreatable, {Folder}},
        {NoInput, {}},
        {InputBusy, {Input}},
        {InputNotOpenable, {Input}},
        {InputMissing, {QStringLiteral("pulse:alsa_input.usb-Mikrofon")}, TMessageKind::Warning},
        {FileNoPermission, {Folder}},
        {DiskFullAtStart, {Folder}},
        {NoRoomAtStart, {Folder, QStringLiteral("1919")}},
        {NotStarted, {}},
        {DiskFull, {File}},
        {SizeLimit, {File}},
        {InputLost, {Input, File}},
        {StreamEnded, {Input, File}},
        {RecordingAborted, {File}},
        {StopFailed, {File}},
        {PauseFailed, {File}},
        {ResumeFailed, {File}},
        {FolderNameUnusable, {Folder + QStringLiteral("\u2400x")}},
        {FileNotCreatable, {Folder}},
        {RecordingsRepaired, {File + u'\n' + File}, TMessageKind::Information},
        {SettingsUnreadable, {Settings}},
        {SettingsNotSaved, {Settings}},
        {FolderRelative, {QStringLiteral("Musik")}, TMessageKind::Warning},
        {FolderIsFile, {File}, TMessageKind::Warning},
        {FolderBelowAFile, {File + QStringLiteral("/x"), File}, TMessageKind::Warning},
        {FolderNotOpened, {Folder}, TMessageKind::Warning},
        {UnexpectedError, {}},
        {UnknownError, {}},
    };
    return cases;
}

TEST(Messages, EveryCauseSaysInBothLanguagesWhatItConcernsAndKeepsTheCodeInTheDetails) {
    std::set<QString> covered;
    for (const CauseCase& c : CauseCases()) {
        SCOPED_TRACE(TUserMessages::Key(c.cause).toStdString());
        covered.insert(TUserMessages::Key(c.cause));
        const QString details = QStringLiteral("Could not render capture pin. Reason: The "
                                               "operation failed. ($80004005).");
        const TUserError error{c.cause, c.values, details};
        const TUserMessage german = TUserMessages::For(error, LangGerman);
        const TUserMessage english = TUserMessages::For(error, LangEnglish);
        for (const TUserMessage* message : {&german, &english}) {
            EXPECT_FALSE(message->Text.isEmpty());
            EXPECT_FALSE(message->Text.startsWith(TUserMessages::Key(c.cause))) << "no texts";
            for (const QString& value : c.values)
                EXPECT_THAT(message->Text.toStdString(), HasSubstr(value.toStdString()));
            EXPECT_TRUE(HoldsNoCode(message->Text)) << message->Text.toStdString();
            EXPECT_EQ(details, message->Details);
            EXPECT_EQ(c.kind, message->Kind);
        }
        EXPECT_NE(german.Text, english.Text) << "no German text";
        const std::map<TMessageKind, std::pair<const char*, const char*>> titles = {
            {TMessageKind::Error, {"Fehler", "Error"}},
            {TMessageKind::Warning, {"Warnung", "Warning"}},
            {TMessageKind::Information, {"Information", "Information"}},
        };
        EXPECT_EQ(titles.at(c.kind).first, german.Title);
        EXPECT_EQ(titles.at(c.kind).second, english.Title);
        // Raised, it says the same in English to whatever catches it below the display.
        EXPECT_EQ(english.Text.toStdString(), EUserError(error).what());
    }
    EXPECT_EQ(TUserMessages::Causes().size(), covered.size()) << "a cause without its case";
}

TEST(Messages, BeforeTheMainWindowTheyAreInGerman) {
    EXPECT_EQ(StartLanguage, TUserMessages::Language());
    EXPECT_EQ("Kein Audio-Eingang gefunden. Ist ein Mikrofon angeschlossen und läuft der "
              "Sound-Server?",
              TUserMessages::For(TUserError{NoInput, {}, {}}).Text);
}

TEST(Messages, TextsOfTheLayersBelowAreTranslatedOrKeptAsDetails) {
    // Known: the settings writer's words, with the system's own after them.
    const TUserMessage known = TUserMessages::ForText(
        QStringLiteral("Cannot write file \"/x/a.cfg\". No space left on device"), LangGerman);
    EXPECT_EQ("Die Datei „/x/a.cfg“ kann nicht geschrieben werden. No space left on device",
              known.Text);
    EXPECT_EQ("", known.Details);
    // Unknown: an unexpected error in words, the text itself in the details.
    const TUserMessage unknown = TUserMessages::ForText(
        QStringLiteral("Could not obtain the Media Control Interface Reason: ... ($80004002)."),
        LangEnglish);
    EXPECT_THAT(unknown.Text.toStdString(),
                testing::StartsWith("Something unexpected went wrong."));
    EXPECT_EQ("Could not obtain the Media Control Interface Reason: ... ($80004002).",
              unknown.Details);

    const TUserMessage both = TUserMessages::Combine(
        {TUserMessages::For(TUserError{DiskFull, {File}, QStringLiteral("one")}, LangEnglish),
         TUserMessages::For(TUserError{StopFailed, {File}, QStringLiteral("two")}, LangEnglish)});
    EXPECT_THAT(both.Text.toStdString(), HasSubstr("disk is full"));
    EXPECT_THAT(both.Text.toStdString(), HasSubstr("\n\nThe recording “" + File.toStdString()));
    EXPECT_EQ("one\ntwo", both.Details);
}

// The box as the user sees it: title, main text, the details behind their button, all German.
TEST(Messages, TheMessageBoxShowsTheDetailsBehindAButtonInTheSameLanguage) {
    const TUserMessage message = TUserMessages::For(TUserError{InputBusy,
                                                               {Input},
                                                               QStringLiteral("The resource is in "
                                                                              "use. ($800700AA).")},
                                                    LangGerman);
    struct Seen {
        QString title, text, details, ok;
        QStringList buttons;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    } seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(nullptr, box);
        seen = {box->windowTitle(),
                box->text(),
                box->detailedText(),
                box->button(QMessageBox::Ok)->text(),
                {},
                box->icon()};
        for (QAbstractButton* button : box->buttons())
            seen.buttons << button->text();
        box->button(QMessageBox::Ok)->click();
    });
    TApplicationErrors::ShowMessageBox(nullptr, message);
    EXPECT_EQ("Fehler", seen.title);
    EXPECT_EQ(message.Text, seen.text);
    EXPECT_EQ("The resource is in use. ($800700AA).", seen.details);
    EXPECT_EQ("OK", seen.ok);
    EXPECT_THAT(seen.buttons, testing::Contains(QStringLiteral("Details einblenden …")));
    EXPECT_EQ(QMessageBox::Critical, seen.icon);
}

struct FolderErrorCase {
    int error;
    TMessageCause cause;
};

TEST(RecordingFolder, NamesWhyItCannotBeCreated) {
    const FolderErrorCase cases[] = {
        {EACCES, FolderNoPermission}, {EPERM, FolderNoPermission}, {EROFS, FolderNoPermission},
        {EEXIST, FolderNotAFolder},   {ENOTDIR, FolderNotAFolder}, {ENOSPC, FolderDiskFull},
        {EDQUOT, FolderDiskFull},     {ELOOP, FolderNotCreatable}, {EINVAL, FolderNotCreatable},
    };
    for (const FolderErrorCase& c : cases)
        EXPECT_EQ(TUserMessages::Key(c.cause),
                  TUserMessages::Key(TRecordingFolder::CauseOf(c.error)))
            << c.error;

    const QString root = NewTestFolder(QStringLiteral("folders"));
    QFile file(root + QStringLiteral("/take.wav"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString below = root + QStringLiteral("/take.wav/a/b");
    try {
        TRecordingFolder::Create(below.toStdU16String());
        ADD_FAILURE() << "created below a file";
    } catch (const EUserError& error) {
        EXPECT_EQ(TUserMessages::Key(FolderNotAFolder), TUserMessages::Key(error.Error().Cause));
        EXPECT_EQ((QStringList{below, root + QStringLiteral("/take.wav")}), error.Error().Values);
    }
    try {
        TRecordingFolder::Create(u"");
        ADD_FAILURE() << "no folder";
    } catch (const EUserError& error) {
        EXPECT_EQ(TUserMessages::Key(FolderNotSet), TUserMessages::Key(error.Error().Cause));
    }
    TRecordingFolder::Create((root + QStringLiteral("/new/deeper")).toStdU16String());
    EXPECT_TRUE(QFileInfo(root + QStringLiteral("/new/deeper")).isDir());
}

struct StartFailureCase {
    HRESULT hr;
    bool writableFolder;
    TMessageCause cause;
    QString value;
};

// Which cause a Start whose graph does not run is told with, and what it names.
TEST(RecordingStart, AFailureNamesTheInputOrTheFolder) {
    const QString writable = NewTestFolder(QStringLiteral("writable"));
    const QString gone = writable + QStringLiteral("/gone"); // nobody can write into it
    const StartFailureCase cases[] = {
        {HRESULT_FROM_WIN32(ERROR_BUSY), true, InputBusy, Input},
        {HRESULT_FROM_WIN32(ERROR_DISK_FULL), true, DiskFullAtStart, writable},
        {STG_E_MEDIUMFULL, true, DiskFullAtStart, writable},
        {E_ACCESSDENIED, false, FileNoPermission, gone},
        {E_ACCESSDENIED, true, InputNotOpenable, Input}, // the input's device refused
        {HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED), true, InputNotOpenable, Input},
        {E_FAIL, true, InputNotOpenable, Input},
    };
    for (const StartFailureCase& c : cases) {
        const QString folder = c.writableFolder ? writable : gone;
        const TUserError error =
            TdmRecording::StartFailure(c.hr, QStringLiteral("details"), folder, Input);
        EXPECT_EQ(TUserMessages::Key(c.cause), TUserMessages::Key(error.Cause)) << c.hr;
        EXPECT_EQ(QStringList{c.value}, error.Values);
        EXPECT_EQ("details", error.Details);
    }
}
} // namespace
