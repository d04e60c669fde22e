#pragma once

#include <QString>

class CliInvocation;
struct TSyncLink;

/// calbrey's option that names a file whose first line is the password.
extern const QString PasswordFileOption;

/// The password of link for this run, from the first of: the first line of --password-file
/// FILE, the environment variable CALBREY_PASSWORD, the keychain, a prompt on the terminal that
/// does not show what is typed. Ends the command when none has one.
QString CliSyncPassword(const CliInvocation &call, const TSyncLink &link);

/// Keeps password in the keychain for link and tells on standard output whether it could,
/// and when not, how the next runs get it.
void KeepCliSyncPassword(CliInvocation &call, const TSyncLink &link, const QString &password);
