// The reports of the session: each one whole (every file named, every row left out
// with its file and line), kept after the quick notice fades, readable and copyable
// in their dialog; and the counts under the list.

#include "test_DialogsUtil.h"

#include <app/uFrmReports.h>
#include <app/uListStatusBar.h>
#include <app/uReportLog.h>

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>

using namespace Qt::Literals::StringLiterals;

namespace {

class ReportsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureTestApplication();
        Env.SetLanguage("en_US.UTF-8");
    }
    TScopedEnv Env;
};

} // namespace

TEST_F(ReportsTest, AnAddReportNamesEveryFileAndEveryRowLeftOut)
{
    TWebSitesStats S;
    S.Added = 3;
    S.Merged = 1;
    S.Skipped = 2;
    S.FilesWithoutBookmarks = {u"/in/empty.html"_s};
    S.NotBookmarkFiles = {u"/in/notes.txt"_s, u"/in/photo.png"_s};
    for (int Line = 2; Line <= 7; ++Line)
        S.AddBadRow(u"/in/pocket.csv: line %1: not a date: soon"_s.arg(Line));
    const TReport R = TReportLog::AddReport(u"Drop"_s, S);
    EXPECT_EQ(R.Title, u"Drop"_s);
    EXPECT_EQ(R.Summary, u"Added 3, merged 1, skipped 2"_s);
    const QString N = QDir::toNativeSeparators(u"/in/"_s);
    QStringList Expected{u"No bookmarks found in "_s + N + u"empty.html"_s,
                         u"Not a bookmark file: "_s + N + u"notes.txt"_s,
                         u"Not a bookmark file: "_s + N + u"photo.png"_s, u"Rows left out: 6"_s};
    for (const QString& Row : S.BadRows)
        Expected << u"  "_s + Row;
    EXPECT_EQ(R.Lines, Expected);
    // The text holds the title, the summary and every line, in that order.
    const QStringList TextLines = R.Text().split(u'\n');
    ASSERT_EQ(TextLines.size(), 2 + Expected.size());
    EXPECT_TRUE(TextLines[0].startsWith(u"Drop \u2014 "_s));
    EXPECT_EQ(TextLines[1], R.Summary);
    EXPECT_EQ(TextLines.mid(2), Expected);

    // Of many rows left out, the count and the first few, and how many more.
    TWebSitesStats Many;
    for (int Line = 2; Line < 2 + MaxBadRowsKept + 5; ++Line)
        Many.AddBadRow(u"/in/pocket.csv: line %1: no address"_s.arg(Line));
    const TReport M = TReportLog::AddReport(u"Drop"_s, Many);
    ASSERT_EQ(M.Lines.size(), MaxBadRowsKept + 2);
    EXPECT_EQ(M.Lines.first(), u"Rows left out: %1"_s.arg(MaxBadRowsKept + 5));
    EXPECT_EQ(M.Lines.last(), u"  and 5 more"_s);
}

TEST_F(ReportsTest, TheLogKeepsTheNewestAndTheDialogShowsAndCopiesThemWhole)
{
    TReportLog Log;
    for (int i = 1; i <= TReportLog::Capacity + 3; ++i) {
        TWebSitesStats S;
        S.Added = i;
        Log.Append(TReportLog::AddReport(u"Add"_s, S));
    }
    ASSERT_EQ(Log.Reports().size(), TReportLog::Capacity);
    EXPECT_EQ(Log.Reports().first().Summary, u"Added 4, merged 0, skipped 0"_s);
    EXPECT_EQ(Log.Reports().last().Summary,
              u"Added %1, merged 0, skipped 0"_s.arg(TReportLog::Capacity + 3));

    TFrmReports Dialog(Log);
    ASSERT_EQ(Dialog.reportList()->count(), TReportLog::Capacity);
    // Newest first, shown at once.
    EXPECT_EQ(Dialog.ShownText(), Log.Reports().last().Text());
    Dialog.reportList()->setCurrentRow(Dialog.reportList()->count() - 1);
    EXPECT_EQ(Dialog.ShownText(), Log.Reports().first().Text());
    Dialog.CopyShown();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), Log.Reports().first().Text());

    // A report that comes while the dialog is open is shown too.
    TWebSitesStats S;
    S.NotBookmarkFiles = {u"/x/late.txt"_s};
    Log.Append(TReportLog::AddReport(u"Drop"_s, S));
    EXPECT_TRUE(Dialog.ShownText().contains(u"late.txt"_s));
    EXPECT_TRUE(Dialog.reportList()->item(0)->text().contains(u"Drop"_s));
}

TEST_F(ReportsTest, AnEmptyLogSaysSoAndCopiesNothing)
{
    TReportLog Log;
    TFrmReports Dialog(Log);
    EXPECT_EQ(Dialog.reportList()->count(), 0);
    EXPECT_EQ(Dialog.reportText()->toPlainText(), u"Nothing was reported in this session yet."_s);
    QGuiApplication::clipboard()->setText(u"before"_s);
    Dialog.CopyShown();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"before"_s);
}

TEST_F(ReportsTest, TheStatusBarCountsAndTheirJapaneseTexts)
{
    struct TCase
    {
        const char* Lang;
        TListCounts Counts;
        QString Text;
    };
    const TCase Cases[] = {
        // Digits grouped as the system's locale groups them.
        {"en_US.UTF-8",
         {1234567, 1234567, 0, -1},
         u"Entries: %1   Shown: %1   Selected: 0"_s.arg(QLocale().toString(1234567))},
        {"en_US.UTF-8",
         {10, 4, 2, 3},
         u"Entries: 10   Shown: 4   Selected: 2   Link problems: 3"_s},
        {"ja_JP.UTF-8", {10, 4, 2, 0}, u"項目: 10   表示: 4   選択: 2   リンクの問題: 0"_s},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Lang);
        Env.SetLanguage(C.Lang);
        TListStatusBar Bar;
        Bar.SetCounts(C.Counts);
        EXPECT_EQ(Bar.countsLabel()->text(), C.Text);
        EXPECT_FALSE(Bar.countsLabel()->accessibleName().isEmpty());
    }
}
