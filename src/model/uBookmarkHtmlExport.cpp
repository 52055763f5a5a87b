// Netscape bookmark HTML export: one folder per category component.

#include <model/uBookmarkHtml.h>

#include <platform/EFileError.h>

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The entries of each category, by index, in list order.
using TCategoryGroups = QHash<QString, std::vector<qsizetype>>;

// A folder of the written tree; the root has no name.
struct TBMNode
{
    QString Name;
    std::vector<TBMNode> Nodes;
};

void AppendCharRef(QString& Out, char16_t c)
{
    Out += u"&#"_s;
    Out += QString::number(int(c));
    Out += u';';
}

bool IsChromeColon(QStringView Text, qsizetype i)
{
    return i >= 6 && Text.mid(i - 6, 6).compare(u"chrome", Qt::CaseInsensitive) == 0
           && Text.mid(i + 1, 2) == u"//";
}

bool NeedsEscape(QStringView Text, qsizetype i)
{
    switch (Text[i].unicode()) {
    case u'&':
    case u'<':
    case u'>':
    case u'"':
    case u'\t':
    case u'\r':
    case u'\n':
        return true;
    case u':':
        return IsChromeColon(Text, i);
    default:
        return false;
    }
}

// Text as HTML character data. Besides the markup characters this covers what the
// line-based readers (ours and the browsers') would otherwise alter: tabs and line
// breaks, and "chrome:" followed by "//", which readers rewrite to "http://".
QString EscapeHtml(QStringView Text)
{
    const qsizetype n = Text.size();
    qsizetype first = 0;
    while (first < n && !NeedsEscape(Text, first))
        ++first;
    if (first == n)
        return Text.toString();

    QString out;
    out.reserve(n + 16);
    out.append(Text.first(first));
    for (qsizetype i = first; i < n; ++i) {
        const char16_t c = Text[i].unicode();
        if (!NeedsEscape(Text, i)) {
            out += QChar(c);
            continue;
        }
        switch (c) {
        case u'&':
            out += u"&amp;"_s;
            break;
        case u'<':
            out += u"&lt;"_s;
            break;
        case u'>':
            out += u"&gt;"_s;
            break;
        case u'"':
            out += u"&quot;"_s;
            break;
        default: // tab, CR, LF, the colon of "chrome://"
            AppendCharRef(out, c);
        }
    }
    return out;
}

// One comment line: the readers trim blanks and control characters at both ends of
// a line, so those are written as character references.
QString EscapeCommentLine(QStringView Line)
{
    qsizetype b = 0;
    qsizetype e = Line.size();
    while (b < e && Line[b].unicode() <= 32)
        ++b;
    while (e > b && Line[e - 1].unicode() <= 32)
        --e;
    QString out;
    for (qsizetype i = 0; i < b; ++i)
        AppendCharRef(out, Line[i].unicode());
    out += EscapeHtml(Line.mid(b, e - b));
    for (qsizetype i = e; i < Line.size(); ++i)
        AppendCharRef(out, Line[i].unicode());
    return out;
}

void WriteItem(const TWebSite& Site, QStringList& Lines, const QString& Indent)
{
    QString line;
    line.reserve(Indent.size() + Site.URL.size() + Site.Title.size() + Site.IconURL.size() + 64);
    line += Indent;
    line += u"<DT><A HREF=\""_s;
    line += EscapeHtml(Site.URL);
    line += u"\" ADD_DATE=\""_s;
    line += DateToUnixText(Site.AddDate);
    line += u"\" ICON_URI=\""_s;
    line += EscapeHtml(Site.IconURL);
    // The favicon as Chrome writes it; base64 text needs no escaping.
    if (Site.IconId != 0) {
        const QByteArray icon = WebSiteIconDataURI(Site.IconId);
        if (!icon.isEmpty()) {
            line += u"\" ICON=\""_s;
            line += QLatin1StringView(icon);
        }
    }
    line += u"\">"_s;
    line += EscapeHtml(Site.Title);
    line += u"</A>"_s;
    Lines.append(line);

    if (Site.Comment.isEmpty())
        return;
    // Later comment lines stand unindented at the start of their lines.
    const QList<QStringView> parts = QStringView(Site.Comment).split(u"\r\n");
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i == 0)
            Lines.append(Indent + u"<DD>"_s + EscapeCommentLine(parts[i]));
        else
            Lines.append(EscapeCommentLine(parts[i]));
    }
}

void WriteItems(const TWebSiteList& List, const TCategoryGroups& Groups, QStringList& Lines,
                const QString& Indent, const QString& Path)
{
    const auto it = Groups.constFind(Path);
    if (it != Groups.constEnd())
        for (const qsizetype i : *it)
            WriteItem(List[i], Lines, Indent);
}

