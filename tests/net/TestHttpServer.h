#pragma once
// A tiny HTTP/1.1 server on a loopback address (127.0.0.1 unless given; 127.0.0.x
// stand for several hosts) for the icon-fetch and link-check tests: fixed answers
// per path or a sequence of them, extra headers, optional delay, servers that never
// answer, bodies made as they are sent (a page of many megabytes), and counts of
// what was asked (requests and methods per path, the most requests open at once
// across servers that share one TServerStats, the bytes sent). One request per
// connection; runs in the test's event loop.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <memory>

struct TServerStats
{
    int Requests = 0;
    int Open = 0; // requests read and not yet answered or dropped
    int MaxOpen = 0;
    int Dropped = 0; // connections the client closed before an answer
    QList<QByteArray> Paths;
    QList<QByteArray> Methods;
    qint64 BytesSent = 0; // of bodies made as they are sent
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
    QByteArray Location;       // for redirects
    bool Hang = false;         // never answer
    bool NoLength = false;     // no Content-Length: the body runs to the connection's end
    QList<QByteArray> Headers; // more header lines, "Name: value"
    qint64 MadeBytes = 0;      // this many bytes of filler follow Body, made as sent;
                               // negative: without end
    bool Chunked = false;      // the filler in chunks (Transfer-Encoding: chunked)
    int DelayMs = -1;          // this answer's delay; the server's when negative
    bool RefuseHead = false;   // 405 to a HEAD request, as some servers do
};

class TTestHttpServer : public QObject
{
public:
    explicit TTestHttpServer(std::shared_ptr<TServerStats> Stats = std::make_shared<TServerStats>(),
                             const QHostAddress& Address = QHostAddress::LocalHost)
        : FStats(std::move(Stats))
    {
        QObject::connect(&FServer, &QTcpServer::newConnection, this, [this] { Accept(); });
        FServer.listen(Address, 0);
    }

    void Route(const QByteArray& Path, TRoute R) { FRoutes[Path] = std::move(R); }
    // The n-th request of the path gets the n-th answer; the last one repeats.
    void RouteSequence(const QByteArray& Path, QList<TRoute> Answers)
    {
        FSequences[Path] = std::move(Answers);
    }
    // Answers every path not routed; 404 unless set.
    TRoute Fallback{404, "text/html", "<html><body>not found</body></html>"};
    int DelayMs = 0;

    quint16 Port() const { return FServer.serverPort(); }
    QByteArray Origin() const
    {
        return "http://" + FServer.serverAddress().toString().toLatin1() + ":"
               + QByteArray::number(Port());
    }
    TServerStats& Stats() { return *FStats; }
    int Count(const QByteArray& Path) const { return int(FStats->Paths.count(Path)); }

private:
    void Accept()
    {
        while (QTcpSocket* s = FServer.nextPendingConnection()) {
            s->setParent(this);
            // Freed with the socket's connections, also when a test ends with it open.
            struct TConnection
            {
                QByteArray Buffer;
                bool Answered = false;
                bool Counted = false;
            };
            auto c = std::make_shared<TConnection>();
            QObject::connect(s, &QTcpSocket::readyRead, this, [this, s, c] {
                c->Buffer += s->readAll();
                if (c->Counted || !c->Buffer.contains("\r\n\r\n"))
                    return;
                c->Counted = true;
                const QList<QByteArray> first =
                    c->Buffer.left(c->Buffer.indexOf("\r\n")).split(' ');
                const QByteArray path = first.size() > 1 ? first[1] : QByteArray();
                ++FStats->Requests;
                FStats->Paths << path;
                FStats->Methods << first.value(0);
                FStats->MaxOpen = std::max(FStats->MaxOpen, ++FStats->Open);
                TRoute route = FRoutes.value(path, Fallback);
                if (const auto seq = FSequences.constFind(path); seq != FSequences.cend()) {
                    const int n = int(FStats->Paths.count(path)) - 1;
                    route = seq->value(std::min<qsizetype>(n, seq->size() - 1));
                }
                if (route.RefuseHead && first.value(0) == "HEAD")
                    route = TRoute(405, "text/html", "<title>Method Not Allowed</title>");
                if (route.Hang)
                    return;
                const int delay = route.DelayMs >= 0 ? route.DelayMs : DelayMs;
                QTimer::singleShot(delay, s, [this, s, route, c] {
                    if (s->state() != QAbstractSocket::ConnectedState)
                        return;
                    c->Answered = true;
                    --FStats->Open;
                    QByteArray head = "HTTP/1.1 " + QByteArray::number(route.Status) + " X\r\n";
                    head += "Content-Type: " + route.Type + "\r\n";
                    if (!route.Location.isEmpty())
                        head += "Location: " + route.Location + "\r\n";
                    for (const QByteArray& h : route.Headers)
                        head += h + "\r\n";
                    if (route.Chunked)
                        head += "Transfer-Encoding: chunked\r\n";
                    else if (!route.NoLength && route.MadeBytes >= 0)
                        head += "Content-Length: "
                                + QByteArray::number(route.Body.size() + route.MadeBytes) + "\r\n";
                    head += "Connection: close\r\n\r\n";
                    if (route.Chunked && !route.Body.isEmpty())
                        s->write(head + QByteArray::number(route.Body.size(), 16) + "\r\n"
                                 + route.Body + "\r\n");
                    else
                        s->write(head + route.Body);
                    if (route.MadeBytes != 0)
                        SendMade(s, route.MadeBytes, route.Chunked);
                    else
                        s->disconnectFromHost();
                });
            });
            QObject::connect(s, &QTcpSocket::disconnected, this, [this, s, c] {
                if (c->Counted && !c->Answered) {
                    --FStats->Open;
                    ++FStats->Dropped;
                }
                s->deleteLater();
            });
        }
    }

    // Filler written as the socket drains, so a large body never sits in memory.
    void SendMade(QTcpSocket* S, qint64 Total, bool Chunked)
    {
        auto left =
            std::make_shared<qint64>(Total < 0 ? std::numeric_limits<qint64>::max() : Total);
        auto more = [this, S, left, Chunked] {
            static const QByteArray chunk(64 * 1024, 'x');
            while (*left > 0 && S->bytesToWrite() < 256 * 1024
                   && S->state() == QAbstractSocket::ConnectedState) {
                const qint64 n = std::min<qint64>(*left, chunk.size());
                if (Chunked)
                    S->write(QByteArray::number(n, 16) + "\r\n");
                S->write(chunk.constData(), n);
                if (Chunked)
                    S->write("\r\n");
                *left -= n;
                FStats->BytesSent += n;
            }
            if (*left == 0) {
                if (Chunked)
                    S->write("0\r\n\r\n");
                S->disconnectFromHost();
            }
        };
        QObject::connect(S, &QTcpSocket::bytesWritten, S, more);
        more();
    }

    QTcpServer FServer;
    QMap<QByteArray, TRoute> FRoutes;
    QMap<QByteArray, QList<TRoute>> FSequences;
    std::shared_ptr<TServerStats> FStats;
};
