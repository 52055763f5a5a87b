// Pocket, Raindrop and Pinboard exports.

#include <model/uServiceExports.h>

#include <model/uBookmarkHtmlImport.h>
#include <model/uWebSiteTags.h>
#include <platform/EFileError.h>

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

// Where the header row must end, and where Pinboard's first object is looked for.
// Recognition and reading look at the same bytes: a file whose first row runs
// longer is no export, and is named as such rather than read as nothing.
constexpr qsizetype HeadBytes = 64 * 1024;

QByteArrayView WithoutBom(QByteArrayView Data)
{
    return Data.startsWith("\xEF\xBB\xBF") ? Data.sliced(3) : Data;
}

// One CSV record (RFC 4180: quoted fields may hold commas, "" and line breaks)
// and the line it starts on.
struct TCsvRecord
{
    QStringList Fields;
    int Line = 0;
};

class TCsvReader
{
public:
    explicit TCsvReader(QByteArrayView Data) : FData(WithoutBom(Data)) {}

    // False at the end. Blank lines give no record.
    bool Next(TCsvRecord& Record)
    {
        while (FPos < FData.size()) {
            Record.Fields.clear();
            Record.Line = FLine;
            bool blank = true;
            QByteArray field;
            bool quoted = false;
            bool ended = false;
            while (FPos < FData.size() && !ended) {
                const char c = FData[FPos++];
                if (quoted) {
                    if (c == '"') {
                        if (FPos < FData.size() && FData[FPos] == '"') {
                            field += '"';
                            ++FPos;
                        } else {
                            quoted = false;
                        }
                    } else {
                        if (c == '\n')
                            ++FLine;
                        field += c;
                    }
                    continue;
                }
                switch (c) {
                case '"':
                    quoted = true;
                    blank = false;
                    break;
                case ',':
                    Record.Fields.append(QString::fromUtf8(field));
                    field.clear();
                    blank = false;
                    break;
                case '\r':
                    if (FPos < FData.size() && FData[FPos] == '\n')
                        ++FPos;
                    [[fallthrough]];
                case '\n':
                    ++FLine;
                    ended = true;
                    break;
                default:
                    field += c;
                    blank = false;
                }
            }
            Record.Fields.append(QString::fromUtf8(field));
            if (!blank)
                return true;
        }
        return false;
    }

private:
    QByteArrayView FData;
    qsizetype FPos = 0;
    int FLine = 1;
};

// Column names of a header row, lower case, to their index.
QHash<QString, int> HeaderColumns(const QStringList& Fields)
{
    QHash<QString, int> columns;
    for (int i = 0; i < Fields.size(); ++i)
        columns.insert(Fields[i].trimmed().toLower(), i);
    return columns;
}

TServiceExport CsvKind(const QHash<QString, int>& Columns)
{
    if (!Columns.contains(u"url"_s))
        return TServiceExport::None;
    if (Columns.contains(u"time_added"_s))
        return TServiceExport::PocketCsv;
    for (const QString& name : {u"folder"_s, u"note"_s, u"excerpt"_s, u"created"_s})
        if (Columns.contains(name))
            return TServiceExport::RaindropCsv;
    return TServiceExport::None;
}

TDateTime FromUnixSeconds(std::int64_t Seconds)
{
    return TDateTime::FromMilliseconds(UnixEpochMSecs + Seconds * 1000);
}

// Seconds since 1970 (as the bookmark files' dates, whole seconds of the
// program's clock) or an ISO 8601 date and time; false for anything else.
bool ServiceDate(const QString& Text, TDateTime& Date)
{
    const QString t = Text.trimmed();
    bool ok = false;
    const qlonglong seconds = t.toLongLong(&ok);
    // Ten thousand years either way is plenty for a date and keeps the sum in range.
    constexpr qlonglong Limit = 315'360'000'000LL;
    if (ok) {
        if (seconds > Limit || seconds < -Limit)
            return false;
        Date = FromUnixSeconds(seconds);
        return true;
    }
    QDateTime dt = QDateTime::fromString(t, Qt::ISODateWithMs);
    if (!dt.isValid())
        dt = QDateTime::fromString(t, Qt::ISODate);
    if (!dt.isValid())
        return false;
    // Like the seconds, a time without a zone counts on the program's clock as it stands.
    if (dt.timeSpec() == Qt::LocalTime)
        dt.setTimeZone(QTimeZone::utc());
    Date = FromUnixSeconds(dt.toSecsSinceEpoch());
    return true;
}

