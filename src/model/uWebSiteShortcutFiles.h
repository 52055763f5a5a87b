#pragma once
// Internet Shortcut (.url) and pinned-website (.website) files: one bookmark each.
// Errors are raised as EFileError.

#include <model/uWebSiteList.h>
#include <platform/EFileError.h>

#include <QString>

TWebSite WebSiteLoadFromUrlFile(const QString& FileName, const QString& Category);
TWebSite WebSiteLoadFromWebsiteFile(const QString& FileName, const QString& Category);
void WebSiteSaveToUrlFile(const TWebSite& Site, const QString& FileName);
QString EncodeCommentLineBreaks(const QString& Text);
QString DecodeCommentLineBreaks(const QString& Text);
QString TextAfterComma(const QString& Text);
