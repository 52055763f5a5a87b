#include "uCliCommands.h"

#include "uCliImage.h"

#include <model/uBookmarkHtml.h>
#include <model/uBrowserProfiles.h>
#include <model/uFolderImportExport.h>
#include <model/uProfileBookmarks.h>
#include <model/uSiteText.h>
#include <model/uUrlKey.h>
#include <model/uWebSiteDuplicates.h>
#include <net/uIconFetch.h>
#include <platform/uOsServices.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define ZORVEL_ISATTY _isatty
#define ZORVEL_FILENO _fileno
#else
#include <unistd.h>
#define ZORVEL_ISATTY isatty
#define ZORVEL_FILENO fileno
#endif

namespace {

const char* const UsageText =
    "usage: zorvel-cli list   [--merge-near-duplicates] [--search TEXT] [--sort N]"
    " [--format tsv|json] SOURCE...\n"
    "       zorvel-cli merge  [--merge-near-duplicates] [--search TEXT] [--sort N]"
    " -o FILE.html SOURCE...\n"
    "       zorvel-cli export-folder [--merge-near-duplicates] [--search TEXT] -o DIR SOURCE...\n"
    "       zorvel-cli fetch-icons [--search TEXT] -o FILE.html SOURCE...\n"
    "       zorvel-cli duplicates [--format tsv|json] SOURCE...\n"
    "       zorvel-cli browsers [--format tsv|json]\n"
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
    "  list            print the entries: Title, URL, Category, Comment, AddDate (TSV),\n"
    "                  or a JSON array with --format json\n"
    "  merge           write the entries as one bookmark HTML file\n"
    "  export-folder   write the entries as a folder tree of .url files\n"
    "  fetch-icons     ask the sites of the entries without an icon for theirs\n"
    "                  (/favicon.ico, then the icon the page links; http and https\n"
    "                  only, 6 requests at a time, 5 s each) and write the entries\n"
    "                  as one bookmark HTML file like merge\n"
    "  duplicates      print the groups of near-duplicates: entries whose URLs differ\n"
    "                  only in spelling (http/https, \"www.\", a trailing \"/\", %7E for ~,\n"
    "                  default ports, punycode hosts, utm_* and other tracking parameters).\n"
    "                  TSV: group number, kept (1 for the entry a merge keeps: the\n"
    "                  earliest added), Title, URL, Category, AddDate; or JSON\n"
    "  browsers        list the browser profiles found on this computer: Browser,\n"
    "                  Profile, Bookmarks (empty when unreadable), File, Error (TSV),\n"
    "                  or a JSON array with --format json\n"
    "  image           convert or resize a BMP, PNG, JPEG, TGA or PSD picture\n"
    "\n"
    "  --merge-near-duplicates\n"
    "                  merge every group of near-duplicates into its earliest entry\n"
    "                  (comments joined, earliest date) before searching and output\n"
    "  --search TEXT   keep entries holding every keyword (\"quoted phrases\" allowed)\n"
    "  --sort N        1 title, 2 URL, 3 category, 4 comment; negative for descending\n"
    "  --filter NAME   none triangle hermite bell bspline lanczos3 mitchell nearest\n"
    "                  linear fastlinear bilinear bicubic (default lanczos3)\n"
    "  W or H of 0 or -1 keep the aspect ratio as the library's Resample does.\n";

void WriteErr(const QString& text)
{
    const QByteArray b = text.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
    std::fflush(stderr);
}

bool StdErrIsTerminal()
{
    return ZORVEL_ISATTY(ZORVEL_FILENO(stderr)) != 0;
}

struct TOptions
{
    QString Command;
    std::optional<QString> Search;
    std::optional<int> Sort;
    QString Format = QStringLiteral("tsv");
    QString Output;
    bool MergeNearDuplicates = false;
    QStringList Paths;
    bool FromBrowsers = false;
    QStringList BrowserNames; // none: every browser
    TImageOptions Image;
};

int ParseInt(const QString& name, const QString& text)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok)
        throw EUsage("--" + name.toStdString() + " needs a whole number, not \""
                     + text.toStdString() + "\"");
    return v;
}

