#pragma once
// Pieces of the bookmark HTML reader that tests and benchmarks reach directly.
// The reader scans the UTF-8 bytes; tests/model holds the same rules written the
// straightforward way (QString replacements and five regular expressions) and
// compares the two.

#include <model/uBookmarkHtml.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// Decodes the character references &amp; &lt; &gt; &quot; &apos; &nbsp; &#NNN; and
// &#xHH; (only those closed by ";"); anything else stays as it is.
QString DecodeHtmlReferences(const QString& Text);

// The whole-text normalisation (tabs, <P>, closing anchor tags, chrome://) on
// UTF-8 bytes in one go.
QByteArray NormalizeBookmarkHtml(QByteArrayView Text);

// One bookmark or folder line (already trimmed) parsed by byte scanning; Now is
// the date given to a line without ADD_DATE.
TWebSite ParseBookmarkItemFast(QByteArrayView Line, const QString& Category, TDateTime Now);
QString ParseBookmarkFolderFast(QByteArrayView Line);
// The category of an entry inside the folders of Stack (outermost first).
QString JoinFolderPath(const QStringList& Stack);
