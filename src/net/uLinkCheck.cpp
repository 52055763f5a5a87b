// The link check: verdicts, parked pages, page titles, and the pass over a list.

#include <net/uLinkCheck.h>

#include <model/uHtmlEncodingLabels.h>
#include <model/uHtmlTagScanner.h>
#include <model/uHtmlText.h>
#include <model/uTextBytes.h>
#include <model/uWebSiteList.h>

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

QByteArray LowerAscii(QByteArrayView Text)
{
    QByteArray out = Text.toByteArray();
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c | 0x20);
    return out;
}

bool IsAlnum(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}

// Marker stands in Text; one that starts with a letter or digit with none right
// before it (so "bodis.com" is not found in "abodis.com").
bool ContainsMarker(QByteArrayView Text, QByteArrayView Marker)
{
    const bool word = IsAlnum(Marker.front());
    for (qsizetype at = Text.indexOf(Marker); at >= 0; at = Text.indexOf(Marker, at + 1))
        if (!word || at == 0 || !IsAlnum(Text[at - 1]))
            return true;
    return false;
}

QUrl WithoutFragment(QUrl Url)
{
    Url.setFragment({});
    return Url;
}

bool IsRootPath(const QUrl& Url)
{
    return (Url.path().isEmpty() || Url.path() == QLatin1String("/")) && !Url.hasQuery();
}

// A site's front page: the root, a language's root ("/en/", "/de-at") or its
// index file, without a query.
bool IsFrontPage(const QUrl& Url)
{
    if (Url.hasQuery())
        return false;
    // The languages sites put first in their paths; any two letters would take
    // "/go" or "/ok" for a front page.
    static const QRegularExpression front(QStringLiteral(
        "^/?((en|de|fr|es|it|pt|nl|ja|jp|zh|cn|ko|kr|ru|pl|sv|se|da|dk|fi|no|nb|cs|cz|tr|ar|he"
        "|el|hu|ro|uk|ua|id|th|vi|ca|sk|bg|hr|sl|et|lt|lv)([-_][a-z]{2,4})?/?)?"
        "(index\\.(html?|php|aspx?|jsp))?$"));
    return front.match(Url.path().toLower()).hasMatch();
}

bool IsLoginPage(const QUrl& Url)
{
    const QString host = Url.host().toLower();
    for (const char* prefix : {"login.", "signin.", "accounts.", "auth.", "sso."})
        if (host.startsWith(QLatin1String(prefix)))
            return true;
    static const QRegularExpression login(
        QStringLiteral("(^|/)(login|log-in|signin|sign-in|sign_in|auth|sso|session/new)(/|$|\\.)"));
    return login.match(Url.path().toLower()).hasMatch();
}

// The same page under another spelling: another scheme, "www." or not, a slash
// at the end or not.
bool IsSamePage(const QUrl& A, const QUrl& B)
{
    const auto key = [](const QUrl& u) {
        QString host = u.host().toLower();
        if (host.startsWith(QLatin1String("www.")))
            host = host.mid(4);
        QString path = u.path();
        while (path.endsWith(u'/'))
            path.chop(1);
        return host + u'/' + path + u'?' + u.query(QUrl::FullyEncoded);
    };
    return key(A) == key(B);
}

// The domain a title may name as for sale: the host without "www.".
QString OwnDomain(const QString& Host)
{
    QString host = Host.toLower();
    if (host.startsWith(QLatin1String("www.")))
        host = host.mid(4);
    return host;
}

// Redirects that lead to a login page, the site's front page or a country page are
// how sites answer an old or private address: the bookmark's address is not
// replaced by them.
bool IsNewAddressForBookmark(const QUrl& From, const QUrl& To)
{
    if (IsRootPath(To) && !IsRootPath(From))
        return false;
    if (IsLoginPage(To))
        return false;
    const QString path = To.path().toLower();
    // "/fr", "/en-us/..." put before the path asked on the same site.
    static const QRegularExpression country(QStringLiteral("^/[a-z]{2}([-_][a-z]{2})?(?=/|$)"));
    const QRegularExpressionMatch m = country.match(path);
    if (m.hasMatch() && To.host().compare(From.host(), Qt::CaseInsensitive) == 0) {
        const QString rest = path.mid(m.capturedLength());
        const QString fromPath = From.path().toLower();
        if (rest == fromPath
            || (IsRootPath(From) && (rest.isEmpty() || rest == QLatin1String("/"))))
            return false;
    }
    return true;
}

