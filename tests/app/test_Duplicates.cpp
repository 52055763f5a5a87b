// The Find duplicates dialog in the window: opened from the context menu and its
// key, its groups and entries, merging the checked groups with the entry the user
// keeps, merging all, and undo of a merge in one step.

#include "MainWindowFixture.h"
#include "test_DialogsUtil.h"

#include <app/uFrmDuplicates.h>
#include <app/uListUndo.h>
#include <app/uTranslations.h>
#include <model/uUrlKey.h>

#include <QAccessible>
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTreeView>

namespace {

TDateTime Day(int D)
{
    return TDateTime::FromDateTime(QDate(2020, 1, D), QTime(12, 0));
}

TWebSite Dated(const QString& Title, const QString& URL, int D, const QString& Comment = {})
{
    TWebSite S = MakeSite(Title, URL, QString(), Comment);
    S.AddDate = Day(D);
    return S;
}

// Everything an entry holds, one line per entry, in list order.
std::string Contents(const TWebSiteList& List)
{
    QStringList Out;
    for (const TWebSite& S : List)
        Out << QStringList{S.Title,   S.URL,     S.Category,
                           S.Comment, S.IconURL, QString::number(S.AddDate.ToMilliseconds())}
                   .join(u'|');
    return Out.join(u'\n').toStdString();
}

// Two groups (the "a" page in three spellings, the "b" page in two) among entries
// that only look alike. Titles give the window's order.
std::vector<TWebSite> SitesWithDuplicates()
{
    return {Dated(QStringLiteral("A1"), QStringLiteral("http://a.example/page"), 20,
                  QStringLiteral("first")),
            Dated(QStringLiteral("A2"), QStringLiteral("https://www.a.example/page/"), 10),
            Dated(QStringLiteral("A3"), QStringLiteral("http://a.example/page?utm_source=feed"), 15,
                  QStringLiteral("third")),
            Dated(QStringLiteral("B1"), QStringLiteral("http://b.example/"), 5),
            Dated(QStringLiteral("B2"), QStringLiteral("http://B.example"), 6),
            // Near but not the same page: another port, another path case, another query value.
            Dated(QStringLiteral("C1"), QStringLiteral("http://a.example:8080/page"), 1),
            Dated(QStringLiteral("C2"), QStringLiteral("http://a.example/Page"), 2),
            Dated(QStringLiteral("C3"), QStringLiteral("http://b.example/?id=2"), 3)};
}

class DuplicatesTest : public MainWindowTest
{
protected:
    void StartShown(const std::vector<TWebSite>& Sites)
    {
        Start(Sites);
        Form->show();
        Form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
        Form->bookmarkList()->setFocus();
    }

    // Runs Trigger, which opens the dialog; Act handles the dialog from within its loop.
    void WithDialog(const std::function<void()>& Trigger,
                    const std::function<void(TFrmDuplicates&)>& Act)
    {
        bool Seen = false;
        OnNextModal([&](QWidget* W) {
            auto* Dialog = qobject_cast<TFrmDuplicates*>(W);
            ASSERT_NE(Dialog, nullptr) << "no Find duplicates dialog";
            Seen = true;
            // A window manager activates the new dialog; the offscreen platform may not.
            Dialog->activateWindow();
            EXPECT_TRUE(
                QTest::qWaitFor([Dialog] { return QApplication::activeWindow() == Dialog; }));
            Act(*Dialog);
        });
        Trigger();
        EXPECT_TRUE(Seen);
    }

    static QStringList Children(const QTreeView* Tree, int Group, int Column = 0)
    {
        QStringList Out;
        const QAbstractItemModel* M = Tree->model();
        const QModelIndex G = M->index(Group, 0);
        for (int r = 0; r < M->rowCount(G); ++r)
            Out << M->index(r, Column, G).data().toString();
        return Out;
    }

    static QString KeptTitle(const QTreeView* Tree, int Group)
    {
        const QAbstractItemModel* M = Tree->model();
        const QModelIndex G = M->index(Group, 0);
        QString Kept;
        for (int r = 0; r < M->rowCount(G); ++r)
            if (M->index(r, 0, G).data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked) {
                EXPECT_TRUE(Kept.isEmpty()) << "two entries kept in group " << Group;
                Kept = M->index(r, 0, G).data().toString();
            }
        return Kept;
    }
};

} // namespace

