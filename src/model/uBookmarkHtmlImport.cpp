// Netscape bookmark HTML reader. It reads tags, not lines: browsers, bookmark
// services and hand-edited files put line breaks, letter case, quotes and the
// head of the file wherever they like, and only the tags say what the file holds.
//
// A bookmark is an A tag with an HREF, its title the text up to </A>; a folder
// starts at an H3 tag, named by its text, and its contents end at the matching
// </DL>; a <DD> text is the comment of the bookmark just before it; <HR> is a
// separator. The tree's shape goes into the list's folder table as it is read
// (see uBrowserTree.h): each link, folder and separator takes the next place
// in its folder; PERSONAL_TOOLBAR_FOLDER, UNFILED_BOOKMARKS_FOLDER and our own
// MOBILE_BOOKMARKS_FOLDER mark landmark folders, and Firefox's "Bookmarks Menu"
// <H1> (or its unfiled marker) the top level as its menu. Pocket's export heads
// its lists "Unread" and "Read Archive". Everything else (<DT>, <p>, unknown
// tags) carries no meaning here.
//
// The text is scanned as UTF-8 bytes (every marker is ASCII); files in other
// encodings are converted to UTF-8 once, first. Only the fields are decoded to
// UTF-16.

#include <model/uBookmarkHtmlImport.h>
#include <model/uHtmlTagScanner.h>
#include <model/uHtmlText.h>
#include <model/uReadProgress.h>
#include <model/uSiteText.h>
#include <model/uTextBytes.h>
#include <model/uWebSiteTags.h>

#include <platform/uOsServices.h>

#include <QFile>
#include <QHash>
#include <QStringDecoder>

#include <cstring>
#include <limits>

