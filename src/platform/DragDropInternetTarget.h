#pragma once
// TDropURLTarget: lets a widget (the bookmark list) accept links dragged from web
// browsers and shortcut/bookmark files dragged from a file manager.
//
// Usage (main window):
//   DropURLTarget = new TDropURLTarget(this);
//   DropURLTarget->SetTarget(ListView1);          // item views: the viewport gets the events
//   DropURLTarget->OnDrop = [this](TDropURLTarget*, Qt::KeyboardModifiers, Qt::MouseButtons,
//                                  QPoint, Qt::DropAction&) { DropURLTargetDrop(); };
//   // or: connect(DropURLTarget, &TDropURLTarget::Drop, this, &TFrmMain::DropURLTargetDrop);
//
//   void TFrmMain::DropURLTargetDrop()
//   {
//       if (DropURLTarget->Title().startsWith(FileDropMarker))
//           for (const QString& path : DropURLTarget->DroppedFileNames()) ... load path ...
//       else
//           ... add DropURLTarget->URL() with DropURLTarget->Title() ...
//   }
//
// URL, Title and DroppedFileNames hold the data of the drop only while the Drop signal
// and OnDrop run (signal first, then OnDrop); they are empty again right afterwards.
// The data is fetched when the drag enters; a drag that carries nothing usable is
// refused there, so the pointer shows "no drop" over the list.

#include <platform/DragDropInternet.h>

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class QAbstractScrollArea;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class QTimer;
class QWidget;

class TDropURLTarget : public QObject
{
    Q_OBJECT

public:
    // Sender, keys held, mouse buttons held, drop point in the target's client
    // (viewport) coordinates, drop effect (the handler may change it; IgnoreAction
    // reports "nothing done" to the source).
    using TDropEvent =
        std::function<void(TDropURLTarget* Sender, Qt::KeyboardModifiers Shift,
                           Qt::MouseButtons Buttons, QPoint APoint, Qt::DropAction& Effect)>;

    explicit TDropURLTarget(QObject* AOwner = nullptr);
    ~TDropURLTarget() override;

    // The widget that accepts drops. For a QAbstractScrollArea (QListView,
    // QTreeView, QTableView ...) the viewport receives the drag events. nullptr
    // detaches the target again.
    void SetTarget(QWidget* Target);
    QWidget* Target() const;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);

    // The data of the current drag (see above).
    QString URL() const;
    QString Title() const;
    QStringList DroppedFileNames() const;

    // Called once per accepted drop, after the Drop signal.
    TDropEvent OnDrop;

Q_SIGNALS:
    // Emitted once per accepted drop, before OnDrop; connect with a direct connection
    // (the default within one thread) since the data is cleared right afterwards.
    void Drop(Qt::KeyboardModifiers Shift, QPoint APoint, Qt::DropAction Effect);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void HandleDragEnter(QDragMoveEvent* Event);
    void HandleDragMove(QDragMoveEvent* Event);
    void HandleDragLeave();
    void HandleDrop(QDropEvent* Event);
    void UpdateAutoScroll(const QPoint& Pos);
    void StopAutoScroll();
    void AutoScrollStep();

    TURLDropSession FSession;
    QPointer<QWidget> FTarget;      // the widget the caller gave
    QPointer<QWidget> FEventWidget; // the widget whose events are watched (viewport)
    QTimer* FAutoScrollTimer = nullptr;
    QPoint FAutoScrollPos;
    bool FEnabled = true;
};