QByteArray CharsetOfContentType(QByteArrayView Type)
{
    const QByteArray lower = LowerAscii(Type);
    const qsizetype at = lower.indexOf("charset");
    if (at < 0)
        return {};
    qsizetype i = at + 7;
    while (i < lower.size() && lower[i] == ' ')
        ++i;
    if (i >= lower.size() || lower[i] != '=')
        return {};
    ++i;
    while (i < lower.size() && (lower[i] == ' ' || lower[i] == '"' || lower[i] == '\''))
        ++i;
    qsizetype e = i;
    while (e < lower.size() && lower[e] != ';' && lower[e] != '"' && lower[e] != '\''
           && lower[e] != ' ')
        ++e;
    return lower.mid(i, e - i);
}

// The header's label as browsers take it: as the label table says, except that
// the labels for encodings that are not ASCII-compatible name none.
QByteArray HeaderEncoding(QByteArrayView Label)
{
    QByteArray encoding = HtmlEncodingForLabel(Label);
    if (encoding == "replacement")
        return {};
    if (encoding == "x-user-defined")
        return "windows-1252";
    return encoding;
}

// Whether a character of a title is kept: no control character (C0, DEL, C1)
// and no noncharacter; the blanks are made spaces by the simplification.
bool IsTitleCharacter(char32_t C)
{
    if (C == u'\t' || C == u'\n' || C == u'\r' || C == u'\f')
        return true;
    if (C < 0x20 || (C >= 0x7F && C <= 0x9F))
        return false;
    if ((C >= 0xFDD0 && C <= 0xFDEF) || (C & 0xFFFE) == 0xFFFE)
        return false;
    return true;
}

// The most of a title's text read and the most kept: a title is a line, and a
// page cannot make it cost more.
constexpr qsizetype MaxRawTitleBytes = 8192;
constexpr qsizetype MaxTitleLength = 1000;

// A title as shown: control characters and noncharacters dropped, blanks
// collapsed, cut to MaxTitleLength on a character's boundary.
QString CleanTitle(const QString& Text)
{
    QString kept;
    kept.reserve(Text.size());
    for (qsizetype i = 0; i < Text.size(); ++i) {
        char32_t c = Text[i].unicode();
        qsizetype units = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < Text.size() && Text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(Text[i], Text[i + 1]);
            units = 2;
        }
        if (IsTitleCharacter(c))
            kept.append(QStringView(Text).sliced(i, units));
        i += units - 1;
    }
    QString title = kept.simplified();
    if (title.size() > MaxTitleLength) {
        title.truncate(MaxTitleLength);
        if (title.back().isHighSurrogate())
            title.chop(1);
        while (!title.isEmpty() && title.back().isSpace())
            title.chop(1);
    }
    return title;
}

const std::array<const char*, 16> ParkingHosts = {
    "sedoparking.com", "parkingcrew.net", "bodis.com",           "above.com",
    "dan.com",         "afternic.com",    "hugedomains.com",     "sedo.com",
    "parklogic.com",   "undeveloped.com", "domainmarket.com",    "buydomains.com",
    "uniregistry.com", "parked.com",      "domainnamesales.com", "smartname.com"};

} // namespace

bool LinkCheckIsParkingHost(const QString& Host)
{
    const QString host = Host.toLower();
    for (const char* p : ParkingHosts) {
        const QLatin1String parking(p);
        if (host == parking
            || (host.endsWith(parking) && host[host.size() - parking.size() - 1] == u'.'))
            return true;
    }
    return false;
}

