// The list's session: every field an entry has, changed in the Property dialog or
// by a command, is one undo step, undone and redone exactly, and a change the close
// asks about when the data folder cannot be written.

#include "MainWindowFixture.h"
#include "test_DialogsUtil.h"

#include <app/uFrmProperty.h>
#include <app/uListSession.h>
#include <model/uWebSiteIcons.h>
#include <model/uWebSiteTags.h>
#include <net/TestHttpServer.h>
#include <support/uIconBytes.h>

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUndoStack>

namespace {

// The entries' whole content in order (the view's marks left out).
bool SameEntries(const TWebSiteList& List, const std::vector<TWebSite>& Want)
{
    if (List.Count() != qsizetype(Want.size()))
        return false;
    for (qsizetype i = 0; i < List.Count(); ++i)
        if (!WebSiteSameContent(List[i], Want[size_t(i)]))
            return false;
    return true;
}

std::vector<TWebSite> EntriesOf(const TWebSiteList& List)
{
    return {List.begin(), List.end()};
}

TIconId TestIcon(int Seed)
{
    return WebSiteIcons().AddBytes("image/png", PngBytes(Seed));
}

class ListSessionTest : public MainWindowTest
{
protected:
    // A change that the test makes through the window, as a user would.
    struct TCase
    {
        const char* Name;
        std::vector<TWebSite> Sites;     // the base file at start
        std::function<void()> Change;    // selects and runs the command
        std::function<bool()> DidChange; // the field the case is about changed
    };

    // Each case: exactly one undo step; undo gives the list before, redo the list
    // after, both whole; the close knows the list changed.
    void Check(const TCase& C)
    {
        SCOPED_TRACE(C.Name);
        Form.reset();
        Start(C.Sites);
        ASSERT_FALSE(Form->HasChangesToLose());
        const std::vector<TWebSite> Before = EntriesOf(Form->WebSiteList());
        const int Steps = Form->ListUndo()->Count();
        C.Change();
        ASSERT_TRUE(C.DidChange());
        EXPECT_EQ(Form->ListUndo()->Count(), Steps + 1);
        EXPECT_TRUE(Form->HasChangesToLose());
        const std::vector<TWebSite> After = EntriesOf(Form->WebSiteList());
        Form->UndoAction()->trigger();
        EXPECT_TRUE(SameEntries(Form->WebSiteList(), Before));
        EXPECT_FALSE(C.DidChange());
        Form->RedoAction()->trigger();
        EXPECT_TRUE(SameEntries(Form->WebSiteList(), After));
        EXPECT_TRUE(C.DidChange());
        // Back to the start is still a session that changed something.
        Form->UndoAction()->trigger();
        EXPECT_TRUE(Form->HasChangesToLose());
    }

    const TWebSite& Entry(const QString& Url)
    {
        const qsizetype i = Form->WebSiteList().IndexOfURL(Url);
        EXPECT_GE(i, 0) << qPrintable(Url);
        return Form->WebSiteList()[i];
    }

    void SelectUrl(const QString& Url)
    {
        const qsizetype i = Form->WebSiteList().IndexOfURL(Url);
        ASSERT_GE(i, 0);
        Form->SelectRows({int(i)});
    }

    // Opens the real Property dialog on the selected entry; Edit sets its fields.
    void EditProperties(const QString& Url, const std::function<void(TFrmProperty&)>& Edit)
    {
        SelectUrl(Url);
        Form->PropertyFn = [Edit](TWebSiteList& List) {
            TFrmProperty Dlg;
            return WhileOpen(
                Dlg,
                [&] {
                    Edit(Dlg);
                    Dlg.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
                },
                [&] { return Dlg.Execute(List); });
        };
        Form->onProperties();
    }

    // Adds a bookmark file holding Site: it merges into the entry of the same address.
    void AddFileWith(const TWebSite& Site)
    {
        TWebSiteList File;
        File.Append(Site);
        const QString Path = this->Path(QStringLiteral("add.html"));
        WebSitesSaveToHtml(File, Path);
        DialogAnswer = {Path};
        Form->onAddFiles();
        WaitForAdds();
    }
};

const QString A = QStringLiteral("http://a.example/");
const QString B = QStringLiteral("http://b.example/");

std::vector<TWebSite> TwoEntries()
{
    TWebSite First =
        MakeSite(QStringLiteral("Alpha"), A, QStringLiteral("Work"), QStringLiteral("first note"));
    First.AddDate = TDateTime(45000.5);
    TWebSite Second = MakeSite(QStringLiteral("Beta"), B);
    Second.AddDate = TDateTime(45001.5);
    return {First, Second};
}

void SetLineEdit(TFrmProperty& Dlg, const char* Name, const QString& Text)
{
    Dlg.findChild<QLineEdit*>(QString::fromLatin1(Name))->setText(Text);
}

} // namespace

