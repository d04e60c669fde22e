#pragma once

#include <QString>

/// Closes the active profile (saving its settings) and opens the named one, creating it with
/// the welcome message when it does not exist. False, after an error message, when it cannot
/// be opened.
bool ActivateProfile(const QString &name);
/// ActivateProfile for a switch the user asked for: when the named profile cannot be opened
/// after the active one was closed, the profile active before is opened again, so the windows
/// never face a missing profile. True when the named profile is active.
bool ChangeActiveProfile(const QString &name);
/// Opens the profile named after the logged-in user.
bool OpenStartupProfile();
