#pragma once
// The language of the windows. Every shown text is written in English in the code
// (tr()) and translated from translations/zorvel_<lang>.ts, compiled into the
// program. The windows speak Japanese under a Japanese locale and English otherwise;
// the choice is made again each time a window or dialog sets its texts, so that a
// window built under one locale and a dialog opened under another each follow theirs.

class QTranslator;

// True when the windows speak Japanese: the one place that asks the locale.
bool UseJapaneseTexts();

// Installs the program's Japanese translation when the locale asks for Japanese and
// removes it otherwise. Cheap when nothing changes; called before texts are set.
void ApplyLanguage();

// Loads Qt's own texts (file dialogs, message box buttons) for the windows'
// language into Translator: true under a Japanese locale when the "qtbase"
// translation is installed. The caller installs the translator.
bool LoadQtTranslation(QTranslator& Translator);
