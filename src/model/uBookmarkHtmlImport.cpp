// Netscape bookmark HTML reader. Line-oriented on purpose: browsers write one
// bookmark or folder per line, and the reader recognises fixed line prefixes and
// pulls the attributes out with five patterns (written as regular expressions in
// the comments below, and in the reference reader the tests compare against).
//
// The reader scans the UTF-8 bytes: every pattern and marker is ASCII, so
// positions found on bytes are the positions the patterns would find on the
// decoded text, and only the captured fields are converted to UTF-16. Each
// pattern's leading greedy ".*" means "the last place in the line where the rest
// matches", so candidates are looked up from the end of the line.

#include <model/uBookmarkHtmlImport.h>

#include <QFile>

#include <cstring>
#include <vector>

namespace {

constexpr std::int64_t UnixEpochMSecs = 25569LL * 86'400'000LL;

const QByteArrayView DoctypeLine = "<!DOCTYPE NETSCAPE-Bookmark-file-1>";

// ---- Byte scanning helpers ---------------------------------------------------------

const char* FindByteBackward(const char* begin, const char* end, char c)
{
#if defined(__GLIBC__)
    return static_cast<const char*>(memrchr(begin, c, size_t(end - begin)));
#else
    while (end > begin)
        if (*--end == c)
            return end;
    return nullptr;
#endif
}

// Position of byte c in [from, to), or -1.
qsizetype IndexOfByte(QByteArrayView s, char c, qsizetype from, qsizetype to)
{
    if (from >= to)
        return -1;
    const void* p = std::memchr(s.data() + from, c, size_t(to - from));
    return p ? static_cast<const char*>(p) - s.data() : -1;
}

qsizetype IndexOfByte(QByteArrayView s, char c, qsizetype from)
{
    return IndexOfByte(s, c, from, s.size());
}

// Last position of byte c in [from, to), or -1.
qsizetype LastIndexOfByte(QByteArrayView s, char c, qsizetype from, qsizetype to)
{
    if (from >= to)
        return -1;
    const char* p = FindByteBackward(s.data() + from, s.data() + to, c);
    return p ? p - s.data() : -1;
}

// Last occurrence of needle lying wholly inside [0, end), or -1. Looks for the
// needle's last byte first: the markers end in '"' or '>', bytes that the long
// embedded icon data never contains.
qsizetype LastIndexOf(QByteArrayView s, QByteArrayView needle, qsizetype end)
{
    const qsizetype len = needle.size();
    const char last = needle[len - 1];
    qsizetype limit = end;
    while (limit >= len) {
        const qsizetype q = LastIndexOfByte(s, last, len - 1, limit);
        if (q < 0)
            return -1;
        const qsizetype start = q - (len - 1);
        if (std::memcmp(s.data() + start, needle.data(), size_t(len - 1)) == 0)
            return start;
        limit = q;
    }
    return -1;
}

// First occurrence of needle starting at or after from, or -1.
qsizetype IndexOf(QByteArrayView s, QByteArrayView needle, qsizetype from)
{
    const qsizetype len = needle.size();
    while (from + len <= s.size()) {
        const qsizetype p = IndexOfByte(s, needle[0], from, s.size() - len + 1);
        if (p < 0)
            return -1;
        if (std::memcmp(s.data() + p, needle.data(), size_t(len)) == 0)
            return p;
        from = p + 1;
    }
    return -1;
}

bool IsBlank(char c)
{
    return uchar(c) <= 32;
}

QByteArrayView TrimBytes(QByteArrayView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

bool StartsWithCaseless(QByteArrayView s, QByteArrayView upperPrefix)
{
    if (s.size() < upperPrefix.size())
        return false;
    for (qsizetype i = 0; i < upperPrefix.size(); ++i) {
        char c = s[i];
        if (c >= 'a' && c <= 'z')
            c = char(c - 32);
        if (c != upperPrefix[i])
            return false;
    }
    return true;
}

// Firefox writes a separator as "<HR>" with the next item on the same line.
QByteArrayView StripSeparators(QByteArrayView t)
{
    while (StartsWithCaseless(t, "<HR>")) {
        qsizetype i = 4;
        while (i < t.size() && IsBlank(t[i]))
            ++i;
        t = t.sliced(i);
    }
    return t;
}

QString DecodeField(QByteArrayView bytes)
{
    QString s = QString::fromUtf8(bytes);
    if (bytes.contains('&'))
        s = DecodeHtmlReferences(s);
    return s;
}

// ADD_DATE values are nearly always plain digits; anything else takes the
// general rules of UnixTextToDate.
TDateTime ParseUnixDate(QByteArrayView v)
{
    if (v.size() >= 1 && v.size() <= 15) {
        std::int64_t n = 0;
        bool digits = true;
        for (char c : v) {
            if (c < '0' || c > '9') {
                digits = false;
                break;
            }
            n = n * 10 + (c - '0');
        }
        if (digits)
            return TDateTime::FromMilliseconds(UnixEpochMSecs + n * 1000);
    }
    return UnixTextToDate(QString::fromUtf8(v));
}

// The attribute patterns .*NAME="(.+?)".* and .*NAME="(.+?|)".*: the last NAME="
// after which the rest matches. The value is [Begin, End).
struct TSpan
{
    qsizetype Begin = -1;
    qsizetype End = -1;
};

TSpan FindAttribute(QByteArrayView line, QByteArrayView name, bool emptyAllowed)
{
    qsizetype end = line.size();
    for (;;) {
        const qsizetype h = LastIndexOf(line, name, end);
        if (h < 0)
            return {};
        const qsizetype v = h + name.size();
        // .+? takes at least one character, then up to the first quote.
        const qsizetype q = IndexOfByte(line, '"', v + 1);
        if (q >= 0)
            return {v, q};
        if (emptyAllowed && v < line.size() && line[v] == '"')
            return {v, v};
        end = h + name.size() - 1;
    }
}

// ---- Line splitting ----------------------------------------------------------------

// Lines end at CR LF, CR or LF; a line break at the very end starts no further line.
class TLineReader
{
public:
    explicit TLineReader(QByteArrayView text) : FText(text) {}

    bool Next(QByteArrayView& line)
    {
        const qsizetype n = FText.size();
        if (FPos >= n)
            return false;
        if (FNextCR < FPos)
            FNextCR = Find('\r');
        if (FNextLF < FPos)
            FNextLF = Find('\n');
        const qsizetype e = std::min(FNextCR, FNextLF);
        line = FText.sliced(FPos, e - FPos);
        if (e < n && FText[e] == '\r' && e + 1 < n && FText[e + 1] == '\n')
            FPos = e + 2;
        else
            FPos = e + 1;
        return true;
    }

private:
    qsizetype Find(char c) const
    {
        const qsizetype p = IndexOfByte(FText, c, FPos);
        return p < 0 ? FText.size() : p;
    }

    QByteArrayView FText;
    qsizetype FPos = 0;
    qsizetype FNextCR = -1;
    qsizetype FNextLF = -1;
};

bool HasMoreThanFiveLines(QByteArrayView text)
{
    TLineReader reader(text);
    QByteArrayView line;
    int count = 0;
    while (count <= 5 && reader.Next(line))
        ++count;
    return count > 5;
}

bool IsHeadingLine(QByteArrayView line)
{
    const QByteArrayView t = TrimBytes(line);
    return t.startsWith("<H1") && t.endsWith("</H1>");
}

QByteArrayView SkipBom(QByteArrayView data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        return data.sliced(3);
    return data;
}

// Would NormalizeBookmarkHtml change this text? ("</A>" stays as it is.)
bool LineNeedsNormalizing(QByteArrayView s)
{
    if (IndexOfByte(s, '\t', 0) >= 0)
        return true;
    for (qsizetype p = IndexOfByte(s, '>', 2); p >= 0; p = IndexOfByte(s, '>', p + 1)) {
        const char a = s[p - 2];
        const char b = char(s[p - 1] | 0x20);
        if (a == '<' && b == 'p')
            return true;
        if (a == '/' && b == 'a' && !(s[p - 1] == 'A' && p >= 3 && s[p - 3] == '<'))
            return true;
    }
    for (qsizetype c = IndexOf(s, "://", 6); c >= 0; c = IndexOf(s, "://", c + 1))
        if (StartsWithCaseless(s.sliced(c - 6), "CHROME"))
            return true;
    return false;
}

// Where a <DD> comment goes: the entry the preceding bookmark line created or
// merged into; -1 when there is none (dropped line, folder line, start of file).
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

// The comment rule of a merge: empty takes it, a different text is appended.
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

} // namespace

// ---- Character references ----------------------------------------------------------

namespace {

// Does text at p (n code units available) begin with the ASCII name?
bool HasAsciiPrefix(const char16_t* p, qsizetype n, const char* name)
{
    qsizetype i = 0;
    for (; name[i]; ++i)
        if (i >= n || p[i] != char16_t(name[i]))
            return false;
    return true;
}

// Decodes the reference at p (just after '&'); returns the code units it takes,
// 0 when it is no reference we decode.
qsizetype DecodeReference(const char16_t* p, qsizetype n, char32_t& value)
{
    struct TNamed
    {
        const char* Name;
        char16_t Char;
    };
    static constexpr TNamed named[] = {
        {"amp;", u'&'},  {"lt;", u'<'},    {"gt;", u'>'},
        {"quot;", u'"'}, {"apos;", u'\''}, {"nbsp;", u'\u00A0'},
    };
    if (n == 0)
        return 0;
    if (p[0] != u'#') {
        for (const TNamed& ref : named)
            if (HasAsciiPrefix(p, n, ref.Name)) {
                value = ref.Char;
                return qsizetype(std::strlen(ref.Name));
            }
        return 0;
    }
    qsizetype j = 1;
    const bool hex = j < n && (p[j] == u'x' || p[j] == u'X');
    if (hex)
        ++j;
    const qsizetype first = j;
    char32_t v = 0;
    for (; j < n; ++j) {
        const char16_t d = p[j];
        int digit = -1;
        if (d >= u'0' && d <= u'9')
            digit = d - u'0';
        else if (hex && d >= u'a' && d <= u'f')
            digit = d - u'a' + 10;
        else if (hex && d >= u'A' && d <= u'F')
            digit = d - u'A' + 10;
        if (digit < 0)
            break;
        // Saturates: anything beyond the last code point is no character.
        v = std::min<char32_t>(v * (hex ? 16 : 10) + char32_t(digit), 0x110000);
    }
    if (j == first || j >= n || p[j] != u';')
        return 0;
    // Nothing that is not a character comes out of the reader.
    if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        v = 0xFFFD;
    value = v;
    return j + 1;
}

} // namespace

QString DecodeHtmlReferences(const QString& Text)
{
    qsizetype amp = Text.indexOf(u'&');
    if (amp < 0)
        return Text;
    const char16_t* p = reinterpret_cast<const char16_t*>(Text.utf16());
    const qsizetype n = Text.size();
    QString out;
    out.reserve(n);
    qsizetype done = 0; // Text[0, done) is in out
    while (amp >= 0) {
        char32_t value = 0;
        const qsizetype used = DecodeReference(p + amp + 1, n - amp - 1, value);
        if (used > 0) {
            out.append(QStringView(p + done, amp - done));
            if (QChar::requiresSurrogates(value)) {
                out.append(QChar(QChar::highSurrogate(value)));
                out.append(QChar(QChar::lowSurrogate(value)));
            } else {
                out.append(QChar(char16_t(value)));
            }
            done = amp + 1 + used;
        }
        amp = Text.indexOf(u'&', std::max(done, amp + 1));
    }
    out.append(QStringView(p + done, n - done));
    return out;
}

// ---- Normalisation -----------------------------------------------------------------

// Gives exactly the five replacements done one after the other. None of the
// searched texts can overlap itself, so each step replaces every occurrence in
// its input; the passes below keep track of what each step's input was.
QByteArray NormalizeBookmarkHtml(QByteArrayView Text)
{
    const qsizetype n = Text.size();
    QByteArray buf;
    // Room for the '<' that closing tags may gain; untouched capacity costs no memory.
    buf.reserve(n + n / 3 + 16);
    buf.resize(n);
    char* out = buf.data();
    const char* src = Text.data();

    // Tabs go, then "<P>" in the tab-free text. A "<P>" counts only when it lies
    // after the last deletion: what was on both sides of a deleted "<P>" was not
    // adjacent in that step's input.
    qsizetype w = 0;
    qsizetype lastDelete = 0;
    qsizetype nextTab = -1;
    qsizetype nextGt = -1;
    qsizetype r = 0;
    while (r < n) {
        if (nextTab < r) {
            nextTab = IndexOfByte(Text, '\t', r);
            if (nextTab < 0)
                nextTab = n;
        }
        if (nextGt < r) {
            nextGt = IndexOfByte(Text, '>', r);
            if (nextGt < 0)
                nextGt = n;
        }
        const qsizetype stop = std::min(nextTab, nextGt);
        if (stop > r) {
            std::memcpy(out + w, src + r, size_t(stop - r));
            w += stop - r;
            r = stop;
        }
        if (r >= n)
            break;
        if (src[r] == '\t') {
            ++r;
            continue;
        }
        out[w++] = '>';
        ++r;
        if (w - 3 >= lastDelete && out[w - 3] == '<' && (out[w - 2] | 0x20) == 'p') {
            w -= 3;
            lastDelete = w;
        }
    }

    // "/A>" becomes "</A>" and then "<</A>" becomes "</A>": together, every "/A>"
    // gets an upper-case A and a '<' in front unless one is there already.
    std::vector<qsizetype> inserts;
    {
        const QByteArrayView v(out, w);
        qsizetype p = IndexOfByte(v, '>', 2);
        while (p >= 0) {
            if (out[p - 2] == '/' && (out[p - 1] | 0x20) == 'a') {
                out[p - 1] = 'A';
                if (p < 3 || out[p - 3] != '<')
                    inserts.push_back(p - 2);
            }
            p = IndexOfByte(v, '>', p + 1);
        }
    }
    if (!inserts.empty()) {
        const qsizetype k = qsizetype(inserts.size());
        buf.resize(w + k);
        out = buf.data();
        qsizetype end = w; // the unmoved text ends here
        qsizetype shift = k;
        for (qsizetype i = k - 1; i >= 0; --i) {
            const qsizetype at = inserts[size_t(i)];
            std::memmove(out + at + shift, out + at, size_t(end - at));
            out[at + shift - 1] = '<';
            --shift;
            end = at;
        }
        w += k;
    }

    // "chrome://" becomes "http://", in place (it only shrinks).
    {
        const QByteArrayView v(out, w);
        qsizetype rd = 0;
        qsizetype wr = 0;
        qsizetype from = 0;
        for (;;) {
            const qsizetype c = IndexOf(v, "://", from);
            if (c < 0)
                break;
            from = c + 1;
            if (c < rd + 6 || !StartsWithCaseless(v.sliced(c - 6), "CHROME"))
                continue;
            const qsizetype start = c - 6;
            std::memmove(out + wr, out + rd, size_t(start - rd));
            wr += start - rd;
            std::memcpy(out + wr, "http://", 7);
            wr += 7;
            rd = c + 3;
            from = rd;
        }
        if (rd > 0) {
            std::memmove(out + wr, out + rd, size_t(w - rd));
            wr += w - rd;
            w = wr;
        }
    }
    buf.resize(w);
    return buf;
}

// ---- Line parsers ------------------------------------------------------------------

QString JoinFolderPath(const QStringList& Stack)
{
    return Stack.join(u'\\');
}

QString ParseBookmarkFolderFast(QByteArrayView Line)
{
    // <DT><H3(.*|)>(.*)</H3>: from the first "<DT><H3", the name runs from the last
    // '>' before the last "</H3>" to that "</H3>".
    const qsizetype s = IndexOf(Line, "<DT><H3", 0);
    if (s < 0)
        return {};
    const qsizetype m = LastIndexOf(Line, "</H3>", Line.size());
    if (m < s + 8)
        return {};
    const qsizetype e = LastIndexOfByte(Line, '>', s + 7, m);
    if (e < 0)
        return {};
    return DecodeField(Line.sliced(e + 1, m - e - 1));
}

TWebSite ParseBookmarkItemFast(QByteArrayView Line, const QString& Category, TDateTime Now)
{
    TWebSite site;

    // .*HREF=".*?"(.*|)?>(.*)?</A>: the title runs from the last '>' before the last
    // "</A>" to it, provided that '>' lies after the quote that ends some HREF value;
    // the first HREF=" gives the earliest such quote.
    const qsizetype a = LastIndexOf(Line, "</A>", Line.size());
    if (a >= 0) {
        const qsizetype e = LastIndexOfByte(Line, '>', 0, a);
        const qsizetype h = e >= 0 ? IndexOf(Line, "HREF=\"", 0) : -1;
        const qsizetype q = h >= 0 ? IndexOfByte(Line, '"', h + 6) : -1;
        if (q >= 0 && e >= q + 1)
            site.Title = DecodeField(Line.sliced(e + 1, a - e - 1));
    }

    TSpan v = FindAttribute(Line, "HREF=\"", false);
    if (v.Begin >= 0)
        site.URL = DecodeField(Line.sliced(v.Begin, v.End - v.Begin));
    v = FindAttribute(Line, "ICON_URI=\"", true);
    if (v.Begin >= 0)
        site.IconURL = HttpURLOrEmpty(DecodeField(Line.sliced(v.Begin, v.End - v.Begin)));
    v = FindAttribute(Line, "ADD_DATE=\"", true);
    site.AddDate = v.Begin >= 0 ? ParseUnixDate(Line.sliced(v.Begin, v.End - v.Begin)) : Now;
    site.Category = Category;
    return site;
}

// ---- The reader ----------------------------------------------------------------------

void WebSitesLoadFromHtml(TWebSiteList& List, const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(FileName, QStringLiteral("Cannot open file"));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFileError(FileName, QStringLiteral("Cannot read file"));
    file.close();
    WebSitesLoadFromHtmlData(List, data);
}

void WebSitesLoadFromHtmlData(TWebSiteList& List, const QByteArray& Data)
{
    const QByteArrayView raw = SkipBom(Data);
    if (!HasMoreThanFiveLines(raw))
        return;
    // The normalisation is done line by line: none of its texts spans a line
    // break, so this equals normalising the whole text, and the lines that need
    // no change (nearly all) are read where they are.
    QByteArray scratch;
    const auto normalized = [&scratch](QByteArrayView line) -> QByteArrayView {
        if (!LineNeedsNormalizing(line))
            return line;
        scratch = NormalizeBookmarkHtml(line);
        return scratch;
    };
    TLineReader reader(raw);
    QByteArrayView line;
    if (!reader.Next(line) || normalized(line) != DoctypeLine)
        return;

    enum class TState { SeekingHeading, Items, Comment };
    TState state = TState::SeekingHeading;
    QStringList stack;
    QString category;
    QByteArray comment;
    qsizetype target = -1;
    const TDateTime now = TDateTime::Now();

    bool haveLine = reader.Next(line);
    while (haveLine) {
        switch (state) {
        case TState::SeekingHeading:
            if (IsHeadingLine(normalized(line)))
                state = TState::Items;
            break;
        case TState::Items: {
            const QByteArrayView t = StripSeparators(TrimBytes(normalized(line)));
            if (t.startsWith("<DT><H3")) {
                stack.append(ParseBookmarkFolderFast(t));
                category = JoinFolderPath(stack);
                target = -1;
            } else if (t.startsWith("<DT><A HREF")) {
                TWebSite site = ParseBookmarkItemFast(t, category, now);
                const QString url = site.URL;
                const TAddResult r = WebSitesAdd(List, std::move(site));
                target = CommentTarget(List, r, url);
            } else if (t.startsWith("</DL>")) {
                if (!stack.isEmpty()) {
                    stack.removeLast();
                    category = JoinFolderPath(stack);
                }
                target = -1;
            } else if (t.startsWith("<DD>")) {
                comment = t.sliced(4).toByteArray();
                state = TState::Comment;
            }
            break;
        }
        case TState::Comment: {
            const QByteArrayView t = TrimBytes(normalized(line));
            const QByteArrayView u = StripSeparators(t);
            if (u.startsWith("<DT>") || u.startsWith("</DL>") || u.size() < t.size()) {
                AttachComment(List, target, DecodeField(comment));
                target = -1;
                state = TState::Items;
                continue; // the same line again, as an item line
            }
            comment.append("\r\n", 2);
            comment.append(t.data(), t.size());
            break;
        }
        }
        haveLine = reader.Next(line);
    }
}
