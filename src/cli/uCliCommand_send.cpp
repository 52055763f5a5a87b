// zorvel-cli send-to-browser and restore-browser: the collection given back to a
// browser profile, and the profile's bookmarks put back from a backup.

#include "uCliBookmarkSources.h"
#include "uCliCommands.h"
#include "uCliOutput.h"

#include <model/uProfileSend.h>
#include <settings/uSetupData.h>

#include <QCoreApplication>
#include <QDir>

namespace {

// The window's data folder, so that both find the same backups.
QString BackupRoot(const TOptions& o)
{
    if (!o.BackupDir.isEmpty())
        return o.BackupDir;
    QCoreApplication::setOrganizationName(QStringLiteral("Zorvel"));
    QCoreApplication::setApplicationName(QStringLiteral("Zorvel"));
    return QDir(GetDataDir()).filePath(QStringLiteral("Browser backups"));
}

QString TagsText(const QStringList& Tags)
{
    return Tags.join(QLatin1Char(','));
}

void AppendRow(QByteArray& Out, const char* Kind, const TBookmarkPlace& P, TProfileFamily Family,
               const QString& Was)
{
    Out += Kind;
    Out += '\t';
    AppendTsvField(Out, BookmarkPlaceFolderText(P, Family));
    Out += '\t';
    AppendTsvField(Out, P.Title);
    Out += '\t';
    AppendTsvField(Out, P.Url);
    Out += '\t';
    AppendTsvField(Out, TagsText(P.Tags));
    Out += '\t';
    AppendTsvField(Out, Was);
    Out += '\n';
}

QString ChangeText(const TSendChange& C, TProfileFamily Family)
{
    QStringList was;
    if (C.Folder)
        was << QStringLiteral("folder: ") + BookmarkPlaceFolderText(C.Old, Family);
    if (C.Title)
        was << QStringLiteral("title: ") + C.Old.Title;
    if (C.Tags)
        was << QStringLiteral("tags: ") + TagsText(C.Old.Tags);
    if (C.Keyword)
        was << QStringLiteral("keyword: ") + C.Old.Keyword;
    return was.join(QStringLiteral("; "));
}

void PrintPlan(const TSendResult& R)
{
    const TSendPlan& plan = R.Plan;
    const TProfileFamily family = R.Place.Family;
    QByteArray out;
    for (const TBookmarkPlace& p : plan.Added)
        AppendRow(out, "added", p, family, QString());
    for (const TBookmarkPlace& p : plan.Removed)
        AppendRow(out, "removed", p, family, QString());
    for (const TSendChange& c : plan.Changed)
        AppendRow(out, "changed", c.New, family, ChangeText(c, family));
    WriteOut(out);
    FlushOut();
    WriteErr(QStringLiteral("plan: %1 bookmarks in the profile, %2 sent: %3 added, %4 removed, "
                            "%5 changed; %6 bookmarks Zorvel does not keep stay where they are\n")
                 .arg(plan.ProfileCount)
                 .arg(plan.SentCount)
                 .arg(plan.Added.size())
                 .arg(plan.Removed.size())
                 .arg(plan.Changed.size())
                 .arg(plan.Unlisted));
    for (const auto& [url, tags] : plan.TagsKept)
        WriteErr(QStringLiteral("Firefox keeps the tags %1 of %2: its import keeps the tags of "
                                "an address that stays bookmarked\n")
                     .arg(TagsText(tags), url));
}

QString RefusalText(TSendRefusal Refusal)
{
    switch (Refusal) {
    case TSendRefusal::None:
        return QString();
    case TSendRefusal::Unreadable:
        return QStringLiteral("the profile cannot be read");
    case TSendRefusal::EmptySet:
        return QStringLiteral("nothing to send");
    case TSendRefusal::InUse:
        return QStringLiteral("the browser is running; close it and send again");
    case TSendRefusal::Synced:
        return QStringLiteral("this profile's bookmarks sync with an account, and its sync "
                              "would bring the old bookmarks back or duplicate them; use the "
                              "browser's own import of a file written by zorvel-cli merge");
    case TSendRefusal::SyncNeedsYes:
        return QStringLiteral("the set will reach every device of the Firefox Sync account; "
                              "give --yes to send it");
    case TSendRefusal::RemovesMost:
        return QStringLiteral("more than half of the profile's bookmarks would go; give --yes "
                              "to send anyway");
    case TSendRefusal::NotWritable:
        return QStringLiteral("the profile cannot be written");
    case TSendRefusal::BackupFailed:
        return QStringLiteral("no backup could be made, so nothing was written");
    case TSendRefusal::WriteFailed:
        return QStringLiteral("writing failed");
    case TSendRefusal::ReadBackDiffers:
        return QStringLiteral("what was written differs from the plan");
    }
    return QString();
}

void ReportRefusal(TSendRefusal Refusal, const QString& Detail, bool Restored)
{
    QString text = QStringLiteral("zorvel-cli: refused: ") + RefusalText(Refusal);
    if (!Detail.isEmpty())
        text += QStringLiteral(" (") + Detail + QLatin1Char(')');
    if (Restored)
        text += QStringLiteral("; the profile's bookmark files were put back from the backup");
    WriteErr(text + QLatin1Char('\n'));
}

} // namespace

int RunSendToBrowser(const TOptions& o)
{
    const TBookmarkSources sources = ReadBookmarkSources(o);
    if (sources.PassedOver > 0) {
        WriteErr(QStringLiteral("zorvel-cli: refused: a source could not be read; "
                                "nothing is sent from a part of the set\n"));
        return 1;
    }
    TSendOptions options;
    options.BackupRoot = BackupRoot(o);
    options.DryRun = o.DryRun;
    options.Yes = o.Yes;
    const std::vector<TWebSite> sites(sources.List.begin(), sources.List.end());
    const TSendResult r = ProfileSend(o.Profile, sites, options);
    if (r.Refusal != TSendRefusal::Unreadable && r.Refusal != TSendRefusal::EmptySet)
        PrintPlan(r);
    if (r.Refusal != TSendRefusal::None) {
        ReportRefusal(r.Refusal, r.Detail, r.Restored);
        return 1;
    }
    if (o.DryRun) {
        if (!r.InUse.isEmpty())
            WriteErr(QStringLiteral("note: %1; a send now would be refused\n").arg(r.InUse));
        if (!r.Sync.isEmpty())
            WriteErr(QStringLiteral("note: %1\n").arg(r.Sync));
        WriteErr(QStringLiteral("dry run: nothing written\n"));
        return 0;
    }
    WriteErr(QStringLiteral("backup: %1\n").arg(QDir::toNativeSeparators(r.BackupDir)));
    WriteErr(r.Place.Family == TProfileFamily::Firefox
                 ? QStringLiteral("sent: Firefox imports the set at its next start\n")
                 : QStringLiteral("sent: the browser shows the set at its next start\n"));
    return 0;
}

int RunRestoreBrowser(const TOptions& o)
{
    const TRestoreResult r = ProfileRestore(o.Profile, BackupRoot(o));
    if (r.Refusal != TSendRefusal::None) {
        ReportRefusal(r.Refusal, r.Detail, false);
        return 1;
    }
    WriteErr(
        QStringLiteral("restored: %1\nthe profile's files before: %2\n")
            .arg(QDir::toNativeSeparators(r.Restored.Dir), QDir::toNativeSeparators(r.BackupDir)));
    return 0;
}
