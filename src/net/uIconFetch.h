#pragma once
// Fetching the icons a list lacks from the sites themselves. Only run when the
// user asks for it (a command of the window, zorvel-cli fetch-icons).
//
// One chain of requests per host: "/favicon.ico" first; when that gives no image,
// the page itself (its first bytes only) and the icons its <link rel="icon"> tags
// name, a handful at most. Every entry of a host gets the host's icon. Only http
// and https addresses are asked, a few hosts at a time, each request with a time
// limit and a size limit and each host's whole chain with a time limit, so that
// slow or hostile servers cannot hold the user or exhaust memory.
//
// QtCore and QtNetwork only; runs in the calling thread's event loop.

#include <model/uWebSiteIcons.h>

#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <deque>
#include <memory>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;
class TWebSiteList;

struct TIconFetchOptions
{
    int TimeoutMs = 5000;                 // per request, from start to the last byte
    int MaxParallel = 6;                  // requests in flight at once
    int MaxRedirects = 5;                 // per request
    qint64 MaxPageBytes = 512 * 1024;     // of a page read for its <link rel="icon">
    qint64 MaxIconBytes = ::MaxIconBytes; // an icon over this is not taken
    int MaxHostMs = 20000;                // a host's whole chain, redirects included
};

// The icons of a page that are asked at most: a page may name thousands.
inline constexpr int MaxIconPageLinks = 4;

// An icon a page names: an address to ask, or a data: URI as the page wrote it
// (Data; whatever stands in it, blanks between lines included, goes to the
// store's data-URI reader as it is, as when a bookmark file carries one).
struct TIconPageLink
{
    QUrl Url;
    QByteArray Data;

    bool operator==(const TIconPageLink&) const = default;
};

// The key under which entries share one request chain: the host in lower case,
// with the port when one is written ("example.org", "example.org:8080"); empty
// for addresses that are not asked (not http or https, no host).
QString IconFetchHostKey(const QUrl& Url);

class TIconFetcher : public QObject
{
    Q_OBJECT

public:
    explicit TIconFetcher(TIconFetchOptions Options = {}, QObject* Parent = nullptr);
    ~TIconFetcher() override;

    // Starts asking the hosts of these addresses (others are passed over); every
    // host once. Finished is emitted when all are done, also when there are none.
    void Start(const QStringList& Urls);
    // Aborts every request in flight; no result comes in afterwards and Finished
    // is emitted at once.
    void Cancel();

    bool IsRunning() const { return FRunning; }
    bool WasCancelled() const { return FCancelled; }
    int HostCount() const { return int(FHosts.size()); }
    int DoneCount() const { return FDone; }
    int FoundCount() const { return FFound; }
    // Hosts that could not be reached or answered with an error at the first request.
    int FailedCount() const { return FFailed; }

    // The icon found for this address's host, or 0.
    TIconId IconFor(const QUrl& Url) const;
    TIconId IconFor(const QString& Url) const { return IconFor(QUrl(Url)); }

Q_SIGNALS:
    void Progress(int Done, int Total);
    void HostFinished(const QString& HostKey, TIconId Icon);
    void Finished();

private:
    enum class TStep
    {
        FaviconIco,
        Page,
        LinkedIcon
    };
    struct THost
    {
        QString Key;
        QUrl Page; // an entry's address on the host
        TStep Step = TStep::FaviconIco;
        QList<TIconPageLink> Candidates; // icons the page names, best first
        QDeadlineTimer Deadline;         // of the whole chain
        TIconId Icon = 0;
        bool Reached = false; // some request got an HTTP answer
    };
    struct TRequest
    {
        int Host = -1;
        QPointer<QNetworkReply> Reply;
        QTimer* Timer = nullptr;
        QByteArray Body;
        qint64 Cap = 0;
        bool Truncated = false; // a page cut at its cap: still read
        bool TooLarge = false;  // an icon over its cap: not taken
        int Redirects = 0;
    };

    void StartMore();
    // Starts a request of the host's chain; false, with nothing asked, when the
    // chain is out of time.
    bool Ask(int Host, const QUrl& Url, qint64 Cap);
    void OnReadyRead(TRequest* Request);
    void OnReplyFinished(TRequest* Request);
    void AfterReply(int Host, TRequest& Request, bool Ok, int Status);
    void NextOrDone(int Host);
    void HostDone(int Host);
    void Release(TRequest* Request, bool Abort);

    TIconFetchOptions FOptions;
    QNetworkAccessManager* FNetwork = nullptr;
    std::vector<THost> FHosts;
    QHash<QString, int> FHostIndex;
    std::deque<int> FWaiting;
    std::vector<std::unique_ptr<TRequest>> FInFlight;
    int FDone = 0;
    int FFound = 0;
    int FFailed = 0;
    bool FRunning = false;
    bool FCancelled = false;
};

// The icon links of a page's head worth asking: of every <link> whose rel names
// "icon", "shortcut icon" or "apple-touch-icon", with its href resolved against
// Base (and the page's <base href>), the first MaxIconPageLinks different ones
// in this order: "icon" ones before the others, and within each, data: URIs and
// the page's own host (IconFetchHostKey of Base) before other hosts.
QList<TIconPageLink> IconFetchPageLinks(QByteArrayView Html, const QUrl& Base);

// The addresses of the entries at these indexes that have no icon.
QStringList IconFetchUrlsOf(const TWebSiteList& List, const std::vector<qsizetype>& Indexes);
// Gives every entry at these indexes that has no icon its host's icon; the
// indexes of the entries given one.
std::vector<qsizetype> IconFetchAssign(TWebSiteList& List, const std::vector<qsizetype>& Indexes,
                                       const TIconFetcher& Fetcher);
