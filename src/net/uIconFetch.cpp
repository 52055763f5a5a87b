// Fetching missing icons: one request chain per host, a few hosts at a time.

#include <net/uIconFetch.h>

#include <model/uHtmlTagScanner.h>
#include <model/uHtmlText.h>
#include <model/uWebSiteList.h>

#include <QPointer>

#include <algorithm>
#include <utility>

namespace {

// An attribute's value, trimmed, its character references decoded.
QByteArray DecodeAttribute(QByteArrayView Value)
{
    QByteArray out = Value.toByteArray().trimmed();
    if (!out.contains('&'))
        return out;
    return DecodeHtmlReferences(QString::fromUtf8(out)).toUtf8();
}

// Does the rel attribute's list of words name an icon? 2 for "icon" (also in
// "shortcut icon"), 1 for "apple-touch-icon" and its precomposed variant, 0 else.
int IconRelRank(QByteArrayView Rel)
{
    int rank = 0;
    const QList<QByteArray> words = Rel.toByteArray().toLower().simplified().split(' ');
    for (const QByteArray& w : words) {
        if (w == "icon")
            rank = std::max(rank, 2);
        else if (w == "apple-touch-icon" || w == "apple-touch-icon-precomposed")
            rank = std::max(rank, 1);
    }
    return rank;
}

} // namespace

QList<TIconPageLink> IconFetchPageLinks(QByteArrayView Html, const QUrl& Base)
{
    QUrl base = Base;
    // Every link met, with its rank (2 "icon", 1 the others) and whether it needs
    // no other host; bounded by the page's size cap.
    struct TFound
    {
        TIconPageLink Link;
        int Rank;
        bool Near;
    };
    std::vector<TFound> found;
    THtmlTagScanner scanner(Html);
    THtmlToken token;
    while (scanner.Next(token)) {
        if (token.Kind == THtmlToken::StartTag && token.Is("BODY"))
            break;
        if (token.Kind == THtmlToken::EndTag && token.Is("HEAD"))
            break;
        if (token.Kind != THtmlToken::StartTag)
            continue;
        if (token.Is("BASE")) {
            if (const THtmlAttribute* href = token.Attribute("HREF")) {
                const QUrl b(QString::fromUtf8(DecodeAttribute(href->Value)));
                if (b.isValid())
                    base = base.resolved(b);
            }
            continue;
        }
        if (!token.Is("LINK"))
            continue;
        const THtmlAttribute* rel = token.Attribute("REL");
        const THtmlAttribute* href = token.Attribute("HREF");
        if (!rel || !href)
            continue;
        const int rank = IconRelRank(rel->Value);
        if (rank == 0)
            continue;
        QByteArray text = DecodeAttribute(href->Value);
        if (text.isEmpty())
            continue;
        if (text.size() >= 5 && text.first(5).toLower() == "data:") {
            found.push_back({{{}, std::move(text)}, rank, true});
            continue;
        }
        const QUrl url = base.resolved(QUrl(QString::fromUtf8(text)));
        if (!url.isValid())
            continue;
        const bool near = HttpHostKey(url) == HttpHostKey(Base);
        found.push_back({{url, {}}, rank, near});
    }
    std::stable_sort(found.begin(), found.end(), [](const TFound& a, const TFound& b) {
        return a.Rank != b.Rank ? a.Rank > b.Rank : a.Near > b.Near;
    });
    QList<TIconPageLink> links;
    for (TFound& f : found) {
        if (links.size() == MaxIconPageLinks)
            break;
        if (!links.contains(f.Link))
            links.append(std::move(f.Link));
    }
    return links;
}

// ---- TIconFetcher ---------------------------------------------------------------------

namespace {

THttpClientOptions ClientOptions(const TIconFetchOptions& Options)
{
    THttpClientOptions o;
    o.TimeoutMs = Options.TimeoutMs;
    o.MaxParallel = Options.MaxParallel;
    o.MaxRedirects = Options.MaxRedirects;
    o.MaxPerHost = 1;  // one chain per host, one request after the other
    o.BusyRetries = 0; // an icon is not worth waiting for
    return o;
}

bool IsHtmlAnswer(const THttpResult& Answer)
{
    const QByteArray type = Answer.ContentType.toLower();
    return Answer.Error == THttpError::None && Answer.Status >= 200 && Answer.Status < 300
           && (type.isEmpty() || type.contains("html") || type.contains("xml"));
}

} // namespace