QString LinkCheckParkedReason(QByteArrayView Head, const QString& Title, const QString& Host)
{
    const QString title = Title.toLower();
    // Words that speak of a domain, never of goods.
    static const std::array<const char*, 14> titleWords = {"domain is for sale",
                                                           "domain may be for sale",
                                                           "domain for sale",
                                                           "domain name is for sale",
                                                           "buy this domain",
                                                           "domain is parked",
                                                           "domain parked",
                                                           "parked domain",
                                                           "website is parked",
                                                           "page is parked",
                                                           "parked free",
                                                           "domain has expired",
                                                           "domain name has expired",
                                                           "this domain is available"};
    for (const char* w : titleWords)
        if (title.contains(QLatin1String(w)))
            return QStringLiteral("the page says: %1").arg(Title);
    // "example.com is for sale", "example.net - For Sale": this domain's name,
    // then the words; not any "for sale" (homes, cars and shops are for sale).
    const QString domain = OwnDomain(Host);
    if (!domain.isEmpty()) {
        const QRegularExpression nameForSale(
            u"(^|[^a-z0-9.-])(www\\.)?"_s + QRegularExpression::escape(domain)
            + u"\\s*([-\u2013\u2014|:!]\\s*)?((is|may be)\\s+)?(for sale|on sale|zu verkaufen|\u00e0 vendre|en venta)\\b"_s);
        if (nameForSale.match(title).hasMatch())
            return QStringLiteral("the page says: %1").arg(Title);
    }
    // What the parking services' pages load in their heads.
    const QByteArray head = LowerAscii(Head);
    static const std::array<const char*, 11> headMarkers = {
        "sedoparking.com",         "parkingcrew.net", "bodis.com",       "window.park",
        "/adsense/domains/caf.js", "parklogic.com",   "//dan.com",       "afternic.com",
        "hugedomains.com",         "parking-lander",  "domainmarket.com"};
    for (const char* m : headMarkers)
        if (ContainsMarker(head, m))
            return QStringLiteral("the page loads a parking service (%1)").arg(QLatin1String(m));
    return {};
}

bool LinkCheckIsParkedPage(QByteArrayView Head, const QString& Title, const QString& Host)
{
    return !LinkCheckParkedReason(Head, Title, Host).isEmpty();
}

bool LinkCheckSaysNotFound(const QString& Title)
{
    const QString title = Title.toLower();
    static const std::array<const char16_t*, 34> phrases = {
        u"page not found", u"not found", u"page cannot be found", u"page could not be found",
        u"page can't be found", u"page can\u2019t be found", u"page does not exist",
        u"page doesn't exist", u"page no longer exists", u"no longer available",
        // Japanese, German, French, Spanish, Portuguese, Italian, Dutch
        u"\u30DA\u30FC\u30B8\u304C\u898B\u3064\u304B\u308A\u307E\u305B\u3093",
        u"\u898B\u3064\u304B\u308A\u307E\u305B\u3093\u3067\u3057\u305F",
        u"\u30DA\u30FC\u30B8\u306F\u5B58\u5728\u3057\u307E\u305B\u3093", u"seite nicht gefunden",
        u"nicht gefunden", u"seite existiert nicht", u"page introuvable", u"page non trouv\u00e9e",
        u"cette page n'existe pas", u"p\u00e1gina no encontrada", u"pagina no encontrada",
        u"no se encontr\u00f3 la p\u00e1gina", u"p\u00e1gina n\u00e3o encontrada",
        u"pagina non trovata", u"pagina niet gevonden",
        // Russian, Chinese, Korean, Polish, Swedish
        u"\u0441\u0442\u0440\u0430\u043D\u0438\u0446\u0430 \u043D\u0435 "
        u"\u043D\u0430\u0439\u0434\u0435\u043D\u0430",
        u"\u9875\u9762\u4E0D\u5B58\u5728", u"\u627E\u4E0D\u5230\u9875\u9762",
        u"\u9801\u9762\u4E0D\u5B58\u5728", u"\u627E\u4E0D\u5230\u7DB2\u9801",
        u"\uD398\uC774\uC9C0\uB97C \uCC3E\uC744 \uC218 \uC5C6\uC2B5\uB2C8\uB2E4",
        u"nie znaleziono strony", u"sidan hittades inte", u"sidan kunde inte hittas"};
    for (const char16_t* p : phrases)
        if (title.contains(QStringView(p)))
            return true;
    // "404", "Error 404", "404 - File or directory not found", "HTTP 404".
    static const QRegularExpression code(
        QStringLiteral("^\\W*404\\W*$|\\berror\\W*404\\b|\\b404\\W*(error|page|-|\u2013|\u2014|:|"
                       "\\|)|\\bhttp\\W*404\\b"));
    return code.match(title).hasMatch();
}

