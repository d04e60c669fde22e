#pragma once

#include <QStringList>

/// calbrey with these arguments (the program's name first): what it prints, and its exit
/// status (see CliStatus).
int RunCli(const QStringList &arguments);
