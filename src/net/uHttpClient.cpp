// The shared HTTP client: per-host and global limits, hand-followed redirects,
// time and size limits, Retry-After.

#include <net/uHttpClient.h>

#include <QDateTime>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace {

bool IsAskedScheme(const QString& Scheme)
{
    return Scheme == QLatin1String("http") || Scheme == QLatin1String("https");
}

bool IsRedirect(int Status)
{
    return Status == 301 || Status == 302 || Status == 303 || Status == 307 || Status == 308;
}

// The first place at or after From where Text holds Lower (ASCII, lower case) in any
// letter case, or -1.
qsizetype IndexOfCaseless(QByteArrayView Text, QByteArrayView Lower, qsizetype From)
{
    for (qsizetype i = std::max<qsizetype>(0, From); i + Lower.size() <= Text.size(); ++i) {
        qsizetype k = 0;
        while (k < Lower.size() && (Text[i + k] | 0x20) == Lower[k])
            ++k;
        if (k == Lower.size())
            return i;
    }
    return -1;
}

QUrl WithoutFragment(QUrl Url)
{
    Url.setFragment({});
    return Url;
}

THttpError ErrorOf(QNetworkReply::NetworkError Error)
{
    switch (Error) {
    case QNetworkReply::HostNotFoundError:
        return THttpError::HostNotFound;
    case QNetworkReply::ConnectionRefusedError:
        return THttpError::Refused;
    case QNetworkReply::SslHandshakeFailedError:
    case QNetworkReply::UnknownNetworkError: // what an unverified certificate ends in
        return THttpError::Tls;
    case QNetworkReply::TimeoutError:
        return THttpError::Timeout;
    default:
        return THttpError::Other;
    }
}

QByteArray AcceptLanguage()
{
    QByteArray out;
    const QStringList languages = QLocale::system().uiLanguages();
    if (!languages.isEmpty() && !languages.first().startsWith(QLatin1String("en")))
        out = languages.first().toLatin1() + ",";
    return out + "en-US,en;q=0.8";
}

} // namespace

QByteArray HttpClientUserAgent()
{
    return "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
           "Chrome/126.0 Safari/537.36";
}

QString HttpHostKey(const QUrl& Url)
{
    if (!Url.isValid() || !IsAskedScheme(Url.scheme().toLower()) || Url.host().isEmpty())
        return {};
    QString key = Url.host().toLower();
    if (Url.port() >= 0)
        key += u':' + QString::number(Url.port());
    return key;
}

struct THttpClient::TJob
{
    THttpRequest Request;
    TDone Done;
    THttpResult Result;
    QUrl Current;
    QString HostKey;
    QPointer<QNetworkReply> Reply;
    QTimer* Timer = nullptr;
    bool TimedOut = false;
    bool Complete = false; // reading stopped on purpose: the answer is what was read
    bool SkipBody = false; // the body is not wanted
    qsizetype HeadSearchFrom = 0;
    QElapsedTimer Started; // at the first hop, for a request with its own time limit
};

THttpClient::THttpClient(THttpClientOptions Options, QObject* Parent)
    : QObject(Parent), FOptions(Options), FNetwork(new QNetworkAccessManager(this))
{
    FOptions.MaxPerHost = std::max(1, FOptions.MaxPerHost);
    FOptions.MaxParallel = std::max(1, FOptions.MaxParallel);
    // Redirects are followed by hand: each hop is recorded, counted against its host.
    FNetwork->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    FClock.start();
}

THttpClient::~THttpClient()
{
    CancelAll();
}

THttpClient::THost& THttpClient::HostOf(const QString& Key)
{
    auto it = FHostIndex.constFind(Key);
    if (it == FHostIndex.cend()) {
        it = FHostIndex.insert(Key, int(FHosts.size()));
        FHosts.push_back(THost{});
        FHosts.back().Key = Key;
    }
    return FHosts[size_t(*it)];
}

