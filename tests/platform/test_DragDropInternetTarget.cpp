// The drop target on a real list widget: what browsers and file managers put into
// QMimeData, delivered as synthetic drag events (offscreen).

#include <platform/DragDropInternetMime.h>
#include <platform/DragDropInternetTarget.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QListWidget>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <support/uTestApplication.h>

#include <memory>

namespace {

QByteArray Utf16LE(const QString& Text)
{
    return QStringEncoder(QStringEncoder::Utf16LE).encode(Text);
}

// What Firefox offers for a dragged link.
std::unique_ptr<QMimeData> FirefoxLink(const QString& Url, const QString& Title)
{
    auto mime = std::make_unique<QMimeData>();
    mime->setData(QStringLiteral("text/x-moz-url"), Utf16LE(Url + u'\n' + Title));
    mime->setUrls({QUrl(Url)});
    mime->setData(QStringLiteral("_NETSCAPE_URL"), (Url + u'\n' + Title).toUtf8());
    mime->setText(Url);
    return mime;
}

// What a file manager (Dolphin, Nautilus) offers for dragged files.
std::unique_ptr<QMimeData> FileManagerDrag(const QStringList& Paths)
{
    auto mime = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& p : Paths)
        urls.append(QUrl::fromLocalFile(p));
    mime->setUrls(urls);
    mime->setText(Paths.join(u'\n'));
    return mime;
}

const Qt::DropActions AllEffects = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;

} // namespace

// ---------------------------------------------------------------------------------
// QMimeData as a drag source, without widgets.

struct TMimeCase
{
    const char* Name;
    std::function<std::unique_ptr<QMimeData>()> Make;
    bool Accepted;
    QString URL;
    QString Title;
};

void PrintTo(const TMimeCase& Case, std::ostream* Out)
{
    *Out << Case.Name;
}

class MimeURLDropSource : public testing::TestWithParam<TMimeCase>
{
};

