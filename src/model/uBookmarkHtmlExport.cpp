// Netscape bookmark HTML export: one folder per category component. A folder's
// items (links, sub-folders, separators) stand in their kept places first (see
// uBrowserTree.h), then what has no place: sub-folders by name, then links in
// list order. Landmark folders carry the browsers' markers, and empty folders kept
// from the sources are written too.
//
// The file is streamed: every line goes as UTF-8 into one fixed buffer that is
// handed to the device when full, so the export needs no copy of the text
// whatever the size of the list. The folder tree is built once from the distinct
// categories and walked without recursion, so neither many sibling folders nor
// very deep nesting costs more than linear time or any stack.

#include <model/uBookmarkHtml.h>
#include <model/uBookmarkHtmlImport.h>
#include <model/uTextBytes.h>

#include <platform/EFileError.h>

#include <QBuffer>
#include <QCollator>
#include <QHash>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// ---------------------------------------------------------------------------
// UTF-8 output through one buffer

class THtmlOut
{
public:
    explicit THtmlOut(QIODevice& Device) : FDevice(Device) {}

    // Plain ASCII markup.
    template <size_t N>
    void Ascii(const char (&Text)[N])
    {
        Bytes(Text, N - 1);
    }

    void Bytes(const char* Data, size_t Size)
    {
        if (size_t(End - FPos) < Size) {
            Flush();
            if (size_t(End - FPos) < Size) { // larger than the buffer: straight through
                Put(Data, qint64(Size));
                return;
            }
        }
        std::copy_n(Data, Size, FPos);
        FPos += Size;
    }

    void LineEnd() { Ascii("\r\n"); }

    // Two blanks per folder level, up to a cap: the readers ignore leading blanks,
    // and a deeply nested list would otherwise grow with the square of its depth.
    void Indent(int Levels)
    {
        static constexpr int MaxLevels = 64;
        static const std::array<char, 2 * MaxLevels> Blanks = [] {
            std::array<char, 2 * MaxLevels> a{};
            a.fill(' ');
            return a;
        }();
        Bytes(Blanks.data(), size_t(2 * std::min(Levels, MaxLevels)));
    }

    // Text as UTF-8 without escaping; a lone surrogate becomes U+FFFD.
    void Text(QStringView Text)
    {
        const char16_t* p = Text.utf16();
        const char16_t* const e = p + Text.size();
        while (p != e) {
            Room();
            // Plain ASCII needs no decisions beyond the bound; the four bytes
            // left over take one encoded character.
            const char16_t* const stop = p + std::min<qsizetype>(e - p, End - FPos - 4);
            while (p != stop && *p < 0x80)
                *FPos++ = char(*p++);
            if (p != stop)
                p = Encode(p, e);
        }
    }

    // Text as HTML character data (see EscapedChars).
    void Escaped(QStringView Text) { EscapedChars(Text.utf16(), Text.size()); }
    // A stored text as it is: most are Latin-1, and need no detour through UTF-16.
    void Escaped(const TSiteText& Text)
    {
        if (Text.IsLatin1())
            EscapedChars(reinterpret_cast<const uchar*>(Text.Latin1().data()), Text.size());
        else
            Escaped(Text.Utf16());
    }

    // A character reference, "&#NN;".
    void CharRef(char16_t c)
    {
        Room();
        *FPos++ = '&';
        *FPos++ = '#';
        char digits[5];
        int n = 0;
        unsigned v = c;
        do {
            digits[n++] = char('0' + v % 10);
            v /= 10;
        } while (v != 0);
        while (n > 0)
            *FPos++ = digits[--n];
        *FPos++ = ';';
    }

    // Hands the rest of the buffer to the device; false when any write failed.
    bool Finish()
    {
        Flush();
        return !FFailed;
    }

private:
    static constexpr qsizetype Size = 64 * 1024;
    // Every single step writes at most this much: a character reference, a
    // four-byte UTF-8 sequence, an entity.
    static constexpr qsizetype StepMax = 16;

