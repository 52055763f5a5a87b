#include <app/uReportLog.h>

#include <QDir>
#include <QLocale>

namespace {

QString Native(const QString& Path)
{
    return QDir::toNativeSeparators(Path);
}

} // namespace

QString TReport::Text() const
{
    QString Out = Title + QStringLiteral(" \u2014 ")
                  + QLocale().toString(When, QLocale::ShortFormat) + u'\n' + Summary;
    for (const QString& L : Lines)
        Out += u'\n' + L;
    return Out;
}

TReport TReportLog::AddReport(const QString& Title, const TWebSitesStats& S)
{
    TReport R;
    R.Title = Title;
    R.When = QDateTime::currentDateTime();
    R.Summary = tr("Added %1, merged %2, skipped %3").arg(S.Added).arg(S.Merged).arg(S.Skipped);
    for (const QString& File : S.FilesWithoutBookmarks)
        R.Lines << tr("No bookmarks found in %1").arg(Native(File));
    for (const QString& File : S.NotBookmarkFiles)
        R.Lines << tr("Not a bookmark file: %1").arg(Native(File));
    if (!S.BadRows.isEmpty()) {
        R.Lines << tr("Rows left out: %1").arg(S.BadRowCount);
        for (const QString& Row : S.BadRows)
            R.Lines << QStringLiteral("  ") + Row;
        // Only the first few are kept: a file may reject millions.
        if (S.BadRowCount > S.BadRows.size())
            R.Lines << QStringLiteral("  ")
                           + tr("and %1 more").arg(S.BadRowCount - S.BadRows.size());
    }
    return R;
}

void TReportLog::Append(TReport Report)
{
    FReports.append(std::move(Report));
    while (FReports.size() > Capacity)
        FReports.removeFirst();
    Q_EMIT Appended();
}
