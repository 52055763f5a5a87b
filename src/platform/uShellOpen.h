#pragma once
// Platform services that need QtGui (kept out of the QtCore-only core library).

#include <QString>

// Opens a URL in the default browser or a local file in its associated program.
// A text with a URL scheme is passed on as given; anything else is taken as a
// local path. Failures (no association, bad URL) are silent.
void ShellOpen(const QString& Target);