    // Characters below 0x80 that may need escaping; ':' only before "//" after
    // "chrome".
    static constexpr std::array<bool, 128> Special = [] {
        std::array<bool, 128> a{};
        for (const char c : {'&', '<', '>', '"', '\t', '\r', '\n', ':'})
            a[size_t(c)] = true;
        return a;
    }();

    void Room()
    {
        if (End - FPos < StepMax)
            Flush();
    }

    void Flush()
    {
        Put(FBuffer.get(), FPos - FBuffer.get());
        FPos = FBuffer.get();
    }

    void Put(const char* Data, qint64 Size)
    {
        if (Size > 0 && !FFailed && FDevice.write(Data, Size) != Size)
            FFailed = true;
    }

    // One character at or above 0x80 (a pair for a surrogate pair); returns the next.
    const char16_t* Encode(const char16_t* p, const char16_t* e)
    {
        return Utf8PutUtf16(FPos, p, e);
    }

    // Text[i] is a ':' after "chrome" (any case) and before "//".
    template <typename Char>
    static bool IsChromeColon(const Char* Text, qsizetype Size, qsizetype i)
    {
        if (i < 6 || Size - i < 3 || Text[i + 1] != '/' || Text[i + 2] != '/')
            return false;
        // Only ASCII letters fold to these: a plain comparison is enough.
        for (qsizetype k = 0; k < 6; ++k) {
            const char16_t c = Text[i - 6 + k];
            if ((c | 0x20) != char16_t("chrome"[k]))
                return false;
        }
        return true;
    }

    void PutLiteral(const char* Literal)
    {
        while (*Literal)
            *FPos++ = *Literal++;
    }

    // Text as HTML character data. Besides the markup characters this covers what
    // the line-based readers (ours and the browsers') would otherwise alter: tabs
    // and line breaks, and "chrome:" followed by "//", which readers rewrite to
    // "http://". Char is char16_t (UTF-16) or uchar (Latin-1).
    template <typename Char>
    void EscapedChars(const Char* const begin, qsizetype Size)
    {
        const Char* p = begin;
        const Char* const e = p + Size;
        while (p != e) {
            Room();
            const Char* const stop = p + std::min<qsizetype>(e - p, (End - FPos) / 8);
            // A surrogate pair may step one past stop: its four bytes fit the room
            // counted for two characters.
            while (p < stop) {
                const char16_t c = *p;
                if (c >= 0x80) {
                    if constexpr (sizeof(Char) == 1) {
                        *FPos++ = char(0xC0 | (c >> 6));
                        *FPos++ = char(0x80 | (c & 0x3F));
                        ++p;
                    } else {
                        p = Encode(p, e);
                    }
                    continue;
                }
                if (!Special[c]) {
                    *FPos++ = char(c);
                    ++p;
                    continue;
                }
                EscapeChar(begin, Size, p - begin);
                ++p;
            }
        }
    }

    template <typename Char>
    void EscapeChar(const Char* Text, qsizetype Size, qsizetype i)
    {
        const char16_t c = Text[i];
        switch (c) {
        case u'&':
            PutLiteral("&amp;");
            break;
        case u'<':
            PutLiteral("&lt;");
            break;
        case u'>':
            PutLiteral("&gt;");
            break;
        case u'"':
            PutLiteral("&quot;");
            break;
        case u':':
            if (IsChromeColon(Text, Size, i))
                CharRef(c);
            else
                *FPos++ = ':';
            break;
        default: // tab, CR, LF
            CharRef(c);
        }
    }

    QIODevice& FDevice;
    std::unique_ptr<char[]> FBuffer = std::make_unique_for_overwrite<char[]>(Size);
    char* FPos = FBuffer.get();
    char* const End = FBuffer.get() + Size;
    bool FFailed = false;
};

// ---------------------------------------------------------------------------
// The folder tree

