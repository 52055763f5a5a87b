#include <controls/uTileButton.h>

#include <resources/uResources.h>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QFont>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QPointer>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

std::uint8_t Red(TAlphaColor c)
{
    return std::uint8_t((c >> 16) & 0xFF);
}
std::uint8_t Green(TAlphaColor c)
{
    return std::uint8_t((c >> 8) & 0xFF);
}
std::uint8_t Blue(TAlphaColor c)
{
    return std::uint8_t(c & 0xFF);
}

TAlphaColor MakeOpaque(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return 0xFF000000u | (TAlphaColor(r) << 16) | (TAlphaColor(g) << 8) | TAlphaColor(b);
}

int Nearest(double x)
{
    return int(std::nearbyint(x));
}

// nearest(A / 255 * 136): the grey 136 premultiplied by A.
std::uint8_t GreyOf(int a)
{
    return std::uint8_t(Nearest(a / 255.0 * 136.0));
}

// The size each button type gives the button: small types are SmallHeight high,
// the others NormalHeight; double types hold two tiles side by side.
QSize TypeSize(TTileType type)
{
    const bool small = type == mtSmallSingle || type == mtSmallDouble || type == mtSmalliOS
                       || type == mtSmalliOSDouble;
    const bool dbl = type == mtDouble || type == mtSmallDouble || type == mtSmalliOSDouble;
    const int h = small ? SmallHeight : NormalHeight;
    return {dbl ? 2 * h + DoubleGap : h, h};
}

// Larger companion of a resource picture, for high-DPI screens.
QImage LoadHiDpiCompanion(const QString& name)
{
    QImage hi;
    LoadPNGResource(hi, DoubleSizeName(name));
    return hi;
}

struct CheckMarks
{
    QImage Small, SmallHi, Large, LargeHi;
};

const CheckMarks& Checks()
{
    static const CheckMarks marks = [] {
        CheckMarks m;
        LoadPNGResource(m.Small, u"FBCHECKEDS"_s);
        LoadPNGResource(m.Large, u"FBCHECKEDL"_s);
        if (!m.Small.isNull())
            m.SmallHi = LoadHiDpiCompanion(u"FBCHECKEDS"_s);
        if (!m.Large.isNull())
            m.LargeHi = LoadHiDpiCompanion(u"FBCHECKEDL"_s);
        return m;
    }();
    return marks;
}

// Rewrites every pixel of `src` (straight alpha A) into a premultiplied grey or
// white pixel: `value(A)` for the colour bytes, `alpha(A)` for the alpha byte.
template <typename ValueFn, typename AlphaFn>
QImage RewritePixels(const QImage& src, ValueFn value, AlphaFn alpha)
{
    QImage g = src.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < g.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(g.scanLine(y));
        for (int x = 0; x < g.width(); ++x) {
            const int a = qAlpha(line[x]);
            const int v = value(a);
            line[x] = qRgba(v, v, v, alpha(a));
        }
    }
    // Same bytes, now read as premultiplied (they are, by construction).
    g.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
    return g;
}

// colour k premultiplied by each pixel's alpha, alpha unchanged.
QImage Tint(const QImage& src, QRgb k)
{
    QImage g = src.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < g.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(g.scanLine(y));
        for (int x = 0; x < g.width(); ++x) {
            const int a = qAlpha(line[x]);
            line[x] = qRgba(Nearest(qRed(k) * a / 255.0), Nearest(qGreen(k) * a / 255.0),
                            Nearest(qBlue(k) * a / 255.0), a);
        }
    }
    g.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
    return g;
}

// Scales every byte of a premultiplied image by opacity/255: the constant
// opacity of an alpha blend, applied up front so the blend itself is plain
// source-over.
void ApplyConstantOpacity(QImage& layer, int opacity)
{
    for (int y = 0; y < layer.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(layer.scanLine(y));
        for (int x = 0; x < layer.width(); ++x) {
            const QRgb p = line[x];
            if (p == 0)
                continue;
            line[x] = qRgba((qRed(p) * opacity + 127) / 255, (qGreen(p) * opacity + 127) / 255,
                            (qBlue(p) * opacity + 127) / 255, (qAlpha(p) * opacity + 127) / 255);
        }
    }
}

