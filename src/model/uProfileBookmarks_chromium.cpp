// The Chromium family's "Bookmarks" file: JSON with a "roots" object whose values
// are folder nodes; nodes carry "type" ("url" or "folder"), "name", "url",
// "date_added" (microseconds since 1601-01-01 UTC as a decimal string) and
// "children".
//
// A small JSON scanner of its own rather than a document parser: a large profile's
// file is tens of megabytes, and only four fields of each node are wanted. It
// records each node's fields as byte spans in one pass (the keys come in
// alphabetical order, so "children" precedes the folder's "name") and turns only
// those spans into text afterwards. Every read is bounds-checked, nesting is
// limited, and anything that is not well-formed JSON of the expected shape raises
// EFileError naming the file.

#include <QFile>
#include <algorithm>
#include <cstring>
#include <limits>
#include <model/uProfileBookmarks.h>
#include <model/uProfileBookmarksParts.h>
#include <model/uTextBytes.h>
#include <model/uWebSiteTags.h>
#include <platform/EFileError.h>

using namespace Qt::StringLiterals;
using namespace zorvel::model::browser;

namespace {

// Microseconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t WindowsToUnixMicroseconds = 11644473600LL * 1000000LL;

// JSON containers allowed inside each other: a folder takes two (its object and
// its "children" array), the file and "roots" two more.
constexpr int MaxJsonDepth = 2 * MaxBrowserFolderDepth + 4;

// A JSON string as it stands in the file (without the quotes).
struct TRawString
{
    const char* Begin = nullptr;
    qsizetype Size = 0;
    bool Escaped = false;
    bool Present = false;

    QByteArrayView View() const { return {Begin, Size}; }
};

enum class TNodeKind : char
{
    Other,
    Url,
    Folder
};

struct TNode
{
    qsizetype Parent = -1;
    TRawString Type;
    TRawString Name;
    TRawString Url;
    TRawString DateAdded;
    TRawString DateModified;
    qsizetype End = 0; // one past the node's last descendant
};

class TScanner
{
public:
    TScanner(const QByteArray& Data, const QString& FileName)
        : FBegin(Data.constData()), FP(Data.constData()), FEnd(Data.constData() + Data.size()),
          FFileName(FileName)
    {
        if (Data.startsWith("\xEF\xBB\xBF"))
            FP += 3;
    }

    // The whole file: the top-level object, its "roots" object of folder nodes.
    void ReadFile()
    {
        SkipBlanks();
        Expect('{', "the file does not begin with a JSON object");
        bool haveRoots = false;
        ReadMembers([&](QByteArrayView key) {
            if (key == "roots") {
                haveRoots = true;
                ReadRoots();
            } else {
                SkipValue();
            }
        });
        SkipBlanks();
        if (FP != FEnd)
            Fail("unexpected data after the JSON object");
        if (!haveRoots)
            Fail(u"no \"roots\" in the file"_s);
    }

    std::vector<TNode> Nodes;
    // The roots in file order: their key and the index of their node.
    std::vector<std::pair<QByteArrayView, qsizetype>> Roots;

private:
    [[noreturn]] void Fail(const QString& What) const
    {
        throw EFileError(FFileName, u"Not a readable bookmarks file: "_s + What + u" (byte "_s
                                        + QString::number(FP - FBegin) + u")"_s);
    }
    [[noreturn]] void Fail(const char* What) const { Fail(QString::fromLatin1(What)); }

    void SkipBlanks()
    {
        while (FP < FEnd && (*FP == ' ' || *FP == '\n' || *FP == '\r' || *FP == '\t'))
            ++FP;
    }

    void Expect(char c, const char* what)
    {
        if (FP >= FEnd || *FP != c)
            Fail(what);
        ++FP;
    }

    bool Peek(char c)
    {
        SkipBlanks();
        return FP < FEnd && *FP == c;
    }

    void Enter()
    {
        if (++FDepth > MaxJsonDepth)
            Fail(u"folders nested more than %1 deep"_s.arg(MaxBrowserFolderDepth));
    }
    void Leave() { --FDepth; }

