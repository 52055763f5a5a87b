// Linux and other non-Windows systems.
#include "uHVUtils.h"

#include <QLocale>

bool IsJapaneseLocale()
{
    // QLocale::system() follows LC_ALL / LC_MESSAGES / LANG at every call.
    const QLocale loc = QLocale::system();
    return loc.language() == QLocale::Japanese && loc.territory() == QLocale::Japan;
}

QString LegacyCodePageName()
{
    return IsJapaneseLocale() ? QStringLiteral("Shift_JIS") : QStringLiteral("windows-1252");
}
