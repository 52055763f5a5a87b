#pragma once
// What zorvel-cli writes: standard output and error, and the two output formats of
// its listing commands. TSV is one line per row, fields apart by tabs, with
// backslash escapes for a backslash, tab, CR and LF; JSON is an array of objects.
// Both are UTF-8; a lone surrogate in a text becomes U+FFFD.
//
// The fields of a bookmark a command prints are a table of TSiteColumn rows, so a
// new field is one row (and, for a new kind of value, its two writers).

#include <model/uDateTime.h>

#include <QByteArray>
#include <QString>

#include <span>

class TSiteText;
struct TWebSite;

// ---- Standard output and error ---------------------------------------------------------

// Text to standard error at once (progress and summaries, never the data).
void WriteErr(const QString& Text);
bool StdErrIsTerminal();

// Bytes to standard output. EFileError when the write (or, at FlushOut, the last
// buffered part) fails: a full disk or a closed pipe must not end as success.
void WriteOut(const QByteArray& Bytes);
void FlushOut();

// ---- Fields ---------------------------------------------------------------------------

// A TSV field, escaped.
void AppendTsvField(QByteArray& Out, QStringView Text);
void AppendTsvField(QByteArray& Out, const QString& Text);
void AppendTsvField(QByteArray& Out, const TSiteText& Text);

// A JSON string, quoted and escaped.
void AppendJsonString(QByteArray& Out, QStringView Text);
void AppendJsonString(QByteArray& Out, const QString& Text);
void AppendJsonString(QByteArray& Out, const TSiteText& Text);

// A date as Unix seconds, as DateToUnixText writes it.
void AppendUnixDate(QByteArray& Out, TDateTime Date);

// ---- Bookmark rows --------------------------------------------------------------------

// One field of a bookmark as the listing commands print it: its JSON member name,
// whether TSV lines carry it too, and how its value is written in each format.
struct TSiteColumn
{
    const char* JsonName;
    bool InTsv;
    void (*AppendTsv)(QByteArray& Out, const TWebSite& Site);
    void (*AppendJson)(QByteArray& Out, const TWebSite& Site);
};

// The fields of a bookmark there are.
TSiteColumn TitleColumn();
TSiteColumn UrlColumn();
TSiteColumn CategoryColumn();
TSiteColumn CommentColumn();
TSiteColumn IconColumn();
TSiteColumn AddDateColumn();
// Tags: joined with commas in TSV, an array of strings in JSON.
TSiteColumn TagsColumn();
// Reading state: true or false in JSON ("to_read", "private"), 1 or 0 in TSV.
TSiteColumn ToReadColumn();
TSiteColumn PrivateColumn();
// Column, left out of TSV lines.
TSiteColumn JsonOnly(TSiteColumn Column);

// Site's TSV fields of Columns, each after a tab but the first; no line end.
void AppendTsvColumns(QByteArray& Out, const TWebSite& Site, std::span<const TSiteColumn> Columns);
// Site's JSON members of Columns ("name":value, apart by commas), without braces.
void AppendJsonColumns(QByteArray& Out, const TWebSite& Site, std::span<const TSiteColumn> Columns);