TEST_P(MimeURLDropSource, YieldsURLAndTitle)
{
    const TMimeCase& c = GetParam();
    const std::unique_ptr<QMimeData> mime = c.Make();
    TMimeURLDropSource source(*mime);
    TURLDataFormat data;
    const bool taken = data.FetchFrom(source);
    EXPECT_EQ(taken && data.HasData(), c.Accepted);
    EXPECT_EQ(data.URL(), c.URL);
    EXPECT_EQ(data.Title(), c.Title);
    EXPECT_TRUE(data.DroppedFileNames().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MimeURLDropSource,
    testing::Values(
        TMimeCase{"FirefoxLinkGivesURLAndTitle",
                  [] {
                      return FirefoxLink(QStringLiteral("https://example.org/page?q=1"),
                                         QStringLiteral("Example: a page"));
                  },
                  true, QStringLiteral("https://example.org/page?q=1"),
                  QStringLiteral("Example: a page")},
        TMimeCase{
            "MozURLKeepsCharactersBeyondTheCodePage",
            [] {
                auto m = std::make_unique<QMimeData>();
                m->setData(QStringLiteral("text/x-moz-url"),
                           Utf16LE(QStringLiteral(u"https://ja.example/日本\r\n日本語のページ")));
                return m;
            },
            true, QStringLiteral(u"https://ja.example/日本"), QStringLiteral(u"日本語のページ")},
        TMimeCase{"MozURLWithByteOrderMarkAndTrailingNul",
                  [] {
                      auto m = std::make_unique<QMimeData>();
                      m->setData(QStringLiteral("text/x-moz-url"),
                                 QByteArray("\xFF\xFE", 2)
                                     + Utf16LE(QStringLiteral(u"https://example.org/\nTitle"))
                                     + QByteArray(2, '\0'));
                      return m;
                  },
                  true, QStringLiteral("https://example.org/"), QStringLiteral("Title")},
        TMimeCase{"MozURLWithoutTitle",
                  [] {
                      auto m = std::make_unique<QMimeData>();
                      m->setData(QStringLiteral("text/x-moz-url"),
                                 Utf16LE(QStringLiteral("https://example.org/")));
                      return m;
                  },
                  true,
                  QStringLiteral("https://example.org/"),
                  {}},
        TMimeCase{
            "LongTitleCutLikeAShortcutName",
            [] { return FirefoxLink(QStringLiteral("https://example.org/"), QString(300, u'x')); },
            true, QStringLiteral("https://example.org/"), QString(255, u'x')},
        TMimeCase{"RemoteURIListIsTheURLText",
                  [] {
                      auto m = std::make_unique<QMimeData>();
                      m->setUrls({QUrl(QStringLiteral("https://example.org/a b"))});
                      return m;
                  },
                  true,
                  QStringLiteral("https://example.org/a%20b"),
                  {}},
        // A browser drag as Qt shows it under X11: text/x-moz-url folded into text/uri-list.
        TMimeCase{"X11BrowserLinkTitleFromNetscapeURL",
                  [] {
                      auto m = std::make_unique<QMimeData>();
                      m->setUrls({QUrl(QStringLiteral("https://example.org/n"))});
                      m->setData(QStringLiteral("_NETSCAPE_URL"),
                                 QStringLiteral(u"https://example.org/n\nSome title — ü").toUtf8());
                      m->setText(QStringLiteral("https://example.org/n"));
                      return m;
                  },
                  true, QStringLiteral("https://example.org/n"), QStringLiteral(u"Some title — ü")},
        TMimeCase{"NetscapeURLWithoutTitle",
                  [] {
                      auto m = std::make_unique<QMimeData>();
                      m->setData(QStringLiteral("_NETSCAPE_URL"),
                                 QByteArray("https://example.org/nn\n\0", 24));
                      return m;
                  },
                  true,
                  QStringLiteral("https://example.org/nn"),
                  {}},
        TMimeCase{"PlainTextWithScheme",
                  [] {
                      auto m = std::make_unique<QMimeData>();
                      m->setText(QStringLiteral(u"https://example.org/ü"));
                      return m;
                  },
                  true,
                  QStringLiteral(u"https://example.org/ü"),
                  {}},
        TMimeCase{"PlainTextWithoutSchemeRefused",
                  [] {
                      auto m = std::make_unique<QMimeData>();
                      m->setText(QStringLiteral("example.org"));
                      return m;
                  },
                  false,
                  {},
                  {}},
        TMimeCase{"ImageOnlyRefused",
                  [] {
                      auto m = std::make_unique<QMimeData>();
                      m->setData(QStringLiteral("image/png"), "\x89PNG");
                      return m;
                  },
                  false,
                  {},
                  {}},
        // Qt's names for the shell formats a Windows browser offers.
        TMimeCase{"WindowsNativeFormats",
                  [] {
                      auto m = std::make_unique<QMimeData>();
                      m->setData(QtWindowsMimeName(QStringLiteral("FileGroupDescriptorW")),
                                 MakeFileGroupDescriptorW({QStringLiteral("Native Page.url")}));
                      m->setData(QtWindowsMimeName(QStringLiteral("FileContents")),
                                 "[InternetShortcut]\r\nURL=https://example.org/native\r\n");
                      m->setData(QtWindowsMimeName(QStringLiteral("UniformResourceLocator")),
                                 QByteArray("https://example.org/other\0", 26));
                      m->setUrls({QUrl(QStringLiteral("https://example.org/other"))});
                      return m;
                  },
                  true, QStringLiteral("https://example.org/native"),
                  QStringLiteral("Native Page")},
        TMimeCase{"WindowsURLTextOnly",
                  [] {
                      auto m = std::make_unique<QMimeData>();
                      m->setData(QtWindowsMimeName(QStringLiteral("UniformResourceLocator")),
                                 QByteArray("https://example.org/w\0", 22));
                      return m;
                  },
                  true,
                  QStringLiteral("https://example.org/w"),
                  {}}),
    [](const testing::TestParamInfo<TMimeCase>& info) { return std::string(info.param.Name); });

TEST(MimeURLDropSource, LocalFilesAreTheFileDropRemoteURLsAreNot)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString a = tmp.filePath(QStringLiteral("a.url"));
    const QString b = tmp.filePath(QStringLiteral("b.html"));
    for (const QString& Path : {a, b})
        ASSERT_TRUE(QFile(Path).open(QIODevice::WriteOnly));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(a), QUrl(QStringLiteral("https://example.org/")),
                  QUrl::fromLocalFile(b)});
    TMimeURLDropSource source(mime);
    TURLDataFormat data;
    ASSERT_TRUE(data.FetchFrom(source));
    EXPECT_EQ(data.URL(), FileDropMarker);
    EXPECT_EQ(data.DroppedFileNames(), (QStringList{a, b}));
}

