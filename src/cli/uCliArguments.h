#pragma once
// The command line of zorvel-cli: the options every command may take (TOptions),
// the description of one option (TOptionSpec) and of one command (TCommand), and the
// parser that reads a command line against a table of commands. The table itself,
// and the help that goes with it, are in uCliCommands.cpp.

#include "uCliImage.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <utility>
#include <vector>

// A bad command line (also a bad filter name): exit status 2 with the usage text.
struct EUsage : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

// Everything the command line said; each command reads the fields its options set.
struct TOptions
{
    QString Command;
    std::optional<QString> Search;
    std::optional<int> Sort;
    QString Format = QStringLiteral("tsv");
    QString Output;
    bool MergeNearDuplicates = false;
    bool FetchIcons = false;          // check-links: the missing icons too
    std::optional<int> OlderThanDays; // check-links: only entries not checked for so long
    bool Archive = false;             // check-links: archived copies of the failing pages
    QString ArchiveService;           // check-links: another availability service
    QStringList Paths;
    bool FromBrowsers = false;
    QStringList BrowserNames; // none: every browser
    TImageOptions Image;
    QString Profile;   // send-to-browser, restore-browser: the profile folder
    QString BackupDir; // where the browser backups are (else the data folder's)
    bool DryRun = false;
    bool Yes = false;

    bool Json() const { return Format == QLatin1String("json"); }
};

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

// One command: its name, its options, the check of the whole command line once it
// is read (raises EUsage), and the function that runs it (returns the exit status).
struct TCommand
{
    QString Name;
    std::vector<TOptionSpec> Options;
    std::function<void(const TOptions&)> Check;
    std::function<int(const TOptions&)> Run;
};

// The options several commands share, each spelt once.
TOptionSpec SearchOption();
TOptionSpec SortOption();
TOptionSpec OutputOption();
TOptionSpec FormatOption();
TOptionSpec MergeNearDuplicatesOption();
TOptionSpec FromBrowsersOption();
TOptionSpec ProfileOption();
TOptionSpec BackupDirOption();
// A whole number of the image command between Low and High.
TOptionSpec ImageNumberOption(const char* Name, std::optional<int> TImageOptions::*Field, int Low,
                              int High);

// The text of option Name as a whole number; EUsage when it is none.
int ParseInt(const QString& Name, const QString& Text);

// The checks of the bookmark commands: they read PATH... or --from-browsers; those
// that write take -o.
void CheckPaths(const TOptions& Options);
void CheckPathsAndOutput(const TOptions& Options);

// The command line after the program name: COMMAND, then options and paths in any
// order. "--name value", "--name=value" (options of one value) and "-o value" are
// accepted; an option of any number of values takes the arguments up to the next
// one that begins with '-'; "--" ends the options; "-" alone is a path. Raises
// EUsage for an unknown command or option, a missing value, or a failed check.
std::pair<const TCommand*, TOptions> ParseArguments(const QStringList& Arguments,
                                                    std::span<const TCommand> Commands);
