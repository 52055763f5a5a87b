#pragma once
// Netscape bookmark HTML files: reading one into the list and writing the list as
// one. Errors are raised as EFileError.

#include <model/uWebSiteList.h>
#include <platform/EFileError.h>

#include <QByteArray>
#include <QString>

class QIODevice;

// Adds every bookmark of the file; a file without any is named in
// List.Stats.FilesWithoutBookmarks.
void WebSitesLoadFromHtml(TWebSiteList& List, const QString& FileName);
// The same on bytes already in memory (the file's whole content); returns how many
// bookmarks the text holds, those the list did not take included.
qsizetype WebSitesLoadFromHtmlData(TWebSiteList& List, const QByteArray& Data);

void WebSitesSaveToHtml(const TWebSiteList& List, const QString& FileName);
// The file's bytes (UTF-8 with BOM, CR LF line ends) without writing anything.
QByteArray WebSitesToHtmlData(const TWebSiteList& List);
// The same bytes written to Device as they are made, through one buffer; false
// when the device refused a write.
bool WebSitesWriteHtml(const TWebSiteList& List, QIODevice& Device);
