#include <controls/uTileButton.h>

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>

#include <gtest/gtest.h>
#include <support/uTestApplication.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The tests below draw without setting anything up: the application is made first.
class TApplicationFirst : public ::testing::Environment
{
    void SetUp() override { EnsureTestApplication(); }
};
[[maybe_unused]] auto* const ApplicationFirst =
    ::testing::AddGlobalTestEnvironment(new TApplicationFirst);

constexpr QRgb Sentinel = 0xFF123456;

QImage Render(TTileButton& btn)
{
    QImage img(btn.size(), QImage::Format_ARGB32);
    img.fill(Sentinel);
    btn.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

::testing::AssertionResult Near(QRgb got, int r, int g, int b, int tol = 1)
{
    if (std::abs(qRed(got) - r) <= tol && std::abs(qGreen(got) - g) <= tol
        && std::abs(qBlue(got) - b) <= tol)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got (" << qRed(got) << ", " << qGreen(got) << ", " << qBlue(got) << "), expected ("
           << r << ", " << g << ", " << b << ") +-" << tol;
}

::testing::AssertionResult Near(QRgb got, QRgb want, int tol = 1)
{
    return Near(got, qRed(want), qGreen(want), qBlue(want), tol);
}

// A pictogram whose alpha is 255 inside `ink` and 0 elsewhere.
QImage Pictogram(QSize size, QRect ink)
{
    QImage img(size, QImage::Format_ARGB32);
    img.fill(0);
    for (int y = ink.top(); y <= ink.bottom(); ++y)
        for (int x = ink.left(); x <= ink.right(); ++x)
            img.setPixel(x, y, qRgba(255, 255, 255, 255));
    return img;
}

// One channel of an opaque pictogram pixel: grey `ink` drawn over `bg` at 229/255.
int Layered(int bg, int ink)
{
    return int(std::lround(bg + (ink - bg) * 229.0 / 255.0));
}

void Send(QWidget& w, QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::LeftButton)
{
    const QPointF local(pos);
    const QPointF global = w.mapToGlobal(local);
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent ev(type, local, local, global, type == QEvent::MouseMove ? Qt::NoButton : button,
                   held, Qt::NoModifier);
    QApplication::sendEvent(&w, &ev);
}

void SendEnter(QWidget& w)
{
    QEnterEvent ev(QPointF(30, 30), QPointF(30, 30), w.mapToGlobal(QPointF(30, 30)));
    QApplication::sendEvent(&w, &ev);
}

void SendLeave(QWidget& w)
{
    QEvent ev(QEvent::Leave);
    QApplication::sendEvent(&w, &ev);
}

// ---------------------------------------------------------------------------
// Colour arithmetic

TEST(TileColours, LuminanceOfPrimaries)
{
    EXPECT_NEAR(ColorLuminance(0xFFFF0000), 76.22, 0.005);
    EXPECT_NEAR(ColorLuminance(0xFF0000FF), 29.19, 0.005);
    EXPECT_FLOAT_EQ(ColorLuminance(0xFFFFFFFF),
                    float(0.298912 * 255 + 0.586611 * 255 + 0.114478 * 255));
    // The four main-window tiles all count as dark.
    for (TAlphaColor c : {0xFF8CBF26u, 0xFF1BA1E2u, 0xFFE51400u, 0xFFF09609u})
        EXPECT_LT(ColorLuminance(c), DarkThreshold) << std::hex << c;
    EXPECT_GT(ColorLuminance(iOSBgColor), DarkThreshold);
}

TEST(TileColours, RoundToByteTiesToEvenAndClamps)
{
    const struct
    {
        double in;
        int out;
    } cases[] = {{0.5, 0},
                 {1.5, 2},
                 {2.5, 2},
                 {3.5, 4},
                 {126.4, 126},
                 {126.6, 127},
                 {254.5, 254},
                 {255.4, 255},
                 {255.5, 255},
                 {300, 255},
                 {-0.4, 0},
                 {-7, 0},
                 {std::numeric_limits<double>::quiet_NaN(), 0}};
    for (const auto& c : cases)
        EXPECT_EQ(RoundToByte(c.in), c.out) << c.in;
}

TEST(TileColours, HoverDarkenAndBlend)
{
    // Hover darkens tiles brighter than luminance 51 and brightens darker ones; alpha becomes
    // opaque.
    EXPECT_EQ(HoverColor(0xFF8CBF26), 0xFF7EAC22u); // (126, 172, 34)
    EXPECT_EQ(HoverColor(0x008CBF26), 0xFF7EAC22u);
    EXPECT_EQ(HoverColor(0xFFFFFFFF), 0xFFE6E6E6u);        // 229.5 goes to the even 230
    EXPECT_EQ(HoverColor(0xFF202020), 0xFF232323u);        // luminance 32: x 1.1
    EXPECT_EQ(HoverColor(0xFF0000FF), 0xFF000000u | 255u); // 255 x 1.1 clamps
    EXPECT_EQ(DarkenColor(0xFFFF6600), 0xFFE65C00u);
    EXPECT_EQ(DarkenColor(0x00FF00FF), 0xFFE600E6u);

    const struct
    {
        QRgb tile;
        QRgb target;
        QRgb want;
    } blends[] = {
        {qRgb(140, 191, 38), qRgb(255, 255, 255), qRgb(243, 248, 233)},
        {qRgb(27, 161, 226), qRgb(255, 255, 255), qRgb(232, 245, 252)},
        {qRgb(229, 20, 0), qRgb(255, 255, 255), qRgb(252, 231, 229)},
        {qRgb(240, 150, 9), qRgb(255, 255, 255), qRgb(253, 244, 230)},
        {qRgb(140, 191, 38), qRgb(0, 0, 0), qRgb(14, 19, 3)},
        {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(25, 25, 25)},
    };
    for (const auto& b : blends)
        EXPECT_EQ(BlendColor(b.tile, b.target, LayerAlpha), b.want)
            << std::hex << b.tile << " -> " << b.target;
}

// ---------------------------------------------------------------------------
// Construction and types

TEST(Tile, ANewButtonIsAPlainTileThatLooksClickable)
{
    // What a tile shows before the window gives it a type, caption or pictogram: the
    // plain tile colour over its whole face, no caption, the pointing hand.
    TTileButton btn;
    const QImage img = Render(btn);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            ASSERT_EQ(img.pixel(x, y), 0xFF1BA1E2u) << x << "," << y;
    EXPECT_EQ(btn.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(btn.Down());
}

TEST(Tile, TypesSetSizeAndTileAndClearPictogram)
{
    const struct
    {
        TTileType type;
        int w, h;
        TAlphaColor bg;
    } cases[] = {
        {mtSingle, 90, 90, DefaultBgColor},       {mtDouble, 190, 90, DefaultBgColor},
        {mtPicture, 90, 90, 0xFFFFFFFF},          {mtSmallSingle, 60, 60, DefaultBgColor},
        {mtSmallDouble, 130, 60, DefaultBgColor}, {mtiOS, 90, 90, iOSBgColor},
        {mtSmalliOS, 60, 60, iOSBgColor},         {mtSmalliOSDouble, 130, 60, DefaultBgColor},
    };
    for (const auto& c : cases) {
        TTileButton btn;
        btn.setBgColor(0xFFE51400);
        btn.BgBitmapPNGResSet(u"PICTINFO"_s);
        btn.setTileType(c.type);
        EXPECT_EQ(btn.size(), QSize(c.w, c.h)) << c.type;
        EXPECT_EQ(btn.sizeHint(), QSize(c.w, c.h)) << c.type;
        EXPECT_EQ(btn.bgColor(), c.bg) << c.type;
        const QImage& bmp = btn.bgBitmap();
        ASSERT_EQ(bmp.size(), QSize(c.w, c.h)) << c.type;
        bool clear = true;
        for (int y = 0; y < bmp.height() && clear; ++y)
            for (int x = 0; x < bmp.width() && clear; ++x)
                clear = bmp.pixel(x, y) == 0;
        EXPECT_TRUE(clear) << c.type;
    }
}

// ---------------------------------------------------------------------------
// Resources

TEST(TileResources, CheckMarksAndPictogramsLoad)
{
    EXPECT_EQ(CheckedSmall().size(), QSize(60, 60));
    EXPECT_EQ(CheckedLarge().size(), QSize(90, 90));

    QImage img(3, 3, QImage::Format_ARGB32);
    img.fill(0xFF00FF00);
    EXPECT_FALSE(LoadPNGResource(img, u"NO_SUCH_PICTURE"_s));
    EXPECT_EQ(img.size(), QSize(3, 3));
    EXPECT_EQ(img.pixel(1, 1), 0xFF00FF00u);

    // Every pictogram is 60 x 60, has ink, and keeps the caption corner (lower left) free.
    for (const char* name :
         {"PICTDOCSTAR", "PICTFOLDERSTAR", "PICTWASTEBIN", "PICTTOOLS", "PICTINFO"}) {
        QImage p;
        ASSERT_TRUE(LoadPNGResource(p, QString::fromLatin1(name))) << name;
        EXPECT_EQ(p.size(), QSize(60, 60)) << name;
        int ink = 0, inCaptionCorner = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 60; ++x) {
                const int a = qAlpha(p.pixel(x, y));
                if (a > 0)
                    ++ink;
                if (a > 0 && y >= 44 && x < 52)
                    ++inCaptionCorner;
            }
        EXPECT_GT(ink, 150) << name;
        EXPECT_EQ(inCaptionCorner, 0) << name;
    }
}

TEST(TileResources, PNGResSetKeepsPictogramOnUnknownName)
{
    TTileButton btn;
    btn.BgBitmapPNGResSet(u"PICTWASTEBIN"_s);
    const QImage before = btn.bgBitmap();
    ASSERT_EQ(before.size(), QSize(60, 60));
    btn.BgBitmapPNGResSet(u"NO_SUCH_PICTURE"_s);
    EXPECT_EQ(btn.bgBitmap(), before);
}

// ---------------------------------------------------------------------------
// Standard painter pixels

TEST(TilePaint, PictogramIsWhiteOnDarkTilesAndGreyOnLightOnes)
{
    const struct
    {
        TAlphaColor bg;
        int ink; // 255 white on dark tiles, 136 grey on light ones
    } cases[] = {
        {0xFF8CBF26, 255}, {0xFF1BA1E2, 255}, {0xFFE51400, 255}, {0xFFF09609, 255},
        {0xFFFFFFFF, 136}, {0xFFF0F0F0, 136}, {iOSBgColor, 136},
    };
    for (const auto& c : cases) {
        TTileButton btn;
        btn.setBgColor(c.bg);
        btn.setBgBitmap(Pictogram({60, 60}, QRect(20, 10, 20, 20)));
        const QImage img = Render(btn);
        const QRgb bg = ToCanvasColor(c.bg);
        EXPECT_TRUE(Near(img.pixel(5, 5), bg)) << std::hex << c.bg;
        EXPECT_TRUE(Near(img.pixel(30, 20), Layered(qRed(bg), c.ink), Layered(qGreen(bg), c.ink),
                         Layered(qBlue(bg), c.ink)))
            << std::hex << c.bg;
    }
}

TEST(TilePaint, HoverShadesOnlyTheTile)
{
    TTileButton btn;
    btn.setBgColor(0xFF8CBF26);
    btn.setBgBitmap(Pictogram({60, 60}, QRect(20, 10, 20, 20)));
    const QImage plain = Render(btn);
    SendEnter(btn);
    ASSERT_TRUE(btn.isMouseOver());
    const QImage hovered = Render(btn);
    EXPECT_TRUE(Near(plain.pixel(58, 2), 140, 191, 38, 0));
    EXPECT_TRUE(Near(hovered.pixel(58, 2), 126, 172, 34, 0));
    // The pictogram keeps its white, now over the darker tile.
    EXPECT_TRUE(
        Near(hovered.pixel(30, 20), Layered(126, 255), Layered(172, 255), Layered(34, 255)));
    SendLeave(btn);
    EXPECT_EQ(Render(btn), plain);
}

// The caption's solid pixels carry the blended colour, and it sits in the lower-left corner.
TEST(TilePaint, CaptionColourAndPlace)
{
    const struct
    {
        TAlphaColor bg;
        bool down;
        QRgb want;
    } cases[] = {
        {0xFF8CBF26, false, qRgb(243, 248, 233)}, {0xFF1BA1E2, false, qRgb(232, 245, 252)},
        {0xFFE51400, false, qRgb(252, 231, 229)}, {0xFFF09609, false, qRgb(253, 244, 230)},
        {0xFF8CBF26, true, qRgb(14, 19, 3)}, // Down without "#": the opposite colour
        {0xFFFFFFFF, false, qRgb(25, 25, 25)},
    };
    // Full blocks: their inside is fully covered whatever the font's hinting.
    const QString text = u"\u2588\u2588"_s;
    for (const auto& c : cases) {
        TTileButton btn;
        btn.setBgColor(c.bg);
        btn.setText(text);
        btn.setDown(c.down);
        QImage blank(60, 60, QImage::Format_ARGB32);
        blank.fill(c.down ? 0xFFFFFFFF : 0); // Down inverts: an opaque pictogram leaves no plate
        btn.setBgBitmap(blank);
        const QImage img = Render(btn);
        const QRgb bg = ToCanvasColor(c.bg);
        int solid = 0, minX = 60, maxX = -1, minY = 60, maxY = -1;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 60; ++x) {
                const QRgb p = img.pixel(x, y);
                if (p == bg)
                    continue;
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
                if (Near(p, c.want))
                    ++solid;
            }
        EXPECT_GE(solid, 10) << std::hex << c.bg;
        EXPECT_GE(minX, TextInsetX) << std::hex << c.bg;
        EXPECT_LE(minX, TextInsetX + 2) << std::hex << c.bg;
        EXPECT_LT(maxX, 60 - TextInsetX) << std::hex << c.bg;
        EXPECT_LT(maxY, 60 - TextInsetY) << std::hex << c.bg;
        EXPECT_GE(maxY, 60 - TextInsetY - 8) << std::hex << c.bg; // bottom-aligned
        EXPECT_GE(minY, 30) << std::hex << c.bg;
    }
}

// A caption too wide for the tile is set smaller rather than cut: its last letter
// ends inside the tile instead of at the clipping edge.
TEST(TilePaint, AWideCaptionShrinksToFit)
{
    TTileButton btn;
    btn.setBgColor(0xFF1BA1E2);
    btn.setText(u"Information"_s);
    QImage blank(60, 60, QImage::Format_ARGB32);
    blank.fill(0);
    btn.setBgBitmap(blank);
    const QImage img = Render(btn);
    const QRgb bg = ToCanvasColor(0xFF1BA1E2);
    int maxX = -1;
    for (int y = 30; y < 60; ++y)
        for (int x = 0; x < 60; ++x)
            if (img.pixel(x, y) != bg)
                maxX = std::max(maxX, x);
    ASSERT_GE(maxX, TextInsetX);
    EXPECT_LT(maxX, 60 - TextInsetX - 1);
}

TEST(TilePaint, SmallDoubleCentresThePictogramAndPressMovesIt)
{
    TTileButton btn;
    btn.setTileType(mtSmallDouble);
    ASSERT_EQ(btn.size(), QSize(130, 60));
    btn.setBgBitmap(Pictogram({60, 60}, QRect(0, 0, 60, 60)));
    const int white = Layered(27, 255);
    auto isInk = [&](const QImage& img, int x, int y) {
        return Near(img.pixel(x, y), white, Layered(161, 255), Layered(226, 255));
    };
    auto isTile = [&](const QImage& img, int x, int y) {
        return Near(img.pixel(x, y), 27, 161, 226, 0);
    };

    const QImage img = Render(btn);
    EXPECT_TRUE(isTile(img, 34, 20));
    EXPECT_TRUE(isInk(img, 35, 20));
    EXPECT_TRUE(isInk(img, 94, 20));
    EXPECT_TRUE(isTile(img, 95, 20));
    EXPECT_TRUE(isInk(img, 60, 0));

    Send(btn, QEvent::MouseButtonPress, {60, 30});
    ASSERT_TRUE(btn.isMousePressed());
    const QImage pressed = Render(btn);
    EXPECT_TRUE(isTile(pressed, 36, 20));
    EXPECT_TRUE(isInk(pressed, 37, 20));
    EXPECT_TRUE(isInk(pressed, 96, 20));
    EXPECT_TRUE(isTile(pressed, 97, 20));
    EXPECT_TRUE(isTile(pressed, 60, 1));
    EXPECT_TRUE(isInk(pressed, 60, 2));
}

TEST(TilePaint, HighDpiKeepsGeometryAndUsesTheLargePictogram)
{
    TTileButton btn;
    btn.setBgColor(0xFF8CBF26);
    btn.setBgBitmap(Pictogram({60, 60}, QRect(20, 10, 20, 20)));
    QImage img(120, 120, QImage::Format_ARGB32);
    img.setDevicePixelRatio(2.0);
    img.fill(Sentinel);
    btn.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    const QRgb ink = qRgb(Layered(140, 255), Layered(191, 255), Layered(38, 255));
    EXPECT_TRUE(Near(img.pixel(60, 40), ink));             // inside the square, in device pixels
    EXPECT_TRUE(Near(img.pixel(30, 40), 140, 191, 38, 0)); // left of it
    EXPECT_TRUE(Near(img.pixel(110, 110), 140, 191, 38, 0));

    // A resource pictogram with a "@2x" companion is drawn from the larger picture:
    // its device pixels match the companion's alpha, not a blown-up 60 x 60 one.
    btn.BgBitmapPNGResSet(u"PICTINFO"_s);
    QImage hi;
    ASSERT_TRUE(LoadPNGResource(hi, u"PICTINFO@2x"_s));
    img.fill(Sentinel);
    btn.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    int off = 0;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) {
            const double k = qAlpha(hi.pixel(x, y)) / 255.0 * 229.0 / 255.0;
            const auto want = [&](int bg) { return int(std::lround(bg + (255 - bg) * k)); };
            const auto near = Near(img.pixel(x, y), want(140), want(191), want(38), 2);
            if (!near && ++off <= 3)
                ADD_FAILURE() << "device pixel " << x << "," << y << ": " << near.message();
        }
    EXPECT_EQ(off, 0);
}