TEST_F(ListSessionTest, EveryFieldEditedInThePropertyDialogIsOneStepAndAChange)
{
    const struct
    {
        const char* Name;
        const char* Edit; // the dialog's field
        QString Text;
        std::function<bool(const TWebSite&)> Changed;
    } Fields[] = {
        {"title", "titleEdit", QStringLiteral("Renamed"),
         [](const TWebSite& S) { return S.Title == QStringLiteral("Renamed"); }},
        {"category", "categoryEdit", QStringLiteral("Home\\Later"),
         [](const TWebSite& S) { return S.Category == QStringLiteral("Home\\Later"); }},
        {"icon address", "iconUrlEdit", QStringLiteral("http://a.example/i.png"),
         [](const TWebSite& S) { return S.IconURL == QStringLiteral("http://a.example/i.png"); }},
        {"tags", "tagsEdit", QStringLiteral("news, daily"),
         [](const TWebSite& S) {
             return WebSiteTags(S) == QStringList{QStringLiteral("news"), QStringLiteral("daily")};
         }},
        {"keyword", "keywordEdit", QStringLiteral("al"),
         [](const TWebSite& S) { return WebSiteKeyword(S) == QStringLiteral("al"); }},
        {"comment", nullptr, QStringLiteral("other\nnote"),
         [](const TWebSite& S) { return S.Comment == QStringLiteral("other\r\nnote"); }},
    };
    for (const auto& F : Fields) {
        Check({F.Name, TwoEntries(),
               [&] {
                   EditProperties(A, [&](TFrmProperty& Dlg) {
                       if (F.Edit)
                           SetLineEdit(Dlg, F.Edit, F.Text);
                       else
                           Dlg.findChild<QPlainTextEdit*>(QStringLiteral("commentEdit"))
                               ->setPlainText(F.Text);
                   });
               },
               [&] { return F.Changed(Entry(A)); }});
    }
    // The address: the entry is then found under its new one.
    const QString Moved = QStringLiteral("http://moved.example/");
    Check(
        {"address", TwoEntries(),
         [&] { EditProperties(A, [&](TFrmProperty& Dlg) { SetLineEdit(Dlg, "urlEdit", Moved); }); },
         [&] { return Form->WebSiteList().IndexOfURL(Moved) >= 0; }});
}

TEST_F(ListSessionTest, EveryFieldChangedByACommandIsOneStepAndAChange)
{
    // Adds merge into the entry of the same address: its empty category, the comment,
    // tags, keyword and icon it lacks.
    TWebSite Bare = MakeSite(QStringLiteral("Alpha"), A);
    Bare.AddDate = TDateTime(45000.5);
    const TIconId Icon = TestIcon(37);
    ASSERT_NE(Icon, 0u);
    const struct
    {
        const char* Name;
        std::function<void(TWebSite&)> Give;
        std::function<bool(const TWebSite&)> Changed;
    } Merges[] = {
        {"category by an add", [](TWebSite& S) { S.Category = QStringLiteral("Found"); },
         [](const TWebSite& S) { return S.Category == QStringLiteral("Found"); }},
        {"comment by an add", [](TWebSite& S) { S.Comment = QStringLiteral("from the file"); },
         [](const TWebSite& S) { return S.Comment == QStringLiteral("from the file"); }},
        {"tags by an add", [](TWebSite& S) { WebSiteTagsSet(S, {QStringLiteral("found")}); },
         [](const TWebSite& S) { return WebSiteTags(S) == QStringList{QStringLiteral("found")}; }},
        {"keyword by an add", [](TWebSite& S) { WebSiteKeywordSet(S, QStringLiteral("fk")); },
         [](const TWebSite& S) { return WebSiteKeyword(S) == QStringLiteral("fk"); }},
        {"icon by an add", [Icon](TWebSite& S) { S.IconId = Icon; },
         [Icon](const TWebSite& S) { return S.IconId == Icon; }},
    };
    for (const auto& M : Merges) {
        Check({M.Name,
               {Bare},
               [&] {
                   TWebSite Site = Bare;
                   M.Give(Site);
                   AddFileWith(Site);
               },
               [&] { return M.Changed(Entry(A)); }});
    }

    // The link check: a verdict alone (title and icon there already) and a title it
    // fills in, against a server on this machine.
    TTestHttpServer Server;
    Server.Route("/ok", {200, "text/html", "<title>Found it</title>"});
    Server.Route("/old", {301, "text/html", "", "/new"});
    Server.Route("/new", {200, "text/html", "<title>New</title>"});
    const QString Ok = QString::fromLatin1(Server.Origin()) + QStringLiteral("/ok");
    const QString Old = QString::fromLatin1(Server.Origin()) + QStringLiteral("/old");
    TWebSite Titled = MakeSite(QStringLiteral("Mine"), Ok);
    Titled.IconId = Icon;
    const auto CheckLinkOf = [&](const QString& Url) {
        return [&, Url] {
            Form->LinkCheckOptions.Http.TimeoutMs = 2000;
            SelectUrl(Url);
            Form->checkLinksAction->trigger();
        };
    };
    Check({"link verdict by a check", {Titled}, CheckLinkOf(Ok), [&] {
               return Entry(Ok).Extras->LinkStatus == TLinkStatus::Ok;
           }});
    Check({"title by a check", {MakeSite(QString(), Ok)}, CheckLinkOf(Ok), [&] {
               return Entry(Ok).Title == QStringLiteral("Found it");
           }});

    // The address: Replace moved addresses, after a check that found the new one.
    TWebSite Moved = MakeSite(QStringLiteral("Old"), Old);
    Moved.Extras.Edit().LinkStatus = TLinkStatus::Moved;
    Moved.Extras.Edit().LinkFinalUrl =
        QString::fromLatin1(Server.Origin()) + QStringLiteral("/new");
    Check({"address by replace moved",
           {Moved},
           [&] {
               SelectUrl(Old);
               Form->replaceMovedAction->trigger();
           },
           [&] { return Form->WebSiteList().IndexOfURL(Old) < 0; }});

    // Delete: the whole entry.
    Check({"delete", TwoEntries(),
           [&] {
               SelectUrl(B);
               Form->onDeleteSelected();
           },
           [&] { return Form->WebSiteList().IndexOfURL(B) < 0; }});
}

