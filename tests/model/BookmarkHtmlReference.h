#pragma once
// The bookmark HTML reader done the straightforward way, for comparison with the
// model's reader (see BookmarkHtmlReference.cpp). Test and benchmark code only.

#include <model/uWebSiteList.h>

#include <QByteArray>
#include <QString>

// The five whole-text replacements (tabs, <P>, closing anchor tags, chrome://).
QString NormalizeBookmarkHtmlReference(QString Text);

// One folder or bookmark line (already trimmed) parsed with the regular expressions.
QString ParseBookmarkFolder(const QString& Line);
TWebSite ParseBookmarkItem(const QString& Line, const QString& Category);

// The whole reader.
void WebSitesLoadFromHtmlDataReference(TWebSiteList& List, const QByteArray& Data);