// Depth 0 is the root (no folder lines, the uncategorised entries). A first-level
// folder's path is its name; deeper ones add "\" and their name, so a category
// with empty components ("\A", "A\\B", "A\") has a folder for each of them.
void WriteNode(const TWebSiteList& List, const TCategoryGroups& Groups, const TBMNode& Node,
               QStringList& Lines, const QString& Indent, const QString& ParentPath, int Depth)
{
    const QString childIndent = Indent + u"  "_s;
    const QString path = Depth <= 1 ? Node.Name : ParentPath + u'\\' + Node.Name;
    if (Depth > 0) {
        Lines.append(Indent + u"<DT><H3>"_s + EscapeHtml(Node.Name) + u"</H3>"_s);
        Lines.append(Indent + u"<DL><p>"_s);
    }
    for (const TBMNode& child : Node.Nodes)
        WriteNode(List, Groups, child, Lines, childIndent, path, Depth + 1);
    // A first-level folder with an empty name holds only folders: no category is
    // one empty component (that would be the top level, written by the root).
    if (Depth == 0 || !path.isEmpty())
        WriteItems(List, Groups, Lines, childIndent, path);
    if (Depth > 0)
        Lines.append(Indent + u"</DL><p>"_s);
}

void CollectCategories(const TWebSiteList& List, QStringList& Categories)
{
    // Every distinct category, letter-case variants included: entries are placed by
    // exact comparison, so each form needs its own folder to be written at all.
    QSet<QString> seen;
    for (const QString& c : std::as_const(Categories))
        seen.insert(c);
    for (const TWebSite& site : List) {
        if (!seen.contains(site.Category)) {
            seen.insert(site.Category);
            Categories.append(site.Category);
        }
    }

    // The user's collation; the C locale (no language) collates by code units only,
    // so the root collation, which English uses, stands in for it.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English);
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    struct TKeyed
    {
        QCollatorSortKey Key;
        QString Text;
    };
    std::vector<TKeyed> keyed;
    keyed.reserve(size_t(Categories.size()));
    for (const QString& c : std::as_const(Categories))
        keyed.push_back({collator.sortKey(c), c});
    std::sort(keyed.begin(), keyed.end(), [](const TKeyed& a, const TKeyed& b) {
        const int r = a.Key.compare(b.Key);
        if (r != 0)
            return r < 0;
        // Equal ignoring case (or collation-equal): code-unit order.
        return QStringView(a.Text).compare(QStringView(b.Text), Qt::CaseSensitive) < 0;
    });
    Categories.clear();
    Categories.reserve(qsizetype(keyed.size()));
    for (const TKeyed& k : keyed)
        Categories.append(k.Text);
}

qsizetype FindOrAddNode(TBMNode& Node, const QString& Name)
{
    for (size_t i = 0; i < Node.Nodes.size(); ++i)
        if (Node.Nodes[i].Name == Name)
            return qsizetype(i);
    Node.Nodes.push_back(TBMNode{Name, {}});
    return qsizetype(Node.Nodes.size() - 1);
}

void AddCategoryPath(TBMNode& Root, const QString& Path)
{
    if (Path.isEmpty())
        return;
    TBMNode* current = &Root;
    for (const QStringView name : QStringView(Path).split(u'\\')) {
        const qsizetype i = FindOrAddNode(*current, name.toString());
        current = &current->Nodes[size_t(i)];
    }
}

void BuildCategoryTree(const TWebSiteList& List, TBMNode& Root)
{
    Root = TBMNode{};
    QStringList categories;
    CollectCategories(List, categories);
    for (const QString& c : std::as_const(categories))
        AddCategoryPath(Root, c);
}

} // namespace

QByteArray WebSitesToHtmlData(const TWebSiteList& List)
{
    TBMNode root;
    BuildCategoryTree(List, root);

    // One pass to group the entries by category keeps the export linear.
    TCategoryGroups groups;
    for (qsizetype i = 0; i < List.Count(); ++i)
        groups[List[i].Category].push_back(i);

    QStringList lines;
    lines.reserve(List.Count() + 16);
    lines.append(u"<!DOCTYPE NETSCAPE-Bookmark-file-1>"_s);
    lines.append(u"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">"_s);
    lines.append(u"<TITLE>Bookmarks</TITLE>"_s);
    lines.append(u"<H1>Bookmarks</H1>"_s);
    lines.append(u"<DL><p>"_s);
    WriteNode(List, groups, root, lines, QString(), QString(), 0);
    lines.append(u"</DL><p>"_s);

    qsizetype total = 0;
    for (const QString& l : std::as_const(lines))
        total += l.size() + 2;
    QString text;
    text.reserve(total);
    for (const QString& l : std::as_const(lines)) {
        text += l;
        text += u"\r\n";
    }
    return QByteArray("\xEF\xBB\xBF", 3) + text.toUtf8();
}

void WebSitesSaveToHtml(const TWebSiteList& List, const QString& FileName)
{
    const QByteArray data = WebSitesToHtmlData(List);
    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EFileError(FileName, CannotCreateFileReason(file.errorString()));
    if (file.write(data) != data.size() || !file.commit())
        throw EFileError(FileName, CannotWriteFileReason(file.errorString()));
}
