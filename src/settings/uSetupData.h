#pragma once
// The program's settings and the records of past activity: the settings record and
// its INI file, the data folder, the search history file and the dated history
// copies. GUI-free; the Setup dialog (uFrmSetup.h) edits the settings. Where the
// browser programs are installed: uBrowserPrograms.h.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class TWebSiteList;

// Where the main window was and how its list's columns were laid out when it last
// closed. A Width of 0 means none was kept: the window opens as designed.
struct TWindowPlace
{
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool Maximized = false;
    QList<int> ColumnWidths; // by the model's column; empty: the columns share the list's width
    QList<int> ColumnOrder;  // the model's columns in the order shown; empty: as designed

    bool operator==(const TWindowPlace&) const = default;
};

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
    bool isLinkCheckIcons = false; // a link check brings the missing icons too
    QString BaseBookmarkName;
    TWindowPlace Window;

    bool operator==(const TSetupData&) const = default;
};

// The folder holding the settings, search history, base bookmark file and History\:
// the executable's folder when writable, else the per-user application data folder.
QString GetDataDir();
// Tests point the data folder at a temporary one ("" restores the normal rule).
void SetDataDirOverride(const QString& Dir);
// The executable's base name used for the file names ("zorvel").
QString AppBaseName();

void SetupDataDefault(TSetupData& r);
QString SetupIniFileName();
// Fills Settings with defaults, then overrides them from the INI file.
void LoadSetupData(TSetupData& Settings);
// Writes Settings to the INI file; raises EFileError when it cannot be written.
void SaveSetupData(const TSetupData& Settings);

QString SearchHistoryFileName();
void LoadSearchHistory(QStringList& List);
void SaveSearchHistory(const QStringList& List);

QString HistoryBookmarkFileName();
// A timestamped copy of the list in History\ when history copies are on in Settings
// and the list is not empty.
void SaveHistoryCopy(const TWebSiteList& List, const TSetupData& Settings);
// Moves one file to the recycle bin / trash; true when it is gone from its folder.
bool RecycleFile(const QString& Path);
// Moves the history copies to the trash and returns how many left the History folder
// (0 when there is no History folder). The caller with UI shows
// "<count> HTML File was deleted." when the count is not 0.
int ClearHistoryFiles();

// ---- Building blocks of the above, public so that tests can reach them ---------------

// The data folder rule: ExeDir when a file can be created in it, else FallbackDir
// (created on demand). "" when neither is usable.
QString ChooseDataDir(const QString& ExeDir, const QString& FallbackDir);
// True for the system's program folders (Program Files; /usr, /opt ... elsewhere).
bool IsSystemProgramDir(const QString& Dir);
// True when a new file can be created (and removed again) in Dir.
bool IsDirWritable(const QString& Dir);

// The history copy name for a given local time: <data dir>/History/hvonyyyy-MM-dd hh-mm-ss.html
QString HistoryBookmarkFileNameAt(const QDateTime& Time);
// Whether a file name has the form of a history copy (hvon????-??-?? ??-??-??.html, any case).
bool IsHistoryFileName(const QString& Name);

// Search history text: lines split at CR LF, CR or LF; bytes in the encoding their
// byte-order mark names, else the legacy code page.
QStringList SearchHistoryFromData(const QByteArray& Data);
// Every item plus CR LF, in the legacy code page, or UTF-16LE with a byte-order mark
// when the code page cannot hold a character of the text.
QByteArray SearchHistoryToData(const QStringList& List);
