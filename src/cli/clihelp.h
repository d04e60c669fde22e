#pragma once

#include <QList>
#include <QString>

struct CliCommand;
struct CliOption;

/// The options every command takes.
const QList<CliOption> &GlobalOptions();

/// The help of calbrey: how to call it, its commands, its global options.
QString ProgramHelp(const QList<CliCommand> &commands);
/// The help of one command: its usage line, what it does, its options.
QString CommandHelp(const CliCommand &command);