    // A string starting at the opening quote; checks escapes, keeps them for later.
    TRawString ReadString()
    {
        SkipBlanks();
        Expect('"', "a text was expected");
        TRawString s;
        s.Begin = FP;
        s.Present = true;
        for (;;) {
            // Most strings hold neither quotes, backslashes nor control characters.
            while (FP < FEnd && *FP != '"' && *FP != '\\' && uchar(*FP) >= 0x20)
                ++FP;
            if (FP >= FEnd)
                Fail("the file ends inside a text");
            if (*FP == '"')
                break;
            if (*FP != '\\')
                Fail("a control character inside a text");
            s.Escaped = true;
            if (FEnd - FP < 2)
                Fail("the file ends inside a text");
            const char e = FP[1];
            if (e == 'u') {
                if (FEnd - FP < 6)
                    Fail("the file ends inside a text");
                for (int i = 2; i < 6; ++i)
                    if (!std::isxdigit(uchar(FP[i])))
                        Fail("a bad \\u escape");
                FP += 6;
            } else if (std::strchr("\"\\/bfnrt", e) && e != '\0') {
                FP += 2;
            } else {
                Fail("a bad escape in a text");
            }
        }
        s.Size = FP - s.Begin;
        ++FP;
        return s;
    }

    // Members of the object whose '{' was just read; OnMember reads each value.
    template <typename F>
    void ReadMembers(F&& OnMember)
    {
        Enter();
        if (Peek('}')) {
            ++FP;
            Leave();
            return;
        }
        for (;;) {
            const TRawString key = ReadString();
            SkipBlanks();
            Expect(':', "a ':' was expected after a name");
            SkipBlanks();
            // Keys with escapes never name a field we want.
            OnMember(key.Escaped ? QByteArrayView("\\") : key.View());
            SkipBlanks();
            if (FP < FEnd && *FP == ',') {
                ++FP;
                continue;
            }
            Expect('}', "a ',' or '}' was expected");
            break;
        }
        Leave();
    }

    void ReadRoots()
    {
        SkipBlanks();
        Expect('{', "\"roots\" is not an object");
        ReadMembers([&](QByteArrayView key) {
            SkipBlanks();
            if (FP >= FEnd || *FP != '{') {
                SkipValue(); // a root that is no node holds no bookmarks
                return;
            }
            Roots.emplace_back(key, ReadNode(-1));
        });
    }

    // A node object starting at '{'; its descendants follow it in Nodes.
    qsizetype ReadNode(qsizetype Parent)
    {
        Expect('{', "a bookmark node was expected");
        const qsizetype index = qsizetype(Nodes.size());
        Nodes.push_back({});
        Nodes.back().Parent = Parent;
        ReadMembers([&](QByteArrayView key) {
            if (key == "children")
                ReadChildren(index);
            else if (key == "type")
                Nodes[size_t(index)].Type = ReadStringField("type");
            else if (key == "name")
                Nodes[size_t(index)].Name = ReadStringField("name");
            else if (key == "url")
                Nodes[size_t(index)].Url = ReadStringField("url");
            else if (key == "date_added")
                Nodes[size_t(index)].DateAdded = ReadStringField("date_added");
            else if (key == "date_modified")
                Nodes[size_t(index)].DateModified = ReadStringField("date_modified");
            else
                SkipValue();
        });
        Nodes[size_t(index)].End = qsizetype(Nodes.size());
        return index;
    }

    TRawString ReadStringField(const char* name)
    {
        if (!Peek('"'))
            Fail(u"\"%1\" is not a text"_s.arg(QLatin1StringView(name)));
        return ReadString();
    }

    // Elements of the list whose '[' was just read; OnElement reads each one.
    template <typename F>
    void ReadElements(F&& OnElement)
    {
        Enter();
        if (Peek(']')) {
            ++FP;
            Leave();
            return;
        }
        for (;;) {
            OnElement();
            SkipBlanks();
            if (FP < FEnd && *FP == ',') {
                ++FP;
                continue;
            }
            Expect(']', "a ',' or ']' was expected");
            break;
        }
        Leave();
    }

    void ReadChildren(qsizetype Parent)
    {
        SkipBlanks();
        Expect('[', "\"children\" is not a list");
        ReadElements([&] {
            if (!Peek('{'))
                Fail("a child is not a bookmark node");
            ReadNode(Parent);
        });
    }

    // Any JSON value, checked but not kept.
    void SkipValue()
    {
        SkipBlanks();
        if (FP >= FEnd)
            Fail("the file ends where a value was expected");
        switch (*FP) {
        case '"':
            ReadString();
            return;
        case '{':
            ++FP;
            ReadMembers([&](QByteArrayView) { SkipValue(); });
            return;
        case '[':
            ++FP;
            ReadElements([&] { SkipValue(); });
            return;
        default:
            SkipScalar();
        }
    }

