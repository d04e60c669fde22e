#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class CliInvocation;

/// The exit statuses of calbrey.
namespace CliStatus {
constexpr int Ok = 0;
/// A missing profile or contact, a file that cannot be read or written, a query that found
/// nothing, a check the input failed.
constexpr int Failure = 1;
/// An unknown command, option or key; arguments missing or too many.
constexpr int Usage = 2;
} // namespace CliStatus

/// Ends a command: its message goes to standard error as one line, "calbrey: " first, and the
/// program ends with status. An empty message says nothing more (a message box already did).
class CliError
{
public:
    explicit CliError(QString message, int status = CliStatus::Failure)
        : m_message(std::move(message)), m_status(status)
    {}
    const QString &message() const { return m_message; }
    int status() const { return m_status; }

private:
    QString m_message;
    int m_status;
};

/// A usage error: the message, and where to read more.
CliError UsageError(const QString &message, const QString &command = QString());

struct CliOption
{
    /// The long name without "--", then any short one-letter names.
    QStringList names;
    /// Empty for a switch.
    QString valueName;
    QString description;
};

/// One command of calbrey: its name, its help and what it does.
struct CliCommand
{
    QString name;
    /// What follows the name in the usage line ("NAME [KEY=VALUE...]").
    QString synopsis;
    /// One line for the list of commands.
    QString summary;
    /// The help's paragraphs, each one line of text (wrapped when printed).
    QStringList description;
    QList<CliOption> options;
    qsizetype minArguments = 0;
    qsizetype maxArguments = -1; // -1: any number
    std::function<int(CliInvocation &)> run;
};

// The commands, by the file that implements them.
QList<CliCommand> ProfileAndListCommands();
QList<CliCommand> QueryCommands();
QList<CliCommand> EditCommands();
QList<CliCommand> TransferCommands();
QList<CliCommand> BackupCommands();
QList<CliCommand> TrashCommands();
QList<CliCommand> DuplicateCommands();
QList<CliCommand> SyncCommands();