// An address a service stores: an absolute one with a scheme.
bool LooksLikeAddress(const QString& Url)
{
    const qsizetype colon = Url.indexOf(u':');
    if (colon < 2)
        return false;
    for (qsizetype i = 0; i < colon; ++i) {
        const QChar c = Url[i];
        if (!(c.isLetterOrNumber() || c == u'+' || c == u'-' || c == u'.') || c.unicode() >= 0x80)
            return false;
    }
    return !Url.contains(u' ') && colon + 1 < Url.size();
}

class TServiceReader
{
public:
    TServiceReader(TWebSiteList& List, const QString& FileName)
        : FList(List), FFile(FileName), FJoins(List)
    {
    }

    qsizetype Read(TServiceExport Kind, QByteArrayView Data)
    {
        if (Kind == TServiceExport::PinboardJson)
            ReadPinboard(Data);
        else
            ReadCsv(Kind, Data);
        return FRead;
    }

private:
    void Bad(const QString& Where, const QString& Why)
    {
        FList.Stats.AddBadRow(QString(FFile + u": "_s + Where + u": "_s + Why));
    }

    void Add(TWebSite&& Site)
    {
        ++FRead;
        // Notes of one address met on many rows are joined once, not copied per row.
        WebSitesAdd(FList, std::move(Site), FJoins);
    }

    void ReadCsv(TServiceExport Kind, QByteArrayView Data)
    {
        TCsvReader reader(Data);
        TCsvRecord record;
        if (!reader.Next(record))
            return;
        const QHash<QString, int> columns = HeaderColumns(record.Fields);
        const qsizetype width = record.Fields.size();
        while (reader.Next(record)) {
            const QString where = u"line %1"_s.arg(record.Line);
            if (record.Fields.size() != width) {
                Bad(where,
                    u"%1 fields where the header names %2"_s.arg(record.Fields.size()).arg(width));
                continue;
            }
            const auto field = [&](const QString& name) {
                const int i = columns.value(name, -1);
                return i < 0 ? QString() : record.Fields[i];
            };
            TWebSite site;
            const QString url = field(u"url"_s).trimmed();
            if (!LooksLikeAddress(url)) {
                Bad(where, url.isEmpty() ? u"no address"_s
                                         : u"not an address: "_s + url.left(MaxBadRowLength));
                continue;
            }
            site.URL = url;
            site.Title = field(u"title"_s).trimmed();
            if (site.Title.isEmpty())
                site.Title = url;
            const QString dateText =
                field(Kind == TServiceExport::PocketCsv ? u"time_added"_s : u"created"_s);
            TDateTime date = TDateTime::Now();
            if (!dateText.trimmed().isEmpty() && !ServiceDate(dateText, date)) {
                Bad(where, u"not a date: "_s + dateText.left(MaxBadRowLength));
                continue;
            }
            site.AddDate = date;
            if (Kind == TServiceExport::PocketCsv) {
                WebSiteTagsSet(site, SplitTags(field(u"tags"_s), u'|'));
                // "unread" or "archive": what is still in the reading list.
                site.ToRead =
                    field(u"status"_s).trimmed().compare(u"unread"_s, Qt::CaseInsensitive) == 0;
            } else {
                WebSiteTagsSet(site, SplitTags(field(u"tags"_s)));
                site.Comment = field(u"note"_s)
                                   .trimmed()
                                   .replace(u"\r\n"_s, u"\n"_s)
                                   .replace(u'\n', u"\r\n"_s);
                site.Category = RaindropCategory(field(u"folder"_s));
            }
            Add(std::move(site));
        }
    }

    // "Parent/Child" as the category "Parent\Child", within the folder limits of
    // the other readers: a folder past them is read into its parent.
    static QString RaindropCategory(QStringView Folder)
    {
        QString out;
        int depth = 0;
        for (QStringView part : Folder.split(u'/')) {
            part = part.trimmed();
            if (part.isEmpty())
                continue;
            const qsizetype grown = out.size() + (depth > 0 ? 1 : 0) + part.size();
            if (depth >= MaxBookmarkFolderDepth || grown > MaxBookmarkCategoryLength)
                break;
            if (depth > 0)
                out += u'\\';
            out += part;
            ++depth;
        }
        return out;
    }

