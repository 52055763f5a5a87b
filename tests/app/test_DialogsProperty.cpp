#include "test_DialogsUtil.h"

#include <app/uFrmProperty.h>
#include <model/uWebSiteTags.h>
#include <model/uWebSitesCommon.h>

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

TWebSite Entry(const QString& Title, const QString& URL, const QString& Category, TDateTime Date,
               bool Selected = true, bool Visible = true)
{
    TWebSite S;
    S.Title = Title;
    S.URL = URL;
    S.Comment = Title + QStringLiteral("\r\nsecond line");
    S.IconURL = URL + QStringLiteral("favicon.ico");
    S.Category = Category;
    S.AddDate = Date;
    S.Selected = Selected;
    S.Visible = Visible;
    return S;
}

TDateTime At(int Y, int M, int D, int h = 0, int m = 0)
{
    return TDateTime::FromDateTime(QDate(Y, M, D), QTime(h, m));
}

class PropertyDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureTestApplication();
        Env.SetLanguage("en_US.UTF-8");
    }

    void Fill(std::initializer_list<TWebSite> Sites)
    {
        List.Clear();
        for (const TWebSite& S : Sites)
            List.Append(S);
        Before = List;
    }

    template <class T>
    T* Child(const char* Name)
    {
        T* W = Dlg->findChild<T*>(QString::fromLatin1(Name));
        EXPECT_NE(W, nullptr) << Name;
        return W;
    }
    QLineEdit* Edit(int i)
    {
        static const char* const Names[] = {"titleEdit", "urlEdit", "categoryEdit", "iconUrlEdit"};
        return Child<QLineEdit>(Names[i - 1]);
    }
    QCheckBox* Box(const char* Name) { return Child<QCheckBox>(Name); }
    QDateEdit* Picker() { return Child<QDateEdit>("dateEdit"); }
    QPlainTextEdit* Memo() { return Child<QPlainTextEdit>("commentEdit"); }
    void Press(const char* Name) { Child<QPushButton>(Name)->click(); }
    QStringList Ticked()
    {
        QStringList T;
        for (const char* N : {"titleCheck", "urlCheck", "categoryCheck", "iconUrlCheck",
                              "dateCheck", "commentCheck"})
            if (Box(N)->isChecked())
                T << QString::fromLatin1(N);
        return T;
    }

    bool Run(const std::function<void()>& Act)
    {
        if (!Dlg)
            Dlg = std::make_unique<TFrmProperty>();
        return WhileOpen(*Dlg, Act, [&] { return Dlg->Execute(List); });
    }

    // An entry the dialog changed: as Expected, its last change the time of the edit.
    void ExpectEdited(const TWebSite& Got, TWebSite Expected)
    {
        EXPECT_GE(WebSiteModified(Got), Opened);
        WebSiteModifiedSet(Expected, WebSiteModified(Got));
        EXPECT_EQ(Got, Expected);
    }

    std::unique_ptr<TFrmProperty> Dlg;
    const TDateTime Opened = TDateTime::Now();
    TWebSiteList List, Before;
    TScopedEnv Env;
};

TEST_F(PropertyDialog, OneEntryOnlyTheChangedCommentIsWritten)
{
    Fill({Entry(u"Other"_s, u"http://other/"_s, u"X"_s, At(2020, 1, 1), false),
          Entry(u"Mine"_s, u"https://mine/"_s, u"Work\\Docs"_s, At(2021, 2, 3, 4, 5)),
          Entry(u"Hidden"_s, u"http://hidden/"_s, u"X"_s, At(2020, 1, 1), true, false)});
    const bool Ok = Run([&] {
        EXPECT_EQ(Edit(1)->text(), u"Mine"_s);
        EXPECT_EQ(Edit(2)->text(), u"https://mine/"_s);
        EXPECT_EQ(Edit(3)->text(), u"Work\\Docs"_s);
        EXPECT_EQ(Edit(4)->text(), u"https://mine/favicon.ico"_s);
        EXPECT_EQ(Picker()->date(), QDate(2021, 2, 3));
        EXPECT_EQ(Memo()->toPlainText(), u"Mine\nsecond line"_s);
        EXPECT_TRUE(Edit(1)->isEnabled());
        EXPECT_TRUE(Edit(2)->isEnabled());
        EXPECT_TRUE(Box("titleCheck")->isEnabled());
        EXPECT_TRUE(Ticked().isEmpty());
        Memo()->setPlainText(u"new\nthree\nlines"_s);
        EXPECT_EQ(Ticked(), QStringList{u"commentCheck"_s});
        Press("okButton");
    });
    EXPECT_TRUE(Ok);
    TWebSite Expected = Before[1];
    Expected.Comment = u"new\r\nthree\r\nlines"_s;
    ExpectEdited(List[1], Expected);
    EXPECT_EQ(List[0], Before[0]);
    EXPECT_EQ(List[2], Before[2]);
}

