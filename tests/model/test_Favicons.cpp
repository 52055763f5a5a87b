// Favicons in bookmark HTML files: kept as read, shared by content, written back
// as they came, and bad icon data ignored without losing the bookmark.

#include <model/uBookmarkHtml.h>
#include <model/uWebSiteIcons.h>

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <support/uIconBytes.h>

#include "PrintQt.h"

using namespace Qt::StringLiterals;

namespace {

QByteArray PngURI(int Seed)
{
    return "data:image/png;base64," + PngBytes(Seed).toBase64();
}

// A Chrome-style export: one bookmark per line, ICON after ADD_DATE; an empty
// icon text writes no ICON attribute.
QByteArray ChromeExport(const QList<QByteArray>& Icons)
{
    QByteArray html = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
                      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
                      "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>\n"
                      "    <DT><H3 ADD_DATE=\"1600000000\">Bookmarks bar</H3>\n    <DL><p>\n";
    for (qsizetype i = 0; i < Icons.size(); ++i) {
        html += "        <DT><A HREF=\"https://site" + QByteArray::number(i)
                + ".example/\" ADD_DATE=\"1600000000\"";
        if (!Icons[i].isEmpty())
            html += " ICON=\"" + Icons[i] + "\"";
        html += ">Site " + QByteArray::number(i) + "</A>\n";
    }
    return html + "    </DL><p>\n</DL><p>\n";
}

TWebSiteList Read(const QByteArray& Html)
{
    TWebSiteList list;
    WebSitesLoadFromHtmlData(list, Html);
    return list;
}

// The ICON values of a file, in order.
QList<QByteArray> IconValues(const QByteArray& Html)
{
    QList<QByteArray> values;
    for (qsizetype at = Html.indexOf(" ICON=\""); at >= 0; at = Html.indexOf(" ICON=\"", at + 1)) {
        const qsizetype from = at + 7;
        values.append(Html.mid(from, Html.indexOf('"', from) - from));
    }
    return values;
}

} // namespace

// import -> export -> import: every icon comes back with the same bytes and type,
// and the export writes the data URIs as the browser did.
TEST(Favicons, RoundTripKeepsEveryIconByteForByte)
{
    const QByteArray ico = QByteArray("\0\0\1\0\1\0\x10\x10", 8) + QByteArray(200, '\x5a');
    const QByteArray gif = "GIF89a" + QByteArray(40, '\x01');
    const QByteArray jpeg = "\xFF\xD8\xFF\xE0" + QByteArray(60, '\x02');
    const QByteArray svg = "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"/>";
    const QList<QByteArray> icons = {
        PngURI(1),
        "data:image/x-icon;base64," + ico.toBase64(),
        "",
        "data:image/gif;base64," + gif.toBase64(),
        "data:image/jpeg;base64," + jpeg.toBase64(),
        "data:image/svg+xml;base64," + svg.toBase64(),
        PngURI(1),
        "data:image/png;base64," + PngBytes(2, 200 * 1024).toBase64(),
    };
    const QByteArray original = ChromeExport(icons);
    const TWebSiteList first = Read(original);
    ASSERT_EQ(first.Count(), icons.size());
    for (qsizetype i = 0; i < icons.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(first[i].IconId != 0, !icons[i].isEmpty());
        EXPECT_EQ(WebSiteIconDataURI(first[i].IconId), icons[i]);
    }
    EXPECT_EQ(WebSiteIcons().Bytes(first[1].IconId), ico);
    EXPECT_EQ(WebSiteIcons().Bytes(first[5].IconId), svg);

    const QByteArray exported = WebSitesToHtmlData(first);
    QList<QByteArray> expected = icons;
    expected.removeAll(QByteArray());
    EXPECT_EQ(IconValues(exported), expected);

    const TWebSiteList second = Read(exported);
    ASSERT_EQ(second.Count(), first.Count());
    for (qsizetype i = 0; i < first.Count(); ++i) {
        SCOPED_TRACE(i);
        const qsizetype j = second.IndexOfURL(first[i].URL);
        ASSERT_GE(j, 0);
        EXPECT_EQ(second[j].IconId, first[i].IconId);
        EXPECT_EQ(WebSiteIcons().Bytes(second[j].IconId), WebSiteIcons().Bytes(first[i].IconId));
    }
    // Written again, the file is the same.
    EXPECT_EQ(WebSitesToHtmlData(second), exported);
}