void THttpClient::Get(const THttpRequest& Request, TDone Done)
{
    auto job = std::make_unique<TJob>();
    job->Request = Request;
    job->Done = std::move(Done);
    job->Result.Url = Request.Url;
    job->Current = Request.Url;
    job->HostKey = HttpHostKey(Request.Url);
    TJob* raw = job.get();
    FJobs.emplace(raw, std::move(job));
    if (raw->HostKey.isEmpty()) {
        raw->Result.Error = THttpError::Other;
        raw->Result.ErrorText = QStringLiteral("not an http or https address");
        const quint64 generation = FGeneration;
        QMetaObject::invokeMethod(
            this,
            [this, raw, generation] {
                if (generation == FGeneration)
                    Finish(raw);
            },
            Qt::QueuedConnection);
        return;
    }
    Enqueue(raw, Request.Urgent);
    StartMore();
}

void THttpClient::Enqueue(TJob* Job, bool Front)
{
    THost& host = HostOf(Job->HostKey);
    if (Front)
        host.Queue.push_front(Job);
    else
        host.Queue.push_back(Job);
    ++FQueued;
    MarkReady(host);
}

// Puts the host in the line of those that may start a request now, or wakes it
// when its wait is over.
void THttpClient::MarkReady(THost& Host)
{
    if (Host.InReady || Host.Queue.empty() || Host.Running >= FOptions.MaxPerHost)
        return;
    const qint64 now = FClock.elapsed();
    const int index = FHostIndex.value(Host.Key);
    if (Host.NotBefore > now) {
        if (Host.WakeQueued)
            return;
        Host.WakeQueued = true;
        const quint64 generation = FGeneration;
        QTimer::singleShot(int(Host.NotBefore - now), this, [this, index, generation] {
            if (generation != FGeneration)
                return;
            FHosts[size_t(index)].WakeQueued = false;
            MarkReady(FHosts[size_t(index)]);
            StartMore();
        });
        return;
    }
    Host.InReady = true;
    FReady.push_back(index);
}

void THttpClient::StartMore()
{
    while (FRunning < FOptions.MaxParallel && !FReady.empty()) {
        THost& host = FHosts[size_t(FReady.front())];
        FReady.pop_front();
        host.InReady = false;
        if (!host.Queue.empty() && host.Running < FOptions.MaxPerHost
            && host.NotBefore <= FClock.elapsed()) {
            TJob* job = host.Queue.front();
            host.Queue.pop_front();
            --FQueued;
            ++host.Running;
            ++FRunning;
            Launch(job);
        }
        MarkReady(host);
    }
}

void THttpClient::Launch(TJob* Job)
{
    Job->TimedOut = Job->Complete = Job->SkipBody = false;
    Job->HeadSearchFrom = 0;
    Job->Result.Body.clear();
    Job->Result.Truncated = false;
    Job->Result.ContentType.clear();

    QNetworkRequest r(Job->Current);
    r.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    r.setHeader(QNetworkRequest::UserAgentHeader, HttpClientUserAgent());
    r.setRawHeader("Accept", Job->Request.Accept);
    r.setRawHeader("Accept-Language", AcceptLanguage());
    Q_EMIT RequestStarted(Job->HostKey);

    Job->Reply = FNetwork->get(r);
    Job->Timer = new QTimer(this);
    Job->Timer->setSingleShot(true);
    connect(Job->Timer, &QTimer::timeout, this, [Job] {
        Job->TimedOut = true;
        if (Job->Reply)
            Job->Reply->abort(); // finished follows
    });
    connect(Job->Reply, &QNetworkReply::metaDataChanged, this, [this, Job] { OnMetaData(Job); });
    connect(Job->Reply, &QNetworkReply::readyRead, this, [this, Job] { OnReadyRead(Job); });
    connect(Job->Reply, &QNetworkReply::finished, this, [this, Job] { OnFinished(Job); });
    int limit = FOptions.TimeoutMs;
    if (Job->Request.TimeoutMs > 0) {
        if (!Job->Started.isValid())
            Job->Started.start();
        limit = int(std::max<qint64>(1, Job->Request.TimeoutMs - Job->Started.elapsed()));
    }
    Job->Timer->start(limit);
}

