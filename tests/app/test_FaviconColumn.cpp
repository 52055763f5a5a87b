// The Title column's favicons: decoded from the stored bytes at 16 and 32 px,
// the globe for entries without a usable icon, nothing in the other columns.

#include <support/uTestApplication.h>

#include <app/uFaviconCache.h>
#include <app/uWebSiteTableModel.h>
#include <model/uWebSiteList.h>

#include <QBuffer>
#include <QIcon>
#include <QImage>

#include <gtest/gtest.h>

namespace {

// An image file of a plain colour, as the given format writes it.
QByteArray ColourImage(const char* Format, QColor Colour, int Size)
{
    QImage image(Size, Size, QImage::Format_ARGB32);
    image.fill(Colour);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, Format);
    return buffer.data();
}

QRgb Centre(const QIcon& Icon, int Size)
{
    const QImage image = Icon.pixmap(QSize(Size, Size), 1.0).toImage();
    EXPECT_EQ(image.size(), QSize(Size, Size));
    return image.pixel(Size / 2, Size / 2);
}

TWebSite Site(const char* URL, TIconId Icon)
{
    TWebSite s;
    s.URL = QString::fromLatin1(URL);
    s.Title = s.URL;
    s.Visible = true;
    s.IconId = Icon;
    return s;
}

} // namespace

TEST(FaviconColumn, DecodedAtBothSizesForEveryFormatQtReads)
{
    EnsureTestApplication();
    // Qt writes no GIF: a one-pixel red one by hand.
    const QByteArray gif(
        "GIF89a\x01\0\x01\0\x80\0\0\xff\0\0\0\0\0,\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0;", 35);
    for (const char* format : {"PNG", "ICO", "GIF", "JPEG"}) {
        SCOPED_TRACE(format);
        const QByteArray bytes =
            QByteArrayView(format) == "GIF" ? gif : ColourImage(format, QColor(220, 20, 20), 48);
        const TIconId id = WebSiteIcons().AddBytes({}, bytes);
        ASSERT_NE(id, 0u);
        const QIcon icon = TFaviconCache::Decode(WebSiteIcons().Bytes(id));
        ASSERT_FALSE(icon.isNull());
        for (const int size : {16, 32}) {
            const QColor c = QColor::fromRgba(Centre(icon, size));
            EXPECT_GT(c.red(), 180);
            EXPECT_LT(c.green(), 60);
        }
    }
    // A PNG signature over bytes that are no picture decodes to nothing.
    EXPECT_TRUE(
        TFaviconCache::Decode(QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(100, 'x')).isNull());
}

// Sites serve SVG icons too; they are drawn by Qt's SVG image plugin, which the
// program's package depends on (without it every SVG icon would be the globe).
TEST(FaviconColumn, SvgIconsAreDrawnAtBothSizes)
{
    EnsureTestApplication();
    const TIconId id = WebSiteIcons().AddBytes(
        {}, "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 10 10\">"
            "<rect width=\"10\" height=\"10\" fill=\"#dc1414\"/></svg>");
    ASSERT_NE(id, 0u);
    const QIcon icon = TFaviconCache::Decode(WebSiteIcons().Bytes(id));
    ASSERT_FALSE(icon.isNull()) << "the Qt SVG image plugin (libqt6svg6) is missing";
    for (const int size : {16, 32}) {
        const QColor c = QColor::fromRgba(Centre(icon, size));
        EXPECT_GT(c.red(), 180);
        EXPECT_LT(c.green(), 60);
    }
}

TEST(FaviconColumn, TitleColumnShowsTheIconOrTheGlobe)
{
    EnsureTestApplication();
    TWebSiteList list;
    const TIconId blue = WebSiteIcons().AddBytes({}, ColourImage("PNG", QColor(20, 20, 230), 16));
    const TIconId broken =
        WebSiteIcons().AddBytes({}, QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(64, 'y'));
    list.Append(Site("https://blue.example/", blue));
    list.Append(Site("https://none.example/", 0));
    list.Append(Site("https://broken.example/", broken));
    TWebSiteTableModel model(list);
    model.SetRowCount(3);
    const auto iconAt = [&](int row, int column) {
        return model.data(model.index(row, column), Qt::DecorationRole);
    };
    const QVariant first = iconAt(0, 0);
    ASSERT_TRUE(first.canConvert<QIcon>());
    const QColor c = QColor::fromRgba(Centre(first.value<QIcon>(), 16));
    EXPECT_GT(c.blue(), 180);
    EXPECT_LT(c.red(), 60);

    TFaviconCache cache;
    const QImage globe = cache.Globe().pixmap(QSize(16, 16), 1.0).toImage();
    ASSERT_FALSE(globe.isNull());
    EXPECT_EQ(iconAt(1, 0).value<QIcon>().pixmap(QSize(16, 16), 1.0).toImage(), globe);
    EXPECT_EQ(iconAt(2, 0).value<QIcon>().pixmap(QSize(16, 16), 1.0).toImage(), globe);
    // 2x screens take the picture drawn at twice the size, not the 1x one scaled up.
    const QImage globe2x = cache.Globe().pixmap(QSize(16, 16), 2.0).toImage();
    EXPECT_EQ(globe2x.size(), QSize(32, 32));
    EXPECT_NE(globe2x, globe.scaled(32, 32));
    for (int column = 1; column < 4; ++column)
        EXPECT_FALSE(iconAt(0, column).isValid());
}