    void ReadPinboard(QByteArrayView Data)
    {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(WithoutBom(Data).toByteArray(), &error);
        if (error.error != QJsonParseError::NoError || !doc.isArray())
            throw EFileError(FFile,
                             u"Not readable as JSON (%1 at byte %2)"_s.arg(error.errorString())
                                 .arg(error.offset));
        const QJsonArray items = doc.array();
        for (qsizetype i = 0; i < items.size(); ++i) {
            const QString where = u"entry %1"_s.arg(i + 1);
            if (!items[i].isObject()) {
                Bad(where, u"not an object"_s);
                continue;
            }
            const QJsonObject o = items[i].toObject();
            const QString url = o.value(u"href"_s).toString().trimmed();
            if (!LooksLikeAddress(url)) {
                Bad(where, url.isEmpty() ? u"no address"_s
                                         : u"not an address: "_s + url.left(MaxBadRowLength));
                continue;
            }
            TWebSite site;
            site.URL = url;
            site.Title = o.value(u"description"_s).toString().trimmed();
            if (site.Title.isEmpty())
                site.Title = url;
            site.Comment = o.value(u"extended"_s)
                               .toString()
                               .trimmed()
                               .replace(u"\r\n"_s, u"\n"_s)
                               .replace(u'\n', u"\r\n"_s);
            TDateTime date = TDateTime::Now();
            const QString time = o.value(u"time"_s).toString();
            if (!time.isEmpty() && !ServiceDate(time, date)) {
                Bad(where, u"not a date: "_s + time.left(MaxBadRowLength));
                continue;
            }
            site.AddDate = date;
            // Pinboard separates tags with blanks.
            WebSiteTagsSet(site, SplitTags(o.value(u"tags"_s).toString().simplified(), u' '));
            // "yes" / "no"; a bookmark that is not shared is private.
            site.ToRead = o.value(u"toread"_s).toString().trimmed() == u"yes"_s;
            site.Private = o.value(u"shared"_s).toString().trimmed() == u"no"_s;
            Add(std::move(site));
        }
    }

    TWebSiteList& FList;
    QString FFile;
    TCommentJoins FJoins;
    qsizetype FRead = 0;
};

} // namespace

TServiceExport ServiceExportKind(QByteArrayView Data)
{
    const QByteArrayView data = WithoutBom(Data);
    const QByteArrayView head = data.first(std::min(data.size(), HeadBytes));
    qsizetype i = 0;
    while (i < head.size() && uchar(head[i]) <= ' ')
        ++i;
    if (i < head.size() && head[i] == '[') {
        // Pinboard: an array whose first object has an "href".
        qsizetype j = i + 1;
        while (j < head.size() && uchar(head[j]) <= ' ')
            ++j;
        if (j < head.size() && head[j] == '{' && head.contains("\"href\""))
            return TServiceExport::PinboardJson;
        return TServiceExport::None;
    }
    // A CSV header row: the first line, names only (no quotes spanning lines there).
    qsizetype end = head.indexOf('\n');
    if (end < 0) {
        if (data.size() > HeadBytes)
            return TServiceExport::None;
        end = head.size();
    }
    TCsvReader reader(head.first(end));
    TCsvRecord header;
    if (!reader.Next(header) || header.Fields.size() < 2)
        return TServiceExport::None;
    return CsvKind(HeaderColumns(header.Fields));
}

qsizetype WebSitesLoadFromServiceExport(TWebSiteList& List, const QByteArray& Data,
                                        const QString& FileName)
{
    const TServiceExport kind = ServiceExportKind(Data);
    if (kind == TServiceExport::None)
        return 0;
    return TServiceReader(List, FileName).Read(kind, Data);
}

bool WebSitesLoadFromServiceFile(TWebSiteList& List, const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(FileName, u"Cannot open file"_s);
    // The mark and one byte more than the head tell a longer file from one that
    // ends there.
    if (ServiceExportKind(file.read(HeadBytes + 4)) == TServiceExport::None)
        return false;
    file.seek(0);
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFileError(FileName, u"Cannot read file"_s);
    WebSitesLoadFromServiceExport(List, data, FileName);
    return true;
}
