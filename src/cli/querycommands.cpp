// email, phone: the mail client's address query.
#include "cli/clicommand.h"
#include "cli/cliinvocation.h"
#include "cli/clioutput.h"
#include "profiles/addressquery.h"

#include <QStringBuilder>

namespace {

int answer(CliInvocation &call, const QList<TFoundAddress> &found, bool mailClientLine)
{
    const QString query = call.arguments().value(0);
    const bool parsable = call.isSet(QStringLiteral("parsable"));
    // Mail clients show the first line as a note and read the addresses after it.
    if (parsable && mailClientLine && !call.isSet(QStringLiteral("remove-first-line")))
        call.out().line(QStringLiteral("searching for '") % query % QStringLiteral("' ..."));
    for (const TFoundAddress &address : found) {
        if (parsable)
            call.out().line(address.address % QLatin1Char('\t') % address.name % QLatin1Char('\t') %
                            address.label);
        else
            call.out().line(address.name % QStringLiteral(" <") % address.address %
                            QStringLiteral("> (") % address.label % QLatin1Char(')'));
    }
    if (found.isEmpty())
        throw CliError(QStringLiteral("no contact matches '") + query + QLatin1Char('\''));
    return CliStatus::Ok;
}

int email(CliInvocation &call)
{
    call.onlyReads();
    return answer(call, FindEmailAddresses(call.profile(), call.arguments().value(0)), true);
}

int phone(CliInvocation &call)
{
    call.onlyReads();
    return answer(call, FindPhoneNumbers(call.profile(), call.arguments().value(0)), false);
}

const QString matching =
    QStringLiteral("QUERY is looked for in the contact name, the real name, the nick name and "
                   "the e-mail addresses of each contact, without regard to letter case or "
                   "accents (\"muller\" finds \"Müller\"); the empty query finds everyone.");

} // namespace

QList<CliCommand> QueryCommands()
{
    return {
        {QStringLiteral("email"),
         QStringLiteral("QUERY"),
         QStringLiteral("Find e-mail addresses (a mail client's query command)."),
         {QStringLiteral("The e-mail addresses of the contacts that QUERY finds, each contact's "
                         "main address first, then its other, home and work addresses."),
          matching,
          QStringLiteral("With --parsable the first line is \"searching for 'QUERY' ...\", then "
                         "one line per address: address<TAB>name<TAB>label, the label being "
                         "main, other, home or work. That is what mutt's query_command reads: "
                         "set query_command = \"calbrey email --parsable '%s'\". For aerc add "
                         "--remove-first-line."),
          QStringLiteral("Nothing found: exit status 1 and a one-line message on standard "
                         "error.")},
         {{{QStringLiteral("parsable")},
           QString(),
           QStringLiteral("address<TAB>name<TAB>label lines after a first line.")},
          {{QStringLiteral("remove-first-line")},
           QString(),
           QStringLiteral("With --parsable, leave out the first line.")}},
         1,
         1,
         email},
        {QStringLiteral("phone"),
         QStringLiteral("QUERY"),
         QStringLiteral("Find phone numbers."),
         {QStringLiteral("The phone numbers of the contacts that QUERY finds: mobile, home, "
                         "work, the faxes and the pagers, an extension after its number."),
          matching + QStringLiteral(" The numbers are looked in too; a query of digits "
                                    "matches them whatever blanks or dashes they are "
                                    "written with."),
          QStringLiteral("With --parsable one line per number: number<TAB>name<TAB>label.")},
         {{{QStringLiteral("parsable")},
           QString(),
           QStringLiteral("number<TAB>name<TAB>label lines.")}},
         1,
         1,
         phone},
    };
}
