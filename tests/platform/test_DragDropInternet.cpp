// The drop rules over plain payloads: which formats are asked for, what each one
// yields, the shortcut text reader, drop effects and the enter/drop/leave sequence.

#include <platform/DragDropInternet.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <support/uScopedEnv.h>

#include <stdexcept>

namespace {

using F = TURLClipFormat;

TDropPayload Bytes(const QByteArray& b, TTextEncoding e = TTextEncoding::Ansi)
{
    return TDropPayload{b, {}, e};
}

TDropPayload Paths(const QStringList& p)
{
    return TDropPayload{{}, p, TTextEncoding::Ansi};
}

TDropPayload DescW(const QString& name)
{
    return Bytes(MakeFileGroupDescriptorW({name}));
}

TDropPayload DescA(const QByteArray& name)
{
    return Bytes(MakeFileGroupDescriptorA({name}));
}

const QByteArray Shortcut = "[InternetShortcut]\r\nURL=https://example.org/from-contents\r\n";

} // namespace

TEST(URLClipFormatOrder, DescriptorsFirstThenFilesContentsURLText)
{
    const std::array<TURLClipFormat, 6> expected{
        F::FileGroupDescriptorW, F::FileGroupDescriptor,    F::HDrop,
        F::FileContents,         F::UniformResourceLocator, F::Text};
    EXPECT_EQ(URLClipFormatOrder(), expected);
}

// ---------------------------------------------------------------------------------
// What one drag yields, case by case.

struct TFetchCase
{
    const char* Name;
    QList<QPair<F, std::optional<TDropPayload>>> Offered;
    bool Taken;
    QString URL;
    QString Title;
};

void PrintTo(const TFetchCase& Case, std::ostream* Out)
{
    *Out << Case.Name;
}

class URLDataFormatFetch : public testing::TestWithParam<TFetchCase>
{
};

TEST_P(URLDataFormatFetch, YieldsURLAndTitle)
{
    const TFetchCase& c = GetParam();
    TURLDropSourceList source;
    for (const auto& [format, payload] : c.Offered)
        source.Add(format, payload);
    TURLDataFormat data;
    EXPECT_EQ(data.FetchFrom(source), c.Taken);
    EXPECT_EQ(data.URL(), c.URL);
    EXPECT_EQ(data.Title(), c.Title);
    EXPECT_TRUE(data.DroppedFileNames().isEmpty());
}

const QString FromContents = QStringLiteral("https://example.org/from-contents");
const QString FromURLText = QStringLiteral("https://example.org/from-url-text");
const QByteArray URLText = "https://example.org/from-url-text";

