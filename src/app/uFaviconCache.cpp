#include "uFaviconCache.h"

#include <resources/uResources.h>

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>

namespace {

// The frame of an icon file that best fits Size pixels: the smallest one at
// least that large, or else the largest (an .ico holds several).
QImage BestFrame(const QList<QImage>& Frames, int Size)
{
    QImage best;
    for (const QImage& f : Frames) {
        const int s = qMax(f.width(), f.height());
        const int b = best.isNull() ? 0 : qMax(best.width(), best.height());
        if (best.isNull() || (s >= Size && (b < Size || s < b)) || (b < Size && s > b))
            best = f;
    }
    return best;
}

QPixmap SquarePixmap(const QImage& Frame, int Size)
{
    QImage scaled = Frame.width() == Size && Frame.height() == Size
                        ? Frame
                        : Frame.scaled(Size, Size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (scaled.width() != Size || scaled.height() != Size) {
        // Not square: centred on a transparent square, so the titles stay aligned.
        QImage square(Size, Size, QImage::Format_ARGB32_Premultiplied);
        square.fill(Qt::transparent);
        QPainter painter(&square);
        painter.drawImage((Size - scaled.width()) / 2, (Size - scaled.height()) / 2, scaled);
        painter.end();
        scaled = square;
    }
    return QPixmap::fromImage(scaled);
}

} // namespace

QIcon TFaviconCache::Decode(const QByteArray& Bytes)
{
    QBuffer buffer;
    buffer.setData(Bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    // Favicons are small; a header that claims more is not decoded at all.
    reader.setAllocationLimit(16);
    QList<QImage> frames;
    for (int i = 0; i < 16; ++i) {
        QImage frame;
        if (!reader.read(&frame) || frame.isNull())
            break;
        frames.append(frame);
        if (!reader.jumpToNextImage())
            break;
    }
    if (frames.isEmpty())
        return {};
    QIcon icon;
    for (const int size : {16, 32})
        icon.addPixmap(SquarePixmap(BestFrame(frames, size), size));
    return icon;
}

QIcon TFaviconCache::Globe()
{
    if (FGlobe.isNull()) {
        InitResources();
        FGlobe.addFile(QStringLiteral(":/rcdata/GLOBE"));
        FGlobe.addFile(QStringLiteral(":/rcdata/") + DoubleSizeName(QStringLiteral("GLOBE")));
    }
    return FGlobe;
}

QIcon TFaviconCache::Icon(TIconId Id)
{
    if (Id == 0)
        return Globe();
    if (const QIcon* cached = FIcons.object(Id))
        return *cached;
    QIcon icon = Decode(WebSiteIcons().Bytes(Id));
    if (icon.isNull())
        icon = Globe(); // kept too, so bad bytes are tried once
    FIcons.insert(Id, new QIcon(icon));
    return icon;
}