// Entries grouped by their exact category, each group in list order; then the
// folders of the folder table that are written without entries.
struct TCategories
{
    std::vector<QStringView> Names; // distinct categories, in first-seen order
    std::vector<QString> Texts;     // what Names view (a QString's text stays put when it moves)
    std::vector<qsizetype> Start;   // group g's entries: Entries[Start[g] .. Start[g + 1])
    std::vector<qsizetype> Entries; // entry indices
};

TCategories GroupByCategory(const TWebSiteList& List)
{
    TCategories c;
    QHash<TSiteText, int> index;
    std::vector<int> groupOf(size_t(List.Count()));
    std::vector<qsizetype> counts;
    for (qsizetype i = 0; i < List.Count(); ++i) {
        const TSiteText& name = List[i].Category;
        auto it = index.find(name);
        if (it == index.end()) {
            it = index.insert(name, int(c.Names.size()));
            c.Texts.push_back(name.toString());
            c.Names.push_back(c.Texts.back());
            counts.push_back(0);
        }
        groupOf[size_t(i)] = *it;
        ++counts[size_t(*it)];
    }
    // Empty folders kept from the sources, and the landmark folders, which the
    // browsers always have.
    for (int f = 0; f < List.Folders.Count(); ++f) {
        const TFolderInfo& info = List.Folders.At(f);
        const bool keep = info.KeepEmpty || info.Landmark == TLandmark::Toolbar
                          || info.Landmark == TLandmark::Other
                          || info.Landmark == TLandmark::Mobile;
        if (!keep || info.Path.isEmpty())
            continue;
        const TSiteText name(info.Path);
        if (index.contains(name))
            continue;
        index.insert(name, int(c.Names.size()));
        c.Texts.push_back(info.Path);
        c.Names.push_back(c.Texts.back());
        counts.push_back(0);
    }
    c.Start.resize(counts.size() + 1);
    for (size_t g = 0; g < counts.size(); ++g)
        c.Start[g + 1] = c.Start[g] + counts[g];
    std::vector<qsizetype> next(c.Start.begin(), c.Start.end() - 1);
    c.Entries.resize(size_t(List.Count()));
    for (qsizetype i = 0; i < List.Count(); ++i)
        c.Entries[size_t(next[size_t(groupOf[size_t(i)])]++)] = i;
    return c;
}

// The order in which categories become folders: the user's collation ignoring
// case, then code units, so that letter-case variants (each a folder of its own,
// since entries are placed by exact comparison) stand next to each other.
std::vector<int> CollationOrder(const std::vector<QStringView>& Names)
{
    // The C locale (no language) collates by code units only, so the root
    // collation, which English uses, stands in for it.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English);
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(Names.size());
    for (const QStringView n : Names)
        keys.push_back(collator.sortKey(n.toString()));
    std::vector<int> order(Names.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const int r = keys[size_t(a)].compare(keys[size_t(b)]);
        if (r != 0)
            return r < 0;
        return Names[size_t(a)].compare(Names[size_t(b)], Qt::CaseSensitive) < 0;
    });
    return order;
}

// A folder; children are linked in the order they were first met.
struct TFolder
{
    QStringView Name;
    QStringView Path;
    int FirstChild = -1;
    int LastChild = -1;
    int NextSibling = -1;
    int Group = -1; // the category whose path ends here, if any
};

struct TChildKey
{
    int Parent;
    QStringView Name;
    bool operator==(const TChildKey&) const = default;
};

size_t qHash(const TChildKey& Key, size_t Seed = 0)
{
    return qHashMulti(Seed, Key.Parent, Key.Name);
}

