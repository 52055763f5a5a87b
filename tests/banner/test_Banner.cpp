#include <banner/uBanner.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QUrl>

#include <gtest/gtest.h>
#include <support/uTestApplication.h>

#include <set>

using namespace Qt::StringLiterals;

namespace {

// The tests below draw without setting anything up: the application is made first.
class TApplicationFirst : public ::testing::Environment
{
    void SetUp() override { EnsureTestApplication(); }
};
[[maybe_unused]] auto* const ApplicationFirst =
    ::testing::AddGlobalTestEnvironment(new TApplicationFirst);

// The same resource decoded by Qt's own PNG reader, as opaque RGB.
QImage ReferencePicture(int index)
{
    // Loading through the banner library first registers the resources.
    (void)BannerPicture(0);
    QImage ref(u":/rcdata/BANNER"_s + QString::number(index), "PNG");
    return ref.convertToFormat(QImage::Format_RGB32);
}

TEST(Banner, PicturesMatchTheResourcesPixelForPixel)
{
    for (int i = 0; i < BannerCount; ++i) {
        const QImage pic = BannerPicture(i);
        ASSERT_EQ(pic.size(), QSize(BannerWidth, BannerHeight)) << i;
        const QImage ref = ReferencePicture(i);
        ASSERT_EQ(ref.size(), pic.size()) << i;
        // BANNER3 is a palette picture, the others truecolour: both paths must agree with Qt.
        EXPECT_EQ(pic.convertToFormat(QImage::Format_RGB32), ref) << i;
    }
    EXPECT_TRUE(BannerPicture(7).isNull());
    EXPECT_TRUE(BannerPicture(-1).isNull());
}

TEST(Banner, RotatesInOrderAndWraps)
{
    int Index = -1;
    EXPECT_TRUE(BannerURL(Index).isEmpty()); // nothing shown yet
    QLabel image;
    const int expected[] = {0, 1, 2, 3, 0, 1, 2, 3, 0};
    for (int want : expected) {
        ShowNextBanner(&image, Index);
        EXPECT_EQ(Index, want);
        EXPECT_EQ(BannerURL(Index), BannerURLs[std::size_t(want)]);
        const QPixmap pixmap = image.pixmap();
        if (image.devicePixelRatioF() > 1.0) {
            // High-DPI run (QT_SCALE_FACTOR=2): the twice-as-large drawing, same logical size.
            EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), QSize(BannerWidth, BannerHeight));
            EXPECT_EQ(pixmap.size(), QSize(2 * BannerWidth, 2 * BannerHeight));
        } else {
            const QImage shown = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
            EXPECT_EQ(shown, ReferencePicture(want)) << "tick showing " << want;
        }
    }
    // The picture alone advances too (for callers without a label).
    Index = 3;
    EXPECT_EQ(NextBannerPicture(Index).convertToFormat(QImage::Format_RGB32), ReferencePicture(0));
    EXPECT_EQ(Index, 0);
}

TEST(Banner, AddressesArePlainDistinctWebPages)
{
    std::set<QString> seen;
    for (const QString& url : BannerURLs) {
        const QUrl u(url, QUrl::StrictMode);
        EXPECT_TRUE(u.isValid()) << url.toStdString();
        EXPECT_EQ(u.scheme(), u"https"_s) << url.toStdString();
        seen.insert(url);
    }
    EXPECT_EQ(seen.size(), BannerURLs.size());
}

TEST(Banner, CentringRoundsHalvesToEven)
{
    const struct
    {
        int panel, left;
    } cases[] = {{761, 80}, {762, 81}, {763, 82}, {600, 0},   {601, 0}, {603, 2},
                 {599, 0},  {598, -1}, {597, -2}, {500, -50}, {0, -300}};
    for (const auto& c : cases)
        EXPECT_EQ(BannerLeft(c.panel), c.left) << c.panel;
    EXPECT_EQ(BannerLeft(761, 601), 80);
}

} // namespace
