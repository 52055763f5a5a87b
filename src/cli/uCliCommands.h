#pragma once
// The commands of zorvel-cli. Exit status: 0 success, 1 a file could not be read or
// written (or an image not decoded), 2 a usage error.

#include <QStringList>

int RunCli(const QStringList& Arguments);