// Folder 0 is the root: the uncategorised entries, no folder lines. A category
// with empty components ("\A", "A\\B", "A\") has a folder for each of them; a
// first-level folder with an empty name holds only folders, since the empty
// category is the root's.
std::vector<TFolder> BuildFolderTree(const TCategories& Categories)
{
    std::vector<TFolder> folders(1);
    QHash<TChildKey, int> children;
    children.reserve(qsizetype(Categories.Names.size()));
    for (const int g : CollationOrder(Categories.Names)) {
        const QStringView path = Categories.Names[size_t(g)];
        int current = 0;
        if (!path.isEmpty()) {
            for (const QStringView name : path.tokenize(u'\\')) {
                const TChildKey key{current, name};
                auto it = children.find(key);
                if (it == children.end()) {
                    it = children.insert(key, int(folders.size()));
                    folders.push_back(
                        TFolder{name, path.first(name.data() + name.size() - path.data())});
                    TFolder& parent = folders[size_t(current)];
                    if (parent.LastChild < 0)
                        parent.FirstChild = *it;
                    else
                        folders[size_t(parent.LastChild)].NextSibling = *it;
                    parent.LastChild = *it;
                }
                current = *it;
            }
        }
        folders[size_t(current)].Group = g;
    }
    return folders;
}

// ---------------------------------------------------------------------------
// Lines

void WriteComment(THtmlOut& Out, QStringView Comment, int Level)
{
    // Later comment lines stand unindented at the start of their lines.
    bool first = true;
    for (const QStringView line : Comment.tokenize(u"\r\n")) {
        if (first) {
            Out.Indent(Level);
            Out.Ascii("<DD>");
            first = false;
        }
        // The readers trim blanks and control characters at both ends of a line,
        // so those are written as character references.
        qsizetype b = 0;
        qsizetype e = line.size();
        while (b < e && line[b].unicode() <= 32)
            ++b;
        while (e > b && line[e - 1].unicode() <= 32)
            --e;
        for (qsizetype i = 0; i < b; ++i)
            Out.CharRef(line[i].unicode());
        Out.Escaped(line.mid(b, e - b));
        for (qsizetype i = e; i < line.size(); ++i)
            Out.CharRef(line[i].unicode());
        Out.LineEnd();
    }
}

// The last link check, in attributes browsers pass over when they import the file.
void WriteLinkCheck(THtmlOut& Out, const TWebSiteExtrasData& Extras)
{
    Out.Ascii("\" LINK_STATUS=\"");
    Out.Text(LinkStatusWord(Extras.LinkStatus));
    Out.Ascii("\" LINK_HTTP=\"");
    Out.Text(QString::number(Extras.LinkHttp));
    if (!Extras.LinkFinalUrl.isEmpty()) {
        Out.Ascii("\" LINK_FINAL_URL=\"");
        Out.Escaped(QStringView(Extras.LinkFinalUrl));
    }
    if (Extras.LinkChecked != TDateTime()) {
        Out.Ascii("\" LINK_CHECKED=\"");
        Out.Text(BookmarkDateText(Extras.LinkChecked));
    }
    if (!Extras.LinkDetail.isEmpty()) {
        Out.Ascii("\" LINK_DETAIL=\"");
        Out.Escaped(QStringView(Extras.LinkDetail));
    }
    if (Extras.LinkFailures > 0) {
        Out.Ascii("\" LINK_FAILURES=\"");
        Out.Text(QString::number(Extras.LinkFailures));
    }
    if (Extras.LinkFailingSince != TDateTime()) {
        Out.Ascii("\" LINK_FAILING_SINCE=\"");
        Out.Text(BookmarkDateText(Extras.LinkFailingSince));
    }
}