namespace {

QByteArrayView TrimBytes(QByteArrayView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && IsSpaceOrControl(s[b]))
        ++b;
    while (e > b && IsSpaceOrControl(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

QString DecodeField(QByteArrayView bytes)
{
    QString s = QString::fromUtf8(bytes);
    if (bytes.contains('&'))
        s = DecodeHtmlReferences(s);
    return s;
}

// Lines of bytes split at CR LF, CR or LF; the text after the last break is the last line.
template <typename TFn>
void ForEachLine(QByteArrayView Text, TFn Fn)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < Text.size(); ++i) {
        const char c = Text[i];
        if (c != '\r' && c != '\n')
            continue;
        Fn(Text.sliced(start, i - start));
        if (c == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    Fn(Text.sliced(start));
}

// A title or folder name. A raw line break in it is layout (writers that mean one
// write a character reference), so such text is joined into one line, each line
// trimmed; otherwise the text stands exactly as written, blanks included.
QString NameText(QByteArrayView Raw)
{
    if (!Raw.contains('\n') && !Raw.contains('\r'))
        return DecodeField(Raw);
    QByteArray joined;
    ForEachLine(Raw, [&joined](QByteArrayView line) {
        line = TrimBytes(line);
        if (line.isEmpty())
            return;
        if (!joined.isEmpty())
            joined += ' ';
        joined += line;
    });
    return DecodeField(joined);
}

// A <DD> text: each line trimmed, lines joined with CR LF. The line break before
// the tag that ends the text belongs to that tag's line, not to the comment.
QString CommentText(QByteArrayView Raw)
{
    QList<QByteArrayView> lines;
    ForEachLine(Raw, [&lines](QByteArrayView line) { lines.append(TrimBytes(line)); });
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    QByteArray joined;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            joined += "\r\n";
        joined += lines[i];
    }
    return DecodeField(joined);
}

// An HREF value as an address: blanks around it and line breaks or tabs inside
// it are not part of a URL (browsers drop them too). "chrome://" addresses are
// read as "http://" ones, as the list takes only http addresses.
QString URLText(QByteArrayView Raw)
{
    Raw = TrimBytes(Raw);
    QByteArray clean;
    if (Raw.contains('\n') || Raw.contains('\r') || Raw.contains('\t')) {
        for (char c : Raw)
            if (c != '\n' && c != '\r' && c != '\t')
                clean += c;
        Raw = clean;
    }
    QString url = DecodeField(Raw);
    if (url.startsWith(QLatin1String("chrome://"), Qt::CaseInsensitive))
        url.replace(0, 9, QStringLiteral("http://"));
    return url;
}

// A title as stored: the common case (plain ASCII, nothing to decode, one line)
// goes from the file's bytes to the record without a detour through UTF-16.
TSiteText TitleText(QByteArrayView Raw)
{
    if (!Raw.contains('&') && !Raw.contains('\n') && !Raw.contains('\r'))
        return TSiteText::FromUtf8(Raw);
    return TSiteText(NameText(Raw));
}

// An HREF value as stored; see URLText. Plain values take the short way.
TSiteText URLField(QByteArrayView Raw)
{
    const bool plain = !Raw.isEmpty() && std::uint8_t(Raw.front()) > ' '
                       && std::uint8_t(Raw.back()) > ' ' && !Raw.contains('&')
                       && !Raw.contains('\n') && !Raw.contains('\r') && !Raw.contains('\t')
                       && !AsciiStartsWithCaseless(Raw, "CHROME://");
    if (plain)
        return TSiteText::FromUtf8(Raw);
    return TSiteText(URLText(Raw));
}

// Vivaldi writes each separator as a bookmark of this address.
bool IsSeparatorPlaceholder(const TSiteText& URL)
{
    const QAnyStringView url = URL.View();
    return QAnyStringView::compare(url, QLatin1StringView("http://bookmark.placeholder.url/"),
                                   Qt::CaseInsensitive)
               == 0
           || QAnyStringView::compare(url, QLatin1StringView("http://bookmark.placeholder.url"),
                                      Qt::CaseInsensitive)
                  == 0;
}

// Tags that may stand inside a title or folder name without ending it.
bool IsInlineTag(const THtmlToken& t)
{
    static const char* const inlineTags[] = {
        "P",     "BR",  "B",   "I",   "U",  "S",    "EM",  "STRONG", "SPAN", "FONT", "IMG",
        "SMALL", "BIG", "SUB", "SUP", "TT", "CODE", "WBR", "NOBR",   "MARK", "ABBR"};
    for (const char* name : inlineTags)
        if (t.Is(name))
            return true;
    return false;
}

// The tags that end a <DD> text.
bool EndsComment(const THtmlToken& t)
{
    if (t.Kind == THtmlToken::StartTag)
        return t.Is("DT") || t.Is("DL") || t.Is("HR") || t.Is("H3") || t.Is("A") || t.Is("DD");
    return t.Is("DL") || t.Is("DD") || t.Is("BODY") || t.Is("HTML");
}

// Where a <DD> comment goes: the entry the preceding bookmark created or merged
// into; -1 when there is none (dropped bookmark, folder, start of file).
qsizetype CommentTarget(const TWebSiteList& List, TAddResult r, const TSiteText& url)
{
    switch (r) {
    case TAddResult::Added:
        return List.Count() - 1;
    case TAddResult::Merged:
        if (List.ShortenURLs)
            return WebSitesIndexOfURL(List, ShortenAmazonURL(url));
        return List.IndexOfURL(url);
    case TAddResult::Skipped:
        break;
    }
    return -1;
}

// Text collected from one or more runs (tags inside a title split it).
class TTextRuns
{
public:
    void Clear()
    {
        FFirst = {};
        FMore.clear();
        FRuns = 0;
    }
    void Add(QByteArrayView run)
    {
        if (FRuns == 1)
            FMore = FFirst.toByteArray();
        if (FRuns == 0)
            FFirst = run;
        else
            FMore += run;
        ++FRuns;
    }
    QByteArrayView Text() const { return FRuns <= 1 ? FFirst : QByteArrayView(FMore); }

private:
    QByteArrayView FFirst;
    QByteArray FMore;
    int FRuns = 0;
};

// A yes of TOREAD, PRIVATE and the folder markers: "1" (Pinboard, linkding,
// Shaarli), "true" (the browsers), "yes".
bool IsYesValue(const THtmlAttribute* Attribute)
{
    if (!Attribute)
        return false;
    const QByteArrayView v = TrimBytes(Attribute->Value);
    return v == "1" || AsciiEqualsCaseless(v, "true") || AsciiEqualsCaseless(v, "yes");
}

// The landmark an H3 tag marks.
TLandmark LandmarkOfFolderTag(const THtmlToken& H3)
{
    if (IsYesValue(H3.Attribute("PERSONAL_TOOLBAR_FOLDER")))
        return TLandmark::Toolbar;
    if (IsYesValue(H3.Attribute("UNFILED_BOOKMARKS_FOLDER")))
        return TLandmark::Other;
    if (IsYesValue(H3.Attribute("MOBILE_BOOKMARKS_FOLDER")))
        return TLandmark::Mobile;
    return TLandmark::None;
}

// What only some bookmarks carry: tags (Firefox, linkding, Pinboard, Shaarli write
// TAGS, Pocket "tags"), the keyword, the date of the last change, reading state.
void ReadAnchorExtras(const THtmlToken& A, const THtmlAttribute* Modified, TWebSite& Site)
{
    if (IsYesValue(A.Attribute("TOREAD")))
        Site.ToRead = true;
    if (IsYesValue(A.Attribute("PRIVATE")))
        Site.Private = true;
    const THtmlAttribute* tags = A.Attribute("TAGS");
    if (tags && !tags->Value.isEmpty())
        WebSiteTagsSet(Site, SplitTags(DecodeField(tags->Value)));
    if (const THtmlAttribute* keyword = A.Attribute("SHORTCUTURL"))
        WebSiteKeywordSet(Site, DecodeField(keyword->Value));
    TDateTime date;
    if (Modified && BookmarkDateToDate(Modified->Value, date))
        WebSiteModifiedSet(Site, date);
}

// The link check's attributes; an unknown verdict word leaves the entry unchecked.
void ReadLinkCheck(const THtmlToken& A, QByteArrayView Word, TWebSite& Site)
{
    const TLinkStatus status = LinkStatusFromWord(TrimBytes(Word));
    if (status == TLinkStatus::None)
        return;
    TWebSiteExtrasData& x = Site.Extras.Edit();
    x.LinkStatus = status;
    if (const THtmlAttribute* http = A.Attribute("LINK_HTTP")) {
        bool ok = false;
        const int code = TrimBytes(http->Value).toInt(&ok);
        x.LinkHttp = ok && code > 0 && code < 1000 ? code : 0;
    }
    if (const THtmlAttribute* finalUrl = A.Attribute("LINK_FINAL_URL"))
        x.LinkFinalUrl = HttpURLOrEmpty(DecodeField(finalUrl->Value));
    TDateTime checked;
    if (const THtmlAttribute* when = A.Attribute("LINK_CHECKED");
        when && BookmarkDateToDate(when->Value, checked))
        x.LinkChecked = checked;
    // Words of one line; a file cannot make them cost more than a title.
    if (const THtmlAttribute* detail = A.Attribute("LINK_DETAIL"))
        x.LinkDetail = DecodeField(detail->Value).simplified().left(MaxLinkDetailLength);
    if (const THtmlAttribute* failures = A.Attribute("LINK_FAILURES")) {
        bool ok = false;
        const int n = TrimBytes(failures->Value).toInt(&ok);
        x.LinkFailures = ok && n > 0 ? n : 0;
    }
    if (const THtmlAttribute* since = A.Attribute("LINK_FAILING_SINCE");
        since && BookmarkDateToDate(since->Value, checked))
        x.LinkFailingSince = checked;
}

// The bookmark an A tag starts, without its title.
TWebSite BookmarkOfAnchor(const THtmlToken& A, const TSiteText& Category, TDateTime Now)
{
    TWebSite site;
    site.URL = URLField(A.Attribute("HREF")->Value);
    if (const THtmlAttribute* icon = A.Attribute("ICON_URI"))
        site.IconURL = HttpURLOrEmpty(DecodeField(icon->Value));
    // The favicon itself, as Chrome and Firefox embed it.
    if (const THtmlAttribute* icon = A.Attribute("ICON"))
        site.IconId = WebSiteIconFromDataURI(icon->Value);
    site.AddDate = Now;
    TDateTime date;
    // Pocket's export writes the date its own way.
    const THtmlAttribute* added = A.Attribute("ADD_DATE");
    if (!added)
        added = A.Attribute("TIME_ADDED");
    const THtmlAttribute* modified = A.Attribute("LAST_MODIFIED");
    if ((added && BookmarkDateToDate(added->Value, date))
        || (modified && BookmarkDateToDate(modified->Value, date)))
        site.AddDate = date;
    site.Category = Category;
    ReadAnchorExtras(A, modified, site);
    // The last link check, kept by this program only; one look-up when absent.
    if (const THtmlAttribute* status = A.Attribute("LINK_STATUS"))
        ReadLinkCheck(A, status->Value, site);
    return site;
}

// The reader's state over one file.
class TBookmarkHtmlReader
{
public:
    TBookmarkHtmlReader(TWebSiteList& List, QByteArrayView Html)
        : FList(List), FHtml(Html), FNow(TDateTime::Now()), FRoot(List.Folders.Root())
    {
    }

    // Reads the whole text; returns the number of bookmarks found (those the
    // list did not take included).
    qsizetype Run()
    {
        THtmlTagScanner scanner(FHtml);
        THtmlToken token;
        // A watcher on another thread sees the share read, and a cancel stops the
        // read between two bookmarks.
        const bool Watched = CurrentReadProgress() != nullptr;
        unsigned Tokens = 0;
        while (scanner.Next(token)) {
            if (Watched && (++Tokens & 4095) == 0)
                ReportReadProgress(scanner.Position(), FHtml.size());
            if (token.Kind == THtmlToken::Text) {
                if (FCapture != TCapture::None)
                    FCaptured.Add(token.Raw);
            } else {
                OnTag(token);
            }
        }
        EndCapture();
        if (FInComment)
            EndComment(FHtml.size());
        FJoins.Apply();
        return FFound;
    }

private:
    enum class TCapture
    {
        None,
        Title,
        FolderName,
        Heading // the <H1>
    };

    static const char* CaptureTag(TCapture What)
    {
        return What == TCapture::Title ? "A" : (What == TCapture::FolderName ? "H3" : "H1");
    }

    qsizetype Offset(QByteArrayView v) const { return v.data() - FHtml.data(); }

    void OnTag(const THtmlToken& t)
    {
        const bool start = t.Kind == THtmlToken::StartTag;
        if (FInComment) {
            if (!EndsComment(t)) {
                // "<p>" is layout even inside a comment; other markup stays as text.
                if (t.Is("P"))
                    CutFromComment(t.Raw);
                return;
            }
            EndComment(Offset(t.Raw));
        }
        if (FCapture != TCapture::None) {
            const bool closes = !start && t.Is(CaptureTag(FCapture));
            if (!closes && IsInlineTag(t))
                return;
            EndCapture();
            if (closes)
                return;
        }
        if (start && t.Is("A")) {
            BeginBookmark(t);
        } else if (start && t.Is("H3")) {
            FTarget = -1;
            FFolderLandmark = LandmarkOfFolderTag(t);
            // Only Firefox marks unfiled bookmarks, and its top level is its menu.
            if (FFolderLandmark == TLandmark::Other)
                FList.Folders.SetLandmark(FRoot, TLandmark::Menu);
            BeginCapture(TCapture::FolderName);
        } else if (start && t.Is("HR")) {
            FTarget = -1;
            FList.Folders.AddSeparator(CurrentFolder());
            MarkContent();
        } else if (start && t.Is("H1")) {
            FTarget = -1;
            BeginCapture(TCapture::Heading);
        } else if (!start && t.Is("DL")) {
            PopFolder();
            FTarget = -1;
        } else if (start && t.Is("DD")) {
            FInComment = true;
            FComment.clear();
            FCommentFrom = Offset(t.Raw) + t.Raw.size();
        }
    }

    void BeginCapture(TCapture What)
    {
        FCapture = What;
        FCaptured.Clear();
    }

    void BeginBookmark(const THtmlToken& A)
    {
        if (!A.Attribute("HREF"))
            return; // an anchor, not a link
        FPending = BookmarkOfAnchor(A, CurrentCategory(), FNow);
        BeginCapture(TCapture::Title);
    }

    void EndCapture()
    {
        const TCapture what = FCapture;
        FCapture = TCapture::None;
        if (what == TCapture::FolderName) {
            PushFolder(NameText(FCaptured.Text()), FFolderLandmark);
        } else if (what == TCapture::Heading) {
            OnHeading(NameText(FCaptured.Text()).trimmed());
        } else if (what == TCapture::Title) {
            if (IsSeparatorPlaceholder(FPending.URL)) {
                FList.Folders.AddSeparator(CurrentFolder());
                MarkContent();
                FTarget = -1;
                return;
            }
            ++FFound;
            FPending.Place = FList.Folders.Place(CurrentFolder());
            if (FToReadSection)
                FPending.ToRead = true;
            const TSiteText url = FPending.URL;
            const TAddResult r = WebSitesAdd(FList, std::move(FPending), FJoins);
            // An entry a bookmark merges into keeps its own title, so the
            // title's text is made for a new entry only.
            if (r == TAddResult::Added) {
                FList.EditKeepURL(FList.Count() - 1).Title = TitleText(FCaptured.Text());
                MarkContent();
            }
            FTarget = CommentTarget(FList, r, url);
        }
    }

    // Drops a tag from the comment text: what stood on its two sides is joined.
    void CutFromComment(QByteArrayView Tag)
    {
        const qsizetype at = Offset(Tag);
        FComment += FHtml.sliced(FCommentFrom, at - FCommentFrom);
        FCommentFrom = at + Tag.size();
    }

    void EndComment(qsizetype End)
    {
        FInComment = false;
        QByteArrayView raw = FHtml.sliced(FCommentFrom, End - FCommentFrom);
        if (!FComment.isEmpty()) {
            FComment += raw;
            raw = FComment;
        }
        // A comment joins the entry's by the merge rule: empty takes it, a
        // different text is appended.
        if (FTarget >= 0)
            FJoins.Add(FTarget, CommentText(raw));
        FTarget = -1;
    }

    // Firefox's menu heads its file; Pocket heads its two lists.
    void OnHeading(const QString& Text)
    {
        if (Text.compare(u"Bookmarks Menu", Qt::CaseInsensitive) == 0)
            FList.Folders.SetLandmark(FRoot, TLandmark::Menu);
        else if (Text.compare(u"Unread", Qt::CaseInsensitive) == 0)
            FToReadSection = true;
        else if (Text.compare(u"Read Archive", Qt::CaseInsensitive) == 0)
            FToReadSection = false;
    }

    int CurrentFolder() const { return FLevels.empty() ? FRoot : FLevels.back().Folder; }

    // The folder being read holds something (a kept bookmark, a folder, a separator).
    void MarkContent()
    {
        if (!FLevels.empty())
            FLevels.back().HadContent = true;
    }

    // The category is one growing text: a folder appends "\" and its name, the
    // end of its list cuts the text back to the length it had. A folder below
    // the depth or length limit is read into its parent (its level is kept, so
    // that its </DL> still closes the right one). A landmark folder the list
    // already has under another name (another browser's toolbar) is read into that
    // one: the category becomes that folder's until its </DL>.
    void PushFolder(const QString& Name, TLandmark Landmark)
    {
        MarkContent();
        TLevel level{FCategory.size(), FDepth, CurrentFolder(), false, false, false};
        const qsizetype grown = FCategory.size() + (FDepth > 0 ? 1 : 0) + Name.size();
        if (FDepth < MaxBookmarkFolderDepth && grown <= MaxBookmarkCategoryLength) {
            const QString path = FDepth > 0 ? FCategory + u'\\' + Name : Name;
            level.Folder = FList.Folders.Enter(CurrentFolder(), path, Landmark);
            const QString actual = FList.Folders.At(level.Folder).Path;
            if (actual != path) {
                FRenamedFrom.push_back(FCategory);
                level.Renamed = true;
                FCategory = actual;
                FDepth = int(actual.count(u'\\')) + 1;
            } else {
                FCategory = path;
                ++FDepth;
            }
            level.Applied = true;
            FCategoryChanged = true;
        }
        FLevels.push_back(level);
    }

    void PopFolder()
    {
        if (FLevels.empty())
            return;
        const TLevel level = FLevels.back();
        FLevels.pop_back();
        if (level.Applied) {
            if (!level.HadContent)
                FList.Folders.SetKeepEmpty(level.Folder, true);
            if (level.Renamed) {
                FCategory = FRenamedFrom.back();
                FRenamedFrom.pop_back();
            } else {
                FCategory.truncate(level.Length);
            }
            FDepth = level.Depth;
            FCategoryChanged = true;
        }
    }

    // Bookmarks share one copy of each category text.
    const TSiteText& CurrentCategory()
    {
        if (FCategoryChanged) {
            auto it = FCategories.constFind(FCategory);
            if (it == FCategories.constEnd())
                it = FCategories.insert(FCategory, TSiteText(FCategory));
            FShared = *it;
            FCategoryChanged = false;
        }
        return FShared;
    }

    struct TLevel
    {
        qsizetype Length; // of the category before this level
        int Depth;        // before this level
        int Folder;       // in the list's folder table: where this level's items go
        bool Applied;     // false: read into the parent
        bool Renamed;     // read into a landmark folder of another name
        bool HadContent;
    };

    TWebSiteList& FList;
    TCommentJoins FJoins{FList};
    QByteArrayView FHtml;
    TDateTime FNow;
    qsizetype FFound = 0;

    TCapture FCapture = TCapture::None;
    TTextRuns FCaptured;
    TWebSite FPending;

    bool FInComment = false;
    qsizetype FCommentFrom = 0;
    QByteArray FComment; // the comment's text before the last tag cut from it
    qsizetype FTarget = -1;

    QString FCategory;
    std::vector<TLevel> FLevels;
    std::vector<QString> FRenamedFrom; // the categories around renamed levels
    const int FRoot;
    TLandmark FFolderLandmark = TLandmark::None;
    bool FToReadSection = false;
    int FDepth = 0;
    QHash<QString, TSiteText> FCategories;
    TSiteText FShared;
    bool FCategoryChanged = false;
};

// ---- Encodings -----------------------------------------------------------------------

// The charset a <META> tag of the head names (HTML 5's charset attribute or the
// charset= of a Content-Type), or empty. The head ends at the first tag of the
// bookmark structure.
QByteArray MetaCharset(QByteArrayView Html)
{
    THtmlTagScanner scanner(Html);
    THtmlToken t;
    while (scanner.Next(t)) {
        if (t.Kind != THtmlToken::StartTag)
            continue;
        if (t.Is("DL") || t.Is("DT") || t.Is("A") || t.Is("H1") || t.Is("H3") || t.Is("BODY"))
            break;
        if (!t.Is("META"))
            continue;
        if (const THtmlAttribute* a = t.Attribute("CHARSET"))
            return TrimBytes(a->Value).toByteArray();
        if (const THtmlAttribute* a = t.Attribute("CONTENT")) {
            const QByteArrayView v = a->Value;
            const qsizetype c = AsciiIndexOfCaseless(v, "CHARSET");
            if (c < 0)
                continue;
            qsizetype i = c + 7;
            while (i < v.size() && IsSpaceOrControl(v[i]))
                ++i;
            if (i >= v.size() || v[i] != '=')
                continue;
            ++i;
            while (i < v.size() && (IsSpaceOrControl(v[i]) || v[i] == '"' || v[i] == '\''))
                ++i;
            qsizetype e = i;
            while (e < v.size() && !IsSpaceOrControl(v[e]) && v[e] != ';' && v[e] != '"'
                   && v[e] != '\'')
                ++e;
            if (e > i)
                return v.sliced(i, e - i).toByteArray();
        }
    }
    return {};
}

// One code unit of UTF-16 bytes in the given byte order.
template <bool BigEndian>
char16_t Utf16Unit(const uchar* p)
{
    return BigEndian ? char16_t((p[0] << 8) | p[1]) : char16_t(p[0] | (p[1] << 8));
}

// UTF-16 bytes straight to UTF-8, without a UTF-16 string in between (a bookmark
// file is tens of megabytes, and fresh memory costs more than the converting).
// Runs of ASCII go four code units at a time; a lone surrogate or an odd last
// byte becomes U+FFFD.
template <bool BigEndian>
QByteArray Utf16ToUtf8(QByteArrayView Bytes)
{
    const uchar* p = reinterpret_cast<const uchar*>(Bytes.data());
    const qsizetype units = Bytes.size() / 2;
    QByteArray out;
    // At most three bytes per unit; pages never written are never touched.
    out.resize(units * 3 + 3);
    char* w = out.data();
    qsizetype i = 0;
    while (i < units) {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        if (i + 4 <= units) {
            quint64 v;
            std::memcpy(&v, p + 2 * i, 8);
            // Per unit: the high byte 0 and the low byte below 0x80.
            constexpr quint64 nonAscii = BigEndian ? 0x80FF80FF80FF80FFULL : 0xFF80FF80FF80FF80ULL;
            if ((v & nonAscii) == 0) {
                const int shift = BigEndian ? 8 : 0;
                for (int k = 0; k < 4; ++k)
                    *w++ = char((v >> (16 * k + shift)) & 0x7F);
                i += 4;
                continue;
            }
        }
#endif
        const char16_t c = Utf16Unit<BigEndian>(p + 2 * i++);
        char32_t u = c;
        if (QChar::isHighSurrogate(c) && i < units
            && QChar::isLowSurrogate(Utf16Unit<BigEndian>(p + 2 * i)))
            u = QChar::surrogateToUcs4(c, Utf16Unit<BigEndian>(p + 2 * i++));
        w = Utf8Put(w, u);
    }
    if (Bytes.size() % 2 != 0)
        w = Utf8Put(w, ReplacementChar);
    out.resize(w - out.data());
    return out;
}

} // namespace

// ---- Encodings, dates, file heads ----------------------------------------------------

QByteArrayView BookmarkHtmlAsUtf8(const QByteArray& Data, QByteArray& Converted)
{
    const QByteArrayView data(Data);
    if (data.startsWith("\xEF\xBB\xBF"))
        return data.sliced(3);
    if (data.startsWith("\xFF\xFE")) {
        Converted = Utf16ToUtf8<false>(data.sliced(2));
        return Converted;
    }
    if (data.startsWith("\xFE\xFF")) {
        Converted = Utf16ToUtf8<true>(data.sliced(2));
        return Converted;
    }
    // The META's label is read as browsers read it; a name they do not know is
    // no reason to turn an ASCII file into something else.
    const QByteArray charset = HtmlTextEncoding(MetaCharset(data));
    if (!charset.isEmpty()) {
        if (charset == "UTF-8")
            return data;
        QStringDecoder decoder(charset.constData(), QStringDecoder::Flag::Stateless);
        if (decoder.isValid()) {
            Converted = QString(decoder.decode(data)).toUtf8();
            return Converted;
        }
    }
    if (data.isValidUtf8())
        return data;
    Converted = DecodeLegacyText(data).toUtf8();
    return Converted;
}

bool IsNetscapeBookmarkFileHead(QByteArrayView Head)
{
    Head = Head.first(std::min<qsizetype>(Head.size(), 1024));
    QByteArray narrow;
    const bool le = Head.startsWith("\xFF\xFE");
    if (le || Head.startsWith("\xFE\xFF")) {
        // Only ASCII matters here: each code unit's low byte, when its high byte is 0.
        for (qsizetype i = 2; i + 1 < Head.size(); i += 2) {
            const char lo = le ? Head[i] : Head[i + 1];
            const char hi = le ? Head[i + 1] : Head[i];
            narrow += hi == 0 ? lo : '?';
        }
        Head = narrow;
    }
    for (qsizetype at = AsciiIndexOfCaseless(Head, "<!DOCTYPE"); at >= 0;
         at = AsciiIndexOfCaseless(Head, "<!DOCTYPE", at + 1)) {
        qsizetype i = at + 9;
        while (i < Head.size() && IsSpaceOrControl(Head[i]))
            ++i;
        if (AsciiStartsWithCaseless(Head.sliced(i), "NETSCAPE-BOOKMARK-FILE-1"))
            return true;
    }
    return false;
}

bool BookmarkDateToDate(QByteArrayView Text, TDateTime& Date)
{
    Text = TrimBytes(Text);
    const bool negative = Text.startsWith('-');
    if (negative || Text.startsWith('+'))
        Text = Text.sliced(1);
    // 18 digits still fit 64 bits; more is no date.
    if (Text.isEmpty() || Text.size() > 18)
        return false;
    std::int64_t n = 0;
    for (char c : Text) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    // Eleven digits are seconds: as milliseconds they would fall before 1974, when
    // no bookmark was made, and as seconds they are the years 2286 to 5138.
    const std::int64_t unit = Text.size() >= 14 ? 1'000'000 : (Text.size() >= 12 ? 1'000 : 1);
    // Whole seconds, the earlier one for a negative value with a fraction.
    std::int64_t secs = n / unit;
    if (negative)
        secs = -secs - (n % unit != 0 ? 1 : 0);
    Date = TDateTime::FromMilliseconds(UnixEpochMSecs + secs * 1000);
    return true;
}

QString BookmarkDateText(TDateTime Date)
{
    const std::int64_t secs = DateToUnixSeconds(Date);
    if (secs < 100'000'000'000LL)
        return QString::number(secs);
    return QString::number(std::min<std::int64_t>(secs, 999'999'999'999LL) * 1'000'000);
}

// ---- The reader ----------------------------------------------------------------------

void WebSitesLoadFromHtml(TWebSiteList& List, const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(FileName, QStringLiteral("Cannot open file"));
    // A large file is mapped, not copied: the reader only looks at the bytes, and
    // copying a few hundred megabytes costs about as much as reading the entries.
    // Where mapping is refused the file is read as usual. (Closing the file
    // unmaps it, also when the reader throws.)
    constexpr qint64 MapFrom = qint64(1) << 20;
    const qint64 size = file.size();
    if (size >= MapFrom && size <= std::numeric_limits<qsizetype>::max()) {
        if (const uchar* mapped = file.map(0, size)) {
            const QByteArray view =
                QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), qsizetype(size));
            const qsizetype found = WebSitesLoadFromHtmlData(List, view);
            file.close();
            if (found == 0)
                List.Stats.FilesWithoutBookmarks.append(FileName);
            return;
        }
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFileError(FileName, QStringLiteral("Cannot read file"));
    file.close();
    if (WebSitesLoadFromHtmlData(List, data) == 0)
        List.Stats.FilesWithoutBookmarks.append(FileName);
}

qsizetype WebSitesLoadFromHtmlData(TWebSiteList& List, const QByteArray& Data)
{
    const TSiteTextChunks chunks;
    QByteArray converted;
    return TBookmarkHtmlReader(List, BookmarkHtmlAsUtf8(Data, converted)).Run();
}