// Many entries, few icons: each distinct icon is held once, whatever list or
// file it came from, and an id means the same icon in every list.
TEST(Favicons, DistinctIconsAreStoredOnce)
{
    QList<QByteArray> icons;
    for (int i = 0; i < 3000; ++i)
        icons.append(PngURI(1000 + i % 30));
    const qsizetype before = WebSiteIcons().Count();
    const qint64 bytesBefore = WebSiteIcons().TextBytes();
    const TWebSiteList list = Read(ChromeExport(icons));
    ASSERT_EQ(list.Count(), 3000);
    EXPECT_EQ(WebSiteIcons().Count() - before, 30);
    qint64 distinctText = 0;
    for (int i = 0; i < 30; ++i)
        distinctText += PngBytes(1000 + i).toBase64().size() + qsizetype(strlen("image/png"));
    EXPECT_EQ(WebSiteIcons().TextBytes() - bytesBefore, distinctText);
    for (qsizetype i = 30; i < list.Count(); ++i)
        ASSERT_EQ(list[i].IconId, list[i - 30].IconId) << i;
    EXPECT_NE(list[0].IconId, list[1].IconId);

    // Another file with the same icons adds none; the same bytes as raw bytes
    // (as a browser database holds them) are the same icon too.
    const TWebSiteList other = Read(ChromeExport({PngURI(1005)}));
    EXPECT_EQ(other[0].IconId, list[5].IconId);
    EXPECT_EQ(WebSiteIcons().AddBytes({}, PngBytes(1005)), list[5].IconId);
    EXPECT_EQ(WebSiteIcons().Count() - before, 30);
}

// Bad icon data never costs the bookmark and never stores anything.
TEST(Favicons, MalformedOrOversizedIconsAreIgnored)
{
    const QByteArray b64 = PngBytes(7).toBase64();
    const QByteArray big = "data:image/png;base64," + PngBytes(8, MaxIconBytes + 1).toBase64();
    QByteArray huge = "data:image/png;base64," + PngBytes(9, 64).toBase64();
    huge.chop(4);
    huge += QByteArray(50 * 1024 * 1024, 'A');
    QByteArray oneDigitOver = b64;
    oneDigitOver.replace("=", "");
    while (oneDigitOver.size() % 4 != 1)
        oneDigitOver += 'A';
    const struct
    {
        const char* Why;
        QByteArray Icon;
    } cases[] = {
        {"a character outside base64", "data:image/png;base64," + b64.left(40) + "*" + b64.mid(41)},
        {"length that is no base64", "data:image/png;base64," + oneDigitOver},
        {"a digit after the padding", "data:image/png;base64,iVBORw==AAAA"},
        {"padding inside the text", "data:image/png;base64," + b64.left(40) + "=" + b64.mid(41)},
        {"four pads", "data:image/png;base64," + b64 + "=="},
        {"empty data", "data:image/png;base64,"},
        {"not base64 at all", "data:image/svg+xml,%3Csvg%2F%3E"},
        {"an image type not kept", "data:image/webp;base64," + b64},
        {"no image type", "data:text/html;base64," + QByteArray("<html>hi</html>").toBase64()},
        {"declared PNG, bytes of no image",
         "data:image/png;base64," + QByteArray(300, 'x').toBase64()},
        {"another scheme", "https://site.example/favicon.ico"},
        {"no comma", "data:image/png;base64"},
        {"one byte over the cap", big},
        {"50 MB", huge},
    };
    const qsizetype before = WebSiteIcons().Count();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Why);
        QElapsedTimer timer;
        timer.start();
        const TWebSiteList list = Read(ChromeExport({c.Icon, PngURI(7)}));
        ASSERT_EQ(list.Count(), 2);
        EXPECT_EQ(list[0].IconId, 0u);
        EXPECT_EQ(list[0].Title, u"Site 0"_s);
        EXPECT_NE(list[1].IconId, 0u); // the next bookmark's icon is still read
        EXPECT_EQ(IconValues(WebSitesToHtmlData(list)), QList<QByteArray>{PngURI(7)});
        EXPECT_LT(timer.elapsed(), 5000);
    }
    EXPECT_EQ(WebSiteIcons().Count() - before, 1); // only the good icon
}

