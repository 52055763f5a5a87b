#pragma once
// Pieces of the bookmark HTML reader that tests and benchmarks reach directly.
// The reader has two implementations of the same rules: the fast one that
// WebSitesLoadFromHtml uses (byte scanning on the UTF-8 text) and the
// straightforward one (QString replacements and the five regular expressions),
// kept so that tests can hold the fast one against it.

#include <model/uWebSiteShortcut.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Decodes the character references &amp; &lt; &gt; &quot; &apos; &nbsp; &#NNN; and
// &#xHH; (only those closed by ";"); anything else stays as it is.
QString DecodeHtmlReferences(const QString& Text);

// The whole-text normalisation (tabs, <P>, closing anchor tags, chrome://) on
// UTF-8 bytes in one go, and the same as five QString replacements.
QByteArray NormalizeBookmarkHtml(QByteArrayView Text);
QString NormalizeBookmarkHtmlReference(QString Text);

// One bookmark or folder line (already trimmed) parsed by byte scanning; Now is
// the date given to a line without ADD_DATE.
TWebSite ParseBookmarkItemFast(QByteArrayView Line, const QString& Category, TDateTime Now);
QString ParseBookmarkFolderFast(QByteArrayView Line);

// The whole reader done the straightforward way, for comparison.
void WebSitesLoadFromHtmlDataReference(TWebSiteList& List, const QByteArray& Data);
