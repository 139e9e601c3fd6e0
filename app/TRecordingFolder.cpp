#include "app/TRecordingFolder.h"

#include "app/EUserError.h"
#include "settings/KWFileUtils.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

void TRecordingFolder::Create(const WideString& folder) {
    if (folder.empty()) throw EUserError(TMessageCause::FolderNotSet);
    int error = 0;
    if (CreateFolderPath(folder, error)) return;
    const QString path = QString::fromStdU16String(folder);
    const TMessageCause cause = CauseOf(error);
    QStringList values{path};
    if (cause == TMessageCause::FolderNotAFolder) {
        const QString blocker = FileInTheWay(path);
        values << (blocker.isEmpty() ? path : blocker);
    }
    throw EUserError(cause, values,
                     QStringLiteral("mkdir: %1 (errno %2)")
                         .arg(QString::fromLocal8Bit(std::strerror(error)))
                         .arg(error));
}

TMessageCause TRecordingFolder::CauseOf(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return TMessageCause::FolderNoPermission;
    case EEXIST:
    case ENOTDIR:
        return TMessageCause::FolderNotAFolder;
    case ENOSPC:
    case EDQUOT:
        return TMessageCause::FolderDiskFull;
    default:
        return TMessageCause::FolderNotCreatable;
    }
}

QString TRecordingFolder::FileInTheWay(const QString& path) {
    // From the root down: the first entry that exists and is no folder blocks the rest.
    const QStringList parts = QDir::cleanPath(path).split(u'/');
    QString prefix;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        prefix = i == 0 ? parts[0] : prefix + u'/' + parts[i];
        if (prefix.isEmpty()) continue; // the root
        const QFileInfo entry(prefix);
        if (entry.exists() && !entry.isDir()) return prefix;
        if (!entry.exists()) break;
    }
    return {};
}
