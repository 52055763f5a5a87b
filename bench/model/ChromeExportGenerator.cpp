#include "ChromeExportGenerator.h"

#include <random>
#include <vector>

namespace {

// Only the raw engine output is used (its sequence is fixed by the standard);
// the standard distributions differ between library implementations.
class TRandom
{
public:
    explicit TRandom(std::uint64_t seed) : FEngine(seed) {}
    std::uint64_t Below(std::uint64_t n) { return FEngine() % n; }
    bool Percent(int p) { return Below(100) < std::uint64_t(p); }
    template <typename T, std::size_t N>
    const T& Pick(const T (&a)[N])
    {
        return a[Below(N)];
    }

private:
    std::mt19937_64 FEngine;
};

const char* const Words[] = {
    "news",
    "guide",
    "review",
    "recipe",
    "python",
    "linux",
    "travel",
    "budget",
    "weather",
    "music",
    "football",
    "tutorial",
    "design",
    "kernel",
    "garden",
    "history",
    "science",
    "photo",
    "camera",
    "finance",
    "health",
    "cooking",
    "movie",
    "book",
    "library",
    "database",
    "server",
    "cloud",
    "security",
    "privacy",
    "map",
    "train",
    "hotel",
    "flight",
    "shop",
    "caf\xc3\xa9",
    "na\xc3\xafve",
    "M\xc3\xbcnchen",
    "\xe6\x9d\xb1\xe4\xba\xac",
    "\xe3\x83\x8b\xe3\x83\xa5\xe3\x83\xbc\xe3\x82\xb9",
    "\xe5\xa4\xa9\xe6\xb0\x97",
    "Tom &amp; Jerry",
    "it&#39;s",
    "&quot;quoted&quot;",
    "a &lt;b&gt; c",
};

const char* const Hosts[] = {"www.example",  "docs.example", "blog.sample", "shop.test",
                             "news.example", "wiki.sample",  "dev.test",    "maps.example"};
const char* const Tlds[] = {".com", ".org", ".net", ".co.jp", ".de", ".io"};
const char* const Schemes[] = {"https://", "https://", "https://", "http://"};

const char Base64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void AppendNumber(QByteArray& out, std::uint64_t n)
{
    out += QByteArray::number(qulonglong(n));
}

void AppendTitle(QByteArray& out, TRandom& rng)
{
    const int words = 1 + int(rng.Below(5));
    for (int i = 0; i < words; ++i) {
        if (i)
            out += ' ';
        out += rng.Pick(Words);
    }
}

QByteArray MakeURL(TRandom& rng, std::uint64_t n)
{
    QByteArray url = rng.Pick(Schemes);
    url += rng.Pick(Hosts);
    AppendNumber(url, n % 5000);
    url += rng.Pick(Tlds);
    url += '/';
    const int parts = int(rng.Below(3));
    for (int i = 0; i < parts; ++i) {
        url += 'p';
        AppendNumber(url, rng.Below(100000));
        url += '/';
    }
    url += "item";
    AppendNumber(url, n);
    if (rng.Percent(30)) {
        url += "?q=";
        AppendNumber(url, rng.Below(1000000));
        url += "&lang=en&ref=bm";
    }
    return url;
}

} // namespace

QByteArray GenerateChromeExport(int bookmarkCount, std::uint64_t seed)
{
    TRandom rng(seed);
    QByteArray out;
    out.reserve(qsizetype(bookmarkCount) * 360 + 4096);
    out += "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
           "<!-- This is an automatically generated file.\r\n"
           "     It will be read and overwritten.\r\n"
           "     DO NOT EDIT! -->\r\n"
           "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
           "<TITLE>Bookmarks</TITLE>\r\n"
           "<H1>Bookmarks</H1>\r\n"
           "<DL><p>\r\n";

    std::vector<QByteArray> urls;
    urls.reserve(size_t(bookmarkCount));
    int depth = 1; // open lists, the root included
    std::uint64_t date = 1'500'000'000;
    const auto indent = [&] { out += QByteArray(4 * depth, ' '); };
    const auto openFolder = [&](const char* name, const char* attribute) {
        indent();
        out += "<DT><H3 ADD_DATE=\"";
        AppendNumber(out, date);
        out += "\" LAST_MODIFIED=\"";
        AppendNumber(out, date + 100);
        out += '"';
        out += attribute;
        out += '>';
        if (name)
            out += name;
        else
            AppendTitle(out, rng);
        out += "</H3>\r\n";
        indent();
        out += "<DL><p>\r\n";
        ++depth;
    };
    const auto closeFolder = [&] {
        --depth;
        indent();
        out += "</DL><p>\r\n";
    };

    openFolder("Bookmarks bar", " PERSONAL_TOOLBAR_FOLDER=\"true\"");
    for (int i = 0; i < bookmarkCount; ++i) {
        if (i == bookmarkCount / 2) {
            while (depth > 1)
                closeFolder();
        }
        // Folders open and close every few dozen bookmarks.
        if (rng.Percent(3) && depth < 5)
            openFolder(nullptr, "");
        else if (rng.Percent(3) && depth > 2)
            closeFolder();

        date += rng.Below(20000);
        QByteArray url;
        if (!urls.empty() && rng.Percent(10))
            url = urls[rng.Below(urls.size())];
        else {
            url = MakeURL(rng, std::uint64_t(i));
            urls.push_back(url);
        }
        indent();
        out += "<DT><A HREF=\"";
        out += url;
        out += "\" ADD_DATE=\"";
        AppendNumber(out, date);
        out += '"';
        if (rng.Percent(20)) {
            const int length = 950 + int(rng.Below(401));
            out += " ICON=\"data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAABAAAAAQCAYAAAAf8/9h";
            for (int k = 0; k < length; ++k)
                out += Base64[rng.Below(64)];
            out += "==\"";
        }
        out += '>';
        AppendTitle(out, rng);
        out += "</A>\r\n";
        if (rng.Percent(3)) {
            indent();
            out += "<DD>";
            AppendTitle(out, rng);
            out += "\r\n";
        }
    }
    while (depth > 1)
        closeFolder();
    out += "</DL><p>\r\n";
    return out;
}
