#include "cli/cli.h"

#include "app/untcommon.h"
#include "cli/clicommand.h"
#include "cli/clihelp.h"
#include "cli/cliinvocation.h"
#include "cli/climessages.h"
#include "cli/clioutput.h"
#include "cli/cliprofile.h"
#include "platform/calbreyerror.h"
#include "platform/mappedfile.h"
#include "profiles/untprofiles.h"

#include <QHash>
#include <optional>

namespace {

const QList<CliCommand> &allCommands()
{
    static const QList<CliCommand> commands = [] {
        QList<CliCommand> list = ProfileAndListCommands();
        list += QueryCommands();
        list += EditCommands();
        list += TransferCommands();
        list += BackupCommands();
        list += TrashCommands();
        list += DuplicateCommands();
        list += SyncCommands();
        list.append({QStringLiteral("help"),
                     QStringLiteral("[COMMAND]"),
                     QStringLiteral("Show the help of calbrey or of one command."),
                     {},
                     {},
                     0,
                     1,
                     {}});
        return list;
    }();
    return commands;
}

const CliCommand *findCommand(const QString &name)
{
    for (const CliCommand &command : allCommands()) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

const CliOption *findOption(const QList<CliOption> &options, QStringView name)
{
    for (const CliOption &option : options) {
        if (option.names.contains(name))
            return &option;
    }
    return nullptr;
}

/// The command line taken apart: the command, its arguments and every option with its values,
/// by long name. Options may stand before or after the command; "--" ends them.
struct ParsedLine
{
    QString command;
    QStringList arguments;
    QHash<QString, QStringList> options;
};

ParsedLine parse(const QStringList &line)
{
    ParsedLine parsed;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < line.size(); ++i) {
        const QString &word = line[i];
        const bool option = !optionsEnded && word.size() > 1 && word.startsWith(QLatin1Char('-'));
        if (!option) {
            if (parsed.command.isEmpty() && !optionsEnded)
                parsed.command = word;
            else
                parsed.arguments.append(word);
            continue;
        }
        if (word == QLatin1String("--")) {
            optionsEnded = true;
            if (parsed.command.isEmpty() && i + 1 < line.size())
                parsed.command = line[++i];
            continue;
        }
        const bool longForm = word.startsWith(QLatin1String("--"));
        QString name = word.mid(longForm ? 2 : 1);
        std::optional<QString> attached;
        if (const qsizetype equals = name.indexOf(QLatin1Char('=')); longForm && equals >= 0) {
            attached = name.mid(equals + 1);
            name.truncate(equals);
        } else if (!longForm && name.size() > 1) {
            attached = name.mid(1); // -oFILE
            name.truncate(1);
        }
        if (name == QLatin1String("version") && parsed.command.isEmpty() && !attached) {
            parsed.options[name].append(QString());
            continue;
        }
        const CliCommand *command = findCommand(parsed.command);
        const CliOption *known = findOption(GlobalOptions(), name);
        if (!known && command)
            known = findOption(command->options, name);
        if (!known) {
            throw UsageError(QStringLiteral("unknown option \"") + word + QLatin1Char('"'),
                             parsed.command);
        }
        QString value;
        if (!known->valueName.isEmpty()) {
            if (attached) {
                value = *attached;
            } else if (i + 1 < line.size()) {
                value = line[++i];
            } else {
                throw UsageError(QStringLiteral("the option ") + word +
                                     QStringLiteral(" needs a value (") + known->valueName +
                                     QLatin1Char(')'),
                                 parsed.command);
            }
        } else if (attached) {
            throw UsageError(QStringLiteral("the option --") + name +
                                 QStringLiteral(" takes no value"),
                             parsed.command);
        }
        parsed.options[known->names.first()].append(value);
    }
    return parsed;
}

int showHelp(CliOutput &out, const QString &commandName)
{
    if (commandName.isEmpty()) {
        out.write(ProgramHelp(allCommands()).toUtf8());
        return CliStatus::Ok;
    }
    const CliCommand *command = findCommand(commandName);
    if (!command)
        throw UsageError(QStringLiteral("unknown command \"") + commandName + QLatin1Char('"'));
    out.write(CommandHelp(*command).toUtf8());
    return CliStatus::Ok;
}

int run(const QStringList &line, CliOutput &out)
{
    const ParsedLine parsed = parse(line);
    if (parsed.options.contains(QStringLiteral("version")) && parsed.command.isEmpty()) {
        out.line(QStringLiteral("calbrey (Quenlark Calbrey) ") + QStringLiteral(CALBREY_VERSION));
        return CliStatus::Ok;
    }
    if (parsed.command == QLatin1String("help"))
        return showHelp(out, parsed.arguments.value(0));
    if (parsed.options.contains(QStringLiteral("help")))
        return showHelp(out, parsed.command);
    if (parsed.command.isEmpty())
        throw UsageError(QStringLiteral("no command given"));
    const CliCommand *command = findCommand(parsed.command);
    if (!command)
        throw UsageError(QStringLiteral("unknown command \"") + parsed.command + QLatin1Char('"'));

    const qsizetype count = parsed.arguments.size();
    if (count < command->minArguments)
        throw UsageError(QStringLiteral("too few arguments"), command->name);
    if (command->maxArguments >= 0 && count > command->maxArguments)
        throw UsageError(QStringLiteral("too many arguments"), command->name);

    // A later option overrides an earlier one.
    const auto last = [&parsed](const QString &option) {
        const QStringList values = parsed.options.value(option);
        return values.isEmpty() ? QString() : values.last();
    };
    const QString folder = last(QStringLiteral("program-folder"));
    if (!folder.isEmpty()) {
        if (!PathExists(folder + QStringLiteral("/Profiles")))
            throw CliError(QStringLiteral("there is no Profiles folder in ") + folder);
        SetProgramFolder(folder);
    }
    CliProfile profile(last(QStringLiteral("profile")));
    if (parsed.options.contains(QStringLiteral("profile")) && !IsSafeProfileName(profile.name()))
        throw CliError(QStringLiteral("\"") + profile.name() +
                       QStringLiteral("\" cannot be the name of a profile"));
    CliInvocation invocation(*command, parsed.arguments, parsed.options, profile, out);
    const int status = command->run(invocation);
    out.flush();
    return status;
}

} // namespace