TIconFetcher::TIconFetcher(TIconFetchOptions Options, QObject* Parent)
    : QObject(Parent), FOptions(Options), FOwnClient(true)
{
    FOptions.MaxParallel = std::max(1, FOptions.MaxParallel);
    FClient = new THttpClient(ClientOptions(FOptions), this);
}

TIconFetcher::TIconFetcher(THttpClient* Client, TIconFetchOptions Options, QObject* Parent)
    : QObject(Parent), FOptions(Options), FClient(Client)
{
    FOptions.MaxParallel = std::max(1, FOptions.MaxParallel);
}

TIconFetcher::~TIconFetcher()
{
    ++FGeneration; // a shared client's late answers find nobody
    if (FOwnClient)
        FClient->CancelAll();
}

void TIconFetcher::StartOpen()
{
    if (FOwnClient)
        FClient->CancelAll();
    ++FGeneration;
    FHosts.clear();
    FHostIndex.clear();
    FWaiting.clear();
    FInFlight = FDone = FFound = FFailed = 0;
    FCancelled = false;
    FRunning = true;
    FOpen = true;
}

int TIconFetcher::AddHost(const QUrl& Url)
{
    const QString key = HttpHostKey(Url);
    if (key.isEmpty() || FHostIndex.contains(key))
        return -1;
    FHostIndex.insert(key, int(FHosts.size()));
    THost host;
    host.Key = key;
    host.Page = Url;
    host.Page.setFragment({});
    FHosts.push_back(std::move(host));
    return int(FHosts.size()) - 1;
}

void TIconFetcher::Start(const QStringList& Urls)
{
    StartOpen();
    FOpen = false;
    for (const QString& text : Urls) {
        const int host = AddHost(QUrl(text));
        if (host >= 0)
            FWaiting.push_back(host);
    }
    Q_EMIT Progress(0, HostCount());
    if (FHosts.empty()) {
        FRunning = false;
        Q_EMIT Finished();
        return;
    }
    StartMore();
}

void TIconFetcher::AddAnsweredPage(const QUrl& Url, const THttpResult& Answer)
{
    if (!FRunning || !FOpen)
        return;
    const int index = AddHost(Url);
    if (index < 0)
        return;
    THost& host = FHosts[size_t(index)];
    host.PageAsked = true;
    host.Reached = Answer.Status > 0 || !Answer.Hops.isEmpty();
    TakePage(host, Answer);
    FWaiting.push_back(index);
    Q_EMIT Progress(FDone, HostCount());
    StartMore();
}

void TIconFetcher::EndOfHosts()
{
    if (!FRunning || !FOpen)
        return;
    FOpen = false;
    const quint64 generation = FGeneration;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == FGeneration)
                FinishIfDone();
        },
        Qt::QueuedConnection);
}

void TIconFetcher::Cancel()
{
    if (!FRunning)
        return;
    ++FGeneration;
    if (FOwnClient)
        FClient->CancelAll();
    FCancelled = true;
    FRunning = false;
    FOpen = false;
    FWaiting.clear();
    FInFlight = 0;
    Q_EMIT Finished();
}

TIconId TIconFetcher::IconFor(const QUrl& Url) const
{
    const auto it = FHostIndex.constFind(HttpHostKey(Url));
    return it == FHostIndex.cend() ? 0 : FHosts[size_t(*it)].Icon;
}

// Hosts start their chains a few at a time; within a chain, one request after the
// other.
void TIconFetcher::StartMore()
{
    while (FRunning && !FWaiting.empty() && FInFlight < FOptions.MaxParallel) {
        const int host = FWaiting.front();
        FWaiting.pop_front();
        FHosts[size_t(host)].Deadline = QDeadlineTimer(std::max(1, FOptions.MaxHostMs));
        FHosts[size_t(host)].Started = true;
        NextOrDone(host);
    }
}

