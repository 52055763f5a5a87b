#include "uWebAddress.h"

#include <QUrl>

bool IsWebAddress(const QString& Text)
{
    const QUrl Url(Text, QUrl::StrictMode);
    if (!Url.isValid() || Url.isRelative() || Url.host().isEmpty())
        return false;
    const QString Scheme = Url.scheme(); // QUrl keeps schemes in lower case
    return Scheme == u"http" || Scheme == u"https" || Scheme == u"ftp";
}