INSTANTIATE_TEST_SUITE_P(
    Cases, URLDataFormatFetch,
    testing::Values(
        TFetchCase{"BrowserLinkWithDescriptorContentsAndURL",
                   {{F::FileGroupDescriptorW, DescW(QStringLiteral("Example Page.url"))},
                    {F::FileContents, Bytes(Shortcut)},
                    {F::UniformResourceLocator, Bytes(URLText)}},
                   true,
                   FromContents,
                   QStringLiteral("Example Page")},
        TFetchCase{"URLTextOnlyLeavesTitleEmpty",
                   {{F::UniformResourceLocator, Bytes(URLText)}},
                   true,
                   FromURLText,
                   {}},
        TFetchCase{"URLTextEndsAtFirstNul",
                   {{F::UniformResourceLocator, Bytes(URLText + QByteArray("\0junk", 5))}},
                   true,
                   FromURLText,
                   {}},
        TFetchCase{
            "TextWithoutSchemeRefused", {{F::Text, Bytes("example.org/page")}}, false, {}, {}},
        TFetchCase{"TextBeginningWithSeparatorRefused",
                   {{F::Text, Bytes("://example.org/page")}},
                   false,
                   {},
                   {}},
        TFetchCase{"TextWithSchemeTakenWhole",
                   {{F::Text, Bytes("see https://example.org/x")}},
                   true,
                   QStringLiteral("see https://example.org/x"),
                   {}},
        TFetchCase{"UnicodeDescriptorCapitalExtension",
                   {{F::FileGroupDescriptorW, DescW(QStringLiteral("My.Page.URL"))},
                    {F::FileContents, Bytes(Shortcut)}},
                   true,
                   FromContents,
                   QStringLiteral("My.Page")},
        TFetchCase{
            "AnsiDescriptorCapitalExtension",
            {{F::FileGroupDescriptor, DescA("Page.URL")}, {F::FileContents, Bytes(Shortcut)}},
            true,
            FromContents,
            QStringLiteral("Page")},
        TFetchCase{"WebsiteFromUnicodeDescriptor",
                   {{F::FileGroupDescriptorW, DescW(QStringLiteral("Pinned.website"))},
                    {F::FileContents, Bytes(Shortcut)}},
                   true,
                   FromContents,
                   QStringLiteral("Pinned")},
        // No title, so the contents are not read either; the URL text is used.
        TFetchCase{"WebsiteNotFromAnsiDescriptor",
                   {{F::FileGroupDescriptor, DescA("Pinned.website")},
                    {F::FileContents, Bytes(Shortcut)},
                    {F::UniformResourceLocator, Bytes(URLText)}},
                   true,
                   FromURLText,
                   {}},
        TFetchCase{"OtherExtensionGivesNoTitle",
                   {{F::FileGroupDescriptorW, DescW(QStringLiteral("photo.jpg"))},
                    {F::FileContents, Bytes(Shortcut)},
                    {F::UniformResourceLocator, Bytes(URLText)}},
                   true,
                   FromURLText,
                   {}},
        TFetchCase{"DescriptorWithoutItems",
                   {{F::FileGroupDescriptorW, Bytes(MakeFileGroupDescriptorW({}))},
                    {F::UniformResourceLocator, Bytes(URLText)}},
                   true,
                   FromURLText,
                   {}},
        TFetchCase{"TruncatedDescriptorRecord",
                   {{F::FileGroupDescriptorW, Bytes(QByteArray("\x01\x00", 2))},
                    {F::UniformResourceLocator, Bytes(URLText)}},
                   true,
                   FromURLText,
                   {}},
        TFetchCase{"ShortcutLowerCaseHeaderAndKey",
                   {{F::FileGroupDescriptorW, DescW(QStringLiteral("P.url"))},
                    {F::FileContents, Bytes("[internetshortcut]\nurl=https://example.org/lc\n")}},
                   true,
                   QStringLiteral("https://example.org/lc"),
                   QStringLiteral("P")},
        TFetchCase{
            "ShortcutHeaderWithTrailingBlankIsNoHeader",
            {{F::FileGroupDescriptorW, DescW(QStringLiteral("P.url"))},
             {F::FileContents, Bytes("[InternetShortcut] \r\nURL=https://example.org/x\r\n")},
             {F::UniformResourceLocator, Bytes(URLText)}},
            true,
            FromURLText,
            QStringLiteral("P")},
        TFetchCase{"ShortcutNextSectionEndsSearch",
                   {{F::FileGroupDescriptorW, DescW(QStringLiteral("P.url"))},
                    {F::FileContents,
                     Bytes("[InternetShortcut]\r\n[{000214A0-0000-0000-C000-000000000046}]\r\n"
                           "URL=https://example.org/x\r\n")},
                    {F::UniformResourceLocator, Bytes(URLText)}},
                   true,
                   FromURLText,
                   QStringLiteral("P")},
        TFetchCase{"ShortcutEmptyURLLineFallsBackToText",
                   {{F::FileGroupDescriptorW, DescW(QStringLiteral("P.url"))},
                    {F::FileContents, Bytes("[InternetShortcut]\r\nURL=\r\nURL=https://late\r\n")},
                    {F::Text, Bytes("https://example.org/text")}},
                   true,
                   QStringLiteral("https://example.org/text"),
                   QStringLiteral("P")},
        TFetchCase{
            "ShortcutLinesBeforeHeaderIgnoredFirstURLWins",
            {{F::FileGroupDescriptorW, DescW(QStringLiteral("P.url"))},
             {F::FileContents, Bytes("URL=https://before\r[InternetShortcut]\rIconIndex=0\r"
                                     "URL=https://example.org/first \rURL=https://second\r")}},
            true,
            QStringLiteral("https://example.org/first "),
            QStringLiteral("P")},
        TFetchCase{"ShortcutUtf16WithByteOrderMark",
                   {{F::FileGroupDescriptorW, DescW(QStringLiteral("P.url"))},
                    {F::FileContents,
                     Bytes(QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom)
                               .encode(QStringLiteral(
                                   u"[InternetShortcut]\r\nURL=https://例え.jp/\r\n")))}},
                   true,
                   QStringLiteral(u"https://例え.jp/"),
                   QStringLiteral("P")},
        TFetchCase{"OfferedButNotDeliveredIsSkipped",
                   {{F::FileGroupDescriptorW, std::nullopt},
                    {F::FileContents, std::nullopt},
                    {F::UniformResourceLocator, Bytes(URLText)}},
                   true,
                   FromURLText,
                   {}},
        TFetchCase{"NothingOffered", {}, false, {}, {}}),
    [](const testing::TestParamInfo<TFetchCase>& info) { return std::string(info.param.Name); });