TEST(TilePaint, DownShowsCheckMarkForHashCaptionsAndInvertsOtherwise)
{
    const QImage& check = CheckedSmall();
    ASSERT_FALSE(check.isNull());
    QPoint checkInk(-1, -1), checkClear(-1, -1);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            if (qAlpha(check.pixel(x, y)) == 255)
                checkInk = {x, y};
            if (qAlpha(check.pixel(x, y)) == 0 && x > 20)
                checkClear = {x, y};
        }
    ASSERT_GE(checkInk.x(), 0);
    ASSERT_GE(checkClear.x(), 0);
    const QRgb ink = qRgb(Layered(140, 255), Layered(191, 255), Layered(38, 255));

    TTileButton btn;
    btn.setBgColor(0xFF8CBF26);
    btn.setBgBitmap(Pictogram({60, 60}, QRect(20, 10, 20, 20)));

    btn.setText(u"#1"_s);
    btn.setDown(true);
    QImage img = Render(btn);
    EXPECT_TRUE(Near(img.pixel(checkInk.x(), checkInk.y()), ink));
    EXPECT_TRUE(Near(img.pixel(checkClear.x(), checkClear.y()), 140, 191, 38, 0));

    btn.setText(u"Add"_s);
    img = Render(btn);
    EXPECT_TRUE(Near(img.pixel(30, 20), 140, 191, 38, 0)); // the pictogram is cut out
    EXPECT_TRUE(Near(img.pixel(10, 5), ink));              // of a white plate

    btn.setDown(false);
    img = Render(btn);
    EXPECT_TRUE(Near(img.pixel(30, 20), ink));
    EXPECT_TRUE(Near(img.pixel(10, 5), 140, 191, 38, 0));
}

