#pragma once
// A temporary folder standing in for the program's data folder, and a private
// trash (XDG_DATA_HOME) so that the tests never touch the user's own.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <settings/uBrowserPrograms.h>
#include <settings/uSetupData.h>
#include <support/uScopedEnv.h>

class DataDirTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FTmp.isValid());
        ASSERT_TRUE(QDir(FTmp.path()).mkpath(QStringLiteral("data")));
        ASSERT_TRUE(QDir(FTmp.path()).mkpath(QStringLiteral("xdg")));
        FEnv.Set("XDG_DATA_HOME", QFile::encodeName(FTmp.filePath(QStringLiteral("xdg"))));
        SetDataDirOverride(Dir());
    }
    void TearDown() override { SetDataDirOverride(QString()); }

    QString Dir() const { return FTmp.filePath(QStringLiteral("data")); }
    QString Path(const QString& Name) const { return QDir(Dir()).filePath(Name); }

    static void WriteFile(const QString& FileName, const QByteArray& Data)
    {
        QDir().mkpath(QFileInfo(FileName).absolutePath());
        QFile f(FileName);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(Data), Data.size());
    }
    static QByteArray ReadFile(const QString& FileName)
    {
        QFile f(FileName);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }

    QTemporaryDir FTmp;
    // The settings record the tests load, change and save.
    TSetupData SetupData;

private:
    TScopedEnv FEnv;
};