// ---- The command table ---------------------------------------------------------------
//
// Each command is one TCommand: its name, its options, the check of the whole command
// line once it is read, and the function that runs it. To add a command, write its
// Run function (and options, if new) and add one entry to Commands(); add its line
// to UsageText and HelpText. Options shared by several commands are built by the
// small functions below, so that each is spelt once.

// One option: its names without dashes ({"o", "output"}), how many values follow
// it, and what those values set. Apply raises EUsage for a value out of range.
struct TOptionSpec
{
    // AnyValues: the arguments that follow, up to the next one that begins with '-'.
    static constexpr int AnyValues = -1;
    QStringList Names;
    int Values = 1;
    std::function<void(TOptions&, const QStringList&)> Apply;
};

struct TCommand
{
    QString Name;
    std::vector<TOptionSpec> Options;
    std::function<void(const TOptions&)> Check; // after every argument is read
    std::function<int(const TOptions&)> Run;
};

int RunBookmarks(const TOptions& o);
int RunBrowsers(const TOptions& o);
int RunImageCommand(const TOptions& o);

TOptionSpec SearchOption()
{
    return {
        {QStringLiteral("search")}, 1, [](TOptions& o, const QStringList& v) { o.Search = v[0]; }};
}

TOptionSpec SortOption()
{
    return {{QStringLiteral("sort")}, 1, [](TOptions& o, const QStringList& v) {
                const int n = ParseInt(QStringLiteral("sort"), v[0]);
                if (n == 0 || n < -4 || n > 4)
                    throw EUsage("--sort takes 1..4 or -1..-4");
                o.Sort = n;
            }};
}

TOptionSpec OutputOption()
{
    return {{QStringLiteral("o"), QStringLiteral("output")},
            1,
            [](TOptions& o, const QStringList& v) { o.Output = v[0]; }};
}

TOptionSpec FormatOption()
{
    return {{QStringLiteral("format")}, 1, [](TOptions& o, const QStringList& v) {
                o.Format = v[0].toLower();
                if (o.Format != QLatin1String("tsv") && o.Format != QLatin1String("json"))
                    throw EUsage("--format takes tsv or json");
            }};
}

// A range-checked whole number of the image command.
TOptionSpec ImageNumberOption(const char* name, std::optional<int> TImageOptions::*field, int low,
                              int high)
{
    const QString n = QString::fromLatin1(name);
    return {{n}, 1, [=](TOptions& o, const QStringList& v) {
                const int x = ParseInt(n, v[0]);
                if (x < low || x > high)
                    throw EUsage("--" + n.toStdString() + " takes " + std::to_string(low) + ".."
                                 + std::to_string(high));
                o.Image.*field = x;
            }};
}

TOptionSpec MergeNearDuplicatesOption()
{
    return {{QStringLiteral("merge-near-duplicates")}, 0, [](TOptions& o, const QStringList&) {
                o.MergeNearDuplicates = true;
            }};
}

TOptionSpec FromBrowsersOption()
{
    return {{QStringLiteral("from-browsers")},
            TOptionSpec::AnyValues,
            [](TOptions& o, const QStringList& v) {
                o.FromBrowsers = true;
                o.BrowserNames += v;
            }};
}

// The bookmark commands read PATH... or --from-browsers; those that write take -o.
void CheckPaths(const TOptions& o)
{
    if (o.Paths.isEmpty() && !o.FromBrowsers)
        throw EUsage("no PATH given");
}

void CheckPathsAndOutput(const TOptions& o)
{
    CheckPaths(o);
    if (o.Output.isEmpty())
        throw EUsage("-o is required for " + o.Command.toStdString());
}

