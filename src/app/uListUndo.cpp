#include "uListUndo.h"

#include "uTranslations.h"

#include <QAction>
#include <QHash>
#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>

namespace {

qint64 SiteBytes(const TWebSite& S)
{
    qsizetype Chars =
        S.Title.size() + S.URL.size() + S.Comment.size() + S.IconURL.size() + S.Category.size();
    qint64 Bytes = qint64(sizeof(TListChange::TEntryAt));
    if (!S.Extras.IsEmpty()) {
        const TWebSiteExtrasData& X = *S.Extras;
        Chars += X.Tags.size() + X.Keyword.size() + X.LinkFinalUrl.size();
        Bytes += qint64(sizeof(TWebSiteExtrasData));
    }
    return Bytes + qint64(Chars) * qint64(sizeof(QChar));
}

// Finds entries by content among a set, each one at most once (duplicates count).
class TContentSet
{
public:
    explicit TContentSet(const std::vector<const TWebSite*>& Sites)
        : FSites(Sites), FUsed(Sites.size(), false)
    {
        FOrder.reserve(Sites.size());
        for (size_t i = 0; i < Sites.size(); ++i)
            FOrder.push_back({WebSiteContentHash(*Sites[i]), i});
        std::sort(FOrder.begin(), FOrder.end());
    }

    // The index of an unused member with S's content (now used), or -1.
    qsizetype Take(const TWebSite& S)
    {
        const size_t Hash = WebSiteContentHash(S);
        auto It =
            std::lower_bound(FOrder.begin(), FOrder.end(), std::pair<size_t, size_t>{Hash, 0});
        for (; It != FOrder.end() && It->first == Hash; ++It) {
            if (!FUsed[It->second] && WebSiteSameContent(*FSites[It->second], S)) {
                FUsed[It->second] = true;
                return qsizetype(It->second);
            }
        }
        return -1;
    }

    bool Used(size_t i) const { return FUsed[i]; }

private:
    const std::vector<const TWebSite*>& FSites;
    std::vector<std::pair<size_t, size_t>> FOrder;
    std::vector<bool> FUsed;
};

template <class TItems>
size_t OrderHash(const TItems& Items)
{
    size_t Hash = 0;
    for (const TWebSite& S : Items)
        Hash = Hash * 1000003u ^ WebSiteContentHash(S);
    return Hash;
}

// Takes Out's entries (by content) out of Items, then puts In's entries at their
// positions: for a list that was re-sorted since the change.
void Exchange(std::vector<TWebSite>& Items, const std::vector<TListChange::TEntryAt>& Out,
              const std::vector<TListChange::TEntryAt>& In)
{
    std::vector<TWebSite> Kept;
    if (Out.empty()) {
        Kept = std::move(Items);
    } else {
        std::vector<const TWebSite*> OutSites;
        OutSites.reserve(Out.size());
        for (const auto& E : Out)
            OutSites.push_back(&E.Site);
        TContentSet Leaving(OutSites);
        Kept.reserve(Items.size());
        for (TWebSite& S : Items)
            if (Leaving.Take(S) < 0)
                Kept.push_back(std::move(S));
    }
    // In is ordered by position: merge it into the kept entries.
    std::vector<TWebSite> Result;
    Result.reserve(Kept.size() + In.size());
    size_t k = 0;
    for (const auto& E : In) {
        while (qsizetype(Result.size()) < E.Index && k < Kept.size())
            Result.push_back(std::move(Kept[k++]));
        Result.push_back(E.Site);
    }
    while (k < Kept.size())
        Result.push_back(std::move(Kept[k++]));
    Items = std::move(Result);
}

// The positions after that hold kept entries, in order, with each one's position before.
template <class TFn>
void ForEachKept(const TListChange& C, TFn&& Fn)
{
    size_t NextAdded = 0;
    qsizetype After = 0;
    auto NextKeptAfter = [&] {
        while (NextAdded < C.Added.size() && C.Added[NextAdded].Index == After) {
            ++NextAdded;
            ++After;
        }
        return After++;
    };
    for (const TListChange::TRun& Run : C.Kept)
        for (qsizetype i = 0; i < Run.Length; ++i)
            Fn(NextKeptAfter(), Run.BeforeStart + i);
}

} // namespace

