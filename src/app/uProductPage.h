#pragma once
// The maker's product page shown in the main window and the About dialog.

#include <QString>

inline QString ProductPageURL()
{
    return QStringLiteral("https://zorvel.example.org/");
}

// The same page in Japanese, used under a Japanese locale.
inline QString ProductPageURLJa()
{
    return QStringLiteral("https://zorvel.example.org/ja/");
}
