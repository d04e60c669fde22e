// calbrey: the address book from the command line. No window and no display: the logic layer
// only.
#include "cli/cli.h"
#include "platform/filechangewatch.h"

#include <QCoreApplication>
#include <csignal>

int main(int argc, char *argv[])
{
#ifdef SIGPIPE
    // A reader that goes away (a pager, `head`) is seen as a failed write, not a killed
    // program.
    std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef SIGXFSZ
    // So is a file that may grow no more: the write fails, is told, and the old file stays.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    FileChangeWatch::WatchNoFiles(); // a command ends before watches would pay for themselves
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("calbrey"));
    return RunCli(QCoreApplication::arguments());
}
