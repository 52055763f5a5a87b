#pragma once
// One program per data folder. Two programs on the same folder would each write
// their own list over the other's at exit, so the first one holds a lock file in
// the data folder and listens on a local socket named after that folder; a second
// start on the same folder hands its command-line paths to the first one (which
// adds them like dropped files and comes to the front) and ends. The lock of a
// program that crashed is stale: the next start takes it over.

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLocalServer;
class QLockFile;

class TSingleInstance : public QObject
{
    Q_OBJECT
public:
    enum TStart
    {
        First,        // this program holds the lock and takes hand-overs
        HandedOver,   // another program holds it and has taken the paths: end now
        NotAnswering, // another program holds it but did not take the paths in time
        Unlocked      // no lock could be made in the folder (read-only): runs on its own
    };

    explicit TSingleInstance(const QString& DataDir, QObject* Parent = nullptr);
    ~TSingleInstance() override;

    // Takes the lock, or hands Paths to the program that holds it, waiting at most
    // TimeoutMs for it to answer. A holder that no longer listens is writing its
    // files at exit: its lock is waited for, at most EndingWaitMs. Call once.
    TStart Start(const QStringList& Paths, int TimeoutMs = 5000, int EndingWaitMs = 60000);
    // Takes no more hand-overs (the program is ending); the lock stays until this
    // object goes, so that a new start waits for the writes at exit.
    void StopListening();

    QString LockFileName() const { return FLockFileName; }
    QString ServerName() const { return FServerName; }
    // The local socket's name for a data folder: the same for every spelling of the
    // folder's path, different per user.
    static QString ServerNameFor(const QString& DataDir);

Q_SIGNALS:
    // A second start on the same data folder handed these paths over (maybe none:
    // then it only asks this program to come to the front).
    void PathsReceived(const QStringList& Paths);

private:
    bool Listen();
    enum THandOver
    {
        Taken,
        NoListener,
        NoAnswer
    };
    THandOver HandOver(const QStringList& Paths, int TimeoutMs);
    void OnNewConnection();

    QString FLockFileName;
    QString FServerName;
    std::unique_ptr<QLockFile> FLock;
    QLocalServer* FServer = nullptr;
};
