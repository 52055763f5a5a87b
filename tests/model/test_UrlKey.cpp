#include <model/uUrlKey.h>

#include "PrintQt.h"

#include <gtest/gtest.h>

#include <random>

namespace {

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

struct TKeyCase
{
    const char* A;
    const char* B;
};

// Pairs that are the same page in two spellings.
const TKeyCase SamePage[] = {
    {"http://example.com/a", "https://example.com/a"},
    {"HTTP://Example.COM/a", "http://example.com/a"},
    {"http://bücher.de/a", "http://xn--bcher-kva.de/a"},
    {"https://BÜCHER.de/", "http://xn--bcher-kva.de"},
    {"http://www.example.com/a", "http://example.com/a"},
    {"http://example.com:80/a", "http://example.com/a"},
    {"https://example.com:443/a", "http://example.com/a"},
    {"http://example.com:080/a", "http://example.com/a"},
    {"http://example.com/%7euser", "http://example.com/~user"},
    {"http://example.com/%7Euser/%41", "http://example.com/~user/A"},
    {"http://example.com/a%2fb", "http://example.com/a%2Fb"},
    {"http://example.com/caf%C3%A9", "http://example.com/café"},
    {"http://example.com/caf%c3%a9", "http://example.com/café"},
    {"http://example.com/?q=%E2%82%AC", "http://example.com/?q=€"},
    {"http://example.com/?q=it%27s", "http://example.com/?q=it's"},
    {"http://example.com/a%20b", "http://example.com/a b"},
    {"http://example.com", "http://example.com/"},
    {"http://example.com/a/", "http://example.com/a"},
    {"http://example.com/?", "http://example.com/"},
    {"http://example.com/p?utm_source=x&utm_medium=y", "http://example.com/p"},
    {"http://example.com/p?id=1&fbclid=abc", "http://example.com/p?id=1"},
    {"http://example.com/p?gclid=1&id=2", "http://example.com/p?id=2"},
    {"http://example.com/p?mc_cid=1&id=2&mc_eid=3", "http://example.com/p?id=2"},
    {"http://example.com/p?a=1&utm_campaign=2&b=3", "http://example.com/p?a=1&b=3"},
    {"http://example.com/p?utm%5Fsource=1", "http://example.com/p"},
    {"http://example.com/p#sec", "https://www.example.com/p/#sec"},
    {"https://www.example.com/p/?utm_source=feed#top", "http://example.com/p#top"},
    {"http://user@example.com/", "https://user@www.example.com"},
};

// Pairs that must stay apart.
const TKeyCase OtherPage[] = {
    {"http://example.com/x", "http://example.com/y"},
    {"http://example.com/Path", "http://example.com/path"},
    {"http://example.com/p?id=1", "http://example.com/p?id=2"},
    {"http://example.com/p?a=1&b=2", "http://example.com/p?b=2&a=1"},
    {"http://a/", "ftp://a/"},
    {"http://example.com:8080/", "http://example.com/"},
    {"http://example.com:443/", "https://example.com/"},
    {"http://example.com/#x", "http://example.com/#y"},
    {"http://example.com/p#x", "http://example.com/p"},
    {"http://example.com/a%2Fb", "http://example.com/a/b"},
    {"http://example.com/?q=a%26b", "http://example.com/?q=a&b"},
    {"http://sub.example.com/", "http://example.com/"},
    {"http://www2.example.com/", "http://example.com/"},
    {"http://example.com/p?utm=1", "http://example.com/p"},
    {"http://example.com/p?xutm_source=1", "http://example.com/p"},
    {"http://example.com/p?fbclid2=1", "http://example.com/p"},
    {"http://example.com/a//", "http://example.com/a"},
    {"http://example.com/p?id", "http://example.com/p"},
    {"http://user@example.com/", "http://example.com/"},
    {"http://exa mple.com/", "http://example.com/"},
    {"http://[::1/", "http://[::1]/"},
};

TEST(URLDuplicateKey, SamePageSpellingsShareAKey)
{
    for (const TKeyCase& c : SamePage) {
        EXPECT_EQ(URLDuplicateKey(S(c.A)), URLDuplicateKey(S(c.B))) << c.A << "  " << c.B;
        EXPECT_EQ(URLDuplicateKeyByQUrl(S(c.A)), URLDuplicateKeyByQUrl(S(c.B)))
            << c.A << "  " << c.B;
    }
}

TEST(URLDuplicateKey, OtherPagesHaveOtherKeys)
{
    for (const TKeyCase& c : OtherPage)
        EXPECT_NE(URLDuplicateKey(S(c.A)), URLDuplicateKey(S(c.B))) << c.A << "  " << c.B;
}

TEST(URLDuplicateKey, KeyText)
{
    EXPECT_EQ(URLDuplicateKey(S("HTTPS://WWW.Example.com:443/a/?utm_source=x&k=%7e#f")),
              S("http://example.com/a?k=~#f"));
    EXPECT_EQ(URLDuplicateKey(S("http://www/")), S("http://www"));
    EXPECT_EQ(URLDuplicateKey(S("http://www./")), S("http://www."));
    EXPECT_EQ(URLDuplicateKey(S("http://[::1]:8080/x")), S("http://[::1]:8080/x"));
}

TEST(URLDuplicateKey, UnparsableURLIsItsOwnKey)
{
    const QString bad = S("http://exa mple.com/");
    EXPECT_EQ(URLDuplicateKey(bad), URLDuplicateKey(bad));
    EXPECT_NE(URLDuplicateKey(bad), URLDuplicateKey(S("http://exa%20mple.com/")));
    EXPECT_NE(URLDuplicateKey(bad), URLDuplicateKey(S("http://example.com/")));
}

// The hand-written split of plain http URLs gives the key QUrl's parse gives.
TEST(URLDuplicateKey, ShortcutMatchesQUrlOnRandomURLs)
{
    // Each part is plain most of the time (what the shortcut takes) and now and
    // then one of the spellings that send a URL through QUrl.
    const char* plainSchemes[] = {"http://", "https://", "HTTP://", "hTTps://"};
    const char* otherSchemes[] = {"ftp://", "http:/", "http:", "https:///", "", "http//"};
    const char* plainHosts[] = {"example.com",  "WWW.Example.COM", "www.a-b.org",
                                "localhost",    "1.2.3.com",       "www",
                                "x.y.z.example"};
    const char* otherHosts[] = {"www.xn--bcher-kva.de",
                                "bücher.de",
                                "127.0.0.1",
                                "0x7f.1",
                                "127.1",
                                "[::1]",
                                "a..b",
                                "-a.com",
                                "a-.com",
                                "ab--cd.com",
                                "xn--a.com",
                                "a_b.com",
                                "www.",
                                "a.1com",
                                "user@a.com",
                                "a.com.",
                                "a%41.com",
                                "",
                                "a b.com",
                                "ex\tample.com"};
    const char* plainPorts[] = {"", "", ":80", ":443", ":080", ":8080", ":65535"};
    const char* otherPorts[] = {":", ":99999", ":x", ":-1"};
    const char* plainPieces[] = {
        "/",        "/",    "a",   "B",         "%7e", "%7E", "%2f", "'", ".", "..",
        "//",       "~",    "%41", "%e2%82%ac", ";",   "=",   "&",   "?", "#", "utm_source=1",
        "fbclid=2", "id=3", "+",   "!",         "*",   "(",   ":",   "@", ",", "$"};
    const char* otherPieces[] = {"%zz", "%4", "é", " ",  "[", "]", "|",    "\"",
                                 "<",   "`",  "{", "\\", "^", "%", "\x7f", "\xf0\x9f\x98\x80",
                                 "\t",  "#"};
    std::mt19937 rng(1234);
    const auto pick = [&rng](const auto& plain, const auto& other) {
        const bool usePlain = std::uniform_int_distribution<int>(0, 9)(rng) < 9;
        const auto pickFrom = [&rng](const auto& table) {
            return table[std::uniform_int_distribution<size_t>(0, std::size(table) - 1)(rng)];
        };
        return QString::fromUtf8(usePlain ? pickFrom(plain) : pickFrom(other));
    };
    int shortcutTaken = 0;
    for (int n = 0; n < 20000; ++n) {
        QString url = pick(plainSchemes, otherSchemes) + pick(plainHosts, otherHosts)
                      + pick(plainPorts, otherPorts);
        const int count = std::uniform_int_distribution<int>(0, 8)(rng);
        for (int i = 0; i < count; ++i)
            url += pick(plainPieces, otherPieces);
        const QString viaQUrl = URLDuplicateKeyByQUrl(url);
        ASSERT_EQ(URLDuplicateKey(url), viaQUrl) << url.toStdString();
        shortcutTaken += URLDuplicateKeyTakesShortcut(url) ? 1 : 0;
    }
    // The table must exercise the shortcut, not only the QUrl path.
    EXPECT_GT(shortcutTaken, 2000);
}

} // namespace
