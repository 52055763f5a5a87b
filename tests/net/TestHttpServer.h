#pragma once
// A tiny HTTP/1.1 server on 127.0.0.1 for the icon-fetch tests: fixed answers per
// path, optional delay, servers that never answer, and counts of what was asked
// (requests per path, the most requests open at once across servers that share
// one TServerStats). One request per connection; runs in the test's event loop.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <memory>

struct TServerStats
{
    int Requests = 0;
    int Open = 0; // requests read and not yet answered or dropped
    int MaxOpen = 0;
    int Dropped = 0; // connections the client closed before an answer
    QList<QByteArray> Paths;
};

struct TRoute
{
    TRoute(int Status_ = 200, QByteArray Type_ = "application/octet-stream", QByteArray Body_ = {},
           QByteArray Location_ = {})
        : Status(Status_), Type(std::move(Type_)), Body(std::move(Body_)),
          Location(std::move(Location_))
    {
    }
    int Status = 200;
    QByteArray Type = "application/octet-stream";
    QByteArray Body;
    QByteArray Location;   // for redirects
    bool Hang = false;     // never answer
    bool NoLength = false; // no Content-Length: the body runs to the connection's end
};

class TTestHttpServer : public QObject
{
public:
    explicit TTestHttpServer(std::shared_ptr<TServerStats> Stats = std::make_shared<TServerStats>())
        : FStats(std::move(Stats))
    {
        QObject::connect(&FServer, &QTcpServer::newConnection, this, [this] { Accept(); });
        FServer.listen(QHostAddress::LocalHost, 0);
    }

    void Route(const QByteArray& Path, TRoute R) { FRoutes[Path] = std::move(R); }
    // Answers every path not routed; 404 unless set.
    TRoute Fallback{404, "text/html", "<html><body>not found</body></html>"};
    int DelayMs = 0;

    quint16 Port() const { return FServer.serverPort(); }
    QByteArray Origin() const { return "http://127.0.0.1:" + QByteArray::number(Port()); }
    TServerStats& Stats() { return *FStats; }
    int Count(const QByteArray& Path) const { return int(FStats->Paths.count(Path)); }

private:
    void Accept()
    {
        while (QTcpSocket* s = FServer.nextPendingConnection()) {
            s->setParent(this);
            auto* buffer = new QByteArray;
            auto* answered = new bool(false);
            auto* counted = new bool(false);
            QObject::connect(s, &QTcpSocket::readyRead, this, [this, s, buffer, answered, counted] {
                *buffer += s->readAll();
                if (*counted || !buffer->contains("\r\n\r\n"))
                    return;
                *counted = true;
                const QList<QByteArray> first = buffer->left(buffer->indexOf("\r\n")).split(' ');
                const QByteArray path = first.size() > 1 ? first[1] : QByteArray();
                ++FStats->Requests;
                FStats->Paths << path;
                FStats->MaxOpen = std::max(FStats->MaxOpen, ++FStats->Open);
                const TRoute route = FRoutes.value(path, Fallback);
                if (route.Hang)
                    return;
                QTimer::singleShot(DelayMs, s, [this, s, route, answered] {
                    if (s->state() != QAbstractSocket::ConnectedState)
                        return;
                    *answered = true;
                    --FStats->Open;
                    QByteArray head = "HTTP/1.1 " + QByteArray::number(route.Status) + " X\r\n";
                    head += "Content-Type: " + route.Type + "\r\n";
                    if (!route.Location.isEmpty())
                        head += "Location: " + route.Location + "\r\n";
                    if (!route.NoLength)
                        head += "Content-Length: " + QByteArray::number(route.Body.size()) + "\r\n";
                    head += "Connection: close\r\n\r\n";
                    s->write(head + route.Body);
                    s->disconnectFromHost();
                });
            });
            QObject::connect(s, &QTcpSocket::disconnected, this,
                             [this, s, buffer, answered, counted] {
                                 if (*counted && !*answered) {
                                     --FStats->Open;
                                     ++FStats->Dropped;
                                 }
                                 delete buffer;
                                 delete answered;
                                 delete counted;
                                 s->deleteLater();
                             });
        }
    }

    QTcpServer FServer;
    QMap<QByteArray, TRoute> FRoutes;
    std::shared_ptr<TServerStats> FStats;
};