const std::vector<TCommand>& Commands()
{
    static const std::vector<TCommand> commands = {
        {QStringLiteral("list"),
         {MergeNearDuplicatesOption(), SearchOption(), SortOption(), FormatOption(),
          FromBrowsersOption()},
         CheckPaths,
         RunBookmarks},
        {QStringLiteral("merge"),
         {MergeNearDuplicatesOption(), SearchOption(), SortOption(), OutputOption(),
          FromBrowsersOption()},
         CheckPathsAndOutput,
         RunBookmarks},
        {QStringLiteral("export-folder"),
         {MergeNearDuplicatesOption(), SearchOption(), OutputOption(), FromBrowsersOption()},
         CheckPathsAndOutput,
         RunBookmarks},
        {QStringLiteral("fetch-icons"),
         {SearchOption(), OutputOption(), FromBrowsersOption()},
         CheckPathsAndOutput,
         RunBookmarks},
        {QStringLiteral("duplicates"),
         {FormatOption(), FromBrowsersOption()},
         CheckPaths,
         RunBookmarks},
        {QStringLiteral("browsers"),
         {FormatOption()},
         [](const TOptions& o) {
             if (!o.Paths.isEmpty())
                 throw EUsage("browsers takes no PATH");
         },
         RunBrowsers},
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

const TOptionSpec* FindOption(const TCommand& command, const QString& name)
{
    for (const TOptionSpec& spec : command.Options)
        if (spec.Names.contains(name))
            return &spec;
    return nullptr;
}

// The command line after the program name: COMMAND, then options and paths in any
// order. "--name value", "--name=value" (options of one value) and "-o value" are
// accepted; an option of any number of values takes the arguments up to the next
// one that begins with '-'; "--" ends the options; "-" alone is a path.
std::pair<const TCommand*, TOptions> ParseArguments(const QStringList& args)
{
    if (args.size() < 2)
        throw EUsage("no command given");
    const TCommand* command = nullptr;
    for (const TCommand& c : Commands())
        if (c.Name == args[1])
            command = &c;
    if (!command)
        throw EUsage("unknown command \"" + args[1].toStdString() + "\"");

    TOptions o;
    o.Command = command->Name;
    bool optionsEnded = false;
    for (qsizetype i = 2; i < args.size(); ++i) {
        QString a = args[i];
        if (optionsEnded || !a.startsWith(u'-') || a == QLatin1String("-")) {
            o.Paths << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        std::optional<QString> inlineValue;
        if (a.startsWith(QLatin1String("--")) && a.contains(u'=')) {
            inlineValue = a.mid(a.indexOf(u'=') + 1);
            a = a.left(a.indexOf(u'='));
        }
        const QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1);
        const TOptionSpec* spec = FindOption(*command, name);
        if (!spec)
            throw EUsage("unknown option " + a.toStdString() + " for " + o.Command.toStdString());
        QStringList values;
        if (spec->Values == TOptionSpec::AnyValues) {
            if (inlineValue)
                values << *inlineValue;
            while (i + 1 < args.size() && !args[i + 1].startsWith(u'-'))
                values << args[++i];
        } else if (inlineValue) {
            if (spec->Values != 1)
                throw EUsage(spec->Values == 0 ? a.toStdString() + " takes no value"
                                               : a.toStdString() + " takes "
                                                     + std::to_string(spec->Values) + " values");
            values << *inlineValue;
        }
        while (values.size() < spec->Values) {
            if (i + 1 >= args.size())
                throw EUsage(a.toStdString() + " needs a value");
            values << args[++i];
        }
        spec->Apply(o, values);
    }
    command->Check(o);
    return {command, o};
}

// The browser profiles --from-browsers reads: every one found, or those of the
// browsers named. A NAME that matches no profile is said on standard error.
QList<TBrowserProfile> BrowserSources(const TOptions& o)
{
    if (!o.FromBrowsers)
        return {};
    // Not counted here: each file is read once, by the load.
    const QList<TBrowserProfile> found =
        FindBrowserProfiles(DefaultProfileSearchPlaces(), /*CountBookmarks=*/false);
    if (found.isEmpty())
        WriteErr(QStringLiteral("zorvel-cli: no browser profiles found\n"));
    else
        for (const QString& name : o.BrowserNames)
            if (FilterBrowserProfiles(found, {name}).isEmpty())
                WriteErr(
                    QStringLiteral("zorvel-cli: no browser profile matches \"%1\"\n").arg(name));
    return FilterBrowserProfiles(found, o.BrowserNames);
}

// Reads every path, then every browser profile, into one list, showing progress on
// a terminal for long inputs (a folder tree of many thousand shortcut files takes
// seconds). A path that cannot be read ends the command; a profile that cannot be
// read (a browser's store may be damaged or locked in a way no copy gets past) is
// named and passed over. Returns the number of profiles passed over.
int LoadPaths(TWebSiteList& list, const QStringList& paths,
              const QList<TBrowserProfile>& profiles = {})
{
    QList<TPathToLoad> files;
    for (const QString& p : paths) {
        if (!QFileInfo::exists(p))
            throw EFileError(p, QStringLiteral("No such file or folder"));
        files += WebSitesFilesOfPath(p);
    }
    const qsizetype firstProfile = files.size();
    for (const TBrowserProfile& p : profiles)
        files += TPathToLoad{p.FileName, QString()};
    int passedOver = 0;
    const TSiteTextChunks chunks; // one scope for a whole folder of small files
    const bool terminal = StdErrIsTerminal();
    QElapsedTimer timer;
    timer.start();
    qint64 shownAt = -1;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const qint64 now = timer.elapsed();
        if (terminal && now > 1000 && now - shownAt >= 100) {
            WriteErr(QStringLiteral("\rreading %1/%2 files: %3 entries so far\x1b[K")
                         .arg(i + 1)
                         .arg(files.size())
                         .arg(list.Count()));
            shownAt = now;
        }
        if (i < firstProfile) {
            WebSitesLoadFromFile(list, files[i].FileName, files[i].Category);
            continue;
        }
        // Read as a browser store whatever its content: a damaged one is an error
        // here, not a file of another kind to pass over in silence.
        try {
            WebSitesAddBrowserBookmarks(list, ReadBrowserBookmarks(files[i].FileName));
            ++list.Stats.Files;
        } catch (const EFileError& e) {
            WriteErr(QStringLiteral("%1zorvel-cli: passed over %2: %3\n")
                         .arg(QLatin1String(shownAt >= 0 ? "\r\x1b[K" : ""),
                              profiles[i - firstProfile].DisplayName(), e.Text()));
            ++passedOver;
        }
    }
    if (shownAt >= 0)
        WriteErr(QStringLiteral("\r\x1b[K"));
    return passedOver;
}

// "read ..." with a line before it for each file that held no bookmark.
QString ReadSummary(const TWebSiteList& list)
{
    const TWebSitesStats& s = list.Stats;
    QString empty;
    for (const QString& f : s.FilesWithoutBookmarks)
        empty += QStringLiteral("no bookmarks found in %1\n").arg(QDir::toNativeSeparators(f));
    return empty
           + QStringLiteral("read %1 file%2: %3 added, %4 merged, %5 skipped")
                 .arg(s.Files)
                 .arg(QLatin1String(s.Files == 1 ? "" : "s"))
                 .arg(s.Added)
                 .arg(s.Merged)
                 .arg(s.Skipped);
}

// The entries a command works on: all, or those the search left visible, in list order.
TWebSiteList VisibleEntries(const TWebSiteList& list)
{
    TWebSiteList out;
    for (const TWebSite& site : list)
        if (site.Visible)
            out.Append(site);
    return out;
}

// For each ASCII byte: true when escape leaves it as it is. Index 128 stands
// for every byte or unit above ASCII, which is never copied as it stands.
template <typename TEscape>
const std::array<bool, 129>& PlainAscii(TEscape escape)
{
    static const std::array<bool, 129> table = [&escape] {
        std::array<bool, 129> t{};
        char scratch[8];
        for (int c = 0; c < 0x80; ++c) {
            char* p = scratch;
            t[size_t(c)] = !escape(char(c), p);
        }
        return t;
    }();
    return table;
}

// Appends s encoded as UTF-8, the way QString::toUtf8 encodes it (a lone
// surrogate becomes '?'), letting escape write ASCII units that need it.
// Written out by hand: listing is mostly this loop. Runs of ASCII that need no
// escape (nearly all text) go through a tight loop of their own.
template <typename TEscape>
void AppendUtf8(QByteArray& out, QStringView s, TEscape escape)
{
    const std::array<bool, 129>& plain = PlainAscii(escape);
    const qsizetype at = out.size();
    // At most 6 bytes per unit: "\u001f" for a control character.
    out.resize(at + s.size() * 6);
    char* const begin = out.data();
    char* p = begin + at;
    const char16_t* d = s.utf16();
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && plain[std::min<unsigned>(d[i], 0x80)])
            *p++ = char(d[i++]);
        if (i == n)
            break;
        const char16_t c = d[i++];
        if (c < 0x80) {
            escape(char(c), p);
        } else if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && i < n && QChar::isLowSurrogate(d[i])) {
            const char32_t u = QChar::surrogateToUcs4(c, d[i++]);
            *p++ = char(0xF0 | (u >> 18));
            *p++ = char(0x80 | ((u >> 12) & 0x3F));
            *p++ = char(0x80 | ((u >> 6) & 0x3F));
            *p++ = char(0x80 | (u & 0x3F));
        } else if (QChar::isSurrogate(c)) {
            *p++ = '?';
        } else {
            *p++ = char(0xE0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        }
    }
    out.resize(p - begin);
}

