#include "uWriteCheck.h"

#include <platform/EFileError.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

// The nearest folder of Path's ancestors that exists (Path itself included).
QString NearestExisting(const QString& Path, bool& BlockedByFile)
{
    BlockedByFile = false;
    QString Dir = QDir::cleanPath(QFileInfo(Path).absoluteFilePath());
    for (;;) {
        const QFileInfo Info(Dir);
        if (Info.exists()) {
            BlockedByFile = !Info.isDir();
            return Dir;
        }
        const QString Parent = QFileInfo(Dir).absolutePath();
        if (Parent == Dir)
            return Dir;
        Dir = Parent;
    }
}

// The system's reason a new file cannot be made in Dir, or "".
QString ProbeFolder(const QString& Dir)
{
    QTemporaryFile Probe(QDir(Dir).filePath(QStringLiteral(".zorvel-write-test-XXXXXX")));
    if (Probe.open())
        return {};
    return Probe.errorString();
}

} // namespace

QString WhyNotWritable(const QString& FileName)
{
    const QFileInfo File(FileName);
    const QString Folder = File.absolutePath();
    if (!QFileInfo(Folder).isDir()) {
        bool BlockedByFile = false;
        const QString Existing = NearestExisting(Folder, BlockedByFile);
        if (BlockedByFile)
            return CannotCreateFolderReason(QStringLiteral("Not a directory"));
        const QString Why = ProbeFolder(Existing);
        return Why.isEmpty() ? QString() : CannotCreateFolderReason(Why);
    }
    if (File.isDir())
        return CannotCreateFileReason(QStringLiteral("Is a directory"));
    // A file is replaced through a new file beside it, so the folder must take one;
    // an existing file must also be writable (the safe replace refuses read-only ones).
    if (const QString Why = ProbeFolder(Folder); !Why.isEmpty())
        return CannotCreateFileReason(Why);
    if (File.exists()) {
        QFile Existing(FileName);
        if (!Existing.open(QIODevice::WriteOnly | QIODevice::Append))
            return CannotWriteFileReason(Existing.errorString());
    }
    return {};
}