TEST_F(DuplicatesTest, OpensFromTheMenuAndItsKeyAndShowsEachGroupWithItsEntries)
{
    StartShown(SitesWithDuplicates());
    const std::string Original = Contents(Form->WebSiteList());
    ASSERT_TRUE(Form->contextMenu()->actions().contains(Form->findDuplicatesAction));
    EXPECT_EQ(Form->findDuplicatesAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_D));

    const auto Check = [&](TFrmDuplicates& D) {
        EXPECT_EQ(D.windowTitle(), QStringLiteral("Find duplicates"));
        const QTreeView* Tree = D.groupList();
        ASSERT_EQ(Tree->model()->rowCount(), 2);
        EXPECT_EQ(Children(Tree, 0),
                  (QStringList{QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("A3")}));
        EXPECT_EQ(Children(Tree, 0, 1),
                  (QStringList{QStringLiteral("http://a.example/page"),
                               QStringLiteral("https://www.a.example/page/"),
                               QStringLiteral("http://a.example/page?utm_source=feed")}));
        EXPECT_EQ(Children(Tree, 1), (QStringList{QStringLiteral("B1"), QStringLiteral("B2")}));
        EXPECT_EQ(Tree->model()->index(0, 0).data().toString(), QStringLiteral("3 entries"));
        // The earliest added stays unless the user picks another; its address names the group.
        EXPECT_EQ(KeptTitle(Tree, 0), QStringLiteral("A2"));
        EXPECT_EQ(KeptTitle(Tree, 1), QStringLiteral("B1"));
        EXPECT_EQ(Tree->model()->index(0, 1).data().toString(),
                  QStringLiteral("https://www.a.example/page/"));
        EXPECT_TRUE(Tree->isExpanded(Tree->model()->index(0, 0)));
        // Dates with the year in full.
        EXPECT_TRUE(Children(Tree, 0, 3).first().contains(QStringLiteral("2020")))
            << qPrintable(Children(Tree, 0, 3).first());
        EXPECT_EQ(D.summaryLabel()->text(), QStringLiteral("2 groups, 5 entries in all"));
        // Nothing is checked yet: only Merge all can act.
        EXPECT_FALSE(D.mergeCheckedButton()->isEnabled());
        EXPECT_TRUE(D.mergeAllButton()->isEnabled());
        EXPECT_EQ(QApplication::focusWidget(), Tree);
        QTest::keyClick(&D, Qt::Key_Escape);
        EXPECT_FALSE(D.isVisible());
    };
    WithDialog([&] { QTest::keyClick(Form->bookmarkList(), Qt::Key_D, Qt::ControlModifier); },
               Check);
    WithDialog([&] { Form->findDuplicatesAction->trigger(); }, Check);

    // Closed without merging: nothing changed and nothing to undo.
    EXPECT_EQ(Contents(Form->WebSiteList()), Original);
    EXPECT_EQ(Form->ListUndo()->Count(), 0);

    // A list without duplicates says so and offers no merge.
    Form->onClearAll();
    Form->onDrop(QStringLiteral("http://one.example/"), QStringLiteral("One"), {});
    Form->onDrop(QStringLiteral("http://two.example/"), QStringLiteral("Two"), {});
    WithDialog([&] { Form->findDuplicatesAction->trigger(); },
               [](TFrmDuplicates& D) {
                   EXPECT_EQ(D.groupList()->model()->rowCount(), 0);
                   EXPECT_EQ(D.summaryLabel()->text(), QStringLiteral("No duplicates found."));
                   EXPECT_FALSE(D.mergeCheckedButton()->isEnabled());
                   EXPECT_FALSE(D.mergeAllButton()->isEnabled());
                   D.closeButton()->click();
               });
    EXPECT_EQ(Rows(), 2);
}

