// Import from browsers: the dialog, the tile and the offer at the first start.

#include "../model/ProfileFixtures.h"
#include "MainWindowFixture.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTreeWidget>
#include <app/uFrmBrowserImport.h>
#include <app/uTranslations.h>
#include <controls/uTileButton.h>

#include <atomic>
#include <chrono>
#include <semaphore>
#include <stdexcept>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

TBrowserProfile Profile(const QString& Browser, const QString& Name, const QString& File, int Count)
{
    TBrowserProfile P;
    P.Browser = Browser;
    P.Profile = Name;
    P.FileName = File;
    P.Count = Count;
    if (Count < 0)
        P.Error = u"Cannot open file"_s;
    return P;
}

// A profile found but not counted yet: the dialog counts it.
TBrowserProfile Uncounted(const QString& Browser, const QString& File)
{
    TBrowserProfile P;
    P.Browser = Browser;
    P.Profile = u"Default"_s;
    P.FileName = File;
    return P;
}

bool WaitForCounts(TFrmBrowserImport& Dialog)
{
    return QTest::qWaitFor([&] { return !Dialog.IsCounting(); }, 10000);
}

class BrowserImportTest : public MainWindowTest
{
protected:
    // A fake home with a Chromium profile and a Firefox profile, found as the
    // program finds them.
    void MakeHome()
    {
        const QString H = Path(u"home"_s);
        fixtures::WriteFile(H + u"/.config/chromium/Default/Bookmarks"_s,
                            fixtures::ChromiumBookmarksJson());
        const QString Places = H + u"/.mozilla/firefox/p.default/places.sqlite"_s;
        QDir().mkpath(QFileInfo(Places).path());
        {
            fixtures::TDb Db(Places);
            fixtures::CreatePlacesSchema(Db);
            fixtures::FillPlaces(Db);
        }
        fixtures::WriteFile(H + u"/.mozilla/firefox/profiles.ini"_s,
                            "[Profile0]\nName=default\nIsRelative=1\nPath=p.default\n");
        Home = ProfileSearchPlacesForHome(H, TProfileOS::Linux);
    }

    void HookImport()
    {
        Form->FindProfilesFn = [this] {
            ++Searches;
            return FindBrowserProfiles(Home);
        };
        // The real dialog, answered as a user who keeps the default checks.
        Form->BrowserImportFn = [this](const QList<TBrowserProfile>& Profiles) {
            Offered = Profiles;
            TFrmBrowserImport Dialog(Profiles, Form.get());
            return Dialog.CheckedFiles();
        };
    }

    TProfileSearchPlaces Home;
    QList<TBrowserProfile> Offered;
    int Searches = 0;
};

TEST(BrowserImportDialog, ListsProfilesWithCountsAndChecksThoseWithBookmarks)
{
    EnsureTestApplication();
    const QList<TBrowserProfile> Profiles = {
        Profile(u"Google Chrome"_s, u"Personal"_s, u"/a/Bookmarks"_s, 1234),
        Profile(u"Firefox"_s, u"default-release"_s, u"/b/places.sqlite"_s, 0),
        Profile(u"Chromium"_s, u"Default"_s, u"/c/Bookmarks"_s, -1),
    };
    TFrmBrowserImport Dialog(Profiles);
    QTreeWidget* List = Dialog.profileList();
    ASSERT_EQ(List->topLevelItemCount(), 3);
    EXPECT_EQ(List->topLevelItem(0)->text(0), u"Google Chrome"_s);
    EXPECT_EQ(List->topLevelItem(0)->text(1), u"Personal"_s);
    EXPECT_EQ(List->topLevelItem(0)->text(2), QLocale().toString(1234));
    EXPECT_EQ(List->topLevelItem(2)->text(2), u"cannot be read"_s);
    EXPECT_EQ(Dialog.CheckedFiles(), QStringList{u"/a/Bookmarks"_s});

    Dialog.SetChecked(1, true);
    Dialog.SetChecked(2, true); // unreadable: stays unchecked
    EXPECT_EQ(Dialog.CheckedFiles(), (QStringList{u"/a/Bookmarks"_s, u"/b/places.sqlite"_s}));
    QPushButton* Import = Dialog.buttons()->button(QDialogButtonBox::Ok);
    EXPECT_TRUE(Import->isEnabled());
    Dialog.SetChecked(0, false);
    Dialog.SetChecked(1, false);
    EXPECT_FALSE(Import->isEnabled());
    EXPECT_FALSE(List->accessibleName().isEmpty());
}

