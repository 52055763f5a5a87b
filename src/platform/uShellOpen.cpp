#include "uShellOpen.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

void ShellOpen(const QString& Target)
{
    if (Target.isEmpty())
        return;
    // "C:\x" parses as a URL with scheme "c", so a one-letter scheme is a drive.
    const QUrl asUrl(Target, QUrl::TolerantMode);
    QUrl url;
    if (asUrl.isValid() && asUrl.scheme().size() > 1)
        url = asUrl;
    else
        url = QUrl::fromLocalFile(QFileInfo(QDir::fromNativeSeparators(Target)).absoluteFilePath());
    QDesktopServices::openUrl(url);
}