// The user picks by keyboard which entry stays and merges only that group; Ctrl+Z
// brings back the exact list in one step, Ctrl+Shift+Z merges again.
TEST_F(DuplicatesTest, MergingACheckedGroupKeepsThePickedEntryAndIsUndoneExactly)
{
    StartShown(SitesWithDuplicates());
    const std::string Original = Contents(Form->WebSiteList());

    WithDialog([&] { Form->findDuplicatesAction->trigger(); },
               [&](TFrmDuplicates& D) {
                   QTreeView* Tree = D.groupList();
                   // Group row, then its first and third entries; Space ticks A3 to stay.
                   for (int i = 0; i < 3; ++i)
                       QTest::keyClick(Tree, Qt::Key_Down);
                   QTest::keyClick(Tree, Qt::Key_Space);
                   EXPECT_EQ(KeptTitle(Tree, 0), QStringLiteral("A3"));
                   // Unticking the kept entry leaves one entry kept.
                   QTest::keyClick(Tree, Qt::Key_Space);
                   EXPECT_EQ(KeptTitle(Tree, 0), QStringLiteral("A3"));
                   // Picking what stays chose the group; the other group stays unchecked.
                   const QAbstractItemModel* M = Tree->model();
                   EXPECT_EQ(M->index(0, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(),
                             Qt::Checked);
                   EXPECT_EQ(M->index(1, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(),
                             Qt::Unchecked);
                   ASSERT_TRUE(D.mergeCheckedButton()->isEnabled());
                   QTest::keyClick(&D, Qt::Key_M, Qt::AltModifier);
                   // A mnemonic presses the button for a moment before it clicks.
                   EXPECT_TRUE(QTest::qWaitFor([&D] { return !D.isVisible(); }));
               });

    const TWebSiteList& L = Form->WebSiteList();
    ASSERT_EQ(L.Count(), 6) << Contents(L);
    const QStringList Titles = this->Titles();
    EXPECT_EQ(Titles,
              (QStringList{QStringLiteral("A3"), QStringLiteral("B1"), QStringLiteral("B2"),
                           QStringLiteral("C1"), QStringLiteral("C2"), QStringLiteral("C3")}));
    const TWebSite& Kept = L[0];
    // The picked entry stays, with the group's cleanest spelling of the address.
    EXPECT_EQ(Kept.URL, QStringLiteral("https://www.a.example/page/"));
    EXPECT_EQ(Kept.Comment, QStringLiteral("third\r\nfirst"));
    EXPECT_EQ(Kept.AddDate, Day(10));
    EXPECT_EQ(
        Form->StatusText(),
        QStringLiteral("Duplicates merged: 3 entries became 1\n")
            + QCoreApplication::translate(
                "TFrmMain", "Ctrl+Z undoes it (in the search box, Ctrl+Z undoes the typing)."));
    EXPECT_EQ(Form->ListUndo()->Count(), 1);

    // Back in the window (a window manager activates it when the dialog closes).
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    QTest::keyClick(Form->bookmarkList(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Contents(Form->WebSiteList()), Original);
    EXPECT_EQ(Rows(), 8);
    QTest::keyClick(Form->bookmarkList(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(this->Titles(), Titles);
    EXPECT_EQ(Form->WebSiteList()[0].Comment, QStringLiteral("third\r\nfirst"));
}

// The same bookmarks read from a Chromium profile's Bookmarks file and a Firefox
// export: after Merge all, one entry per page; one undo gives back both copies.
TEST_F(DuplicatesTest, MergeAllLeavesOneEntryPerPageAcrossBrowsersAndOneUndoRestoresAll)
{
    const auto ChromeTime = [](qint64 UnixSeconds) {
        return QByteArray::number((UnixSeconds + 11644473600LL) * 1000000LL);
    };
    const QByteArray Chromium =
        QByteArray(R"({"checksum":"0","roots":{"bookmark_bar":{"children":[)")
        + R"({"date_added":")" + ChromeTime(1600000300)
        + R"(","id":"4","name":"Books","type":"url","url":"https://xn--bcher-kva.example/caf%C3%A9"},)"
        + R"({"date_added":")" + ChromeTime(1600000100)
        + R"(","id":"5","name":"Wiki","type":"url","url":"https://example.org/wiki"},)"
        + R"({"date_added":")" + ChromeTime(1600000500)
        + R"(","id":"6","name":"Tilde","type":"url","url":"https://example.net/%7Euser"})"
        + R"(],"id":"1","name":"Bookmarks bar","type":"folder"},)"
        + R"("other":{"children":[],"id":"2","name":"Other bookmarks","type":"folder"},)"
        + R"("synced":{"children":[],"id":"3","name":"Mobile bookmarks","type":"folder"}},"version":1})";
    const QByteArray Firefox =
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" "
        "CONTENT=\"text/html; charset=UTF-8\">\n"
        "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks Menu</H1>\n<DL><p>\n"
        "<DT><A HREF=\"http://www.b\xC3\xBC"
        "cher.example/caf\xC3\xA9/\" ADD_DATE=\"1600000200\">B\xC3\xBC"
        "cher</A>\n"
        "<DD>from firefox\n"
        "<DT><A HREF=\"http://example.org/wiki?utm_source=feed&amp;fbclid=x\" "
        "ADD_DATE=\"1600000400\">Wiki</A>\n"
        "<DT><A HREF=\"http://example.net/~user/\" ADD_DATE=\"1600000600\">Tilde</A>\n"
        "<DT><A HREF=\"http://example.org/Wiki\" ADD_DATE=\"1600000050\">Other page</A>\n"
        "</DL><p>\n";
    const QString ChromiumFile = Path(QStringLiteral("profile/Bookmarks"));
    const QString FirefoxFile = Path(QStringLiteral("firefox.html"));
    WriteText(ChromiumFile, Chromium);
    WriteText(FirefoxFile, Firefox);

    Settings.isOpenBaseBookmark = false;
    StartShown({});
    DialogAnswer = {ChromiumFile, FirefoxFile};
    Form->onAddFiles();
    ASSERT_EQ(Rows(), 7) << qPrintable(Errors.join(u'\n'));
    const std::string Before = Contents(Form->WebSiteList());

    WithDialog([&] { QTest::keyClick(Form->bookmarkList(), Qt::Key_D, Qt::ControlModifier); },
               [](TFrmDuplicates& D) {
                   EXPECT_EQ(D.groupList()->model()->rowCount(), 3);
                   D.mergeAllButton()->click();
               });

    const TWebSiteList& L = Form->WebSiteList();
    ASSERT_EQ(L.Count(), 4);
    QSet<QString> Keys;
    for (const TWebSite& S : L)
        Keys.insert(URLDuplicateKey(S.URL));
    EXPECT_EQ(Keys.size(), 4);
    // The earliest of each page stays, takes the comments and the group's cleanest
    // spelling (https where one member has it).
    QStringList URLs;
    for (const TWebSite& S : L)
        URLs << S.URL;
    URLs.sort();
    EXPECT_EQ(URLs, (QStringList{QStringLiteral("http://example.org/Wiki"),
                                 QStringLiteral("https://example.net/%7Euser"),
                                 QStringLiteral("https://example.org/wiki"),
                                 QStringLiteral("https://xn--bcher-kva.example/caf%C3%A9")}));
    for (const TWebSite& S : L) {
        if (S.URL.contains(QStringLiteral("cher"))) {
            EXPECT_EQ(S.Comment, QStringLiteral("from firefox"));
        }
    }
    EXPECT_EQ(Form->ListUndo()->Count(), 2); // the add, then the merge

    Form->UndoAction()->trigger();
    EXPECT_EQ(Contents(Form->WebSiteList()), Before);
    EXPECT_EQ(Rows(), 7);
}

