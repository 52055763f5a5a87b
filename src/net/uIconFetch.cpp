// Fetching missing icons: one request chain per host, a few hosts at a time.

#include <net/uIconFetch.h>

#include <model/uHtmlTagScanner.h>
#include <model/uWebSiteList.h>

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

bool IsAskedScheme(const QString& Scheme)
{
    return Scheme == QLatin1String("http") || Scheme == QLatin1String("https");
}

// "&amp;" and the few other references an href holds in practice.
QByteArray DecodeBasicReferences(QByteArrayView Text)
{
    QByteArray out = Text.toByteArray().trimmed();
    if (!out.contains('&'))
        return out;
    out.replace("&amp;", "&");
    out.replace("&#38;", "&");
    out.replace("&quot;", "\"");
    out.replace("&#39;", "'");
    out.replace("&lt;", "<");
    out.replace("&gt;", ">");
    return out;
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

QString IconFetchHostKey(const QUrl& Url)
{
    if (!Url.isValid() || !IsAskedScheme(Url.scheme().toLower()) || Url.host().isEmpty())
        return {};
    QString key = Url.host().toLower();
    if (Url.port() >= 0)
        key += u':' + QString::number(Url.port());
    return key;
}

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
                const QUrl b(QString::fromUtf8(DecodeBasicReferences(href->Value)));
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
        QByteArray text = DecodeBasicReferences(href->Value);
        if (text.isEmpty())
            continue;
        if (text.size() >= 5 && text.first(5).toLower() == "data:") {
            found.push_back({{{}, std::move(text)}, rank, true});
            continue;
        }
        const QUrl url = base.resolved(QUrl(QString::fromUtf8(text)));
        if (!url.isValid())
            continue;
        const bool near = IconFetchHostKey(url) == IconFetchHostKey(Base);
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

TIconFetcher::TIconFetcher(TIconFetchOptions Options, QObject* Parent)
    : QObject(Parent), FOptions(Options), FNetwork(new QNetworkAccessManager(this))
{
    FOptions.MaxParallel = std::max(1, FOptions.MaxParallel);
    // Redirects are followed by hand (OnReplyFinished) to check where they lead.
    FNetwork->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

TIconFetcher::~TIconFetcher()
{
    for (auto& r : FInFlight)
        Release(r.get(), true);
    FInFlight.clear();
}

void TIconFetcher::Start(const QStringList& Urls)
{
    FHosts.clear();
    FHostIndex.clear();
    FWaiting.clear();
    FDone = FFound = FFailed = 0;
    FCancelled = false;
    for (const QString& text : Urls) {
        const QUrl url(text);
        const QString key = IconFetchHostKey(url);
        if (key.isEmpty() || FHostIndex.contains(key))
            continue;
        FHostIndex.insert(key, int(FHosts.size()));
        THost host;
        host.Key = key;
        host.Page = url;
        host.Page.setFragment({});
        FHosts.push_back(std::move(host));
        FWaiting.push_back(int(FHosts.size()) - 1);
    }
    FRunning = true;
    Q_EMIT Progress(0, HostCount());
    if (FHosts.empty()) {
        FRunning = false;
        Q_EMIT Finished();
        return;
    }
    StartMore();
}

void TIconFetcher::Cancel()
{
    if (!FRunning)
        return;
    FCancelled = true;
    FRunning = false;
    FWaiting.clear();
    auto inFlight = std::move(FInFlight);
    FInFlight.clear();
    for (auto& r : inFlight)
        Release(r.get(), true);
    Q_EMIT Finished();
}

TIconId TIconFetcher::IconFor(const QUrl& Url) const
{
    const auto it = FHostIndex.constFind(IconFetchHostKey(Url));
    return it == FHostIndex.cend() ? 0 : FHosts[size_t(*it)].Icon;
}

void TIconFetcher::StartMore()
{
    while (FRunning && !FWaiting.empty() && int(FInFlight.size()) < FOptions.MaxParallel) {
        const int host = FWaiting.front();
        FWaiting.pop_front();
        FHosts[size_t(host)].Deadline = QDeadlineTimer(std::max(1, FOptions.MaxHostMs));
        QUrl ico = FHosts[size_t(host)].Page;
        ico.setPath(QStringLiteral("/favicon.ico"));
        ico.setQuery(QString());
        ico.setUserInfo(QString());
        Ask(host, ico, FOptions.MaxIconBytes);
    }
}

bool TIconFetcher::Ask(int Host, const QUrl& Url, qint64 Cap)
{
    const qint64 left = FHosts[size_t(Host)].Deadline.remainingTime();
    if (left == 0)
        return false;
    auto request = std::make_unique<TRequest>();
    request->Host = Host;
    request->Cap = Cap;
    QNetworkRequest r(Url);
    r.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    r.setRawHeader("Accept", Cap == FOptions.MaxPageBytes ? QByteArray("text/html,*/*;q=0.5")
                                                          : QByteArray("image/*,*/*;q=0.5"));
    TRequest* raw = request.get();
    raw->Reply = FNetwork->get(r);
    raw->Timer = new QTimer(this);
    raw->Timer->setSingleShot(true);
    connect(raw->Timer, &QTimer::timeout, this, [raw] {
        if (raw->Reply)
            raw->Reply->abort(); // finished follows, as an error
    });
    connect(raw->Reply, &QNetworkReply::readyRead, this, [this, raw] { OnReadyRead(raw); });
    connect(raw->Reply, &QNetworkReply::finished, this, [this, raw] { OnReplyFinished(raw); });
    // The request's own limit, or what is left of the host's when that is less.
    raw->Timer->start(
        int(std::min<qint64>(FOptions.TimeoutMs, left < 0 ? FOptions.TimeoutMs : left)));
    FInFlight.push_back(std::move(request));
    return true;
}

void TIconFetcher::OnReadyRead(TRequest* Request)
{
    QNetworkReply* reply = Request->Reply;
    if (!reply || Request->Truncated || Request->TooLarge)
        return;
    // A declared length over the cap is not waited for.
    const qint64 declared = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    const bool isPage = Request->Cap == FOptions.MaxPageBytes;
    if (!isPage && declared > Request->Cap) {
        Request->TooLarge = true;
        reply->abort();
        return;
    }
    const qint64 room = Request->Cap - Request->Body.size();
    Request->Body += reply->read(std::max<qint64>(0, room) + 1);
    if (Request->Body.size() > Request->Cap) {
        Request->Body.truncate(Request->Cap);
        if (isPage)
            Request->Truncated = true;
        else
            Request->TooLarge = true;
        reply->abort();
    }
}

void TIconFetcher::Release(TRequest* Request, bool Abort)
{
    if (Request->Timer) {
        Request->Timer->stop();
        Request->Timer->deleteLater();
        Request->Timer = nullptr;
    }
    if (QNetworkReply* reply = Request->Reply) {
        reply->disconnect(this);
        if (Abort)
            reply->abort();
        reply->deleteLater();
        Request->Reply = nullptr;
    }
}

void TIconFetcher::OnReplyFinished(TRequest* Request)
{
    const auto it = std::find_if(FInFlight.begin(), FInFlight.end(),
                                 [Request](const auto& r) { return r.get() == Request; });
    if (it == FInFlight.end())
        return;
    std::unique_ptr<TRequest> request = std::move(*it);
    FInFlight.erase(it);
    QNetworkReply* reply = request->Reply;
    if (!request->Truncated && !request->TooLarge && reply->isOpen())
        OnReadyRead(request.get());
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool httpAnswer = status > 0;
    const bool ok = (reply->error() == QNetworkReply::NoError || request->Truncated)
                    && !request->TooLarge && status >= 200 && status < 300;
    const QUrl url = reply->url();
    const int host = request->Host;
    if (httpAnswer)
        FHosts[size_t(host)].Reached = true;

    // Redirects: followed while they stay on http or https, a few at most.
    if (status >= 300 && status < 400 && status != 304
        && request->Redirects < FOptions.MaxRedirects) {
        const QUrl target =
            url.resolved(QUrl(QString::fromUtf8(reply->rawHeader("Location").trimmed())));
        if (target.isValid() && !target.host().isEmpty()
            && IsAskedScheme(target.scheme().toLower())) {
            const int redirects = request->Redirects + 1;
            const qint64 cap = request->Cap;
            const bool page = FHosts[size_t(host)].Step == TStep::Page;
            if (Ask(host, target, cap)) {
                Release(request.get(), false);
                FInFlight.back()->Redirects = redirects;
                if (page)
                    FHosts[size_t(host)].Page = target; // relative links resolve against it
                return;
            }
        }
    }
    AfterReply(host, *request, ok, status);
    Release(request.get(), false);
    if (FRunning)
        StartMore();
}

void TIconFetcher::AfterReply(int Host, TRequest& Request, bool Ok, int Status)
{
    Q_UNUSED(Status);
    THost& host = FHosts[size_t(Host)];
    switch (host.Step) {
    case TStep::FaviconIco:
    case TStep::LinkedIcon:
        if (Ok)
            host.Icon = WebSiteIcons().AddBytes({}, Request.Body);
        if (host.Icon != 0) {
            HostDone(Host);
            return;
        }
        if (host.Step == TStep::FaviconIco) {
            host.Step = TStep::Page;
            if (!Ask(Host, host.Page, FOptions.MaxPageBytes))
                HostDone(Host);
            return;
        }
        NextOrDone(Host);
        return;
    case TStep::Page:
        if (Ok)
            host.Candidates = IconFetchPageLinks(Request.Body, host.Page);
        host.Step = TStep::LinkedIcon;
        NextOrDone(Host);
        return;
    }
}

// The next icon the page names, or the end of the host's chain.
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
        if (!IsAskedScheme(next.Url.scheme().toLower()) || next.Url.host().isEmpty())
            continue;
        if (Ask(Host, next.Url, FOptions.MaxIconBytes))
            return;
        break; // out of time
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
    if (FRunning && FDone == HostCount()) {
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