void WriteItem(THtmlOut& Out, const TWebSite& Site, int Level)
{
    Out.Indent(Level);
    Out.Ascii("<DT><A HREF=\"");
    Out.Escaped(Site.URL);
    Out.Ascii("\" ADD_DATE=\"");
    Out.Text(BookmarkDateText(Site.AddDate));
    const TWebSiteExtrasData& extras = *Site.Extras;
    if (extras.Modified != TDateTime()) {
        Out.Ascii("\" LAST_MODIFIED=\"");
        Out.Text(BookmarkDateText(extras.Modified));
    }
    Out.Ascii("\" ICON_URI=\"");
    Out.Escaped(Site.IconURL);
    // The favicon as Chrome writes it; base64 text needs no escaping.
    if (Site.IconId != 0) {
        const QByteArray icon = WebSiteIconDataURI(Site.IconId);
        if (!icon.isEmpty()) {
            Out.Ascii("\" ICON=\"");
            Out.Bytes(icon.constData(), size_t(icon.size()));
        }
    }
    // Firefox reads both back; an entry without them is written as before.
    if (!extras.Keyword.isEmpty()) {
        Out.Ascii("\" SHORTCUTURL=\"");
        Out.Escaped(extras.Keyword);
    }
    if (!extras.Tags.isEmpty()) {
        Out.Ascii("\" TAGS=\"");
        Out.Escaped(extras.Tags);
    }
    // As Pinboard, linkding and Shaarli write reading state.
    if (Site.ToRead)
        Out.Ascii("\" TOREAD=\"1");
    if (Site.Private)
        Out.Ascii("\" PRIVATE=\"1");
    if (Site.Extras->LinkStatus != TLinkStatus::None)
        WriteLinkCheck(Out, *Site.Extras);
    Out.Ascii("\">");
    Out.Escaped(Site.Title);
    Out.Ascii("</A>");
    Out.LineEnd();
    if (!Site.Comment.isEmpty())
        WriteComment(Out, Site.Comment.toString(), Level);
}

// One item of a folder as written.
struct TItem
{
    enum TKind : std::uint8_t
    {
        Folder, // before an entry of the same place
        Entry,
        Separator
    };
    std::uint32_t Index; // the folder's or the entry's
    TTreePlace Place;
    TKind Kind;
};

// A folder's items in the order they are written (see the top of the file).
std::vector<TItem> FolderItems(const TWebSiteList& List, const TCategories& Categories,
                               const std::vector<TFolder>& Folders, int Folder)
{
    std::vector<TItem> items;
    const TFolder& f = Folders[size_t(Folder)];
    const TFolderInfo* info = List.Folders.Info(f.Path);
    if (info)
        for (const TTreePlace s : info->Separators)
            items.push_back({0, s, TItem::Separator});
    const auto placeOf = [&](int child) -> TTreePlace {
        const TFolderInfo* i = List.Folders.Info(Folders[size_t(child)].Path);
        return i ? i->Place : 0;
    };
    for (int c = f.FirstChild; c >= 0; c = Folders[size_t(c)].NextSibling)
        if (const TTreePlace p = placeOf(c); p != 0)
            items.push_back({std::uint32_t(c), p, TItem::Folder});
    const size_t g = size_t(f.Group);
    const qsizetype begin = f.Group < 0 ? 0 : Categories.Start[g];
    const qsizetype end = f.Group < 0 ? 0 : Categories.Start[g + 1];
    for (qsizetype k = begin; k < end; ++k) {
        const qsizetype e = Categories.Entries[size_t(k)];
        if (const TTreePlace p = List[e].Place; p != 0)
            items.push_back({std::uint32_t(e), p, TItem::Entry});
    }
    const auto before = [](const TItem& a, const TItem& b) {
        return a.Place != b.Place ? a.Place < b.Place : a.Kind < b.Kind;
    };
    // Right after a read the places already run in list order.
    if (!std::is_sorted(items.begin(), items.end(), before))
        std::stable_sort(items.begin(), items.end(), before);
    for (int c = f.FirstChild; c >= 0; c = Folders[size_t(c)].NextSibling)
        if (placeOf(c) == 0)
            items.push_back({std::uint32_t(c), 0, TItem::Folder});
    for (qsizetype k = begin; k < end; ++k) {
        const qsizetype e = Categories.Entries[size_t(k)];
        if (List[e].Place == 0)
            items.push_back({std::uint32_t(e), 0, TItem::Entry});
    }
    return items;
}

