// Pocket, Raindrop and Pinboard exports, written as those services write them,
// and files that are no bookmark file at all.

#include <model/uBookmarkHtmlImport.h>
#include <model/uFolderImportExport.h>
#include <model/uServiceExports.h>
#include <model/uWebSiteTags.h>

#include "PrintQt.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TDateTime Unix(std::int64_t seconds)
{
    return TDateTime::FromMilliseconds(UnixEpochMSecs + seconds * 1000);
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& data)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

const QByteArray PocketCsv = "title,url,time_added,tags,status\n"
                             "Read me,https://p.example/1,1700000000,tech|later,unread\n"
                             "\"Quoted, with comma\",https://p.example/2,1700000001,,archive\n"
                             ",https://p.example/3,1700000002,one,unread\n"
                             "Broken,https://p.example/4,yesterday,,unread\n"
                             "No address,,1700000003,,unread\n"
                             "Short row,https://p.example/5\n";

const QByteArray RaindropCsv =
    "id,title,note,excerpt,url,folder,tags,created,cover,highlights,favorite\n"
    "1,Docs,\"A note\nover two lines\",,https://r.example/docs,Work/Dev,\"c++, qt\","
    "2023-05-01T10:20:30.000Z,,,false\n"
    "2,Plain,,,https://r.example/plain,Unsorted,,1629980125,,,\n"
    "3,Bad,,,notaurl,Work,,2023-05-01T10:20:30.000Z,,,\n";

const QByteArray PinboardJson =
    "[{\"href\":\"https://pb.example/a\",\"description\":\"Pin A\",\"extended\":\"Longer "
    "text\",\"meta\":\"x\",\"hash\":\"y\",\"time\":\"2020-02-03T04:05:06Z\",\"shared\":\"no\","
    "\"toread\":\"yes\",\"tags\":\"rust  tools\"},\n"
    " {\"description\":\"No href\",\"time\":\"2020-02-03T04:05:06Z\"},\n"
    " {\"href\":\"https://pb.example/b\",\"description\":\"\",\"extended\":\"\",\"time\":"
    "\"not a time\",\"tags\":\"\"},\n"
    " {\"href\":\"https://pb.example/c\",\"description\":\"Pin C\",\"extended\":\"\",\"time\":"
    "\"2021-01-01T00:00:00Z\",\"tags\":\"\"}]\n";

TEST(ServiceExports, KnownByContent)
{
    struct TCase
    {
        QByteArray Data;
        TServiceExport Kind;
    };
    const TCase cases[] = {
        {PocketCsv, TServiceExport::PocketCsv},
        {"\xEF\xBB\xBF" + PocketCsv, TServiceExport::PocketCsv},
        {RaindropCsv, TServiceExport::RaindropCsv},
        {"url,folder,title,note,tags,created\r\nhttp://a/,F,T,N,t,1\r\n",
         TServiceExport::RaindropCsv},
        {PinboardJson, TServiceExport::PinboardJson},
        {"name,email\nA,a@example.com\n", TServiceExport::None},
        {"url,title\nhttp://a/,A\n", TServiceExport::None},
        {"[1, 2, 3]", TServiceExport::None},
        {"{\"roots\": {}}", TServiceExport::None},
        {"", TServiceExport::None},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ServiceExportKind(c.Data), c.Kind) << c.Data.left(40).toStdString();
}

TEST(ServiceExports, PocketCsvGivesTitlesDatesAndTagsAndNamesBadRows)
{
    TWebSiteList list;
    EXPECT_EQ(WebSitesLoadFromServiceExport(list, PocketCsv, u"pocket.csv"_s), 3);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[0].Title, u"Read me"_s);
    EXPECT_EQ(list[0].AddDate, Unix(1700000000));
    EXPECT_EQ(WebSiteTags(list[0]), (QStringList{u"tech"_s, u"later"_s}));
    EXPECT_EQ(list[1].Title, u"Quoted, with comma"_s);
    EXPECT_TRUE(list[1].Extras.IsEmpty());
    EXPECT_EQ(list[2].Title, u"https://p.example/3"_s); // no title: the address
    EXPECT_EQ(list.Stats.BadRows,
              (QStringList{u"pocket.csv: line 5: not a date: yesterday"_s,
                           u"pocket.csv: line 6: no address"_s,
                           u"pocket.csv: line 7: 2 fields where the header names 5"_s}));
}

