#include <app/uTranslations.h>

#include <platform/uOsServices.h>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool UseJapaneseTexts()
{
    return IsJapaneseLocale();
}

void ApplyLanguage()
{
    // Built into the program by CMake (qt_add_translations) under :/i18n.
    static QTranslator Japanese;
    static bool Loaded = Japanese.load(QStringLiteral(":/i18n/zorvel_ja.qm"));
    static bool Installed = false;
    const bool Want = Loaded && UseJapaneseTexts();
    if (Want == Installed)
        return;
    if (Want)
        QCoreApplication::installTranslator(&Japanese);
    else
        QCoreApplication::removeTranslator(&Japanese);
    Installed = Want;
}

bool LoadQtTranslation(QTranslator& Translator)
{
    return UseJapaneseTexts()
           && Translator.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                              QStringLiteral("_"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}