qint64 TListChange::Bytes() const
{
    qint64 Total = qint64(sizeof(TListChange)) + qint64(Kept.size() * sizeof(TRun));
    for (const auto* Side : {&Removed, &Added})
        for (const TEntryAt& E : *Side)
            Total += SiteBytes(E.Site);
    return Total;
}

template <class TAfter>
TListChange Difference(std::vector<TWebSite> Before, const TAfter& After)
{
    TListChange Change;
    Change.BeforeCount = qsizetype(Before.size());
    Change.AfterCount = qsizetype(After.size());
    Change.BeforeOrder = OrderHash(Before);
    Change.AfterOrder = OrderHash(After);
    // Entries present on both sides (by content, duplicates counted) did not change.
    std::vector<const TWebSite*> BeforeSites;
    BeforeSites.reserve(Before.size());
    for (const TWebSite& S : Before)
        BeforeSites.push_back(&S);
    TContentSet Old(BeforeSites);
    for (qsizetype i = 0; i < qsizetype(After.size()); ++i) {
        const qsizetype Was = Old.Take(After[size_t(i)]);
        if (Was < 0) {
            Change.Added.push_back({i, After[size_t(i)]});
        } else if (!Change.Kept.empty()
                   && Change.Kept.back().BeforeStart + Change.Kept.back().Length == Was) {
            ++Change.Kept.back().Length;
        } else {
            Change.Kept.push_back({Was, 1});
        }
    }
    for (size_t i = 0; i < Before.size(); ++i)
        if (!Old.Used(i))
            Change.Removed.push_back({qsizetype(i), std::move(Before[i])});
    return Change;
}

TListChange ListDifference(std::vector<TWebSite> Before, const std::vector<TWebSite>& After)
{
    return Difference(std::move(Before), After);
}

TListChange ListDifference(std::vector<TWebSite> Before, const TWebSiteList& After)
{
    return Difference(std::move(Before), After);
}

void UndoListChange(std::vector<TWebSite>& Items, const TListChange& Change)
{
    if (qsizetype(Items.size()) != Change.AfterCount || OrderHash(Items) != Change.AfterOrder) {
        Exchange(Items, Change.Added, Change.Removed);
        return;
    }
    std::vector<TWebSite> Result(size_t(Change.BeforeCount));
    for (const auto& E : Change.Removed)
        Result[size_t(E.Index)] = E.Site;
    ForEachKept(Change, [&](qsizetype After, qsizetype Before) {
        Result[size_t(Before)] = std::move(Items[size_t(After)]);
    });
    Items = std::move(Result);
}

void RedoListChange(std::vector<TWebSite>& Items, const TListChange& Change)
{
    if (qsizetype(Items.size()) != Change.BeforeCount || OrderHash(Items) != Change.BeforeOrder) {
        Exchange(Items, Change.Removed, Change.Added);
        return;
    }
    std::vector<TWebSite> Result(size_t(Change.AfterCount));
    for (const auto& E : Change.Added)
        Result[size_t(E.Index)] = E.Site;
    ForEachKept(Change, [&](qsizetype After, qsizetype Before) {
        Result[size_t(After)] = std::move(Items[size_t(Before)]);
    });
    Items = std::move(Result);
}

// One step on the stack. Its change is already done when it is pushed.
class TListUndoStep : public QUndoCommand
{
public:
    TListUndoStep(TListUndo* Owner, const QString& Text, std::shared_ptr<const TListChange> Change)
        : QUndoCommand(Text), FOwner(Owner), FChange(std::move(Change))
    {
    }

    void undo() override
    {
        if (!FOwner->FReplaying)
            FOwner->Apply(*FChange, true);
    }

