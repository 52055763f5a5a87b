#include "uListSession.h"

#include <utility>

TListSession::TListSession(QObject* Parent) : QObject(Parent)
{
    FUndo = new TListUndo(FList, this);
    connect(FUndo, &TListUndo::Applied, this, [this] {
        FSorted = false;
        CountChange();
    });
}

TListSession::~TListSession() = default;

bool TListSession::Change(const QString& Step, const std::function<void(TWebSiteList&)>& Edit)
{
    std::vector<TWebSite> Before(FList.begin(), FList.end());
    FSorted = false;
    try {
        Edit(FList);
    } catch (...) {
        Record(Step, std::move(Before));
        throw;
    }
    return Record(Step, std::move(Before));
}

bool TListSession::ClearAll(const QString& Step)
{
    std::vector<TWebSite> Before = std::move(FList.Items());
    FList.Clear();
    return Record(Step, std::move(Before));
}

bool TListSession::Record(const QString& Step, std::vector<TWebSite> Before) noexcept
{
    try {
        if (!FUndo->Record(Step, std::move(Before)))
            return false;
    } catch (...) {
        // Whether the entries changed is not known now: they count as changed.
        FUndo->Clear();
    }
    CountChange();
    return true;
}

void TListSession::TakeList(TWebSiteList&& List, int SortedBy)
{
    const bool Shorten = FList.ShortenURLs;
    FList = std::move(List);
    FList.ShortenURLs = Shorten;
    FList.ResetStats();
    FSorted = SortedBy != 0 && SortedBy == FSortIndex;
}

void TListSession::StartAt(const TBaseFileRead& Read)
{
    FBaseFile = Read;
    FStartCount = FSaveCount = FChangeCount;
}

void TListSession::LeaveListAtExit()
{
    NewListKeptUntilExit() = std::move(FList);
    FList = TWebSiteList();
}

void TListSession::Sort()
{
    // A list the read has sorted already is not sorted again (a second for a million entries).
    if (!std::exchange(FSorted, false))
        WebSitesSort(FList, FSortIndex);
}

void TListSession::SetFilter(const QString& Text, bool OnlyProblems)
{
    FFilterText = Text;
    FOnlyProblems = OnlyProblems;
    FSorted = false;
    WebSitesSearch(FList, Text);
    if (OnlyProblems)
        WebSitesKeepLinkProblems(FList);
}