TEST(URLDataFormat, BrowserLinkStopsBeforeURLText)
{
    TURLDropSourceList source;
    source.Add(F::FileGroupDescriptorW, DescW(QStringLiteral("Example.url")));
    source.Add(F::FileContents, Bytes(Shortcut));
    source.Add(F::UniformResourceLocator, Bytes(URLText));
    source.Add(F::Text, Bytes(URLText));
    TURLDataFormat data;
    ASSERT_TRUE(data.FetchFrom(source));
    EXPECT_EQ(source.FetchCount(F::UniformResourceLocator), 0);
    EXPECT_EQ(source.FetchCount(F::Text), 0);
}

TEST(URLDataFormat, AnsiDescriptorNameUsesLegacyCodePage)
{
    TScopedEnv lc("LC_ALL", "ja_JP.UTF-8");
    TURLDropSourceList source;
    source.Add(F::FileGroupDescriptor, DescA("\x93\xfa\x96\x7b.url")); // "日本" in Shift_JIS
    source.Add(F::FileContents, Bytes(Shortcut));
    TURLDataFormat data;
    ASSERT_TRUE(data.FetchFrom(source));
    EXPECT_EQ(data.Title(), QStringLiteral(u"日本"));
}

TEST(URLDataFormat, AnsiURLTextUsesLegacyCodePage)
{
    TScopedEnv lc("LC_ALL", "en_US.UTF-8");
    TURLDataFormat data;
    EXPECT_TRUE(data.Assign(F::UniformResourceLocator, Bytes("https://example.org/caf\xE9")));
    EXPECT_EQ(data.URL(), QStringLiteral(u"https://example.org/café"));
    data.Clear();
    EXPECT_TRUE(
        data.Assign(F::Text, Bytes("https://example.org/caf\xC3\xA9", TTextEncoding::Utf8)));
    EXPECT_EQ(data.URL(), QStringLiteral(u"https://example.org/café"));
}

TEST(URLDataFormat, RulesOnlyFillWhatIsEmpty)
{
    TURLDataFormat data;
    data.SetURL(QStringLiteral("https://kept"));
    data.SetTitle(QStringLiteral("Kept"));
    EXPECT_FALSE(data.Assign(F::FileGroupDescriptorW, DescW(QStringLiteral("Other.url"))));
    EXPECT_FALSE(data.Assign(F::FileContents, Bytes(Shortcut)));
    EXPECT_FALSE(data.Assign(F::Text, Bytes("https://other")));
    EXPECT_FALSE(data.Assign(F::HDrop, Paths({QStringLiteral("/tmp/a.url")})));
    // The URL text counts as taken even when the URL is already there.
    EXPECT_TRUE(data.Assign(F::UniformResourceLocator, Bytes("https://other")));
    EXPECT_EQ(data.URL(), QStringLiteral("https://kept"));
    EXPECT_EQ(data.Title(), QStringLiteral("Kept"));
    EXPECT_TRUE(data.DroppedFileNames().isEmpty());
}

TEST(URLDataFormat, HasDataNeedsDataClearAndOnChanging)
{
    TURLDataFormat data;
    int changes = 0;
    data.OnChanging = [&] { ++changes; };
    EXPECT_FALSE(data.HasData());
    EXPECT_TRUE(data.NeedsData());
    data.SetURL(QStringLiteral("https://a"));
    EXPECT_TRUE(data.HasData());
    EXPECT_TRUE(data.NeedsData());
    data.SetTitle(QStringLiteral("A"));
    EXPECT_FALSE(data.NeedsData());
    data.Clear();
    EXPECT_FALSE(data.HasData());
    EXPECT_EQ(changes, 3);
}

// ---------------------------------------------------------------------------------
// File drops.

class FileDrop : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FTmp.isValid());
        ASSERT_TRUE(QDir(FTmp.path()).mkdir(QStringLiteral("Folder")));
    }
    QString Path(const char* name) const { return FTmp.filePath(QString::fromUtf8(name)); }

    QTemporaryDir FTmp;
};

