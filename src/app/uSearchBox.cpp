#include "uSearchBox.h"

#include <QChildEvent>
#include <QKeyEvent>
#include <QLineEdit>

TSearchBox::TSearchBox(QWidget* Parent) : QComboBox(Parent) {}

void TSearchBox::childEvent(QChildEvent* Event)
{
    QComboBox::childEvent(Event);
    // The text field is made when the box becomes editable, and is told here while it
    // is still being constructed (not yet a QLineEdit): every child widget is watched,
    // and eventFilter looks only at the text field.
    if (Event->added() && Event->child()->isWidgetType())
        Event->child()->installEventFilter(this);
}

bool TSearchBox::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == lineEdit() && Event->type() == QEvent::KeyRelease)
        RemoveChosenHistoryItem(static_cast<QKeyEvent*>(Event));
    return QComboBox::eventFilter(Watched, Event);
}

void TSearchBox::keyReleaseEvent(QKeyEvent* Event)
{
    if (!RemoveChosenHistoryItem(Event))
        QComboBox::keyReleaseEvent(Event);
}

bool TSearchBox::RemoveChosenHistoryItem(QKeyEvent* Event)
{
    if (Event->isAutoRepeat() || Event->key() != Qt::Key_Delete)
        return false;
    const int Index = currentIndex();
    if (Index < 0)
        return false;
    // Keep what is typed in the box; only the history item goes.
    const QString Typed = currentText();
    removeItem(Index);
    setCurrentIndex(-1);
    setEditText(Typed);
    return true;
}