// The base64 check reads sixteen bytes at a time: a byte next to the ranges of
// digits, or above ASCII, is found at the start, the end and across the blocks.
TEST(Favicons, ABadByteIsFoundWhereverItSits)
{
    const QByteArray b64 = PngBytes(12, 400).toBase64();
    // Each next to a range of digits ('+' and '/' are digits too), or above ASCII.
    const char bad[] = {'@', '[', '`', '{', '*', ',', '.', ':', '-', '_', '\x7f', '\x80', '\xff'};
    QList<QByteArray> icons;
    for (const qsizetype at : {qsizetype(0), qsizetype(15), qsizetype(16), qsizetype(31),
                               qsizetype(47), qsizetype(200), b64.size() - 5}) {
        for (const char c : bad) {
            QByteArray icon = b64;
            icon[at] = c;
            icons << "data:image/png;base64," + icon;
        }
    }
    icons << "data:image/png;base64," + b64;
    const TWebSiteList list = Read(ChromeExport(icons));
    ASSERT_EQ(list.Count(), icons.size());
    for (qsizetype i = 0; i + 1 < list.Count(); ++i)
        EXPECT_EQ(list[i].IconId, 0u) << i;
    EXPECT_NE(list[list.Count() - 1].IconId, 0u);
}

// What other writers do to a data URI that is still a good icon: letter case,
// parameters, line-wrapped or unpadded base64. Read as the same icon.
TEST(Favicons, LenientFormsOfAGoodIcon)
{
    const QByteArray bytes = PngBytes(11, 300); // 302 bytes: base64 of it ends in padding
    const QByteArray b64 = bytes.toBase64();
    ASSERT_TRUE(b64.endsWith('='));
    QByteArray wrapped;
    for (qsizetype i = 0; i < b64.size(); i += 76)
        wrapped += b64.mid(i, 76) + "\r\n";
    QByteArray unpadded = b64;
    while (unpadded.endsWith('='))
        unpadded.chop(1);
    const QList<QByteArray> forms = {
        "data:image/png;base64," + b64,
        "DATA:IMAGE/PNG;BASE64," + b64,
        "data:image/png;name=x.png;base64," + b64,
        "data:image/png;base64," + wrapped,
        "data:image/png;base64," + unpadded,
        " data:image/png;base64," + b64,
    };
    const TWebSiteList list = Read(ChromeExport(forms));
    ASSERT_EQ(list.Count(), forms.size());
    for (qsizetype i = 0; i < list.Count(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(list[i].IconId, list[0].IconId);
        EXPECT_EQ(WebSiteIcons().Bytes(list[i].IconId), bytes);
    }
    EXPECT_EQ(WebSiteIconDataURI(list[0].IconId), forms[0]);
}

// A bookmark met again keeps the icon it was first read with; one read without
// an icon takes the later one.
TEST(Favicons, MergesKeepTheFirstIcon)
{
    QByteArray html = ChromeExport({PngURI(21), "", PngURI(23)});
    html += ChromeExport({PngURI(22), PngURI(24), ""});
    const TWebSiteList list = Read(html);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(WebSiteIconDataURI(list[0].IconId), PngURI(21));
    EXPECT_EQ(WebSiteIconDataURI(list[1].IconId), PngURI(24));
    EXPECT_EQ(WebSiteIconDataURI(list[2].IconId), PngURI(23));
}