TEST(MimeURLDropSource, FileDescribedLikeALinkIsStillAFileDrop)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString a = tmp.filePath(QStringLiteral("a.url"));
    ASSERT_TRUE(QFile(a).open(QIODevice::WriteOnly));
    const QString fileUrl = QUrl::fromLocalFile(a).toString();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(a)});
    mime.setData(QStringLiteral("_NETSCAPE_URL"), (fileUrl + QStringLiteral("\na.url")).toUtf8());
    mime.setData(QStringLiteral("text/x-moz-url"), Utf16LE(fileUrl + QStringLiteral("\na.url")));
    TMimeURLDropSource source(mime);
    TURLDataFormat data;
    ASSERT_TRUE(data.FetchFrom(source));
    EXPECT_EQ(data.URL(), FileDropMarker);
    EXPECT_EQ(data.Title(), FileDropMarker);
    EXPECT_EQ(data.DroppedFileNames(), QStringList{a});
}

// ---------------------------------------------------------------------------------
// Synthetic drag events on a list view.

class DropURLTargetOnList : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!EnsureTestApplication())
            GTEST_SKIP() << "another test created a QCoreApplication without widgets";
        ASSERT_TRUE(FTmp.isValid());
        FList = std::make_unique<QListWidget>();
        FList->resize(240, 160);
        for (int i = 0; i < 200; ++i)
            FList->addItem(QStringLiteral("Row %1").arg(i));
        FTarget = std::make_unique<TDropURLTarget>();
        FTarget->SetTarget(FList.get());
        FTarget->OnDrop = [this](TDropURLTarget* Sender, Qt::KeyboardModifiers, Qt::MouseButtons,
                                 QPoint APoint, Qt::DropAction& Effect) {
            ++FDrops;
            FSender = Sender;
            FURL = Sender->URL();
            FTitle = Sender->Title();
            FPaths = Sender->DroppedFileNames();
            FPoint = APoint;
            FEffect = Effect;
        };
    }

    QWidget* Viewport() const { return FList->viewport(); }

    // Enter, move and drop at Pos; returns whether the enter and the drop were accepted.
    struct TResult
    {
        bool EnterAccepted = false;
        bool MoveAccepted = false;
        bool DropAccepted = false;
        Qt::DropAction DropAction = Qt::IgnoreAction;
    };
    TResult DragAndDrop(const QMimeData& Mime, Qt::KeyboardModifiers Keys,
                        Qt::DropActions Offered = AllEffects, QPoint Pos = QPoint(40, 30))
    {
        TResult r;
        QDragEnterEvent enter(Pos, Offered, &Mime, Qt::LeftButton, Keys);
        QCoreApplication::sendEvent(Viewport(), &enter);
        r.EnterAccepted = enter.isAccepted();
        QDragMoveEvent move(Pos, Offered, &Mime, Qt::LeftButton, Keys);
        QCoreApplication::sendEvent(Viewport(), &move);
        r.MoveAccepted = move.isAccepted();
        if (!r.MoveAccepted)
            return r; // the platform does not deliver a drop the target refused
        QDropEvent drop(Pos, Offered, &Mime, Qt::LeftButton, Keys);
        QCoreApplication::sendEvent(Viewport(), &drop);
        r.DropAccepted = drop.isAccepted();
        r.DropAction = drop.dropAction();
        return r;
    }

    QTemporaryDir FTmp;
    std::unique_ptr<QListWidget> FList;
    std::unique_ptr<TDropURLTarget> FTarget;
    int FDrops = 0;
    TDropURLTarget* FSender = nullptr;
    QString FURL, FTitle;
    QStringList FPaths;
    QPoint FPoint;
    Qt::DropAction FEffect = Qt::IgnoreAction;
};