// Answers whose body is of no use are not read: redirects, errors (unless asked),
// and anything but HTML when only a page's head is wanted.
void THttpClient::OnMetaData(TJob* Job)
{
    QNetworkReply* reply = Job->Reply;
    if (!reply || Job->Complete)
        return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status <= 0)
        return;
    bool skip =
        status < 200 || (status >= 300 && !Job->Request.ReadErrorBodies) || IsRedirect(status);
    if (!skip && Job->Request.StopAtHeadEnd) {
        const QByteArray type = reply->rawHeader("Content-Type").toLower();
        skip = !type.isEmpty() && !type.contains("html") && !type.contains("xml");
    }
    // A declared length over the limit is not waited for when a part is of no use.
    if (!skip && Job->Request.WholeOrNothing
        && reply->header(QNetworkRequest::ContentLengthHeader).toLongLong()
               > Job->Request.MaxBytes) {
        skip = true;
        Job->Result.Truncated = true;
    }
    if (!skip)
        return;
    Job->SkipBody = Job->Complete = true;
    Job->Result.ContentType = reply->rawHeader("Content-Type");
    // Aborted from the event loop: an abort inside this signal reports the error twice.
    QMetaObject::invokeMethod(
        reply,
        [r = QPointer<QNetworkReply>(reply)] {
            if (r && r->isRunning())
                r->abort(); // finished follows
        },
        Qt::QueuedConnection);
}

void THttpClient::OnReadyRead(TJob* Job)
{
    QNetworkReply* reply = Job->Reply;
    if (!reply || Job->Complete || Job->SkipBody)
        return;
    QByteArray& body = Job->Result.Body;
    const qint64 room = Job->Request.MaxBytes - body.size();
    body += reply->read(std::max<qint64>(0, room) + 1);
    bool stop = false;
    bool over = false;
    if (body.size() > Job->Request.MaxBytes) {
        body.truncate(Job->Request.MaxBytes);
        stop = over = true;
    }
    if (Job->Request.StopAtHeadEnd) {
        const qsizetype from = std::max<qsizetype>(0, Job->HeadSearchFrom - 6);
        const qsizetype head = IndexOfCaseless(body, "</head", from);
        const qsizetype bodyTag = IndexOfCaseless(body, "<body", from);
        if (head >= 0 || bodyTag >= 0)
            stop = true;
        Job->HeadSearchFrom = body.size();
    }
    if (stop) {
        Job->Complete = true;
        Job->Result.Truncated = over || !reply->isFinished();
        if (over && Job->Request.WholeOrNothing)
            body.clear();
        Job->Result.ContentType = reply->rawHeader("Content-Type");
        reply->abort(); // finished follows
    }
}

void THttpClient::ReleaseReply(TJob* Job, bool Abort)
{
    if (Job->Timer) {
        Job->Timer->stop();
        Job->Timer->deleteLater();
        Job->Timer = nullptr;
    }
    if (QNetworkReply* reply = Job->Reply) {
        reply->disconnect(this);
        if (Abort)
            reply->abort();
        reply->deleteLater();
        Job->Reply = nullptr;
    }
}

// How long a 429 or 503 asks to wait, in ms; -1 when longer than the bound.
qint64 THttpClient::BusyWait(QNetworkReply* Reply) const
{
    const QByteArray value = Reply->rawHeader("Retry-After").trimmed();
    qint64 ms = FOptions.BusyWaitMs;
    if (!value.isEmpty()) {
        bool isNumber = false;
        const qint64 seconds = value.toLongLong(&isNumber);
        if (isNumber) {
            ms = seconds < 0 ? 0 : seconds * 1000;
        } else {
            const QDateTime when =
                QDateTime::fromString(QString::fromLatin1(value), Qt::RFC2822Date);
            if (when.isValid())
                ms = std::max<qint64>(0, QDateTime::currentDateTimeUtc().msecsTo(when));
        }
    }
    return ms > FOptions.MaxRetryAfterMs ? -1 : ms;
}