TEST(TilePaint, DisabledTileIsShadedBlack)
{
    TTileButton btn;
    btn.setBgColor(0xFF8CBF26);
    btn.setEnabled(false);
    const QImage img = Render(btn);
    // Black at opacity 25 over the tile.
    EXPECT_TRUE(Near(img.pixel(50, 10), int(std::lround(140 * 230 / 255.0)),
                     int(std::lround(191 * 230 / 255.0)), int(std::lround(38 * 230 / 255.0))));
}

TEST(TilePaint, RainbowTileStripes)
{
    std::set<QRgb> plain, darker;
    for (TAlphaColor c : RainbowColors) {
        plain.insert(ToCanvasColor(c));
        darker.insert(ToCanvasColor(DarkenColor(c)));
    }
    const struct
    {
        TTileType type;
        int stripes;
    } cases[] = {{mtSmallDouble, 14}, {mtSmallSingle, 7}, {mtDouble, 14}, {mtSingle, 7}};
    for (const auto& c : cases) {
        for (bool hover : {false, true}) {
            TTileButton btn;
            btn.setTileType(c.type);
            btn.setBgColor(RainbowBgColor);
            if (hover)
                SendEnter(btn);
            const QImage img = Render(btn);
            const std::set<QRgb>& allowed = hover ? darker : plain;
            int foreign = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) {
                    const QRgb p = img.pixel(x, y);
                    if (p != Sentinel && !allowed.count(p))
                        ++foreign;
                }
            EXPECT_EQ(foreign, 0) << c.type << " hover " << hover;
            // The stripes lie 2W/n apart horizontally, so about n/2 of them cross the middle row.
            int runs = 0;
            QRgb last = Sentinel;
            const int y = img.height() / 2;
            for (int x = 0; x < img.width(); ++x) {
                const QRgb p = img.pixel(x, y);
                if (p != last && p != Sentinel)
                    ++runs;
                last = p;
            }
            EXPECT_GE(runs, c.stripes / 2) << c.type;
            EXPECT_LE(runs, c.stripes / 2 + 2) << c.type;
        }
    }
}

