#pragma once
// Checking which bookmarks still work. Only run when the user asks for it (a
// command of the window, zorvel-cli check-links).
//
// One GET per address through THttpClient (redirects followed, only the page's head
// read), then a verdict: ok, moved (only permanent redirects, to a new address),
// gone, server-error, blocked, unreachable or parked (a page that says its domain
// is for sale, or a redirect to a parking host). A failure is asked once more at
// the end of the pass before it is reported, so that a site busy for a moment is
// not called dead. The page's title comes back too, for entries that have none, and
// when asked, the host's icon: found from the page just read (TIconFetcher on the
// same client), so that a bookmark's site is not asked for its page twice.
//
// QtCore and QtNetwork only; runs in the calling thread's event loop.

#include <model/uDateTime.h>
#include <model/uLinkStatus.h>
#include <net/uHttpClient.h>
#include <net/uIconFetch.h>

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

class TWebSiteList;
struct TWebSiteExtrasData;

struct TLinkCheckOptions
{
    THttpClientOptions Http;
    qint64 MaxPageBytes = 512 * 1024; // read of a page, when its head runs longer
    bool RetryFailures = true;        // ask failures once more at the end
    TIconFetchOptions Icons;          // when icons are asked for too
};

struct TLinkResult
{
    TLinkStatus Status = TLinkStatus::None;
    int Http = 0;     // the last answer's status; 0 when none came
    QString FinalUrl; // moved: the new address; else where redirects ended, if elsewhere
    QString Title;    // of the bookmarked page itself (2xx, no redirect to another
                      // page, or moved), blanks collapsed; empty otherwise
    QString Detail;   // why, for every verdict but ok: the failure, the status and
                      // the redirect chain it rests on
};

// The verdict on one answer, with the page's title.
TLinkResult LinkCheckVerdict(const THttpResult& Result);
// The page's <title>, decoded with the charset of the BOM, the header or the
// page's <meta> (in that order, as browsers decide), references decoded, control
// characters dropped, blanks collapsed, cut to 1,000 characters.
QString LinkCheckPageTitle(QByteArrayView Body, QByteArrayView ContentType);
// The encoding the BOM, the header or the <meta> names, by the label table's name
// ("UTF-8", "windows-1254"); a <meta> UTF-16 label means UTF-8. Empty if none.
QByteArray LinkCheckCharset(QByteArrayView Body, QByteArrayView ContentType);
// Why this head and title of a page of Host say the domain is parked or for sale
// (a parking service's script, words that speak of a domain, or this domain's
// name for sale; never "for sale" alone); empty when they do not.
QString LinkCheckParkedReason(QByteArrayView Head, const QString& Title, const QString& Host);
bool LinkCheckIsParkedPage(QByteArrayView Head, const QString& Title, const QString& Host);
// Does a page's title say the page is not found (in the common languages)?
bool LinkCheckSaysNotFound(const QString& Title);
// "HTTP 404 not found": a status with its words.
QString LinkCheckHttpText(int Status);
// Is this host one of the parking and domain-sale services?
bool LinkCheckIsParkingHost(const QString& Host);

class TLinkChecker : public QObject
{
    Q_OBJECT

public:
    explicit TLinkChecker(TLinkCheckOptions Options = {}, QObject* Parent = nullptr);
    ~TLinkChecker() override;

    // Checks these addresses (others than http and https are passed over: their
    // result stays None); each distinct address once. Finished is emitted when all
    // are done, also when there are none. The hosts of the addresses whose WantsIcon
    // is true (by index of Urls) get their icon looked for as well, starting from the
    // first page of the host that answered; see Icons.
    void Start(const QStringList& Urls, const std::vector<bool>& WantsIcon = {});
    // Stops asking; the results so far stay. Finished is emitted at once.
    void Cancel();