void WriteFolderHeading(THtmlOut& Out, const TWebSiteList& List, const TFolder& Folder, int Level)
{
    Out.Indent(Level);
    Out.Ascii("<DT><H3");
    // As Firefox and Chrome mark them; the mobile folder's marker is our own.
    if (const TFolderInfo* info = List.Folders.Info(Folder.Path)) {
        switch (info->Landmark) {
        case TLandmark::Toolbar:
            Out.Ascii(" PERSONAL_TOOLBAR_FOLDER=\"true\"");
            break;
        case TLandmark::Other:
            Out.Ascii(" UNFILED_BOOKMARKS_FOLDER=\"true\"");
            break;
        case TLandmark::Mobile:
            Out.Ascii(" MOBILE_BOOKMARKS_FOLDER=\"true\"");
            break;
        case TLandmark::None:
        case TLandmark::Menu:
            break;
        }
    }
    Out.Ascii(">");
    Out.Escaped(Folder.Name);
    Out.Ascii("</H3>");
    Out.LineEnd();
    Out.Indent(Level);
    Out.Ascii("<DL><p>");
    Out.LineEnd();
}

// Each folder: its heading, then its items. Folder lines stand at two blanks per
// level, the items one level further in. The folders entered and not yet closed
// are a stack, not calls, so that no nesting costs any stack.
void WriteFolders(THtmlOut& Out, const TWebSiteList& List, const TCategories& Categories,
                  const std::vector<TFolder>& Folders)
{
    struct TOpen
    {
        int Folder;
        std::vector<TItem> Items;
        size_t Next = 0;
    };
    std::vector<TOpen> open;
    open.push_back({0, FolderItems(List, Categories, Folders, 0)});
    while (!open.empty()) {
        TOpen& top = open.back();
        const int level = int(open.size());
        if (top.Next == top.Items.size()) {
            const bool root = top.Folder == 0;
            open.pop_back();
            if (!root) {
                Out.Indent(level - 1);
                Out.Ascii("</DL><p>");
                Out.LineEnd();
            }
            continue;
        }
        const TItem item = top.Items[top.Next++];
        switch (item.Kind) {
        case TItem::Folder:
            WriteFolderHeading(Out, List, Folders[item.Index], level);
            open.push_back(
                {int(item.Index), FolderItems(List, Categories, Folders, int(item.Index))});
            break;
        case TItem::Entry:
            WriteItem(Out, List[qsizetype(item.Index)], level);
            break;
        case TItem::Separator:
            // On a line of its own: Chrome's importer reads a bookmark only at
            // the start of a line.
            Out.Indent(level);
            Out.Ascii("<HR>");
            Out.LineEnd();
            break;
        }
    }
}

} // namespace

bool WebSitesWriteHtml(const TWebSiteList& List, QIODevice& Device)
{
    const TCategories categories = GroupByCategory(List);
    const std::vector<TFolder> folders = BuildFolderTree(categories);

    THtmlOut out(Device);
    out.Ascii("\xEF\xBB\xBF"
              "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
              "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
              "<TITLE>Bookmarks</TITLE>\r\n");
    // Firefox heads its file with its menu, whose contents are the top level.
    const int root = List.Folders.Find(QStringView());
    if (root >= 0 && List.Folders.At(root).Landmark == TLandmark::Menu)
        out.Ascii("<H1>Bookmarks Menu</H1>\r\n");
    else
        out.Ascii("<H1>Bookmarks</H1>\r\n");
    out.Ascii("<DL><p>\r\n");
    WriteFolders(out, List, categories, folders);
    out.Ascii("</DL><p>\r\n");
    return out.Finish();
}

QByteArray WebSitesToHtmlData(const TWebSiteList& List)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    WebSitesWriteHtml(List, buffer);
    buffer.close();
    return data;
}

void WebSitesSaveToHtml(const TWebSiteList& List, const QString& FileName)
{
    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EFileError(FileName, CannotCreateFileReason(file.errorString()));
    // On failure the save file is discarded: the old file stays as it was.
    if (!WebSitesWriteHtml(List, file) || !file.commit())
        throw EFileError(FileName, CannotWriteFileReason(file.errorString()));
}