TEST(BrowserImportDialog, TheKeyboardChecksProfilesAndImports)
{
    EnsureTestApplication();
    const QList<TBrowserProfile> Profiles = {
        Profile(u"Brave"_s, u"Default"_s, u"/a/Bookmarks"_s, 3),
        Profile(u"LibreWolf"_s, u"main"_s, u"/b/places.sqlite"_s, 0),
    };
    TFrmBrowserImport Dialog(Profiles);
    Dialog.show();
    QApplication::setActiveWindow(&Dialog);
    QTreeWidget* List = Dialog.profileList();
    ASSERT_EQ(QApplication::focusWidget(), List);
    // Space on the first row unchecks it; Down and Space check the second.
    QTest::keyClick(List, Qt::Key_Space);
    EXPECT_TRUE(Dialog.CheckedFiles().isEmpty());
    QTest::keyClick(List, Qt::Key_Down);
    QTest::keyClick(List, Qt::Key_Space);
    EXPECT_EQ(Dialog.CheckedFiles(), QStringList{u"/b/places.sqlite"_s});
    // Enter accepts: the import button is the default.
    QTest::keyClick(List, Qt::Key_Return);
    EXPECT_EQ(Dialog.result(), QDialog::Accepted);
}

// Each profile's file name says what the counting thread finds in it.
void CountByName(TBrowserProfile& P)
{
    if (P.FileName.endsWith(u"/throws"_s))
        throw std::runtime_error("disk on fire");
    if (P.FileName.endsWith(u"/locked"_s)) {
        P.Error = u"database is locked"_s;
        return;
    }
    if (P.FileName.endsWith(u"/silent"_s))
        return; // neither a count nor a reason
    P.Count = P.FileName.section(u'/', -1).toInt();
}

TEST(BrowserImportDialog, OpensAtOnceAndFillsTheCountsInFromAnotherThread)
{
    EnsureTestApplication();
    struct TCase
    {
        const char* File;
        QString Shown;
        bool Checked;
        bool Checkable;
        QString Why;
    };
    const std::vector<TCase> Cases = {
        {"/p/1234", QLocale().toString(1234), true, true, {}},
        {"/p/0", QLocale().toString(0), false, true, {}},
        {"/p/locked", u"cannot be read"_s, false, false, u"database is locked"_s},
        {"/p/throws", u"cannot be read"_s, false, false, u"disk on fire"_s},
        {"/p/silent", u"cannot be read"_s, false, false, u"cannot be read"_s},
    };
    QList<TBrowserProfile> Profiles;
    for (const TCase& C : Cases)
        Profiles << Uncounted(u"Firefox"_s, QString::fromUtf8(C.File));
    // One profile counted already (by a caller that had the time) is shown as it is.
    Profiles << Profile(u"Brave"_s, u"Work"_s, u"/p/brave"_s, 7);

    // The first count waits until the dialog has been looked at.
    std::binary_semaphore Go(0);
    std::atomic<bool> OnWindowThread = false;
    QThread* const WindowThread = QThread::currentThread();
    TFrmBrowserImport Dialog(Profiles, nullptr, [&](TBrowserProfile& P) {
        if (QThread::currentThread() == WindowThread)
            OnWindowThread = true;
        if (P.FileName == u"/p/1234"_s)
            Go.acquire();
        CountByName(P);
    });
    QSignalSpy Finished(&Dialog, &TFrmBrowserImport::CountsFinished);
    QTreeWidget* List = Dialog.profileList();
    ASSERT_EQ(List->topLevelItemCount(), int(Cases.size()) + 1);
    EXPECT_TRUE(Dialog.IsCounting());
    for (int Row = 0; Row < int(Cases.size()); ++Row) {
        EXPECT_EQ(List->topLevelItem(Row)->text(2), u"counting…"_s) << Row;
        EXPECT_EQ(List->topLevelItem(Row)->checkState(0), Qt::Checked) << Row;
    }
    EXPECT_EQ(List->topLevelItem(5)->text(2), QLocale().toString(7));
    // Import works before the counts are in: the pending profiles are offered too.
    EXPECT_TRUE(Dialog.buttons()->button(QDialogButtonBox::Ok)->isEnabled());

    Go.release();
    ASSERT_TRUE(WaitForCounts(Dialog));
    EXPECT_EQ(Finished.count(), 1);
    EXPECT_FALSE(OnWindowThread);
    for (int Row = 0; Row < int(Cases.size()); ++Row) {
        const TCase& C = Cases[size_t(Row)];
        QTreeWidgetItem* Item = List->topLevelItem(Row);
        EXPECT_EQ(Item->text(2), C.Shown) << C.File;
        EXPECT_EQ(Item->checkState(0) == Qt::Checked, C.Checked) << C.File;
        EXPECT_EQ(bool(Item->flags() & Qt::ItemIsUserCheckable), C.Checkable) << C.File;
        EXPECT_EQ(Item->toolTip(2), C.Why) << C.File;
    }
    EXPECT_EQ(Dialog.Profiles()[0].Count, 1234);
    EXPECT_EQ(Dialog.Profiles()[2].Error, u"database is locked"_s);
    EXPECT_EQ(Dialog.CheckedFiles(), (QStringList{u"/p/1234"_s, u"/p/brave"_s}));
}

