// backup, restore: the profile in one file and back.
#include "cli/clicommand.h"
#include "cli/cliinvocation.h"
#include "cli/climessages.h"
#include "cli/cliprofile.h"
#include "profiles/untprofiles.h"

namespace {

int backup(CliInvocation &call)
{
    const QString fileName = call.arguments().first();
    if (!call.profile().Backup(fileName))
        throw CliError(QStringLiteral("Cannot create backup: unable to write to ") + fileName);
    return CliStatus::Ok;
}

int restore(CliInvocation &call)
{
    const QString fileName = call.arguments().first();
    // The window asks first; a script says so beforehand.
    if (!call.isSet(QStringLiteral("yes")))
        throw CliError(QStringLiteral("restoring overwrites the address book and the settings "
                                      "of the profile \"") +
                           call.profileChoice().name() + QStringLiteral("\"; add --yes to restore"),
                       CliStatus::Usage);
    // A backup that does not fit, or a failed write, has been told by the profile.
    if (!call.profile().Restore(fileName))
        throw CliError(QString());
    return CliStatus::Ok;
}

} // namespace

QList<CliCommand> BackupCommands()
{
    return {
        {QStringLiteral("backup"),
         QStringLiteral("FILE"),
         QStringLiteral("Back the profile up into one file."),
         {QStringLiteral("Writes the profile's contacts and settings into FILE (by custom a "
                         ".qcbak file), as the window's Backup Profile does. An earlier FILE is "
                         "replaced whole or not at all.")},
         {},
         1,
         1,
         backup},
        {QStringLiteral("restore"),
         QStringLiteral("FILE --yes"),
         QStringLiteral("Replace the profile with a backup."),
         {QStringLiteral("Replaces the profile's contacts and settings with those of the backup "
                         "FILE, as the window's Restore Profile does: both files or neither. "
                         "The backup must be one of this profile (the name it was made from). "
                         "Since it overwrites the address book, --yes must be given.")},
         {{{QStringLiteral("yes")}, QString(), QStringLiteral("Yes, overwrite the profile.")}},
         1,
         1,
         restore},
    };
}