bool TIconFetcher::Ask(int Host, const QUrl& Url, bool IsPage)
{
    const qint64 left = FHosts[size_t(Host)].Deadline.remainingTime();
    if (left == 0)
        return false;
    THttpRequest request;
    request.Url = Url;
    // The request's own limit, or what is left of the host's when that is less.
    request.TimeoutMs =
        int(std::min<qint64>(FOptions.TimeoutMs, left < 0 ? FOptions.TimeoutMs : left));
    // Before the pages a shared client has queued for the host: a chain is short.
    request.Urgent = true;
    if (IsPage) {
        request.MaxBytes = FOptions.MaxPageBytes;
        request.StopAtHeadEnd = true;
        request.Accept = "text/html,*/*;q=0.5";
    } else {
        request.MaxBytes = FOptions.MaxIconBytes;
        request.WholeOrNothing = true;
        request.Accept = "image/*,*/*;q=0.5";
    }
    ++FInFlight;
    const quint64 generation = FGeneration;
    FClient->Get(request, [self = QPointer<TIconFetcher>(this), generation, Host,
                           IsPage](const THttpResult& Answer) {
        if (self && generation == self->FGeneration)
            self->OnAnswer(Host, IsPage, Answer);
    });
    return true;
}

void TIconFetcher::TakePage(THost& Host, const THttpResult& Answer)
{
    if (!Answer.FinalUrl.isEmpty())
        Host.Page = Answer.FinalUrl; // relative links resolve against it
    if (IsHtmlAnswer(Answer))
        Host.Candidates = IconFetchPageLinks(Answer.Body, Host.Page);
}

void TIconFetcher::OnAnswer(int Host, bool IsPage, const THttpResult& Answer)
{
    --FInFlight;
    THost& host = FHosts[size_t(Host)];
    if (Answer.Status > 0 || !Answer.Hops.isEmpty())
        host.Reached = true;
    if (IsPage) {
        TakePage(host, Answer);
    } else if (Answer.Error == THttpError::None && Answer.Status >= 200 && Answer.Status < 300
               && !Answer.Truncated) {
        host.Icon = WebSiteIcons().AddBytes({}, Answer.Body);
    }
    if (host.Icon != 0)
        HostDone(Host);
    else
        NextOrDone(Host);
    StartMore();
}

// The next request of the host's chain, or its end: the icons the page names, then
// /favicon.ico, then the page (for its icons) when nobody has read it.
void TIconFetcher::NextOrDone(int Host)
{
    THost& host = FHosts[size_t(Host)];
    while (!host.Candidates.isEmpty()) {
        const TIconPageLink next = host.Candidates.takeFirst();
        if (!next.Data.isEmpty()) {
            host.Icon = WebSiteIconFromDataURI(next.Data);
            if (host.Icon != 0) {
                HostDone(Host);
                return;
            }
            continue;
        }
        if (HttpHostKey(next.Url).isEmpty())
            continue;
        if (Ask(Host, next.Url, false))
            return;
        HostDone(Host); // out of time
        return;
    }
    if (!host.IcoAsked) {
        host.IcoAsked = true;
        QUrl ico = host.Page;
        ico.setPath(QStringLiteral("/favicon.ico"));
        ico.setQuery(QString());
        ico.setUserInfo(QString());
        if (Ask(Host, ico, false))
            return;
    } else if (!host.PageAsked) {
        host.PageAsked = true;
        if (Ask(Host, host.Page, true))
            return;
    }
    HostDone(Host);
}

void TIconFetcher::HostDone(int Host)
{
    const THost& host = FHosts[size_t(Host)];
    ++FDone;
    if (host.Icon != 0)
        ++FFound;
    else if (!host.Reached)
        ++FFailed;
    Q_EMIT HostFinished(host.Key, host.Icon);
    Q_EMIT Progress(FDone, HostCount());
    FinishIfDone();
}

void TIconFetcher::FinishIfDone()
{
    if (FRunning && !FOpen && FDone == HostCount()) {
        FRunning = false;
        Q_EMIT Finished();
    }
}

// ---- The list's side ------------------------------------------------------------------

QStringList IconFetchUrlsOf(const TWebSiteList& List, const std::vector<qsizetype>& Indexes)
{
    QStringList urls;
    for (const qsizetype i : Indexes)
        if (i >= 0 && i < List.Count() && List[i].IconId == 0)
            urls << List[i].URL.toString();
    return urls;
}

std::vector<qsizetype> IconFetchAssign(TWebSiteList& List, const std::vector<qsizetype>& Indexes,
                                       const TIconFetcher& Fetcher)
{
    std::vector<qsizetype> given;
    for (const qsizetype i : Indexes) {
        if (i < 0 || i >= List.Count() || List[i].IconId != 0)
            continue;
        const TIconId icon = Fetcher.IconFor(List[i].URL.toString());
        if (icon == 0)
            continue;
        List.EditKeepURL(i).IconId = icon;
        given.push_back(i);
    }
    return given;
}
