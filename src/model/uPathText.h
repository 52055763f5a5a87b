#pragma once
// Small path-text helpers shared by the shortcut files and the folder import/export.

#include <QString>

namespace zorvel::model {

inline bool IsPathSeparator(QChar c)
{
#ifdef Q_OS_WIN
    return c == u'/' || c == u'\\';
#else
    return c == u'/';
#endif
}

// Index where the last path component starts.
inline qsizetype FileNameStart(const QString& Path)
{
    qsizetype i = Path.size();
    while (i > 0 && !IsPathSeparator(Path[i - 1]))
        --i;
    return i;
}

// Index of the last "." of the last path component, or -1 when it has none.
inline qsizetype ExtensionDot(const QString& Path)
{
    const qsizetype dot = Path.lastIndexOf(u'.');
    return dot >= FileNameStart(Path) ? dot : -1;
}

} // namespace zorvel::model
