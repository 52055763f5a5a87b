#include "uCliOutput.h"

#include <model/uSiteText.h>
#include <model/uTextBytes.h>
#include <model/uWebSiteList.h>
#include <model/uWebSiteTags.h>
#include <platform/EFileError.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#define ZORVEL_ISATTY _isatty
#define ZORVEL_FILENO _fileno
#else
#include <unistd.h>
#define ZORVEL_ISATTY isatty
#define ZORVEL_FILENO fileno
#endif

void WriteErr(const QString& text)
{
    const QByteArray b = text.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
    std::fflush(stderr);
}

bool StdErrIsTerminal()
{
    return ZORVEL_ISATTY(ZORVEL_FILENO(stderr)) != 0;
}

namespace {

[[noreturn]] void StdOutFailed()
{
    throw EFileError(QStringLiteral("<standard output>"), QStringLiteral("Cannot write"));
}

// For each ASCII byte: true when escape leaves it as it is. Index 128 stands
// for every byte or unit above ASCII, which is never copied as it stands.
template <typename TEscape>
const std::array<bool, 129>& PlainAscii(TEscape escape)
{
    static const std::array<bool, 129> table = [&escape] {
        std::array<bool, 129> t{};
        char scratch[8];
        for (int c = 0; c < 0x80; ++c) {
            char* p = scratch;
            t[size_t(c)] = !escape(char(c), p);
        }
        return t;
    }();
    return table;
}

// Appends s encoded as UTF-8, letting escape write the ASCII units that need it.
// Written out by hand: listing is mostly this loop. Runs of ASCII that need no
// escape (nearly all text) go through a tight loop of their own.
template <typename TEscape>
void AppendUtf8(QByteArray& out, QStringView s, TEscape escape)
{
    const std::array<bool, 129>& plain = PlainAscii(escape);
    const qsizetype at = out.size();
    // At most 6 bytes per unit: "\u001f" for a control character.
    out.resize(at + s.size() * 6);
    char* const begin = out.data();
    char* p = begin + at;
    const char16_t* d = s.utf16();
    const char16_t* const e = d + s.size();
    while (d != e) {
        while (d != e && plain[std::min<unsigned>(*d, 0x80)])
            *p++ = char(*d++);
        if (d == e)
            break;
        if (*d < 0x80)
            escape(char(*d++), p);
        else
            d = Utf8PutUtf16(p, d, e);
    }
    out.resize(p - begin);
}

// The same for a Latin-1 text: runs of plain ASCII are copied as they stand.
template <typename TEscape>
void AppendUtf8(QByteArray& out, QLatin1StringView s, TEscape escape)
{
    const std::array<bool, 129>& plain = PlainAscii(escape);
    const qsizetype at = out.size();
    out.resize(at + s.size() * 6);
    char* const begin = out.data();
    char* p = begin + at;
    const auto* d = reinterpret_cast<const unsigned char*>(s.data());
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        qsizetype run = i;
        while (run < n && plain[std::min<unsigned>(d[run], 0x80)])
            ++run;
        std::memcpy(p, d + i, size_t(run - i));
        p += run - i;
        if (run == n)
            break;
        const unsigned char c = d[run];
        if (c < 0x80) {
            escape(char(c), p);
        } else {
            p = Utf8Put(p, c);
        }
        i = run + 1;
    }
    out.resize(p - begin);
}

bool WriteEscape(char*& p, const char* text)
{
    while (*text)
        *p++ = *text++;
    return true;
}

template <typename TView>
void AppendTsvText(QByteArray& out, TView s)
{
    AppendUtf8(out, s, [](char c, char*& p) {
        switch (c) {
        case '\\':
            return WriteEscape(p, "\\\\");
        case '\t':
            return WriteEscape(p, "\\t");
        case '\r':
            return WriteEscape(p, "\\r");
        case '\n':
            return WriteEscape(p, "\\n");
        default:
            return false;
        }
    });
}

template <typename TView>
void AppendJsonText(QByteArray& out, TView s)
{
    out += '"';
    AppendUtf8(out, s, [](char c, char*& p) {
        switch (c) {
        case '"':
            return WriteEscape(p, "\\\"");
        case '\\':
            return WriteEscape(p, "\\\\");
        case '\n':
            return WriteEscape(p, "\\n");
        case '\r':
            return WriteEscape(p, "\\r");
        case '\t':
            return WriteEscape(p, "\\t");
        case '\b':
            return WriteEscape(p, "\\b");
        case '\f':
            return WriteEscape(p, "\\f");
        default:
            if (static_cast<unsigned char>(c) >= 0x20)
                return false;
            static const char Hex[] = "0123456789abcdef";
            WriteEscape(p, "\\u00");
            *p++ = Hex[(c >> 4) & 0xF];
            *p++ = Hex[c & 0xF];
            return true;
        }
    });
    out += '"';
}

} // namespace