// ---------------------------------------------------------------------------
// iOS painter

TEST(TileIOS, TintsPictogramActiveOrInactive)
{
    TTileButton btn;
    btn.setTileType(mtSmalliOS);
    btn.setBgBitmap(Pictogram({60, 60}, QRect(20, 10, 20, 20)));
    QImage img = Render(btn);
    EXPECT_TRUE(Near(img.pixel(5, 5), ToCanvasColor(iOSBgColor), 0));
    EXPECT_TRUE(Near(img.pixel(30, 20), 42, 42, 42, 0)); // inactive grey of a light tile
    btn.setDown(true);
    img = Render(btn);
    EXPECT_TRUE(Near(img.pixel(30, 20), ToCanvasColor(DefaultFgColor), 0));
    // A toggle shows the opposite while hovered.
    btn.setIsToggle(true);
    SendEnter(btn);
    img = Render(btn);
    EXPECT_TRUE(Near(img.pixel(30, 20), 42, 42, 42, 0));

    btn.setIsColorDot(true);
    img = Render(btn);
    EXPECT_TRUE(Near(img.pixel(9, 9), ToCanvasColor(DefaultFgColor), 0));
    EXPECT_TRUE(Near(img.pixel(3, 3), ToCanvasColor(iOSBgColor), 0));
}

