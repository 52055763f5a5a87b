#include <banner/uBanner.h>

#include <imaging/uImageFile.h>
#include <resources/uResources.h>

#include <QLabel>
#include <QPixmap>

#include <cmath>
#include <cstring>

namespace {

// TImageFile keeps blue, green, red(, alpha) bytes with row 0 on top, which is
// QImage's 32-bit layout on little- and big-endian alike once read as bytes.
QImage ToQImage(const TBitmap& bmp)
{
    if (bmp.Empty())
        return {};
    const int w = bmp.Width();
    const int h = bmp.Height();
    if (bmp.PixelFormat() == pf24bit) {
        QImage img(w, h, QImage::Format_BGR888);
        for (int y = 0; y < h; ++y)
            std::memcpy(img.scanLine(y), bmp.ScanLine(y), bmp.RowBytes());
        return img.convertToFormat(QImage::Format_RGB32);
    }
    const QImage::Format format = bmp.AlphaFormat() == afDefined ? QImage::Format_ARGB32
                                  : bmp.AlphaFormat() == afPremultiplied
                                      ? QImage::Format_ARGB32_Premultiplied
                                      : QImage::Format_RGB32;
    QImage img(w, h, format);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = bmp.ScanLine(y);
        auto* dst = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x, src += 4) {
            const int a = format == QImage::Format_RGB32 ? 255 : src[3];
            dst[x] = qRgba(src[2], src[1], src[0], a);
        }
    }
    return img;
}

} // namespace

QImage BannerPicture(int index)
{
    InitResources();
    TImageFile bmp;
    // A failed load leaves the bitmap empty; that shows as an empty strip.
    bmp.LoadFromResource(QStringLiteral("BANNER") + QString::number(index));
    return ToQImage(bmp);
}

QImage NextBannerPicture(int& Index)
{
    Index = Index + 1;
    if (Index > BannerCount - 1 || Index < 0)
        Index = 0;
    return BannerPicture(Index);
}

void ShowNextBanner(QLabel* Image, int& Index)
{
    const QImage picture = NextBannerPicture(Index);
    if (!Image)
        return;
    QPixmap shown;
    if (!picture.isNull()) {
        shown = QPixmap::fromImage(picture);
        // On a high-DPI screen the twice-as-large drawing keeps the strip sharp; it
        // covers the same 600 x 64 logical pixels.
        if (TakesDoubleSize(Image->devicePixelRatioF())) {
            InitResources();
            TImageFile hi;
            if (hi.LoadFromResource(DoubleSizeName(QStringLiteral("BANNER%1").arg(Index)))) {
                const QImage large = ToQImage(hi);
                if (large.size() == picture.size() * 2) {
                    shown = QPixmap::fromImage(large);
                    shown.setDevicePixelRatio(2.0);
                }
            }
        }
    }
    Image->setPixmap(shown);
    Image->repaint();
}

QString BannerURL(int Index)
{
    if (Index < 0 || Index >= BannerCount)
        return {};
    return BannerURLs[std::size_t(Index)];
}

int BannerLeft(int panelWidth, int imageWidth)
{
    // Exact halves go to the even neighbour (the default rounding mode).
    return int(std::nearbyint((double(panelWidth) - double(imageWidth)) / 2.0));
}
