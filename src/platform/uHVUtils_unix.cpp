// Linux and other non-Windows systems.
#include "uHVUtils.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStandardPaths>

namespace {

QString FirstStandardLocation(QStandardPaths::StandardLocation Location)
{
    const QStringList dirs = QStandardPaths::standardLocations(Location);
    return dirs.isEmpty() ? QString() : dirs.first();
}

} // namespace

QString GetDocumentsDir()
{
    return FirstStandardLocation(QStandardPaths::DocumentsLocation);
}

QString GetDesktopDir()
{
    return FirstStandardLocation(QStandardPaths::DesktopLocation);
}

QString GetLocalAppDataDir()
{
    // The XDG data home (~/.local/share), the counterpart of Windows' local app data.
    return FirstStandardLocation(QStandardPaths::GenericDataLocation);
}

QString GetAppVersion()
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(ZORVEL_VERSION_MAJOR + 0)
        .arg(ZORVEL_VERSION_MINOR + 0)
        .arg(ZORVEL_VERSION_PATCH + 0)
        .arg(ZORVEL_VERSION_TWEAK + 0);
}

bool IsJapaneseLocale()
{
    // QLocale::system() is cached for the life of the process, so the environment
    // is read here at every call, with the POSIX precedence for message texts.
    QString name = qEnvironmentVariable("LC_ALL");
    if (name.isEmpty()) name = qEnvironmentVariable("LC_MESSAGES");
    if (name.isEmpty()) name = qEnvironmentVariable("LANG");
    // QLocale ignores a ".codeset" and "@modifier" suffix.
    const QLocale loc = name.isEmpty() ? QLocale::system() : QLocale(name);
    return loc.language() == QLocale::Japanese && loc.territory() == QLocale::Japan;
}

QString LegacyCodePageName()
{
    return IsJapaneseLocale() ? QStringLiteral("Shift_JIS") : QStringLiteral("windows-1252");
}

bool MoveFileToTrash(const QString& FileName)
{
    // The freedesktop.org trash ($XDG_DATA_HOME/Trash). Qt falls back to odd places
    // (even folders relative to the working directory) when the data home folder
    // does not exist yet, so make sure it does.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!dataHome.isEmpty()) QDir().mkpath(dataHome);
    return QFile::moveToTrash(FileName);
}

QString GetProgramFilesDir()
{
    return {};
}

QString GetProgramFilesX86Dir()
{
    return {};
}

int GetOSVersionNumber()
{
    // The number only feeds Windows rules; a Linux kernel version would mislead them.
    return 0;
}

QString ReadChromeAppPath()
{
    return {};
}