TEST(TileIOS, SameForegroundAndTileShowsOnlyTheTileEvenDisabled)
{
    TTileButton btn;
    btn.setTileType(mtSmalliOS);
    btn.setFgColor(iOSBgColor);
    btn.setBgBitmap(Pictogram({60, 60}, QRect(20, 10, 20, 20)));
    btn.setText(u"Go"_s);
    btn.setIsColorDot(true);
    btn.setEnabled(false);
    const QImage img = Render(btn);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(img.pixel(x, y), ToCanvasColor(iOSBgColor)) << x << "," << y;
}

// ---------------------------------------------------------------------------
// Mouse

TEST(TileMouse, ExecutesOnlyOnReleaseInsideAfterPress)
{
    enum Step
    {
        Enter,
        Press,
        PressRight,
        Leave,
        MoveOut,
        MoveIn,
        Release,
        ReleaseOut,
        ReleaseRight
    };
    const struct
    {
        const char* name;
        std::vector<Step> steps;
        int executions;
    } cases[] = {
        {"press, release", {Enter, Press, Release}, 1},
        {"press, leave, release", {Enter, Press, Leave, Release}, 0},
        {"press, drag out, release outside", {Enter, Press, MoveOut, ReleaseOut}, 0},
        {"press, release outside", {Enter, Press, ReleaseOut}, 0},
        {"press, drag out and back, release", {Enter, Press, MoveOut, MoveIn, Release}, 0},
        {"release without press", {Enter, Release}, 0},
        {"right button", {Enter, PressRight, ReleaseRight}, 1},
        {"twice", {Enter, Press, Release, Press, Release}, 2},
    };
    for (const auto& c : cases) {
        TTileButton btn;
        std::vector<std::string> order;
        int callbacks = 0;
        btn.OnExecute = [&](TTileButton* sender) {
            EXPECT_EQ(sender, &btn);
            ++callbacks;
            order.push_back("callback");
        };
        QObject::connect(&btn, &TTileButton::Execute, [&] { order.push_back("signal"); });
        QSignalSpy spy(&btn, &TTileButton::Execute);
        for (Step s : c.steps) {
            switch (s) {
            case Enter:
                SendEnter(btn);
                break;
            case Press:
                Send(btn, QEvent::MouseButtonPress, {30, 30});
                break;
            case PressRight:
                Send(btn, QEvent::MouseButtonPress, {30, 30}, Qt::RightButton);
                break;
            case Leave:
                SendLeave(btn);
                break;
            case MoveOut:
                Send(btn, QEvent::MouseMove, {90, 30});
                break;
            case MoveIn:
                Send(btn, QEvent::MouseMove, {30, 30});
                break;
            case Release:
                Send(btn, QEvent::MouseButtonRelease, {30, 30});
                break;
            case ReleaseOut:
                Send(btn, QEvent::MouseButtonRelease, {90, 30});
                break;
            case ReleaseRight:
                Send(btn, QEvent::MouseButtonRelease, {30, 30}, Qt::RightButton);
                break;
            }
        }
        EXPECT_EQ(callbacks, c.executions) << c.name;
        EXPECT_EQ(spy.count(), c.executions) << c.name;
        if (c.executions > 0) {
            EXPECT_EQ(order.front(), "callback") << c.name;
        }
        EXPECT_FALSE(btn.isMousePressed()) << c.name;
        EXPECT_FALSE(btn.Down()) << c.name; // the button never toggles Down by itself
    }
}

} // namespace