QByteArray LinkCheckCharset(QByteArrayView Body, QByteArrayView ContentType)
{
    // As browsers decide: the byte-order mark, then the header, then the page.
    if (Body.startsWith("\xEF\xBB\xBF"))
        return "UTF-8";
    if (Body.startsWith("\xFF\xFE"))
        return "UTF-16LE";
    if (Body.startsWith("\xFE\xFF"))
        return "UTF-16BE";
    if (QByteArray c = HeaderEncoding(CharsetOfContentType(ContentType)); !c.isEmpty())
        return c;
    THtmlTagScanner scanner(Body.first(std::min<qsizetype>(Body.size(), 64 * 1024)));
    THtmlToken t;
    while (scanner.Next(t)) {
        if (t.Kind != THtmlToken::StartTag)
            continue;
        if (t.Is("BODY"))
            break;
        if (!t.Is("META"))
            continue;
        // A label that names nothing is passed over, as browsers pass it over.
        if (const THtmlAttribute* a = t.Attribute("CHARSET")) {
            if (QByteArray c = HtmlTextEncoding(a->Value); !c.isEmpty())
                return c;
            continue;
        }
        const THtmlAttribute* equiv = t.Attribute("HTTP-EQUIV");
        const THtmlAttribute* content = t.Attribute("CONTENT");
        if (equiv && content
            && AsciiEqualsCaseless(QByteArrayView(equiv->Value).trimmed(), "CONTENT-TYPE"))
            if (QByteArray c = HtmlTextEncoding(CharsetOfContentType(content->Value)); !c.isEmpty())
                return c;
    }
    return {};
}

QString LinkCheckPageTitle(QByteArrayView Body, QByteArrayView ContentType)
{
    const QByteArray type = LowerAscii(ContentType);
    if (!type.isEmpty() && !type.contains("html") && !type.contains("xml"))
        return {};
    const QByteArray charset = LinkCheckCharset(Body, ContentType);
    // The tags are looked for in UTF-8, whatever the page is written in.
    QByteArray text;
    if (charset == "UTF-8") {
        text = Body.toByteArray();
        if (text.startsWith("\xEF\xBB\xBF"))
            text.remove(0, 3);
    } else {
        const qsizetype mark = charset.startsWith("UTF-16") ? 2 : 0;
        text = HtmlDecodeBytes(Body.sliced(mark), charset).toUtf8();
    }
    THtmlTagScanner scanner(text);
    THtmlToken t;
    bool inTitle = false;
    QByteArray raw;
    while (scanner.Next(t)) {
        if (!inTitle) {
            if (t.Kind == THtmlToken::StartTag && t.Is("TITLE"))
                inTitle = true;
            else if (t.Kind == THtmlToken::StartTag && t.Is("BODY"))
                return {};
            continue;
        }
        if (t.Kind == THtmlToken::EndTag && t.Is("TITLE"))
            break;
        raw += t.Raw; // a stray tag inside a title is its text
        if (raw.size() > MaxRawTitleBytes)
            break;
    }
    if (raw.isEmpty())
        return {};
    // Cut before decoding: the work is bounded by the cut, whatever the page holds.
    raw.truncate(MaxRawTitleBytes);
    return CleanTitle(DecodeHtmlReferences(QString::fromUtf8(raw)));
}

QString LinkCheckHttpText(int Status)
{
    static const QHash<int, const char*> words = {{400, "bad request"},
                                                  {401, "sign-in required"},
                                                  {403, "forbidden"},
                                                  {404, "not found"},
                                                  {405, "method not allowed"},
                                                  {406, "not acceptable"},
                                                  {408, "request timeout"},
                                                  {410, "gone"},
                                                  {429, "too many requests"},
                                                  {451, "unavailable for legal reasons"},
                                                  {500, "internal server error"},
                                                  {501, "not implemented"},
                                                  {502, "bad gateway"},
                                                  {503, "service unavailable"},
                                                  {504, "gateway timeout"}};
    const char* w = words.value(Status, nullptr);
    return w ? QStringLiteral("HTTP %1 %2").arg(Status).arg(QLatin1String(w))
             : QStringLiteral("HTTP %1").arg(Status);
}