// The same for a Latin-1 text: runs of plain ASCII are copied as they stand.
template <typename TEscape>
void AppendUtf8(QByteArray& out, QLatin1StringView s, TEscape escape)
{
    const std::array<bool, 129>& plain = PlainAscii(escape);
    const qsizetype at = out.size();
    out.resize(at + s.size() * 6);
    char* const begin = out.data();
    char* p = begin + at;
    const auto* d = reinterpret_cast<const unsigned char*>(s.data());
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        qsizetype run = i;
        while (run < n && plain[std::min<unsigned>(d[run], 0x80)])
            ++run;
        std::memcpy(p, d + i, size_t(run - i));
        p += run - i;
        if (run == n)
            break;
        const unsigned char c = d[run];
        if (c < 0x80) {
            escape(char(c), p);
        } else {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
        }
        i = run + 1;
    }
    out.resize(p - begin);
}

bool WriteEscape(char*& p, const char* text)
{
    while (*text)
        *p++ = *text++;
    return true;
}

template <typename TView>
void AppendTsvField(QByteArray& out, TView s)
{
    AppendUtf8(out, s, [](char c, char*& p) {
        switch (c) {
        case '\\':
            return WriteEscape(p, "\\\\");
        case '\t':
            return WriteEscape(p, "\\t");
        case '\r':
            return WriteEscape(p, "\\r");
        case '\n':
            return WriteEscape(p, "\\n");
        default:
            return false;
        }
    });
}