TEST(BrowserImportDialog, ACheckTheUserSetBeforeTheCountCameIsKept)
{
    EnsureTestApplication();
    std::binary_semaphore Go(0);
    TFrmBrowserImport Dialog(
        {Uncounted(u"Chromium"_s, u"/p/5"_s), Uncounted(u"Opera"_s, u"/p/0"_s)}, nullptr,
        [&](TBrowserProfile& P) {
            if (P.FileName == u"/p/5"_s)
                Go.acquire();
            CountByName(P);
        });
    // Unchecked one that will turn out full, re-checked one that will turn out empty.
    Dialog.SetChecked(0, false);
    Dialog.SetChecked(1, false);
    Dialog.SetChecked(1, true);
    Go.release();
    ASSERT_TRUE(WaitForCounts(Dialog));
    EXPECT_EQ(Dialog.profileList()->topLevelItem(0)->text(2), QLocale().toString(5));
    EXPECT_EQ(Dialog.CheckedFiles(), QStringList{u"/p/0"_s});
}

TEST(BrowserImportDialog, ClosingWhileCountingStopsTheCountAndDropsWhatComesLate)
{
    EnsureTestApplication();
    std::binary_semaphore Started(0), Go(0);
    std::atomic<int> Counted = 0;
    QList<TBrowserProfile> Profiles;
    for (int i = 1; i <= 4; ++i)
        Profiles << Uncounted(u"Firefox"_s, u"/p/%1"_s.arg(i));
    auto Dialog = std::make_unique<TFrmBrowserImport>(Profiles, nullptr, [&](TBrowserProfile& P) {
        if (Counted++ == 0) {
            Started.release();
            Go.acquire();
        }
        CountByName(P);
    });
    Dialog->show();
    Started.acquire();
    // The user cancels while the first file is being read; it ends a moment later.
    QTest::keyClick(Dialog->profileList(), Qt::Key_Escape);
    EXPECT_EQ(Dialog->result(), QDialog::Rejected);
    std::thread Finisher([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        Go.release();
    });
    Dialog.reset();
    Finisher.join();
    // The count that ended after the close went nowhere, and no other was started.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(Counted, 1);
}

TEST_F(BrowserImportTest, TileImportsTheCheckedProfilesIntoTheList)
{
    MakeHome();
    Start({MakeSite(u"Kept"_s, u"https://kept.example/"_s)});
    HookImport();
    TTileButton* Tile = Form->Tiles()[2];
    EXPECT_EQ(Tile->Text(), u"Import"_s);
    EXPECT_EQ(Tile->accessibleName(), u"Import from browsers"_s);
    EXPECT_TRUE(Tile->toolTip().startsWith(u"Import from browsers ("_s))
        << qPrintable(Tile->toolTip());
    Form->Guard([&] { Form->onImportFromBrowsers(); });

    ASSERT_EQ(Offered.size(), 2);
    EXPECT_EQ(Offered[0].Browser, u"Chromium"_s);
    EXPECT_EQ(Offered[0].Count, 6);
    EXPECT_EQ(Offered[1].Browser, u"Firefox"_s);
    EXPECT_EQ(Offered[1].Count, 7);
    // 1 kept + 5 http bookmarks of Chromium + 7 of Firefox.
    EXPECT_EQ(Rows(), 13);
    EXPECT_TRUE(Titles().contains(u"Toolbar first"_s));
    EXPECT_TRUE(Titles().contains(u"Phone"_s));
    EXPECT_TRUE(Errors.isEmpty());
    EXPECT_FALSE(Form->StatusText().isEmpty());
}

TEST_F(BrowserImportTest, NothingFoundSaysSo)
{
    Start();
    Form->FindProfilesFn = [] { return QList<TBrowserProfile>(); };
    bool Asked = false;
    Form->BrowserImportFn = [&](const QList<TBrowserProfile>&) {
        Asked = true;
        return QStringList();
    };
    Form->onImportFromBrowsers();
    EXPECT_FALSE(Asked);
    EXPECT_EQ(Form->StatusText(), u"No browser bookmarks were found on this computer."_s);
}