TEST_F(DropURLTargetOnList, BrowserLinkIsReportedOnceThenForgotten)
{
    QSignalSpy spy(FTarget.get(), &TDropURLTarget::Drop);
    const auto mime =
        FirefoxLink(QStringLiteral("https://example.org/page"), QStringLiteral("Example Page"));
    const TResult r = DragAndDrop(*mime, Qt::NoModifier, AllEffects, QPoint(50, 20));
    EXPECT_TRUE(r.EnterAccepted);
    EXPECT_TRUE(r.DropAccepted);
    EXPECT_EQ(r.DropAction, Qt::CopyAction);
    EXPECT_EQ(FDrops, 1);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(FSender, FTarget.get());
    EXPECT_EQ(FURL, QStringLiteral("https://example.org/page"));
    EXPECT_EQ(FTitle, QStringLiteral("Example Page"));
    EXPECT_TRUE(FPaths.isEmpty());
    EXPECT_EQ(FPoint, QPoint(50, 20));
    EXPECT_TRUE(FTarget->URL().isEmpty());
    EXPECT_TRUE(FTarget->Title().isEmpty());
}

TEST_F(DropURLTargetOnList, FileManagerDropGivesMarkerAndPathsInOrder)
{
    ASSERT_TRUE(QDir(FTmp.path()).mkdir(QStringLiteral("Folder")));
    const QStringList paths{FTmp.filePath(QStringLiteral("Two.url")),
                            FTmp.filePath(QStringLiteral("one.URL")),
                            FTmp.filePath(QStringLiteral("Folder"))};
    const auto mime = FileManagerDrag(paths);
    const TResult r = DragAndDrop(*mime, Qt::NoModifier);
    EXPECT_TRUE(r.EnterAccepted);
    EXPECT_TRUE(r.DropAccepted);
    EXPECT_EQ(FDrops, 1);
    EXPECT_TRUE(FTitle.startsWith(FileDropMarker));
    EXPECT_EQ(FURL, FileDropMarker);
    EXPECT_EQ(FPaths, paths);
    EXPECT_TRUE(FTarget->DroppedFileNames().isEmpty());
}

TEST_F(DropURLTargetOnList, FilesOfAnyNameAreTakenForTheAddToJudge)
{
    // A service export saved as .txt and a picture: both reach the add, which reads the
    // export by its content and names the picture as no bookmark file.
    QStringList paths;
    for (const char* name : {"pocket.txt", "photo.png"}) {
        paths.append(FTmp.filePath(QString::fromLatin1(name)));
        QFile f(paths.last());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("title,url\n");
    }
    const TResult r = DragAndDrop(*FileManagerDrag(paths), Qt::NoModifier);
    EXPECT_TRUE(r.EnterAccepted);
    EXPECT_TRUE(r.DropAccepted);
    EXPECT_EQ(FDrops, 1);
    EXPECT_EQ(FPaths, paths);
}

