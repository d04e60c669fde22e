// duplicates: the groups of contacts that are likely one person, as Find Duplicates shows them.
#include "cli/clicommand.h"
#include "cli/cliinvocation.h"
#include "cli/clioutput.h"
#include "profiles/duplicatefinder.h"
#include "profiles/notduplicates.h"
#include "profiles/untprofiles.h"

#include <QStringBuilder>

namespace {

int duplicates(CliInvocation &call)
{
    const TProfile &profile = call.profile();
    const QList<TDuplicateGroup> groups =
        FindDuplicatesInProfile(profile, profile.PhoneRegion, TNotDuplicates(profile).Pairs());
    const bool parsable = call.isSet(QStringLiteral("parsable"));
    if (groups.isEmpty() && !parsable)
        call.out().line(QStringLiteral("No likely duplicates."));
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const TDuplicateGroup &group = groups[i];
        const QString number = QString::number(i + 1);
        if (parsable) {
            const QString reason = group.reasons.value(0);
            for (const QString &name : group.names)
                call.out().line(number % QLatin1Char('\t') % name % QLatin1Char('\t') % reason);
            continue;
        }
        call.out().line(number % QStringLiteral(". ") % group.reasons.join(QStringLiteral("; ")));
        for (const QString &name : group.names)
            call.out().line(QStringLiteral("   ") % name);
    }
    return CliStatus::Ok;
}

} // namespace

QList<CliCommand> DuplicateCommands()
{
    return {
        {QStringLiteral("duplicates"),
         QString(),
         QStringLiteral("List the groups of contacts that are likely one person."),
         {QStringLiteral("The groups the window's Find Duplicates shows, strongest first: "
                         "contacts that share an e-mail address or a phone number, or have the "
                         "same name. Each group is numbered and followed by its contacts; pairs "
                         "marked \"Not duplicates\" in the window are left out."),
          QStringLiteral("With --parsable each line is one contact of a group: the group's "
                         "number, the contact name and the group's strongest reason, separated "
                         "by TABs.")},
         {{{QStringLiteral("parsable")},
           QString(),
           QStringLiteral("group<TAB>name<TAB>reason lines.")}},
         0,
         0,
         duplicates},
    };
}
