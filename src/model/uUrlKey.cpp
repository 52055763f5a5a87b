// The near-duplicate key of a URL. Every URL can go through QUrl, but parsing
// costs microseconds and grouping a million bookmarks has to take well under a
// second; so the common case (a plain ASCII http or https URL whose every part is
// already in the form QUrl would give) is split by hand, and everything else goes
// through QUrl. Both build the key from the same parts with the same code.

#include <model/uUrlKey.h>

#include <QUrl>

#include <algorithm>
#include <array>
#include <string>

namespace {

// The characters of a key component kept as they are: RFC 3986 unreserved and
// reserved characters, except "'", which Chromium percent-encodes in queries
// while other browsers keep it; it is always encoded here so both spellings meet.
// Everything else (space, "<", "\", non-ASCII ...) is percent-encoded.
constexpr std::array<bool, 128> KeepRawTable = [] {
    std::array<bool, 128> t{};
    for (char c = 'a'; c <= 'z'; ++c)
        t[size_t(c)] = true;
    for (char c = 'A'; c <= 'Z'; ++c)
        t[size_t(c)] = true;
    for (char c = '0'; c <= '9'; ++c)
        t[size_t(c)] = true;
    for (char c : std::string_view("-._~:/?#[]@!$&()*+,;="))
        t[size_t(c)] = true;
    return t;
}();

bool KeepRaw(char16_t c)
{
    return c < 128 && KeepRawTable[c];
}

bool IsUnreserved(unsigned v)
{
    return (v >= 'a' && v <= 'z') || (v >= 'A' && v <= 'Z') || (v >= '0' && v <= '9') || v == '-'
           || v == '.' || v == '_' || v == '~';
}

int HexValue(char16_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The key under construction, written into a buffer the caller may reuse for
// every key, so that building a key allocates nothing.
class TKeyWriter
{
public:
    explicit TKeyWriter(std::u16string& buffer) : FBuf(buffer) { FBuf.clear(); }

    size_t Size() const { return FBuf.size(); }
    char16_t At(size_t i) const { return FBuf[i]; }
    void Truncate(size_t n) { FBuf.resize(n); }

    void Append(char16_t c) { FBuf.push_back(c); }
    void Append(QStringView s) { FBuf.append(s.utf16(), size_t(s.size())); }
    void AppendLower(QStringView s)
    {
        for (QChar c : s) {
            const char16_t u = c.unicode();
            FBuf.push_back(u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u);
        }
    }
    void AppendEncodedByte(unsigned v)
    {
        static constexpr char16_t Hex[] = u"0123456789ABCDEF";
        FBuf.push_back(u'%');
        FBuf.push_back(Hex[(v >> 4) & 15]);
        FBuf.push_back(Hex[v & 15]);
    }
    void AppendNormalised(QStringView in);
    void FilterQuery(size_t start);

private:
    std::u16string& FBuf;
};

// Appends one component with its percent-encoding normalised: "%7e" becomes "~",
// "%2f" becomes "%2F", "'" and "é" become "%27" and "%C3%A9"; a "%" that starts
// no escape is itself encoded.
void TKeyWriter::AppendNormalised(QStringView in)
{
    const qsizetype n = in.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = in[i].unicode();
        if (c == u'%') {
            const int hi = i + 2 < n ? HexValue(in[i + 1].unicode()) : -1;
            const int lo = hi >= 0 ? HexValue(in[i + 2].unicode()) : -1;
            if (lo < 0) {
                AppendEncodedByte('%');
                continue;
            }
            const unsigned v = unsigned(hi * 16 + lo);
            if (IsUnreserved(v))
                Append(char16_t(v));
            else
                AppendEncodedByte(v);
            i += 2;
        } else if (KeepRaw(c)) {
            Append(c);
        } else if (c < 128) {
            AppendEncodedByte(c);
        } else {
            // A run of non-ASCII text, encoded as UTF-8 (surrogate pairs together).
            qsizetype end = i + 1;
            while (end < n && in[end].unicode() >= 128)
                ++end;
            for (char b : in.mid(i, end - i).toUtf8())
                AppendEncodedByte(unsigned(static_cast<unsigned char>(b)));
            i = end - 1;
        }
    }
}

bool IsTrackingParameter(QStringView name)
{
    return name.startsWith(u"utm_") || name == u"fbclid" || name == u"gclid" || name == u"mc_cid"
           || name == u"mc_eid";
}

// Drops the tracking parameters from the query written from start (just after
// its "?") to the end, keeping the others in order; drops the "?" as well when
// none is left. Done in place: what is kept never moves to the right.
void TKeyWriter::FilterQuery(size_t start)
{
    const size_t end = FBuf.size();
    size_t write = start;
    bool any = false;
    for (size_t read = start; read <= end;) {
        size_t stop = read;
        size_t nameEnd = end;
        while (stop < end && FBuf[stop] != u'&') {
            if (FBuf[stop] == u'=' && nameEnd == end)
                nameEnd = stop;
            ++stop;
        }
        nameEnd = std::min(nameEnd, stop);
        const QStringView name(FBuf.data() + read, qsizetype(nameEnd - read));
        if (!IsTrackingParameter(name)) {
            if (any)
                FBuf[write++] = u'&';
            std::copy(FBuf.begin() + std::ptrdiff_t(read), FBuf.begin() + std::ptrdiff_t(stop),
                      FBuf.begin() + std::ptrdiff_t(write));
            write += stop - read;
            any = true;
        }
        read = stop + 1;
    }
    FBuf.resize(any ? write : start - 1);
}

// The parts of a parsed URL, as text views into the URL or into QUrl's results.
struct TUrlParts
{
    QStringView Scheme; // lower case
    bool HasAuthority = false;
    QStringView UserInfo;
    QStringView Host; // ACE form, letters of any case; brackets around an IPv6 address
    int Port = -1;
    QStringView Path;
    QStringView Query;
    QStringView Fragment;
};

int DefaultPort(QStringView scheme)
{
    if (scheme == u"http")
        return 80;
    if (scheme == u"https")
        return 443;
    if (scheme == u"ftp")
        return 21;
    return -1;
}

void BuildKey(const TUrlParts& p, std::u16string& buffer)
{
    TKeyWriter key(buffer);
    key.Append(p.Scheme == u"https" ? QStringView(u"http") : p.Scheme);
    key.Append(u':');
    if (p.HasAuthority) {
        key.Append(u"//");
        if (!p.UserInfo.isEmpty()) {
            key.AppendNormalised(p.UserInfo);
            key.Append(u'@');
        }
        QStringView host = p.Host;
        if (host.size() > 4 && host.startsWith(u"www.", Qt::CaseInsensitive))
            host = host.mid(4);
        key.AppendLower(host);
        if (p.Port >= 0 && p.Port != DefaultPort(p.Scheme)) {
            key.Append(u':');
            key.Append(QString::number(p.Port));
        }
    }
    const size_t pathStart = key.Size();
    key.AppendNormalised(p.Path);
    if (key.Size() > pathStart && key.At(key.Size() - 1) == u'/')
        key.Truncate(key.Size() - 1);
    if (!p.Query.isEmpty()) {
        key.Append(u'?');
        const size_t queryStart = key.Size();
        key.AppendNormalised(p.Query);
        key.FilterQuery(queryStart);
    }
    if (!p.Fragment.isEmpty()) {
        key.Append(u'#');
        key.AppendNormalised(p.Fragment);
    }
}

// ---- The shortcut for plain http URLs ---------------------------------------------

bool IsAsciiLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// A host QUrl keeps as it is apart from letter case: dot-separated labels of
// letters, digits and inner hyphens, no punycode (toAce checks those), and a last
// label beginning with a letter, which rules out IPv4 addresses in all their forms.
bool IsPlainHost(QStringView host)
{
    const qsizetype n = host.size();
    if (n == 0 || n > 253)
        return false;
    qsizetype labelStart = 0;
    for (qsizetype i = 0; i <= n; ++i) {
        const char16_t c = i < n ? host[i].unicode() : u'.';
        if (c == u'.') {
            const qsizetype length = i - labelStart;
            if (length == 0 || length > 63 || host[labelStart] == u'-' || host[i - 1] == u'-')
                return false;
            if (length >= 4 && host[labelStart + 2] == u'-' && host[labelStart + 3] == u'-')
                return false;
            labelStart = i + 1;
        } else if (!IsAsciiLetter(c) && !IsDigit(c) && c != u'-') {
            return false;
        }
    }
    return IsAsciiLetter(host[host.lastIndexOf(u'.') + 1].unicode());
}

// Characters the shortcut accepts after the authority: those QUrl leaves as they
// are. A "%" must start a valid escape (QUrl re-encodes every "%" of a URL that
// has a stray one). A "#" inside the fragment is left to QUrl.
bool IsPlainRest(QStringView rest)
{
    bool inFragment = false;
    const qsizetype n = rest.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = rest[i].unicode();
        if (c == u'#') {
            if (inFragment)
                return false;
            inFragment = true;
        } else if (c == u'%') {
            if (i + 2 >= n || HexValue(rest[i + 1].unicode()) < 0
                || HexValue(rest[i + 2].unicode()) < 0)
                return false;
        } else if (c == u'[' || c == u']' || !(KeepRaw(c) || c == u'\'')) {
            return false;
        }
    }
    return true;
}