template <typename TView>
void AppendJsonString(QByteArray& out, TView s)
{
    out += '"';
    AppendUtf8(out, s, [](char c, char*& p) {
        switch (c) {
        case '"':
            return WriteEscape(p, "\\\"");
        case '\\':
            return WriteEscape(p, "\\\\");
        case '\n':
            return WriteEscape(p, "\\n");
        case '\r':
            return WriteEscape(p, "\\r");
        case '\t':
            return WriteEscape(p, "\\t");
        case '\b':
            return WriteEscape(p, "\\b");
        case '\f':
            return WriteEscape(p, "\\f");
        default:
            if (static_cast<unsigned char>(c) >= 0x20)
                return false;
            static const char Hex[] = "0123456789abcdef";
            WriteEscape(p, "\\u00");
            *p++ = Hex[(c >> 4) & 0xF];
            *p++ = Hex[c & 0xF];
            return true;
        }
    });
    out += '"';
}

void AppendTsvField(QByteArray& out, const QString& s)
{
    AppendTsvField(out, QStringView(s));
}

void AppendTsvField(QByteArray& out, const TSiteText& s)
{
    s.Visit([&out](auto v) { AppendTsvField(out, v); });
}

void AppendJsonString(QByteArray& out, const QString& s)
{
    AppendJsonString(out, QStringView(s));
}

void AppendJsonString(QByteArray& out, const TSiteText& s)
{
    s.Visit([&out](auto v) { AppendJsonString(out, v); });
}

