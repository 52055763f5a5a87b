#pragma once
// The one exception type the model and the image library raise for file-system
// errors (cannot open, cannot read, cannot write, path too long). Its text names
// the file and the reason, ready for the application's error message box.
// Header-only so that the image library can use it without linking the platform.

#include <QDir>
#include <QString>

#include <stdexcept>

class EFileError : public std::runtime_error
{
public:
    EFileError(const QString& fileName, const QString& reason)
        : std::runtime_error(
            (reason + QStringLiteral(": \"") + QDir::toNativeSeparators(fileName) + u'"')
                .toStdString()),
          FFileName(fileName), FReason(reason)
    {
    }

    const QString& FileName() const noexcept { return FFileName; }
    const QString& Reason() const noexcept { return FReason; }
    QString Text() const { return QString::fromUtf8(what()); }

private:
    QString FFileName;
    QString FReason;
};

// The program's one wording for a write that failed, with the system's own reason
// ("Permission denied", "No space left on device"), for EFileError's reason.
inline QString CannotCreateFileReason(const QString& SystemReason)
{
    return QStringLiteral("Cannot create file (%1)").arg(SystemReason);
}
inline QString CannotWriteFileReason(const QString& SystemReason)
{
    return QStringLiteral("Cannot write file (%1)").arg(SystemReason);
}
inline QString CannotCreateFolderReason(const QString& SystemReason)
{
    return QStringLiteral("Cannot create folder (%1)").arg(SystemReason);
}
