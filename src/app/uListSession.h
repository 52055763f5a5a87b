#pragma once
// The bookmark list of one run of the program, without its window: the entries,
// the undo history, the sort and the filter, whether the list changed since the
// start and since it was last saved, and what reading the base file gave.
//
// Every change of the entries goes through Change(): it copies the entries before
// (the texts are shared, so the copy is cheap), runs the edit, records the
// difference as one undo step and counts the list as changed. What counts as a
// difference is the whole entry (WebSiteSameContent beside TWebSite), so an edit of
// any field is an undo step and a change the close asks about. The window keeps
// its widgets, dialogs and texts and asks the session for the rest.

#include "uBaseBookmarkFile.h"
#include "uListUndo.h"

#include <model/uWebSiteList.h>

#include <QObject>
#include <QString>

#include <functional>

class TListSession : public QObject
{
    Q_OBJECT
public:
    explicit TListSession(QObject* Parent = nullptr);
    ~TListSession() override;

    // ---- The list.
    const TWebSiteList& List() const { return FList; }
    // The list for reading and for what the view keeps in the entries (the
    // Selected marks, the add counts): the entries' content changes only through
    // Change(), or undo and the close check do not see it.
    TWebSiteList& ViewList() { return FList; }

    // ---- The one way to change the entries.
    // Runs Edit on the list as one undo step named Step. Returns whether the
    // entries changed (when they did not, no step is kept). When Edit throws, what
    // it did so far is still kept as the step, and the exception goes on.
    bool Change(const QString& Step, const std::function<void(TWebSiteList&)>& Edit);
    // Empties the list as one step: the entries move into the step, nothing is copied.
    bool ClearAll(const QString& Step);

    // ---- Undo and redo of the changes (the window shows the actions).
    TListUndo& Undo() const { return *FUndo; }

    // ---- The start of the session.
    // The list the read of the base file gave, sorted by SortIndex already (0: not sorted).
    void TakeList(TWebSiteList&& List, int SortedBy);
    // What reading the base file gave: the session's list starts here, unchanged.
    void StartAt(const TBaseFileRead& Read);
    const TBaseFileRead& BaseFile() const { return FBaseFile; }
    // After the writes at exit: the list is left to the system instead of being
    // freed record by record (seconds for a million entries).
    void LeaveListAtExit();

    // ---- Changed: an undo or a redo counts too, even one back to where it was.
    bool ChangedSinceStart() const { return FChangeCount != FStartCount; }
    bool ChangedSinceSave() const { return FChangeCount != FSaveCount; }
    // The whole list was written to a file.
    void MarkSaved() { FSaveCount = FChangeCount; }

    // ---- Sort: 1 title, 2 URL, 3 category, 4 comment, 5 tags, 6 link; negative reverses.
    int SortIndex() const { return FSortIndex; }
    void SetSortIndex(int Index) { FSortIndex = Index; }
    // Sorts the list by SortIndex(), unless the read has just sorted it so.
    void Sort();

    // ---- Filter: the entries shown (TWebSite::Visible).
    // Shows the entries that match Text; with OnlyProblems, of those only the ones
    // whose last link check found a problem.
    void SetFilter(const QString& Text, bool OnlyProblems);
    const QString& FilterText() const { return FFilterText; }
    bool OnlyProblems() const { return FOnlyProblems; }

private:
    // Records the change from Before to the list as it is now; never throws: a
    // step that cannot be kept (out of memory) costs the undo history, never the
    // command, and the list still counts as changed.
    bool Record(const QString& Step, std::vector<TWebSite> Before) noexcept;
    void CountChange() { ++FChangeCount; }

    TWebSiteList FList;
    TListUndo* FUndo = nullptr;
    TBaseFileRead FBaseFile;
    int FSortIndex = 1;
    // The list is in the order of FSortIndex: the next Sort() need not sort.
    bool FSorted = false;
    QString FFilterText;
    bool FOnlyProblems = false;
    // Changes so far, and their number at the start and at the last save.
    quint64 FChangeCount = 0;
    quint64 FStartCount = 0;
    quint64 FSaveCount = 0;
};
