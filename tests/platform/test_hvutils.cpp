#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <platform/uHVUtils.h>

TEST(ForcePath, CreatesEveryMissingParent)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString deep = tmp.filePath(QStringLiteral("a/b/c"));
    EXPECT_TRUE(ForcePath(deep));
    EXPECT_TRUE(QFileInfo(deep).isDir());
}

TEST(ForcePath, ExistingFolderIsTrueAndUntouched)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    QFile f(tmp.filePath(QStringLiteral("keep.txt")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
    f.close();
    EXPECT_TRUE(ForcePath(tmp.path()));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.txt")});
}

TEST(ForcePath, FailsWhereAFileBlocksThePathOrTheNameIsEmpty)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    QFile f(tmp.filePath(QStringLiteral("file")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_FALSE(ForcePath(tmp.filePath(QStringLiteral("file"))));
    EXPECT_FALSE(ForcePath(tmp.filePath(QStringLiteral("file/sub"))));
    EXPECT_FALSE(ForcePath(QString()));
}

TEST(GetAppVersion, IsTheVersionTheProjectDeclares)
{
    // The About box and zorvel-cli --version show this; the package is named after the
    // same project version, so the two can never tell the user different things.
    EXPECT_EQ(GetAppVersion(), QStringLiteral(ZORVEL_DECLARED_VERSION));
}