TEST_F(FileDrop, ThreeShellItemsKeepTheirOrderAndStopTheWalk)
{
    const QStringList paths{Path("b.url"), Path("Folder"), Path("A.URL")};
    TURLDropSourceList source;
    source.Add(F::HDrop, Paths(paths));
    source.Add(F::FileContents, Bytes(Shortcut));
    source.Add(F::UniformResourceLocator, Bytes(URLText));
    TURLDropSession session;
    EXPECT_EQ(session.DragEnter(source, Qt::NoModifier, Qt::CopyAction | Qt::MoveAction),
              Qt::CopyAction);
    EXPECT_TRUE(session.Accepted());
    EXPECT_EQ(session.Data().URL(), FileDropMarker);
    EXPECT_EQ(session.Data().Title(), FileDropMarker);
    EXPECT_EQ(session.Data().DroppedFileNames(), paths);
    EXPECT_EQ(source.FetchCount(F::FileContents), 0);
    EXPECT_EQ(source.FetchCount(F::UniformResourceLocator), 0);
}

TEST_F(FileDrop, AcceptedWhenAtLeastOnePathExists)
{
    // Whether a file holds bookmarks is found by reading it: a service export with any
    // name, a browser's store without an extension, even a picture is accepted, so that
    // the add can name what it could not read instead of the drag being refused.
    for (const char* name : {"pocket-export.txt", "picture.png", "Bookmarks", "raindrop.CSV"}) {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    struct TCase
    {
        QStringList Paths;
        bool Accepted;
    };
    const TCase cases[] = {
        {{Path("pocket-export.txt")}, true},
        {{Path("picture.png"), Path("missing.html")}, true},
        {{Path("Bookmarks")}, true},
        {{Path("raindrop.CSV"), Path("Folder")}, true},
        {{Path("Folder")}, true},
        // Nothing there to read: a stale path, a name that was never a file.
        {{Path("missing.html"), Path("missing-folder")}, false},
        {{QString()}, false},
        {{}, false},
    };
    for (const TCase& c : cases) {
        TURLDropSourceList source;
        source.Add(F::HDrop, Paths(c.Paths));
        TURLDataFormat data;
        EXPECT_EQ(data.FetchFrom(source), c.Accepted) << c.Paths.join(u' ').toStdString();
        // Every path is recorded, readable or not.
        EXPECT_EQ(data.DroppedFileNames(), c.Paths);
        TURLDropSession session;
        EXPECT_EQ(session.DragEnter(source, Qt::NoModifier, Qt::CopyAction) == Qt::CopyAction,
                  c.Accepted);
        EXPECT_EQ(session.Accepted(), c.Accepted);
        if (!c.Accepted) {
            EXPECT_TRUE(session.Data().DroppedFileNames().isEmpty());
        }
    }
}

// ---------------------------------------------------------------------------------
// Drop effects.

struct TEffectCase
{
    Qt::KeyboardModifiers Keys;
    Qt::DropActions Offered;
    Qt::DropAction Expected;
};

TEST(URLDropEffect, KeysAndOfferedEffects)
{
    const Qt::DropActions all = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    const TEffectCase cases[] = {
        {Qt::ShiftModifier, all, Qt::CopyAction},
        {ctrlShift, all, Qt::LinkAction},
        {Qt::ControlModifier, all, Qt::CopyAction},
        {Qt::NoModifier, all, Qt::CopyAction},
        {Qt::NoModifier, Qt::MoveAction, Qt::IgnoreAction},
        {ctrlShift, Qt::MoveAction, Qt::IgnoreAction},
        {Qt::NoModifier, Qt::MoveAction | Qt::LinkAction, Qt::LinkAction},
        {Qt::ControlModifier, Qt::LinkAction, Qt::LinkAction},
        {ctrlShift, Qt::CopyAction | Qt::MoveAction, Qt::CopyAction},
        {Qt::AltModifier, Qt::DropActions{}, Qt::IgnoreAction},
    };
    for (const TEffectCase& c : cases)
        EXPECT_EQ(URLDropEffect(c.Keys, c.Offered), c.Expected)
            << "keys " << c.Keys.toInt() << " offered " << c.Offered.toInt();
}

// ---------------------------------------------------------------------------------
// Enter / over / drop / leave.

namespace {

TURLDropSourceList BrowserLink()
{
    TURLDropSourceList source;
    source.Add(F::FileGroupDescriptorW, DescW(QStringLiteral("Example Page.url")));
    source.Add(F::FileContents, Bytes(Shortcut));
    source.Add(F::UniformResourceLocator, Bytes(URLText));
    return source;
}

const Qt::DropActions AllEffects = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;

} // namespace

TEST(URLDropSession, HandlerSeesTheDataWhichIsGoneAfterwards)
{
    TURLDropSourceList source = BrowserLink();
    TURLDropSession session;
    ASSERT_EQ(session.DragEnter(source, Qt::NoModifier, AllEffects), Qt::CopyAction);
    EXPECT_EQ(session.DragOver(Qt::ControlModifier | Qt::ShiftModifier, AllEffects),
              Qt::LinkAction);
    int calls = 0;
    QString url, title;
    Qt::DropAction seen = Qt::IgnoreAction;
    const Qt::DropAction performed =
        session.Drop(Qt::ShiftModifier, AllEffects, [&](Qt::DropAction& effect) {
            ++calls;
            url = session.Data().URL();
            title = session.Data().Title();
            seen = effect;
        });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(url, FromContents);
    EXPECT_EQ(title, QStringLiteral("Example Page"));
    EXPECT_EQ(seen, Qt::CopyAction);
    EXPECT_EQ(performed, Qt::CopyAction);
    EXPECT_FALSE(session.Data().HasData());
    EXPECT_FALSE(session.Accepted());
}

TEST(URLDropSession, HandlerMayRefuseTheDrop)
{
    TURLDropSourceList source = BrowserLink();
    TURLDropSession session;
    session.DragEnter(source, Qt::NoModifier, AllEffects);
    EXPECT_EQ(session.Drop(Qt::NoModifier, AllEffects,
                           [](Qt::DropAction& effect) { effect = Qt::IgnoreAction; }),
              Qt::IgnoreAction);
}

TEST(URLDropSession, DataClearedEvenWhenTheHandlerThrows)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    ASSERT_TRUE(QFile(tmp.filePath(QStringLiteral("a.url"))).open(QIODevice::WriteOnly));
    TURLDropSourceList source;
    source.Add(F::HDrop, Paths({tmp.filePath(QStringLiteral("a.url"))}));
    TURLDropSession session;
    session.DragEnter(source, Qt::NoModifier, AllEffects);
    ASSERT_EQ(session.Data().DroppedFileNames().size(), 1);
    EXPECT_THROW(session.Drop(Qt::NoModifier, AllEffects,
                              [](Qt::DropAction&) { throw std::runtime_error("disk full"); }),
                 std::runtime_error);
    EXPECT_FALSE(session.Data().HasData());
    EXPECT_TRUE(session.Data().DroppedFileNames().isEmpty());
}

