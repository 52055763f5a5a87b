#pragma once
// The dialogs' font: Tahoma where it is installed, else a face of similar width,
// else the system's sans-serif, always at the forms' pixel height.

#include <QApplication>
#include <QFont>
#include <QStringList>

inline QFont DialogFont(int PixelSize, const QStringList& Preferred = {QStringLiteral("Tahoma")})
{
    QFont Font = QApplication::font();
    QStringList Families = Preferred;
    // Faces close to Tahoma's width keep the captions inside the fixed layouts.
    Families << QStringLiteral("Arial") << QStringLiteral("Liberation Sans")
             << QStringLiteral("Nimbus Sans") << Font.family();
    Font.setFamilies(Families);
    Font.setPixelSize(PixelSize);
    return Font;
}