TEST(ServiceExports, RaindropCsvGivesFoldersNotesTagsAndDates)
{
    TWebSiteList list;
    EXPECT_EQ(WebSitesLoadFromServiceExport(list, RaindropCsv, u"r.csv"_s), 2);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0].Title, u"Docs"_s);
    EXPECT_EQ(list[0].Category, u"Work\\Dev"_s);
    EXPECT_EQ(list[0].Comment, u"A note\r\nover two lines"_s);
    EXPECT_EQ(WebSiteTags(list[0]), (QStringList{u"c++"_s, u"qt"_s}));
    EXPECT_EQ(list[0].AddDate, Unix(1682936430));
    EXPECT_EQ(list[1].Category, u"Unsorted"_s);
    EXPECT_EQ(list[1].AddDate, Unix(1629980125));
    // The quoted note spans a line: the bad row is named by the line it starts on.
    EXPECT_EQ(list.Stats.BadRows, QStringList{u"r.csv: line 5: not an address: notaurl"_s});
}

TEST(ServiceExports, PinboardJsonGivesNotesDatesAndBlankSeparatedTags)
{
    TWebSiteList list;
    EXPECT_EQ(WebSitesLoadFromServiceExport(list, PinboardJson, u"pins.json"_s), 2);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0].Title, u"Pin A"_s);
    EXPECT_EQ(list[0].Comment, u"Longer text"_s);
    EXPECT_EQ(list[0].AddDate, Unix(1580702706));
    EXPECT_EQ(WebSiteTags(list[0]), (QStringList{u"rust"_s, u"tools"_s}));
    EXPECT_EQ(list[1].URL, u"https://pb.example/c"_s);
    EXPECT_EQ(list.Stats.BadRows, (QStringList{u"pins.json: entry 2: no address"_s,
                                               u"pins.json: entry 3: not a date: not a time"_s}));
}

TEST(ServiceExports, ReadByContentWhateverTheNameAndOtherFilesAreNamed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pocket = WriteFile(dir, u"export.txt"_s, PocketCsv);
    const QString pins = WriteFile(dir, u"pinboard_export"_s, PinboardJson);
    const QString other = WriteFile(dir, u"contacts.csv"_s, "name,email\nA,a@example.com\n");
    const QString image = WriteFile(dir, u"picture.png"_s, "\x89PNG\r\n\x1A\n");
    TWebSiteList list;
    WebSitesLoadFromPaths(list, {pocket, pins, other, image});
    EXPECT_EQ(list.Count(), 5);
    EXPECT_EQ(list.Stats.Files, 2);
    EXPECT_EQ(list.Stats.NotBookmarkFiles, (QStringList{other, image}));
    // In a folder, the other files are passed over without a word.
    TWebSiteList fromFolder;
    WebSitesLoadFromPath(fromFolder, dir.path());
    EXPECT_EQ(fromFolder.Count(), 5);
    EXPECT_TRUE(fromFolder.Stats.NotBookmarkFiles.isEmpty());
    TWebSiteList one;
    WebSitesLoadFromPath(one, other);
    EXPECT_EQ(one.Stats.NotBookmarkFiles, QStringList{other});
}

TEST(ServiceExports, RecognitionAndReadingAgreeOnLongHeaderRows)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct TCase
    {
        qsizetype Padding; // bytes of one more column's name in the header row
        bool Read;         // read as an export; otherwise named as no bookmark file
    };
    const TCase cases[] = {{10, true}, {5000, true}, {60 * 1024, true}, {70 * 1024, false}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Padding);
        const QByteArray data = "title,url,time_added,tags," + QByteArray(c.Padding, 'p')
                                + "\nA,https://p.example/a,1700000000,,x\n"
                                  "B,https://p.example/b,1700000001,,y\n";
        const QString path = WriteFile(dir, u"long.csv"_s, data);
        TWebSiteList list;
        WebSitesLoadFromPaths(list, {path});
        EXPECT_EQ(list.Count(), c.Read ? 2 : 0);
        EXPECT_EQ(list.Stats.NotBookmarkFiles, c.Read ? QStringList() : QStringList{path});
        TWebSiteList fromBytes;
        EXPECT_EQ(WebSitesLoadFromServiceExport(fromBytes, data, path), c.Read ? 2 : 0);
    }
}

