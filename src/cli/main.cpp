// zorvel-cli: the bookmark and image libraries for scripts and batch jobs.
// Argument handling and output formatting only; the work is the libraries'.

#include "uCliCommands.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zorvel-cli"));
    return RunCli(QCoreApplication::arguments());
}