// The pixel ratio of what is really painted on: the backing store of a window,
// or the target of QWidget::render(), which the widget's own ratio may not show.
qreal DevicePixelRatio(const QPainter& canvas)
{
    if (const QPaintEngine* engine = canvas.paintEngine(); engine && engine->paintDevice())
        return engine->paintDevice()->devicePixelRatioF();
    return canvas.device() ? canvas.device()->devicePixelRatioF() : 1.0;
}

QFont CaptionFont(int h)
{
    // Segoe UI where installed, otherwise the system's sans-serif at the same size.
    QFont font(u"Segoe UI"_s);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(std::max(1, int(h * 0.16 - 1)));
    return font;
}

} // namespace

QRgb ToCanvasColor(TAlphaColor c)
{
    return qRgb(Red(c), Green(c), Blue(c));
}

float ColorLuminance(TAlphaColor c)
{
    const double lum = 0.298912 * Red(c) + 0.586611 * Green(c) + 0.114478 * Blue(c);
    return float(lum);
}

std::uint8_t RoundToByte(double v)
{
    const double r = std::nearbyint(v); // default rounding mode: ties to even
    if (!(r > 0.0))
        return 0; // also NaN
    if (r > 255.0)
        return 255;
    return std::uint8_t(r);
}

TAlphaColor HoverColor(TAlphaColor c)
{
    const double f = ColorLuminance(c) > 51 ? HoverDarken : HoverBrighten;
    return MakeOpaque(RoundToByte(Red(c) * f), RoundToByte(Green(c) * f), RoundToByte(Blue(c) * f));
}

TAlphaColor DarkenColor(TAlphaColor c)
{
    return MakeOpaque(RoundToByte(Red(c) * StripeDarken), RoundToByte(Green(c) * StripeDarken),
                      RoundToByte(Blue(c) * StripeDarken));
}

QRgb BlendColor(QRgb a, QRgb b, float x)
{
    const float inv = 1.0f - x; // rounded to single precision first
    auto mix = [&](int ca, int cb) {
        const double v = ca * double(inv) + cb * double(x);
        return std::clamp(int(v), 0, 255);
    };
    return qRgb(mix(qRed(a), qRed(b)), mix(qGreen(a), qGreen(b)), mix(qBlue(a), qBlue(b)));
}

bool LoadPNGResource(QImage& bitmap, const QString& name)
{
    InitResources();
    QImage decoded;
    if (name.isEmpty() || !decoded.load(u":/rcdata/"_s + name, "PNG"))
        return false;
    bitmap = decoded.convertToFormat(QImage::Format_ARGB32);
    return true;
}

const QImage& CheckedSmall()
{
    return Checks().Small;
}
const QImage& CheckedLarge()
{
    return Checks().Large;
}

// ---------------------------------------------------------------------------

