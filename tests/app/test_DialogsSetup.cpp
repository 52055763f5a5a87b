#include "test_DialogsUtil.h"

#include <app/uFrmSetup.h>
#include <settings/uSetupData.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <array>

namespace {

const QColor Black(0, 0, 0);
const QColor Grey(128, 128, 128);

class SetupDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureTestApplication();
        ASSERT_TRUE(Tmp.isValid());
        SetDataDirOverride(Tmp.path());
        File = MakeFile(QStringLiteral("browsers/iexplore.exe"));
        Other = MakeFile(QStringLiteral("browsers/chrome.exe"));
        ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("folder"))));

        Settings = {};
        Settings.IEPath = QDir::toNativeSeparators(File);
        Settings.FFPath = QDir::toNativeSeparators(Path(QStringLiteral("missing/firefox")));
        Settings.CHPath = QDir::toNativeSeparators(Other);
        Settings.VIPath = QDir::toNativeSeparators(Path(QStringLiteral("folder")));
        Settings.TRPath = QString();
        Settings.PMPath = QDir::toNativeSeparators(File);
        Settings.isOpenBaseBookmark = false;
        Settings.isSaveHistory = true;
        Settings.isAmazonShort = false;
        Settings.BaseBookmarkName = Path(QStringLiteral("zorvel.html"));
        Before = Settings;
        Browsers = {};
    }

    void TearDown() override { SetDataDirOverride(QString()); }

    QString Path(const QString& Name) const { return QDir(Tmp.path()).filePath(Name); }

    QString MakeFile(const QString& Name)
    {
        const QString P = Path(Name);
        QDir().mkpath(QFileInfo(P).absolutePath());
        QFile F(P);
        EXPECT_TRUE(F.open(QIODevice::WriteOnly));
        F.write("x");
        return P;
    }

    template <class T>
    T* Child(const TFrmSetup& Dlg, const char* Name)
    {
        T* W = Dlg.findChild<T*>(QString::fromLatin1(Name));
        EXPECT_NE(W, nullptr) << Name;
        return W;
    }
    QLineEdit* Edit(const TFrmSetup& Dlg, int Row)
    {
        static const char* const Names[] = {"iePathEdit",         "firefoxPathEdit",
                                            "chromePathEdit",     "vivaldiPathEdit",
                                            "torBrowserPathEdit", "paleMoonPathEdit"};
        return Child<QLineEdit>(Dlg, Names[Row - 1]);
    }
    QPushButton* Button(const TFrmSetup& Dlg, const char* Name)
    {
        return Child<QPushButton>(Dlg, Name);
    }

    static QString PathOf(const TSetupData& D, int Row)
    {
        const QString* Paths[] = {&D.IEPath, &D.FFPath, &D.CHPath, &D.VIPath, &D.TRPath, &D.PMPath};
        return *Paths[Row - 1];
    }
    std::array<bool, 6> Flags() const
    {
        return {Browsers[TBrowser::IE], Browsers[TBrowser::FF], Browsers[TBrowser::CH],
                Browsers[TBrowser::VI], Browsers[TBrowser::TR], Browsers[TBrowser::PM]};
    }
    static std::array<bool, 6> ExpectedFlags(const TSetupData& D)
    {
        auto IsFile = [](const QString& P) { return !P.isEmpty() && QFileInfo(P).isFile(); };
        return {IsFile(D.IEPath), IsFile(D.FFPath), IsFile(D.CHPath),
                IsFile(D.VIPath), IsFile(D.TRPath), IsFile(D.PMPath)};
    }
    void ExpectColoursMatchFlags(const TFrmSetup& Dlg)
    {
        const auto F = Flags();
        for (int Row = 1; Row <= 6; ++Row)
            EXPECT_EQ(Edit(Dlg, Row)->palette().color(QPalette::Text),
                      F[size_t(Row - 1)] ? Black : Grey)
                << "row " << Row;
    }

    void Run(TFrmSetup& Dlg, const std::function<void()>& Act)
    {
        WhileOpen(Dlg, Act, [&] {
            Dlg.Execute();
            return 0;
        });
    }

    QTemporaryDir Tmp;
    TSetupData Settings, Before;
    TBrowserAvailability Browsers;
    QString File, Other;
};