TEST_F(PropertyDialog, ThreeTitlesOneCategoryMoveToArchive)
{
    Fill({Entry(u"A"_s, u"http://a/"_s, u"News"_s, At(2020, 1, 1)),
          Entry(u"B"_s, u"http://b/"_s, u"News"_s, At(2020, 1, 1)),
          Entry(u"Hidden"_s, u"http://h/"_s, u"News"_s, At(2020, 1, 1), true, false),
          Entry(u"C"_s, u"http://c/"_s, u"News"_s, At(2020, 1, 1))});
    const bool Ok = Run([&] {
        EXPECT_EQ(Edit(1)->text(), u"(Various Values)"_s);
        EXPECT_FALSE(Edit(1)->isEnabled());
        EXPECT_FALSE(Box("titleCheck")->isEnabled());
        EXPECT_FALSE(Edit(2)->isEnabled());
        EXPECT_FALSE(Box("urlCheck")->isEnabled());
        EXPECT_EQ(Edit(3)->text(), u"News"_s);
        EXPECT_EQ(Picker()->date(), QDate(2020, 1, 1));
        Edit(3)->clear();
        QTest::keyClicks(Edit(3), u"Archive"_s);
        EXPECT_EQ(Ticked(), QStringList{u"categoryCheck"_s});
        Press("okButton");
    });
    EXPECT_TRUE(Ok);
    for (qsizetype i : {0, 1, 3}) {
        TWebSite Expected = Before[i];
        Expected.Category = u"Archive"_s;
        SCOPED_TRACE(i);
        ExpectEdited(List[i], Expected);
    }
    EXPECT_EQ(List[2], Before[2]); // hidden by the search, though still Selected
}