TEST_F(BrowserImportTest, OfferedAtAFirstStartOnly)
{
    MakeHome();
    Start(); // no base file, empty list
    HookImport();
    Form->OfferBrowserImportAtStart();
    EXPECT_EQ(Searches, 1);
    EXPECT_EQ(Offered.size(), 2);
    EXPECT_EQ(Rows(), 12);

    // With a base bookmark file the program is not new: nothing is offered.
    Form.reset();
    Offered.clear();
    Searches = 0;
    Start({MakeSite(u"Kept"_s, u"https://kept.example/"_s)});
    HookImport();
    Form->OfferBrowserImportAtStart();
    EXPECT_EQ(Searches, 0);
    EXPECT_TRUE(Offered.isEmpty());

    // Nor when the program is set to start without a base file.
    Form.reset();
    QFile::remove(Settings.BaseBookmarkName);
    Settings.isOpenBaseBookmark = false;
    Start();
    HookImport();
    Form->OfferBrowserImportAtStart();
    EXPECT_EQ(Searches, 0);
}

TEST_F(BrowserImportTest, ProfilesFoundWithoutCountsAreOfferedAndCountedByTheDialog)
{
    MakeHome();
    Start();
    // As the program does: only find the profiles; the dialog reads the files.
    Form->FindProfilesFn = [this] { return FindBrowserProfiles(Home, false); };
    QList<TBrowserProfile> Counted;
    Form->BrowserImportFn = [&](const QList<TBrowserProfile>& Profiles) {
        TFrmBrowserImport Dialog(Profiles, Form.get());
        EXPECT_TRUE(WaitForCounts(Dialog));
        Counted = Dialog.Profiles();
        return Dialog.CheckedFiles();
    };
    Form->OfferBrowserImportAtStart();
    ASSERT_EQ(Counted.size(), 2);
    EXPECT_EQ(Counted[0].Count, 6);
    EXPECT_EQ(Counted[1].Count, 7);
    EXPECT_EQ(Rows(), 12);
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(BrowserImportTest, AnEmptyBaseFileCountsAsNoListYet)
{
    MakeHome();
    // 0 bytes: offered. An exported empty list is a list: not offered.
    const struct
    {
        const char* Name;
        QByteArray Bytes;
        int Searches;
    } Cases[] = {
        {"0 bytes", QByteArray(), 1},
        {"an empty bookmark file",
         "<!DOCTYPE "
         "NETSCAPE-Bookmark-file-1>\r\n<TITLE>Bookmarks</TITLE>\r\n<DL><p>\r\n</DL><p>\r\n",
         0},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        Form.reset();
        Searches = 0;
        Offered.clear();
        WriteText(Settings.BaseBookmarkName, C.Bytes);
        Start();
        HookImport();
        Form->OfferBrowserImportAtStart();
        EXPECT_EQ(Searches, C.Searches);
        EXPECT_EQ(Rows(), C.Searches ? 12 : 0);
    }
}

TEST_F(BrowserImportTest, ACancelledOfferAddsNothingAndLeavingWritesTheBaseFile)
{
    MakeHome();
    Start();
    Form->FindProfilesFn = [this] { return FindBrowserProfiles(Home); };
    bool Asked = false;
    Form->BrowserImportFn = [&](const QList<TBrowserProfile>&) {
        Asked = true;
        return QStringList();
    };
    Form->OfferBrowserImportAtStart();
    EXPECT_TRUE(Asked);
    EXPECT_EQ(Rows(), 0);
    // The base file written at exit is what keeps the offer to one start.
    Form->SaveAtExit();
    EXPECT_TRUE(QFileInfo::exists(Settings.BaseBookmarkName));
    Form.reset();
    Start();
    Asked = false;
    Form->FindProfilesFn = [this] { return FindBrowserProfiles(Home); };
    Form->BrowserImportFn = [&](const QList<TBrowserProfile>&) {
        Asked = true;
        return QStringList();
    };
    Form->OfferBrowserImportAtStart();
    EXPECT_FALSE(Asked);
}

} // namespace

TEST(BrowserImportDialog, TheInstructionBreaksBetweenSentencesInJapanese)
{
    EnsureTestApplication();
    TScopedEnv Env;
    // Japanese wraps between any two characters; English at blanks, which is fine.
    Env.SetLanguage("ja_JP.UTF-8");
    {
        TFrmBrowserImport Dialog({Profile(u"Brave"_s, u"Default"_s, u"/a/Bookmarks"_s, 3)});
        Dialog.show();
        QLabel* Intro = nullptr;
        for (QLabel* L : Dialog.findChildren<QLabel*>())
            if (L->text()
                == QCoreApplication::translate(
                    "TFrmBrowserImport",
                    "Bookmarks of the browsers on this computer. Check the profiles to import:"))
                Intro = L;
        ASSERT_NE(Intro, nullptr);
        // Each line fits, so that the label's own wrapping never leaves a word's tail alone.
        for (const QString& Line : Intro->text().split(u'\n'))
            EXPECT_LE(Intro->fontMetrics().horizontalAdvance(Line), Intro->contentsRect().width())
                << qPrintable(Line);
    }
}