TEST_F(SetupDialog, CreationComputesFlagsAndGreysWhatIsNoFile)
{
    // Row kinds: existing file, missing file, existing file, folder, empty, existing file.
    TFrmSetup Dlg(Settings, Browsers);
    EXPECT_EQ(Flags(), (std::array<bool, 6>{true, false, true, false, false, true}));
    Run(Dlg, [&] {
        for (int Row = 1; Row <= 6; ++Row)
            EXPECT_EQ(QDir::fromNativeSeparators(Edit(Dlg, Row)->text()),
                      QDir::fromNativeSeparators(PathOf(Settings, Row)));
        ExpectColoursMatchFlags(Dlg);
        EXPECT_FALSE(Child<QCheckBox>(Dlg, "openBaseBookmarkCheck")->isChecked());
        EXPECT_TRUE(Child<QCheckBox>(Dlg, "saveHistoryCheck")->isChecked());
        EXPECT_FALSE(Child<QCheckBox>(Dlg, "simplifyAmazonCheck")->isChecked());
        Button(Dlg, "okButton")->click();
    });
    EXPECT_EQ(Settings, Before);
}

TEST_F(SetupDialog, TypingStoresAtOnceAndRecolours)
{
    TFrmSetup Dlg(Settings, Browsers);
    Run(Dlg, [&] {
        QLineEdit* E = Edit(Dlg, 4);
        E->clear();
        QTest::keyClicks(E, File);
        EXPECT_EQ(Settings.VIPath, File);
        EXPECT_TRUE(Browsers[TBrowser::VI]);
        EXPECT_EQ(E->palette().color(QPalette::Text), Black);
        // A folder is not an executable: grey and hidden.
        E->setText(Tmp.path());
        EXPECT_FALSE(Browsers[TBrowser::VI]);
        EXPECT_EQ(E->palette().color(QPalette::Text), Grey);
        E->setText(File);
        Button(Dlg, "okButton")->click();
    });
    EXPECT_EQ(Settings.VIPath, File);
    EXPECT_TRUE(Browsers[TBrowser::VI]);
}

// Every way of closing other than OK puts back the settings from the moment of opening,
// and the "Open by" flags follow them.
TEST_F(SetupDialog, AnyCloseButOkRestoresSettingsAndFlags)
{
    struct Case
    {
        const char* Name;
        bool PressDefault;
        std::function<void(TFrmSetup&)> Close;
    };
    const Case Cases[] = {
        {"Cancel", false, [this](TFrmSetup& D) { Button(D, "cancelButton")->click(); }},
        {"Default then Cancel", true, [this](TFrmSetup& D) { Button(D, "cancelButton")->click(); }},
        {"Escape", false, [](TFrmSetup& D) { QTest::keyClick(&D, Qt::Key_Escape); }},
        {"close box", true, [](TFrmSetup& D) { D.close(); }},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Settings = Before;
        TFrmSetup Dlg(Settings, Browsers);
        const auto FlagsBefore = Flags();
        Run(Dlg, [&] {
            Edit(Dlg, 1)->setText(QString()); // hides IE
            Edit(Dlg, 2)->setText(File);      // shows Firefox
            Edit(Dlg, 5)->setText(Other);     // shows Tor
            Child<QCheckBox>(Dlg, "openBaseBookmarkCheck")->click();
            Child<QCheckBox>(Dlg, "saveHistoryCheck")->click();
            Child<QCheckBox>(Dlg, "simplifyAmazonCheck")->click();
            if (C.PressDefault) {
                Button(Dlg, "defaultsButton")->click();
                EXPECT_TRUE(Settings.isOpenBaseBookmark);
                EXPECT_FALSE(Settings.isSaveHistory);
                EXPECT_TRUE(Child<QCheckBox>(Dlg, "openBaseBookmarkCheck")->isChecked());
            }
            EXPECT_NE(Settings, Before);
            C.Close(Dlg);
        });
        EXPECT_EQ(Settings, Before);
        EXPECT_EQ(Flags(), FlagsBefore);
        EXPECT_EQ(Flags(), ExpectedFlags(Before));
        ExpectColoursMatchFlags(Dlg);
    }
}