TEST(URLDropSession, MoveOnlySourceGetsNoEffectAndNoDrop)
{
    TURLDropSourceList source = BrowserLink();
    TURLDropSession session;
    EXPECT_EQ(session.DragEnter(source, Qt::NoModifier, Qt::MoveAction), Qt::IgnoreAction);
    int calls = 0;
    EXPECT_EQ(session.Drop(Qt::NoModifier, Qt::MoveAction, [&](Qt::DropAction&) { ++calls; }),
              Qt::IgnoreAction);
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(session.Data().HasData());
}

TEST(URLDropSession, RefusedDragIsNeverReported)
{
    TURLDropSourceList source;
    source.Add(F::Text, Bytes("just some words"));
    TURLDropSession session;
    EXPECT_EQ(session.DragEnter(source, Qt::NoModifier, AllEffects), Qt::IgnoreAction);
    EXPECT_FALSE(session.Accepted());
    EXPECT_EQ(session.DragOver(Qt::NoModifier, AllEffects), Qt::IgnoreAction);
    int calls = 0;
    session.Drop(Qt::NoModifier, AllEffects, [&](Qt::DropAction&) { ++calls; });
    EXPECT_EQ(calls, 0);
}

TEST(URLDropSession, EmptyURLTextIsRefused)
{
    TURLDropSourceList source;
    source.Add(F::UniformResourceLocator, Bytes(QByteArray("\0", 1)));
    TURLDropSession session;
    EXPECT_EQ(session.DragEnter(source, Qt::NoModifier, AllEffects), Qt::IgnoreAction);
    EXPECT_FALSE(session.Accepted());
}

TEST(URLDropSession, LeaveAndNextEnterStartFromNothing)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    TURLDropSourceList files;
    files.Add(F::HDrop, Paths({tmp.filePath(QStringLiteral("a.url"))}));
    TURLDropSession session;
    session.DragEnter(files, Qt::NoModifier, AllEffects);
    session.DragLeave();
    EXPECT_FALSE(session.Data().HasData());
    EXPECT_TRUE(session.Data().DroppedFileNames().isEmpty());
    EXPECT_FALSE(session.Accepted());

    // A new drag without a leave in between (the window lost the leave) forgets the old one.
    session.DragEnter(files, Qt::NoModifier, AllEffects);
    TURLDropSourceList link = BrowserLink();
    session.DragEnter(link, Qt::NoModifier, AllEffects);
    EXPECT_EQ(session.Data().URL(), FromContents);
    EXPECT_TRUE(session.Data().DroppedFileNames().isEmpty());
}