TEST_F(DropURLTargetOnList, UnusableDragsAreRefusedAndNeverReported)
{
    QMimeData words;
    words.setText(QStringLiteral("just words"));
    // A path that is not there (the file was moved away since the drag began).
    const auto textFiles = FileManagerDrag({FTmp.filePath(QStringLiteral("gone.html"))});
    for (const QMimeData* mime :
         {static_cast<const QMimeData*>(&words), static_cast<const QMimeData*>(textFiles.get())}) {
        const TResult r = DragAndDrop(*mime, Qt::NoModifier);
        EXPECT_FALSE(r.EnterAccepted);
        EXPECT_FALSE(r.MoveAccepted);
    }
    EXPECT_EQ(FDrops, 0);
}

TEST_F(DropURLTargetOnList, KeysAndOfferedActionsChooseTheEffect)
{
    struct TCase
    {
        Qt::KeyboardModifiers Keys;
        Qt::DropActions Offered;
        Qt::DropAction Expected;
    };
    const TCase cases[] = {
        {Qt::ShiftModifier, AllEffects, Qt::CopyAction},
        {Qt::ControlModifier | Qt::ShiftModifier, AllEffects, Qt::LinkAction},
        {Qt::NoModifier, Qt::MoveAction | Qt::LinkAction, Qt::LinkAction},
        {Qt::NoModifier, Qt::MoveAction, Qt::IgnoreAction},
    };
    const auto mime = FirefoxLink(QStringLiteral("https://example.org/"), QStringLiteral("E"));
    for (const TCase& c : cases) {
        const int before = FDrops;
        const TResult r = DragAndDrop(*mime, c.Keys, c.Offered);
        EXPECT_EQ(r.DropAction, c.Expected);
        EXPECT_EQ(r.EnterAccepted, c.Expected != Qt::IgnoreAction);
        EXPECT_EQ(r.MoveAccepted, c.Expected != Qt::IgnoreAction);
        EXPECT_EQ(FDrops - before, c.Expected != Qt::IgnoreAction ? 1 : 0);
        if (c.Expected != Qt::IgnoreAction) {
            EXPECT_EQ(FEffect, c.Expected);
        }
        // Nothing of the drag is held afterwards, dropped or refused.
        EXPECT_TRUE(FTarget->URL().isEmpty());
    }
}

TEST_F(DropURLTargetOnList, LeaveForgetsTheDrag)
{
    const auto mime = FirefoxLink(QStringLiteral("https://example.org/"), QStringLiteral("E"));
    QDragEnterEvent enter(QPoint(10, 10), AllEffects, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Viewport(), &enter);
    ASSERT_EQ(FTarget->URL(), QStringLiteral("https://example.org/"));
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(Viewport(), &leave);
    EXPECT_TRUE(FTarget->URL().isEmpty());
    EXPECT_TRUE(FTarget->Title().isEmpty());
}

TEST_F(DropURLTargetOnList, DetachedOrDisabledTargetIgnoresDrags)
{
    const auto mime = FirefoxLink(QStringLiteral("https://example.org/"), QStringLiteral("E"));
    FTarget->SetEnabled(false);
    DragAndDrop(*mime, Qt::NoModifier);
    FTarget->SetEnabled(true);
    FTarget->SetTarget(nullptr);
    DragAndDrop(*mime, Qt::NoModifier);
    EXPECT_EQ(FDrops, 0);
    FTarget->SetTarget(FList.get());
    DragAndDrop(*mime, Qt::NoModifier);
    EXPECT_EQ(FDrops, 1);
}

TEST_F(DropURLTargetOnList, DraggingNearTheBottomEdgeScrollsTheList)
{
    FList->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(FList.get()));
    QScrollBar* bar = FList->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    const auto mime = FirefoxLink(QStringLiteral("https://example.org/"), QStringLiteral("E"));
    const QPoint nearBottom(20, Viewport()->height() - 3);
    QDragEnterEvent enter(nearBottom, AllEffects, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Viewport(), &enter);
    QDragMoveEvent move(nearBottom, AllEffects, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Viewport(), &move);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->value() > 2; }, 3000));
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(Viewport(), &leave);
    const int stopped = bar->value();
    QTest::qWait(200);
    EXPECT_EQ(bar->value(), stopped);
}