    void SkipScalar()
    {
        for (const char* word : {"true", "false", "null"}) {
            const size_t n = std::strlen(word);
            if (size_t(FEnd - FP) >= n && std::memcmp(FP, word, n) == 0) {
                FP += n;
                return;
            }
        }
        const char* start = FP;
        if (FP < FEnd && *FP == '-')
            ++FP;
        while (FP < FEnd
               && (std::isdigit(uchar(*FP)) || *FP == '.' || *FP == 'e' || *FP == 'E' || *FP == '+'
                   || *FP == '-'))
            ++FP;
        if (FP == start || !std::isdigit(uchar(FP[-1])))
            Fail("a value was expected");
    }

    const char* FBegin;
    const char* FP;
    const char* FEnd;
    const QString& FFileName;
    int FDepth = 0;
};

void AppendUtf8(QByteArray& out, char32_t c)
{
    char bytes[4];
    out.append(bytes, Utf8Put(bytes, c) - bytes);
}

unsigned HexValue(const char* p)
{
    unsigned v = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = p[i];
        v = v * 16 + unsigned(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    return v;
}

// The text of a string the scanner has checked. A lone surrogate becomes U+FFFD.
QString Decode(const TRawString& s)
{
    if (!s.Escaped)
        return QString::fromUtf8(s.View());
    QByteArray out;
    out.reserve(s.Size);
    const char* p = s.Begin;
    const char* end = s.Begin + s.Size;
    while (p < end) {
        if (*p != '\\') {
            out.append(*p++);
            continue;
        }
        const char e = p[1];
        if (e != 'u') {
            static constexpr char from[] = "\"\\/bfnrt";
            static constexpr char to[] = "\"\\/\b\f\n\r\t";
            out.append(to[std::strchr(from, e) - from]);
            p += 2;
            continue;
        }
        char32_t c = HexValue(p + 2);
        p += 6;
        if (c >= 0xD800 && c <= 0xDBFF && end - p >= 6 && p[0] == '\\' && p[1] == 'u') {
            const unsigned low = HexValue(p + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                p += 6;
            }
        }
        AppendUtf8(out, c);
    }
    return QString::fromUtf8(out);
}

// date_added as the HTML export writes it: base::Time's ToTimeT, which keeps 0
// (no date) as 0 and cuts the microseconds towards zero.
TDateTime DateOf(const TRawString& s)
{
    if (!s.Present || s.Escaped || s.Size == 0 || s.Size > 19)
        return TDateTime::Now();
    std::int64_t v = 0;
    for (const char c : s.View()) {
        if (c < '0' || c > '9')
            return TDateTime::Now();
        // Nineteen digits may pass 64 bits: no date then, as any other bad text.
        if (v > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10)
            return TDateTime::Now();
        v = v * 10 + (c - '0');
    }
    return FromUnixSeconds(v == 0 ? 0 : (v - WindowsToUnixMicroseconds) / 1000000);
}

TNodeKind KindOf(const TNode& n)
{
    if (n.Type.View() == "url")
        return TNodeKind::Url;
    if (n.Type.View() == "folder")
        return TNodeKind::Folder;
    return TNodeKind::Other;
}

// Appends the bookmarks of the root node at Root, pre-order as the export writes
// them; Level: where the root's contents go in Walk.
void EmitRoot(const std::vector<TNode>& Nodes, qsizetype Root, TFolderWalk& Walk,
              TFolderWalk::TOpen Level, std::vector<TWebSite>& Out)
{
    // The folders open around the node at hand: where each ends, the level of its
    // contents. The nodes of a folder follow it contiguously.
    struct TOpen
    {
        qsizetype End;
        TFolderWalk::TOpen Level;
    };
    std::vector<TOpen> open{{Nodes[size_t(Root)].End, Level}};
    for (qsizetype i = Root + 1; i < Nodes[size_t(Root)].End;) {
        while (i >= open.back().End) {
            Walk.Leave(open.back().Level);
            open.pop_back();
        }
        const TNode& n = Nodes[size_t(i)];
        const TNodeKind kind = KindOf(n);
        if (kind == TNodeKind::Folder) {
            const TFolderWalk::TOpen level =
                Walk.Enter(open.back().Level, AsHtmlImportReads(Decode(n.Name)));
            open.push_back({n.End, level});
            ++i;
            continue;
        }
        if (kind == TNodeKind::Url && n.Url.Present) {
            TWebSite site;
            site.Title = AsHtmlImportReads(Decode(n.Name));
            site.URL = AsHtmlImportReads(Decode(n.Url));
            site.Category = Walk.Category(open.back().Level);
            site.Place = Walk.Place(open.back().Level, IsHttpURL(site.URL));
            site.AddDate = DateOf(n.DateAdded);
            // Set on bookmarks whose address or title was edited since.
            const QByteArrayView modified = n.DateModified.View();
            if (!n.DateModified.Escaped && !modified.isEmpty() && modified.size() <= 19
                && modified != "0" && std::all_of(modified.begin(), modified.end(), [](char c) {
                       return c >= '0' && c <= '9';
                   }))
                WebSiteModifiedSet(site, DateOf(n.DateModified));
            Out.push_back(std::move(site));
        }
        i = n.End; // what a bookmark or an unknown node holds is no bookmark
    }
    while (!open.empty()) {
        Walk.Leave(open.back().Level);
        open.pop_back();
    }
}

} // namespace

std::vector<TWebSite> ReadChromiumBookmarksData(const QByteArray& Data, const QString& FileName,
                                                TBrowserTree* Folders)
{
    TScanner scanner(Data, FileName);
    scanner.ReadFile();
    const std::vector<TNode>& nodes = scanner.Nodes;

    std::vector<TWebSite> out;
    TBrowserTree ownFolders;
    TFolderWalk walk(Folders ? *Folders : ownFolders);
    TFolderWalk::TOpen top = walk.Top();
    // A root's contents go into a folder of its name, or to the top level. The top
    // level is never left: it is kept in any case.
    const auto emit = [&](qsizetype root, bool asFolder, const QString& name, TLandmark landmark) {
        if (KindOf(nodes[size_t(root)]) == TNodeKind::Url)
            return;
        if (asFolder)
            EmitRoot(nodes, root, walk, walk.Enter(top, name, landmark), out);
        else
            EmitRoot(nodes, root, walk, top, out);
    };
    const auto rootNamed = [&](QByteArrayView key) -> qsizetype {
        for (const auto& [k, index] : scanner.Roots)
            if (k == key)
                return index;
        return -1;
    };
    // The export's order: the bar as a folder, then the contents of "other" and of
    // the mobile root at the top level.
    if (const qsizetype bar = rootNamed("bookmark_bar"); bar >= 0) {
        QString name = AsHtmlImportReads(Decode(nodes[size_t(bar)].Name));
        if (!nodes[size_t(bar)].Name.Present)
            name = u"Bookmarks bar"_s;
        emit(bar, true, name, TLandmark::Toolbar);
    }
    if (const qsizetype other = rootNamed("other"); other >= 0)
        emit(other, false, QString(), TLandmark::None);
    // The mobile root shows only when it holds something, and so is it kept.
    if (const qsizetype synced = rootNamed("synced");
        synced >= 0 && nodes[size_t(synced)].End > synced + 1) {
        QString name = AsHtmlImportReads(Decode(nodes[size_t(synced)].Name));
        if (!nodes[size_t(synced)].Name.Present)
            name = u"Mobile bookmarks"_s;
        emit(synced, true, name, TLandmark::Mobile);
    }
    for (const auto& [key, index] : scanner.Roots) {
        if (key == "bookmark_bar" || key == "other" || key == "synced")
            continue;
        const TNode& n = nodes[size_t(index)];
        const QString name = n.Name.Present ? Decode(n.Name) : QString::fromUtf8(key);
        emit(index, true, AsHtmlImportReads(name), TLandmark::None);
    }
    return out;
}

std::vector<TWebSite> ReadChromiumBookmarks(const QString& FileName, TBrowserTree* Folders)
{
    QFile file(FileName);
    if (!file.exists())
        throw EFileError(FileName, u"File not found"_s);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(FileName, u"Cannot open file"_s);
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFileError(FileName, u"Cannot read file"_s);
    std::vector<TWebSite> sites = ReadChromiumBookmarksData(data, FileName, Folders);
    ReadProfileFavicons(sites, FileName, TBrowserBookmarkFile::ChromiumJson);
    return sites;
}
