#pragma once

// TTileButton: the flat, owner-drawn colour-tile button of the toolbar.
//
// A square (or double-width) tile in a solid colour with a white or grey
// pictogram and a short caption in its lower-left corner. Hover shades the
// tile, pressing moves pictogram and caption by PressOffset pixels, and
// releasing a mouse button over the tile after pressing it there fires
// OnExecute and the Execute() signal. The tile takes keyboard focus (Tab), shows
// a frame in its caption's colour while focused, and runs on Enter and on Space
// (pressed and released); screen readers see it as a push button named by its
// accessible name, or else its caption.
//
// Pictures: the pictogram is a 32-bit image whose alpha channel carries the
// drawing (the colour bytes are ignored). The program's pictograms are
// resources, set with BgBitmapPNGResSet:
//   "PICTDOCSTAR"    document with a star      "PICTFOLDERSTAR" folder with a star
//   "PICTWASTEBIN"   waste bin                 "PICTTOOLS"      wrench and screwdriver
//   "PICTINFO"       letter i in a circle      "PICTLINKCHECK"  chain link with a check mark
// Each has a twice-as-large "@2x" companion that BgBitmapPNGResSet picks up for
// high-DPI screens.
//
// Usable from a Qt Designer form as a promoted QWidget (header
// "controls/uTileButton.h"); the type defaults to mtSmallSingle (60 x 60).

#include <QImage>
#include <QRgb>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

class QPainter;

// 0xAARRGGBB.
using TAlphaColor = std::uint32_t;

enum TTileType
{
    mtSingle,
    mtDouble,
    mtPicture,
    mtSmallSingle,
    mtSmallDouble,
    mtiOS,
    mtSmalliOS,
    mtSmalliOSDouble,
};

inline constexpr TAlphaColor DefaultBgColor = 0xFF1BA1E2;
// A bgColor equal to this value selects the rainbow-striped tile.
inline constexpr TAlphaColor RainbowBgColor = 0x00000001;
inline constexpr std::array<TAlphaColor, 7> RainbowColors = {
    0xFFFF00FF, 0xFFFF0000, 0xFFFF6600, 0xFFFFFF00, 0xFF00FF00, 0xFF0000FF, 0xFF6666CC};
inline constexpr TAlphaColor DefaultFgColor = 0xFF34AADC;
inline constexpr TAlphaColor iOSBgColor = 0xFFC7C7CC;
inline constexpr int DoubleGap = 10;
inline constexpr int SmallHeight = 60;
inline constexpr int NormalHeight = 90;
inline constexpr double DarkThreshold = 178.5;
inline constexpr int PressOffset = 2;
inline constexpr int TextInsetX = 6;
inline constexpr int TextInsetY = 3;
inline constexpr float LayerAlpha = 0.9f;
inline constexpr double HoverDarken = 0.9;
inline constexpr double HoverBrighten = 1.1;
inline constexpr double StripeDarken = 0.9;

// Colour arithmetic of the painters. "Canvas colours" are opaque QRgb values.
QRgb ToCanvasColor(TAlphaColor c);
float ColorLuminance(TAlphaColor c);
// Nearest integer (ties to even), clamped to 0..255.
std::uint8_t RoundToByte(double v);
TAlphaColor HoverColor(TAlphaColor c);
TAlphaColor DarkenColor(TAlphaColor c);
QRgb BlendColor(QRgb a, QRgb b, float x);

// Decodes the PNG resource `name` (":/rcdata/<name>") into `bitmap` as a 32-bit
// image with straight alpha. Returns false and leaves `bitmap` untouched when
// the resource is missing or cannot be decoded.
bool LoadPNGResource(QImage& bitmap, const QString& name);

// The white check marks shown on Down tiles with a "#" caption, loaded once from
// "FBCHECKEDS" (60 x 60) and "FBCHECKEDL" (90 x 90); empty if the resource is missing.
const QImage& CheckedSmall();
const QImage& CheckedLarge();

class TTileButton : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(uint bgColor READ bgColor WRITE setBgColor)
    Q_PROPERTY(uint fgColor READ fgColor WRITE setFgColor)
    Q_PROPERTY(QString Text READ Text WRITE setText)
    Q_PROPERTY(bool Down READ Down WRITE setDown)
    Q_PROPERTY(bool isToggle READ isToggle WRITE setIsToggle)
    Q_PROPERTY(bool isColorDot READ isColorDot WRITE setIsColorDot)
    Q_PROPERTY(QString pictogramResource READ pictogramResource WRITE BgBitmapPNGResSet)

public:
    explicit TTileButton(QWidget* parent = nullptr);
    ~TTileButton() override;

    // Applying a type sets the size and the tile colour and clears the pictogram,
    // so set it before bgColor and the pictogram.
    TTileType TileType() const { return FTileType; }
    void setTileType(TTileType value);

    // Color is the same value as bgColor.
    TAlphaColor Color() const { return FbgColor; }
    void setColor(TAlphaColor value) { FbgColor = value; }
    TAlphaColor bgColor() const { return FbgColor; }
    void setBgColor(TAlphaColor value) { FbgColor = value; }
    TAlphaColor fgColor() const { return FfgColor; }
    void setFgColor(TAlphaColor value) { FfgColor = value; }

    // The pictogram (32 bits, straight alpha). Setting copies the image.
    const QImage& bgBitmap() const { return FBitmap; }
    void setBgBitmap(const QImage& value);
    // Replaces the pictogram with the PNG resource `rn` (and its "@2x" companion
    // when there is one); a name no resource has leaves the pictogram unchanged.
    void BgBitmapPNGResSet(const QString& rn);
    QString pictogramResource() const { return FBitmapResName; }

    QString Text() const { return FText; }
    void setText(const QString& value) { FText = value; }

    // Only Down repaints by itself; other properties show at the next paint.
    bool Down() const { return FDown; }
    void setDown(bool value);
    bool isToggle() const { return FToggle; }
    void setIsToggle(bool value) { FToggle = value; }
    bool isColorDot() const { return FColorDot; }
    void setIsColorDot(bool value) { FColorDot = value; }

    // Runs the tile as a click does: OnExecute, then Execute().
    void Click();

    // Mouse state, as the painters see it.
    bool isMouseOver() const { return FHovered; }
    bool isMousePressed() const { return FMouseDown; }

    // Called (with this button) on a release that follows a press on the button,
    // before the Execute() signal and before the repaint.
    std::function<void(TTileButton* Sender)> OnExecute;

    QSize sizeHint() const override;

Q_SIGNALS:
    void Execute();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void PaintStandard(QPainter& canvas);
    void PaintIOS(QPainter& canvas);
    void PaintCaption(QPainter& canvas, QRgb colour, bool centred);
    void MouseLeft();
    void PaintFocusFrame(QPainter& canvas);
    // OnExecute and Execute(); false when a handler deleted the tile.
    bool Fire();

    TTileType FTileType = mtSmallSingle;
    TAlphaColor FbgColor = DefaultBgColor;
    TAlphaColor FfgColor = DefaultFgColor;
    QImage FBitmap;
    QImage FBitmapHiDpi; // optional larger copy of the pictogram for high-DPI screens
    QString FBitmapResName;
    QString FText;
    bool FToggle = false;
    bool FHovered = false;
    bool FMouseDown = false;
    bool FSpaceDown = false; // Space is held: the tile shows as pressed
    bool FDown = false;
    bool FColorDot = false;
    bool FIOSPainter = false;
};
