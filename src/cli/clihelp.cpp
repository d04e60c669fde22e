#include "cli/clihelp.h"

#include "cli/clicommand.h"

#include <QStringBuilder>

namespace {

constexpr qsizetype kWidth = 79;
constexpr qsizetype kIndent = 2;

// The words of text in lines of at most kWidth characters, each indented.
QString wrapped(const QString &text, qsizetype indent)
{
    QString out;
    QString line(indent, QLatin1Char(' '));
    bool empty = true;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!empty && line.size() + 1 + word.size() > kWidth) {
            out += line + QLatin1Char('\n');
            line = QString(indent, QLatin1Char(' '));
            empty = true;
        }
        line += (empty ? QString() : QStringLiteral(" ")) + word;
        empty = false;
    }
    return out + line + QLatin1Char('\n');
}

QString optionSynopsis(const CliOption &option)
{
    QStringList names;
    for (qsizetype i = 1; i < option.names.size(); ++i)
        names << QLatin1Char('-') + option.names[i];
    names << QStringLiteral("--") + option.names.first();
    QString synopsis = names.join(QStringLiteral(", "));
    if (!option.valueName.isEmpty())
        synopsis += QLatin1Char(' ') + option.valueName;
    return synopsis;
}

// Each option on a line of its own, its description beside it or below.
QString optionTable(const QList<CliOption> &options)
{
    constexpr qsizetype column = 26;
    QString out;
    for (const CliOption &option : options) {
        const QString synopsis = QString(kIndent, QLatin1Char(' ')) + optionSynopsis(option);
        QString description = wrapped(option.description, column);
        if (synopsis.size() + 2 <= column)
            description.replace(0, synopsis.size(), synopsis);
        else
            description = synopsis + QLatin1Char('\n') + description;
        out += description;
    }
    return out;
}

} // namespace

const QList<CliOption> &GlobalOptions()
{
    static const QList<CliOption> options = {
        {{QStringLiteral("profile")},
         QStringLiteral("NAME"),
         QStringLiteral("Work on this profile instead of your own (the one the window opens "
                        "at its start).")},
        {{QStringLiteral("program-folder")},
         QStringLiteral("DIR"),
         QStringLiteral("Use the profiles of the portable copy in DIR (the folder that holds "
                        "its Profiles folder).")},
        {{QStringLiteral("help"), QStringLiteral("h")},
         QString(),
         QStringLiteral("Show this help and end.")},
    };
    return options;
}

QString ProgramHelp(const QList<CliCommand> &commands)
{
    QString out = QStringLiteral("Usage: calbrey [--profile NAME] [--program-folder DIR] COMMAND "
                                 "[ARGUMENTS...]\n"
                                 "       calbrey COMMAND --help\n\n");
    out += wrapped(QStringLiteral("The Quenlark Calbrey address book from the command line: the "
                                  "same profiles as the window, safe to use while the window is "
                                  "open."),
                   0);
    out += QStringLiteral("\nCommands:\n");
    qsizetype width = 0;
    for (const CliCommand &command : commands)
        width = qMax(width, command.name.size());
    for (const CliCommand &command : commands)
        out += QString(kIndent, QLatin1Char(' ')) + command.name.leftJustified(width + 2) +
               command.summary + QLatin1Char('\n');
    out += QStringLiteral("\nOptions:\n") + optionTable(GlobalOptions());
    out += optionTable(
        {{{QStringLiteral("version")}, QString(), QStringLiteral("Show the version and end.")}});
    out += QStringLiteral("\nExit status: 0 done, 1 failed (or nothing found), 2 wrong usage.\n");
    return out;
}

QString CommandHelp(const CliCommand &command)
{
    QString out = QStringLiteral("Usage: calbrey ") % command.name %
                  (command.options.isEmpty() ? QString() : QStringLiteral(" [OPTIONS]")) %
                  (command.synopsis.isEmpty() ? QString() : QLatin1Char(' ') + command.synopsis) %
                  QStringLiteral("\n\n");
    for (qsizetype i = 0; i < command.description.size(); ++i)
        out += (i > 0 ? QStringLiteral("\n") : QString()) + wrapped(command.description[i], 0);
    if (!command.options.isEmpty())
        out += QStringLiteral("\nOptions:\n") + optionTable(command.options);
    out += QStringLiteral("\nOptions of every command:\n") + optionTable(GlobalOptions());
    return out;
}
