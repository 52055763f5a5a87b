#include "uBaseBookmarkFile.h"

#include <model/uBookmarkHtml.h>
#include <model/uFolderImportExport.h>
#include <model/uReadProgress.h>
#include <platform/EFileError.h>
#include <settings/uSetupData.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstring>
#include <memory>
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

void WriteWhole(const QString& FileName, QByteArrayView Data)
{
    QSaveFile File(FileName);
    if (!File.open(QIODevice::WriteOnly))
        throw EFileError(FileName, CannotCreateFileReason(File.errorString()));
    if (File.write(Data.data(), Data.size()) != Data.size() || !File.commit())
        throw EFileError(FileName, CannotWriteFileReason(File.errorString()));
}

// The file being replaced, mapped where the platform allows (a large base file
// is not copied into memory), read otherwise.
class TPreviousFile
{
public:
    explicit TPreviousFile(const QString& FileName) : FFile(FileName)
    {
        if (!FFile.open(QIODevice::ReadOnly))
            throw EFileError(FileName,
                             QStringLiteral("Cannot open file (%1)").arg(FFile.errorString()));
        if (FFile.size() > 0)
            FMap = FFile.map(0, FFile.size());
        if (!FMap) {
            FData = FFile.readAll();
            if (FFile.error() != QFileDevice::NoError)
                throw EFileError(FileName,
                                 QStringLiteral("Cannot read file (%1)").arg(FFile.errorString()));
        }
    }
    QByteArrayView Bytes() const
    {
        return FMap ? QByteArrayView(FMap, FFile.size()) : QByteArrayView(FData);
    }

private:
    QFile FFile;
    uchar* FMap = nullptr;
    QByteArray FData;
};

// Takes the new file's bytes as they are made and compares them with the old
// ones; the replacement is only started at the first difference (with the equal
// part before it), so an unchanged list writes nothing at all.
class TWriteIfChanged : public QIODevice
{
public:
    TWriteIfChanged(const QString& FileName, QByteArrayView Old) : FFileName(FileName), FOld(Old) {}

    // After the last write: false when the replacement failed (Reason).
    bool Finish()
    {
        // The new bytes are the start of the old ones: the file shrank.
        if (!FOut && FPos != FOld.size() && !StartReplacement())
            return false;
        return true;
    }
    bool Changed() const { return FOut != nullptr; }
    bool Commit()
    {
        if (FOut->commit())
            return true;
        FReason = CannotWriteFileReason(FOut->errorString());
        return false;
    }
    const QString& Reason() const { return FReason; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* Data, qint64 Size) override
    {
        if (!FOut) {
            if (Size <= FOld.size() - FPos
                && std::memcmp(FOld.data() + FPos, Data, size_t(Size)) == 0) {
                FPos += Size;
                return Size;
            }
            if (!StartReplacement())
                return -1;
        }
        if (FOut->write(Data, Size) != Size) {
            FReason = CannotWriteFileReason(FOut->errorString());
            return -1;
        }
        FPos += Size;
        return Size;
    }

private:
    bool StartReplacement()
    {
        FOut = std::make_unique<QSaveFile>(FFileName);
        if (!FOut->open(QIODevice::WriteOnly)) {
            FReason = CannotCreateFileReason(FOut->errorString());
            return false;
        }
        if (FOut->write(FOld.data(), FPos) != FPos) {
            FReason = CannotWriteFileReason(FOut->errorString());
            return false;
        }
        return true;
    }

    QString FFileName;
    QByteArrayView FOld;
    qint64 FPos = 0;
    std::unique_ptr<QSaveFile> FOut;
    QString FReason;
};

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
    if (!QFileInfo(FileName).isFile()) {
        WebSitesSaveToHtml(List, FileName);
        return;
    }
    const TPreviousFile Previous(FileName);
    TWriteIfChanged Out(FileName, Previous.Bytes());
    Out.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    if (!WebSitesWriteHtml(List, Out) || !Out.Finish())
        throw EFileError(FileName, Out.Reason());
    // An unchanged list leaves both files alone, so the .bak keeps the last real change.
    if (!Out.Changed())
        return;
    // The backup is a copy: the base file stays in place until its replacement is complete.
    QString BackupError;
    try {
        WriteWhole(BaseBookmarkBackupName(FileName), Previous.Bytes());
    } catch (const EFileError& e) {
        BackupError = e.Reason();
    }
    if (!Out.Commit())
        throw EFileError(FileName, Out.Reason());
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