namespace {

// What a screen reader sees of a tile: a push button with its name and a press action.
class TTileAccessible : public QAccessibleWidget
{
public:
    explicit TTileAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override
    {
        const QString own = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && own.isEmpty())
            return static_cast<const TTileButton*>(widget())->Text();
        return own;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override
    {
        if (name == pressAction())
            static_cast<TTileButton*>(widget())->Click();
    }
};

QAccessibleInterface* TileAccessibleFactory(const QString& key, QObject* object)
{
    if (key == u"TTileButton"_s && object && object->isWidgetType())
        return new TTileAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

TTileButton::TTileButton(QWidget* parent) : QWidget(parent)
{
    static std::once_flag accessibleOnce;
    std::call_once(accessibleOnce, [] { QAccessible::installFactory(TileAccessibleFactory); });
    Checks(); // the check marks exist before the first paint
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setTileType(mtSmallSingle);
    FfgColor = DefaultFgColor;
    setCursor(Qt::PointingHandCursor);
}

TTileButton::~TTileButton() = default;

void TTileButton::setTileType(TTileType value)
{
    FTileType = value;
    if (value == mtPicture)
        FbgColor = 0xFFFFFFFF;
    else
        FbgColor = (value == mtiOS || value == mtSmalliOS) ? iOSBgColor : DefaultBgColor;
    const QSize size = TypeSize(value);
    resize(size);
    updateGeometry();
    FBitmap = QImage(size, QImage::Format_ARGB32);
    FBitmap.fill(0);
    FBitmapHiDpi = QImage();
    FBitmapResName.clear();
    FIOSPainter = value == mtiOS || value == mtSmalliOS || value == mtSmalliOSDouble;
}

QSize TTileButton::sizeHint() const
{
    return TypeSize(FTileType);
}

void TTileButton::setBgBitmap(const QImage& value)
{
    FBitmap = value.isNull() ? QImage() : value.convertToFormat(QImage::Format_ARGB32);
    FBitmapHiDpi = QImage();
    FBitmapResName.clear();
}

void TTileButton::BgBitmapPNGResSet(const QString& rn)
{
    QImage loaded;
    if (!LoadPNGResource(loaded, rn))
        return;
    FBitmap = loaded;
    FBitmapHiDpi = LoadHiDpiCompanion(rn);
    FBitmapResName = rn;
}

void TTileButton::setDown(bool value)
{
    if (FDown == value)
        return;
    FDown = value;
    repaint();
}

// --- painting ----------------------------------------------------------------

void TTileButton::paintEvent(QPaintEvent*)
{
    QPainter canvas(this);
    if (FIOSPainter)
        PaintIOS(canvas);
    else
        PaintStandard(canvas);
    if (hasFocus())
        PaintFocusFrame(canvas);
}

void TTileButton::PaintFocusFrame(QPainter& canvas)
{
    // The frame takes the caption's colour, so it reads on every tile colour.
    QColor colour;
    if (FIOSPainter)
        colour = QColor::fromRgb(ToCanvasColor(FfgColor));
    else if (FbgColor == RainbowBgColor || ColorLuminance(FbgColor) < DarkThreshold)
        colour = Qt::white;
    else
        colour = Qt::black;
    canvas.save();
    canvas.setOpacity(LayerAlpha);
    canvas.setPen(QPen(colour, 2));
    canvas.setBrush(Qt::NoBrush);
    canvas.drawRect(QRectF(rect()).adjusted(2, 2, -2, -2));
    canvas.restore();
}

void TTileButton::PaintStandard(QPainter& canvas)
{
    const int W = width();
    const int H = height();
    const int o = FMouseDown ? PressOffset : 0;
    const bool Hash = FText.startsWith(u'#');
    const bool smallCheck = FBitmap.height() == SmallHeight;
    const QImage& Check = smallCheck ? Checks().Small : Checks().Large;
    const QImage& CheckHi = smallCheck ? Checks().SmallHi : Checks().LargeHi;

    // 1. Background.
    bool Dark;
    if (FbgColor == RainbowBgColor) {
        Dark = true; // stripes only, the tile is not filled first
        int penWidth = int(H / 7.0 * 2.0 / std::sqrt(2.0));
        const int n = W > H ? 14 : 7;
        if (W > H)
            penWidth += 2;
        for (int i = 0; i < n; ++i) {
            TAlphaColor colour = RainbowColors[std::size_t((i + 4) % 7)];
            if (FHovered)
                colour = DarkenColor(colour);
            const int x = int((2 * i + 1) * (double(W) / n));
            canvas.setPen(QPen(QColor::fromRgb(ToCanvasColor(colour)), penWidth, Qt::SolidLine,
                               Qt::RoundCap));
            canvas.drawLine(x + o + 6, o - 6, x - H + o - 6, H + o + 6);
        }
    } else {
        Dark = ColorLuminance(FbgColor) < DarkThreshold;
        canvas.fillRect(rect(),
                        QColor::fromRgb(ToCanvasColor(FHovered ? HoverColor(FbgColor) : FbgColor)));
    }

    // 2. Pictogram: white on dark tiles, grey 136 on light ones; Down shows the
    //    check mark ("#" captions) or the pictogram cut out of a plate.
    const bool useCheck = FDown && Hash;
    const bool invert = FDown && !Hash;
    const qreal dpr = DevicePixelRatio(canvas);
    const QImage& hiSource = useCheck ? CheckHi : FBitmapHiDpi;
    const bool hiDpi = TakesDoubleSize(dpr) && !hiSource.isNull();
    const QImage& source = hiDpi ? hiSource : (useCheck ? Check : FBitmap);
    if (!source.isNull()) {
        auto value = [&](int a) {
            const int v = invert ? 255 - a : a;
            return Dark ? v : int(GreyOf(v));
        };
        auto alpha = [&](int a) { return invert ? 255 - a : a; };
        const QImage G = RewritePixels(source, value, alpha);

        const int layerW = int(std::ceil(W * dpr));
        const int layerH = int(std::ceil(H * dpr));
        QImage layer(layerW, layerH, QImage::Format_ARGB32_Premultiplied);
        layer.fill(0);
        layer.setDevicePixelRatio(dpr);
        {
            QPainter lp(&layer);
            lp.setCompositionMode(QPainter::CompositionMode_Source); // a copy, all four bytes
            const int left = Nearest((W - H) / 2.0);
            const QRectF square(left + o, o, Nearest((W - H) / 2.0 + H) - left, H);
            // A picture of the square's own size is copied pixel for pixel; any other
            // size (another tile size, high-DPI) is resampled smoothly, not blockily.
            lp.setRenderHint(QPainter::SmoothPixmapTransform,
                             G.size() != (square.size() * dpr).toSize());
            lp.drawImage(square, G);
        }
        ApplyConstantOpacity(layer, int(LayerAlpha * 255));
        canvas.drawImage(QPointF(0, 0), layer);
    }

    // 3. Caption.
    if (!FText.isEmpty()) {
        bool white = Dark;
        if (invert)
            white = !white;
        const QRgb target = white ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        PaintCaption(canvas, BlendColor(ToCanvasColor(FbgColor), target, LayerAlpha), false);
    }

    // 4. Disabled.
    if (!isEnabled())
        canvas.fillRect(rect(), QColor(0, 0, 0, int(0.1 * 255)));
}

void TTileButton::PaintIOS(QPainter& canvas)
{
    const int W = width();
    const int H = height();
    const int o = FMouseDown ? PressOffset : 0;

    const bool Active =
        FToggle ? (FMouseDown || (FDown != FHovered)) : (FMouseDown || FDown || FHovered);
    const float d = ColorLuminance(FbgColor) - 178.5f;
    const int grey = std::clamp(d < 0 ? 255 - int(-d / 2) : int(d * 2), 0, 255);
    const QRgb inactive = qRgb(grey, grey, grey);
    const QRgb k = Active ? ToCanvasColor(FfgColor) : inactive;

    canvas.fillRect(rect(), QColor::fromRgb(ToCanvasColor(FbgColor)));
    if (FbgColor == FfgColor)
        return;

    // Pictogram tinted in the foreground (active) or the inactive grey, own size.
    const qreal dpr = DevicePixelRatio(canvas);
    const bool hiDpi = dpr > 1.0 && !FBitmapHiDpi.isNull();
    if (!FBitmap.isNull()) {
        const QImage tinted = Tint(hiDpi ? FBitmapHiDpi : FBitmap, k);
        const QRectF target(int((W - H) / 2.0) + o, o, FBitmap.width(), FBitmap.height());
        canvas.save();
        canvas.setRenderHint(QPainter::SmoothPixmapTransform, hiDpi);
        canvas.drawImage(target, tinted);
        canvas.restore();
    }

    if (FColorDot) {
        canvas.save();
        canvas.setRenderHint(QPainter::Antialiasing, true);
        canvas.setPen(Qt::NoPen);
        canvas.setBrush(QColor::fromRgb(ToCanvasColor(FfgColor)));
        const int a = Nearest(0.1 * H);
        const int b = Nearest(0.2 * H);
        canvas.drawEllipse(QRectF(a + o, a + o, b - a, b - a));
        canvas.restore();
    }

    if (!FText.isEmpty())
        PaintCaption(canvas, k, true);

    if (!isEnabled()) {
        QColor overlay = QColor::fromRgb(ToCanvasColor(FbgColor));
        overlay.setAlpha(int(0.5 * 255));
        canvas.fillRect(rect(), overlay);
    }
}

void TTileButton::PaintCaption(QPainter& canvas, QRgb colour, bool centred)
{
    const int o = FMouseDown ? PressOffset : 0;
    const QRect box(TextInsetX + o, TextInsetY + o, width() - 2 * TextInsetX,
                    height() - 2 * TextInsetY);
    if (box.isEmpty())
        return;
    QFont font = CaptionFont(height());
    // A caption wider than the tile (a longer translation) is set smaller, down to
    // 6 points, before it is cut at the tile's edge.
    while (font.pointSize() > 6 && QFontMetrics(font).horizontalAdvance(FText) > box.width())
        font.setPointSize(font.pointSize() - 1);
    const QFontMetrics fm(font);
    const int top = box.y() + box.height() - fm.height(); // bottom on the box's bottom
    int left = box.x();
    if (centred)
        left += Nearest((box.width() - fm.horizontalAdvance(FText)) / 2.0);

    canvas.save();
    canvas.setClipRect(box);
    canvas.setFont(font);
    canvas.setPen(QColor::fromRgb(colour));
    canvas.setBackgroundMode(Qt::TransparentMode);
    canvas.drawText(QPoint(left, top + fm.ascent()), FText);
    canvas.restore();
}

// --- mouse ---------------------------------------------------------------------

void TTileButton::enterEvent(QEnterEvent*)
{
    FHovered = true;
    repaint();
}

void TTileButton::leaveEvent(QEvent*)
{
    MouseLeft();
}

void TTileButton::MouseLeft()
{
    FHovered = false;
    FMouseDown = false;
    repaint();
}

void TTileButton::mousePressEvent(QMouseEvent* event)
{
    FMouseDown = true;
    event->accept();
    repaint();
}

void TTileButton::mouseMoveEvent(QMouseEvent* event)
{
    // While a button is held the widget keeps the mouse, and the window system
    // reports the leave only after the release; leaving is detected here instead,
    // so a press dragged off the tile cancels as it does without the grab.
    const bool inside = rect().contains(event->position().toPoint());
    if (!inside && FHovered) {
        MouseLeft();
    } else if (inside && !FHovered) {
        FHovered = true;
        repaint();
    }
}

void TTileButton::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasDown = FMouseDown;
    FMouseDown = false;
    if (wasDown && rect().contains(event->position().toPoint()) && !Fire())
        return;
    repaint();
}

bool TTileButton::Fire()
{
    QPointer<TTileButton> self(this);
    if (OnExecute)
        OnExecute(this);
    if (!self)
        return false; // the handler closed the form that owned the button
    Q_EMIT Execute();
    return !self.isNull();
}

void TTileButton::Click()
{
    Fire();
}

// --- keyboard ------------------------------------------------------------------

void TTileButton::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        if (!event->isAutoRepeat()) {
            FSpaceDown = true;
            FMouseDown = true;
            repaint();
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat())
            Fire();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TTileButton::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Space || event->isAutoRepeat() || !FSpaceDown) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    event->accept();
    FSpaceDown = false;
    FMouseDown = false;
    if (!Fire())
        return;
    repaint();
}

void TTileButton::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void TTileButton::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    // Focus moved away while Space was held: no run.
    if (FSpaceDown) {
        FSpaceDown = false;
        FMouseDown = false;
    }
    update();
}
