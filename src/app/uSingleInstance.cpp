#include "uSingleInstance.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#include <utility>

namespace {

// The first bytes of a hand-over, so that a stray connection is not taken for one.
constexpr quint32 HandOverMagic = 0x5A4F5256; // "ZORV"
const QByteArray HandOverAnswer = QByteArrayLiteral("OK\n");

QString UserName()
{
    QString Name = qEnvironmentVariable("USER");
    if (Name.isEmpty())
        Name = qEnvironmentVariable("USERNAME");
    return Name;
}

} // namespace

TSingleInstance::TSingleInstance(const QString& DataDir, QObject* Parent)
    : QObject(Parent), FLockFileName(QDir(DataDir).filePath(QStringLiteral("zorvel.lock"))),
      FServerName(ServerNameFor(DataDir))
{
}

TSingleInstance::~TSingleInstance()
{
    if (FServer)
        FServer->close();
    if (FLock)
        FLock->unlock();
}

QString TSingleInstance::ServerNameFor(const QString& DataDir)
{
    QString Canonical = QFileInfo(DataDir).canonicalFilePath();
    if (Canonical.isEmpty())
        Canonical = QDir::cleanPath(QFileInfo(DataDir).absoluteFilePath());
#ifdef Q_OS_WIN
    Canonical = Canonical.toLower();
#endif
    const QByteArray Hash = QCryptographicHash::hash((UserName() + u'\n' + Canonical).toUtf8(),
                                                     QCryptographicHash::Sha256);
    return QStringLiteral("zorvel-") + QString::fromLatin1(Hash.toHex().left(24));
}

TSingleInstance::TStart TSingleInstance::Start(const QStringList& Paths, int TimeoutMs,
                                               int EndingWaitMs)
{
    FLock = std::make_unique<QLockFile>(FLockFileName);
    // A lock is stale only when its program is gone, never by its age: a program may
    // run for weeks.
    FLock->setStaleLockTime(0);
    // A holder that listens must answer within TimeoutMs. One that does not listen
    // is just starting (for a moment) or writing its files at exit, which takes
    // seconds for a large list: this start waits for its lock, as it would otherwise
    // read the base file before the holder has finished writing it.
    QDeadlineTimer Deadline(TimeoutMs);
    const QDeadlineTimer EndingDeadline(qMax(TimeoutMs, EndingWaitMs));
    for (;;) {
        if (FLock->tryLock(0)) {
            Listen();
            return First;
        }
        if (FLock->error() != QLockFile::LockFailedError)
            return Unlocked;
        const int Left = int(qMax<qint64>(0, Deadline.remainingTime()));
        switch (HandOver(Paths, qMin(Left, 1000))) {
        case Taken:
            return HandedOver;
        case NoListener:
            // The answer time counts from when it listens again.
            Deadline.setRemainingTime(TimeoutMs);
            if (EndingDeadline.hasExpired())
                return NotAnswering;
            break;
        case NoAnswer:
            if (Deadline.hasExpired())
                return NotAnswering;
            break;
        }
        QThread::msleep(100);
    }
}

bool TSingleInstance::Listen()
{
    FServer = new QLocalServer(this);
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket left under this name is from a program that crashed.
    QLocalServer::removeServer(FServerName);
    connect(FServer, &QLocalServer::newConnection, this, &TSingleInstance::OnNewConnection);
    return FServer->listen(FServerName);
}

void TSingleInstance::StopListening()
{
    if (FServer) {
        FServer->close();
        delete std::exchange(FServer, nullptr);
    }
}

TSingleInstance::THandOver TSingleInstance::HandOver(const QStringList& Paths, int TimeoutMs)
{
    QDeadlineTimer Deadline(TimeoutMs);
    QLocalSocket Socket;
    Socket.connectToServer(FServerName);
    if (!Socket.waitForConnected(int(Deadline.remainingTime())))
        return Socket.error() == QLocalSocket::SocketTimeoutError ? NoAnswer : NoListener;
    QByteArray Message;
    QDataStream Out(&Message, QIODevice::WriteOnly);
    Out << HandOverMagic << Paths;
    Socket.write(Message);
    QByteArray Answer;
    while (Answer.size() < HandOverAnswer.size() && !Deadline.hasExpired()) {
        if (Socket.bytesToWrite() > 0)
            Socket.waitForBytesWritten(int(Deadline.remainingTime()));
        else if (!Socket.waitForReadyRead(int(Deadline.remainingTime())))
            break;
        Answer += Socket.readAll();
    }
    return Answer.startsWith(HandOverAnswer) ? Taken : NoAnswer;
}

void TSingleInstance::OnNewConnection()
{
    while (QLocalSocket* Socket = FServer->nextPendingConnection()) {
        connect(Socket, &QLocalSocket::disconnected, Socket, &QObject::deleteLater);
        auto* In = new QDataStream(Socket);
        connect(Socket, &QObject::destroyed, this, [In] { delete In; });
        connect(Socket, &QLocalSocket::readyRead, this, [this, Socket, In] {
            In->startTransaction();
            quint32 Magic = 0;
            QStringList Paths;
            *In >> Magic >> Paths;
            if (!In->commitTransaction())
                return; // not all there yet
            if (Magic != HandOverMagic) {
                Socket->abort();
                return;
            }
            Socket->write(HandOverAnswer);
            Socket->flush();
            Socket->disconnectFromServer();
            Q_EMIT PathsReceived(Paths);
        });
    }
}
