// The archived copies of pages that are gone, from an availability service.

#include <net/uArchiveLookup.h>

#include <QJsonDocument>
#include <QJsonObject>

QUrl ArchiveQueryUrl(const QUrl& Service, const QString& Url, TDateTime When)
{
    // Written by hand: the address goes whole, its own "&" and "=" encoded.
    QString query = Service.query(QUrl::FullyEncoded);
    if (!query.isEmpty())
        query += u'&';
    query += QStringLiteral("url=") + QString::fromLatin1(QUrl::toPercentEncoding(Url));
    if (When != TDateTime())
        query += QStringLiteral("&timestamp=")
                 + When.ToQDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
    QUrl out = Service;
    out.setQuery(query, QUrl::StrictMode);
    return out;
}

QString ArchiveCopyOfAnswer(QByteArrayView Json)
{
    const QJsonDocument doc = QJsonDocument::fromJson(Json.toByteArray());
    const QJsonObject closest = doc.object()
                                    .value(QStringLiteral("archived_snapshots"))
                                    .toObject()
                                    .value(QStringLiteral("closest"))
                                    .toObject();
    if (closest.isEmpty() || !closest.value(QStringLiteral("available")).toBool(true))
        return {};
    const QUrl url(closest.value(QStringLiteral("url")).toString());
    if (!url.isValid() || HttpHostKey(url).isEmpty())
        return {};
    return url.toString(QUrl::FullyEncoded);
}

TArchiveLookup::TArchiveLookup(QUrl Service, QObject* Parent)
    : QObject(Parent), FService(std::move(Service))
{
    THttpClientOptions options;
    options.MaxPerHost = 2; // one service: asked politely, one address after another
    FClient = new THttpClient(options, this);
}

TArchiveLookup::~TArchiveLookup()
{
    FClient->CancelAll();
}

void TArchiveLookup::Start(const QStringList& Urls, const std::vector<TDateTime>& Dates)
{
    FClient->CancelAll();
    FCopies.assign(size_t(Urls.size()), QString());
    FErrors.assign(size_t(Urls.size()), QString());
    FDone = 0;
    FRunning = true;
    for (qsizetype i = 0; i < Urls.size(); ++i) {
        THttpRequest request;
        request.Url = ArchiveQueryUrl(FService, Urls[i],
                                      size_t(i) < Dates.size() ? Dates[size_t(i)] : TDateTime());
        request.Accept = "application/json";
        request.MaxBytes = 64 * 1024;
        request.WholeOrNothing = true;
        FClient->Get(request, [this, i](const THttpResult& r) {
            if (r.Error == THttpError::None && r.Status >= 200 && r.Status < 300)
                FCopies[size_t(i)] = ArchiveCopyOfAnswer(r.Body);
            else
                FErrors[size_t(i)] =
                    r.Error != THttpError::None
                        ? r.ErrorText
                        : QStringLiteral("the archive answered HTTP %1").arg(r.Status);
            ++FDone;
            Q_EMIT Progress(FDone, Total());
            if (FDone == Total()) {
                FRunning = false;
                Q_EMIT Finished();
            }
        });
    }
    if (Urls.isEmpty()) {
        FRunning = false;
        Q_EMIT Finished();
    }
}

void TArchiveLookup::Cancel()
{
    if (!FRunning)
        return;
    FClient->CancelAll();
    FRunning = false;
    Q_EMIT Finished();
}

QString TArchiveLookup::CopyOf(qsizetype Index) const
{
    return Index >= 0 && size_t(Index) < FCopies.size() ? FCopies[size_t(Index)] : QString();
}

QString TArchiveLookup::ErrorOf(qsizetype Index) const
{
    return Index >= 0 && size_t(Index) < FErrors.size() ? FErrors[size_t(Index)] : QString();
}