// An entry's date as DateToUnixText writes it, without a QString in between.
void AppendUnixDate(QByteArray& out, TDateTime Date)
{
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof(digits), DateToUnixSeconds(Date));
    out.append(digits, r.ptr - digits);
}

// An entry's fields as JSON members ("title" to "add_date"); the icon URL only
// where the command lists it.
void AppendJsonSiteFields(QByteArray& out, const TWebSite& s, bool IconURL)
{
    out += "\"title\":";
    AppendJsonString(out, s.Title);
    out += ",\"url\":";
    AppendJsonString(out, s.URL);
    out += ",\"category\":";
    AppendJsonString(out, s.Category);
    out += ",\"comment\":";
    AppendJsonString(out, s.Comment);
    if (IconURL) {
        out += ",\"icon\":";
        AppendJsonString(out, s.IconURL);
    }
    out += ",\"add_date\":\"";
    AppendUnixDate(out, s.AddDate);
    out += '"';
}

// Asks for the texts of an entry a few rows ahead: in title order the entries'
// texts lie all over the heap, and waiting for each one from memory was most
// of the writing.
void PrefetchTexts(const TWebSite& s)
{
#if defined(__GNUC__)
    __builtin_prefetch(s.Title.Identity());
    __builtin_prefetch(s.URL.Identity());
    __builtin_prefetch(s.Category.Identity());
    __builtin_prefetch(s.Comment.Identity());
#else
    (void)s;
#endif
}

[[noreturn]] void StdOutFailed()
{
    throw EFileError(QStringLiteral("<standard output>"), QStringLiteral("Cannot write"));
}

void WriteOut(const QByteArray& b)
{
    if (std::fwrite(b.constData(), 1, size_t(b.size()), stdout) != size_t(b.size()))
        StdOutFailed();
}

// The last buffered part only reaches the output here: a full disk or a closed pipe
// shows at this point and must not end as success.
void FlushOut()
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        StdOutFailed();
}

int RunList(const TOptions& o, TWebSiteList& list)
{
    // One buffer of a fixed size, written out whenever it fills: the output of a
    // large list never sits in memory whole.
    constexpr qsizetype Chunk = qsizetype(1) << 20;
    QByteArray out;
    out.reserve(Chunk + 4096);
    const bool json = o.Format == QLatin1String("json");
    if (json)
        out += '[';
    qsizetype written = 0;
    constexpr qsizetype Ahead = 8;
    for (qsizetype i = 0; i < list.Count(); ++i) {
        if (i + Ahead < list.Count())
            PrefetchTexts(list[i + Ahead]);
        const TWebSite& s = list[i];
        if (!s.Visible)
            continue;
        if (json) {
            out += written ? ",\n{" : "\n{";
            AppendJsonSiteFields(out, s, true);
            out += '}';
        } else {
            AppendTsvField(out, s.Title);
            out += '\t';
            AppendTsvField(out, s.URL);
            out += '\t';
            AppendTsvField(out, s.Category);
            out += '\t';
            AppendTsvField(out, s.Comment);
            out += '\t';
            AppendUnixDate(out, s.AddDate);
            out += '\n';
        }
        ++written;
        if (out.size() > Chunk) {
            WriteOut(out);
            out.resize(0); // keeps the buffer
        }
    }
    if (json)
        out += written ? "\n]\n" : "]\n";
    WriteOut(out);
    FlushOut();
    WriteErr(ReadSummary(list)
             + QStringLiteral("; listed %1 entr%2\n")
                   .arg(written)
                   .arg(QLatin1String(written == 1 ? "y" : "ies")));
    return 0;
}

