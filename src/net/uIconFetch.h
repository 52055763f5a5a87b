#pragma once
// Fetching the icons a list lacks from the sites themselves. Only run when the
// user asks for it (a command of the window, zorvel-cli fetch-icons, or a link
// check asked to bring icons too).
//
// One chain of requests per host: "/favicon.ico" first; when that gives no image,
// the page itself (its head only) and the icons its <link rel="icon"> tags name, a
// handful at most. When a link check has just read the page, its icons come first
// and the page is not asked again. Every entry of a host gets the host's icon. Only
// http and https addresses are asked, through THttpClient, each request with a time
// limit and a size limit and each host's whole chain with a time limit, so that
// slow or hostile servers cannot hold the user or exhaust memory.
//
// QtCore and QtNetwork only; runs in the calling thread's event loop.

#include <model/uWebSiteIcons.h>
#include <net/uHttpClient.h>

#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <deque>
#include <vector>

class TWebSiteList;

struct TIconFetchOptions
{
    int TimeoutMs = 5000;                 // per request, redirects included
    int MaxParallel = 6;                  // requests in flight at once (own client only)
    int MaxRedirects = 5;                 // per request (own client only)
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

class TIconFetcher : public QObject
{
    Q_OBJECT

public:
    // With a client of its own, made from Options.
    explicit TIconFetcher(TIconFetchOptions Options = {}, QObject* Parent = nullptr);
    // Through Client, shared with another task (the link check): the client's limits
    // per host and in all hold for both together. Client must outlive the fetcher's
    // requests; it is not cancelled by Cancel.
    TIconFetcher(THttpClient* Client, TIconFetchOptions Options, QObject* Parent = nullptr);
    ~TIconFetcher() override;

    // Starts asking the hosts of these addresses (others are passed over); every
    // host once. Finished is emitted when all are done, also when there are none.
    void Start(const QStringList& Urls);

    // Starts with no host: hosts come one by one through AddAnsweredPage while
    // another task reads their pages; Finished comes only after EndOfHosts.
    void StartOpen();
    // The host of Url, whose page the other task has just asked (Answer): its icon is
    // looked for among the icons the page names, then at /favicon.ico. The page is
    // not asked again. A host already added is passed over.
    void AddAnsweredPage(const QUrl& Url, const THttpResult& Answer);
    // No more hosts come; Finished follows when those added are done (from the event
    // loop, never from within this call).
    void EndOfHosts();

    // Stops: no result comes in afterwards and Finished is emitted at once.
    void Cancel();

    bool IsRunning() const { return FRunning; }
    bool WasCancelled() const { return FCancelled; }
    bool IsKnownHost(const QString& HostKey) const { return FHostIndex.contains(HostKey); }
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
    // A host's chain: the icons its page names (once the page is read), /favicon.ico
    // and the page itself, each asked at most once, in the order NextOrDone says.
    struct THost
    {
        QString Key;
        QUrl Page; // an entry's address on the host; where its redirects ended, once read
        QList<TIconPageLink> Candidates; // icons the page names, best first
        bool IcoAsked = false;
        bool PageAsked = false;
        QDeadlineTimer Deadline; // of the whole chain
        TIconId Icon = 0;
        bool Reached = false; // some request got an HTTP answer
        bool Started = false;
    };

    int AddHost(const QUrl& Url);
    void StartMore();
    // Starts a request of the host's chain; false, with nothing asked, when the
    // chain is out of time.
    bool Ask(int Host, const QUrl& Url, bool IsPage);
    void OnAnswer(int Host, bool IsPage, const THttpResult& Answer);
    void TakePage(THost& Host, const THttpResult& Answer);
    void NextOrDone(int Host);
    void HostDone(int Host);
    void FinishIfDone();

    TIconFetchOptions FOptions;
    THttpClient* FClient = nullptr;
    bool FOwnClient = false;
    std::vector<THost> FHosts;
    QHash<QString, int> FHostIndex;
    std::deque<int> FWaiting;
    int FInFlight = 0;
    int FDone = 0;
    int FFound = 0;
    int FFailed = 0;
    bool FRunning = false;
    bool FOpen = false; // more hosts may come
    bool FCancelled = false;
    quint64 FGeneration = 0; // bumped by every start and cancel: late answers are dropped
};

// The icon links of a page's head worth asking: of every <link> whose rel names
// "icon", "shortcut icon" or "apple-touch-icon", with its href resolved against
// Base (and the page's <base href>), the first MaxIconPageLinks different ones
// in this order: "icon" ones before the others, and within each, data: URIs and
// the page's own host (HttpHostKey of Base) before other hosts.
QList<TIconPageLink> IconFetchPageLinks(QByteArrayView Html, const QUrl& Base);

// The addresses of the entries at these indexes that have no icon.
QStringList IconFetchUrlsOf(const TWebSiteList& List, const std::vector<qsizetype>& Indexes);
// Gives every entry at these indexes that has no icon its host's icon; the
// indexes of the entries given one.
std::vector<qsizetype> IconFetchAssign(TWebSiteList& List, const std::vector<qsizetype>& Indexes,
                                       const TIconFetcher& Fetcher);
