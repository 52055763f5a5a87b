#pragma once
// The HTTP client that everything asking web sites goes through (the link check,
// the icon fetch). It keeps the program polite and bounded:
// - at most a few requests at once to one host and a global limit, started in turn
//   across hosts so that one large site does not hold the others up;
// - redirects followed by hand, each hop recorded, loops and long chains stopped;
// - one time limit per request, its redirects and waits included, and a size limit
//   on what is read, also on what the network layer holds before it is read; a
//   page can be read only up to the end of its head, and error answers are not read
//   at all;
// - 429 and 503 answers asked again after their Retry-After (within a bound), the
//   host left alone meanwhile; a host that keeps asking to wait past its budget is
//   not asked any more (its requests end as HostBusy);
// - a host that did not answer a request in time is not waited for again by each
//   of its other requests: they end as HostSilent until ForgetSilentHosts;
// - browser-like User-Agent and Accept headers, which avoid most bot walls.
//
// QtCore and QtNetwork only; runs in the calling thread's event loop.

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>

#include <deque>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

struct THttpClientOptions
{
    int TimeoutMs = 15000;              // per request, from its start to the last byte read,
                                        // redirects and busy waits included
    int MaxPerHost = 2;                 // requests at once to one host
    int MaxParallel = 64;               // requests at once in all
    int MaxRedirects = 10;              // per request
    int BusyRetries = 2;                // a 429 or 503 is asked again this many times
    int BusyWaitMs = 1000;              // before asking again when no Retry-After is given
    int MaxRetryAfterMs = 30000;        // a longer Retry-After is not waited for
    int MaxHostBusyMs = 10000;          // the busy waits one host may cost in all
    qint64 ReadBufferBytes = 64 * 1024; // held by the network layer per reply, unread
};

// Why a certificate was refused, in words ("certificate expired", "certificate
// not trusted", "certificate for another name"), from a QSslError::SslError.
QString HttpTlsReason(int SslError);

// The browser-like request headers sent with every request.
QByteArray HttpClientUserAgent();

// The key under which requests count against a host: the host in lower case, with
// the port when one is written ("example.org", "example.org:8080"); empty for
// addresses that are not asked (not http or https, no host).
QString HttpHostKey(const QUrl& Url);

enum class THttpError
{
    None,             // an HTTP answer came (see Status)
    HostNotFound,     // the name does not resolve
    Refused,          // nothing listens on the port
    Tls,              // the secure connection failed
    Timeout,          // no complete answer in time
    TooManyRedirects, // more than MaxRedirects
    RedirectLoop,     // a redirect back to an address of the chain
    HostBusy,         // not asked: the host asked to wait longer than its budget
    HostSilent,       // not asked: the host did not answer another request in time
    Other             // any other network failure
};

struct THttpRequest
{
    QUrl Url;
    qint64 MaxBytes = 512 * 1024; // of the body kept; reading stops there
    bool StopAtHeadEnd = false;   // a page: stop at "</head>" or "<body"
    bool ReadErrorBodies = false; // keep the body of a non-2xx answer too
    bool WholeOrNothing = false;  // a body over MaxBytes is not kept at all (Truncated)
    bool Urgent = false;          // goes before the requests already queued for its host
    int TimeoutMs = 0;            // the whole request, redirects and waits included;
                                  // 0: the client's limit
    QByteArray Accept = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
};

// One redirect of a chain: the address asked and the status that sent it on.
struct THttpHop
{
    QUrl Url;
    int Status = 0;
};

struct THttpResult
{
    QUrl Url;             // the address first asked
    QList<THttpHop> Hops; // the redirects, in order
    QUrl FinalUrl;        // the address the last answer came from
    int Status = 0;       // of the last answer; 0 when none came
    THttpError Error = THttpError::None;
    QString ErrorText;      // the network's words for the failure
    QByteArray ContentType; // the raw header
    QByteArray Body;        // the start of the body, up to the request's limits
    bool Truncated = false; // reading stopped before the body's end
    int BusyWaits = 0;      // times a 429 or 503 was asked again
};

class THttpClient : public QObject
{
    Q_OBJECT

public:
    using TDone = std::function<void(const THttpResult&)>;

    explicit THttpClient(THttpClientOptions Options = {}, QObject* Parent = nullptr);
    ~THttpClient() override;

    const THttpClientOptions& Options() const { return FOptions; }

    // Queues a GET; Done is called once with the result (from the event loop, never
    // from within Get). Addresses that are not http or https fail at once.
    void Get(const THttpRequest& Request, TDone Done);
    // Drops every queued request and aborts those in flight; their Done is not called.
    // The hosts given up on are asked again afterwards.
    void CancelAll();
    // Hosts given up on as silent are asked again (those given up on as busy are not).
    void ForgetSilentHosts();
    // The hosts whose requests wait for an answer that has not come, with how many
    // requests of each are queued or running, most first (for a progress line).
    QList<QPair<QString, int>> WaitedHosts() const;

    int QueuedCount() const { return FQueued; }
    int RunningCount() const { return FRunning; }

Q_SIGNALS:
    // A request (or a redirect of one) goes to this host now.
    void RequestStarted(const QString& HostKey);

private:
    struct TJob;
    struct THost
    {
        QString Key;
        int Running = 0;
        qint64 NotBefore = 0;                 // ms on FClock: a 429/503 asked to wait
        qint64 BusyMs = 0;                    // the waits 429/503 answers imposed, in all
        THttpError GaveUp = THttpError::None; // HostBusy or HostSilent: not asked
        QString GaveUpText;
        bool InReady = false;
        bool WakeQueued = false;
        std::deque<TJob*> Queue;
    };

    THost& HostOf(const QString& Key);
    void Enqueue(TJob* Job, bool Front);
    void MarkReady(THost& Host);
    void StartMore();
    void Launch(TJob* Job);
    void OnMetaData(TJob* Job);
    void OnReadyRead(TJob* Job);
    void OnFinished(TJob* Job);
    void Finish(TJob* Job);
    void ReleaseReply(TJob* Job, bool Abort);
    // Ends the host's queued requests, and any that comes later, with Error.
    void GiveUpHost(int HostIndex, THttpError Error, const QString& Text);
    void FinishLater(TJob* Job);
    // The job's time limit in all, in ms.
    qint64 TimeLimit(const TJob* Job) const;
    qint64 BusyWait(QNetworkReply* Reply) const;

    THttpClientOptions FOptions;
    QNetworkAccessManager* FNetwork = nullptr;
    QElapsedTimer FClock;
    QHash<QString, int> FHostIndex;
    std::vector<THost> FHosts;
    std::deque<int> FReady; // hosts with queued requests that may start one now
    std::unordered_map<TJob*, std::unique_ptr<TJob>> FJobs;
    int FQueued = 0;
    int FRunning = 0;
    quint64 FGeneration = 0; // bumped by CancelAll: late callbacks are dropped
};