namespace {

// "301 http://a/ -> 302 http://b/ -> http://c/": the chain a verdict rests on.
QString RedirectChainText(const THttpResult& R)
{
    QString out;
    for (const THttpHop& h : R.Hops)
        out += QString::number(h.Status) + u' ' + h.Url.toString(QUrl::FullyEncoded) + u" -> "_s;
    return out + R.FinalUrl.toString(QUrl::FullyEncoded);
}

QString NetworkReason(const THttpResult& R)
{
    switch (R.Error) {
    case THttpError::HostNotFound:
        return QStringLiteral("host not found");
    case THttpError::Refused:
        return QStringLiteral("connection refused");
    case THttpError::Timeout:
        return R.Hops.isEmpty() ? QStringLiteral("timed out (no answer in time)")
                                : QStringLiteral("timed out after ") + RedirectChainText(R);
    case THttpError::RedirectLoop:
        return QStringLiteral("redirect loop: ") + RedirectChainText(R);
    case THttpError::TooManyRedirects:
        return QStringLiteral("too many redirects: ") + RedirectChainText(R);
    case THttpError::Tls:
    case THttpError::HostBusy:
    case THttpError::HostSilent:
    case THttpError::Other:
    case THttpError::None:
        break;
    }
    return R.ErrorText.isEmpty() ? QStringLiteral("no answer") : R.ErrorText;
}

} // namespace

TLinkResult LinkCheckVerdict(const THttpResult& R)
{
    TLinkResult out;
    out.Http = R.Status;
    const QUrl asked = WithoutFragment(R.Url);
    const QUrl finalUrl = WithoutFragment(R.FinalUrl.isValid() ? R.FinalUrl : R.Url);
    if (finalUrl != asked)
        out.FinalUrl = R.FinalUrl.toString(QUrl::FullyEncoded);

    switch (R.Error) {
    case THttpError::None:
        break;
    case THttpError::RedirectLoop:
    case THttpError::TooManyRedirects:
        out.Status = TLinkStatus::ServerError;
        out.Detail = NetworkReason(R);
        return out;
    case THttpError::HostBusy:
        out.Status = TLinkStatus::Blocked;
        out.Detail = NetworkReason(R);
        return out;
    default:
        out.Status = TLinkStatus::Unreachable;
        out.Detail = NetworkReason(R);
        return out;
    }

    const bool hostChanged = finalUrl.host().compare(asked.host(), Qt::CaseInsensitive) != 0;
    const bool parkingHost = hostChanged && LinkCheckIsParkingHost(finalUrl.host());
    const int s = R.Status;
    if (s >= 200 && s < 300) {
        const QString title = LinkCheckPageTitle(R.Body, R.ContentType);
        if (parkingHost) {
            out.Status = TLinkStatus::Parked;
            out.Detail = QStringLiteral("sent to a parking service: ") + RedirectChainText(R);
            return out;
        }
        if (const QString why = LinkCheckParkedReason(R.Body, title, finalUrl.host());
            !why.isEmpty()) {
            out.Status = TLinkStatus::Parked;
            out.Detail = why;
            return out;
        }
        // A deep link sent to a front page, its own site's or another's, is how
        // a removed page answers; a front page bookmarked as such stays ok.
        if (!R.Hops.isEmpty() && !IsFrontPage(asked) && IsFrontPage(finalUrl)
            && !IsSamePage(asked, finalUrl)) {
            out.Status = TLinkStatus::SoftGone;
            out.Detail = QStringLiteral("sent to the front page: ") + RedirectChainText(R);
            return out;
        }
        if (LinkCheckSaysNotFound(title)) {
            out.Status = TLinkStatus::SoftGone;
            out.Detail = QStringLiteral("the page says not found: ") + title;
            return out;
        }
        const bool permanent =
            !R.Hops.isEmpty() && std::all_of(R.Hops.cbegin(), R.Hops.cend(), [](const THttpHop& h) {
                return h.Status == 301 || h.Status == 308;
            });
        if (permanent && finalUrl != asked && IsNewAddressForBookmark(asked, finalUrl)) {
            out.Status = TLinkStatus::Moved;
            out.Http = R.Hops.front().Status; // what said it moved, not the new page's 200
            out.Detail = RedirectChainText(R);
            out.Title = title;
            // The bookmark's place in the page goes with it.
            QUrl moved = R.FinalUrl;
            if (!moved.hasFragment() && R.Url.hasFragment())
                moved.setFragment(R.Url.fragment(QUrl::FullyEncoded), QUrl::StrictMode);
            out.FinalUrl = moved.toString(QUrl::FullyEncoded);
            return out;
        }
        out.Status = TLinkStatus::Ok;
        // Only the bookmarked page's own title, not the login page it was sent to
        // (front pages and error pages have no verdict ok here).
        if (R.Hops.isEmpty() || IsSamePage(asked, finalUrl) || !IsLoginPage(finalUrl))
            out.Title = title;
        return out;
    }
    if (parkingHost) {
        out.Status = TLinkStatus::Parked;
        out.Detail = QStringLiteral("sent to a parking service: ") + RedirectChainText(R);
        return out;
    }
    if (s == 404 || s == 410)
        out.Status = TLinkStatus::Gone;
    else if (s >= 500)
        out.Status = TLinkStatus::ServerError;
    else if (s >= 400)
        out.Status = TLinkStatus::Blocked; // 401, 403, 429; other refusals of the request too
    else
        out.Status = TLinkStatus::Ok; // a redirect to something not a web page
    if (out.Status != TLinkStatus::Ok) {
        out.Detail = LinkCheckHttpText(s);
        if (!R.Hops.isEmpty())
            out.Detail += u" after "_s + RedirectChainText(R);
    }
    return out;
}

