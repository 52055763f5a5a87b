#include "uHVUtils.h"

#include <QDir>
#include <QFileInfo>

QString GetDesktopPath()
{
    return GetDesktopDir() + QDir::separator();
}

QString GetLocalAppDataPath()
{
    return GetLocalAppDataDir() + QDir::separator();
}

QDateTime FileCreationTime(const QString& FileName)
{
    const QFileInfo info(FileName);
    if (!info.exists()) return {};
    QDateTime t = info.birthTime();
    if (!t.isValid()) t = info.lastModified();
    return t.toLocalTime();
}

bool ForcePath(const QString& Folder)
{
    if (Folder.isEmpty()) return false;
    return QDir().mkpath(Folder) && QFileInfo(Folder).isDir();
}