TEST(ServiceExports, RaindropFoldersKeepTheReadersLimits)
{
    QByteArray deep; // short names: the depth binds before the length
    for (int k = 0; k < 300; ++k)
        deep += QByteArray(1, char('a' + k % 26)) + "/";
    const QByteArray longName(2000, 'n');
    const QByteArray data = "url,folder,title,note,tags,created\n"
                            "https://r.example/deep,"
                            + deep
                            + ",T,,,1\n"
                              "https://r.example/long,Top/"
                            + longName + "/Below,T,,,1\n";
    TWebSiteList list;
    ASSERT_EQ(WebSitesLoadFromServiceExport(list, data, u"r.csv"_s), 2);
    const QString deepCategory = list[0].Category.toString();
    EXPECT_EQ(deepCategory.count(u'\\') + 1, MaxBookmarkFolderDepth);
    EXPECT_TRUE(deepCategory.startsWith(u"a\\b\\c"_s));
    // A folder that would make the category too long is read into its parent, and
    // so is what lies below it.
    EXPECT_EQ(list[1].Category.toString(), u"Top"_s);
}

TEST(ServiceExports, ManyRowsOfOneAddressJoinTheirNotes)
{
    QByteArray raindrop = "url,folder,title,note,tags,created\n";
    QByteArray pinboard = "[";
    const int n = 3000;
    for (int k = 0; k < n; ++k) {
        raindrop += "https://r.example/same,F,T,note " + QByteArray::number(k) + ",t"
                    + QByteArray::number(k % 7) + ",1\n";
        pinboard += QByteArray(k ? "," : "")
                    + "{\"href\":\"https://pb.example/same\","
                      "\"description\":\"P\",\"extended\":\"note "
                    + QByteArray::number(k) + "\",\"time\":\"2020-02-03T04:05:06Z\",\"tags\":\"\"}";
    }
    pinboard += "]";
    for (const QByteArray& data : {raindrop, pinboard}) {
        TWebSiteList list;
        ASSERT_EQ(WebSitesLoadFromServiceExport(list, data, u"x"_s), n);
        ASSERT_EQ(list.Count(), 1);
        const QStringList notes = list[0].Comment.toString().split(u"\r\n"_s);
        ASSERT_EQ(notes.size(), n);
        EXPECT_EQ(notes.first(), u"note 0"_s);
        EXPECT_EQ(notes.last(), u"note %1"_s.arg(n - 1));
    }
}

TEST(ServiceExports, RejectedRowsAreCountedAndOnlyTheFirstFewKeptCut)
{
    QByteArray data = "title,url,time_added,tags,status\n";
    const int n = 5000;
    for (int k = 0; k < n; ++k)
        data += "T,not-an-address-" + QByteArray(k == 0 ? 100000 : 10, 'z') + ",1700000000,,x\n";
    TWebSiteList list;
    EXPECT_EQ(WebSitesLoadFromServiceExport(list, data, u"p.csv"_s), 0);
    EXPECT_EQ(list.Stats.BadRowCount, n);
    ASSERT_EQ(list.Stats.BadRows.size(), MaxBadRowsKept);
    for (const QString& row : list.Stats.BadRows)
        EXPECT_LE(row.size(), MaxBadRowLength);
    EXPECT_TRUE(list.Stats.BadRows.first().startsWith(u"p.csv: line 2: not an address: "_s));
    // Adding one list's stats to another keeps the count and the bound.
    TWebSiteList into;
    into.Stats.AddBadRows(list.Stats);
    into.Stats.AddBadRows(list.Stats);
    EXPECT_EQ(into.Stats.BadRowCount, 2 * n);
    EXPECT_EQ(into.Stats.BadRows.size(), MaxBadRowsKept);
}

TEST(ServiceExports, BrokenPinboardJsonIsAnError)
{
    TWebSiteList list;
    EXPECT_THROW(WebSitesLoadFromServiceExport(list, "[{\"href\": \"https://a/\", ", u"x"_s),
                 EFileError);
    EXPECT_TRUE(list.isEmpty());
}

} // namespace
