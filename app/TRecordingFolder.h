#pragma once
// The folder for recordings made ready before a recording starts: created with its missing
// parents, or the reason it cannot be, named for the user. Free of state; GUI thread (it is
// the data module's), though nothing in it needs one.
#include "app/UserMessageTypes.h"
#include "runtime/WinTypes.h"

class TRecordingFolder {
public:
    // Creates the folder and every missing parent. Raises EUserError with the folder (and,
    // where a file is in the way, that file) and the cause: no folder set, no permission, not
    // a folder, a full disk, or another reason, the system's text in the details.
    static void Create(const WideString& folder);
    // The cause a failed creation's system error number stands for.
    static TMessageCause CauseOf(int error);
    // The first entry on the way to path, path itself included, that exists and is no folder;
    // empty when there is none.
    static QString FileInTheWay(const QString& path);
};
