#pragma once
// The program's settings and the records of past activity: the settings record and
// its INI file, browser detection, the search history file and the dated history
// copies. GUI-free; the Setup dialog (uFrmSetup.h) edits SetupData.

#include <QString>
#include <QStringList>

class TWebSiteList;

struct TSetupData
{
    QString IEPath;
    QString FFPath;
    QString CHPath;
    QString VIPath;
    QString TRPath;
    QString PMPath;
    bool isOpenBaseBookmark = true;
    bool isSaveHistory = false;
    bool isAmazonShort = false;
    QString BaseBookmarkName;

    bool operator==(const TSetupData&) const = default;
};

// The one live settings record and the six path-exists flags (computed by the
// Setup dialog, read by the "Open by" commands).
extern TSetupData SetupData;
extern bool IEExists, FFExists, CHExists, VIExists, TRExists, PMExists;

// The folder holding the settings, search history, base bookmark file and History\:
// the executable's folder when writable, else the per-user application data folder.
QString GetDataDir();
// Tests point the data folder at a temporary one ("" restores the normal rule).
void SetDataDirOverride(const QString& Dir);
// The executable's base name used for the file names ("zorvel").
QString AppBaseName();

QString DetectIEPath();
QString DetectFFPath();
QString DetectCHPath();
QString DetectVIPath();
QString DetectTRPath();
QString DetectPMPath();

void SetupDataDefault(TSetupData& r);
QString SetupIniFileName();
// Fills SetupData with defaults, then overrides from the INI file.
void LoadSetupData();
// Writes SetupData to the INI file; raises EFileError when it cannot be written.
void SaveSetupData();

QString SearchHistoryFileName();
void LoadSearchHistory(QStringList& List);
void SaveSearchHistory(const QStringList& List);

QString HistoryBookmarkFileName();
// A timestamped copy of the list in History\ when history copies are on and the list is not empty.
void SaveHistoryCopy(const TWebSiteList& List);
void RecycleFile(const QString& Path);
// Moves the history copies to the trash; returns how many were listed.
int ClearHistoryFiles();