TEST_F(SetupDialog, RestoreShowsTheOpeningValuesNotTheDefaults)
{
    TFrmSetup Dlg(Settings, Browsers);
    Run(Dlg, [&] {
        Edit(Dlg, 1)->setText(QStringLiteral("elsewhere"));
        Button(Dlg, "defaultsButton")->click();
        Edit(Dlg, 6)->setText(QString());
        Child<QCheckBox>(Dlg, "simplifyAmazonCheck")->click();
        Button(Dlg, "restoreButton")->click();
        EXPECT_EQ(Settings, Before);
        EXPECT_EQ(Edit(Dlg, 1)->text(), Before.IEPath);
        EXPECT_EQ(Edit(Dlg, 6)->text(), Before.PMPath);
        EXPECT_FALSE(Child<QCheckBox>(Dlg, "openBaseBookmarkCheck")->isChecked());
        EXPECT_TRUE(Child<QCheckBox>(Dlg, "saveHistoryCheck")->isChecked());
        EXPECT_FALSE(Child<QCheckBox>(Dlg, "simplifyAmazonCheck")->isChecked());
        EXPECT_EQ(Flags(), ExpectedFlags(Before));
        ExpectColoursMatchFlags(Dlg);
        Button(Dlg, "okButton")->click();
    });
    EXPECT_EQ(Settings, Before);
}

TEST_F(SetupDialog, OkKeepsTheEditsIncludingSimplifyAmazon)
{
    TFrmSetup Dlg(Settings, Browsers);
    Run(Dlg, [&] {
        Child<QCheckBox>(Dlg, "openBaseBookmarkCheck")->click();
        Child<QCheckBox>(Dlg, "saveHistoryCheck")->click();
        Child<QCheckBox>(Dlg, "simplifyAmazonCheck")->click();
        Edit(Dlg, 2)->setText(File);
        Button(Dlg, "okButton")->click();
    });
    EXPECT_TRUE(Settings.isOpenBaseBookmark);
    EXPECT_FALSE(Settings.isSaveHistory);
    EXPECT_TRUE(Settings.isAmazonShort);
    EXPECT_EQ(Settings.FFPath, File);
    EXPECT_TRUE(Browsers[TBrowser::FF]);
    // The next opening shows what was kept.
    Run(Dlg, [&] {
        EXPECT_TRUE(Child<QCheckBox>(Dlg, "simplifyAmazonCheck")->isChecked());
        Button(Dlg, "cancelButton")->click();
    });
    EXPECT_TRUE(Settings.isAmazonShort);
}

TEST_F(SetupDialog, ClearedChromeBoxIsHiddenAndStoredEmpty)
{
    TFrmSetup Dlg(Settings, Browsers);
    ASSERT_TRUE(Browsers[TBrowser::CH]);
    Run(Dlg, [&] {
        Edit(Dlg, 3)->clear();
        EXPECT_FALSE(Browsers[TBrowser::CH]);
        EXPECT_EQ(Edit(Dlg, 3)->palette().color(QPalette::Text), Grey);
        Button(Dlg, "okButton")->click();
    });
    EXPECT_TRUE(Settings.CHPath.isEmpty());
    EXPECT_FALSE(Browsers[TBrowser::CH]);

    SaveSetupData(Settings);
    QFile Ini(SetupIniFileName());
    ASSERT_TRUE(Ini.open(QIODevice::ReadOnly));
    const QByteArray Text = Ini.readAll();
    EXPECT_TRUE(Text.contains("\nGoogle Chrome=\r\n") || Text.contains("\nGoogle Chrome=\n"))
        << Text.constData();

    // Next start: the empty value wins over the detected path, the command stays hidden.
    LoadSetupData(Settings);
    EXPECT_TRUE(Settings.CHPath.isEmpty());
    TFrmSetup Next(Settings, Browsers);
    EXPECT_FALSE(Browsers[TBrowser::CH]);
}