TEST_F(DuplicatesTest, JapaneseCaptionsAndAccessibleNames)
{
    for (const char* Lang : {"en_US.UTF-8", "ja_JP.UTF-8"}) {
        SCOPED_TRACE(Lang);
        Env.SetLanguage(Lang);
        Form.reset();
        StartShown(SitesWithDuplicates());
        const bool Ja = QByteArray(Lang).startsWith("ja");
        const auto T = [Ja](const char16_t* En, const char16_t* Jp) {
            return QString::fromUtf16(Ja ? Jp : En);
        };
        EXPECT_EQ(Form->findDuplicatesAction->text(), T(u"Find &duplicates…", u"(&D)重複を検索…"));
        WithDialog([&] { Form->findDuplicatesAction->trigger(); },
                   [&](TFrmDuplicates& D) {
                       EXPECT_EQ(D.windowTitle(), T(u"Find duplicates", u"重複の検索"));
                       EXPECT_EQ(D.mergeAllButton()->text(), T(u"Merge &all", u"すべて統合(&A)"));
                       QAccessibleInterface* Tree =
                           QAccessible::queryAccessibleInterface(D.groupList());
                       ASSERT_NE(Tree, nullptr);
                       EXPECT_EQ(Tree->text(QAccessible::Name),
                                 T(u"Groups of duplicates", u"重複のグループ"));
                       for (QPushButton* B :
                            {D.mergeCheckedButton(), D.mergeAllButton(), D.closeButton()}) {
                           QAccessibleInterface* Face = QAccessible::queryAccessibleInterface(B);
                           ASSERT_NE(Face, nullptr);
                           EXPECT_FALSE(Face->text(QAccessible::Name).isEmpty());
                       }
                       const QModelIndex Group = D.groupList()->model()->index(0, 0);
                       EXPECT_EQ(Group.data().toString(), T(u"%1 entries", u"%1件").arg(3));
                       EXPECT_EQ(Group.data(Qt::AccessibleDescriptionRole).toString(),
                                 T(u"Merge this group", u"このグループを統合する"));
                       // Tab leaves the list for the buttons.
                       QTest::keyClick(D.groupList(), Qt::Key_Tab);
                       EXPECT_EQ(QApplication::focusWidget(), D.mergeCheckedButton()->isEnabled()
                                                                  ? D.mergeCheckedButton()
                                                                  : D.mergeAllButton());
                       D.reject();
                   });
    }
}