// Writes the key of a plain ASCII http/https URL into buffer; false when the URL
// needs QUrl.
bool PlainHttpKey(QStringView url, std::u16string& buffer)
{
    TUrlParts p;
    qsizetype at = 0;
    if (url.size() < 8 || !url.startsWith(u"http", Qt::CaseInsensitive))
        return false;
    at = 4;
    bool https = false;
    if (url[at] == u's' || url[at] == u'S') {
        https = true;
        ++at;
    }
    if (url.mid(at, 3) != u"://")
        return false;
    at += 3;
    p.Scheme = https ? QStringView(u"https") : QStringView(u"http");
    p.HasAuthority = true;
    qsizetype end = at;
    while (end < url.size() && url[end] != u'/' && url[end] != u'?' && url[end] != u'#')
        ++end;
    QStringView authority = url.mid(at, end - at);
    const qsizetype colon = authority.indexOf(u':');
    if (colon >= 0) {
        const QStringView port = authority.mid(colon + 1);
        if (port.isEmpty() || port.size() > 5)
            return false;
        int value = 0;
        for (QChar c : port) {
            if (!IsDigit(c.unicode()))
                return false;
            value = value * 10 + (c.unicode() - u'0');
        }
        if (value > 65535)
            return false;
        p.Port = value;
        authority = authority.left(colon);
    }
    if (!IsPlainHost(authority))
        return false;
    const QStringView rest = url.mid(end);
    if (!IsPlainRest(rest))
        return false;
    p.Host = authority;
    const qsizetype hash = rest.indexOf(u'#');
    const QStringView beforeHash = hash < 0 ? rest : rest.left(hash);
    if (hash >= 0)
        p.Fragment = rest.mid(hash + 1);
    const qsizetype question = beforeHash.indexOf(u'?');
    p.Path = question < 0 ? beforeHash : beforeHash.left(question);
    if (question >= 0)
        p.Query = beforeHash.mid(question + 1);
    BuildKey(p, buffer);
    return true;
}

} // namespace

