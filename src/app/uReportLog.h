#pragma once
// What the adds, drops, imports, checks and merges of this session reported, kept
// whole so that the user can read a report again (and copy it) after the quick
// notice over the list has faded. Only this session's: nothing is written to disk.

#include <model/uWebSiteList.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

struct TReport
{
    QString Title;     // what ran: "Add", "Drop", "Import", "Link check" ...
    QDateTime When;    // when it ended
    QString Summary;   // one line: the counts
    QStringList Lines; // everything else, one item a line: every file, every row left out

    // The whole report as text, for the dialog and the clipboard: title and time,
    // the summary, then every line.
    QString Text() const;
};

// The last reports of the session, newest last; the oldest goes when there are
// more than Capacity.
class TReportLog : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype Capacity = 20;

    explicit TReportLog(QObject* Parent = nullptr) : QObject(Parent) {}

    // What an add (of files, folders, a dropped link or the browsers' files) did:
    // the counts, then every file without bookmarks, every file that is no bookmark
    // file and every row of a service export that was left out, with its file and line.
    static TReport AddReport(const QString& Title, const TWebSitesStats& Stats);

    void Append(TReport Report);
    const QList<TReport>& Reports() const { return FReports; }
    bool IsEmpty() const { return FReports.isEmpty(); }

Q_SIGNALS:
    void Appended();

private:
    QList<TReport> FReports;
};
