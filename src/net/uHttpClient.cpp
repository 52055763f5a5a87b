// The shared HTTP client: per-host and global limits, hand-followed redirects,
// time and size limits, Retry-After.

#include <net/uHttpClient.h>

#include <QDateTime>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#if QT_CONFIG(ssl)
#include <QSslError>
#endif
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
    // The C locale names no language ("C"): English alone then.
    if (!languages.isEmpty() && languages.first().size() >= 2
        && languages.first() != QLatin1String("C")
        && !languages.first().startsWith(QLatin1String("en")))
        out = languages.first().toLatin1() + ",";
    return out + "en-US,en;q=0.8";
}

} // namespace

QString HttpTlsReason(int SslError)
{
#if QT_CONFIG(ssl)
    switch (QSslError::SslError(SslError)) {
    case QSslError::CertificateExpired:
        return QStringLiteral("certificate expired");
    case QSslError::CertificateNotYetValid:
        return QStringLiteral("certificate not valid yet");
    case QSslError::HostNameMismatch:
        return QStringLiteral("certificate for another name");
    case QSslError::CertificateRevoked:
        return QStringLiteral("certificate revoked");
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
    case QSslError::CertificateRejected:
        return QStringLiteral("certificate not trusted");
    default:
        break;
    }
#endif
    return QStringLiteral("secure connection failed (%1)").arg(SslError);
}

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
    QElapsedTimer Started; // at the first hop: the time limit counts from there
    QElapsedTimer HopStarted;
    QString TlsReason;         // why the certificate was refused, in words
    bool AnsweredOnce = false; // some hop of the request had an HTTP answer
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
        FinishLater(raw);
        return;
    }
    Enqueue(raw, Request.Urgent);
    StartMore();
}

// Done is called from the event loop, never from within the call that ends the job.
void THttpClient::FinishLater(TJob* Job)
{
    const quint64 generation = FGeneration;
    QMetaObject::invokeMethod(
        this,
        [this, Job, generation] {
            if (generation == FGeneration)
                Finish(Job);
        },
        Qt::QueuedConnection);
}

