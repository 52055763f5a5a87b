#include <platform/DragDropInternetTarget.h>

#include <platform/DragDropInternetMime.h>

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>
#include <QtDebug>

#include <exception>

namespace {

constexpr int AutoScrollIntervalMs = 50;
constexpr int DefaultAutoScrollMargin = 16;

QWidget* EventWidgetFor(QWidget* Target)
{
    if (auto* area = qobject_cast<QAbstractScrollArea*>(Target))
        return area->viewport();
    return Target;
}

int AutoScrollMargin(QWidget* Target)
{
    if (auto* view = qobject_cast<QAbstractItemView*>(Target))
        return view->autoScrollMargin();
    return DefaultAutoScrollMargin;
}

} // namespace

TDropURLTarget::TDropURLTarget(QObject* AOwner) : QObject(AOwner)
{
    FAutoScrollTimer = new QTimer(this);
    FAutoScrollTimer->setInterval(AutoScrollIntervalMs);
    connect(FAutoScrollTimer, &QTimer::timeout, this, &TDropURLTarget::AutoScrollStep);
}

TDropURLTarget::~TDropURLTarget()
{
    SetTarget(nullptr);
}

void TDropURLTarget::SetTarget(QWidget* Target)
{
    if (FEventWidget)
        FEventWidget->removeEventFilter(this);
    FSession.Abort();
    StopAutoScroll();
    FTarget = Target;
    FEventWidget = Target ? EventWidgetFor(Target) : nullptr;
    if (!FEventWidget)
        return;
    Target->setAcceptDrops(true);
    FEventWidget->setAcceptDrops(true);
    FEventWidget->installEventFilter(this);
}

QWidget* TDropURLTarget::Target() const
{
    return FTarget;
}

void TDropURLTarget::SetEnabled(bool Value)
{
    if (!Value) {
        FSession.Abort();
        StopAutoScroll();
    }
    FEnabled = Value;
}

QString TDropURLTarget::URL() const
{
    return FSession.Data().URL();
}

QString TDropURLTarget::Title() const
{
    return FSession.Data().Title();
}

QStringList TDropURLTarget::DroppedFileNames() const
{
    return FSession.Data().DroppedFileNames();
}

bool TDropURLTarget::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched != FEventWidget || !FEnabled)
        return QObject::eventFilter(Watched, Event);
    switch (Event->type()) {
    case QEvent::DragEnter:
        HandleDragEnter(static_cast<QDragEnterEvent*>(Event));
        return true;
    case QEvent::DragMove:
        HandleDragMove(static_cast<QDragMoveEvent*>(Event));
        return true;
    case QEvent::DragLeave:
        HandleDragLeave();
        return true;
    case QEvent::Drop:
        HandleDrop(static_cast<QDropEvent*>(Event));
        return true;
    default:
        return QObject::eventFilter(Watched, Event);
    }
}

namespace {

void Answer(QDropEvent* Event, Qt::DropAction Effect)
{
    if (Effect == Qt::IgnoreAction) {
        Event->setDropAction(Qt::IgnoreAction);
        Event->ignore();
    } else {
        Event->setDropAction(Effect);
        Event->accept();
    }
}

} // namespace

// Exceptions must not cross Qt's event delivery: a failing step ends the drag with
// "no drop" and forgets its data.
void TDropURLTarget::HandleDragEnter(QDragMoveEvent* Event)
{
    Qt::DropAction effect = Qt::IgnoreAction;
    try {
        TMimeURLDropSource source(*Event->mimeData());
        effect = FSession.DragEnter(source, Event->modifiers(), Event->possibleActions());
        // Qt delivers neither moves, nor the drop, nor the leave after an ignored
        // enter. No key can change that (the allowed set does not depend on keys),
        // so nothing of this drag needs to be held.
        if (effect == Qt::IgnoreAction)
            FSession.Abort();
    } catch (const std::exception& e) {
        qWarning("Drag enter failed: %s", e.what());
        FSession.Abort();
        effect = Qt::IgnoreAction;
    }
    Answer(Event, effect);
    if (FSession.Accepted())
        UpdateAutoScroll(Event->position().toPoint());
}

void TDropURLTarget::HandleDragMove(QDragMoveEvent* Event)
{
    Answer(Event, FSession.DragOver(Event->modifiers(), Event->possibleActions()));
    if (FSession.Accepted())
        UpdateAutoScroll(Event->position().toPoint());
}

void TDropURLTarget::HandleDragLeave()
{
    StopAutoScroll();
    FSession.DragLeave();
}

void TDropURLTarget::HandleDrop(QDropEvent* Event)
{
    StopAutoScroll();
    const Qt::KeyboardModifiers shift = Event->modifiers();
    const Qt::MouseButtons buttons = Event->buttons();
    const QPoint point = Event->position().toPoint();
    Qt::DropAction effect = Qt::IgnoreAction;
    try {
        effect = FSession.Drop(shift, Event->possibleActions(), [&](Qt::DropAction& Effect) {
            Q_EMIT Drop(shift, point, Effect);
            if (OnDrop)
                OnDrop(this, shift, buttons, point, Effect);
        });
    } catch (const std::exception& e) {
        // The handler is expected to report its own errors; this only keeps the
        // event loop intact.
        qWarning("Drop handler failed: %s", e.what());
        effect = Qt::IgnoreAction;
    }
    Answer(Event, effect);
}

void TDropURLTarget::UpdateAutoScroll(const QPoint& Pos)
{
    auto* area = qobject_cast<QAbstractScrollArea*>(FTarget.data());
    if (!area || !FEventWidget) {
        StopAutoScroll();
        return;
    }
    if (auto* view = qobject_cast<QAbstractItemView*>(area); view && !view->hasAutoScroll()) {
        StopAutoScroll();
        return;
    }
    const int margin = AutoScrollMargin(area);
    const QRect inner = FEventWidget->rect().adjusted(margin, margin, -margin, -margin);
    FAutoScrollPos = Pos;
    if (inner.contains(Pos)) {
        StopAutoScroll();
    } else if (!FAutoScrollTimer->isActive()) {
        FAutoScrollTimer->start();
    }
}

void TDropURLTarget::StopAutoScroll()
{
    if (FAutoScrollTimer)
        FAutoScrollTimer->stop();
}

void TDropURLTarget::AutoScrollStep()
{
    auto* area = qobject_cast<QAbstractScrollArea*>(FTarget.data());
    if (!area || !FEventWidget || !FSession.Accepted()) {
        StopAutoScroll();
        return;
    }
    const int margin = AutoScrollMargin(area);
    const QRect r = FEventWidget->rect();
    QScrollBar* v = area->verticalScrollBar();
    QScrollBar* h = area->horizontalScrollBar();
    if (FAutoScrollPos.y() < r.top() + margin)
        v->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (FAutoScrollPos.y() > r.bottom() - margin)
        v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (FAutoScrollPos.x() < r.left() + margin)
        h->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (FAutoScrollPos.x() > r.right() - margin)
        h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
}