TEST_F(PropertyDialog, DifferentDatesShowVariousValuesAndOnlyARealPickIsApplied)
{
    struct Case
    {
        const char* Name;
        QDate Pick; // invalid: back to the differing dates
        bool Applied;
    };
    const Case Cases[] = {
        {"another date", QDate(2019, 7, 8), true},
        {"back to the differing dates", QDate(), false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Fill({Entry(u"A"_s, u"http://a/"_s, u""_s, At(2001, 1, 1, 10)),
              Entry(u"B"_s, u"http://b/"_s, u""_s, At(2002, 2, 2, 20))});
        const bool Ok = Run([&] {
            EXPECT_EQ(Picker()->text(), u"(Various Values)"_s);
            Picker()->setDate(QDate(1999, 1, 1));
            EXPECT_TRUE(Box("dateCheck")->isChecked());
            Picker()->setDate(C.Pick.isValid() ? C.Pick : Picker()->minimumDate());
            EXPECT_EQ(Box("dateCheck")->isChecked(), C.Applied);
            // Even ticked by hand, the placeholder date is never written.
            Box("dateCheck")->setChecked(true);
            Press("okButton");
        });
        EXPECT_TRUE(Ok);
        for (qsizetype i = 0; i < 2; ++i) {
            TWebSite Expected = Before[i];
            SCOPED_TRACE(i);
            if (C.Applied) {
                Expected.AddDate = TDateTime::FromDateTime(C.Pick, QTime(0, 0));
                ExpectEdited(List[i], Expected);
            } else
                EXPECT_EQ(List[i], Expected);
        }
    }
}

TEST_F(PropertyDialog, AStepFromDifferingDatesGoesToTodayAndOneEntryShowsItsOwnDate)
{
    Fill({Entry(u"A"_s, u"http://a/"_s, u""_s, At(2001, 1, 1, 10)),
          Entry(u"B"_s, u"http://b/"_s, u""_s, At(2002, 2, 2, 20))});
    EXPECT_TRUE(Run([&] {
                    Picker()->stepUp();
                    EXPECT_EQ(Picker()->date(), QDate::currentDate());
                    Press("cancelButton");
                })
                == false);
    // One entry, even one dated 1970-01-01, shows its date, not the text.
    Fill({Entry(u"A"_s, u"http://a/"_s, u""_s, UnixEpochDate)});
    Run([&] {
        EXPECT_EQ(Picker()->date(), QDate(1970, 1, 1));
        EXPECT_NE(Picker()->text(), u"(Various Values)"_s);
        Press("cancelButton");
    });
}

TEST_F(PropertyDialog, OneEntryKeepsItsTimeOfDayWhenTheDateChanges)
{
    Fill({Entry(u"A"_s, u"http://a/"_s, u""_s, At(2001, 1, 1, 13, 45))});
    Run([&] {
        Picker()->setDate(QDate(2005, 6, 7));
        EXPECT_EQ(Ticked(), QStringList{u"dateCheck"_s});
        Press("okButton");
    });
    EXPECT_EQ(List[0].AddDate, At(2005, 6, 7, 13, 45));
}

TEST_F(PropertyDialog, TickingTheMemoOnVariousValuesChangesNoComment)
{
    Fill({Entry(u"A"_s, u"http://a/"_s, u""_s, At(2001, 1, 1)),
          Entry(u"B"_s, u"http://b/"_s, u""_s, At(2001, 1, 1))});
    const bool Ok = Run([&] {
        EXPECT_EQ(Memo()->toPlainText(), u"(Various Values)"_s);
        Box("commentCheck")->click();
        Box("iconUrlCheck")->click();
        EXPECT_EQ(Ticked(), (QStringList{u"iconUrlCheck"_s, u"commentCheck"_s}));
        Press("okButton");
    });
    EXPECT_TRUE(Ok);
    for (qsizetype i = 0; i < 2; ++i)
        EXPECT_EQ(List[i], Before[i]);
}

TEST_F(PropertyDialog, RestoreBringsBackTheShownValuesAndUnticks)
{
    Fill({Entry(u"Mine"_s, u"https://mine/"_s, u"Cat"_s, At(2021, 2, 3))});
    Run([&] {
        QTest::keyClicks(Edit(1), u" more"_s);
        Edit(2)->setText(u"https://else/"_s);
        Edit(3)->setText(u"Other"_s);
        Box("iconUrlCheck")->click(); // by hand, the field itself unchanged
        Picker()->setDate(QDate(2000, 1, 1));
        Memo()->setPlainText(u"changed"_s);
        EXPECT_EQ(Ticked().size(), 6);
        // Changing a field back to its shown value unticks it again.
        Edit(3)->setText(u"Cat"_s);
        EXPECT_FALSE(Box("categoryCheck")->isChecked());
        Press("restoreButton");
        EXPECT_TRUE(Ticked().isEmpty());
        EXPECT_EQ(Edit(1)->text(), u"Mine"_s);
        EXPECT_EQ(Edit(2)->text(), u"https://mine/"_s);
        EXPECT_EQ(Edit(4)->text(), u"https://mine/favicon.ico"_s);
        EXPECT_EQ(Picker()->date(), QDate(2021, 2, 3));
        EXPECT_EQ(Memo()->toPlainText(), u"Mine\nsecond line"_s);
        Box("iconUrlCheck")->click();
        Press("cancelButton");
    });
    // The next opening starts without ticks too.
    Run([&] {
        EXPECT_TRUE(Ticked().isEmpty());
        Press("okButton");
    });
    EXPECT_EQ(List[0], Before[0]);
}

TEST_F(PropertyDialog, OkWithoutTicksReturnsTrueCancelAndCloseReturnFalse)
{
    struct Case
    {
        const char* Name;
        std::function<void(TFrmProperty&)> Close;
        bool Result;
    };
    const Case Cases[] = {
        {"OK", [](TFrmProperty& D) { D.findChild<QPushButton*>(u"okButton"_s)->click(); }, true},
        {"Cancel", [](TFrmProperty& D) { D.findChild<QPushButton*>(u"cancelButton"_s)->click(); },
         false},
        {"close box", [](TFrmProperty& D) { D.close(); }, false},
        {"Escape", [](TFrmProperty& D) { QTest::keyClick(&D, Qt::Key_Escape); }, false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Fill({Entry(u"A"_s, u"http://a/"_s, u"X"_s, At(2001, 1, 1)),
              Entry(u"B"_s, u"http://b/"_s, u"Y"_s, At(2001, 1, 1))});
        const bool Ok = Run([&] {
            if (!C.Result) {
                Edit(3)->setText(u"Z"_s);
                Memo()->setPlainText(u"z"_s);
            } else {
                // Typed and then untick by hand: not written.
                Edit(3)->setText(u"Z"_s);
                Box("categoryCheck")->click();
            }
            C.Close(*Dlg);
        });
        EXPECT_EQ(Ok, C.Result);
        for (qsizetype i = 0; i < 2; ++i)
            EXPECT_EQ(List[i], Before[i]);
    }
}

TEST_F(PropertyDialog, EditedURLReachesTheListIndex)
{
    Fill({Entry(u"A"_s, u"http://a/"_s, u""_s, At(2001, 1, 1), false),
          Entry(u"B"_s, u"http://b/"_s, u""_s, At(2001, 1, 1))});
    Run([&] {
        Edit(2)->setText(u"http://a/"_s); // not validated: may equal another entry's URL
        Press("okButton");
    });
    EXPECT_EQ(List[1].URL, u"http://a/"_s);
    EXPECT_EQ(WebSitesIndexOfURL(List, u"http://a/"_s), 0);
    EXPECT_EQ(WebSitesIndexOfURL(List, u"http://b/"_s), -1);
}

TEST_F(PropertyDialog, NoQualifyingEntryShowsTheEmptyMarkerAndChangesNothing)
{
    Fill({Entry(u"A"_s, u"http://a/"_s, u""_s, At(2001, 1, 1), false),
          Entry(u"B"_s, u"http://b/"_s, u""_s, At(2001, 1, 1), true, false)});
    const bool Ok = Run([&] {
        for (int i = 1; i <= 4; ++i)
            EXPECT_EQ(Edit(i)->text(), u"@~null"_s) << i;
        EXPECT_EQ(Memo()->toPlainText(), u"@~null"_s);
        EXPECT_EQ(Picker()->date(), QDate(1965, 1, 1));
        EXPECT_FALSE(Edit(1)->isEnabled());
        Edit(3)->setText(u"Z"_s);
        Press("okButton");
    });
    EXPECT_TRUE(Ok);
    for (qsizetype i = 0; i < 2; ++i)
        EXPECT_EQ(List[i], Before[i]);
}

TEST_F(PropertyDialog, LongFieldsAreShownWhole)
{
    TWebSite S = Entry(u"A"_s, u"http://a/"_s, u""_s, At(2001, 1, 1));
    S.IconURL = u"http://a/icon?"_s + QString(40000, u'x');
    Fill({S});
    Run([&] {
        EXPECT_EQ(Edit(4)->text(), S.IconURL);
        QTest::keyClick(Edit(4), Qt::Key_End);
        QTest::keyClicks(Edit(4), u"y"_s);
        Press("okButton");
    });
    EXPECT_EQ(List[0].IconURL, S.IconURL + u"y"_s);
}

TEST_F(PropertyDialog, JapaneseCaptionsAndPlaceholder)
{
    Env.SetLanguage("ja_JP.UTF-8");
    Fill({Entry(u"A"_s, u"http://a/"_s, u""_s, At(2001, 1, 1)),
          Entry(u"B"_s, u"http://b/"_s, u""_s, At(2001, 1, 1))});
    Dlg = std::make_unique<TFrmProperty>();
    EXPECT_EQ(Dlg->windowTitle(), u"プロパティ"_s);
    EXPECT_EQ(Box("titleCheck")->text(), u"タイトル:"_s);
    EXPECT_EQ(Box("iconUrlCheck")->text(), u"アイコン:"_s);
    EXPECT_EQ(Child<QPushButton>("okButton")->text(), u"更新"_s);
    EXPECT_EQ(Child<QPushButton>("cancelButton")->text(), u"キャンセル"_s);
    Run([&] {
        EXPECT_EQ(Edit(1)->text(), u"(様々な値)"_s);
        Box("commentCheck")->click();
        Press("okButton");
    });
    for (qsizetype i = 0; i < 2; ++i)
        EXPECT_EQ(List[i], Before[i]);
}

} // namespace

TEST_F(PropertyDialog, AnEditedAddressThatIsNotAWebAddressIsWarnedAboutNotForbidden)
{
    Fill({Entry(u"Mine"_s, u"https://mine/"_s, u"X"_s, At(2021, 2, 3))});
    Dlg = std::make_unique<TFrmProperty>();
    QStringList Asked;
    bool Keep = false;
    Dlg->KeepNonWebAddressFn = [&](const QString& URL) {
        Asked << URL;
        return Keep;
    };
    // "Edit it": the dialog stays open; "Keep it": the address is written as typed.
    bool StillOpen = false;
    const bool Ok = Run([&] {
        Edit(2)->setText(u"file:///etc/passwd"_s);
        Press("okButton");
        StillOpen = Dlg->isVisible();
        Keep = true;
        Press("okButton");
    });
    EXPECT_TRUE(StillOpen);
    EXPECT_TRUE(Ok);
    EXPECT_EQ(Asked, (QStringList{u"file:///etc/passwd"_s, u"file:///etc/passwd"_s}));
    EXPECT_EQ(List[0].URL, u"file:///etc/passwd"_s);

    // An unchanged address and a web address ask nothing.
    Asked.clear();
    EXPECT_TRUE(Run([&] { Press("okButton"); }));
    EXPECT_TRUE(Run([&] {
        Edit(2)->setText(u"https://example.org/page"_s);
        Press("okButton");
    }));
    EXPECT_TRUE(Asked.isEmpty());
}

// Tags and keywords: one entry's are set as written; for several entries the
// dialog shows the tags they share and adds and removes only what was changed.
TEST_F(PropertyDialog, OneEntrysTagsAndKeywordAreSetAsWritten)
{
    TWebSite Mine = Entry(u"Mine"_s, u"https://mine/"_s, u""_s, At(2021, 2, 3));
    WebSiteTagsSet(Mine, {u"old"_s, u"keep"_s});
    WebSiteKeywordSet(Mine, u"mk"_s);
    WebSiteModifiedSet(Mine, At(2022, 3, 4, 5, 6));
    Fill({Mine});
    const bool Ok = Run([&] {
        QLineEdit* Tags = Child<QLineEdit>("tagsEdit");
        QLineEdit* Keyword = Child<QLineEdit>("keywordEdit");
        EXPECT_EQ(Tags->text(), u"old, keep"_s);
        EXPECT_EQ(Keyword->text(), u"mk"_s);
        EXPECT_TRUE(Keyword->isEnabled());
        EXPECT_TRUE(Child<QLabel>("modifiedLabel")->text().contains(u"2022"_s));
        Tags->setText(u"keep, new one,Keep"_s);
        Keyword->setText(u"m2"_s);
        EXPECT_TRUE(Box("tagsCheck")->isChecked());
        EXPECT_TRUE(Box("keywordCheck")->isChecked());
        Press("okButton");
    });
    EXPECT_TRUE(Ok);
    EXPECT_EQ(WebSiteTags(List[0]), (QStringList{u"keep"_s, u"new one"_s}));
    EXPECT_EQ(WebSiteKeyword(List[0]), u"m2"_s);
    // The edit is the entry's last change now (a browser reads it from the export).
    EXPECT_GE(WebSiteModified(List[0]), Opened);
}

TEST_F(PropertyDialog, AnyEditSetsTheLastChangeOfTheEntriesItChangedOnly)
{
    struct TCase
    {
        const char* What;
        std::function<void()> Edit;
        bool Changes;
    };
    const TCase Cases[] = {
        {"title", [this] { Edit(1)->setText(u"New"_s); }, true},
        {"category", [this] { Edit(3)->setText(u"Work"_s); }, true},
        {"comment", [this] { Memo()->setPlainText(u"note"_s); }, true},
        {"keyword", [this] { Child<QLineEdit>("keywordEdit")->setText(u"k"_s); }, true},
        {"nothing", [this] { Box("commentCheck")->click(); }, false},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.What);
        Fill({Entry(u"Mine"_s, u"https://mine/"_s, u""_s, At(2021, 2, 3))});
        Dlg.reset();
        EXPECT_TRUE(Run([&] {
            C.Edit();
            Press("okButton");
        }));
        if (C.Changes)
            EXPECT_GE(WebSiteModified(List[0]), Opened);
        else
            EXPECT_EQ(WebSiteModified(List[0]), TDateTime());
    }
}

