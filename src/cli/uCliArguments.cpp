#include "uCliArguments.h"

#include <string>

int ParseInt(const QString& name, const QString& text)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok)
        throw EUsage("--" + name.toStdString() + " needs a whole number, not \""
                     + text.toStdString() + "\"");
    return v;
}

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

TOptionSpec ProfileOption()
{
    return {{QStringLiteral("profile")}, 1, [](TOptions& o, const QStringList& v) {
                o.Profile = v[0];
            }};
}

TOptionSpec BackupDirOption()
{
    return {{QStringLiteral("backup-dir")}, 1, [](TOptions& o, const QStringList& v) {
                o.BackupDir = v[0];
            }};
}

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

namespace {

const TOptionSpec* FindOption(const TCommand& command, const QString& name)
{
    for (const TOptionSpec& spec : command.Options)
        if (spec.Names.contains(name))
            return &spec;
    return nullptr;
}

} // namespace

std::pair<const TCommand*, TOptions> ParseArguments(const QStringList& args,
                                                    std::span<const TCommand> Commands)
{
    if (args.size() < 2)
        throw EUsage("no command given");
    const TCommand* command = nullptr;
    for (const TCommand& c : Commands)
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
