#pragma once
// What the setup dialog's folder field holds, checked when OK is pressed: surrounding blanks
// are dropped, "~" and "~/..." stand for the home folder; a full path to a folder, or to
// where a folder can still be made, is accepted (Record creates it); a relative path, a file,
// and a path below a file are refused. Free of state; any thread (it looks at the file
// system only).
#include <QString>

class TFolderEntry {
public:
    enum TVerdict {
        Blank,     // nothing but blanks: nothing to keep
        Accepted,  // Folder is the folder to keep
        Relative,  // Folder is not a full path
        IsFile,    // Folder is a file
        BelowAFile // Blocker, on the way to Folder, is a file
    };

    TVerdict Verdict = Blank;
    QString Folder;  // the text with the blanks dropped and the home folder put in
    QString Blocker; // for BelowAFile

    static TFolderEntry Check(const QString& typed, const QString& home);
};
