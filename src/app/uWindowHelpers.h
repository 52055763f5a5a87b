#pragma once
// What every window of the program does alike: its font, where a dialog opens and
// which picture it takes on a high-DPI screen.

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <initializer_list>

#include <resources/uResources.h>

// The forms' font: the preferred face where it is installed (Tahoma unless told),
// else a face of similar width, else the system's sans-serif, always at the forms'
// pixel height so that the fixed layouts keep their proportions.
inline QFont WindowFont(int PixelSize, const QStringList& Preferred = {QStringLiteral("Tahoma")})
{
    QFont Font = QApplication::font();
    QStringList Families = Preferred;
    // Faces close to Tahoma's width keep the captions inside the fixed layouts.
    Families << QStringLiteral("Arial") << QStringLiteral("Liberation Sans")
             << QStringLiteral("Nimbus Sans") << Font.family();
    Font.setFamilies(Families);
    Font.setPixelSize(PixelSize);
    return Font;
}

// The fixed dialogs are laid out for Tahoma; with a wider face (or the Japanese
// texts) a caption of the left column would be cut off. Widens every caption to what
// the widest needs and returns the extra width, by which the caller moves what lies
// right of the column and widens the dialog.
inline int WidenCaptionColumn(std::initializer_list<QWidget*> Captions)
{
    int Extra = 0;
    for (QWidget* Caption : Captions)
        Extra = std::max(Extra, Caption->sizeHint().width() - Caption->width());
    if (Extra > 0)
        for (QWidget* Caption : Captions)
            Caption->resize(Caption->width() + Extra, Caption->height());
    return std::max(Extra, 0);
}

// A dialog without a parent opens centred on the window the user was working in
// (one with a parent is placed by the window system over its parent).
inline void CentreOnActiveWindow(QWidget* Dialog)
{
    if (Dialog->parentWidget())
        return;
    if (QWidget* Owner = QApplication::activeWindow(); Owner && Owner != Dialog)
        Dialog->move(Owner->frameGeometry().center() - Dialog->rect().center());
}

// Gives the keyboard focus back to Window and the widget in it that had the focus,
// when it goes out of scope after a dialog. A window manager may leave no window
// focused when a dialog closes right behind another one (a warning over it); the
// focus is asked for again once the dialogs' windows are gone.
class TFocusReturn
{
public:
    explicit TFocusReturn(QWidget* Window) : FWindow(Window), FFocus(QApplication::focusWidget())
    {
        if (FFocus && FFocus->window() != Window)
            FFocus = nullptr;
    }
    ~TFocusReturn()
    {
        if (!FWindow || !FWindow->isVisible())
            return;
        auto Restore = [Window = FWindow, Focus = FFocus] {
            if (!Window || !Window->isVisible() || QApplication::activeModalWidget())
                return;
            Window->activateWindow();
            if (Focus && Focus->isVisible() && Focus->isEnabled())
                Focus->setFocus(Qt::ActiveWindowFocusReason);
        };
        Restore();
        QTimer::singleShot(0, FWindow, Restore);
    }
    TFocusReturn(const TFocusReturn&) = delete;
    TFocusReturn& operator=(const TFocusReturn&) = delete;

private:
    QPointer<QWidget> FWindow;
    QPointer<QWidget> FFocus;
};

// The resource picture Name, or its double-size "@2x" companion on a screen with more
// than one device pixel per point, drawn at the same size in points either way.
inline QPixmap LoadPixmapForScreen(const QWidget* Widget, const QString& Name)
{
    QPixmap Picture;
    if (TakesDoubleSize(Widget->devicePixelRatioF()) && Picture.load(DoubleSizeName(Name))) {
        Picture.setDevicePixelRatio(2.0);
        return Picture;
    }
    Picture.load(Name);
    return Picture;
}

// Paints a window that has just been shown before the caller blocks the event loop
// (a long read): waits up to a moment for the window system to map it, then paints.
inline void PaintBeforeBlocking(QWidget* Window)
{
    QElapsedTimer Clock;
    Clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    } while (Window->windowHandle() && !Window->windowHandle()->isExposed()
             && Clock.elapsed() < 300);
    Window->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
