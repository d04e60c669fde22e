#include "cli/clisyncpassword.h"

#include "cli/clicommand.h"
#include "cli/cliinvocation.h"
#include "cli/clioutput.h"
#include "profiles/synclink.h"
#include "sync/syncpassword.h"

#include <QFile>
#include <QStringBuilder>
#include <QTextStream>
#include <cstdio>
#include <optional>

#ifdef Q_OS_UNIX
#include <termios.h>
#include <unistd.h>
#endif

const QString PasswordFileOption = QStringLiteral("password-file");

namespace {

const QString howToGiveIt = QStringLiteral("give it with --password-file FILE or the "
                                           "environment variable CALBREY_PASSWORD, or type it "
                                           "when asked");

// A line typed on the terminal without showing it; nullopt without a terminal.
std::optional<QString> promptWithoutEcho(const QString &prompt)
{
#ifdef Q_OS_UNIX
    if (!::isatty(STDIN_FILENO) || !::isatty(STDERR_FILENO))
        return std::nullopt;
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    termios saved{};
    ::tcgetattr(STDIN_FILENO, &saved);
    termios quiet = saved;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    QTextStream in(stdin);
    const QString line = in.readLine();
    ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    std::fputs("\n", stderr);
    return line;
#else
    Q_UNUSED(prompt);
    return std::nullopt;
#endif
}

QString firstLineOf(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw CliError(QStringLiteral("cannot read the password file \"") % fileName %
                       QLatin1Char('"'));
    QString text = QString::fromUtf8(file.readAll());
    const qsizetype end = text.indexOf(u'\n');
    if (end >= 0)
        text.truncate(end);
    if (text.endsWith(u'\r'))
        text.chop(1);
    return text;
}

} // namespace

QString CliSyncPassword(const CliInvocation &call, const TSyncLink &link)
{
    if (call.isSet(PasswordFileOption))
        return firstLineOf(call.value(PasswordFileOption));
    if (qEnvironmentVariableIsSet("CALBREY_PASSWORD"))
        return qEnvironmentVariable("CALBREY_PASSWORD");
    // Asked only now: a keychain may first ask the user to unlock it.
    TPasswordResult keychain;
    if (const std::optional<QString> kept = TSyncPasswords::Instance().Find(link, &keychain))
        return *kept;
    if (const std::optional<QString> typed =
            promptWithoutEcho(QStringLiteral("Password for ") % link.user % QStringLiteral(": ")))
        return *typed;
    const QString why =
        keychain.status == TPasswordResult::Status::NotFound
            ? QString(QStringLiteral("none is kept in the keychain for ") % link.user)
            : QString(QStringLiteral("the keychain has none (") % keychain.message %
                      QLatin1Char(')'));
    throw CliError(QStringLiteral("no password: ") % why % QStringLiteral("; ") % howToGiveIt);
}

void KeepCliSyncPassword(CliInvocation &call, const TSyncLink &link, const QString &password)
{
    const TPasswordResult kept = TSyncPasswords::Instance().Keep(link, password);
    switch (kept.status) {
    case TPasswordResult::Status::Ok:
        call.out().line(QStringLiteral("The password is kept in the keychain."));
        return;
    case TPasswordResult::Status::NoKeychain:
        call.out().line(QStringLiteral("No keychain answers on this computer, so the password "
                                       "was not stored: ") %
                        howToGiveIt % QLatin1Char('.'));
        return;
    case TPasswordResult::Status::NotFound:
    case TPasswordResult::Status::Failed:
        call.out().line(QStringLiteral("The password was not stored: ") % kept.message %
                        QStringLiteral(" Next time ") % howToGiveIt % QLatin1Char('.'));
        return;
    }
}
