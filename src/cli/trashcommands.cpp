// trash list, trash restore NAME, trash empty: the contacts that left the address book.
#include "cli/clashanswer.h"
#include "cli/clicommand.h"
#include "cli/cliinvocation.h"
#include "cli/clioutput.h"
#include "profiles/trash.h"
#include "profiles/trashrestore.h"
#include "profiles/untprofiles.h"

#include <QStringBuilder>
#include <algorithm>

namespace {

const QString onClash = QStringLiteral("on-clash");

// Newest first, as the window's Deleted Contacts lists them.
QList<TTrashEntry> newestFirst(const TTrash &trash)
{
    QList<TTrashEntry> entries = trash.Entries();
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const TTrashEntry &a, const TTrashEntry &b) { return a.sequence > b.sequence; });
    return entries;
}

int list(CliInvocation &call)
{
    for (const TTrashEntry &entry : newestFirst(call.profile().Trash())) {
        const QString left = entry.left.isValid() ? entry.left.toString(Qt::ISODate) : QString();
        call.out().line(entry.name % QLatin1Char('\t') % left % QLatin1Char('\t') % entry.Why());
    }
    return CliStatus::Ok;
}

// The contact of that name that left last: the one a user means by its name.
TTrashEntry newestEntryOf(const TTrash &trash, const QString &name)
{
    const QString folded = name.toCaseFolded();
    for (const TTrashEntry &entry : newestFirst(trash)) {
        if (entry.name.toCaseFolded() == folded)
            return entry;
    }
    throw CliError(QStringLiteral("there is no contact named \"") % name %
                   QStringLiteral("\" in the trash"));
}

int restore(CliInvocation &call)
{
    const TClashAction clash = ChosenClashAction(call);
    TProfile &profile = call.profile();
    const TTrashEntry entry = newestEntryOf(profile.Trash(), call.arguments().at(1));
    const QString &name = entry.name;
    FixedClashAnswer answer(profile, clash);
    const TRestoreResult result = RestoreFromTrash(profile, {entry.id}, answer);
    if (!result.unstorable.isEmpty())
        throw CliError(QLatin1Char('"') % name %
                       QStringLiteral("\" cannot be restored: book.db cannot hold its name"));
    if (result.restored.isEmpty())
        throw CliError(QStringLiteral("a contact named \"") % name %
                       QStringLiteral("\" exists; it stays in the trash (--on-clash overwrite "
                                      "or rename restores it)"));
    const QString &restored = result.restored.first();
    if (restored == name)
        call.out().line(QStringLiteral("Restored \"") % restored % QStringLiteral("\"."));
    else
        call.out().line(QStringLiteral("Restored \"") % name % QStringLiteral("\" as \"") %
                        restored % QStringLiteral("\"."));
    return CliStatus::Ok;
}

int empty(CliInvocation &call)
{
    TTrash &trash = call.profile().Trash();
    const qsizetype count = trash.Entries().size();
    trash.Empty();
    call.out().line(QStringLiteral("Deleted ") % QString::number(count) %
                    (count == 1 ? QStringLiteral(" contact") : QStringLiteral(" contacts")) %
                    QStringLiteral(" for good."));
    return CliStatus::Ok;
}

int trash(CliInvocation &call)
{
    const QString &action = call.arguments().first();
    const qsizetype extra = call.arguments().size() - 1;
    if (action == QLatin1String("restore")) {
        if (extra != 1)
            throw UsageError(QStringLiteral("trash restore takes one contact name"),
                             call.command().name);
        return restore(call);
    }
    if (action != QLatin1String("list") && action != QLatin1String("empty"))
        throw UsageError(QStringLiteral("unknown trash command \"") % action %
                             QStringLiteral("\"; it is list, restore or empty"),
                         call.command().name);
    if (extra != 0)
        throw UsageError(QStringLiteral("too many arguments"), call.command().name);
    if (call.isSet(onClash))
        throw UsageError(QStringLiteral("--on-clash is for trash restore"), call.command().name);
    return action == QLatin1String("list") ? list(call) : empty(call);
}

} // namespace

QList<CliCommand> TrashCommands()
{
    return {
        {QStringLiteral("trash"),
         QStringLiteral("list | restore NAME | empty"),
         QStringLiteral("List, restore or delete for good the contacts in the trash."),
         {QStringLiteral("Contacts that leave the address book (removed here, deleted in the "
                         "window, written over by an import) go to the profile's trash, which "
                         "the window shows as Deleted Contacts; the profile's options say how "
                         "many days they are kept."),
          QStringLiteral("trash list prints one line per contact in the trash, the one that left "
                         "last first: its name, when it left (ISO 8601, UTC) and why, separated "
                         "by TABs."),
          QStringLiteral("trash restore NAME brings back the contact NAME (any letter case) "
                         "that left last, all its fields as they were. When a contact has that "
                         "name meanwhile, it stays "
                         "in the trash by default; --on-clash overwrite sends that contact to "
                         "the trash in its place, --on-clash rename restores it under the name "
                         "with the first free number added."),
          QStringLiteral("trash empty deletes every contact in the trash for good.")},
         {{{onClash},
           QStringLiteral("skip|overwrite|rename"),
           QStringLiteral("For restore: what to do when the name is taken (skip).")}},
         1,
         2,
         trash},
    };
}