// The groups of near-duplicates: TSV lines of group number, kept flag, title, URL,
// category and date, or a JSON array of groups.
int RunDuplicates(const TOptions& o, const TWebSiteList& list)
{
    const std::vector<TDuplicateGroup> groups = WebSitesFindDuplicates(list);
    const bool json = o.Format == QLatin1String("json");
    QByteArray out;
    if (json)
        out += '[';
    qsizetype entries = 0;
    for (size_t g = 0; g < groups.size(); ++g) {
        const qsizetype kept = WebSitesEarliestOf(list, groups[g]);
        if (json) {
            out += g ? ",\n{\"key\":" : "\n{\"key\":";
            AppendJsonString(out, URLDuplicateKey(list[groups[g][0]].URL));
            out += ",\"entries\":[";
        }
        for (size_t m = 0; m < groups[g].size(); ++m) {
            const qsizetype i = groups[g][m];
            const TWebSite& s = list[i];
            if (json) {
                out += m ? ",{\"kept\":" : "{\"kept\":";
                out += i == kept ? "true," : "false,";
                AppendJsonSiteFields(out, s, false);
                out += '}';
            } else {
                out += QByteArray::number(qulonglong(g + 1));
                out += i == kept ? "\t1\t" : "\t0\t";
                AppendTsvField(out, s.Title);
                out += '\t';
                AppendTsvField(out, s.URL);
                out += '\t';
                AppendTsvField(out, s.Category);
                out += '\t';
                AppendUnixDate(out, s.AddDate);
                out += '\n';
            }
            ++entries;
        }
        if (json)
            out += "]}";
    }
    if (json)
        out += groups.empty() ? "]\n" : "\n]\n";
    WriteOut(out);
    FlushOut();
    WriteErr(ReadSummary(list)
             + QStringLiteral("; %1 group%2 of near-duplicates, %3 entries\n")
                   .arg(groups.size())
                   .arg(QLatin1String(groups.size() == 1 ? "" : "s"))
                   .arg(entries));
    return 0;
}

// The exit status of a bookmark command whose output is written: 1 when a browser
// profile had to be passed over, so that a script sees the result is not whole.
int BookmarksStatus(int passedOver)
{
    if (passedOver == 0)
        return 0;
    WriteErr(QStringLiteral("zorvel-cli: %1 browser profile%2 could not be read\n")
                 .arg(passedOver)
                 .arg(QLatin1String(passedOver == 1 ? "" : "s")));
    return 1;
}

// zorvel-cli fetch-icons: every entry without an icon asks its site; the
// progress goes to standard error on a terminal, the counts always.
void FetchMissingIcons(TWebSiteList& List)
{
    std::vector<qsizetype> all(size_t(List.Count()));
    for (qsizetype i = 0; i < List.Count(); ++i)
        all[size_t(i)] = i;
    TIconFetcher fetcher;
    QEventLoop wait;
    QObject::connect(&fetcher, &TIconFetcher::Finished, &wait, &QEventLoop::quit);
    if (StdErrIsTerminal())
        QObject::connect(&fetcher, &TIconFetcher::Progress, [](int done, int total) {
            WriteErr(QStringLiteral("\rasking sites for icons: %1 of %2").arg(done).arg(total));
        });
    fetcher.Start(IconFetchUrlsOf(List, all));
    if (fetcher.IsRunning())
        wait.exec();
    if (StdErrIsTerminal() && fetcher.HostCount() > 0)
        WriteErr(QStringLiteral("\n"));
    const qsizetype given = qsizetype(IconFetchAssign(List, all, fetcher).size());
    WriteErr(QStringLiteral("asked %1 site%2: icons found for %3, %4 not reached; %5 entr%6 "
                            "given an icon\n")
                 .arg(fetcher.HostCount())
                 .arg(QLatin1String(fetcher.HostCount() == 1 ? "" : "s"))
                 .arg(fetcher.FoundCount())
                 .arg(fetcher.FailedCount())
                 .arg(given)
                 .arg(QLatin1String(given == 1 ? "y" : "ies")));
}

