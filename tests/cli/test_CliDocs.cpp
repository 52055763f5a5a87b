// zorvel-cli's manual page and bash completion, as the build made them from the
// program's --help: every command and option the program shows must be in both,
// and the completion must answer as a user at a bash prompt expects.

#include "../model/ProfileFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

using namespace Qt::StringLiterals;

void PrintTo(const QString& s, std::ostream* os); // test_Cli.cpp

namespace {

QString Help()
{
    QProcess p;
    p.start(QStringLiteral(ZORVEL_CLI_PATH), {u"--help"_s});
    EXPECT_TRUE(p.waitForFinished(30000));
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString Version()
{
    QProcess p;
    p.start(QStringLiteral(ZORVEL_CLI_PATH), {u"--version"_s});
    EXPECT_TRUE(p.waitForFinished(30000));
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The commands of the usage lines ("zorvel-cli list ...").
QStringList HelpCommands(const QString& HelpText)
{
    QStringList Out;
    static const QRegularExpression Usage(u"^(?:usage:)?\\s*zorvel-cli\\s+([a-z][a-z-]*)"_s,
                                          QRegularExpression::MultilineOption);
    for (auto m = Usage.globalMatch(HelpText); m.hasNext();)
        Out << m.next().captured(1);
    return Out;
}

// Every option the help text names anywhere ("--search", "-o", "--from-browsers").
QStringList HelpOptions(const QString& HelpText)
{
    QSet<QString> Out;
    static const QRegularExpression Option(u"(?<![\\w-])(--?[a-z][a-z-]*)"_s);
    for (auto m = Option.globalMatch(HelpText); m.hasNext();)
        Out.insert(m.next().captured(1));
    QStringList List(Out.begin(), Out.end());
    List.sort();
    return List;
}

// The page as a reader sees its words: font changes and roff escapes gone.
QString PageText()
{
    QFile f(QStringLiteral(ZORVEL_CLI_MANPAGE));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << ZORVEL_CLI_MANPAGE;
    QString Text = QString::fromUtf8(f.readAll());
    static const QRegularExpression Font(u"\\\\f[BIRP]"_s);
    Text.remove(Font).remove(u"\\&"_s).replace(u"\\-"_s, u"-"_s).replace(u"\\e"_s, u"\\"_s);
    return Text;
}

// The terms of a section's tagged paragraphs: the line after each ".TP".
QStringList Terms(const QString& Page, const QString& Section)
{
    const qsizetype Start = Page.indexOf(u"\n.SH "_s + Section + u'\n');
    if (Start < 0)
        return {};
    const qsizetype End = Page.indexOf(u"\n.SH "_s, Start + 1);
    const QStringList Lines = Page.mid(Start, End < 0 ? -1 : End - Start).split(u'\n');
    QStringList Out;
    for (qsizetype i = 0; i + 1 < Lines.size(); ++i)
        if (Lines[i] == u".TP"_s)
            Out << Lines[i + 1];
    return Out;
}

TEST(CliManualPage, NamesEveryCommandAndOptionTheHelpShows)
{
    const QString HelpText = Help();
    const QStringList Commands = HelpCommands(HelpText);
    const QStringList Options = HelpOptions(HelpText);
    // The help itself must still have what this test reads, or it proves nothing.
    ASSERT_GE(Commands.size(), 5) << qPrintable(HelpText);
    ASSERT_TRUE(Options.contains(u"--search"_s)) << qPrintable(HelpText);

    const QString Page = PageText();
    const QStringList CommandTerms = Terms(Page, u"COMMANDS"_s);
    for (const QString& C : Commands)
        EXPECT_TRUE(CommandTerms.contains(C)) << "command missing from the page: " << qPrintable(C);
    // An option's term is its names then its values: "-o, --output FILE.html".
    QStringList OptionNames;
    for (const QString& T : Terms(Page, u"OPTIONS"_s))
        for (const QString& Word : T.split(u' '))
            OptionNames << QString(Word).remove(u',');
    for (const QString& O : Options)
        EXPECT_TRUE(OptionNames.contains(O)) << "option missing from the page: " << qPrintable(O);
    for (const char* Section :
         {"NAME", "SYNOPSIS", "DESCRIPTION", "EXIT STATUS", "FILES", "EXAMPLES"})
        EXPECT_TRUE(Page.contains(u"\n.SH "_s + QLatin1String(Section) + u'\n')) << Section;
    // The page tells the version it describes.
    EXPECT_TRUE(Page.startsWith(u".TH ZORVEL-CLI 1 \"\" \""_s + Version() + u'"'))
        << qPrintable(Page.left(80));
    // Every usage line of the help is in the synopsis.
    for (const QString& C : Commands)
        EXPECT_TRUE(Page.contains(u".B zorvel-cli\n"_s + C + u' ')
                    || Page.contains(u".B zorvel-cli\n"_s + C + u'\n'))
            << qPrintable(C);
}

class CliBashCompletion : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Home.isValid());
        // Two browsers, one whose name has a space.
        fixtures::WriteFile(Home.filePath(u".config/chromium/Default/Bookmarks"_s),
                            fixtures::ChromiumBookmarksJson());
        fixtures::WriteFile(Home.filePath(u".config/google-chrome/Default/Bookmarks"_s),
                            fixtures::ChromiumBookmarksJson());
        fixtures::WriteFile(Home.filePath(u"work/bookmarks.html"_s), "<!DOCTYPE x>");
    }

