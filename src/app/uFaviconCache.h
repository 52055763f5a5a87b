#pragma once
// The favicons the list shows: each decoded from the icon store the first time a
// row with it is painted, at 16 and 32 pixels (for screens of two device pixels
// per point), and kept for the next paints. Entries without a usable icon show a
// neutral globe.

#include <model/uWebSiteIcons.h>

#include <QCache>
#include <QIcon>

class TFaviconCache
{
public:
    // The icon to draw for an entry's TIconId.
    QIcon Icon(TIconId Id);
    // The picture for entries without an icon.
    QIcon Globe();

    // Decodes icon bytes into a 16 and a 32 pixel picture; null when no picture
    // can be read from them.
    static QIcon Decode(const QByteArray& Bytes);

private:
    // Only the icons of rows recently painted: a list of 100,000 entries never
    // holds more than this many decoded pictures.
    QCache<TIconId, QIcon> FIcons{512};
    QIcon FGlobe;
};