namespace {

// The check mark Style draws for Index in Tree, in a 16-pixel square.
QImage CheckMark(const QStyle* Style, QTreeView* Tree, const QModelIndex& Index,
                 QStyle::PrimitiveElement Element = QStyle::PE_IndicatorItemViewItemCheck)
{
    QStyleOptionViewItem Option;
    Option.initFrom(Tree);
    Option.index = Index;
    Option.rect = QRect(0, 0, 16, 16);
    Option.checkState = Qt::Checked;
    Option.state |= QStyle::State_On;
    QImage Image(16, 16, QImage::Format_ARGB32);
    Image.fill(Qt::transparent);
    QPainter Painter(&Image);
    if (Element == QStyle::PE_IndicatorRadioButton) {
        QStyleOptionButton Radio;
        Radio.QStyleOption::operator=(Option);
        Style->drawPrimitive(Element, &Radio, &Painter, Tree);
    } else {
        Style->drawPrimitive(Element, &Option, &Painter, Tree);
    }
    return Image;
}

} // namespace

TEST_F(DuplicatesTest, TheAddedColumnShowsWholeDatesAndTheKeptEntryIsARadioButton)
{
    StartShown(SitesWithDuplicates());
    WithDialog([&] { Form->findDuplicatesAction->trigger(); },
               [&](TFrmDuplicates& D) {
                   QTreeView* Tree = D.groupList();
                   const QAbstractItemModel* M = Tree->model();
                   const QModelIndex Group = M->index(0, 0);
                   for (int r = 0; r < M->rowCount(Group); ++r) {
                       const QModelIndex Date = M->index(r, 3, Group);
                       const QString Shown = Date.data().toString();
                       ASSERT_TRUE(Shown.contains(QStringLiteral("2020"))) << qPrintable(Shown);
                       EXPECT_GE(Tree->visualRect(Date).width(),
                                 Tree->fontMetrics().horizontalAdvance(Shown) + 6)
                           << qPrintable(Shown);
                   }
                   // Members, of which one stays, wear radio buttons; groups check boxes.
                   const QImage Member = CheckMark(Tree->style(), Tree, M->index(0, 0, Group));
                   EXPECT_EQ(Member, CheckMark(QApplication::style(), Tree, M->index(0, 0, Group),
                                               QStyle::PE_IndicatorRadioButton));
                   const QImage GroupMark = CheckMark(Tree->style(), Tree, Group);
                   EXPECT_EQ(GroupMark, CheckMark(QApplication::style(), Tree, Group));
                   EXPECT_NE(Member, GroupMark);
                   D.reject();
               });
}

TEST(DuplicatesTexts, JapaneseButtonsPutTheirAccessKeyLast)
{
    static const QRegularExpression KeyLast(QStringLiteral("^[^&]+\\(&([A-Z])\\)$"));
    EnsureTestApplication();
    TScopedEnv Env;
    Env.SetLanguage("ja_JP.UTF-8");
    ApplyLanguage();
    for (const char* Source : {"&Merge checked", "Merge &all"}) {
        const QString Japanese = QCoreApplication::translate("TFrmDuplicates", Source);
        const QRegularExpressionMatch Match = KeyLast.match(Japanese);
        ASSERT_TRUE(Match.hasMatch()) << qPrintable(Japanese);
        // The same key as the English caption's.
        const QString English = QString::fromUtf8(Source);
        EXPECT_EQ(Match.captured(1), English.mid(English.indexOf(u'&') + 1, 1).toUpper());
    }
}
