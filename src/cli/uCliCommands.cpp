#include "uCliCommands.h"

#include "uCliOutput.h"

#include <platform/uOsServices.h>

#include <QUrl>

#include <cstdio>
#include <exception>
#include <vector>

namespace {

const char* const UsageText =
    "usage: zorvel-cli list   [--merge-near-duplicates] [--search TEXT] [--sort N]"
    " [--format tsv|json] SOURCE...\n"
    "       zorvel-cli merge  [--merge-near-duplicates] [--search TEXT] [--sort N]"
    " -o FILE.html SOURCE...\n"
    "       zorvel-cli export-folder [--merge-near-duplicates] [--search TEXT] -o DIR SOURCE...\n"
    "       zorvel-cli fetch-icons [--search TEXT] -o FILE.html SOURCE...\n"
    "       zorvel-cli check-links [--search TEXT] [--format tsv|json] [--older-than DAYS]"
    " [--archive [--archive-service URL]] [-o FILE.html [--fetch-icons]] SOURCE...\n"
    "       zorvel-cli duplicates [--format tsv|json] SOURCE...\n"
    "       zorvel-cli browsers [--format tsv|json]\n"
    "       zorvel-cli send-to-browser --profile DIR [--dry-run] [--yes] [--backup-dir DIR]"
    " SOURCE...\n"
    "       zorvel-cli restore-browser --profile DIR [--backup-dir DIR]\n"
    "       zorvel-cli image  [--resize W H [--filter NAME]] [--flip h|v] [--quality Q]"
    " [--level L] IN OUT\n"
    "       zorvel-cli --help | --version\n";

const char* const HelpText =
    "\n"
    "PATH is a .url, .website, .html or .htm file, or a folder read as a whole tree\n"
    "(sub-folders become categories). A browser's own bookmark store (a Chromium-family\n"
    "Bookmarks file, a Firefox-family places.sqlite) is read too, whatever its name.\n"
    "Entries with the same URL are merged.\n"
    "SOURCE is a PATH or --from-browsers [NAME...]: the bookmarks of every browser\n"
    "profile the browsers command lists, or of those whose browser name contains a\n"
    "NAME (any case). The NAMEs run up to the next option: give PATHs before\n"
    "--from-browsers or after --. A profile that cannot be read is named on standard\n"
    "error, the others are still read, and the exit status is 1.\n"
    "\n"
    "  list            print the entries: Title, URL, Category, Comment, AddDate,\n"
    "                  Tags (TSV),\n"
    "                  or a JSON array with --format json\n"
    "  merge           write the entries as one bookmark HTML file\n"
    "  export-folder   write the entries as a folder tree of .url files\n"
    "  fetch-icons     ask the sites of the entries without an icon for theirs\n"
    "                  (/favicon.ico, then the icon the page links; http and https\n"
    "                  only, 6 requests at a time, 5 s each) and write the entries\n"
    "                  as one bookmark HTML file like merge\n"
    "  check-links     ask every http and https entry's address once (GET, the page's\n"
    "                  head only, 2 requests at once per site, 64 in all, 15 s each) and\n"
    "                  print URL, status (ok, moved, gone, soft-404, server-error,\n"
    "                  blocked, unreachable, parked), HTTP status (0: no answer), the new\n"
    "                  address of a moved page, Title, why (for all but ok), the archived\n"
    "                  copy (with --archive) (TSV), or a JSON array with --format json\n"
    "                  (also the checks failed in a row and since when); --older-than\n"
    "                  DAYS asks only the entries not checked for that many days;\n"
    "                  --archive asks an archive's availability service (the Internet\n"
    "                  Archive's unless --archive-service URL) for a copy of each page\n"
    "                  found gone, soft-404, parked or unreachable, sending its address;\n"
    "                  -o writes the entries with the results and the missing titles\n"
    "                  filled from the pages, like merge; with --fetch-icons also the\n"
    "                  missing icons, found from the pages the check reads (the icons\n"
    "                  they name, then /favicon.ico; no page is asked twice)\n"
    "  duplicates      print the groups of near-duplicates: entries whose URLs differ\n"
    "                  only in spelling (http/https, \"www.\", a trailing \"/\", %7E for ~,\n"
    "                  default ports, punycode hosts, utm_* and other tracking parameters).\n"
    "                  TSV: group number, kept (1 for the entry a merge keeps: the\n"
    "                  earliest added), Title, URL, Category, AddDate; or JSON\n"
    "  browsers        list the browser profiles found on this computer: Browser,\n"
    "                  Profile, Bookmarks (empty when unreadable), File, Error (TSV),\n"
    "                  or a JSON array with --format json; a Chromium profile's\n"
    "                  AccountBookmarks (the signed-in account's) as \"NAME (account)\"\n"
    "  send-to-browser put the entries into the browser profile DIR (its folder or\n"
    "                  the Bookmarks / places.sqlite file the browsers command\n"
    "                  prints) in place of its bookmarks, with their folders, toolbar,\n"
    "                  tags and keywords. Prints the plan first: added, removed,\n"
    "                  changed (Kind, Folder, Title, URL, Tags, Was; TSV). Refused\n"
    "                  while the browser runs, for a Chromium profile that syncs\n"
    "                  its bookmarks, and without --yes when more than half of the\n"
    "                  profile's bookmarks go or a Firefox profile uses Sync. The\n"
    "                  profile's bookmark files are copied to a dated backup first;\n"
    "                  what is written is read back and the backup put back on any\n"
    "                  difference. Firefox imports the set at its next start\n"
    "                  (bookmarks.html and a one-time switch in prefs.js; places.sqlite\n"
    "                  is never written). Bookmarklets, place: queries, file: and\n"
    "                  internal pages, separators and empty folders stay where they\n"
    "                  are. --dry-run prints the plan and writes nothing\n"
    "  restore-browser put the newest backup of the profile DIR back\n"
    "  image           convert or resize a BMP, PNG, JPEG, TGA or PSD picture\n"
    "\n"
    "  --merge-near-duplicates\n"
    "                  merge every group of near-duplicates into its earliest entry\n"
    "                  (comments joined, earliest date) before searching and output\n"
    "  --search TEXT   keep entries holding every keyword (\"quoted phrases\" allowed;\n"
    "                  is:toread and is:private keep the entries so marked)\n"
    "  --sort N        1 title, 2 URL, 3 category, 4 comment; negative for descending.\n"
    "                  merge writes in that order instead of the browsers' own\n"
    "  --filter NAME   none triangle hermite bell bspline lanczos3 mitchell nearest\n"
    "                  linear fastlinear bilinear bicubic (default lanczos3)\n"
    "  W or H of 0 or -1 keep the aspect ratio as the library's Resample does.\n";

// ---- The command table ---------------------------------------------------------------
//
// Each command is one TCommand: its name, its options, the check of the whole command
// line once it is read, and the function that runs it. To add a command, write its
// Run function (and options, if new) and add one entry here; add its line to
// UsageText and HelpText. Options shared by several commands are built by the small
// functions of uCliArguments.h, so that each is spelt once.

const std::vector<TCommand>& Commands()
{
    static const std::vector<TCommand> commands = {
        {QStringLiteral("list"),
         {MergeNearDuplicatesOption(), SearchOption(), SortOption(), FormatOption(),
          FromBrowsersOption()},
         CheckPaths,
         RunList},
        {QStringLiteral("merge"),
         {MergeNearDuplicatesOption(), SearchOption(), SortOption(), OutputOption(),
          FromBrowsersOption()},
         CheckPathsAndOutput,
         RunMerge},
        {QStringLiteral("export-folder"),
         {MergeNearDuplicatesOption(), SearchOption(), OutputOption(), FromBrowsersOption()},
         CheckPathsAndOutput,
         RunExportFolder},
        {QStringLiteral("fetch-icons"),
         {SearchOption(), OutputOption(), FromBrowsersOption()},
         CheckPathsAndOutput,
         RunFetchIcons},
        {QStringLiteral("check-links"),
         {SearchOption(),
          FormatOption(),
          OutputOption(),
          FromBrowsersOption(),
          {{QStringLiteral("fetch-icons")},
           0,
           [](TOptions& o, const QStringList&) { o.FetchIcons = true; }},
          {{QStringLiteral("older-than")},
           1,
           [](TOptions& o, const QStringList& v) {
               const int days = ParseInt(QStringLiteral("--older-than"), v[0]);
               if (days < 0)
                   throw EUsage("--older-than takes a number of days, 0 or more");
               o.OlderThanDays = days;
           }},
          {{QStringLiteral("archive")},
           0,
           [](TOptions& o, const QStringList&) { o.Archive = true; }},
          {{QStringLiteral("archive-service")},
           1,
           [](TOptions& o, const QStringList& v) {
               const QUrl url(v[0]);
               if (!url.isValid()
                   || (url.scheme() != QLatin1String("http")
                       && url.scheme() != QLatin1String("https")))
                   throw EUsage("--archive-service takes an http or https address");
               o.ArchiveService = v[0];
           }}},
         [](const TOptions& o) {
             CheckPaths(o);
             if (o.FetchIcons && o.Output.isEmpty())
                 throw EUsage("--fetch-icons needs -o: the icons go to the file written");
             if (!o.ArchiveService.isEmpty() && !o.Archive)
                 throw EUsage("--archive-service goes with --archive");
         },
         RunCheckLinks},
        {QStringLiteral("duplicates"),
         {FormatOption(), FromBrowsersOption()},
         CheckPaths,
         RunDuplicates},
        {QStringLiteral("browsers"),
         {FormatOption()},
         [](const TOptions& o) {
             if (!o.Paths.isEmpty())
                 throw EUsage("browsers takes no PATH");
         },
         RunBrowsers},
        {QStringLiteral("send-to-browser"),
         {ProfileOption(),
          BackupDirOption(),
          FromBrowsersOption(),
          {{QStringLiteral("dry-run")},
           0,
           [](TOptions& o, const QStringList&) { o.DryRun = true; }},
          {{QStringLiteral("yes")}, 0, [](TOptions& o, const QStringList&) { o.Yes = true; }}},
         [](const TOptions& o) {
             CheckPaths(o);
             if (o.Profile.isEmpty())
                 throw EUsage("send-to-browser needs --profile DIR");
         },
         RunSendToBrowser},
        {QStringLiteral("restore-browser"),
         {ProfileOption(), BackupDirOption()},
         [](const TOptions& o) {
             if (o.Profile.isEmpty())
                 throw EUsage("restore-browser needs --profile DIR");
             if (!o.Paths.isEmpty())
                 throw EUsage("restore-browser takes no SOURCE");
         },
         RunRestoreBrowser},
        {QStringLiteral("image"),
         {
             {{QStringLiteral("resize")},
              2,
              [](TOptions& o, const QStringList& v) {
                  o.Image.Resize = true;
                  o.Image.Width = ParseInt(QStringLiteral("resize"), v[0]);
                  o.Image.Height = ParseInt(QStringLiteral("resize"), v[1]);
              }},
             {{QStringLiteral("filter")},
              1,
              [](TOptions& o, const QStringList& v) {
                  o.Image.FilterName = v[0];
                  o.Image.FilterGiven = true;
              }},
             {{QStringLiteral("flip")},
              1,
              [](TOptions& o, const QStringList& v) {
                  const QString f = v[0].toLower();
                  if (f != QLatin1String("h") && f != QLatin1String("v"))
                      throw EUsage("--flip takes h or v");
                  o.Image.Flip = f.at(0).toLatin1();
              }},
             ImageNumberOption("quality", &TImageOptions::Quality, 1, 100),
             ImageNumberOption("level", &TImageOptions::Level, 0, 9),
         },
         [](const TOptions& o) {
             if (o.Paths.size() != 2)
                 throw EUsage("image takes IN and OUT");
             if (o.Image.FilterGiven && !o.Image.Resize)
                 throw EUsage("--filter goes with --resize");
         },
         RunImageCommand},
    };
    return commands;
}

} // namespace

int RunCli(const QStringList& Arguments)
{
    if (Arguments.size() == 2
        && (Arguments[1] == QLatin1String("--help") || Arguments[1] == QLatin1String("-h"))) {
        std::fputs(UsageText, stdout);
        std::fputs(HelpText, stdout);
        return 0;
    }
    if (Arguments.size() == 2 && Arguments[1] == QLatin1String("--version")) {
        const QByteArray v = GetAppVersion().toUtf8();
        std::printf("zorvel-cli %s\n", v.constData());
        return 0;
    }
    try {
        const auto [command, options] = ParseArguments(Arguments, Commands());
        return command->Run(options);
    } catch (const EUsage& e) {
        WriteErr(QStringLiteral("zorvel-cli: %1\n").arg(QString::fromUtf8(e.what())));
        std::fputs(UsageText, stderr);
        return 2;
    } catch (const std::exception& e) {
        WriteErr(QStringLiteral("zorvel-cli: %1\n").arg(QString::fromUtf8(e.what())));
        return 1;
    }
}