void WriteOut(const QByteArray& b)
{
    if (std::fwrite(b.constData(), 1, size_t(b.size()), stdout) != size_t(b.size()))
        StdOutFailed();
}

// The last buffered part only reaches the output here: a full disk or a closed pipe
// shows at this point and must not end as success.
void FlushOut()
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        StdOutFailed();
}

void AppendTsvField(QByteArray& out, QStringView s)
{
    AppendTsvText(out, s);
}

void AppendTsvField(QByteArray& out, const QString& s)
{
    AppendTsvText(out, QStringView(s));
}

void AppendTsvField(QByteArray& out, const TSiteText& s)
{
    s.Visit([&out](auto v) { AppendTsvText(out, v); });
}

void AppendJsonString(QByteArray& out, QStringView s)
{
    AppendJsonText(out, s);
}

void AppendJsonString(QByteArray& out, const QString& s)
{
    AppendJsonText(out, QStringView(s));
}

void AppendJsonString(QByteArray& out, const TSiteText& s)
{
    s.Visit([&out](auto v) { AppendJsonText(out, v); });
}

// An entry's date as DateToUnixText writes it, without a QString in between.
void AppendUnixDate(QByteArray& out, TDateTime Date)
{
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof(digits), DateToUnixSeconds(Date));
    out.append(digits, r.ptr - digits);
}

TSiteColumn TitleColumn()
{
    return {"title", true, [](QByteArray& out, const TWebSite& s) { AppendTsvField(out, s.Title); },
            [](QByteArray& out, const TWebSite& s) { AppendJsonString(out, s.Title); }};
}

TSiteColumn UrlColumn()
{
    return {"url", true, [](QByteArray& out, const TWebSite& s) { AppendTsvField(out, s.URL); },
            [](QByteArray& out, const TWebSite& s) { AppendJsonString(out, s.URL); }};
}

TSiteColumn CategoryColumn()
{
    return {"category", true,
            [](QByteArray& out, const TWebSite& s) { AppendTsvField(out, s.Category); },
            [](QByteArray& out, const TWebSite& s) { AppendJsonString(out, s.Category); }};
}

TSiteColumn CommentColumn()
{
    return {"comment", true,
            [](QByteArray& out, const TWebSite& s) { AppendTsvField(out, s.Comment); },
            [](QByteArray& out, const TWebSite& s) { AppendJsonString(out, s.Comment); }};
}

TSiteColumn IconColumn()
{
    return {"icon", true,
            [](QByteArray& out, const TWebSite& s) { AppendTsvField(out, s.IconURL); },
            [](QByteArray& out, const TWebSite& s) { AppendJsonString(out, s.IconURL); }};
}

// A date is a string in JSON, so that no reader rounds it.
TSiteColumn AddDateColumn()
{
    return {"add_date", true,
            [](QByteArray& out, const TWebSite& s) { AppendUnixDate(out, s.AddDate); },
            [](QByteArray& out, const TWebSite& s) {
                out += '"';
                AppendUnixDate(out, s.AddDate);
                out += '"';
            }};
}

TSiteColumn TagsColumn()
{
    return {"tags", true,
            [](QByteArray& out, const TWebSite& s) { AppendTsvField(out, s.Extras->Tags); },
            [](QByteArray& out, const TWebSite& s) {
                out += '[';
                if (!s.Extras->Tags.isEmpty()) {
                    const QStringList tags = WebSiteTags(s);
                    for (qsizetype i = 0; i < tags.size(); ++i) {
                        if (i > 0)
                            out += ',';
                        AppendJsonString(out, tags[i]);
                    }
                }
                out += ']';
            }};
}

TSiteColumn ToReadColumn()
{
    return {"to_read", true,
            [](QByteArray& out, const TWebSite& s) { out += s.ToRead ? '1' : '0'; },
            [](QByteArray& out, const TWebSite& s) { out += s.ToRead ? "true" : "false"; }};
}

TSiteColumn PrivateColumn()
{
    return {"private", true,
            [](QByteArray& out, const TWebSite& s) { out += s.Private ? '1' : '0'; },
            [](QByteArray& out, const TWebSite& s) { out += s.Private ? "true" : "false"; }};
}

TSiteColumn JsonOnly(TSiteColumn Column)
{
    Column.InTsv = false;
    return Column;
}

void AppendTsvColumns(QByteArray& Out, const TWebSite& Site, std::span<const TSiteColumn> Columns)
{
    bool first = true;
    for (const TSiteColumn& c : Columns) {
        if (!c.InTsv)
            continue;
        if (!first)
            Out += '\t';
        first = false;
        c.AppendTsv(Out, Site);
    }
}

void AppendJsonColumns(QByteArray& Out, const TWebSite& Site, std::span<const TSiteColumn> Columns)
{
    bool first = true;
    for (const TSiteColumn& c : Columns) {
        Out += first ? "\"" : ",\"";
        first = false;
        Out += c.JsonName;
        Out += "\":";
        c.AppendJson(Out, Site);
    }
}