CliError UsageError(const QString &message, const QString &command)
{
    const QString help = command.isEmpty()
                             ? QStringLiteral("calbrey --help")
                             : QStringLiteral("calbrey ") + command + QStringLiteral(" --help");
    return CliError(message + QStringLiteral(" (") + help + QStringLiteral(" tells more)"),
                    CliStatus::Usage);
}

QString CliInvocation::choice(const QString &option, const QStringList &choices,
                              const QString &defaultValue) const
{
    QString chosen = value(option, defaultValue);
    if (!choices.contains(chosen))
        throw UsageError(QStringLiteral("--") + option + QStringLiteral(" must be one of ") +
                             choices.join(QStringLiteral(", ")),
                         m_command.name);
    return chosen;
}

void CliInvocation::onlyReads()
{
    AllowMappedReads("calbrey: the profile was changed by another program while it was read; "
                     "run the command again\n",
                     CliStatus::Failure);
}

TProfile &CliInvocation::profile()
{
    return m_profile.open(false);
}

TProfile &CliInvocation::profileToFill()
{
    return m_profile.open(true);
}

QString CliInvocation::existingContact(const QString &name)
{
    if (!profile().ContactExists(name))
        throw CliError(QStringLiteral("there is no contact named \"") + name +
                       QStringLiteral("\""));
    return name;
}

int RunCli(const QStringList &arguments)
{
    InstallCliMessageHandler();
    CliOutput out;
    try {
        return run(arguments, out);
    } catch (const CliError &error) {
        try {
            out.flush(); // what the command printed before it failed
        } catch (const CliError &) {
        }
        if (!error.message().isEmpty())
            PrintError(error.message());
        return error.status();
    } catch (const CalbreyError &error) {
        PrintError(error.message());
        return CliStatus::Failure;
    }
}
