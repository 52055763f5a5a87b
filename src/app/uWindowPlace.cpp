#include <app/uWindowPlace.h>

#include <QGuiApplication>
#include <QHeaderView>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

// True when some screen shows enough of the rectangle's top strip to grab it.
bool TitleReachable(const QRect& Frame)
{
    const QRect Strip(Frame.left(), Frame.top(), Frame.width(), 30);
    for (const QScreen* S : QGuiApplication::screens()) {
        const QRect Seen = S->availableGeometry().intersected(Strip);
        if (Seen.width() >= 60 && Seen.height() >= 10)
            return true;
    }
    return false;
}

bool IsPermutation(const QList<int>& Order, int Count)
{
    if (Order.size() != Count)
        return false;
    QList<int> Sorted = Order;
    std::sort(Sorted.begin(), Sorted.end());
    for (int i = 0; i < Count; ++i)
        if (Sorted.at(i) != i)
            return false;
    return true;
}

} // namespace

TWindowPlace WindowPlaceOf(const QWidget& Window, const QHeaderView& Header,
                           bool ColumnsSizedByUser)
{
    TWindowPlace Place;
    Place.Maximized = Window.isMaximized();
    const QRect Normal = Place.Maximized ? Window.normalGeometry() : Window.geometry();
    Place.Left = Normal.left();
    Place.Top = Normal.top();
    Place.Width = Normal.width();
    Place.Height = Normal.height();
    for (int Visual = 0; Visual < Header.count(); ++Visual)
        Place.ColumnOrder.append(Header.logicalIndex(Visual));
    if (ColumnsSizedByUser)
        for (int Column = 0; Column < Header.count(); ++Column)
            Place.ColumnWidths.append(Header.sectionSize(Column));
    return Place;
}

bool WindowPlaceApply(QWidget& Window, QHeaderView& Header, const TWindowPlace& Place)
{
    if (Place.Width > 0 && Place.Height > 0) {
        const QSize Size = QSize(Place.Width, Place.Height).expandedTo(Window.minimumSize());
        const QRect Kept(QPoint(Place.Left, Place.Top), Size);
        if (TitleReachable(Kept))
            Window.setGeometry(Kept);
        else
            Window.resize(Size);
        if (Place.Maximized)
            Window.setWindowState(Window.windowState() | Qt::WindowMaximized);
    }
    const int Count = Header.count();
    if (IsPermutation(Place.ColumnOrder, Count))
        for (int Visual = 0; Visual < Count; ++Visual)
            Header.moveSection(Header.visualIndex(Place.ColumnOrder.at(Visual)), Visual);
    if (Place.ColumnWidths.size() != Count)
        return false;
    for (int Column = 0; Column < Count; ++Column)
        Header.resizeSection(Column,
                             std::max(Place.ColumnWidths.at(Column), Header.minimumSectionSize()));
    return true;
}