    // What bash offers for the words typed so far (the last one being completed),
    // sorted; run as at a prompt without the bash-completion package.
    QStringList Complete(const QStringList& Words)
    {
        QString Script = u"source \"$1\"; COMP_WORDS=("_s;
        for (const QString& W : Words)
            Script += u'\'' + QString(W).replace(u"'"_s, u"'\\''"_s) + u"' "_s;
        Script += u"); COMP_CWORD=%1; COMP_LINE=\"${COMP_WORDS[*]}\"; _zorvel_cli; "
                  u"printf '%s\\n' \"${COMPREPLY[@]}\""_s.arg(Words.size() - 1);
        QProcess p;
        QProcessEnvironment Env;
        Env.insert(u"HOME"_s, Home.path());
        Env.insert(u"PATH"_s,
                   QFileInfo(QStringLiteral(ZORVEL_CLI_PATH)).absolutePath() + u":/usr/bin:/bin"_s);
        Env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        p.setProcessEnvironment(Env);
        p.setWorkingDirectory(Home.path());
        p.start(u"bash"_s, {u"--norc"_s, u"-c"_s, Script, u"bash"_s,
                            QStringLiteral(ZORVEL_CLI_BASH_COMPLETION)});
        EXPECT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
        QStringList Out =
            QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        Out.sort();
        return Out;
    }

    QTemporaryDir Home;
};

TEST_F(CliBashCompletion, AnswersCommandsValuesBrowsersAndFiles)
{
    struct TCase
    {
        QStringList Typed;
        QStringList Offered;
    };
    const std::vector<TCase> Cases = {
        {{u"zorvel-cli"_s, u"li"_s}, {u"list"_s}},
        {{u"zorvel-cli"_s, u"--v"_s}, {u"--version"_s}},
        {{u"zorvel-cli"_s, u"list"_s, u"--format"_s, u""_s}, {u"json"_s, u"tsv"_s}},
        {{u"zorvel-cli"_s, u"browsers"_s, u"--format"_s, u"j"_s}, {u"json"_s}},
        {{u"zorvel-cli"_s, u"image"_s, u"--filter"_s, u"lan"_s}, {u"lanczos3"_s}},
        {{u"zorvel-cli"_s, u"image"_s, u"--flip"_s, u""_s}, {u"h"_s, u"v"_s}},
        {{u"zorvel-cli"_s, u"merge"_s, u"--s"_s}, {u"--search"_s, u"--sort"_s}},
        {{u"zorvel-cli"_s, u"merge"_s, u"--o"_s}, {u"--output"_s}},
        // A value that is free text gets no guesses.
        {{u"zorvel-cli"_s, u"list"_s, u"--search"_s, u""_s}, {}},
        // The browsers this computer has, from zorvel-cli browsers.
        {{u"zorvel-cli"_s, u"list"_s, u"--from-browsers"_s, u""_s},
         {u"Chromium"_s, u"Google\\ Chrome"_s}},
        {{u"zorvel-cli"_s, u"list"_s, u"--from-browsers"_s, u"Chromium"_s, u"G"_s},
         {u"Google\\ Chrome"_s}},
        // Files where a path goes; none for a command that takes none.
        {{u"zorvel-cli"_s, u"list"_s, u"work/bo"_s}, {u"work/bookmarks.html"_s}},
        {{u"zorvel-cli"_s, u"merge"_s, u"-o"_s, u"work/b"_s}, {u"work/bookmarks.html"_s}},
        {{u"zorvel-cli"_s, u"browsers"_s, u"w"_s}, {}},
    };
    for (const TCase& C : Cases)
        EXPECT_EQ(Complete(C.Typed), C.Offered) << qPrintable(C.Typed.join(u' '));
}

TEST_F(CliBashCompletion, OffersEveryCommandAndOptionTheHelpShows)
{
    const QString HelpText = Help();
    const QStringList Commands = HelpCommands(HelpText);
    ASSERT_GE(Commands.size(), 5);
    const QStringList First = Complete({u"zorvel-cli"_s, u""_s});
    for (const QString& C : Commands)
        EXPECT_TRUE(First.contains(C)) << qPrintable(C);
    QSet<QString> Offered;
    for (const QString& C : Commands)
        for (const QString& O : Complete({u"zorvel-cli"_s, C, u"-"_s}))
            Offered.insert(O);
    for (const QString& G : First)
        Offered.insert(G);
    for (const QString& O : HelpOptions(HelpText))
        EXPECT_TRUE(Offered.contains(O)) << "not offered: " << qPrintable(O);
}

} // namespace
