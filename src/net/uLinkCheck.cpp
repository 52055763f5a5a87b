// The link check: verdicts, parked pages, page titles, and the pass over a list.

#include <net/uLinkCheck.h>

#include <model/uHtmlTagScanner.h>
#include <model/uTextBytes.h>
#include <model/uWebSiteList.h>

#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <array>

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

// Redirects that lead to a login page, the site's front page or a country page are
// how sites answer an old or private address: the bookmark's address is not
// replaced by them.
bool IsNewAddressForBookmark(const QUrl& From, const QUrl& To)
{
    if (IsRootPath(To) && !IsRootPath(From))
        return false;
    const QString host = To.host().toLower();
    for (const char* prefix : {"login.", "signin.", "accounts.", "auth.", "sso."})
        if (host.startsWith(QLatin1String(prefix)))
            return false;
    const QString path = To.path().toLower();
    static const QRegularExpression login(
        QStringLiteral("(^|/)(login|log-in|signin|sign-in|sign_in|auth|sso|session/new)(/|$|\\.)"));
    if (login.match(path).hasMatch())
        return false;
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

QString DecodeWith(QByteArrayView Bytes, QByteArrayView Charset)
{
    QByteArray name = Charset.toByteArray();
    // Browsers read these labels as windows-1252, which is what such pages hold.
    if (name == "iso-8859-1" || name == "latin1" || name == "us-ascii" || name == "ascii")
        name = "windows-1252";
    if (name == "x-sjis" || name == "sjis")
        name = "shift_jis";
    if (!name.isEmpty()) {
        QStringDecoder decoder(name.constData(), QStringDecoder::Flag::Stateless);
        if (!decoder.isValid() && name == "windows-1252")
            decoder = QStringDecoder(QStringDecoder::Latin1);
        if (decoder.isValid())
            return decoder.decode(Bytes);
    }
    // No charset named: UTF-8 when the bytes are, else the usual Western code page.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(Bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder western("windows-1252", QStringDecoder::Flag::Stateless);
    if (!western.isValid())
        western = QStringDecoder(QStringDecoder::Latin1);
    return western.decode(Bytes);
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

// HTML's Latin-1 character names, in the order of their code points from U+00A0.
constexpr std::array<const char*, 96> Latin1Names = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

// The named characters page titles use beyond Latin-1.
const QHash<QString, char32_t>& CharacterNames()
{
    static const QHash<QString, char32_t> names = [] {
        QHash<QString, char32_t> h;
        for (size_t i = 0; i < Latin1Names.size(); ++i)
            h.insert(QString::fromLatin1(Latin1Names[i]), char32_t(0xA0 + i));
        const std::pair<const char*, char32_t> more[] = {
            {"amp", '&'},       {"lt", '<'},        {"gt", '>'},        {"quot", '"'},
            {"apos", '\''},     {"ndash", 0x2013},  {"mdash", 0x2014},  {"lsquo", 0x2018},
            {"rsquo", 0x2019},  {"sbquo", 0x201A},  {"ldquo", 0x201C},  {"rdquo", 0x201D},
            {"bdquo", 0x201E},  {"bull", 0x2022},   {"hellip", 0x2026}, {"lsaquo", 0x2039},
            {"rsaquo", 0x203A}, {"euro", 0x20AC},   {"trade", 0x2122},  {"larr", 0x2190},
            {"rarr", 0x2192},   {"hearts", 0x2665}, {"dagger", 0x2020}, {"OElig", 0x152},
            {"oelig", 0x153},   {"Scaron", 0x160},  {"scaron", 0x161},  {"thinsp", 0x2009},
            {"ensp", 0x2002},   {"emsp", 0x2003},   {"zwnj", 0x200C},   {"zwj", 0x200D}};
        for (const auto& [name, c] : more)
            h.insert(QString::fromLatin1(name), c);
        return h;
    }();
    return names;
}

// Character references of a page's text: numeric ones and the names above. Others
// stay as written.
QString DecodePageReferences(const QString& Text)
{
    qsizetype amp = Text.indexOf(u'&');
    if (amp < 0)
        return Text;
    QString out;
    out.reserve(Text.size());
    qsizetype done = 0;
    for (; amp >= 0; amp = Text.indexOf(u'&', std::max(done, amp + 1))) {
        const qsizetype semi = Text.indexOf(u';', amp + 1);
        if (semi < 0 || semi - amp > 12)
            continue;
        const QStringView ref = QStringView(Text).sliced(amp + 1, semi - amp - 1);
        char32_t c = 0;
        bool ok = false;
        if (ref.startsWith(u'#')) {
            const bool hex = ref.size() > 1 && (ref[1] == u'x' || ref[1] == u'X');
            const uint v = ref.sliced(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
            c = ok && v > 0 && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF) ? char32_t(v) : 0xFFFD;
        } else {
            const auto it = CharacterNames().constFind(ref.toString());
            ok = it != CharacterNames().cend();
            if (ok)
                c = *it;
        }
        if (!ok)
            continue;
        out.append(QStringView(Text).sliced(done, amp - done));
        out.append(QString::fromUcs4(&c, 1));
        done = semi + 1;
    }
    out.append(QStringView(Text).sliced(done));
    return out;
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

bool LinkCheckIsParkedPage(QByteArrayView Head, const QString& Title)
{
    const QString title = Title.toLower();
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
            return true;
    // "example.com is for sale", "example.net - for sale".
    static const QRegularExpression nameForSale(
        QStringLiteral("\\b[a-z0-9-]+\\.[a-z]{2,}\\b.*\\bfor sale\\b"));
    if (nameForSale.match(title).hasMatch())
        return true;
    // What the parking services' pages load in their heads.
    const QByteArray head = LowerAscii(Head);
    static const std::array<const char*, 11> headMarkers = {
        "sedoparking.com",         "parkingcrew.net", "bodis.com",       "window.park",
        "/adsense/domains/caf.js", "parklogic.com",   "//dan.com",       "afternic.com",
        "hugedomains.com",         "parking-lander",  "domainmarket.com"};
    for (const char* m : headMarkers)
        if (ContainsMarker(head, m))
            return true;
    return false;
}

QByteArray LinkCheckCharset(QByteArrayView Body, QByteArrayView ContentType)
{
    if (QByteArray c = CharsetOfContentType(ContentType); !c.isEmpty())
        return c;
    if (Body.startsWith("\xEF\xBB\xBF"))
        return "utf-8";
    if (Body.startsWith("\xFF\xFE"))
        return "utf-16le";
    if (Body.startsWith("\xFE\xFF"))
        return "utf-16be";
    THtmlTagScanner scanner(Body.first(std::min<qsizetype>(Body.size(), 64 * 1024)));
    THtmlToken t;
    while (scanner.Next(t)) {
        if (t.Kind != THtmlToken::StartTag)
            continue;
        if (t.Is("BODY"))
            break;
        if (!t.Is("META"))
            continue;
        if (const THtmlAttribute* a = t.Attribute("CHARSET"))
            return LowerAscii(a->Value).trimmed();
        const THtmlAttribute* equiv = t.Attribute("HTTP-EQUIV");
        const THtmlAttribute* content = t.Attribute("CONTENT");
        if (equiv && content
            && AsciiEqualsCaseless(QByteArrayView(equiv->Value).trimmed(), "CONTENT-TYPE"))
            if (QByteArray c = CharsetOfContentType(content->Value); !c.isEmpty())
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
    if (charset == "utf-8" || charset == "utf8") {
        text = Body.toByteArray();
        if (text.startsWith("\xEF\xBB\xBF"))
            text.remove(0, 3);
    } else {
        text = DecodeWith(Body, charset).toUtf8();
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
        if (raw.size() > 8192)
            break;
    }
    if (raw.isEmpty())
        return {};
    QString title = DecodePageReferences(QString::fromUtf8(raw)).simplified();
    if (title.size() > 1000)
        title.truncate(1000);
    return title;
}

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
        out.Detail = R.ErrorText;
        return out;
    default:
        out.Status = TLinkStatus::Unreachable;
        out.Detail = R.ErrorText;
        return out;
    }

    const bool hostChanged = finalUrl.host().compare(asked.host(), Qt::CaseInsensitive) != 0;
    const int s = R.Status;
    if (s >= 200 && s < 300) {
        out.Title = LinkCheckPageTitle(R.Body, R.ContentType);
        if ((hostChanged && LinkCheckIsParkingHost(finalUrl.host()))
            || LinkCheckIsParkedPage(R.Body, out.Title)) {
            out.Status = TLinkStatus::Parked;
            return out;
        }
        const bool permanent =
            !R.Hops.isEmpty() && std::all_of(R.Hops.cbegin(), R.Hops.cend(), [](const THttpHop& h) {
                return h.Status == 301 || h.Status == 308;
            });
        if (permanent && finalUrl != asked && IsNewAddressForBookmark(asked, finalUrl)) {
            out.Status = TLinkStatus::Moved;
            // The bookmark's place in the page goes with it.
            QUrl moved = R.FinalUrl;
            if (!moved.hasFragment() && R.Url.hasFragment())
                moved.setFragment(R.Url.fragment(QUrl::FullyEncoded), QUrl::StrictMode);
            out.FinalUrl = moved.toString(QUrl::FullyEncoded);
            return out;
        }
        out.Status = TLinkStatus::Ok;
        return out;
    }
    if (hostChanged && LinkCheckIsParkingHost(finalUrl.host()))
        out.Status = TLinkStatus::Parked;
    else if (s == 404 || s == 410)
        out.Status = TLinkStatus::Gone;
    else if (s >= 500)
        out.Status = TLinkStatus::ServerError;
    else if (s >= 400)
        out.Status = TLinkStatus::Blocked; // 401, 403, 429; other refusals of the request too
    else
        out.Status = TLinkStatus::Ok; // a redirect to something not a web page
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
    const bool failed = result.Status != TLinkStatus::Ok && result.Status != TLinkStatus::Moved
                        && result.Status != TLinkStatus::Parked;
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
        TWebSiteExtrasData& x = site.Extras.Edit();
        x.LinkStatus = r.Status;
        x.LinkHttp = r.Http;
        x.LinkFinalUrl = r.FinalUrl;
        x.LinkChecked = When;
        if (!r.Title.isEmpty() && (r.Status == TLinkStatus::Ok || r.Status == TLinkStatus::Moved)
            && LinkCheckTitleIsMissing(site.Title.toString(), site.URL.toString())) {
            site.Title = r.Title;
            titled.push_back(i);
        }
    }
    return titled;
}
