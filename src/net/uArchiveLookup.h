#pragma once
// Finding the archived copy of a page that is gone: one question per address to a
// web archive's availability service, in the form of the Internet Archive's
// "wayback/available" (SERVICE?url=ADDRESS&timestamp=YYYYMMDDhhmmss, answered with
// JSON whose archived_snapshots.closest names the copy nearest to that time). Only
// run when the user asks for it; the service's address is configurable, so that
// another archive (or a test's loopback fake) can answer.
//
// QtCore and QtNetwork only; runs in the calling thread's event loop.

#include <model/uDateTime.h>
#include <net/uHttpClient.h>

#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

inline constexpr const char* DefaultArchiveService = "https://archive.org/wayback/available";

// The question for one address, the copy nearest to When (none: the newest).
QUrl ArchiveQueryUrl(const QUrl& Service, const QString& Url, TDateTime When);
// The copy's address in the service's answer; empty when it names none (or is no
// such answer). Only http and https addresses are taken.
QString ArchiveCopyOfAnswer(QByteArrayView Json);

class TArchiveLookup : public QObject
{
    Q_OBJECT

public:
    explicit TArchiveLookup(QUrl Service = QUrl(QString::fromLatin1(DefaultArchiveService)),
                            QObject* Parent = nullptr);
    ~TArchiveLookup() override;

    // Asks for each address (Dates[k] the bookmark's date for Urls[k], or none);
    // Finished comes when all are answered, also when there are none.
    void Start(const QStringList& Urls, const std::vector<TDateTime>& Dates);
    void Cancel();

    bool IsRunning() const { return FRunning; }
    int Total() const { return int(FCopies.size()); }
    int DoneCount() const { return FDone; }
    // The archived copy for the address at this index of Start's list; empty if none.
    QString CopyOf(qsizetype Index) const;
    // Why the service gave no answer for an address, when it did not.
    QString ErrorOf(qsizetype Index) const;

Q_SIGNALS:
    void Progress(int Done, int Total);
    void Finished();

private:
    QUrl FService;
    THttpClient* FClient = nullptr;
    std::vector<QString> FCopies;
    std::vector<QString> FErrors;
    int FDone = 0;
    bool FRunning = false;
};