    void redo() override
    {
        if (FPushed && !FOwner->FReplaying)
            FOwner->Apply(*FChange, false);
        FPushed = true;
    }

private:
    TListUndo* FOwner;
    std::shared_ptr<const TListChange> FChange;
    bool FPushed = false;
};

TListUndo::TListUndo(TWebSiteList& List, QObject* Parent) : QObject(Parent), FList(List)
{
    FStack = new QUndoStack(this);
    FUndoAction = new QAction(this);
    FRedoAction = new QAction(this);
    FUndoAction->setObjectName(QStringLiteral("undoAction"));
    FRedoAction->setObjectName(QStringLiteral("redoAction"));
    connect(FUndoAction, &QAction::triggered, FStack, &QUndoStack::undo);
    connect(FRedoAction, &QAction::triggered, FStack, &QUndoStack::redo);
    connect(FStack, &QUndoStack::indexChanged, this, &TListUndo::UpdateActionTexts);
    connect(FStack, &QUndoStack::cleanChanged, this, &TListUndo::UpdateActionTexts);
    UpdateActionTexts();
}

void TListUndo::UpdateActionTexts()
{
    const QString UndoCaption = tr("&Undo");
    const QString RedoCaption = tr("&Redo");
    auto Caption = [](const QString& Verb, const QString& What) {
        return What.isEmpty() ? Verb : Verb + u' ' + What;
    };
    FUndoAction->setText(Caption(UndoCaption, FStack->undoText()));
    FRedoAction->setText(Caption(RedoCaption, FStack->redoText()));
    FUndoAction->setEnabled(FStack->canUndo());
    FRedoAction->setEnabled(FStack->canRedo());
}

TListUndo::~TListUndo()
{
    FReplaying = true;
    FStack->clear();
}

bool TListUndo::Record(const QString& Text, std::vector<TWebSite> Before)
{
    auto Change = std::make_shared<const TListChange>(ListDifference(std::move(Before), FList));
    if (Change->isEmpty())
        return false;
    // A new step ends every redo above the current one.
    while (qsizetype(FChanges.size()) > FStack->index())
        FChanges.pop_back();
    FChanges.push_back({Text, Change});
    FStack->push(new TListUndoStep(this, Text, Change));
    DropOldest();
    return true;
}

void TListUndo::DropOldest()
{
    size_t Drop = 0;
    qint64 Total = Bytes();
    while (FChanges.size() - Drop > 1
           && (FChanges.size() - Drop > size_t(MaxSteps) || Total > FByteBudget)) {
        Total -= FChanges[Drop].Change->Bytes();
        ++Drop;
    }
    if (Drop == 0)
        return;
    // QUndoStack cannot let go of its oldest commands by itself: build it again from
    // the steps that stay. Pushing runs each step's redo, which must not touch the
    // list now; a new step is always on top, so nothing is left to redo afterwards.
    FChanges.erase(FChanges.begin(), FChanges.begin() + qsizetype(Drop));
    FReplaying = true;
    FStack->clear();
    for (const TRecorded& R : FChanges)
        FStack->push(new TListUndoStep(this, R.Text, R.Change));
    FReplaying = false;
    UpdateActionTexts();
}

qint64 TListUndo::Bytes() const
{
    qint64 Total = 0;
    for (const TRecorded& R : FChanges)
        Total += R.Change->Bytes();
    return Total;
}

int TListUndo::Count() const
{
    return FStack->count();
}

void TListUndo::Clear()
{
    FReplaying = true;
    FStack->clear();
    FChanges.clear();
    FReplaying = false;
    UpdateActionTexts();
}

void TListUndo::Apply(const TListChange& Change, bool Undo)
{
    if (OnBeforeListChange)
        OnBeforeListChange();
    std::vector<TWebSite>& Items = FList.Items();
    if (Undo)
        UndoListChange(Items, Change);
    else
        RedoListChange(Items, Change);
    if (OnListChanged)
        OnListChanged();
    Q_EMIT Applied();
}
