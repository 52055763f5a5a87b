#pragma once
// Undo and redo for changes to the bookmark list (delete, clear all, property
// edits, adds and drops, and any later command that changes entries).
//
// The list's session (uListSession.h) copies the list before a command runs (copies
// are cheap: the texts are shared, not duplicated) and records the change once it
// is done; nothing else records. The step keeps
// only the difference: the entries that left the list and the entries that came
// in, each with its position. The list is re-sorted and re-filtered between
// commands, so undo finds the entries to take out by their content, not by their
// place, and puts the others back at their old positions: when nothing re-sorted
// the list in between, the old order comes back exactly.
//
// Memory: a step holds about (entries it changed) x (record size + text size);
// the stack keeps at most MaxSteps steps and drops the oldest ones while the
// total is over ByteBudget (the newest step is always kept, however large).

#include <model/uWebSiteList.h>

#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QUndoStack;

// One change of the list: entries removed (at their positions before), entries
// added (at their positions after) and where the others moved. Entries are compared
// by their whole content (WebSiteSameContent); the Selected and Visible flags are
// view state and do not count.
struct TListChange
{
    struct TEntryAt
    {
        qsizetype Index = 0;
        TWebSite Site;
    };
    std::vector<TEntryAt> Removed; // by position before, ascending
    std::vector<TEntryAt> Added;   // by position after, ascending
    // Where the entries that stayed were before, in their order after: runs of
    // consecutive positions, so an unchanged stretch costs one run.
    struct TRun
    {
        qsizetype BeforeStart = 0;
        qsizetype Length = 0;
    };
    std::vector<TRun> Kept;
    // The order of the contents before and after; when the list still has the one,
    // the other is rebuilt exactly, else only the entries are exchanged.
    size_t BeforeOrder = 0;
    size_t AfterOrder = 0;
    qsizetype BeforeCount = 0;
    qsizetype AfterCount = 0;

    bool isEmpty() const { return Removed.empty() && Added.empty(); }
    // What the step holds, counting every text as its own copy.
    qint64 Bytes() const;
};

// The difference between a list's entries before and after a command.
TListChange ListDifference(std::vector<TWebSite> Before, const std::vector<TWebSite>& After);
TListChange ListDifference(std::vector<TWebSite> Before, const TWebSiteList& After);
// Turns entries in the After state back into Before (undo), or Before into After (redo).
void UndoListChange(std::vector<TWebSite>& Items, const TListChange& Change);
void RedoListChange(std::vector<TWebSite>& Items, const TListChange& Change);

class TListUndo : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxSteps = 100;
    static constexpr qint64 DefaultByteBudget = 256LL * 1024 * 1024;

    explicit TListUndo(TWebSiteList& List, QObject* Parent = nullptr);
    ~TListUndo() override;

    QUndoStack* Stack() const { return FStack; }
    // Menu actions with the step's name in their caption ("&Undo Delete").
    QAction* UndoAction() const { return FUndoAction; }
    QAction* RedoAction() const { return FRedoAction; }
    qint64 Bytes() const;
    int Count() const;
    void SetByteBudget(qint64 Bytes) { FByteBudget = Bytes; }
    void Clear();

    // Runs before every undo and redo changes the list (the window notes its
    // selection on the entries) and after it (the window refreshes).
    std::function<void()> OnBeforeListChange;
    std::function<void()> OnListChanged;

Q_SIGNALS:
    // An undo or a redo changed the list (after OnListChanged).
    void Applied();

private:
    friend class TListUndoStep;
    friend class TListSession;
    // Records what the command named Text did: Before is the list's entries before
    // it, the list as it is now the result. Nothing is recorded when the entries did
    // not change (false). Records are undone newest first.
    bool Record(const QString& Text, std::vector<TWebSite> Before);
    void Apply(const TListChange& Change, bool Undo);
    void DropOldest();
    void UpdateActionTexts();

    TWebSiteList& FList;
    QUndoStack* FStack = nullptr;
    QAction* FUndoAction = nullptr;
    QAction* FRedoAction = nullptr;
    // The changes of the stack's commands, oldest first (the commands share them).
    struct TRecorded
    {
        QString Text;
        std::shared_ptr<const TListChange> Change;
    };
    std::deque<TRecorded> FChanges;
    qint64 FByteBudget = DefaultByteBudget;
    bool FReplaying = false;
};
