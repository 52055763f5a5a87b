// The program's translation: built in, installed and removed as the locale says,
// and one entry per context where the same English text has two Japanese forms.
#include <app/uTranslations.h>

#include <support/uScopedEnv.h>
#include <support/uTestApplication.h>

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

struct TCase
{
    const char* Context;
    const char* Source;
    const char* Disambiguation;
    const char16_t* Japanese;
};

// Texts that differ only by their context or disambiguation, a text kept in a
// table (the browsers) and one the Japanese form leaves in English.
const TCase Cases[] = {
    {"TFrmMain", "Search", nullptr, u"検索"},
    {"TFrmMain", "Search", "button caption", u"Search"},
    {"TFrmMain", "About", nullptr, u"このアプリケーションについて"},
    {"TFrmMain", "About", "tile caption", u"..について"},
    {"TFrmMain", "Save", nullptr, u"保存"},
    {"TFrmMain", "Save", "shortcut file dialog", u"Save"},
    {"TFrmAbout", "About", nullptr, u"このアプリケーションについて"},
    {"TFrmProperty", "OK", nullptr, u"更新"},
    {"TFrmSetup", "OK", nullptr, u"OK"},
    {"TBrowserCommand", "Open by &Firefox", nullptr, u"(&F)Firefoxで開く"},
    {"TDuplicateGroupsModel", "%1 entries", nullptr, u"%1件"},
};

QString Translate(const TCase& C)
{
    return QCoreApplication::translate(C.Context, C.Source, C.Disambiguation);
}

} // namespace

TEST(Translations, FollowTheLocaleEachTimeTheLanguageIsApplied)
{
    EnsureTestApplication();
    TScopedEnv Env;
    for (const char* Lang : {"ja_JP.UTF-8", "en_US.UTF-8", "ja_JP.UTF-8", "C"}) {
        Env.SetLanguage(Lang);
        ApplyLanguage();
        const bool Japanese = QByteArray(Lang).startsWith("ja");
        for (const TCase& C : Cases)
            EXPECT_EQ(Translate(C),
                      Japanese ? QString::fromUtf16(C.Japanese) : QString::fromUtf8(C.Source))
                << Lang << " " << C.Context << " " << C.Source;
    }
}