// ---- TLinkChecker ---------------------------------------------------------------------

TLinkChecker::TLinkChecker(TLinkCheckOptions Options, QObject* Parent)
    : QObject(Parent), FOptions(std::move(Options)), FClient(new THttpClient(FOptions.Http, this))
{
    FIcons = new TIconFetcher(FClient, FOptions.Icons, this);
    connect(FClient, &THttpClient::RequestStarted, this,
            [this](const QString& Host) { FHost = Host; });
    connect(FIcons, &TIconFetcher::Progress, this, &TLinkChecker::IconProgress);
    connect(FIcons, &TIconFetcher::Finished, this, [this] { FinishIfDone(); });
}

TLinkChecker::~TLinkChecker()
{
    FClient->CancelAll(); // before the fetcher goes: no answer finds it gone
}

void TLinkChecker::Start(const QStringList& Urls, const std::vector<bool>& WantsIcon)
{
    FRunning = false; // the fetcher's Finished below is not this check's
    FIcons->Cancel();
    FClient->CancelAll();
    FIconHostLeft.clear();
    FIconsOpen = false;
    FSlots.clear();
    FSlotOf.assign(size_t(Urls.size()), -1);
    FRetry.clear();
    FDone = 0;
    FAnswered = FRetryTotal = FRetryDone = 0;
    FPending = 0;
    FCancelled = false;
    FHost.clear();
    QHash<QString, int> seen;
    for (qsizetype i = 0; i < Urls.size(); ++i) {
        const QUrl url(Urls[i]);
        if (HttpHostKey(url).isEmpty())
            continue;
        const QString key = WithoutFragment(url).toString(QUrl::FullyEncoded);
        auto it = seen.constFind(key);
        if (it == seen.cend()) {
            it = seen.insert(key, int(FSlots.size()));
            FSlots.push_back(TSlot{Urls[i], i, {}, false});
        }
        FSlotOf[size_t(i)] = *it;
    }
    // The hosts whose icon is wanted, with the count of their addresses.
    for (qsizetype i = 0; i < Urls.size(); ++i)
        if (size_t(i) < WantsIcon.size() && WantsIcon[size_t(i)] && FSlotOf[size_t(i)] >= 0)
            FIconHostLeft.insert(HttpHostKey(QUrl(Urls[i])), 0);
    for (const TSlot& slot : FSlots) {
        const auto it = FIconHostLeft.find(HttpHostKey(QUrl(slot.Url)));
        if (it != FIconHostLeft.end())
            ++*it;
    }
    if (!FIconHostLeft.isEmpty()) {
        FIcons->StartOpen();
        FIconsOpen = true;
    }
    FRunning = true;
    Q_EMIT Progress(0, Total(), {});
    for (int s = 0; s < int(FSlots.size()); ++s)
        Ask(s);
    FinishIfDone();
}

