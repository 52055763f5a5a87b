// The folder commands with scripted answers: each change is one undo step that
// brings the list and the tree back, refusals and cancels change nothing.

#include <app/uFolderCommands.h>
#include <app/uListSession.h>
#include <app/uListUndo.h>
#include <model/uWebSiteFolders.h>
#include <support/uTestApplication.h>

#include <QUndoStack>

#include <gtest/gtest.h>

#include <deque>

using namespace Qt::Literals::StringLiterals;

namespace {

QStringList CategoriesOf(const TWebSiteList& List)
{
    QStringList out;
    for (const TWebSite& s : List)
        out << s.Category.toString();
    return out;
}

// A list, its tree and undo, and the commands wired as the window wires them;
// the answers to the questions come from queues.
struct TFixture
{
    TListSession Session;
    TWebSiteList& List = Session.ViewList();
    TFolderTree Tree;
    TListUndo& Undo = Session.Undo();
    TFolderCommands Commands{List, Tree};
    std::deque<std::optional<QString>> Texts;
    std::deque<std::optional<QString>> Picks;
    TFolderCommands::TDeleteChoice DeleteChoice = TFolderCommands::TDeleteChoice::Cancel;
    QStringList Informed;
    QStringList Offered; // the folders the last pick offered

    explicit TFixture(const QStringList& Categories, const std::vector<int>& Selected = {})
    {
        for (qsizetype i = 0; i < Categories.size(); ++i) {
            TWebSite s;
            s.URL = u"https://example.com/%1"_s.arg(i);
            s.Category = Categories[i];
            s.Visible = true;
            s.Selected = std::find(Selected.begin(), Selected.end(), int(i)) != Selected.end();
            List.Append(std::move(s));
        }
        Tree.Build(List);
        Commands.ChangeFn = [this](const QString& Text,
                                   const std::function<void(TWebSiteList&)>& Change) {
            Session.Change(Text, [&](TWebSiteList& L) {
                for (const TWebSite& s : L)
                    Tree.Remove(s.Category);
                Change(L);
                for (const TWebSite& s : L)
                    Tree.Add(s.Category);
                Tree.Flush();
            });
        };
        Undo.OnListChanged = [this] { Tree.Build(List); };
        Commands.AskTextFn = [this](const QString&, const QString&, const QString&) {
            auto t = Texts.front();
            Texts.pop_front();
            return t;
        };
        Commands.PickFolderFn = [this](const QStringList& Folders, const QString&) {
            Offered = Folders;
            auto p = Picks.front();
            Picks.pop_front();
            return p;
        };
        Commands.AskDeleteFn = [this](const QString&, qsizetype) { return DeleteChoice; };
        Commands.InformFn = [this](const QString&, const QString& Text) { Informed << Text; };
    }
    QString UndoText() const { return Undo.Stack()->undoText(); }
};

} // namespace

