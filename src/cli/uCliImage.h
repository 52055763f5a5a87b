#pragma once
// The image command of zorvel-cli: load, resize, flip, save.

#include <QString>

#include <optional>

struct TImageOptions
{
    bool Resize = false;
    int Width = 0;
    int Height = 0;
    bool FilterGiven = false;
    QString FilterName = QStringLiteral("lanczos3");
    char Flip = 0; // 'h', 'v' or 0
    std::optional<int> Quality;
    std::optional<int> Level;
};

// Runs the conversion; returns the one-line summary. Raises EUsage for an unknown
// filter name, EFileError when a file cannot be read, decoded or written, or its
// extension is not an image type.
QString RunImage(const QString& In, const QString& Out, const TImageOptions& Options);