TEST_F(PropertyDialog, SeveralEntriesShowEveryTagMarkedWhenOnlySomeCarryIt)
{
    TWebSite A = Entry(u"A"_s, u"http://a/"_s, u""_s, At(2020, 1, 1));
    TWebSite B = Entry(u"B"_s, u"http://b/"_s, u""_s, At(2020, 1, 1));
    TWebSite C = Entry(u"C"_s, u"http://c/"_s, u""_s, At(2020, 1, 1));
    WebSiteTagsSet(A, {u"shared"_s, u"a-only"_s, u"drop"_s, u"spread"_s});
    WebSiteTagsSet(B, {u"b-only"_s, u"drop"_s, u"Shared"_s});
    WebSiteTagsSet(C, {u"shared"_s, u"b-only"_s});
    WebSiteKeywordSet(B, u"bk"_s);
    Fill({A, B, C});
    const bool Ok = Run([&] {
        QLineEdit* Tags = Child<QLineEdit>("tagsEdit");
        EXPECT_EQ(Tags->text(), u"shared, a-only (some), drop (some), spread (some), "
                                u"b-only (some)"_s);
        EXPECT_TRUE(Tags->toolTip().contains(u"(some)"_s));
        EXPECT_FALSE(Child<QLineEdit>("keywordEdit")->isEnabled());
        EXPECT_FALSE(Box("tagsCheck")->isChecked());
        // Removed from all: "shared" (all had it) and "drop" (some had it); given to
        // all: "spread" (mark deleted) and the new "added"; left alone: the others.
        Tags->setText(u"a-only (some), spread, b-only (some), added"_s);
        EXPECT_EQ(Ticked(), QStringList{});
        EXPECT_TRUE(Box("tagsCheck")->isChecked());
        Press("okButton");
    });
    EXPECT_TRUE(Ok);
    EXPECT_EQ(WebSiteTags(List[0]), (QStringList{u"a-only"_s, u"spread"_s, u"added"_s}));
    EXPECT_EQ(WebSiteTags(List[1]), (QStringList{u"b-only"_s, u"spread"_s, u"added"_s}));
    EXPECT_EQ(WebSiteTags(List[2]), (QStringList{u"b-only"_s, u"spread"_s, u"added"_s}));
    EXPECT_EQ(WebSiteKeyword(List[1]), u"bk"_s);
    for (qsizetype i = 0; i < 3; ++i)
        EXPECT_GE(WebSiteModified(List[i]), Opened);

    // Shown as it is, nothing is ticked and nothing changes.
    Before = List;
    EXPECT_TRUE(Run([&] {
        EXPECT_FALSE(Box("tagsCheck")->isChecked());
        Press("okButton");
    }));
    for (qsizetype i = 0; i < 3; ++i)
        EXPECT_EQ(List[i], Before[i]);
}
