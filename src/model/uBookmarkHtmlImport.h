#pragma once
// Pieces of the bookmark HTML reader that tests, benchmarks and the folder walk
// reach directly.

#include <model/uBookmarkHtml.h>
#include <model/uHtmlText.h> // DecodeHtmlReferences, which the reader uses

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The file's text as UTF-8, the encoding chosen by, in this order: a byte-order
// mark (UTF-8, UTF-16LE, UTF-16BE); a charset named by a <META> tag of the head,
// read as browsers read it (see uHtmlEncodingLabels.h: a UTF-16 label there means
// UTF-8, a name that is no label is passed over);
// UTF-8 when the bytes are valid UTF-8; the legacy code page. The result is a
// view into Data (without its mark) when no conversion is needed, otherwise into
// Converted.
QByteArrayView BookmarkHtmlAsUtf8(const QByteArray& Data, QByteArray& Converted);

// Does the start of a file (its first 1 KB is enough) carry the
// <!DOCTYPE NETSCAPE-Bookmark-file-1> declaration, in any letter case? UTF-16
// files with a byte-order mark are recognised too.
bool IsNetscapeBookmarkFileHead(QByteArrayView Head);

// An ADD_DATE or LAST_MODIFIED value: seconds since 1970 (up to 11 digits), or
// milliseconds (12 or 13 digits) or microseconds (14 digits or more), as other
// exporters write them; cut to the whole second. False when it is no number of
// that kind. BookmarkDateText writes what this reads back.
bool BookmarkDateToDate(QByteArrayView Text, TDateTime& Date);
// The number the bookmark HTML writer gives a date: DateToUnixText's seconds, in
// microseconds from the year 5138 on, where the seconds would have the digits of
// milliseconds (dates past the year 33658 are written as that year).
QString BookmarkDateText(TDateTime Date);

// The deepest folder level and the longest category the reader builds: a folder
// below either limit is read into its parent, so no file can make categories
// cost more than this per bookmark.
inline constexpr int MaxBookmarkFolderDepth = 255;
inline constexpr qsizetype MaxBookmarkCategoryLength = 1024;