void TLinkChecker::Ask(int Slot)
{
    ++FPending;
    THttpRequest request;
    request.Url = QUrl(FSlots[size_t(Slot)].Url);
    request.Url.setFragment({});
    request.MaxBytes = FOptions.MaxPageBytes;
    request.StopAtHeadEnd = true;
    FClient->Get(request, [this, Slot](const THttpResult& Answer) { OnAnswer(Slot, Answer); });
}

void TLinkChecker::OnAnswer(int Slot, const THttpResult& Answer)
{
    --FPending;
    THttpResult answer = Answer;
    answer.Url = QUrl(FSlots[size_t(Slot)].Url); // with its fragment
    TLinkResult result = LinkCheckVerdict(answer);
    const bool first = !FSlots[size_t(Slot)].Retried;
    if (first) {
        ++FAnswered;
        FindIcon(Slot, answer, result.Status);
    } else {
        ++FRetryDone;
    }
    // What a moment's trouble can cause is asked again; not what the page said,
    // nor a host that has asked to be left alone.
    const bool failed = result.Status != TLinkStatus::Ok && result.Status != TLinkStatus::Moved
                        && result.Status != TLinkStatus::Parked
                        && result.Status != TLinkStatus::SoftGone
                        && Answer.Error != THttpError::HostBusy;
    if (failed && FOptions.RetryFailures && !FSlots[size_t(Slot)].Retried) {
        FSlots[size_t(Slot)].Retried = true;
        FSlots[size_t(Slot)].Result = std::move(result); // kept if the check is cancelled
        FRetry.push_back(Slot);
        Q_EMIT Progress(FAnswered, Total(), FHost);
    } else {
        Settle(Slot, std::move(result));
    }
    FinishIfDone();
}

// The first page of a host that answered with a page starts the host's icon
// search from the icons it names; when none of the host's pages did, but the host
// answered, /favicon.ico alone is asked. A host that never answered is not asked,
// nor one that is parked: its icon would be the parking service's.
void TLinkChecker::FindIcon(int Slot, const THttpResult& Answer, TLinkStatus Verdict)
{
    const QUrl url(FSlots[size_t(Slot)].Url);
    const auto it = FIconHostLeft.find(HttpHostKey(url));
    if (it == FIconHostLeft.end() || *it <= 0)
        return;
    const bool page = (Verdict == TLinkStatus::Ok || Verdict == TLinkStatus::Moved)
                      && Answer.Error == THttpError::None && Answer.Status >= 200
                      && Answer.Status < 300 && !Answer.Body.isEmpty();
    const bool reached =
        (Answer.Status > 0 || !Answer.Hops.isEmpty()) && Verdict != TLinkStatus::Parked;
    --*it;
    if (page) {
        *it = 0;
        FIcons->AddAnsweredPage(url, Answer);
    } else if (*it == 0 && reached) {
        FIcons->AddAnsweredPage(url, Answer);
    }
}

void TLinkChecker::Settle(int Slot, TLinkResult Result)
{
    FSlots[size_t(Slot)].Result = std::move(Result);
    ++FDone;
    Q_EMIT Checked(FSlots[size_t(Slot)].FirstIndex);
    Q_EMIT Progress(FAnswered, Total(), FHost);
}

void TLinkChecker::FinishIfDone()
{
    if (!FRunning || FPending > 0)
        return;
    if (FIconsOpen) {
        // Every host has had its first answer: no more come to the icon search.
        FIconsOpen = false;
        FIcons->EndOfHosts();
    }
    if (!FRetry.empty()) {
        // The end of the pass: every failure is asked once more.
        const std::vector<int> again = std::move(FRetry);
        FRetry.clear();
        FRetryTotal += int(again.size());
        FClient->ForgetSilentHosts(); // a silent host gets one more chance
        for (const int s : again)
            Ask(s);
        return;
    }
    if (FIcons->IsRunning())
        return; // its Finished comes back here
    FRunning = false;
    Q_EMIT Finished();
}

void TLinkChecker::Cancel()
{
    if (!FRunning)
        return;
    FRunning = false;
    FClient->CancelAll();
    FIcons->Cancel();
    FIconsOpen = false;
    FCancelled = true;
    FPending = 0;
    FRetry.clear();
    Q_EMIT Finished();
}