int RunBookmarks(const TOptions& o)
{
    const QList<TBrowserProfile> profiles = BrowserSources(o);
    QStringList estimateFiles = o.Paths;
    for (const TBrowserProfile& p : profiles)
        estimateFiles << p.FileName;
    PrepareHeapForLargeInput(WebSitesLoadAllocationEstimate(estimateFiles));
    TWebSiteList& list = NewListKeptUntilExit();
    const int passedOver = LoadPaths(list, o.Paths, profiles);
    if (o.Command == QLatin1String("duplicates"))
        return std::max(RunDuplicates(o, list), BookmarksStatus(passedOver));
    // Before the search, so that the merged comments are searched too.
    if (o.MergeNearDuplicates) {
        const qsizetype merged = WebSitesMergeAllDuplicates(list);
        WriteErr(QStringLiteral("merged %1 near-duplicate%2\n")
                     .arg(merged)
                     .arg(QLatin1String(merged == 1 ? "" : "s")));
    }
    if (o.Search)
        WebSitesSearch(list, *o.Search);
    const int sort = o.Sort.value_or(o.Command == QLatin1String("list") ? 1 : 0);
    if (sort != 0)
        WebSitesSort(list, sort);

    if (o.Command == QLatin1String("list"))
        return std::max(RunList(o, list), BookmarksStatus(passedOver));

    TWebSiteList shown = VisibleEntries(list);
    if (o.Command == QLatin1String("fetch-icons"))
        FetchMissingIcons(shown);
    if (o.Command == QLatin1String("merge") || o.Command == QLatin1String("fetch-icons")) {
        WebSitesSaveToHtml(shown, o.Output);
        WriteErr(ReadSummary(list)
                 + QStringLiteral("; wrote %1 entr%2 to %3\n")
                       .arg(shown.Count())
                       .arg(QLatin1String(shown.Count() == 1 ? "y" : "ies"))
                       .arg(o.Output));
        return BookmarksStatus(passedOver);
    }
    // export-folder: every visible entry counts as selected.
    for (qsizetype i = 0; i < shown.Count(); ++i)
        shown[i].Selected = true;
    if (!ForcePath(o.Output))
        throw EFileError(o.Output, QStringLiteral("Cannot create the folder"));
    const qsizetype files = WebSitesSaveToFolder(shown, o.Output);
    WriteErr(ReadSummary(list)
             + QStringLiteral("; exported %1 entr%2 to %3\n")
                   .arg(files)
                   .arg(QLatin1String(files == 1 ? "y" : "ies"))
                   .arg(o.Output));
    return BookmarksStatus(passedOver);
}

// zorvel-cli browsers: one line (or JSON object) per profile found, with the number
// of bookmarks its file holds, or why it cannot be read.
int RunBrowsers(const TOptions& o)
{
    const QList<TBrowserProfile> profiles = FindBrowserProfiles(DefaultProfileSearchPlaces());
    const bool json = o.Format == QLatin1String("json");
    QByteArray out;
    if (json)
        out += '[';
    for (qsizetype i = 0; i < profiles.size(); ++i) {
        const TBrowserProfile& p = profiles[i];
        const QString file = QDir::toNativeSeparators(p.FileName);
        if (json) {
            out += i ? ",\n{\"browser\":" : "\n{\"browser\":";
            AppendJsonString(out, p.Browser);
            out += ",\"profile\":";
            AppendJsonString(out, p.Profile);
            out += ",\"bookmarks\":";
            out += p.Count >= 0 ? QByteArray::number(p.Count) : QByteArray("null");
            out += ",\"file\":";
            AppendJsonString(out, file);
            out += ",\"error\":";
            AppendJsonString(out, p.Error);
            out += '}';
        } else {
            AppendTsvField(out, p.Browser);
            out += '\t';
            AppendTsvField(out, p.Profile);
            out += '\t';
            if (p.Count >= 0)
                out += QByteArray::number(p.Count);
            out += '\t';
            AppendTsvField(out, file);
            out += '\t';
            AppendTsvField(out, p.Error);
            out += '\n';
        }
    }
    if (json)
        out += profiles.isEmpty() ? "]\n" : "\n]\n";
    WriteOut(out);
    FlushOut();
    WriteErr(QStringLiteral("found %1 browser profile%2\n")
                 .arg(profiles.size())
                 .arg(QLatin1String(profiles.size() == 1 ? "" : "s")));
    return 0;
}

int RunImageCommand(const TOptions& o)
{
    WriteErr(RunImage(o.Paths[0], o.Paths[1], o.Image) + u'\n');
    return 0;
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
        const auto [command, options] = ParseArguments(Arguments);
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