QStringView URLDuplicateKeyByQUrl(const QString& URL, std::u16string& Buffer)
{
    const QUrl url(URL, QUrl::TolerantMode);
    // A leading space keeps these apart from every parsed key: a key starts with a
    // scheme (or ":" when there is none), never with a space.
    if (!url.isValid()) {
        Buffer.assign(1, u' ');
        Buffer.append(reinterpret_cast<const char16_t*>(URL.utf16()), size_t(URL.size()));
        return Buffer;
    }
    const QString scheme = url.scheme();
    const QString userInfo = url.userInfo(QUrl::FullyEncoded);
    const QString path = url.path(QUrl::FullyEncoded);
    const QString query = url.query(QUrl::FullyEncoded);
    const QString fragment = url.fragment(QUrl::FullyEncoded);
    TUrlParts p;
    p.Scheme = scheme;
    p.HasAuthority = url.authority(QUrl::FullyEncoded).size() > 0;
    p.UserInfo = userInfo;
    const QString decodedHost = url.host(QUrl::FullyDecoded);
    QString host;
    if (decodedHost.contains(u':')) {
        host = u'[' + decodedHost + u']';
    } else {
        host = QString::fromLatin1(QUrl::toAce(decodedHost));
        if (host.isEmpty())
            host = url.host(QUrl::FullyEncoded);
    }
    p.Host = host;
    p.Port = url.port(-1);
    p.Path = path;
    p.Query = query;
    p.Fragment = fragment;
    BuildKey(p, Buffer);
    return Buffer;
}

