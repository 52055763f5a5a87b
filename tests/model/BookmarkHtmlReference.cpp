// The bookmark HTML reader written the straightforward way: QString
// replacements, a list of lines and the five regular expressions. Slow, but its
// rules can be read off directly; the tests hold the model's byte-scanning reader
// against it.

#include "BookmarkHtmlReference.h"

#include <model/uBookmarkHtmlImport.h>

#include <QRegularExpression>

namespace {

// The BOM, the separator lines and the comment rules, restated on QString.

QByteArrayView SkipBom(QByteArrayView data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        return data.sliced(3);
    return data;
}

QStringList SplitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            i += (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QString StripSeparators(const QString& t)
{
    qsizetype i = 0;
    while (t.mid(i, 4).compare(QStringLiteral("<HR>"), Qt::CaseInsensitive) == 0) {
        i += 4;
        while (i < t.size() && t[i].unicode() <= 32)
            ++i;
    }
    return t.mid(i);
}

qsizetype CommentTarget(const TWebSiteList& List, TAddResult r, const QString& url)
{
    switch (r) {
    case TAddResult::Added:
        return List.Count() - 1;
    case TAddResult::Merged:
        return WebSitesIndexOfURL(List, List.ShortenURLs ? ShortenAmazonURL(url) : url);
    case TAddResult::Skipped:
        break;
    }
    return -1;
}

void AttachComment(TWebSiteList& List, qsizetype target, const QString& comment)
{
    if (target < 0 || target >= List.Count())
        return;
    TWebSite& e = List.EditKeepURL(target);
    if (e.Comment.isEmpty())
        e.Comment = comment;
    else if (!comment.isEmpty() && comment != e.Comment)
        e.Comment += QStringLiteral("\r\n") + comment;
}

const QByteArrayView DoctypeLine = "<!DOCTYPE NETSCAPE-Bookmark-file-1>";

const QRegularExpression& FolderPattern()
{
    static const QRegularExpression re(QStringLiteral(R"re(<DT><H3(.*|)>(.*)</H3>)re"));
    return re;
}
const QRegularExpression& TitlePattern()
{
    static const QRegularExpression re(QStringLiteral(R"re(.*HREF=".*?"(.*|)?>(.*)?</A>)re"));
    return re;
}
const QRegularExpression& URLPattern()
{
    static const QRegularExpression re(QStringLiteral(R"re(.*HREF="(.+?)".*)re"));
    return re;
}
const QRegularExpression& IconPattern()
{
    static const QRegularExpression re(QStringLiteral(R"re(.*ICON_URI="(.+?|)".*)re"));
    return re;
}
const QRegularExpression& DatePattern()
{
    static const QRegularExpression re(QStringLiteral(R"re(.*ADD_DATE="(.+?|)".*)re"));
    return re;
}

} // namespace

QString NormalizeBookmarkHtmlReference(QString Text)
{
    Text.remove(u'\t');
    Text.remove(QStringLiteral("<P>"), Qt::CaseInsensitive);
    Text.replace(QStringLiteral("/A>"), QStringLiteral("</A>"), Qt::CaseInsensitive);
    Text.replace(QStringLiteral("<</A>"), QStringLiteral("</A>"), Qt::CaseInsensitive);
    Text.replace(QStringLiteral("chrome://"), QStringLiteral("http://"), Qt::CaseInsensitive);
    return Text;
}

QString ParseBookmarkFolder(const QString& Line)
{
    // A failed match, a match-limit error included, gives no name.
    const QRegularExpressionMatch m = FolderPattern().match(Line);
    return m.hasMatch() ? DecodeHtmlReferences(m.captured(2)) : QString();
}

TWebSite ParseBookmarkItem(const QString& Line, const QString& Category)
{
    TWebSite site;
    QRegularExpressionMatch m = TitlePattern().match(Line);
    if (m.hasMatch())
        site.Title = DecodeHtmlReferences(m.captured(2));
    m = URLPattern().match(Line);
    if (m.hasMatch())
        site.URL = DecodeHtmlReferences(m.captured(1));
    m = IconPattern().match(Line);
    if (m.hasMatch())
        site.IconURL = HttpURLOrEmpty(DecodeHtmlReferences(m.captured(1)));
    m = DatePattern().match(Line);
    site.AddDate = m.hasMatch() ? UnixTextToDate(m.captured(1)) : TDateTime::Now();
    site.Category = Category;
    return site;
}

// The same rules the straightforward way: QString replacements, line lists and
// the five patterns.
void WebSitesLoadFromHtmlDataReference(TWebSiteList& List, const QByteArray& Data)
{
    const QString raw = QString::fromUtf8(SkipBom(Data));
    if (SplitLines(raw).size() <= 5)
        return;
    const QStringList lines = SplitLines(NormalizeBookmarkHtmlReference(raw));
    if (lines.isEmpty() || lines[0] != QString::fromLatin1(DoctypeLine))
        return;

    enum class TState { SeekingHeading, Items, Comment };
    TState state = TState::SeekingHeading;
    QStringList stack;
    QString comment;
    qsizetype target = -1;
    const auto trim = [](const QString& s) {
        qsizetype b = 0;
        qsizetype e = s.size();
        while (b < e && s[b].unicode() <= 32)
            ++b;
        while (e > b && s[e - 1].unicode() <= 32)
            --e;
        return s.mid(b, e - b);
    };

    qsizetype i = 1;
    while (i < lines.size()) {
        const QString t = trim(lines[i]);
        switch (state) {
        case TState::SeekingHeading:
            if (t.startsWith(QStringLiteral("<H1")) && t.endsWith(QStringLiteral("</H1>")))
                state = TState::Items;
            ++i;
            break;
        case TState::Items: {
            const QString s = StripSeparators(t);
            if (s.startsWith(QStringLiteral("<DT><H3"))) {
                stack.append(ParseBookmarkFolder(s));
                target = -1;
            } else if (s.startsWith(QStringLiteral("<DT><A HREF"))) {
                const TWebSite site = ParseBookmarkItem(s, JoinFolderPath(stack));
                target = CommentTarget(List, WebSitesAdd(List, site), site.URL);
            } else if (s.startsWith(QStringLiteral("</DL>"))) {
                if (!stack.isEmpty())
                    stack.removeLast();
                target = -1;
            } else if (s.startsWith(QStringLiteral("<DD>"))) {
                comment = s.mid(4);
                state = TState::Comment;
            }
            ++i;
            break;
        }
        case TState::Comment: {
            const QString s = StripSeparators(t);
            if (s.startsWith(QStringLiteral("<DT>")) || s.startsWith(QStringLiteral("</DL>"))
                || s.size() < t.size()) {
                AttachComment(List, target, DecodeHtmlReferences(comment));
                target = -1;
                state = TState::Items;
            } else {
                comment += QStringLiteral("\r\n") + t;
                ++i;
            }
            break;
        }
        }
    }
}
