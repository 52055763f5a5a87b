#include <model/uProfileBackup.h>
#include <platform/EFileError.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

const QString OriginFile = u"profile.txt"_s;
const QString MissingFile = u"missing.txt"_s;
const QString TimeFormat = u"yyyy-MM-dd_HH-mm-ss"_s;

// Copies From to To through QSaveFile, so that To is whole or untouched.
void CopyFile(const QString& From, const QString& To)
{
    QFile in(From);
    if (!in.open(QIODevice::ReadOnly))
        throw EFileError(From, u"Cannot open file"_s);
    QSaveFile out(To);
    if (!out.open(QIODevice::WriteOnly))
        throw EFileError(To, u"Cannot create file: "_s + out.errorString());
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            throw EFileError(From, u"Cannot read file"_s);
        if (n == 0)
            break;
        if (out.write(buffer.constData(), n) != n)
            throw EFileError(To, u"Cannot write file: "_s + out.errorString());
    }
    if (!out.commit())
        throw EFileError(To, u"Cannot write file: "_s + out.errorString());
}

void WriteText(const QString& FileName, const QString& Text)
{
    QSaveFile out(FileName);
    if (!out.open(QIODevice::WriteOnly) || out.write(Text.toUtf8()) < 0 || !out.commit())
        throw EFileError(FileName, u"Cannot write file: "_s + out.errorString());
}

QString ReadText(const QString& FileName)
{
    QFile in(FileName);
    return in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.readAll()) : QString();
}

} // namespace

QString ProfileBackupFolder(const QString& Root, const QString& ProfileDir)
{
    const QString dir = QDir::cleanPath(QFileInfo(ProfileDir).absoluteFilePath());
    QString name = QFileInfo(dir).fileName();
    for (QChar& c : name)
        if (!c.isLetterOrNumber() && c != u'.' && c != u'-' && c != u'_')
            c = u'_';
    const QByteArray hash =
        QCryptographicHash::hash(dir.toUtf8(), QCryptographicHash::Sha1).toHex().left(10);
    return QDir(Root).filePath(name.left(40) + u'-' + QString::fromLatin1(hash));
}

TProfileBackup ProfileBackupMake(const QString& Root, const QString& ProfileDir,
                                 const QStringList& Files)
{
    const QString folder = ProfileBackupFolder(Root, ProfileDir);
    QDateTime made = QDateTime::currentDateTime();
    QString dir = QDir(folder).filePath(made.toString(TimeFormat));
    for (int n = 2; QFileInfo::exists(dir); ++n)
        dir = QDir(folder).filePath(made.toString(TimeFormat) + u'-' + QString::number(n));
    if (!QDir().mkpath(dir))
        throw EFileError(dir, u"Cannot create folder"_s);
    try {
        QStringList missing;
        for (const QString& f : Files) {
            const QString from = QDir(ProfileDir).filePath(f);
            if (QFileInfo(from).isFile())
                CopyFile(from, QDir(dir).filePath(f));
            else
                missing.append(f);
        }
        WriteText(QDir(dir).filePath(MissingFile), missing.join(u'\n'));
        // Written last: a folder without it is no complete copy.
        WriteText(QDir(dir).filePath(OriginFile),
                  QDir::cleanPath(QFileInfo(ProfileDir).absoluteFilePath()));
    } catch (...) {
        QDir(dir).removeRecursively();
        throw;
    }
    return {dir, ProfileDir, made};
}

void ProfileBackupPrune(const QString& Root, const QString& ProfileDir)
{
    const QList<TProfileBackup> all = ProfileBackupList(Root, ProfileDir);
    for (qsizetype i = ProfileBackupsKept; i < all.size(); ++i)
        QDir(all[i].Dir).removeRecursively();
}

QList<TProfileBackup> ProfileBackupList(const QString& Root, const QString& ProfileDir)
{
    QList<TProfileBackup> out;
    const QDir folder(ProfileBackupFolder(Root, ProfileDir));
    // The names sort by time; newest first.
    for (const QString& name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString dir = folder.filePath(name);
        const QString origin = ReadText(QDir(dir).filePath(OriginFile));
        if (origin.isEmpty())
            continue;
        QDateTime made = QDateTime::fromString(name.left(TimeFormat.size()), TimeFormat);
        out.prepend({dir, origin, made});
    }
    return out;
}

void ProfileBackupRestore(const TProfileBackup& Backup, const QStringList& Keep)
{
    const QDir from(Backup.Dir);
    const QDir to(Backup.ProfileDir);
    const QStringList missing =
        ReadText(from.filePath(MissingFile)).split(u'\n', Qt::SkipEmptyParts);
    QStringList copied;
    for (const QString& f : from.entryList(QDir::Files)) {
        if (f == OriginFile || f == MissingFile || Keep.contains(f))
            continue;
        copied.append(f);
    }
    // A database's "-wal" that was not there when the copy was made belongs to the
    // file being replaced: left behind, it would be played into the old one.
    for (const QString& f : missing) {
        if (Keep.contains(f))
            continue;
        const QString path = to.filePath(f);
        if (QFileInfo::exists(path) && !QFile::remove(path))
            throw EFileError(path, u"Cannot remove file"_s);
    }
    for (const QString& f : copied) {
        if (f.endsWith(u".sqlite"_s))
            QFile::remove(to.filePath(f + u"-shm"_s));
        CopyFile(from.filePath(f), to.filePath(f));
    }
}