QStringView URLDuplicateKey(const QString& URL, std::u16string& Buffer)
{
    if (PlainHttpKey(URL, Buffer))
        return Buffer;
    return URLDuplicateKeyByQUrl(URL, Buffer);
}

QString URLDuplicateKey(const QString& URL)
{
    std::u16string buffer;
    return URLDuplicateKey(URL, buffer).toString();
}

QString URLDuplicateKeyByQUrl(const QString& URL)
{
    std::u16string buffer;
    return URLDuplicateKeyByQUrl(URL, buffer).toString();
}

bool URLDuplicateKeyTakesShortcut(const QString& URL)
{
    std::u16string buffer;
    return PlainHttpKey(URL, buffer);
}

// ---- The cleanest spelling -----------------------------------------------------------

namespace {

// Where the parts of an http(s) URL lie: the scheme's length, and the ends of the
// authority and of the query (start of "#" or the end).
struct TUrlSpans
{
    qsizetype SchemeEnd = -1; // index of ':'
    qsizetype AuthorityEnd = 0;
    qsizetype QueryStart = -1; // index of '?', -1 when none
    qsizetype QueryEnd = 0;
};

bool SplitHttpURL(QStringView URL, TUrlSpans& Spans)
{
    if (URL.startsWith(u"http://", Qt::CaseInsensitive))
        Spans.SchemeEnd = 4;
    else if (URL.startsWith(u"https://", Qt::CaseInsensitive))
        Spans.SchemeEnd = 5;
    else
        return false;
    const qsizetype from = Spans.SchemeEnd + 3;
    qsizetype i = from;
    while (i < URL.size() && URL[i] != u'/' && URL[i] != u'?' && URL[i] != u'#')
        ++i;
    Spans.AuthorityEnd = i;
    const qsizetype hash = URL.indexOf(u'#', i);
    Spans.QueryEnd = hash < 0 ? URL.size() : hash;
    const qsizetype question = URL.indexOf(u'?', i);
    Spans.QueryStart = question >= 0 && question < Spans.QueryEnd ? question : -1;
    return true;
}

} // namespace

int URLUncleanness(const QString& URL)
{
    TUrlSpans s;
    if (!SplitHttpURL(URL, s))
        return 0;
    const bool https = s.SchemeEnd == 5;
    int dirt = https ? 0 : 1;
    const QStringView authority =
        QStringView(URL).sliced(s.SchemeEnd + 3, s.AuthorityEnd - s.SchemeEnd - 3);
    if (authority.endsWith(https ? u":443" : u":80"))
        ++dirt;
    if (s.QueryStart >= 0) {
        const QStringView query =
            QStringView(URL).sliced(s.QueryStart + 1, s.QueryEnd - s.QueryStart - 1);
        for (const QStringView item : query.split(u'&')) {
            const qsizetype eq = item.indexOf(u'=');
            if (IsTrackingParameter(eq < 0 ? item : item.first(eq))) {
                ++dirt;
                break;
            }
        }
    }
    return dirt;
}

QString URLCleanestSpelling(const QString& URL, bool Https)
{
    TUrlSpans s;
    if (!SplitHttpURL(URL, s))
        return URL;
    const bool https = s.SchemeEnd == 5;
    const QStringView url(URL);
    QStringView authority = url.sliced(s.SchemeEnd + 3, s.AuthorityEnd - s.SchemeEnd - 3);
    if (authority.endsWith(https ? u":443" : u":80"))
        authority.chop(https ? 4 : 3);
    QString out = (Https || https) ? QStringLiteral("https://") : QStringLiteral("http://");
    out += authority;
    out += url.sliced(s.AuthorityEnd,
                      (s.QueryStart >= 0 ? s.QueryStart : s.QueryEnd) - s.AuthorityEnd);
    if (s.QueryStart >= 0) {
        QString kept;
        const QStringView query = url.sliced(s.QueryStart + 1, s.QueryEnd - s.QueryStart - 1);
        for (const QStringView item : query.split(u'&')) {
            const qsizetype eq = item.indexOf(u'=');
            if (IsTrackingParameter(eq < 0 ? item : item.first(eq)))
                continue;
            kept += kept.isEmpty() ? u'?' : u'&';
            kept += item;
        }
        out += kept;
    }
    out += url.sliced(s.QueryEnd);
    return out;
}
