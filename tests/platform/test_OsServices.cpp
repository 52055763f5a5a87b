#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <support/uScopedEnv.h>

#include <QStringDecoder>
#include <platform/uOsServices.h>

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

// Plain ASCII skips the converter: it must read exactly as the converter would, in
// the Japanese code page too, whose table moves some control bytes.
TEST(DecodeLegacyText, ReadsAsTheCodePageConverterDoes)
{
    const QByteArray Inputs[] = {
        QByteArray("[InternetShortcut]\r\nURL=http://a.example/~x\\y?q=1&r=[2]\r\n"),
        QByteArray("tab\there\nline"),
        QByteArray("\x1a\x1c\x7f end", 7),
        QByteArray("nul \0 inside", 13),
        QByteArray("caf\xe9"),
        QByteArray("\x82\xa0\x82\xa2"),
        QByteArray(),
    };
    for (const char* Lang : {"en_US.UTF-8", "ja_JP.UTF-8"}) {
        TScopedEnv Env;
        Env.SetLanguage(Lang);
        for (const QByteArray& Bytes : Inputs) {
            SCOPED_TRACE(std::string(Lang) + ": " + Bytes.toHex().toStdString());
            QStringDecoder Decoder(LegacyCodePageName().toLatin1().constData());
            ASSERT_TRUE(Decoder.isValid());
            EXPECT_EQ(DecodeLegacyText(Bytes), Decoder.decode(Bytes));
        }
    }
}