void THttpClient::Enqueue(TJob* Job, bool Front)
{
    THost& host = HostOf(Job->HostKey);
    if (host.GaveUp != THttpError::None) {
        Job->Result.FinalUrl = Job->Current;
        Job->Result.Status = 0;
        Job->Result.Error = host.GaveUp;
        Job->Result.ErrorText = host.GaveUpText;
        FinishLater(Job);
        return;
    }
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
    Job->TlsReason.clear();
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
    // What the network layer reads ahead is bounded too: without it an endless body
    // is buffered as fast as it comes, whatever is read from the reply.
    Job->Reply->setReadBufferSize(FOptions.ReadBufferBytes);
    Job->Timer = new QTimer(this);
    Job->Timer->setSingleShot(true);
    connect(Job->Timer, &QTimer::timeout, this, [this, Job] {
        Job->TimedOut = true;
        if (!Job->Reply)
            return;
        // An answer that carries an error already (a slow 404 body) is let go, as in
        // OnReadyRead; one still without an answer is aborted (finished follows).
        if (Job->Reply->error() != QNetworkReply::NoError)
            OnFinished(Job);
        else
            Job->Reply->abort();
    });
#if QT_CONFIG(ssl)
    connect(Job->Reply, &QNetworkReply::sslErrors, this, [Job](const QList<QSslError>& Errors) {
        if (!Errors.isEmpty() && Job->TlsReason.isEmpty())
            Job->TlsReason = HttpTlsReason(Errors.first().error());
    });
#endif
    connect(Job->Reply, &QNetworkReply::metaDataChanged, this, [this, Job] { OnMetaData(Job); });
    connect(Job->Reply, &QNetworkReply::readyRead, this, [this, Job] { OnReadyRead(Job); });
    connect(Job->Reply, &QNetworkReply::finished, this, [this, Job] { OnFinished(Job); });
    // One limit for the whole request, from its first hop: redirects and waits
    // count against it.
    if (!Job->Started.isValid())
        Job->Started.start();
    Job->HopStarted.start();
    Job->Timer->start(int(std::max<qint64>(1, TimeLimit(Job) - Job->Started.elapsed())));
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
    // Ended from the event loop, not inside this signal; see EndEarly.
    QMetaObject::invokeMethod(
        this,
        [this, Job, r = QPointer<QNetworkReply>(reply)] {
            if (r && FJobs.count(Job) && Job->Reply == r)
                OnFinished(Job);
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
        // Not aborted: an abort of an answer that already carries an error (a 404)
        // sets a second one, which Qt reports on standard error. The reply is let
        // go instead, which closes its connection without a word.
        OnFinished(Job);
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
        // Deleting a reply closes its connection too; an abort is only for one
        // without an error yet (see OnReadyRead).
        if (Abort && reply->error() == QNetworkReply::NoError)
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
        // Digits too many for 64 bits ask for longer than anyone waits.
        if (!isNumber && std::all_of(value.cbegin(), value.cend(), [](char c) {
                return c >= '0' && c <= '9';
            }))
            return -1;
        if (isNumber) {
            // Compared before it is multiplied: a huge value must not wrap round.
            if (seconds > FOptions.MaxRetryAfterMs / 1000)
                return -1;
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
        if (!Job->TimedOut && !Job->TlsReason.isEmpty()) {
            result.Error = THttpError::Tls;
            result.ErrorText = Job->TlsReason;
        }
        // A host that let a request wait out its whole time is not waited for again
        // by each of its other requests.
        if (Job->TimedOut && !Job->AnsweredOnce && TimeLimit(Job) >= FOptions.TimeoutMs
            && Job->HopStarted.elapsed() * 2 >= TimeLimit(Job))
            GiveUpHost(hostIndex, THttpError::HostSilent,
                       QStringLiteral("not asked: %1 did not answer another address in time")
                           .arg(Job->HostKey));
    } else if (Job->TimedOut) {
        result.Truncated = true; // an answer came, its body did not finish in time
    }

    if (status > 0)
        Job->AnsweredOnce = true;
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
        // A request does not wait past its limit.
        if (wait >= 0 && Job->Started.elapsed() + wait >= TimeLimit(Job))
            wait = -1;
        THost& host = FHosts[size_t(hostIndex)];
        const qint64 now = FClock.elapsed();
        const qint64 until = now + std::max<qint64>(wait, 0);
        const qint64 added = until - std::max(now, host.NotBefore);
        if (wait >= 0 && host.BusyMs + std::max<qint64>(0, added) > FOptions.MaxHostBusyMs) {
            // The host has cost its budget of waits: this answer stands, and the
            // host's other requests are not asked.
            wait = -1;
            GiveUpHost(hostIndex, THttpError::HostBusy,
                       QStringLiteral("%1 kept answering %2 (busy) past %3 s of waiting")
                           .arg(Job->HostKey)
                           .arg(status)
                           .arg(FOptions.MaxHostBusyMs / 1000));
        }
        if (wait >= 0) {
            ++result.BusyWaits;
            ReleaseReply(Job, false);
            host.BusyMs += std::max<qint64>(0, added);
            host.NotBefore = std::max(host.NotBefore, until);
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

qint64 THttpClient::TimeLimit(const TJob* Job) const
{
    return Job->Request.TimeoutMs > 0 ? Job->Request.TimeoutMs : FOptions.TimeoutMs;
}

void THttpClient::GiveUpHost(int HostIndex, THttpError Error, const QString& Text)
{
    THost& host = FHosts[size_t(HostIndex)];
    if (host.GaveUp != THttpError::None)
        return;
    host.GaveUp = Error;
    host.GaveUpText = Text;
    std::deque<TJob*> queued = std::move(host.Queue);
    host.Queue.clear();
    FQueued -= int(queued.size());
    for (TJob* job : queued) {
        job->Result.FinalUrl = job->Current;
        job->Result.Status = 0;
        job->Result.Error = Error;
        job->Result.ErrorText = Text;
        FinishLater(job);
    }
}

void THttpClient::ForgetSilentHosts()
{
    for (THost& h : FHosts)
        if (h.GaveUp == THttpError::HostSilent) {
            h.GaveUp = THttpError::None;
            h.GaveUpText.clear();
        }
}

QList<QPair<QString, int>> THttpClient::WaitedHosts() const
{
    QList<QPair<QString, int>> hosts;
    for (const THost& h : FHosts)
        if (h.Running > 0)
            hosts.append({h.Key, h.Running + int(h.Queue.size())});
    std::stable_sort(hosts.begin(), hosts.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    return hosts;
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
        h.GaveUp = THttpError::None;
        h.GaveUpText.clear();
        h.BusyMs = 0;
        h.InReady = false;
        h.WakeQueued = false;
    }
    FReady.clear();
    FQueued = FRunning = 0;
}