TEST_F(ListSessionTest, UndoTakesBackTheTagNotTheDeleteBeforeIt)
{
    Start(TwoEntries());
    SelectUrl(B);
    Form->onDeleteSelected();
    EditProperties(A, [](TFrmProperty& Dlg) { SetLineEdit(Dlg, "tagsEdit", QStringLiteral("x")); });
    ASSERT_EQ(WebSiteTags(Entry(A)), QStringList{QStringLiteral("x")});
    EXPECT_EQ(Form->ListUndo()->Stack()->undoText(), QStringLiteral("Property"));
    Form->UndoAction()->trigger();
    EXPECT_TRUE(WebSiteTags(Entry(A)).isEmpty());
    EXPECT_LT(Form->WebSiteList().IndexOfURL(B), 0);
    Form->UndoAction()->trigger();
    EXPECT_GE(Form->WebSiteList().IndexOfURL(B), 0);
}

TEST_F(ListSessionTest, ATagEditAloneMakesTheCloseAskWhenTheDataFolderCannotBeWritten)
{
    for (const bool TagEdit : {false, true}) {
        SCOPED_TRACE(TagEdit ? "tag edited" : "nothing changed");
        SetDataDirOverride(Tmp.path());
        Form.reset();
        Start(TwoEntries());
        if (TagEdit)
            EditProperties(
                A, [](TFrmProperty& Dlg) { SetLineEdit(Dlg, "tagsEdit", QStringLiteral("x")); });
        // A plain file stands where the data folder was: the settings and the search
        // history cannot be written there (the settings themselves stay as they were).
        const QString Blocked = Path(QStringLiteral("blocked"));
        WriteText(Blocked, "not a folder");
        SetDataDirOverride(Blocked);
        ASSERT_FALSE(Form->ExitWriteProblems().isEmpty());
        QStringList Asked;
        Form->ExitProblemFn = [&](const QString& Text) {
            Asked << Text;
            return TFrmMain::ExitCancel;
        };
        EXPECT_EQ(Form->QueryClose(), !TagEdit);
        EXPECT_EQ(Asked.size(), TagEdit ? 1 : 0);
    }
}

// The session without a window: the changed state since the start and since a save.
TEST(ListSession, ChangedSinceStartAndSinceSave)
{
    EnsureTestApplication();
    TListSession Session;
    Session.StartAt(TBaseFileRead());
    EXPECT_FALSE(Session.ChangedSinceStart());
    // An edit that changes nothing is no step and no change.
    EXPECT_FALSE(Session.Change(QStringLiteral("None"), [](TWebSiteList&) {}));
    EXPECT_FALSE(Session.ChangedSinceStart());
    EXPECT_TRUE(Session.Change(QStringLiteral("Add"), [](TWebSiteList& L) {
        L.Append(MakeSite(QStringLiteral("T"), QStringLiteral("http://t.example/")));
    }));
    EXPECT_TRUE(Session.ChangedSinceStart());
    EXPECT_TRUE(Session.ChangedSinceSave());
    Session.MarkSaved();
    EXPECT_FALSE(Session.ChangedSinceSave());
    EXPECT_TRUE(Session.ChangedSinceStart());
    Session.Undo().UndoAction()->trigger();
    EXPECT_TRUE(Session.ChangedSinceSave());
    EXPECT_TRUE(Session.List().isEmpty());

    // An edit that fails half-way keeps what it did as the step.
    EXPECT_THROW(Session.Change(QStringLiteral("Half"),
                                [](TWebSiteList& L) {
                                    L.Append(MakeSite(QStringLiteral("H"),
                                                      QStringLiteral("http://h.example/")));
                                    throw std::runtime_error("stop");
                                }),
                 std::runtime_error);
    EXPECT_EQ(Session.List().Count(), 1);
    EXPECT_EQ(Session.Undo().Stack()->undoText(), QStringLiteral("Half"));
    Session.Undo().UndoAction()->trigger();
    EXPECT_TRUE(Session.List().isEmpty());
}
