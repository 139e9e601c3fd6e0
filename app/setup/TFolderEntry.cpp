#include "app/setup/TFolderEntry.h"

#include <QFileInfo>

TFolderEntry TFolderEntry::Check(const QString& typed, const QString& home) {
    TFolderEntry entry;
    entry.Folder = typed.trimmed();
    if (entry.Folder.isEmpty()) return entry;
    if (entry.Folder == u'~')
        entry.Folder = home;
    else if (entry.Folder.startsWith(QStringLiteral("~/")))
        entry.Folder = home + entry.Folder.mid(1);
    if (!entry.Folder.startsWith(u'/')) {
        entry.Verdict = Relative;
        return entry;
    }
    const QFileInfo folder(entry.Folder);
    if (folder.exists()) {
        entry.Verdict = folder.isDir() ? Accepted : IsFile;
        return entry;
    }
    // A folder that is not there yet is fine, unless a file stands where one of its parents
    // would have to be.
    for (QFileInfo parent(folder.absolutePath()); !parent.isRoot();
         parent = QFileInfo(parent.absolutePath())) {
        if (!parent.exists()) continue;
        if (!parent.isDir()) {
            entry.Verdict = BelowAFile;
            entry.Blocker = parent.filePath();
            return entry;
        }
        break;
    }
    entry.Verdict = Accepted;
    return entry;
}