    bool IsRunning() const { return FRunning; }
    bool WasCancelled() const { return FCancelled; }
    int Total() const { return int(FSlots.size()); } // distinct addresses asked
    int DoneCount() const { return FDone; }          // addresses with their final result
    // The failures of the first pass asked again at its end, and those answered.
    int RetryTotal() const { return FRetryTotal; }
    int RetryDone() const { return FRetryDone; }
    int Answered() const { return FAnswered; }
    // Once nothing is left to start, what the check still waits for ("waiting for
    // 127.0.0.9: 5 addresses, no answer yet"); empty while requests are queued.
    QString WaitingText() const;

    // The result for the address at this index of Start's list.
    const TLinkResult& Result(qsizetype Index) const;
    // The count of results of each status.
    std::vector<int> StatusCounts() const;
    // The icons found (IconFetchAssign gives them to the entries).
    const TIconFetcher& Icons() const { return *FIcons; }

Q_SIGNALS:
    // Answered: the addresses that have had their first answer (a failure to be
    // asked again at the end counts then); Host: the one asked last. Also emitted
    // as the failures asked again are answered (RetryDone).
    void Progress(int Answered, int Total, const QString& Host);
    // The icon search, when asked for: hosts done of those added so far.
    void IconProgress(int Done, int Total);
    // The address at Index (of Start's list; and every other index with the same
    // address) has its final result.
    void Checked(qsizetype Index);
    void Finished();

private:
    struct TSlot
    {
        QString Url;
        qsizetype FirstIndex = -1;
        TLinkResult Result;
        bool Retried = false;
    };
    void Ask(int Slot);
    void OnAnswer(int Slot, const THttpResult& Answer);
    void Settle(int Slot, TLinkResult Result);
    void FindIcon(int Slot, const THttpResult& Answer, TLinkStatus Verdict);
    void FinishIfDone();

    TLinkCheckOptions FOptions;
    THttpClient* FClient = nullptr;
    TIconFetcher* FIcons = nullptr;
    // Per host whose icon is wanted: the slots of the first pass still to answer;
    // the icon search starts at the first page that answers, or with /favicon.ico
    // once the last one has failed.
    QHash<QString, int> FIconHostLeft;
    bool FIconsOpen = false;
    std::vector<TSlot> FSlots;
    std::vector<int> FSlotOf; // per index of Start's list, -1 when not asked
    std::vector<int> FRetry;  // failures of the first pass
    int FPending = 0;
    int FDone = 0;
    int FAnswered = 0;
    int FRetryTotal = 0;
    int FRetryDone = 0;
    bool FRunning = false;
    bool FCancelled = false;
    QString FHost;
};

// The addresses of the entries at these indexes (in that order).
QStringList LinkCheckUrlsOf(const TWebSiteList& List, const std::vector<qsizetype>& Indexes);
// For Start's WantsIcon: whether each entry at these indexes lacks an icon.
std::vector<bool> LinkCheckWantsIconOf(const TWebSiteList& List,
                                       const std::vector<qsizetype>& Indexes);
// Keeps the checker's results on the entries at these indexes (Indexes[k] took
// address k of Start's list) with the time of the check, and gives a 2xx page's
// title to an entry whose title is empty or its address. Returns the indexes of
// the entries whose title was filled. Entries not checked keep what they had.
std::vector<qsizetype> LinkCheckApply(TWebSiteList& List, const std::vector<qsizetype>& Indexes,
                                      const TLinkChecker& Checker, TDateTime When);
// The verdicts for which an archived copy is worth looking for: gone, soft-404,
// parked, unreachable.
bool LinkCheckWantsArchive(TLinkStatus Status);
// A failing verdict: all but none, ok and moved.
bool LinkStatusIsFailure(TLinkStatus Status);
// Keeps one check's result in an entry's extras: the verdict, its reason, and the
// failures in a row with the first of them (an ok or moved verdict ends the row).
void LinkCheckRecord(TWebSiteExtrasData& X, const TLinkResult& R, TDateTime When);
// Whether an entry's title counts as missing.
bool LinkCheckTitleIsMissing(const QString& Title, const QString& Url);
