#include "uBaseBookmarkFile.h"

#include <model/uBookmarkHtml.h>
#include <model/uFolderImportExport.h>
#include <model/uReadProgress.h>
#include <platform/EFileError.h>
#include <settings/uFrmSetupData.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <new>

namespace {

QByteArray ReadWhole(const QString& FileName)
{
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly))
        throw EFileError(FileName, QStringLiteral("Cannot open file (%1)").arg(File.errorString()));
    QByteArray Data = File.readAll();
    if (File.error() != QFileDevice::NoError)
        throw EFileError(FileName, QStringLiteral("Cannot read file (%1)").arg(File.errorString()));
    return Data;
}

void WriteWhole(const QString& FileName, const QByteArray& Data)
{
    QSaveFile File(FileName);
    if (!File.open(QIODevice::WriteOnly))
        throw EFileError(FileName, CannotCreateFileReason(File.errorString()));
    if (File.write(Data) != Data.size() || !File.commit())
        throw EFileError(FileName, CannotWriteFileReason(File.errorString()));
}

} // namespace

bool HoldsNoBookmarks(const QByteArray& Data)
{
    if (Data.trimmed().isEmpty())
        return true;
    // Text in another encoding (UTF-16) or binary data carries zero bytes.
    if (Data.contains('\0'))
        return false;
    const QByteArray Lower = Data.toLower();
    return !Lower.contains("href") && Lower.contains("<!doctype netscape-bookmark-file-1>");
}

TBaseFileRead ReadBaseBookmarkFile(TWebSiteList& List, const QString& FileName)
{
    TBaseFileRead Result;
    Result.FileName = FileName;
    const qsizetype CountBefore = List.Count();
    try {
        WebSitesLoadFromPath(List, FileName);
        Result.Entries = List.Count() - CountBefore;
        Result.Status = TBaseFileRead::Read;
        if (Result.Entries == 0 && !HoldsNoBookmarks(ReadWhole(FileName)))
            Result.Status = TBaseFileRead::Unreadable;
    } catch (const EReadCancelled&) {
        throw; // the program is closing: nothing of this read counts
    } catch (const EFileError& e) {
        Result.Status = TBaseFileRead::Failed;
        Result.Reason = e.Text();
    } catch (const std::bad_alloc&) {
        Result.Status = TBaseFileRead::Failed;
        Result.Reason = QStringLiteral("Out of memory.");
    } catch (const std::exception& e) {
        Result.Status = TBaseFileRead::Failed;
        Result.Reason = QString::fromUtf8(e.what());
    }
    if (Result.Status == TBaseFileRead::Failed)
        Result.Entries = List.Count() - CountBefore;
    return Result;
}

QString BaseBookmarkBackupName(const QString& FileName)
{
    return FileName + QStringLiteral(".bak");
}

void WriteBaseBookmarkFile(const TWebSiteList& List, const QString& FileName)
{
    const QByteArray Data = WebSitesToHtmlData(List);
    if (!QFileInfo(FileName).isFile()) {
        WriteWhole(FileName, Data);
        return;
    }
    const QByteArray Previous = ReadWhole(FileName);
    // An unchanged list leaves both files alone, so the .bak keeps the last real change.
    if (Previous == Data)
        return;
    // The backup is a copy: the base file stays in place until its replacement is complete.
    QString BackupError;
    try {
        WriteWhole(BaseBookmarkBackupName(FileName), Previous);
    } catch (const EFileError& e) {
        BackupError = e.Reason();
    }
    WriteWhole(FileName, Data);
    if (!BackupError.isEmpty())
        throw EFileError(BaseBookmarkBackupName(FileName), BackupError);
}

QString ChooseBaseFileToRead(const QString& DataFile, const QString& PortableFile)
{
    if (PortableFile.isEmpty() || QFileInfo(PortableFile) == QFileInfo(DataFile))
        return DataFile;
    const QFileInfo Portable(PortableFile);
    const QFileInfo Data(DataFile);
    if (!Portable.isFile())
        return DataFile;
    if (!Data.isFile())
        return PortableFile;
    return Data.lastModified() >= Portable.lastModified() ? DataFile : PortableFile;
}

QString BaseBookmarkFileToRead(const QString& DataFile)
{
    QString Portable;
    if (QCoreApplication::instance()) {
        const QString ExeDir = QCoreApplication::applicationDirPath();
        if (!IsSystemProgramDir(ExeDir))
            Portable = QDir(ExeDir).filePath(AppBaseName() + QStringLiteral(".html"));
    }
    return ChooseBaseFileToRead(DataFile, Portable);
}