TEST(FolderCommands, EachChangeIsOneUndoStepThatBringsListAndTreeBack)
{
    EnsureTestApplication();
    using TChoice = TFolderCommands::TDeleteChoice;
    const QStringList start = {u"A"_s, u"A\\B"_s, u"C"_s, u"X\\A"_s, u""_s, u"A\\B"_s};
    struct
    {
        const char* What;
        std::function<bool(TFixture&)> Run;
        QString Step;
        QStringList After;
    } const cases[] = {
        {"rename carries the entries below",
         [](TFixture& f) {
             f.Texts = {u" Zed "_s};
             return f.Commands.RenameFolder(u"A"_s);
         },
         u"Rename Folder"_s,
         {u"Zed"_s, u"Zed\\B"_s, u"C"_s, u"X\\A"_s, u""_s, u"Zed\\B"_s}},
        {"rename to a sibling's name merges",
         [](TFixture& f) {
             f.Texts = {u"C"_s};
             return f.Commands.RenameFolder(u"A"_s);
         },
         u"Merge Folders"_s,
         {u"C"_s, u"C\\B"_s, u"C"_s, u"X\\A"_s, u""_s, u"C\\B"_s}},
        {"merge with the folder of the same name",
         [](TFixture& f) { return f.Commands.MergeFolder(u"X\\A"_s); },
         u"Merge Folders"_s,
         {u"A"_s, u"A\\B"_s, u"C"_s, u"A"_s, u""_s, u"A\\B"_s}},
        {"delete keeping the entries",
         [](TFixture& f) {
             f.DeleteChoice = TChoice::KeepEntries;
             return f.Commands.DeleteFolder(u"A"_s);
         },
         u"Delete Folder"_s,
         {u""_s, u"B"_s, u"C"_s, u"X\\A"_s, u""_s, u"B"_s}},
        {"delete with the entries",
         [](TFixture& f) {
             f.DeleteChoice = TChoice::DeleteEntries;
             return f.Commands.DeleteFolder(u"A"_s);
         },
         u"Delete Folder"_s,
         {u"C"_s, u"X\\A"_s, u""_s}},
        {"move the selection with the picker",
         [](TFixture& f) {
             f.Picks = {u"X\\A"_s};
             return f.Commands.MoveSelectedToFolder(u""_s);
         },
         u"Move to Folder"_s,
         {u"X\\A"_s, u"A\\B"_s, u"X\\A"_s, u"X\\A"_s, u""_s, u"A\\B"_s}},
        {"a folder dropped on another",
         [](TFixture& f) { return f.Commands.DropFolder(u"A\\B"_s, u"C"_s); },
         u"Move Folder"_s,
         {u"A"_s, u"C\\B"_s, u"C"_s, u"X\\A"_s, u""_s, u"C\\B"_s}},
    };
    for (const auto& c : cases) {
        TFixture f(start, {0, 2});
        EXPECT_TRUE(c.Run(f)) << c.What;
        EXPECT_EQ(CategoriesOf(f.List), c.After) << c.What;
        EXPECT_EQ(f.Undo.Count(), 1) << c.What;
        EXPECT_EQ(f.UndoText(), c.Step) << c.What;
        EXPECT_EQ(f.Tree.FolderCount(), [&] {
            TFolderTree t;
            t.Build(f.List);
            return t.FolderCount();
        }()) << c.What;
        f.Undo.Stack()->undo();
        EXPECT_EQ(CategoriesOf(f.List), start) << c.What << " undone";
        EXPECT_EQ(f.Tree.Node(f.Tree.Find(u"A")).Total, 3) << c.What << " undone";
    }
}

TEST(FolderCommands, CancelsRefusalsAndBadNamesChangeNothing)
{
    EnsureTestApplication();
    const QStringList start = {u"A"_s, u"A\\B"_s, u"C"_s};
    TFixture f(start, {2});
    f.Texts = {std::nullopt};
    EXPECT_FALSE(f.Commands.RenameFolder(u"A"_s));
    f.Texts = {u"A"_s}; // the same name
    EXPECT_FALSE(f.Commands.RenameFolder(u"A"_s));
    f.Texts = {u"x\\y"_s, std::nullopt}; // told why, asked again, then cancelled
    EXPECT_FALSE(f.Commands.RenameFolder(u"A"_s));
    EXPECT_EQ(f.Informed.size(), 1);
    EXPECT_FALSE(f.Commands.DeleteFolder(u"A"_s)); // the question cancelled
    EXPECT_FALSE(f.Commands.MergeFolder(u"C"_s));  // no other folder of that name
    EXPECT_EQ(f.Informed.size(), 2);
    EXPECT_FALSE(f.Commands.DropFolder(u"A"_s, u"A\\B"_s)); // into itself
    EXPECT_FALSE(f.Commands.DropEntries(u"C"_s));           // already there
    f.Picks = {std::nullopt};
    EXPECT_FALSE(f.Commands.MoveSelectedToFolder(u""_s));
    EXPECT_EQ(f.Offered, (QStringList{u"A"_s, u"A\\B"_s, u"C"_s}));
    EXPECT_EQ(CategoriesOf(f.List), start);
    EXPECT_EQ(f.Undo.Count(), 0);
}

TEST(FolderCommands, NewFolderStaysEmptyAndMovesWithItsParent)
{
    EnsureTestApplication();
    TFixture f({u"A"_s}, {0});
    f.Texts = {u"Inbox"_s};
    EXPECT_TRUE(f.Commands.NewFolder(u"A"_s));
    ASSERT_GE(f.Tree.Find(u"A\\Inbox"), 0);
    EXPECT_EQ(f.Tree.Node(f.Tree.Find(u"A\\Inbox")).Total, 0);
    f.Texts = {u"Renamed"_s};
    EXPECT_TRUE(f.Commands.RenameFolder(u"A"_s));
    EXPECT_GE(f.Tree.Find(u"Renamed\\Inbox"), 0);
    EXPECT_EQ(f.Tree.Find(u"A\\Inbox"), -1);
    EXPECT_EQ(f.Tree.Find(u"A"), -1);
    // Entries dropped on it.
    EXPECT_TRUE(f.Commands.DropEntries(u"Renamed\\Inbox"_s));
    EXPECT_EQ(f.Tree.Node(f.Tree.Find(u"Renamed\\Inbox")).Total, 1);
}
