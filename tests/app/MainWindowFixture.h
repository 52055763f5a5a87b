#pragma once
// A main window over a temporary data folder, with every outside service (file
// dialogs, message boxes, shell, browsers, dialogs) answered by the test.

#include <app/uAppErrors.h>
#include <app/uBookmarkListView.h>
#include <app/uFrmMain.h>
#include <app/uWebSiteTableModel.h>
#include <model/uBookmarkHtml.h>
#include <settings/uSetupData.h>

#include <gtest/gtest.h>

#include <platform/uOsServices.h>
#include <support/uScopedEnv.h>
#include <support/uTestApplication.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <memory>

inline TWebSite MakeSite(const QString& Title, const QString& URL, const QString& Category = {},
                         const QString& Comment = {})
{
    TWebSite S;
    S.Title = Title;
    S.URL = URL;
    S.Category = Category;
    S.Comment = Comment;
    S.Visible = true;
    return S;
}

inline void WriteText(const QString& Path, const QByteArray& Bytes)
{
    QDir().mkpath(QFileInfo(Path).absolutePath());
    QFile F(Path);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write(Bytes);
}

inline void WriteUrlFile(const QString& Path, const QString& URL)
{
    WriteText(Path, "[InternetShortcut]\r\nURL=" + URL.toUtf8() + "\r\n");
}

// A browser export with Count links in nested folders, with comments, repeated
// addresses (merged on reading) and titles out of order, so that a list read
// differently would differ somewhere.
inline QByteArray LargeBookmarkFile(int Count)
{
    QByteArray Text = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
                      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
                      "<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n<DL><p>\r\n";
    for (int i = 0; i < Count; ++i) {
        if (i % 500 == 0) {
            if (i > 0)
                Text += "    </DL><p>\r\n";
            Text += "    <DT><H3>Folder " + QByteArray::number(i / 500)
                    + " &amp; more</H3>\r\n    <DL><p>\r\n";
        }
        const int Site = i % 7 == 6 ? i - 3 : i; // every seventh repeats an earlier address
        Text += "        <DT><A HREF=\"https://site" + QByteArray::number(Site)
                + ".example/page?q=" + QByteArray::number(Site % 13) + "\" ADD_DATE=\""
                + QByteArray::number(1500000000 + i) + "\">Title "
                + QByteArray::number((i * 7919) % Count) + " \xC3\xA9t\xC3\xA9</A>\r\n";
        if (i % 5 == 0)
            Text += "        <DD>Note " + QByteArray::number(i) + "\r\n";
    }
    return Text + "    </DL><p>\r\n</DL><p>\r\n";
}

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureTestApplication();
        // The language follows the environment at every call: English unless a test says otherwise.
        Env.SetLanguage("en_US.UTF-8");
        ASSERT_TRUE(Tmp.isValid());
        SetDataDirOverride(Tmp.path());
        SetupDataDefault(Settings);
        Settings.BaseBookmarkName = Path(QStringLiteral("zorvel.html"));
        Settings.isOpenBaseBookmark = true;
        Settings.isSaveHistory = false;
        Browsers = {};
        SavedDisplay = AppErrorDisplay();
        AppErrorDisplay() = [this](QWidget*, const QString& Text) { Errors << Text; };
    }

    void TearDown() override
    {
        Form.reset();
        AppErrorDisplay() = SavedDisplay;
        SetDataDirOverride(QString());
    }

    QString Path(const QString& Name) const { return QDir(Tmp.path()).filePath(Name); }

    // Creates the window (with a base bookmark file holding Sites when given), runs LoadAtStart
    // and waits for the base file's read.
    void Start(const std::vector<TWebSite>& Sites = {})
    {
        if (!Sites.empty()) {
            TWebSiteList L;
            for (const TWebSite& S : Sites)
                L.Append(S);
            WebSitesSaveToHtml(L, Settings.BaseBookmarkName);
        }
        Form = std::make_unique<TFrmMain>(Settings, Browsers);
        Form->resize(761, 331);
        Form->FileDialogFn = [this](const TFileDialogRequest& R) {
            Requests.push_back(R);
            return DialogAnswer;
        };
        Form->ConfirmFn = [this](const QString& Caption, const QString&, const QString&) {
            Confirmations << Caption;
            return ConfirmAnswer;
        };
        Form->ShellOpenFn = [this](const QString& Target) { Opened << Target; };
        Form->StartProgramFn = [this](const QString& Program, const QString& Arg) {
            Started << (Program + u'|' + Arg);
        };
        Form->LoadAtStart();
        // The base file is read on a thread of its own; these tests look at the list it gives.
        Form->WaitForBaseFileRead();
    }

    // Runs the event loop until the adds being read in the background are in the list
    // (or a minute has passed).
    void WaitForAdds()
    {
        QElapsedTimer Clock;
        Clock.start();
        while (Form->IsAdding() && Clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_FALSE(Form->IsAdding());
    }

    int Rows() const { return Form->Model()->rowCount(); }
    QString Cell(int Row, int Column) const
    {
        return Form->Model()->index(Row, Column).data().toString();
    }
    QStringList Titles() const
    {
        QStringList T;
        for (int r = 0; r < Rows(); ++r)
            T << Cell(r, 0);
        return T;
    }

    TScopedEnv Env;
    QTemporaryDir Tmp;
    TSetupData Settings;
    TBrowserAvailability Browsers;
    std::unique_ptr<TFrmMain> Form;
    QStringList Errors, Confirmations, Opened, Started;
    std::vector<TFileDialogRequest> Requests;
    QStringList DialogAnswer;
    bool ConfirmAnswer = false;
    TAppErrorDisplay SavedDisplay;
};
