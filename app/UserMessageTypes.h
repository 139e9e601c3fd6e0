#pragma once
// The records of what the program tells its user. The part that decides (the data module, the
// program, a dialog) names a cause and what it concerns (TUserError); one mapper,
// TUserMessages, turns it into the words of the active language (TUserMessage); the error
// display shows that. A new message is a new cause here, its key in TUserMessages.cpp and its
// English and German texts under that key in app/languages/TextTables.cpp.
#include <QString>
#include <QStringList>

// What happened. The comment names the values a cause carries, in the order of its texts'
// %1, %2, ...
enum class TMessageCause {
    // Recording.
    NoCaptureController, // -
    CaptureNotPrepared,  // -
    FolderNotSet,        // -
    FolderNoPermission,  // the folder
    FolderNotAFolder,    // the folder, the file in its way
    FolderDiskFull,      // the folder
    FolderNotCreatable,  // the folder
    NoInput,             // -
    InputBusy,           // the input
    InputNotOpenable,    // the input
    InputMissing,        // the chosen input's key (the system default records instead)
    FileNoPermission,    // the folder
    DiskFullAtStart,     // the folder
    NoRoomAtStart,       // the folder, the kB free there
    NotStarted,          // -
    DiskFull,            // the file
    SizeLimit,           // the file
    InputLost,           // the input, the file
    StreamEnded,         // the input, the file
    RecordingAborted,    // the file
    StopFailed,          // the file
    PauseFailed,         // the file
    ResumeFailed,        // the file
    FolderNameUnusable,  // the folder (a NUL shown as ␀)
    FileNotCreatable,    // the folder
    // Start-up.
    RecordingsRepaired, // the files, one a line
    // The settings file.
    SettingsUnreadable, // the settings file
    SettingsNotSaved,   // the settings file
    // The setup dialog's folder field.
    FolderRelative,   // the text
    FolderIsFile,     // the path
    FolderBelowAFile, // the path, the file in its way
    // The recording's status.
    FolderNotOpened, // the folder
    // Anything else.
    UnexpectedError, // -
    UnknownError,    // -
};

// How a message box presents it (its icon and title).
enum class TMessageKind { Error, Warning, Information };

// A message for the user as the deciding part names it: the cause, what it concerns, and the
// technical reason (the system's text and code), which goes into the details only.
struct TUserError {
    TMessageCause Cause;
    QStringList Values;
    QString Details;
};

// A message in words, ready to be shown: the title, the main text (what happened, what it
// concerns, what to do) and the details (the technical reason; may be empty).
struct TUserMessage {
    TMessageKind Kind = TMessageKind::Error;
    QString Title;
    QString Text;
    QString Details;
};
