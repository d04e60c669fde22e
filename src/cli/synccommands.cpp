// sync, sync setup SERVER, sync status, sync unlink: the profile and a CardDAV address book.
#include "cli/clicommand.h"
#include "cli/cliinvocation.h"
#include "cli/clioutput.h"
#include "platform/calbreyerror.h"
#include "profiles/synclink.h"
#include "profiles/untprofiles.h"
#include "sync/carddavclient.h"
#include "sync/syncserver.h"
#include "sync/syncsession.h"
#include "sync/syncstate.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QStringBuilder>
#include <QTextStream>
#include <cstdio>
#include <optional>

#ifdef Q_OS_UNIX
#include <termios.h>
#include <unistd.h>
#endif

namespace {

const QString userOption = QStringLiteral("user");
const QString bookOption = QStringLiteral("book");
const QString passwordFileOption = QStringLiteral("password-file");
const QString dryRunOption = QStringLiteral("dry-run");
const QString forceOption = QStringLiteral("force");

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

// In order: --password-file, CALBREY_PASSWORD, a prompt on the terminal.
QString password(const CliInvocation &call, const QString &user)
{
    if (call.isSet(passwordFileOption)) {
        const QString fileName = call.value(passwordFileOption);
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
    if (qEnvironmentVariableIsSet("CALBREY_PASSWORD"))
        return qEnvironmentVariable("CALBREY_PASSWORD");
    if (const std::optional<QString> typed =
            promptWithoutEcho(QStringLiteral("Password for ") % user % QStringLiteral(": ")))
        return *typed;
    throw CliError(QStringLiteral("no password: give --password-file FILE or set "
                                  "CALBREY_PASSWORD"));
}

TDavAccount accountOf(const TSyncLink &link, const QString &server, const QString &pass)
{
    TDavAccount account;
    account.server = QUrl::fromUserInput(server);
    account.user = link.user;
    account.password = pass;
    account.trustedCertificateSha256 = QByteArray::fromHex(link.trustedCertificate.toLatin1());
    return account;
}

TSyncLink linkOf(CliInvocation &call)
{
    TSyncLink link = ReadSyncLink(call.profile());
    if (!link.IsLinked())
        throw CliError(QStringLiteral("the profile is not linked to a server; link it with "
                                      "calbrey sync setup SERVER --user NAME"));
    return link;
}

int setup(CliInvocation &call)
{
    if (call.arguments().size() != 2)
        throw UsageError(QStringLiteral("sync setup takes the server's address"),
                         call.command().name);
    if (!call.isSet(userOption))
        throw UsageError(QStringLiteral("sync setup needs --user NAME"), call.command().name);
    TProfile &profile = call.profile();
    TSyncLink link = ReadSyncLink(profile);
    const QString server = call.arguments().at(1);
    link.server = server;
    link.user = call.value(userOption);
    TCardDavClient client(accountOf(link, server, password(call, link.user)));
    TDavResult<QList<TDavAddressBook>> found;
    QEventLoop loop;
    client.Discover([&](const TDavResult<QList<TDavAddressBook>> &result) {
        found = result;
        loop.quit();
    });
    loop.exec();
    if (!found.Ok())
        throw CliError(found.message);
    if (found.value.isEmpty())
        throw CliError(QStringLiteral("the server offers no address book to ") % link.user);
    QString chosen;
    if (call.isSet(bookOption)) {
        const QUrl wanted = QUrl::fromUserInput(call.value(bookOption));
        for (const TDavAddressBook &book : std::as_const(found.value))
            if (book.url.adjusted(QUrl::StripTrailingSlash) ==
                wanted.adjusted(QUrl::StripTrailingSlash))
                chosen = book.url.toString();
        if (chosen.isEmpty())
            throw CliError(QStringLiteral("the server offers no address book at ") %
                           wanted.toString());
    } else if (found.value.size() == 1) {
        chosen = found.value.first().url.toString();
    } else {
        for (const TDavAddressBook &book : std::as_const(found.value))
            call.out().line(book.url.toString() % QLatin1Char('\t') % book.displayName);
        call.out().flush();
        throw CliError(QStringLiteral("the server offers several address books; choose one "
                                      "with --book URL"));
    }
    link.bookUrl = chosen;
    WriteSyncLink(profile, link);
    call.out().line(QStringLiteral("Linked to ") % chosen % QLatin1Char('.'));
    return CliStatus::Ok;
}

int showStatus(CliInvocation &call)
{
    const TSyncLink link = linkOf(call);
    const TSyncState state(SyncStatePath(call.profile()));
    call.out().line(QStringLiteral("Server: ") % link.server);
    call.out().line(QStringLiteral("User: ") % link.user);
    call.out().line(QStringLiteral("Address book: ") % link.bookUrl);
    call.out().line(QStringLiteral("Last sync: ") % (link.lastSync.isValid()
                                                         ? link.lastSync.toString(Qt::ISODate)
                                                         : QStringLiteral("never")));
    call.out().line(QStringLiteral("Contacts synced: ") %
                    QString::number(state.Records(link.bookUrl).size()));
    return CliStatus::Ok;
}

int unlinkProfile(CliInvocation &call)
{
    const TSyncLink link = linkOf(call);
    TProfile &profile = call.profile();
    TSyncState(SyncStatePath(profile)).Clear();
    QFile::remove(SyncStatePath(profile));
    RemoveSyncLink(profile);
    call.out().line(QStringLiteral("Unlinked from ") % link.bookUrl %
                    QStringLiteral("; the contacts stay here and on the server."));
    return CliStatus::Ok;
}

int syncNow(CliInvocation &call)
{
    TSyncLink link = linkOf(call);
    TProfile &profile = call.profile();
    TCardDavServer server(accountOf(link, link.bookUrl, password(call, link.user)),
                          QUrl(link.bookUrl));
    TSyncSession::Options options;
    options.dryRun = call.isSet(dryRunOption);
    options.force = call.isSet(forceOption);
    TSyncSession session(profile, server, link.bookUrl, options);
    const TSyncResult result = session.RunToEnd();
    switch (result.outcome) {
    case TSyncOutcome::Done:
        break;
    case TSyncOutcome::TooManyRemovals:
        throw CliError(result.message % QStringLiteral(" Nothing was changed; calbrey sync "
                                                       "--force goes ahead."));
    default:
        throw CliError(result.message.isEmpty() ? QStringLiteral("the sync was stopped")
                                                : result.message);
    }
    if (!options.dryRun) {
        link.lastSync = QDateTime::currentDateTimeUtc();
        WriteSyncLink(profile, link);
    }
    call.out().line(result.summary.Line());
    return CliStatus::Ok;
}

int runSync(CliInvocation &call)
{
    const QString action = call.arguments().value(0);
    const bool forSync = action.isEmpty();
    if (!forSync && (call.isSet(dryRunOption) || call.isSet(forceOption)))
        throw UsageError(QStringLiteral("--dry-run and --force are for calbrey sync"),
                         call.command().name);
    if (action != QLatin1String("setup") && (call.isSet(userOption) || call.isSet(bookOption)))
        throw UsageError(QStringLiteral("--user and --book are for sync setup"),
                         call.command().name);
    if (forSync)
        return syncNow(call);
    if (action == QLatin1String("setup"))
        return setup(call);
    if (call.arguments().size() != 1)
        throw UsageError(QStringLiteral("too many arguments"), call.command().name);
    if (action == QLatin1String("status"))
        return showStatus(call);
    if (action == QLatin1String("unlink"))
        return unlinkProfile(call);
    throw UsageError(QStringLiteral("unknown sync command \"") % action %
                         QStringLiteral("\"; it is setup, status or unlink"),
                     call.command().name);
}

} // namespace

QList<CliCommand> SyncCommands()
{
    return {
        {QStringLiteral("sync"),
         QStringLiteral("[setup SERVER --user NAME [--book URL] | status | unlink]"),
         QStringLiteral("Sync the contacts with a CardDAV address book on a server."),
         {QStringLiteral("sync setup SERVER --user NAME links the profile to an address book "
                         "on a CardDAV server (Nextcloud, Radicale, Baikal, Fastmail, iCloud and "
                         "others): SERVER is the server's address, which is searched for the "
                         "user's address books, or an address book's own URL. When the server "
                         "offers several, they are listed and --book URL picks one."),
          QStringLiteral("sync brings the profile and the address book to the same contacts and "
                         "prints what it did: uploaded N, downloaded N, deleted here N, deleted "
                         "there N, merged N, conflicts N. A contact changed on one side takes "
                         "that side's change; changed on both, the changes are merged field by "
                         "field, and where both changed the same field the server's value is "
                         "kept and ours goes to the trash. A contact deleted on the server goes "
                         "to the trash here; one changed on the other side comes back. When the "
                         "server would take more than half of the contacts here, nothing is "
                         "changed unless --force is given. --dry-run tells what a sync would do "
                         "and does none of it."),
          QStringLiteral("sync status prints the link and when the last sync finished; sync "
                         "unlink undoes the link, leaving the contacts on both sides."),
          QStringLiteral("The password is read from the first line of --password-file FILE, "
                         "from the environment variable CALBREY_PASSWORD, or asked for on the "
                         "terminal without being shown. The exit status is not zero when the "
                         "sync fails.")},
         {{{userOption}, QStringLiteral("NAME"), QStringLiteral("The user name on the server.")},
          {{bookOption},
           QStringLiteral("URL"),
           QStringLiteral("The address book to link, when the server offers several.")},
          {{passwordFileOption},
           QStringLiteral("FILE"),
           QStringLiteral("Read the password from the first line of FILE.")},
          {{dryRunOption}, QString(), QStringLiteral("Tell what a sync would do; change nothing.")},
          {{forceOption},
           QString(),
           QStringLiteral("Sync even when the server would take most of the contacts.")}},
         0,
         2,
         runSync},
    };
}
