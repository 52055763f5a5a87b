#pragma once
// The commands of zorvel-cli. Exit status: 0 success, 1 a file could not be read or
// written (or an image not decoded), 2 a usage error.
//
// The table of commands (name, options, check, Run function) and the help are in
// uCliCommands.cpp; each Run function is in a file of its command or family
// (uCliCommand_list.cpp, uCliCommand_duplicates.cpp, uCliCommand_write.cpp,
// uCliCommand_links.cpp, uCliCommand_browsers.cpp, uCliCommand_send.cpp, uCliImage.cpp). A new
// command is one row there plus its Run function, declared here.

#include "uCliArguments.h"

#include <QStringList>

int RunCli(const QStringList& Arguments);

// The Run function of each command: what it does with the options read; returns
// the exit status, raises EUsage or EFileError.
int RunList(const TOptions& Options);
int RunDuplicates(const TOptions& Options);
int RunMerge(const TOptions& Options);
int RunFetchIcons(const TOptions& Options);
int RunCheckLinks(const TOptions& Options);
int RunExportFolder(const TOptions& Options);
int RunBrowsers(const TOptions& Options);
int RunSendToBrowser(const TOptions& Options);
int RunRestoreBrowser(const TOptions& Options);
int RunImageCommand(const TOptions& Options);