void THttpClient::OnFinished(TJob* Job)
{
    QNetworkReply* reply = Job->Reply;
    if (!reply)
        return;
    if (!Job->Complete && !Job->SkipBody && reply->isOpen())
        OnReadyRead(Job);
    const int hostIndex = FHostIndex.value(Job->HostKey);
    --FHosts[size_t(hostIndex)].Running;
    --FRunning;

    THttpResult& result = Job->Result;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (result.ContentType.isEmpty())
        result.ContentType = reply->rawHeader("Content-Type");
    result.FinalUrl = Job->Current;
    result.Status = std::max(0, status);
    result.Error = THttpError::None;
    result.ErrorText.clear();
    if (status <= 0) {
        result.Error = Job->TimedOut ? THttpError::Timeout : ErrorOf(reply->error());
        result.ErrorText =
            Job->TimedOut ? QStringLiteral("no answer in time") : reply->errorString();
    } else if (Job->TimedOut) {
        result.Truncated = true; // an answer came, its body did not finish in time
    }

    if (result.Error == THttpError::None && IsRedirect(status)) {
        const QByteArray location = reply->rawHeader("Location").trimmed();
        const QUrl target = Job->Current.resolved(QUrl(QString::fromUtf8(location)));
        if (!location.isEmpty() && target.isValid() && !HttpHostKey(target).isEmpty()) {
            result.Hops.append({Job->Current, status});
            const QUrl key = WithoutFragment(target);
            const auto visits =
                std::count_if(result.Hops.cbegin(), result.Hops.cend(),
                              [&key](const THttpHop& h) { return WithoutFragment(h.Url) == key; });
            // A page may send the browser back to itself once (after setting a
            // cookie); a second time it goes round for ever.
            if (visits >= 2) {
                result.Error = THttpError::RedirectLoop;
                result.ErrorText = QStringLiteral("redirect loop");
            } else if (result.Hops.size() > FOptions.MaxRedirects) {
                result.Error = THttpError::TooManyRedirects;
                result.ErrorText = QStringLiteral("too many redirects");
            } else {
                ReleaseReply(Job, false);
                Job->Current = target;
                Job->HostKey = HttpHostKey(target);
                Enqueue(Job, true); // may add a host: FHosts may move
                MarkReady(FHosts[size_t(hostIndex)]);
                StartMore();
                return;
            }
        }
    }

    if (result.Error == THttpError::None && (status == 429 || status == 503)
        && result.BusyWaits < FOptions.BusyRetries) {
        qint64 wait = BusyWait(reply);
        // A request with its own limit does not wait past it.
        if (Job->Request.TimeoutMs > 0 && Job->Started.elapsed() + wait >= Job->Request.TimeoutMs)
            wait = -1;
        if (wait >= 0) {
            ++result.BusyWaits;
            ReleaseReply(Job, false);
            THost& host = FHosts[size_t(hostIndex)];
            host.NotBefore = std::max(host.NotBefore, FClock.elapsed() + wait);
            Enqueue(Job, true);
            StartMore();
            return;
        }
    }

    ReleaseReply(Job, false);
    MarkReady(FHosts[size_t(hostIndex)]);
    Finish(Job);
    StartMore();
}

void THttpClient::Finish(TJob* Job)
{
    const auto it = FJobs.find(Job);
    if (it == FJobs.end())
        return;
    std::unique_ptr<TJob> job = std::move(it->second);
    FJobs.erase(it);
    if (job->Done)
        job->Done(job->Result);
}

void THttpClient::CancelAll()
{
    ++FGeneration;
    auto jobs = std::move(FJobs);
    FJobs.clear();
    for (auto& j : jobs)
        ReleaseReply(j.second.get(), true);
    for (THost& h : FHosts) {
        h.Queue.clear();
        h.Running = 0;
        h.InReady = false;
        h.WakeQueued = false;
    }
    FReady.clear();
    FQueued = FRunning = 0;
}