const TLinkResult& TLinkChecker::Result(qsizetype Index) const
{
    static const TLinkResult None;
    if (Index < 0 || size_t(Index) >= FSlotOf.size() || FSlotOf[size_t(Index)] < 0)
        return None;
    return FSlots[size_t(FSlotOf[size_t(Index)])].Result;
}

std::vector<int> TLinkChecker::StatusCounts() const
{
    std::vector<int> counts(LinkStatusCount, 0);
    for (const int s : FSlotOf)
        if (s >= 0)
            ++counts[size_t(FSlots[size_t(s)].Result.Status)];
    return counts;
}

// ---- The list's side ------------------------------------------------------------------

bool LinkCheckTitleIsMissing(const QString& Title, const QString& Url)
{
    const QString t = Title.trimmed();
    return t.isEmpty() || t == Url.trimmed();
}

QStringList LinkCheckUrlsOf(const TWebSiteList& List, const std::vector<qsizetype>& Indexes)
{
    QStringList urls;
    urls.reserve(qsizetype(Indexes.size()));
    for (const qsizetype i : Indexes)
        urls << (i >= 0 && i < List.Count() ? List[i].URL.toString() : QString());
    return urls;
}

std::vector<bool> LinkCheckWantsIconOf(const TWebSiteList& List,
                                       const std::vector<qsizetype>& Indexes)
{
    std::vector<bool> wants;
    wants.reserve(Indexes.size());
    for (const qsizetype i : Indexes)
        wants.push_back(i >= 0 && i < List.Count() && List[i].IconId == 0);
    return wants;
}

bool LinkCheckWantsArchive(TLinkStatus Status)
{
    return Status == TLinkStatus::Gone || Status == TLinkStatus::SoftGone
           || Status == TLinkStatus::Parked || Status == TLinkStatus::Unreachable;
}

QString TLinkChecker::WaitingText() const
{
    if (!FRunning || FClient->QueuedCount() > 0)
        return {};
    const QList<QPair<QString, int>> hosts = FClient->WaitedHosts();
    if (hosts.isEmpty())
        return {};
    QString text = QStringLiteral("waiting for %1: %2 address%3, no answer yet")
                       .arg(hosts.first().first)
                       .arg(hosts.first().second)
                       .arg(QLatin1String(hosts.first().second == 1 ? "" : "es"));
    if (hosts.size() > 1)
        text += QStringLiteral(" (and %1 more site%2)")
                    .arg(hosts.size() - 1)
                    .arg(QLatin1String(hosts.size() == 2 ? "" : "s"));
    return text;
}

bool LinkStatusIsFailure(TLinkStatus Status)
{
    return Status != TLinkStatus::None && Status != TLinkStatus::Ok && Status != TLinkStatus::Moved;
}

void LinkCheckRecord(TWebSiteExtrasData& X, const TLinkResult& R, TDateTime When)
{
    X.LinkStatus = R.Status;
    X.LinkHttp = R.Http;
    X.LinkFinalUrl = R.FinalUrl;
    X.LinkChecked = When;
    X.LinkDetail = R.Status == TLinkStatus::Ok ? QString() : R.Detail.left(MaxLinkDetailLength);
    if (!LinkStatusIsFailure(R.Status)) {
        X.LinkFailures = 0;
        X.LinkFailingSince = TDateTime();
        return;
    }
    if (X.LinkFailures == 0 || X.LinkFailingSince == TDateTime())
        X.LinkFailingSince = When;
    ++X.LinkFailures;
}

std::vector<qsizetype> LinkCheckApply(TWebSiteList& List, const std::vector<qsizetype>& Indexes,
                                      const TLinkChecker& Checker, TDateTime When)
{
    std::vector<qsizetype> titled;
    for (size_t k = 0; k < Indexes.size(); ++k) {
        const qsizetype i = Indexes[k];
        const TLinkResult& r = Checker.Result(qsizetype(k));
        if (i < 0 || i >= List.Count() || r.Status == TLinkStatus::None)
            continue;
        TWebSite& site = List.EditKeepURL(i);
        LinkCheckRecord(site.Extras.Edit(), r, When);
        if (!r.Title.isEmpty() && (r.Status == TLinkStatus::Ok || r.Status == TLinkStatus::Moved)
            && LinkCheckTitleIsMissing(site.Title.toString(), site.URL.toString())) {
            site.Title = r.Title;
            titled.push_back(i);
        }
    }
    return titled;
}
