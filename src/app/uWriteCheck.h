#pragma once
// Whether a file can be written now, asked before the window closes, so that the
// user learns of a read-only data folder while the list is still there to save.

#include <QList>
#include <QString>

struct TWriteProblem
{
    QString FileName;
    QString Reason; // "Cannot create file (Permission denied)"
};

// Why FileName could not be created or replaced now (the folder missing and not
// creatable, the folder read-only, the file read-only or a folder); "" when it can.
// Creates nothing that stays.
QString WhyNotWritable(const QString& FileName);