TEST_F(SetupDialog, BrowseOffersTheNamedFileAndTakesTheChoice)
{
    struct Case
    {
        QString BoxText;
        QString Filter;
        QString Folder;
    };
    const Case Cases[] = {
        {QDir::toNativeSeparators(File), QStringLiteral("iexplore (iexplore.exe)"),
         Path(QStringLiteral("browsers"))},
        // Where executables have no extension the mask is the bare name.
        {QDir::toNativeSeparators(Path(QStringLiteral("bin/firefox"))),
         QStringLiteral("firefox (firefox)"), Path(QStringLiteral("bin"))},
    };
    const QString Chosen = MakeFile(QStringLiteral("bin/firefox"));
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Filter.toStdString());
        Settings = Before;
        Settings.IEPath = C.BoxText;
        TFrmSetup Dlg(Settings, Browsers);
        Run(Dlg, [&] {
            // First the user cancels the file dialog: nothing changes.
            OnNextModal([&](QWidget* W) {
                auto* FD = qobject_cast<QFileDialog*>(W);
                ASSERT_NE(FD, nullptr);
                FD->reject();
            });
            Button(Dlg, "ieBrowseButton")->click();
            EXPECT_EQ(Edit(Dlg, 1)->text(), C.BoxText);

            OnNextModal([&](QWidget* W) {
                auto* FD = qobject_cast<QFileDialog*>(W);
                ASSERT_NE(FD, nullptr);
                EXPECT_EQ(FD->windowTitle(), QStringLiteral("Path of Internet Explorer"));
                EXPECT_EQ(FD->nameFilters(), QStringList{C.Filter});
                EXPECT_EQ(QDir(FD->directory()).absolutePath(), QDir(C.Folder).absolutePath());
                FD->selectFile(Chosen);
                static_cast<QDialog*>(FD)->accept();
            });
            Button(Dlg, "ieBrowseButton")->click();
            EXPECT_EQ(Edit(Dlg, 1)->text(), QDir::toNativeSeparators(Chosen));
            EXPECT_EQ(Settings.IEPath, QDir::toNativeSeparators(Chosen));
            EXPECT_TRUE(Browsers[TBrowser::IE]);
            Button(Dlg, "okButton")->click();
        });
    }
}

TEST_F(SetupDialog, ClearHistoryReportsTheCountAndStaysOpen)
{
    // The trash lives inside the temporary folder.
    TScopedEnv Env("XDG_DATA_HOME", QFile::encodeName(Path(QStringLiteral("xdg"))));
    QDir().mkpath(Path(QStringLiteral("xdg")));
    const QString Hist = Path(QStringLiteral("History"));
    for (const char* Name :
         {"hvon2018-05-03 14-07-09.html", "hvon2019-01-01 00-00-00.html",
          "HVON2020-12-31 23-59-59.HTML", "notes.html", "hvon2018-05-03 14-07.html"})
        MakeFile(QStringLiteral("History/") + QString::fromLatin1(Name));

    TFrmSetup Dlg(Settings, Browsers);
    QStringList Shown;
    Run(Dlg, [&] {
        OnNextModal([&](QWidget* W) {
            auto* Box = qobject_cast<QMessageBox*>(W);
            ASSERT_NE(Box, nullptr);
            Shown << Box->text();
            EXPECT_EQ(Box->icon(), QMessageBox::Information);
            Box->accept();
        });
        Button(Dlg, "clearHistoryButton")->click();
        EXPECT_TRUE(Dlg.isVisible());

        // Nothing left to clear: no message at all.
        bool SawModal = false;
        QTimer::singleShot(0, [&] {
            if (QApplication::activeModalWidget() != &Dlg) {
                SawModal = true;
                if (auto* D = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                    D->reject();
            }
        });
        Button(Dlg, "clearHistoryButton")->click();
        QApplication::processEvents();
        EXPECT_FALSE(SawModal);
        Button(Dlg, "cancelButton")->click();
    });

    EXPECT_EQ(Shown, QStringList{QStringLiteral("3 HTML File was deleted.")});
    QStringList Left = QDir(Hist).entryList(QDir::Files);
    Left.sort();
    EXPECT_EQ(Left, (QStringList{QStringLiteral("hvon2018-05-03 14-07.html"),
                                 QStringLiteral("notes.html")}));
}

} // namespace
