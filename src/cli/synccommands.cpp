// sync, sync setup SERVER, sync status, sync unlink: the profile and a CardDAV address book.
#include "cli/clicommand.h"
#include "cli/cliinvocation.h"
#include "cli/clioutput.h"
#include "cli/clisyncpassword.h"
#include "platform/calbreyerror.h"
#include "profiles/synclink.h"
#include "profiles/untprofiles.h"
#include "sync/carddavclient.h"
#include "sync/syncaddress.h"
#include "sync/syncpassword.h"
#include "sync/syncserver.h"
#include "sync/syncsession.h"
#include "sync/syncstate.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QStringBuilder>

namespace {

const QString userOption = QStringLiteral("user");
const QString bookOption = QStringLiteral("book");
const QString trustOption = QStringLiteral("trust-certificate");
const QString dryRunOption = QStringLiteral("dry-run");
const QString forceOption = QStringLiteral("force");

TDavAccount accountOf(const TSyncLink &link, const QString &server, const QString &pass)
{
    TDavAccount account;
    account.server = QUrl::fromUserInput(server);
    account.user = link.user;
    account.password = pass;
    account.trustedCertificateSha256 = QByteArray::fromHex(link.trustedCertificate.toLatin1());
    return account;
}

// The SHA-256 fingerprint the user gave; a usage error when it is not one.
QString trustedFingerprint(const CliInvocation &call, const QString &typed)
{
    const std::optional<QByteArray> sha256 = ParseCertificateFingerprint(typed);
    if (!sha256)
        throw UsageError(QLatin1Char('"') % typed %
                             QStringLiteral("\" is not a SHA-256 fingerprint (64 hexadecimal "
                                            "digits, as AB:CD:...)"),
                         call.command().name);
    return QString::fromLatin1(sha256->toHex());
}

// What calbrey itself is called with here: the profile, when one was named.
QString calbreyCommand(const CliInvocation &call)
{
    QString command = QStringLiteral("calbrey");
    if (call.isSet(QStringLiteral("profile")))
        command += QStringLiteral(" --profile '") % call.value(QStringLiteral("profile")) %
                   QLatin1Char('\'');
    return command;
}

// An untrusted certificate's message ends with the way to trust it from here.
QString untrustedAdvice(const QString &message, const QString &how)
{
    return message %
           QStringLiteral(" If it is your server's certificate (ask its "
                          "administrator for the fingerprint), ") %
           how;
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
    if (link.server != server)
        link.trustedCertificate.clear(); // trusted for another server
    link.server = server;
    link.user = call.value(userOption);
    if (call.isSet(trustOption))
        link.trustedCertificate = trustedFingerprint(call, call.value(trustOption));
    const QString pass = CliSyncPassword(call, link);
    TCardDavClient client(accountOf(link, server, pass));
    TDavResult<QList<TDavAddressBook>> found;
    QEventLoop loop;
    client.Discover([&](const TDavResult<QList<TDavAddressBook>> &result) {
        found = result;
        loop.quit();
    });
    loop.exec();
    if (found.status == TDavStatus::UntrustedCertificate && !found.certificateSha256.isEmpty())
        throw CliError(untrustedAdvice(
            found.message, QStringLiteral("run the same command again with "
                                          "--trust-certificate ") %
                               CertificateFingerprint(found.certificateSha256) % QLatin1Char('.')));
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
    KeepCliSyncPassword(call, link, pass);
    return CliStatus::Ok;
}

int trust(CliInvocation &call)
{
    if (call.arguments().size() != 2)
        throw UsageError(QStringLiteral("sync trust takes the certificate's SHA-256 fingerprint"),
                         call.command().name);
    TSyncLink link = linkOf(call);
    link.trustedCertificate = trustedFingerprint(call, call.arguments().at(1));
    WriteSyncLink(call.profile(), link);
    call.out().line(
        QStringLiteral("The certificate with SHA-256 ") %
        CertificateFingerprint(QByteArray::fromHex(link.trustedCertificate.toLatin1())) %
        QStringLiteral(" is trusted for ") % link.server % QLatin1Char('.'));
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
    TSyncPasswords::Instance().Forget(link);
    call.out().line(QStringLiteral("Unlinked from ") % link.bookUrl %
                    QStringLiteral("; the contacts stay here and on the server."));
    return CliStatus::Ok;
}

int syncNow(CliInvocation &call)
{
    TSyncLink link = linkOf(call);
    TProfile &profile = call.profile();
    TCardDavServer server(accountOf(link, link.bookUrl, CliSyncPassword(call, link)),
                          QUrl(link.bookUrl));
    TSyncSession::Options options;
    options.dryRun = call.isSet(dryRunOption);
    options.force = call.isSet(forceOption);
    TSyncSession session(profile, server, link.bookUrl, options);
    const TSyncResult result = session.RunToEnd();
    switch (result.outcome) {
    case TSyncOutcome::Done:
        break;
    case TSyncOutcome::Failed:
        if (!result.untrustedCertificate.isEmpty())
            throw CliError(untrustedAdvice(
                result.message, QStringLiteral("trust it with: ") % calbreyCommand(call) %
                                    QStringLiteral(" sync trust ") %
                                    CertificateFingerprint(result.untrustedCertificate)));
        throw CliError(result.message.isEmpty() ? QStringLiteral("the sync was stopped")
                                                : result.message);
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
    if (action != QLatin1String("setup") &&
        (call.isSet(userOption) || call.isSet(bookOption) || call.isSet(trustOption)))
        throw UsageError(QStringLiteral("--user, --book and --trust-certificate are for sync "
                                        "setup"),
                         call.command().name);
    if (forSync)
        return syncNow(call);
    if (action == QLatin1String("setup"))
        return setup(call);
    if (action == QLatin1String("trust"))
        return trust(call);
    if (call.arguments().size() != 1)
        throw UsageError(QStringLiteral("too many arguments"), call.command().name);
    if (action == QLatin1String("status"))
        return showStatus(call);
    if (action == QLatin1String("unlink"))
        return unlinkProfile(call);
    throw UsageError(QStringLiteral("unknown sync command \"") % action %
                         QStringLiteral("\"; it is setup, trust, status or unlink"),
                     call.command().name);
}

} // namespace

QList<CliCommand> SyncCommands()
{
    return {
        {QStringLiteral("sync"),
         QStringLiteral("[setup SERVER --user NAME [--book URL] [--trust-certificate SHA256] | "
                        "trust SHA256 | status | unlink]"),
         QStringLiteral("Sync the contacts with a CardDAV address book on a server."),
         {QStringLiteral("sync setup SERVER --user NAME links the profile to an address book "
                         "on a CardDAV server (Nextcloud, Radicale, Baikal, Fastmail, iCloud and "
                         "others): SERVER is the server's address, which is searched for the "
                         "user's address books, or an address book's own URL. When the server "
                         "offers several, they are listed and --book URL picks one. The password "
                         "is kept in the keychain when the computer has one."),
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
          QStringLiteral("A server whose certificate this computer does not trust (one it made "
                         "itself, say) is refused, and the message gives the certificate's "
                         "SHA-256 fingerprint. When the server's administrator confirms it, "
                         "sync trust SHA256 trusts that certificate for the link, or --trust-"
                         "certificate SHA256 does on sync setup."),
          QStringLiteral("sync status prints the link and when the last sync finished; sync "
                         "unlink undoes the link, leaving the contacts on both sides, and forgets "
                         "the password in the keychain."),
          QStringLiteral("The password is read from the first line of --password-file FILE, "
                         "from the environment variable CALBREY_PASSWORD, from the keychain, or "
                         "asked for on the terminal without being shown. The exit status is not "
                         "zero when the sync fails.")},
         {{{userOption}, QStringLiteral("NAME"), QStringLiteral("The user name on the server.")},
          {{bookOption},
           QStringLiteral("URL"),
           QStringLiteral("The address book to link, when the server offers several.")},
          {{trustOption},
           QStringLiteral("SHA256"),
           QStringLiteral("Trust the server's certificate with this SHA-256 fingerprint.")},
          {{PasswordFileOption},
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
